#include "platform/Launch.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pelto {

QString ResolveProgram(const QString& program, const QString& folder)
{
    if (program.isEmpty())
        return {};
    if (!program.contains(u'/')) {
        const QString onPath = QStandardPaths::findExecutable(program);
        if (!onPath.isEmpty())
            return onPath;
    }
    QStringList candidates;
    if (QDir::isAbsolutePath(program)) {
        candidates << program;
    } else {
        if (!folder.isEmpty())
            candidates << QDir(folder).absoluteFilePath(program);
        candidates << QDir::current().absoluteFilePath(program);
    }
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return {};
}

bool StartProgram(const QString& program, const QStringList& arguments, const QString& folder)
{
    const QString target = ResolveProgram(program, folder);
    if (target.isEmpty())
        return false;
    const QFileInfo info(target);
    if (info.isFile() && info.isExecutable()) {
        if (!folder.isEmpty() && !QFileInfo(folder).isDir())
            return false;
        QProcess process;
        process.setProgram(target);
        process.setArguments(arguments);
        process.setWorkingDirectory(folder);
        // The started program should not write into the viewer's terminal or
        // hold its input.
        process.setStandardInputFile(QProcess::nullDevice());
        return process.startDetached();
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(target));
}

}  // namespace pelto
