#pragma once
// The options dialog: window placement flags, history lengths and display
// settings, each page with its own save and cancel buttons.

#include <QDialog>

#include <array>

#include "settings/Settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TForm1;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // Edits `main`'s settings mirror and applies what concerns its view.
    explicit TForm2(TForm1& main, QWidget* parent = nullptr);

    QTabWidget* TabNote;

    QPushButton* BtnFormCansel;
    QPushButton* BtnFormSave;
    QCheckBox* CheckFormMain;
    QCheckBox* CheckFormFile;
    QCheckBox* CheckFormTitle;
    QCheckBox* CheckFormShiori;
    QCheckBox* CheckFormResum;
    QCheckBox* CheckFormTree;
    QCheckBox* CheckFormView;
    QCheckBox* CheckFormHit;

    QPushButton* BtnFileCansel;
    QPushButton* BtnFileSave;
    QLineEdit* EditFileResum;
    QLineEdit* EditSearchResum;
    QLineEdit* EditJumpResum;
    QLineEdit* EditShioriResum;
    QLineEdit* EditResumResum;

    QPushButton* BtnDispCansel;
    QPushButton* BtnDispSave;
    QCheckBox* CheckWrapChar;
    QLineEdit* EditWrapChar;
    QCheckBox* CheckTabChar;
    QLineEdit* EditTabChar;
    QCheckBox* CheckFindScroll;
    QLineEdit* EditFindScroll;
    QCheckBox* CheckScrollSense;
    QLineEdit* EditScrollSense;
    QCheckBox* CheckCloseDialog;
    QCheckBox* CheckAutoResum;
    QCheckBox* CheckAutoResumJump;

    void BtnFormSaveClick();
    void BtnFileSaveClick();
    void BtnDispSaveClick();
    void BtnFormCanselClick();
    void BtnFileCanselClick();
    void BtnDispCanselClick();

    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* BuildPlacementPage();
    QWidget* BuildHistoryPage();
    QWidget* BuildDisplayPage();
    void FillFromMirror();
    void FormKeyDown(QKeyEvent* event);
    void FormClose();
    // The placement check boxes in the order of the mirror's windows.
    std::array<QCheckBox*, pelto::kPlacementWindowCount> PlacementChecks() const;
    std::array<QLineEdit*, 5> HistoryEdits() const;

    TForm1& Main;
};
