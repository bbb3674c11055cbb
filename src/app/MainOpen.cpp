// Opening documents: the open dialog, the recent files, dropped files, and the
// shared open steps every other path (resume list, file list) goes through.
#include "app/Main.h"

#include "app/MainShared.h"
#include "navigation/JumpRule.h"
#include "app/Preload.h"
#include "platform/Dialogs.h"
#include "platform/LongStep.h"
#include "positions/ResumeTable.h"
#include "settings/ExePaths.h"
#include "settings/OptionRules.h"
#include "view/BigView.h"
#include "view/BvStrings.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

using namespace mainwin;

namespace {

// The number of recent files kept: "EditFileResum", held to 0..9.
int RecentFileLimit(const std::string& editFileResum)
{
    return pelto::HistoryLimit(editFileResum, pelto::kRecentFileCount);
}

// Entry `entry` moves to the front, the entries before it move down one
// place, and the entries beyond `limit` are emptied.
void MoveRecentEntryToFront(std::array<std::string, pelto::kRecentFileCount + 1>& recent, int entry, int limit)
{
    const std::string moved = recent[entry];
    for (int k = entry; k > 1; --k)
        recent[k] = recent[k - 1];
    recent[1] = moved;
    pelto::KeepFirstEntries(recent, limit);
}

// The first local file among the dropped URLs; empty when there is none.
QString FirstLocalFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

}  // namespace

bool TForm1::OpenDocument(const QString& name)
{
    return OpenDocument(name, kOpenSequence);
}

bool TForm1::OpenDocument(const QString& name, unsigned steps, const QString& missingText)
{
    const QFileInfo info(name);
    const QString fullName = info.absoluteFilePath();
    if ((steps & kOpenCheckExists) && !info.exists()) {
        pelto::ShowAbortWarning(this, missingText.isEmpty() ? kFileMissing : missingText);
        return false;
    }
    // The new lines go into a store of their own: a file that cannot be read
    // leaves the shown document, its name and the title as they were.
    std::unique_ptr<pelto::TBvStrings> lines;
    const std::string path = QFile::encodeName(fullName).toStdString();
    // The command line's document, read at start.  A large one shows its
    // first page while the rest is read, unless it opens at a resume point.
    const bool showHead = pelto::PreloadRunning(path)
                          && !((steps & kOpenResumeJump) && Mirror.CheckAutoResumJump
                               && pelto::ResumeLineForFile(pelto::SettingsIniFile(), fullName.toStdString()));
    bool headShown = false;
    try {
        const QString loadingTitle = BaseCaption + QStringLiteral("  ") + fullName;
        if (showHead) {
            const QString caption = pelto::LoadingCaption(loadingTitle);
            headShown = ShowHeadWhileReading(path, caption);
            pelto::RunLongStep(this, caption, [&] { lines = pelto::TakePreload(path); });
            HeadCaption.clear();
        } else {
            lines = pelto::TakePreload(path);
        }
        if (!lines)
            lines = pelto::ReadDocument(this, loadingTitle, path);
    } catch (const std::exception&) {
        HeadCaption.clear();
        if (headShown)
            BigView1->AdoptLines(std::make_unique<pelto::TBvStrings>());
        pelto::ShowAbortWarning(this, kFileUnreadable);
        return false;
    }
    BigView1->AdoptLines(std::move(lines));
    CurrentFileName = fullName.toStdString();
    BigView1->setFocus();
    RebuildTitle();
    EnableDocumentCommands(true);

    if (steps & kOpenRecentFiles)
        AddRecentFile(CurrentFileName);

    if ((steps & kOpenResumeJump) && Mirror.CheckAutoResumJump) {
        // An unusable record opens the document at its top, silently.
        if (const std::optional<long long> line = pelto::ResumeLineForFile(pelto::SettingsIniFile(), CurrentFileName))
            ShowLineNumber(*line);
    }
    return true;
}

bool TForm1::ShowHeadWhileReading(const std::string& path, const QString& caption)
{
    constexpr size_t kHeadBytes = size_t(256) << 10;  // many pages of any log
    auto head = std::make_unique<pelto::TBvStrings>();
    try {
        head->LoadHeadFromFile(path, kHeadBytes);
    } catch (const std::exception&) {
        return false;  // the whole read says what is wrong
    }
    HeadCaption = caption;
    BigView1->AdoptLines(std::move(head));
    RebuildTitle();
    show();
    return true;
}

void TForm1::KeepPlaceBeforeReplacing()
{
    if (!Mirror.CheckAutoResum)
        return;
    std::vector<std::string> errors;
    try {
        StoreResumeRecord();
    } catch (const std::exception& error) {
        errors.push_back(error.what());
    }
    ReportSettingsErrors(errors, true);
}

bool TForm1::ShowLineNumber(long long lineNumber)
{
    const std::optional<int32_t> topRow = pelto::JumpTopRow(lineNumber, BigView1->Rows());
    if (!topRow)
        return false;
    BigView1->SetTopRow(*topRow);
    return true;
}

void TForm1::AddRecentFile(const std::string& name)
{
    auto& recent = Mirror.RecentFiles;
    // Names compare exactly: on this system "A.log" and "a.log" are two files.
    int entry = 1;
    while (entry <= pelto::kRecentFileCount && recent[entry] != name)
        ++entry;
    if (entry > pelto::kRecentFileCount) {
        entry = pelto::kRecentFileCount;   // the oldest entry drops out
        recent[entry] = name;
    }
    MoveRecentEntryToFront(recent, entry, RecentFileLimit(Mirror.EditFileResum));
    RefreshRecentFileMenu();
}

void TForm1::MenuFileOpenClick()
{
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // "*" rather than "*.*": names without a dot must show too.
    dialog.setNameFilter(QStringLiteral("全ﾌｧｲﾙ(*)"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty())
        OpenDocument(chosen.first());
}

void TForm1::MenuFileOpenExecute()
{
    OpenFailed = !OpenDocument(QString::fromStdString(OpenRequest), kOpenCheckExists | kOpenResumeJump);
}

void TForm1::MenuFileOpenNClick(int entry)
{
    if (entry < 1 || entry > pelto::kRecentFileCount)
        return;
    OpenRequest = Mirror.RecentFiles[entry];
    OpenFailed = false;
    MenuFileOpenExecute();
    // The entry of a vanished file keeps its place.
    if (OpenFailed)
        return;
    MoveRecentEntryToFront(Mirror.RecentFiles, entry, RecentFileLimit(Mirror.EditFileResum));
    RefreshRecentFileMenu();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString name = FirstLocalFile(event->mimeData());
    if (name.isEmpty())
        return;
    event->acceptProposedAction();

    // The document being replaced keeps its place, as at shutdown.
    KeepPlaceBeforeReplacing();

    if (!OpenDocument(name, 0))
        return;
    // Whether it was minimised or maximised, the window comes back normal.
    if (isMinimized() || isMaximized() || isFullScreen())
        showNormal();
    raise();
    activateWindow();
}
