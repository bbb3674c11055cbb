#pragma once
// What the title list, the tree list and the tree post viewer share: a list of
// side-file lines shown without copying them into the toolkit, and the window
// behaviour of a remembered, resizable window shown modally.

#include <QAbstractListModel>
#include <QDialog>
#include <QSize>

#include <string>
#include <vector>

#include "settings/Settings.h"

class QKeyEvent;
class QListView;
class QPushButton;
class QRect;

namespace pelto {

// Lines of a side file (CP932 bytes), decoded only when drawn: a title file of
// a year of logs holds millions of entries.
class TLinesModel : public QAbstractListModel {
    Q_OBJECT
public:
    TLinesModel(std::vector<std::string> lines, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    const std::string& Line(int index) const { return lines_[static_cast<size_t>(index)]; }
    const std::vector<std::string>& Lines() const { return lines_; }
    int Count() const { return static_cast<int>(lines_.size()); }
    // Every item has this size; its width is the list's horizontal extent.
    void SetItemSize(QSize size) { itemSize_ = size; }

private:
    std::vector<std::string> lines_;
    QSize itemSize_{0, 18};
};

// A window shown modally at its remembered bounds (or centred at its design
// size), storing its bounds when it closes in the normal state; Ctrl+[ switches
// between normal and maximised.
class TPlacedDialog : public QDialog {
    Q_OBJECT
public:
    TPlacedDialog(const QString& caption, WindowPlacement& placement, QWidget* parent);

    // Places the window as its placement says; called before it is shown.
    void Place();

protected:
    void done(int result) override;
    void ToggleMaximized();
    // Ctrl+[ alone held.
    static bool IsMaximizeKey(const QKeyEvent* event);

private:
    void FormClose();

    WindowPlacement& placement_;
};

// The list windows: a list box that keeps its margins when the window is
// resized and can scroll entries of one and a half list widths into view.
// Esc and Backspace close without a choice wherever the focus is.
class TListWindow : public TPlacedDialog {
    Q_OBJECT
public:
    TListWindow(const QString& caption, WindowPlacement& placement, QWidget* parent);

    QListView* ListBox1;

    // Index of the selected item; -1 when nothing is selected.
    int SelectedIndex() const;
    const std::string& Item(int index) const { return model_->Line(index); }
    const std::vector<std::string>& Items() const { return model_->Lines(); }
    int ItemCount() const { return model_->Count(); }

protected:
    // Fills the list (one empty item for an empty file, with item 0 selected;
    // else `selected`, which selects nothing when outside the list), takes the
    // list font from `viewFont`, and remembers the design sizes.
    void FormCreate(std::vector<std::string> lines, int selected, const QFont& viewFont);
    // A button whose keys the window sees first; Enter does not press it.
    QPushButton* AddButton(const char* caption, const char* name, QRect bounds);

    virtual bool ListBoxKeyDown(QKeyEvent* event);
    virtual bool FormKeyDown(QKeyEvent* event);
    virtual void ListBox1Click() = 0;

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Routes the keys of the list and of every button: the list's own keys
    // first (ListBoxKeyDown), then the window's (FormKeyDown).
    void WatchKeys(QWidget* control);
    void ResizeExecute();

    TLinesModel* model_ = nullptr;
    QSize designList_;
    QSize designWindow_;
};

}  // namespace pelto
