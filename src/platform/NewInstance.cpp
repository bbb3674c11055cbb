#include "platform/NewInstance.h"

#include <QFile>
#include <QProcess>

#include "settings/ExePaths.h"

namespace pelto {

namespace {

bool StartDetached(const QString& program, const QStringList& arguments, const QString& workingFolder)
{
    return QProcess::startDetached(program, arguments, workingFolder);
}

ProgramStarter& Starter()
{
    static ProgramStarter starter = StartDetached;
    return starter;
}

}  // namespace

bool StartNewInstance(const QString& documentName, const QString& workingFolder)
{
    const QString program = QFile::decodeName(QByteArray::fromStdString(ExecutablePath()));
    return Starter()(program, QStringList{documentName}, workingFolder);
}

QString FolderPartOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

void SetProgramStarterForTesting(ProgramStarter starter)
{
    Starter() = starter ? std::move(starter) : ProgramStarter(StartDetached);
}

}  // namespace pelto
