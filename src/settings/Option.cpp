#include "settings/Option.h"

#include "app/Main.h"
#include "platform/Dialogs.h"
#include "positions/BookmarkTable.h"
#include "positions/ResumeTable.h"
#include "settings/OptionRules.h"
#include "view/BigView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <optional>

namespace {

const QString kBackToMainQuestion = QStringLiteral("    メイン画面に戻りますか。   ");

QPushButton* MakeButton(QWidget* parent, const char* caption, const char* name)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter does nothing in this dialog.
    button->setAutoDefault(false);
    return button;
}

QCheckBox* MakeCheck(QWidget* parent, const char* caption, const char* name)
{
    auto* check = new QCheckBox(QString::fromUtf8(caption), parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int maxLength)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    edit->setFixedWidth(60);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, const char* caption)
{
    return new QLabel(QString::fromUtf8(caption), parent);
}

// Cancel on the left, save on the right, at the top of a page.
QHBoxLayout* ButtonRow(QPushButton* cancel, QPushButton* save)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancel);
    row->addWidget(save);
    return row;
}

QString Text(const std::string& value)
{
    return QString::fromStdString(value);
}

std::string Value(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

}  // namespace

TForm2::TForm2(TForm1& main, QWidget* parent) : QDialog(parent), Main(main)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Pelto (各種設定)"));
    setFont(pelto::WindowFont());

    TabNote = new QTabWidget(this);
    TabNote->setObjectName(QStringLiteral("TabNote"));
    // All three page captions stay in view: the dialog grows to fit them.
    TabNote->setUsesScrollButtons(false);
    TabNote->addTab(BuildPlacementPage(), QStringLiteral("　画面表示位置　"));
    TabNote->addTab(BuildHistoryPage(), QStringLiteral("　　履歴設定　　"));
    TabNote->addTab(BuildDisplayPage(), QStringLiteral("　表示情報設定　"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabNote);

    connect(BtnFormSave, &QPushButton::clicked, this, &TForm2::BtnFormSaveClick);
    connect(BtnFileSave, &QPushButton::clicked, this, &TForm2::BtnFileSaveClick);
    connect(BtnDispSave, &QPushButton::clicked, this, &TForm2::BtnDispSaveClick);
    connect(BtnFormCansel, &QPushButton::clicked, this, &TForm2::BtnFormCanselClick);
    connect(BtnFileCansel, &QPushButton::clicked, this, &TForm2::BtnFileCanselClick);
    connect(BtnDispCansel, &QPushButton::clicked, this, &TForm2::BtnDispCanselClick);

    FillFromMirror();
    adjustSize();
    setFixedSize(size());
}

QWidget* TForm2::BuildPlacementPage()
{
    auto* page = new QWidget;
    BtnFormCansel = MakeButton(page, "ｷｬﾝｾﾙ", "BtnFormCansel");
    BtnFormSave = MakeButton(page, "保存(&S)", "BtnFormSave");
    CheckFormMain = MakeCheck(page, "メイン(&M)", "CheckFormMain");
    CheckFormFile = MakeCheck(page, "ファイル一覧(&F)", "CheckFormFile");
    CheckFormTitle = MakeCheck(page, "発言タイトル一覧(&T)", "CheckFormTitle");
    CheckFormShiori = MakeCheck(page, "しおり一覧(&O)", "CheckFormShiori");
    CheckFormResum = MakeCheck(page, "レジュームファイル一覧(&R)", "CheckFormResum");
    CheckFormTree = MakeCheck(page, "発言タイトルツリー一覧(&U)", "CheckFormTree");
    CheckFormView = MakeCheck(page, "ツリー発言(&V)", "CheckFormView");
    CheckFormHit = MakeCheck(page, "検索一覧(&L)", "CheckFormHit");

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(ButtonRow(BtnFormCansel, BtnFormSave));
    for (QCheckBox* check : {CheckFormMain, CheckFormFile, CheckFormTitle, CheckFormShiori, CheckFormResum,
                             CheckFormTree, CheckFormView, CheckFormHit})
        layout->addWidget(check);
    layout->addStretch(1);
    return page;
}

