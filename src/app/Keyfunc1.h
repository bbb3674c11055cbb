#pragma once
// The key-list windows ("ｷｰ操作一覧"): two pages of commands and their keys.
// Escape, Enter, F1 and OK end the list; the page keys and "次表示(&N)" turn
// to the other page, which the caller's loop then shows.

#include <QDialog>

#include <initializer_list>

class QGridLayout;
class QLabel;
class QPushButton;

// What both pages share: caption, heading, buttons and keys.
class TKeyFuncWindow : public QDialog {
    Q_OBJECT
public:
    // `keyListOn` and `page` are the main window's loop flag and page (1 or 2).
    TKeyFuncWindow(int ownPage, bool& keyListOn, int& page, const QString& heading, QWidget* parent);

    QLabel* LabelHeading;
    QPushButton* BtnNext;
    QPushButton* BtnOk;

    void BtnNextClick();
    void BtnOkClick();
    // The close box: the list ends unless this window already turned the page.
    void reject() override;

protected:
    // One line of labels: command, keys, and on page 1 a second pair.
    void AddRow(std::initializer_list<const char*> texts);
    void keyPressEvent(QKeyEvent* event) override;

private:
    int OwnPage;
    bool& KeyListOn;
    int& Page;
    QGridLayout* Rows;
    int RowCount = 0;
};

class TKeyFunc1 : public TKeyFuncWindow {
    Q_OBJECT
public:
    TKeyFunc1(bool& keyListOn, int& page, QWidget* parent = nullptr);
};
