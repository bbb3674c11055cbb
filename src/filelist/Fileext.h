#pragma once
// The excluded-extensions dialog: the 64 extensions a file-list capture leaves out.

#include <QDialog>

#include <array>
#include <string>

#include "settings/Settings.h"

class QLineEdit;
class QPushButton;

class TForm16 : public QDialog {
    Q_OBJECT
public:
    using Entries = std::array<std::string, pelto::kExtensionCount>;

    // Shows `entries` (key i at element i-1); "保存" copies the boxes back into
    // them and writes all 64 to the settings file.
    TForm16(Entries& entries, QWidget* parent = nullptr);

    std::array<QLineEdit*, pelto::kExtensionCount> Edits{};   // Edit1 .. Edit64
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCansel = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BtnOkClick();

    Entries& entries_;
};
