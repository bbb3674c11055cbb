// The hit list of the document and of every file of the captured list.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "filelist/FileList.h"
#include "forum/SideFile.h"
#include "navigation/History.h"
#include "navigation/Hitdsp.h"
#include "navigation/HitList.h"
#include "navigation/JumpRule.h"
#include "navigation/Search.h"
#include "platform/LongStep.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"
#include "settings/ExePaths.h"
#include "text/Cp932.h"
#include "text/NumberField.h"
#include "view/BigView.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>

#include <algorithm>
#include <functional>
#include <exception>
#include <memory>

namespace {

// How often a long search shows its progress and looks for Escape.
constexpr qint64 kProgressIntervalMs = 100;

const QString kNoPostNotice = QStringLiteral("    この行を含む発言はありません。   ");

// While the hits are gathered the title shows progress and Escape stops the
// search, keeping what was found. Other keys and clicks are dropped, and a
// dropped file or a close request is refused, until the search is over.
class HitSearchGuard : public pelto::LongStepGuard {
public:
    bool Cancelled() const { return cancelled_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                cancelled_ = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            event->ignore();
            return true;
        default:
            return LongStepGuard::eventFilter(watched, event);  // drops and close requests
        }
    }

private:
    bool cancelled_ = false;
};

// The progress of one search: the title now and then, and Escape.
class HitProgress {
public:
    explicit HitProgress(QWidget* window) : window_(window) { sinceShown_.start(); }

    bool KeepGoing(const QString& caption)
    {
        if (sinceShown_.elapsed() < kProgressIntervalMs)
            return !guard_.Cancelled();
        window_->setWindowTitle(caption);
        QCoreApplication::processEvents();
        sinceShown_.start();
        return !guard_.Cancelled();
    }

private:
    QWidget* window_;
    HitSearchGuard guard_;
    QElapsedTimer sinceShown_;
};

} // namespace

// The search dialog as F shows it; false when it was cancelled. The string
// goes to the history and the settings as after F.
static bool AskHitPattern(TForm1& form, std::string& cp932Pattern, bool& patternUsable)
{
    form.FindText().clear();
    auto direction = static_cast<pelto::SearchDirection>(form.FindDirection);
    {
        const int historySize = std::clamp(pelto::StrToIntDef(form.Mirror.EditSearchResum, 9), 0,
                                           pelto::kFindHistoryCount);
        TForm4 dialog(form.Mirror.FindHistory, form.FindCaseSensitive(), direction, historySize, &form);
        pelto::CentreOnScreen(&dialog);
        dialog.exec();
    }
    form.FindDirection = static_cast<int>(direction);
    const bool given = !form.FindText().empty();
    if (given) {
        // A character the document's encoding lacks finds nothing.
        const std::optional<std::string> bytes = pelto::Utf8ToCp932(form.FindText());
        patternUsable = bytes.has_value();
        cp932Pattern = bytes.value_or(std::string());
        // N and P go on from here as after F.
        form.FindDone = true;
        form.MenuReFind->setEnabled(true);
        form.MenuReFindPrior->setEnabled(true);
        pelto::ShiftHistory(form.Mirror.FindHistory);
    }
    form.WriteFindSettings();
    return given;
}

static void ShowHitList(TForm1& form, pelto::HitListing listing, bool folder, double seconds)
{
    form.RebuildTitle();
    if (listing.Hits.empty()) {
        if (!listing.Cancelled)
            pelto::ShowNotice(&form, QString::fromUtf8(pelto::kSearchNotFoundMessage));
        return;
    }
    if (form.HitListWindow)
        form.HitListWindow->close();
    const QString status = QString::fromStdString(pelto::HitStatusText(listing, seconds));
    auto* window = new TFormHit(form, std::move(listing), folder, status);
    form.HitListWindow = window;
    window->Place();
    window->show();
    window->raise();
    window->activateWindow();
}

