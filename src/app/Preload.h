// The document named on the command line is read while the toolkit starts
// (connecting to the display, loading fonts): the reader waits for the longer
// of the two, not for both.
#pragma once

#include <memory>
#include <string>

#include "view/BvStrings.h"

namespace pelto {

// Starts reading path (the absolute name in the file system's encoding) on
// another thread.  Once per run, before the main window exists.
void StartPreload(const std::string& path);

// Whether a read of path started at start-up is still going on.
bool PreloadRunning(const std::string& path);

// The lines read for path, after waiting for them; null when no read was
// started for that name (a read for another name is dropped).  Rethrows what
// the read threw.  Only the first call can get anything.
std::unique_ptr<TBvStrings> TakePreload(const std::string& path);

}  // namespace pelto
