#pragma once
// What the resume list and the bookmark list share: a resizable window with a
// labelled list over a row of buttons, the list growing with the window, and
// the keys Escape, Backspace and Ctrl+"[" on the controls that take them.

#include <QDialog>
#include <QString>

#include <string>

class QHBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;

namespace pelto {

class PositionListWindow : public QDialog {
    Q_OBJECT
public:
    QListWidget* ListBox1 = nullptr;
    QLabel* LabelList = nullptr;

    // The entry behind list line `row` (empty for an empty line or no row).
    std::string EntryOfRow(int row) const;
    // Appends a line showing `entry` (platform text) and keeping it whole.
    void AddEntryLine(const std::string& entry);

protected:
    PositionListWindow(QWidget* parent, const QString& objectName, const QString& caption,
                       const QString& listLabel, int designWidth, int designHeight);

    // A button without auto-default (Enter does only what the window says),
    // added to the button row, with `hint` below it when given.
    QPushButton* AddButton(const QString& objectName, const QString& caption,
                           const QString& hint = QString());
    // Escape, Backspace and Ctrl+"[" act on this control as on the window.
    void WatchKeys(QWidget* control);
    // Keys of the list other than those above; true when used.
    virtual bool ListKeyDown(QKeyEvent* event);
    virtual void EscapePressed() { reject(); }

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // True when the key was one of the window keys and was acted on.
    bool WindowKey(QKeyEvent* event);
    // The list scrolls sideways over 1.5 times its width.
    void UpdateHorizontalExtent();
    QSize LineSize() const;

    QHBoxLayout* ButtonRow = nullptr;
};

}  // namespace pelto
