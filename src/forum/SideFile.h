// Reading and writing the side files (title file, tree work files).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelto {

// Lines of a side file by the line store's file rule: CR or CR LF ends a
// line, a lone LF stays in its line, 0x1A ends the file, a final break adds
// no empty line.
std::vector<std::string> SplitStoredLines(std::string_view bytes);

enum class SideFileRead { Ok, Missing, Unreadable };

// Whole file into bytes.  error gets a one-line description on failure.
SideFileRead ReadSideFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces path by bytes through a temporary file in the same folder and a
// rename, so a failure halfway never leaves a half-written side file.  The
// old file (if any) stays untouched on failure; error describes it.
bool WriteSideFile(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace pelto
