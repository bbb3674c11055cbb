#pragma once
// The run dialog: choose the launcher entry to start on the current document.

#include <QDialog>

#include "launcher/Launcher.h"

class QListWidget;
class QPushButton;

class TForm13 : public QDialog {
    Q_OBJECT
public:
    // Lists the used slots as title, two blanks and shortcut label.
    explicit TForm13(const pelto::LauncherSlots& entries, QWidget* parent = nullptr);

    // The slot (1..9) of the chosen item; -1 for none.
    int LaunchChoice = -1;

    QListWidget* ListBox1 = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCansel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BtnOkClick();
    void BtnCanselClick();
};
