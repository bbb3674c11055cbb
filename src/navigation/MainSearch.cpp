// Text search and range copy.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "navigation/History.h"
#include "navigation/RangeCopy.h"
#include "navigation/Research.h"
#include "navigation/Search.h"
#include "navigation/SearchScan.h"
#include "platform/Application.h"
#include "platform/Clipboard.h"
#include "settings/IniFile.h"
#include "text/Cp932.h"
#include "text/NumberField.h"
#include "view/BigView.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <optional>

using pelto::SearchDirection;

namespace {

constexpr int kHitMarkerMs = 100;
constexpr int kCopyNoticeMs = 1000;

// Entries the dialog's list offers; a size written by hand above the table
// shows the whole table.
int HistorySizeShown(const pelto::Settings& mirror)
{
    return std::clamp(pelto::StrToIntDef(mirror.EditSearchResum, 9), 0, pelto::kFindHistoryCount);
}

}  // namespace

// ---------------------------------------------------------------------------
// Search

void TForm1::MenuFindClick()
{
    FindText().clear();
    HitTopRow = BigView1->TopRow();
    BigView1->SetCaret(false);
    HitShown = false;
    Timer1->stop();

    auto direction = static_cast<SearchDirection>(FindDirection);
    {
        TForm4 dialog(Mirror.FindHistory, FindCaseSensitive(), direction, HistorySizeShown(Mirror), this);
        pelto::CentreOnScreen(&dialog);
        dialog.exec();
    }
    FindDirection = static_cast<int>(direction);

    if (!FindText().empty()) {
        FindDone = true;
        SearchFrom(BigView1->TopRow(), FindDirection, false);
        MenuReFind->setEnabled(true);
        MenuReFindPrior->setEnabled(true);
        pelto::ShiftHistory(Mirror.FindHistory);
    }
    WriteFindSettings();
}

void TForm1::MenuReFindClick()
{
    RepeatSearch(static_cast<int>(SearchDirection::Next));
}

void TForm1::MenuReFindPriorClick()
{
    RepeatSearch(static_cast<int>(SearchDirection::Prior));
}

void TForm1::RepeatSearch(int direction)
{
    HitTopRow = BigView1->TopRow();
    BigView1->SetCaret(false);
    Timer1->stop();
    if (FindText().empty()) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kSearchTextNotSetMessage));
        return;
    }
    const int topRow = BigView1->TopRow();
    const int startRow = direction == static_cast<int>(SearchDirection::Next)
                             ? pelto::RepeatNextStartRow(HitShown, topRow, FindScrollRows, HitRow)
                             : pelto::RepeatPriorStartRow(HitShown, topRow, FindScrollRows, HitRow);
    SearchFrom(startRow, direction, true);
}

void TForm1::SearchFrom(int startRow, int direction, bool pause)
{
    std::optional<pelto::SearchHit> hit;
    // A string with a character the document's encoding lacks finds nothing.
    if (const std::optional<std::string> pattern = pelto::Utf8ToCp932(FindText())) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        hit = pelto::SearchRows(BigView1->Strings(), BigView1->Rows(), *pattern, startRow,
                                static_cast<SearchDirection>(direction), FindCaseSensitive());
        QApplication::restoreOverrideCursor();
    }
    if (!hit) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kSearchNotFoundMessage));
        return;
    }

    if (pause) {
        TForm14 pauseWindow(this);
        pauseWindow.move(pos());
        pauseWindow.exec();
    }

    HitRow = hit->Row + 1;
    BigView1->SetTopRow(pelto::HitTopRow(hit->Row, FindScrollRows));
    HitTopRow = BigView1->TopRow();
    // With wrapping off the hit can lie beyond the right edge: bring it in.
    const std::string rowText = BigView1->RowText(hit->Row);
    const int64_t hitX = BigView1->TabbedWidth(std::string_view(rowText).substr(0, hit->Position - 1));
    const int64_t left = static_cast<int64_t>(BigView1->LeftColumn()) * BigView1->CharWidth();
    const int64_t width = BigView1->ClientRect().width();
    if (hitX < left || hitX + 2 * BigView1->CharWidth() > left + width)
        BigView1->SetLeftColumn(static_cast<int>(std::max<int64_t>(hitX - width / 2, 0) / BigView1->CharWidth()));
    BigView1->SetCaretPos({hit->Position, hit->Row});
    HitShown = true;
    Timer1->start(kHitMarkerMs);
    BigView1->SetCaret(true);
    setWindowTitle(TitleText() + QString::fromStdString(pelto::SearchHitCaption(
                                     HitRow, BigView1->LineOfRow(hit->Row) + 1, hit->Position)));
}

