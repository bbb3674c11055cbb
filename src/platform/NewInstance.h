#pragma once
// Starting another copy of this program on a document.

#include <QString>
#include <QStringList>

#include <functional>

namespace pelto {

// What actually starts a program: detached, in `workingFolder` (the current
// folder when empty); true when it started.
using ProgramStarter =
    std::function<bool(const QString& program, const QStringList& arguments, const QString& workingFolder)>;

// Starts this executable detached with `documentName` as its one argument, so
// a name with blanks or quotes reaches the new copy whole. The working folder
// is `workingFolder`, or the current one when it is empty. True when the copy
// was started.
bool StartNewInstance(const QString& documentName, const QString& workingFolder);

// The folder part of `path`: up to and including its last "/"; empty when it
// has none.
QString FolderPartOf(const QString& path);

// Replaces the starter (tests capture what would be started); an empty
// function restores the real one.
void SetProgramStarterForTesting(ProgramStarter starter);

}  // namespace pelto
