// Resume points and bookmarks.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "navigation/JumpRule.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"
#include "platform/NewInstance.h"
#include "positions/BookmarkTable.h"
#include "positions/Resumdsp.h"
#include "positions/ResumeTable.h"
#include "positions/Shiori.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>

#include <optional>

using namespace mainwin;

namespace {

const QString kResumeStored = QStringLiteral("    レジューム記憶が完了しました。   ");
const QString kResumeNameMismatch = QStringLiteral("    レジュームファイル名が一致していません。          ");
const QString kNewInstanceFailed = QStringLiteral("    Pelto.exe の新規起動に失敗しました。          ");
const QString kBookmarkStored = QStringLiteral("    しおり行の記憶が完了しました。   ");

}  // namespace

void TForm1::StoreResumeRecord()
{
    pelto::IniFile file = pelto::SettingsIniFile();
    pelto::StoreResumePoint(file, CurrentFileName, BigView1->LineOfRow(BigView1->TopRow()) + 1,
                            pelto::ResumeLimit(Mirror.EditResumResum));
}

void TForm1::MenuResumMemClick()
{
    if (CurrentFileName.empty())
        return;
    StoreResumeRecord();
    pelto::ShowNotice(this, kResumeStored);
}

void TForm1::MenuResumJumpClick()
{
    if (CurrentFileName.empty())
        return;
    // Read afresh: other copies may have stored since.
    ResumeTable = pelto::ReadResumeTable(pelto::SettingsIniFile());
    ResumeTable[0].clear();
    ResumeAction = 0;

    auto* list = new TForm20(this);
    pelto::ApplyListFont(list->ListBox1, BigView1->ViewFont());
    list->FillList(ResumeTable, pelto::ResumeLimit(Mirror.EditResumResum), CurrentFileName);
    pelto::WindowPlacement& placement = Mirror.Placement[pelto::kFormResum];
    pelto::PlaceListWindow(list, placement);
    list->exec();
    pelto::StoreListWindowBounds(list, placement);
    ResumeTable[0] = list->Chosen;
    ResumeAction = list->ResumeAction;
    delete list;

    if (ResumeTable[0].empty())
        return;
    long long line = 0;
    std::string name;
    std::optional<int32_t> topRow;
    if (pelto::ParseResumeEntry(ResumeTable[0], line, name))
        topRow = pelto::JumpTopRow(line, BigView1->Rows());
    if (!topRow) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kLineOutOfRangeMessage));
        return;
    }

    switch (ResumeAction) {
    case 0:
        if (name == CurrentFileName)
            BigView1->SetTopRow(*topRow);
        else
            pelto::ShowAbortWarning(this, kResumeNameMismatch);
        break;
    case 1:
        // The whole open sequence: the name changes only when the file loads,
        // and the stored line is shown when "CheckAutoResumJump" is on.
        OpenDocument(QString::fromStdString(name));
        break;
    case 2: {
        // The new copy starts where this one was started from: the folder of
        // its document, or the current folder when it was started with "/I"
        // (whose "/" names no folder).
        const QString firstArgument = QCoreApplication::arguments().value(1);
        const QString folder = IconStart ? QDir::currentPath() : pelto::FolderPartOf(firstArgument);
        if (!pelto::StartNewInstance(QString::fromStdString(name), folder))
            pelto::ShowAbortWarning(this, kNewInstanceFailed);
        break;
    }
    default:
        break;
    }
    RebuildTitle();
}

void TForm1::MenuShioriMemClick()
{
    if (CurrentFileName.empty())
        return;
    const int topRow = BigView1->TopRow();
    // An empty document has no row to quote.
    const std::string rowText = topRow < BigView1->RowCount() ? BigView1->RowText(topRow) : std::string();
    Mirror.BookmarkTable[0] = pelto::MakeBookmarkEntry(BigView1->LineOfRow(topRow) + 1, rowText);
    pelto::PushBookmark(Mirror.BookmarkTable);
    pelto::IniFile file = pelto::SettingsIniFile();
    pelto::WriteBookmarkTable(file, Mirror.BookmarkTable);
    pelto::ShowNotice(this, kBookmarkStored);
}

void TForm1::MenuShioriDispClick()
{
    if (CurrentFileName.empty())
        return;
    Mirror.BookmarkTable = pelto::ReadBookmarkTable(pelto::SettingsIniFile());
    Mirror.BookmarkTable[0].clear();

    auto* list = new TForm6(Mirror.BookmarkTable, pelto::BookmarkLimit(Mirror.EditShioriResum),
                            pelto::SettingsFilePath(), this);
    pelto::ApplyListFont(list->ListBox1, BigView1->ViewFont());
    list->FillList();
    pelto::WindowPlacement& placement = Mirror.Placement[pelto::kFormShiori];
    pelto::PlaceListWindow(list, placement);
    list->exec();
    pelto::StoreListWindowBounds(list, placement);
    delete list;

    const std::string& chosen = Mirror.BookmarkTable[0];
    if (chosen.empty())
        return;
    // A bookmark of another document moves this one to the same line number.
    long long line = 0;
    if (!pelto::BookmarkLine(chosen, line) || !ShowLineNumber(line)) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kLineOutOfRangeMessage));
        return;
    }
    RebuildTitle();
}
