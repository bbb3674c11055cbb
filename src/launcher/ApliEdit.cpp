#include "launcher/ApliEdit.h"

#include "launcher/Apliset.h"
#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString kNoTitle = QStringLiteral("    タイトル名は必ず指定してください。          ");
const QString kNoProgram = QStringLiteral("    実行ファイル名は必ず指定してください。          ");

}  // namespace

TForm12::TForm12(pelto::LauncherEntry& entry, QWidget* parent) : QDialog(parent), entry_(entry)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Pelto (ﾗﾝﾁｬｰ編集)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const std::array<std::pair<const char*, const char*>, 5> fields{{
        {"Edit1", "ﾌﾟﾛｸﾞﾗﾑﾀｲﾄﾙ"},
        {"Edit2", "実行ﾌｧｲﾙ名"},
        {"Edit3", "ｵﾌﾟｼｮﾝ"},
        {"Edit4", "実行ﾃﾞｨﾚｸﾄﾘ"},
        {"Edit5", "起動ｼｮｰﾄｶｯﾄ"},
    }};
    const std::array<QString, 5> values{
        QString::fromStdString(entry.Title), QString::fromStdString(entry.Program),
        QString::fromStdString(entry.Option), QString::fromStdString(entry.Folder),
        QString::fromStdString(pelto::ShownShortCut(entry.ShortCut))};
    std::array<QLineEdit*, 5> edits{};
    for (size_t index = 0; index < fields.size(); ++index) {
        const int top = 14 + static_cast<int>(index) * 34;
        auto* label = new QLabel(QString::fromUtf8(fields[index].second), this);
        label->setGeometry(12, top + 2, 120, 24);
        auto* edit = new QLineEdit(values[index], this);
        edit->setObjectName(QString::fromUtf8(fields[index].first));
        edit->setGeometry(136, top, 400, 26);
        label->setBuddy(edit);
        edits[index] = edit;
    }
    Edit1 = edits[0];
    Edit2 = edits[1];
    Edit3 = edits[2];
    Edit4 = edits[3];
    Edit5 = edits[4];

    auto button = [this](const char* name, const char* caption, int left) {
        auto* created = new QPushButton(QString::fromUtf8(caption), this);
        created->setObjectName(QString::fromUtf8(name));
        created->setAutoDefault(false);
        created->setGeometry(left, 190, 110, 28);
        return created;
    };
    BtnOk = button("BtnOk", "OK(&O)", 136);
    BtnCansel = button("BtnCansel", "ｷｬﾝｾﾙ", 256);
    BtnRef = button("BtnRef", "参照(&B)...", 426);
    connect(BtnOk, &QPushButton::clicked, this, &TForm12::BtnOkClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnRef, &QPushButton::clicked, this, &TForm12::BtnRefClick);

    setFixedSize(550, 232);
    Edit1->setFocus();
}

void TForm12::BtnOkClick()
{
    if (Edit1->text().isEmpty()) {
        pelto::ShowOkWarning(this, kNoTitle);
        return;
    }
    if (Edit2->text().isEmpty()) {
        pelto::ShowOkWarning(this, kNoProgram);
        return;
    }
    entry_.Title = Edit1->text().toStdString();
    entry_.Program = Edit2->text().toStdString();
    entry_.Option = Edit3->text().toStdString();
    entry_.Folder = Edit4->text().toStdString();
    entry_.ShortCut = pelto::StoredShortCut(Edit5->text().toStdString());
    accept();
}

void TForm12::ApplyChosenFile(const QString& path)
{
    const int slash = path.lastIndexOf(u'/');
    if (Edit1->text().isEmpty())
        Edit1->setText(path.mid(slash + 1));
    Edit2->setText(path);
    Edit3->clear();
    // A program in the root folder runs in "/", not in the viewer's own folder.
    Edit4->setText(slash < 0 ? QString() : slash == 0 ? QStringLiteral("/") : path.left(slash));
}

void TForm12::BtnRefClick()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The first filter is the one shown; a program without an extension is
    // one choice away under the last.
    dialog.setNameFilters({QStringLiteral("実行ﾌｧｲﾙ(EXE ; COM) (*.EXE *.COM)"),
                           QStringLiteral("実行ﾌｧｲﾙ(PIF ; BAT ; LNK) (*.PIF *.BAT *.LNK)"),
                           QStringLiteral("全ﾌｧｲﾙ(*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    ApplyChosenFile(dialog.selectedFiles().first());
}
