#pragma once
// The companion file manager: the desktop's file manager, asked over the session
// bus (org.freedesktop.FileManager1) to show a folder. Without one running,
// nothing happens and nothing is said.

#include <QString>

namespace pelto {

// True when a file manager owns org.freedesktop.FileManager1 on the session bus.
bool FileManagerAvailable();

// Asks the file manager to show `fileName` selected in its folder, or, with an
// empty name, to show `folder`. Does not wait for the answer. False when there
// was no file manager to ask.
bool ShowInFileManager(const QString& fileName, const QString& folder);

}  // namespace pelto
