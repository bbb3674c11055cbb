// Opening documents: the open dialog, the recent files, dropped files.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"

#include "positions/ResumeTable.h"
#include <QFile>
#include <QFileInfo>
#include <optional>

using namespace mainwin;

bool TForm1::OpenDocument(const QString& name)
{
    const QFileInfo info(name);
    const QString fullName = info.absoluteFilePath();
    if (!info.exists()) {
        pelto::ShowAbortWarning(this, kFileMissing);
        return false;
    }
    // A folder, a pipe or a device is no document; reading a pipe would hang.
    if (!info.isFile()) {
        pelto::ShowAbortWarning(this, kFileUnreadable);
        return false;
    }
    try {
        BigView1->LoadFromFile(QFile::encodeName(fullName).toStdString());
    } catch (const std::exception&) {
        BigView1->Clear();
        pelto::ShowAbortWarning(this, kFileUnreadable);
        return false;
    }
    CurrentFileName = fullName.toStdString();
    RebuildTitle();
    EnableDocumentCommands(true);

    if (Mirror.CheckAutoResumJump) {
        const std::optional<long long> line = pelto::ResumeLineForFile(pelto::SettingsIniFile(), CurrentFileName);
        // The stored 1-based number used as a 0-based index names the row after
        // the stored line; the row before it is the stored line's last row.
        if (line && *line >= 0 && *line <= kMaxJumpRow) {
            const int row = BigView1->RowOfLine(static_cast<int>(*line));
            if (row >= 1 && row <= kMaxJumpRow)
                BigView1->SetTopRow(row >= BigView1->RowCount() ? BigView1->RowCount() - 1 : row - 1);
        }
    }
    return true;
}

void TForm1::MenuFileOpenClick() {}

void TForm1::MenuFileOpenNClick(int) {}