void TForm1::WriteFindSettings()
{
    try {
        pelto::IniFile file = pelto::SettingsIniFile();
        file.WriteList(pelto::kSectionFindStrName,
                       std::vector<std::string>(Mirror.FindHistory.begin() + 1, Mirror.FindHistory.end()));
        file.WriteBool(pelto::kSectionSearchUperLower, "Set", FindCaseSensitive());
    } catch (const std::exception& error) {
        pelto::Application::ShowErrorBox(QString::fromUtf8(error.what()));
    }
}

void TForm1::Timer1Timer()
{
    // The marker stays until the user scrolls the view away from the hit.
    if (HitShown && BigView1->TopRow() != HitTopRow) {
        HitTopRow = BigView1->TopRow();
        BigView1->SetCaret(false);
        BigView1->Redraw();
        HitShown = false;
        Timer1->stop();
    }
}

// ---------------------------------------------------------------------------
// Range selection and copy

void TForm1::MenuSelectStartClick()
{
    if (!Selecting) {
        const std::array<QAction*, 22> items{
            MenuFile->menuAction(), MenuDisp->menuAction(), MenuLaunchExe, MenuSelectStart,
            MenuOption->menuAction(), PopFileOpen, PopExit, PopLaunchRun, PopFileGet, PopFileDisp,
            PopFileMinus, PopFilePlus, PopAllTitleGet, PopNewTitleGet, PopTitleDisp, PopTreeGet,
            PopTreeDisp, PopResumuSet, PopResumJump, PopShioriDisp, PopShioriSet, PopSelectStart,
        };
        SelectionDisabled.clear();
        for (QAction* item : items) {
            SelectionDisabled.emplace_back(item, item->isEnabled());
            item->setEnabled(false);
        }
    }
    Selecting = true;
    SelectStartLine = BigView1->LineOfRow(BigView1->TopRow()) + 1;
    setWindowTitle(QString::fromStdString(pelto::SelectionCaption(SelectStartLine, SelectStartLine)));
}

void TForm1::LeaveSelecting()
{
    if (!Selecting)
        return;
    // Items that were already off (no document yet) stay off.
    for (const auto& [item, wasEnabled] : SelectionDisabled)
        item->setEnabled(wasEnabled);
    SelectionDisabled.clear();
    // A document opened meanwhile brings its commands with it.
    if (!CurrentFileName.empty())
        EnableDocumentCommands(true);
    Selecting = false;
}

void TForm1::BigView1ViewLineChanged()
{
    if (!Selecting)
        return;
    setWindowTitle(QString::fromStdString(
        pelto::SelectionCaption(SelectStartLine, BigView1->LineOfRow(BigView1->TopRow()) + 1)));
}

void TForm1::MenuSelectEndClick()
{
    LeaveSelecting();
    SelectEndLine = BigView1->LineOfRow(BigView1->TopRow()) + 1;

    const pelto::RangeCopy copy = pelto::BuildRangeCopy(BigView1->Strings(), SelectStartLine, SelectEndLine);
    if (copy.Outcome != pelto::RangeCopyOutcome::Copied) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::RangeCopyMessage(copy.Outcome)));
    } else {
        setWindowTitle(QString::fromUtf8(pelto::kCopyingCaption));
        pelto::PutClipboardText(copy.Text);
        // Keep the notice up for a second; input waits in the queue meanwhile.
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() <= kCopyNoticeMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(10);
        }
    }
    RebuildTitle();
}

void TForm1::SelectCancel()
{
    if (!Selecting)
        return;
    LeaveSelecting();
    RebuildTitle();
}
