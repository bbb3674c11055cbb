#pragma once
// The choice window of F3: the running copies by title, to bring one forward.

#include <QDialog>
#include <QList>

#include "platform/Instances.h"

class QLabel;
class QListWidget;
class QPushButton;

class TForm18 : public QDialog {
    Q_OBJECT
public:
    // Lists the titles of `copies`, the first selected.
    explicit TForm18(const QList<pelto::RunningCopy>& copies, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* BtnChange = nullptr;
    QPushButton* BtnCansel = nullptr;

    // What the window hands back: the chosen title (empty: none) and the
    // position of the chosen copy, so that two copies with the same title
    // are still told apart.
    QString SelectedTitle;
    int SelectedIndex = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ListBox1Click();
    void BtnChangeClick();
    void BtnCanselClick();
};
