// Post titles, the reply tree and its windows.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/SideFile.h"
#include "forum/ThreadCut.h"
#include "forum/Titledsp.h"
#include "forum/Treedsp.h"
#include "forum/Treeview.h"
#include "navigation/JumpRule.h"
#include "platform/LongStep.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>

#include <exception>

using namespace mainwin;

namespace {

// How often the tree build shows its progress and lets the title reach the screen.
constexpr qint64 kProgressIntervalMs = 100;

QString MissingFileWarning(const std::string& path)
{
    return QStringLiteral("   ") + QString::fromStdString(path)
           + QStringLiteral(" の指定されたファイルが存在しません。          ");
}

}  // namespace

// ---------------------------------------------------------------------------
// Post titles

void TForm1::TitleGet(bool newOnly)
{
    LastTitleIndex = 0;
    const pelto::TitleFile titles =
        pelto::ExtractTitles(pelto::DocumentLines::Of(BigView1->Strings()), CurrentFileName, newOnly);
    TitleFileName = pelto::SideFilePath(".LOG");
    std::string error;
    if (!pelto::WriteSideFile(TitleFileName, titles.bytes, error)) {
        pelto::Application::ShowErrorBox(QString::fromStdString(error));
        return;
    }
    pelto::ShowNotice(this, QString::fromUtf8(newOnly ? pelto::kNewTitlesDoneNotice : pelto::kAllTitlesDoneNotice));
}

void TForm1::MenuAllTitleGetClick()
{
    TitleGet(false);
}

void TForm1::MenuNewTitleGetClick()
{
    TitleGet(true);
}

void TForm1::JumpToListedLine(const std::string& entry)
{
    const std::optional<long long> line = pelto::EntryLineNumber(entry);
    // The 1-based number taken as a 0-based index names the line after the
    // header, so the row before it is the header's last row.
    const std::optional<int32_t> topRow = line ? pelto::JumpTopRow(*line, BigView1->Rows()) : std::nullopt;
    if (!topRow) {
        pelto::ShowNotice(this, QString::fromUtf8(pelto::kLineOutOfRangeMessage));
        return;
    }
    BigView1->SetTopRow(*topRow);
}

void TForm1::MenuTitleDispClick()
{
    ChosenTitle.clear();
    TitleFileName = pelto::SideFilePath(".LOG");
    std::string bytes;
    std::string error;
    switch (pelto::ReadSideFile(TitleFileName, bytes, error)) {
    case pelto::SideFileRead::Ok:
        break;
    case pelto::SideFileRead::Missing:
        pelto::ShowAbortWarning(this, MissingFileWarning(TitleFileName));
        return;
    case pelto::SideFileRead::Unreadable:
        pelto::Application::ShowErrorBox(QString::fromStdString(error));
        return;
    }
    std::vector<std::string> lines = pelto::SplitStoredLines(bytes);
    std::string().swap(bytes);

    auto* window = new TForm9(*this, std::move(lines));
    window->Place();
    window->exec();
    delete window;

    if (!ChosenTitle.empty())
        JumpToListedLine(ChosenTitle);
}

// ---------------------------------------------------------------------------
// Reply tree

void TForm1::MenuTreeGetClick()
{
    TreeProgress = 1;
    TreeProgressShown = 1;
    const std::string paths[3] = {pelto::WorkFilePath(1), pelto::WorkFilePath(2), pelto::WorkFilePath(3)};

    bool written = false;
    std::string error;
    {
        pelto::LongStepGuard guard;
        QElapsedTimer sinceShown;
        int shownPhase = 0;
        // The build reports every second post of a large log; the title is
        // rewritten at each new phase and then a few times a second.
        auto progress = [&](int phase, long long counter) {
            TreeProgress = counter;
            if (phase == shownPhase && sinceShown.isValid() && sinceShown.elapsed() < kProgressIntervalMs)
                return;
            shownPhase = phase;
            sinceShown.start();
            TreeProgressShown = counter;
            setWindowTitle(QString::fromStdString(pelto::TreeProgressCaption(phase, counter)));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        written = pelto::WriteReplyTree(pelto::DocumentLines::Of(BigView1->Strings()), CurrentFileName, paths,
                                        progress, error);
    }
    TreeFileName = paths[2];
    if (!written) {
        pelto::Application::ShowErrorBox(QString::fromStdString(error));
        // A progress caption left in the title would say the build still runs.
        RebuildTitle();
        return;
    }
    pelto::ShowNotice(this, QString::fromUtf8(pelto::kTreeDoneNotice));
    RebuildTitle();
}

void TForm1::MenuTreeDispClick()
{
    TreeFileName = pelto::WorkFilePath(3);
    pelto::TreeList list = pelto::LoadTreeList(TreeFileName, CurrentFileName);
    switch (list.status) {
    case pelto::TreeListStatus::Ok:
        break;
    case pelto::TreeListStatus::Missing:
        pelto::ShowAbortWarning(this, MissingFileWarning(TreeFileName));
        return;
    case pelto::TreeListStatus::Unreadable:
        pelto::Application::ShowErrorBox(QString::fromStdString(list.error));
        return;
    case pelto::TreeListStatus::OtherDocument:
        pelto::ShowAbortWarning(this, QString::fromUtf8(pelto::kTreeOtherDocumentWarning));
        return;
    }

    ChosenTreeEntry.clear();
    TreeShowPosts = false;
    auto* window = new TForm21(*this, std::move(list.items));
    window->Place();
    window->exec();
    delete window;

    if (ChosenTreeEntry.empty())
        return;
    if (TreeShowPosts)
        TreePostsShow();
    else
        JumpToListedLine(ChosenTreeEntry);
}

void TForm1::TreePostsShow()
{
    auto* viewer = new TForm22(*this);
    TreeFileName = pelto::WorkFilePath(4);
    if (!QFileInfo::exists(QString::fromStdString(TreeFileName))) {
        delete viewer;
        pelto::ShowAbortWarning(this, kFileMissing);
        return;
    }
    try {
        viewer->BigView1->LoadFromFile(TreeFileName);
    } catch (const std::exception&) {
        delete viewer;
        pelto::ShowAbortWarning(this, kFileUnreadable);
        return;
    }
    viewer->Place();
    viewer->exec();
    delete viewer;
}
