#pragma once
// The launcher entry editor: title, program, option, folder and shortcut label
// of one slot.

#include <QDialog>

#include "launcher/Launcher.h"

class QLineEdit;
class QPushButton;

class TForm12 : public QDialog {
    Q_OBJECT
public:
    // Edits `entry`; it is replaced only when "OK" passes its checks.
    TForm12(pelto::LauncherEntry& entry, QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;   // title
    QLineEdit* Edit2 = nullptr;   // program
    QLineEdit* Edit3 = nullptr;   // option
    QLineEdit* Edit4 = nullptr;   // folder
    QLineEdit* Edit5 = nullptr;   // shortcut label
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCansel = nullptr;
    QPushButton* BtnRef = nullptr;

    // What the browse button does with the file the user picked.
    void ApplyChosenFile(const QString& path);

private:
    void BtnOkClick();
    void BtnRefClick();

    pelto::LauncherEntry& entry_;
};