// Asks for the pattern, lists what search finds among files (it is given
// the listing to fill, the matcher and the progress), and shows the list.
static void ListHits(TForm1& form, std::vector<std::string> files, bool folder,
                     const std::function<void(pelto::HitListing&, const pelto::LineMatcher&, HitProgress&)>& search)
{
    std::string pattern;
    bool usable = false;
    if (!AskHitPattern(form, pattern, usable))
        return;
    QElapsedTimer timer;
    timer.start();
    pelto::HitListing listing;
    listing.Files = std::move(files);
    if (usable) {
        HitProgress progress(&form);
        search(listing, pelto::LineMatcher(pattern, form.FindCaseSensitive()), progress);
    }
    ShowHitList(form, std::move(listing), folder, timer.elapsed() / 1000.0);
}

void TForm1::MenuHitListClick()
{
    if (CurrentFileName.empty())
        return;
    ListHits(*this, {CurrentFileName}, false,
             [this](pelto::HitListing& listing, const pelto::LineMatcher& matcher, HitProgress& progress) {
                 const double lines = std::max(1, BigView1->Strings().Count());
                 pelto::AddDocumentHits(listing, 0, BigView1->Strings(), matcher, [&](int32_t line) {
                     return progress.KeepGoing(QStringLiteral("  検索一覧 作成中(%1%)  ")
                                                   .arg(static_cast<int>(100 * line / lines)));
                 });
             });
}

void TForm1::MenuGrepAllClick()
{
    const std::string listPath = pelto::SideFilePath(".DIR");
    const std::optional<pelto::FileListing> files = pelto::ReadFileList(listPath);
    if (!files) {
        pelto::ShowAbortWarning(this, QStringLiteral("   ") + QString::fromStdString(listPath)
                                          + QStringLiteral(" の指定されたファイルが存在しません。          "));
        return;
    }
    std::vector<std::string> paths;
    for (int index = 0; index < files->Count(); ++index)
        paths.push_back(files->PathAt(index));
    const int count = files->Count();
    ListHits(*this, std::move(paths), true,
             [count](pelto::HitListing& listing, const pelto::LineMatcher& matcher, HitProgress& progress) {
                 pelto::AddFilesHits(listing, matcher, [&](int file, int32_t) {
                     return progress.KeepGoing(QStringLiteral("  全ﾌｧｲﾙ検索中(%1/%2)  ").arg(file + 1).arg(count));
                 });
             });
}

void TForm1::HitListJump(const std::string& file, int64_t line, size_t offset)
{
    if (file != CurrentFileName) {
        // The document being replaced keeps its place, as when a file is dropped.
        KeepPlaceBeforeReplacing();
        if (!OpenDocument(QString::fromStdString(file), kOpenCheckExists | kOpenRecentFiles))
            return;
    }
    if (line >= BigView1->LineCount() || !ShowLineNumber(line + 1)) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kLineOutOfRangeMessage));
        return;
    }
    // The jump shows the last row of a wrapped line at the top; the row with
    // the match must stay in sight.
    const pelto::RowTable& rows = BigView1->Rows();
    const auto line32 = static_cast<int32_t>(line);
    int32_t matchRow = rows.RowOfLine(line32);
    const int32_t endRow = line32 + 1 < rows.LineCount() ? rows.RowOfLine(line32 + 1) : rows.RowCount();
    while (matchRow + 1 < endRow && rows.Row(matchRow + 1).Start - 1 <= static_cast<int64_t>(offset))
        ++matchRow;
    if (matchRow < BigView1->TopRow())
        BigView1->SetTopRow(matchRow);
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    BigView1->setFocus();
}

void TForm1::HitListShowPost(const std::string& file, int64_t line)
{
    const pelto::TBvStrings* store = &BigView1->Strings();
    std::unique_ptr<pelto::TBvStrings> other;
    if (file != CurrentFileName) {
        other = std::make_unique<pelto::TBvStrings>();
        try {
            other->LoadFromFile(file);
        } catch (const std::exception&) {
            pelto::ShowAbortWarning(this, mainwin::kFileUnreadable);
            return;
        }
        store = other.get();
    }
    const std::optional<std::string> post = pelto::HitPostText(pelto::DocumentLines::Of(*store), line, file);
    other.reset();
    if (!post) {
        pelto::ShowNotice(this, kNoPostNotice);
        return;
    }
    TreeFileName = pelto::WorkFilePath(4);
    std::string error;
    if (!pelto::WriteSideFile(TreeFileName, *post, error)) {
        pelto::Application::ShowErrorBox(QString::fromStdString(error));
        return;
    }
    TreePostsShow();
}