QWidget* TForm2::BuildHistoryPage()
{
    auto* page = new QWidget;
    BtnFileCansel = MakeButton(page, "ｷｬﾝｾﾙ", "BtnFileCansel");
    BtnFileSave = MakeButton(page, "保存(&S)", "BtnFileSave");
    EditFileResum = MakeEdit(page, "EditFileResum", 1);
    EditSearchResum = MakeEdit(page, "EditSearchResum", 2);
    EditJumpResum = MakeEdit(page, "EditJumpResum", 1);
    EditShioriResum = MakeEdit(page, "EditShioriResum", 1);
    EditResumResum = MakeEdit(page, "EditResumResum", 2);

    struct Row {
        const char* caption;
        QLineEdit* edit;
        const char* range;
    };
    const Row rows[] = {
        {"ファイル履歴", EditFileResum, "(0-9)"},   {"検索履歴", EditSearchResum, "(0-32)"},
        {"ジャンプ履歴", EditJumpResum, "(0-9)"},   {"しおり履歴", EditShioriResum, "(0-9)"},
        {"レジューム履歴", EditResumResum, "(0-64)"},
    };
    auto* grid = new QGridLayout;
    int gridRow = 0;
    for (const Row& row : rows) {
        auto* accelerator = new QLabel(QStringLiteral("設定値(&%1)").arg(gridRow + 1), page);
        accelerator->setBuddy(row.edit);
        grid->addWidget(MakeLabel(page, row.caption), gridRow, 0);
        grid->addWidget(accelerator, gridRow, 1);
        grid->addWidget(row.edit, gridRow, 2);
        grid->addWidget(MakeLabel(page, row.range), gridRow, 3);
        ++gridRow;
    }
    grid->setColumnStretch(4, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(ButtonRow(BtnFileCansel, BtnFileSave));
    layout->addLayout(grid);
    layout->addWidget(MakeLabel(page, "( 設定値が 0 の時は履歴項目のクリア )"));
    layout->addStretch(1);
    return page;
}

QWidget* TForm2::BuildDisplayPage()
{
    auto* page = new QWidget;
    BtnDispCansel = MakeButton(page, "ｷｬﾝｾﾙ", "BtnDispCansel");
    BtnDispSave = MakeButton(page, "保存(&S)", "BtnDispSave");
    CheckWrapChar = MakeCheck(page, "折り返し文字数(&C)", "CheckWrapChar");
    EditWrapChar = MakeEdit(page, "EditWrapChar", 3);
    CheckTabChar = MakeCheck(page, "タブ幅(&T)", "CheckTabChar");
    EditTabChar = MakeEdit(page, "EditTabChar", 2);
    CheckFindScroll = MakeCheck(page, "検索後のスクロール(&K)", "CheckFindScroll");
    EditFindScroll = MakeEdit(page, "EditFindScroll", 0);
    CheckScrollSense = MakeCheck(page, "１行のスクロール速度(&V)", "CheckScrollSense");
    EditScrollSense = MakeEdit(page, "EditScrollSense", 0);
    CheckCloseDialog = MakeCheck(page, "終了時の確認表示(&E)", "CheckCloseDialog");
    CheckAutoResum = MakeCheck(page, "終了時にレジューム情報を書き込む(&R)", "CheckAutoResum");
    CheckAutoResumJump = MakeCheck(page, "起動時にレジューム行にジャンプする(&J)", "CheckAutoResumJump");

    struct Row {
        QCheckBox* check;
        QLineEdit* edit;
        const char* range;
    };
    const Row rows[] = {
        {CheckWrapChar, EditWrapChar, "(2-255)"},
        {CheckTabChar, EditTabChar, "(1-16)"},
        {CheckFindScroll, EditFindScroll, "(0-16)"},
        {CheckScrollSense, EditScrollSense, "(1-10)"},
    };
    auto* grid = new QGridLayout;
    int gridRow = 0;
    for (const Row& row : rows) {
        grid->addWidget(row.check, gridRow, 0);
        grid->addWidget(row.edit, gridRow, 1);
        grid->addWidget(MakeLabel(page, row.range), gridRow, 2);
        ++gridRow;
    }
    for (QCheckBox* check : {CheckCloseDialog, CheckAutoResum, CheckAutoResumJump})
        grid->addWidget(check, gridRow++, 0, 1, 3);
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(ButtonRow(BtnDispCansel, BtnDispSave));
    layout->addLayout(grid);
    layout->addStretch(1);
    return page;
}

std::array<QCheckBox*, pelto::kPlacementWindowCount> TForm2::PlacementChecks() const
{
    // Indexed like the mirror's placement table.
    std::array<QCheckBox*, pelto::kPlacementWindowCount> checks{};
    checks[pelto::kFormMain] = CheckFormMain;
    checks[pelto::kFormShiori] = CheckFormShiori;
    checks[pelto::kFormFile] = CheckFormFile;
    checks[pelto::kFormTitle] = CheckFormTitle;
    checks[pelto::kFormResum] = CheckFormResum;
    checks[pelto::kFormTree] = CheckFormTree;
    checks[pelto::kFormView] = CheckFormView;
    checks[pelto::kFormHit] = CheckFormHit;
    return checks;
}

std::array<QLineEdit*, 5> TForm2::HistoryEdits() const
{
    return {EditFileResum, EditSearchResum, EditJumpResum, EditShioriResum, EditResumResum};
}

void TForm2::FillFromMirror()
{
    const pelto::Settings& mirror = Main.Mirror;
    const auto placementChecks = PlacementChecks();
    for (int window = 0; window < pelto::kPlacementWindowCount; ++window)
        placementChecks[window]->setChecked(mirror.Placement[window].Mem);

    const pelto::HistoryTexts texts = pelto::HistoryTextsOf(mirror);
    const std::array<QLineEdit*, 5> edits = HistoryEdits();
    for (int field = 0; field < pelto::kHistoryFieldCount; ++field)
        edits[field]->setText(Text(texts[field]));

    CheckWrapChar->setChecked(mirror.CheckWrapChar);
    CheckTabChar->setChecked(mirror.CheckTabChar);
    CheckFindScroll->setChecked(mirror.CheckFindScroll);
    CheckScrollSense->setChecked(mirror.CheckScrollSense);
    CheckCloseDialog->setChecked(mirror.CheckCloseDialog);
    CheckAutoResum->setChecked(mirror.CheckAutoResum);
    CheckAutoResumJump->setChecked(mirror.CheckAutoResumJump);
    EditWrapChar->setText(Text(mirror.EditWrapChar));
    EditTabChar->setText(Text(mirror.EditTabChar));
    EditFindScroll->setText(Text(mirror.EditFindScroll));
    EditScrollSense->setText(Text(mirror.EditScrollSense));
}

// ---------------------------------------------------------------------------
// Saving

void TForm2::BtnFormSaveClick()
{
    // The flags reach the file with the placements at shutdown.
    const auto placementChecks = PlacementChecks();
    for (int window = 0; window < pelto::kPlacementWindowCount; ++window)
        Main.Mirror.Placement[window].Mem = placementChecks[window]->isChecked();
    accept();
}

void TForm2::BtnFileSaveClick()
{
    pelto::HistoryTexts texts;
    const std::array<QLineEdit*, 5> edits = HistoryEdits();
    for (int field = 0; field < pelto::kHistoryFieldCount; ++field)
        texts[field] = Value(edits[field]);

    // Every field is checked before any list is cut: a refused save must not
    // shorten the lists that shutdown writes later.
    const pelto::HistoryCheck check = pelto::CheckHistoryFields(texts);
    for (const std::string& message : check.messages)
        pelto::ShowOkInformation(this, QString::fromStdString(message));
    if (!check.Valid())
        return;

    // The shared lists are cut as the file holds them now, so records that
    // another running copy stored meanwhile are kept.
    pelto::IniFile file = pelto::SettingsIniFile();
    pelto::ResumeTable resumeTable = pelto::ReadResumeTable(file);
    pelto::BookmarkTable fileBookmarks = pelto::ReadBookmarkTable(file);

    pelto::ApplyHistoryLengths(Main.Mirror, texts, check.lengths, resumeTable, fileBookmarks);
    Main.RefreshRecentFileMenu();
    pelto::WriteHistoryPage(file, Main.Mirror, fileBookmarks, resumeTable);
    accept();
}

void TForm2::BtnDispSaveClick()
{
    pelto::Settings& mirror = Main.Mirror;
    pelto::TBigView* view = Main.BigView1;
    mirror.CheckWrapChar = CheckWrapChar->isChecked();
    mirror.CheckTabChar = CheckTabChar->isChecked();
    mirror.CheckFindScroll = CheckFindScroll->isChecked();
    mirror.CheckScrollSense = CheckScrollSense->isChecked();
    mirror.CheckCloseDialog = CheckCloseDialog->isChecked();
    mirror.CheckAutoResum = CheckAutoResum->isChecked();
    mirror.CheckAutoResumJump = CheckAutoResumJump->isChecked();

    // Each valid field takes effect at once, so the view shows what the
    // values do even while another field still needs correcting.
    bool invalid = false;
    auto field = [&](QLineEdit* edit, pelto::DisplayField which, std::string& setting) -> std::optional<int> {
        const std::string text = Value(edit);
        const std::optional<int> value = pelto::CheckNumberField(text, pelto::kDisplayFieldRules[which]);
        if (!value) {
            invalid = true;
            pelto::ShowOkInformation(this, QString::fromUtf8(pelto::kDisplayFieldRules[which].message));
            return std::nullopt;
        }
        setting = text;
        return value;
    };
    if (const std::optional<int> wrap = field(EditWrapChar, pelto::kDisplayWrapChar, mirror.EditWrapChar)) {
        view->SetWordWrap(mirror.CheckWrapChar);
        view->SetWrapByte(*wrap);
    }
    if (const std::optional<int> tab = field(EditTabChar, pelto::kDisplayTabChar, mirror.EditTabChar))
        view->SetViewTabStop(mirror.CheckTabChar ? *tab : 0);
    if (const std::optional<int> rows = field(EditFindScroll, pelto::kDisplayFindScroll, mirror.EditFindScroll))
        Main.FindScrollRows = mirror.CheckFindScroll ? *rows : 0;
    if (const std::optional<int> sense = field(EditScrollSense, pelto::kDisplayScrollSense, mirror.EditScrollSense))
        view->SetScrollSense(mirror.CheckScrollSense ? *sense : 1);
    Main.RebuildTitle();
    if (invalid)
        return;

    pelto::IniFile file = pelto::SettingsIniFile();
    pelto::WriteDisplayPage(file, mirror);
    accept();
}

void TForm2::BtnFormCanselClick()
{
    reject();
}

void TForm2::BtnFileCanselClick()
{
    reject();
}

void TForm2::BtnDispCanselClick()
{
    reject();
}

// ---------------------------------------------------------------------------
// Keys and closing

void TForm2::keyPressEvent(QKeyEvent* event)
{
    FormKeyDown(event);
}

void TForm2::FormKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape) {
        // No button is a default one, so Enter presses nothing.
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    if (pelto::AskYesNo(this, kBackToMainQuestion) == pelto::Answer::Yes)
        reject();
}

void TForm2::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TForm2::FormClose()
{
    Main.OptionPage = TabNote->currentIndex();
}
