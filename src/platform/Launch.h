#pragma once
// Starting an outside program, never through a shell: each argument reaches the
// program exactly as given, whatever blanks, quotes or ";" it holds.

#include <QString>
#include <QStringList>

namespace pelto {

// `program` is a path (relative ones are looked for in `folder`, then in the
// current folder) or a bare name found on PATH. An executable file is started
// detached with `arguments`, in `folder` when it is not empty; any other
// existing file or folder is opened with the desktop's default application
// (the arguments then have nothing to go to). True when it was started.
bool StartProgram(const QString& program, const QStringList& arguments, const QString& folder);

// The file StartProgram would run or open for `program`; empty when none exists.
QString ResolveProgram(const QString& program, const QString& folder);

}  // namespace pelto
