#include "launcher/Apliset.h"

#include "app/Dialgdsp.h"
#include "launcher/ApliEdit.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <exception>

namespace {

const QString kLimitMessage = QStringLiteral("    設定個数は ９ 個までです。          ");

}  // namespace

namespace pelto {

void ShowOkWarning(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), DialogDisplayText(text), QMessageBox::NoButton,
                    parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = box.addButton(QString::fromUtf8(kOkCaption), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

}  // namespace pelto

TForm11::TForm11(const pelto::LauncherSlots& entries, QWidget* parent) : QDialog(parent), work_(entries)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Pelto (ﾗﾝﾁｬｰ設定)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(12, 12, 300, 300);

    int top = 12;
    auto button = [this, &top](const char* name, const char* caption, int gapAfter = 0) {
        auto* created = new QPushButton(QString::fromUtf8(caption), this);
        created->setObjectName(QString::fromUtf8(name));
        created->setAutoDefault(false);
        created->setGeometry(324, top, 130, 28);
        top += 30 + gapAfter;
        return created;
    };
    BtnOk = button("BtnOk", "OK(&O)");
    BtnCansel = button("BtnCansel", "ｷｬﾝｾﾙ", 10);
    BtnAdd = button("BtnAdd", "新規追加(&N)...");
    BtnEdit = button("BtnEdit", "編集(&E)...", 10);
    BtnUp = button("BtnUp", "一つ上へ");
    BtnDown = button("BtnDown", "一つ下へ", 10);
    BtnCut = button("BtnCut", "ｶｯﾄ(&X)");
    BtnCopy = button("BtnCopy", "ｺﾋﾟｰ(&C)");
    BtnPaste = button("BtnPaste", "張り付け(&V)");
    BtnDel = button("BtnDel", "削除(&D)");

    connect(BtnOk, &QPushButton::clicked, this, &TForm11::BtnOkClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnAdd, &QPushButton::clicked, this, &TForm11::BtnAddClick);
    connect(BtnEdit, &QPushButton::clicked, this, &TForm11::BtnEditClick);
    connect(BtnUp, &QPushButton::clicked, this, &TForm11::BtnUpClick);
    connect(BtnDown, &QPushButton::clicked, this, &TForm11::BtnDownClick);
    connect(BtnCut, &QPushButton::clicked, this, &TForm11::BtnCutClick);
    connect(BtnCopy, &QPushButton::clicked, this, &TForm11::BtnCopyClick);
    connect(BtnPaste, &QPushButton::clicked, this, &TForm11::BtnPasteClick);
    connect(BtnDel, &QPushButton::clicked, this, &TForm11::BtnDelClick);

    // Paste waits for the first cut or copy.
    BtnPaste->setEnabled(false);
    Refill(0);
    setFixedSize(466, std::max(top, 312) + 12);
    ListBox1->setFocus();
}

int TForm11::UsedCount() const
{
    return static_cast<int>(std::count_if(work_.begin(), work_.end(),
                                          [](const pelto::LauncherEntry& entry) { return !entry.IsFree(); }));
}

int TForm11::SelectedEntry() const
{
    const int row = ListBox1->currentRow();
    return row >= 0 && row < UsedCount() ? row : -1;
}

void TForm11::Refill(int selected)
{
    ListBox1->clear();
    for (const pelto::LauncherEntry& entry : work_) {
        if (!entry.IsFree())
            ListBox1->addItem(QString::fromStdString(entry.Title));
    }
    if (ListBox1->count() == 0) {
        ListBox1->addItem(QString());
        selected = 0;
    }
    ListBox1->setCurrentRow(std::clamp(selected, 0, ListBox1->count() - 1));
}

void TForm11::EditSlot(int index)
{
    pelto::LauncherEntry edited = work_[index];
    auto* editor = new TForm12(edited, this);
    pelto::CentreOnScreen(editor);
    if (editor->exec() == QDialog::Accepted)
        work_[index] = edited;
    delete editor;
    // The editor refuses an empty title, so the slots stay packed; pack anyway
    // so a list position can never name the wrong slot.
    work_ = pelto::PackLauncherSlots(work_);
}

void TForm11::RemoveSlot(int index)
{
    std::move(work_.begin() + index + 1, work_.end(), work_.begin() + index);
    work_.back() = {};
}

void TForm11::BtnAddClick()
{
    if (ListBox1->count() >= pelto::kLauncherCount) {
        pelto::ShowOkWarning(this, kLimitMessage);
        return;
    }
    EditSlot(UsedCount());
    Refill(ListBox1->count());   // clamped to the last item
}

void TForm11::BtnEditClick()
{
    const int row = ListBox1->currentRow();
    if (row < 0)
        return;
    // The empty item of an empty list edits slot 1.
    EditSlot(std::min(row, UsedCount()));
    Refill(row);
}

void TForm11::BtnUpClick()
{
    const int entry = SelectedEntry();
    if (entry <= 0)
        return;
    std::swap(work_[entry], work_[entry - 1]);
    Refill(entry - 1);
}

void TForm11::BtnDownClick()
{
    const int entry = SelectedEntry();
    if (entry < 0 || entry + 1 >= UsedCount())
        return;
    std::swap(work_[entry], work_[entry + 1]);
    Refill(entry + 1);
}

void TForm11::BtnCopyClick()
{
    const int entry = SelectedEntry();
    if (entry < 0)
        return;
    clipboard_ = work_[entry];
    BtnPaste->setEnabled(true);
}

void TForm11::BtnCutClick()
{
    BtnCopyClick();
    BtnDelClick();
}

void TForm11::BtnDelClick()
{
    const int entry = SelectedEntry();
    if (entry < 0)
        return;
    // Deleting the last item selects the new last one.
    const int selected = entry == ListBox1->count() - 1 ? entry - 1 : entry;
    RemoveSlot(entry);
    Refill(selected);
}

void TForm11::BtnPasteClick()
{
    if (UsedCount() >= pelto::kLauncherCount) {
        pelto::ShowOkWarning(this, kLimitMessage);
        return;
    }
    const int row = ListBox1->currentRow();
    if (row < 0 || !clipboard_)
        return;
    const int at = std::min(row, UsedCount());
    // The free last slot makes room.
    std::move_backward(work_.begin() + at, work_.end() - 1, work_.end());
    work_[at] = *clipboard_;
    Refill(at);
}

void TForm11::BtnOkClick()
{
    try {
        pelto::IniFile file = pelto::SettingsIniFile();
        pelto::WriteLauncherSlots(file, work_);
    } catch (const std::exception& error) {
        // The entries stay in the dialog, to try again or cancel.
        pelto::Application::ShowErrorBox(QString::fromUtf8(error.what()));
        return;
    }
    accept();
}
