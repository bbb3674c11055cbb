// The file list and the excluded extensions.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "filelist/Filedsp.h"
#include "filelist/Fileext.h"
#include "filelist/FileList.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

#include <QDir>
#include <QFile>
#include <QListWidget>

#include <optional>

using namespace mainwin;

namespace {

const QString kCaptureDone = QStringLiteral("    ファイル一覧取得が完了しました。   ");

QString NamedFileMissing(const std::string& path)
{
    return QStringLiteral("   ") + QString::fromStdString(path)
           + QStringLiteral(" の指定されたファイルが存在しません。          ");
}

// The list file read back, or nullopt after the warning that it is missing.
std::optional<pelto::FileListing> ReadListOrWarn(QWidget* parent)
{
    const std::string listPath = pelto::SideFilePath(".DIR");
    std::optional<pelto::FileListing> listing = pelto::ReadFileList(listPath);
    if (!listing)
        pelto::ShowAbortWarning(parent, NamedFileMissing(listPath));
    return listing;
}

}  // namespace

void TForm1::MenuFileGetClick()
{
    // Without a document the current folder is captured, named in full so that
    // the list opens its files from any copy, whatever its own folder.
    std::string named = CurrentFileName;
    if (named.empty()) {
        named = QFile::encodeName(QDir::currentPath()).toStdString();
        if (named.empty() || named.back() != '/')
            named += '/';
    }
    const pelto::ExcludedExtensions excluded = pelto::ReadExcludedExtensions(pelto::SettingsIniFile());
    pelto::CaptureResult result;
    try {
        result = pelto::CaptureFileList(pelto::SideFilePath(".DIR"), named, excluded);
    } catch (const std::exception& error) {
        pelto::Application::ShowErrorBox(QString::fromUtf8(error.what()));
        return;
    }
    if (result.CurrentIndex)
        FileListIndex = *result.CurrentIndex;
    pelto::ShowNotice(this, kCaptureDone);
}

void TForm1::MenuFileDispClick()
{
    const std::optional<pelto::FileListing> listing = ReadListOrWarn(this);
    if (!listing)
        return;

    auto* window = new TForm8(this);
    pelto::ApplyListFont(window->ListBox1, BigView1->ViewFont());
    // a capture of another folder may have left the position past a shorter list
    window->FillList(listing->Folder(), listing->Names, pelto::ClampFileListIndex(FileListIndex, listing->Count()));
    pelto::WindowPlacement& placement = Mirror.Placement[pelto::kFormFile];
    pelto::PlaceListWindow(window, placement);
    window->exec();
    pelto::StoreListWindowBounds(window, placement);
    const std::string chosen = window->Chosen;
    const int chosenIndex = window->ChosenIndex;
    delete window;

    if (chosen.empty() || chosenIndex < 0 || chosenIndex >= listing->Count())
        return;
    FileListIndex = chosenIndex;
    OpenFromFileList(listing->PathAt(chosenIndex), true);
}

void TForm1::MenuFileMinusClick()
{
    const std::optional<pelto::FileListing> listing = ReadListOrWarn(this);
    if (!listing || listing->Count() == 0)
        return;
    FileListIndex = pelto::StepFileListIndex(FileListIndex, listing->Count(), -1);
    OpenFromFileList(listing->PathAt(FileListIndex), false);
}

void TForm1::MenuFilePlusClick()
{
    const std::optional<pelto::FileListing> listing = ReadListOrWarn(this);
    if (!listing || listing->Count() == 0)
        return;
    FileListIndex = pelto::StepFileListIndex(FileListIndex, listing->Count(), +1);
    OpenFromFileList(listing->PathAt(FileListIndex), false);
}

bool TForm1::OpenFromFileList(const std::string& path, bool fromListWindow)
{
    // A failed open leaves the shown document and its name as they were.
    return OpenDocument(QString::fromStdString(path), kOpenCheckExists,
                        fromListWindow ? kFileMissing : NamedFileMissing(path));
}

void TForm1::MenuExtSetClick()
{
    ExcludedExtensions = pelto::ReadExcludedExtensions(pelto::SettingsIniFile());
    auto* dialog = new TForm16(ExcludedExtensions, this);
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    delete dialog;
}
