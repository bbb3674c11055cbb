#pragma once
// The launcher settings dialog: lists the nine slots' titles and adds, edits,
// moves, cuts, copies, pastes and deletes entries, keeping them packed.

#include <QDialog>

#include <optional>

#include "launcher/Launcher.h"

class QListWidget;
class QPushButton;

namespace pelto {
// A warning with a single OK button (the launcher's limit and editor checks).
void ShowOkWarning(QWidget* parent, const QString& text);
}

class TForm11 : public QDialog {
    Q_OBJECT
public:
    // Works on a copy of `entries`; "OK" writes it to the settings file.
    explicit TForm11(const pelto::LauncherSlots& entries, QWidget* parent = nullptr);

    // The slots as the dialog holds them now (slot 1 at element 0).
    const pelto::LauncherSlots& Slots() const { return work_; }

    QListWidget* ListBox1 = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCansel = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnEdit = nullptr;
    QPushButton* BtnUp = nullptr;
    QPushButton* BtnDown = nullptr;
    QPushButton* BtnCut = nullptr;
    QPushButton* BtnCopy = nullptr;
    QPushButton* BtnPaste = nullptr;
    QPushButton* BtnDel = nullptr;

private:
    void BtnOkClick();
    void BtnAddClick();
    void BtnEditClick();
    void BtnUpClick();
    void BtnDownClick();
    void BtnCutClick();
    void BtnCopyClick();
    void BtnPasteClick();
    void BtnDelClick();

    // Refills the list from the slots and selects `selected` (or the empty
    // item when no slot is used).
    void Refill(int selected);
    int UsedCount() const;
    // The selected item when it shows a used slot, else -1 (the empty item
    // shown for no entries is no slot).
    int SelectedEntry() const;
    // Runs the entry editor on slot `index` (0-based).
    void EditSlot(int index);
    // Takes slot `index` out, the slots after it move up, a free one comes last.
    void RemoveSlot(int index);

    pelto::LauncherSlots work_;
    std::optional<pelto::LauncherEntry> clipboard_;
};
