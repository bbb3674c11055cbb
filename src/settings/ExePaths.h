// Where the program keeps its own files: beside the executable, or in the
// per-user configuration folder when the executable's folder is read-only.
#pragma once

#include <string>
#include <string_view>

namespace pelto {

// Full path of the running executable (/proc/self/exe), or the path set by
// SetExecutablePathForTesting.
std::string ExecutablePath();

// Makes every path below derive from `path` instead of the real executable, so
// tests never touch a real settings file. An empty path restores the real one.
void SetExecutablePathForTesting(std::string path);

// Folder that holds the side files: the executable's folder when it is
// writable, else $XDG_CONFIG_HOME/pelto (default ~/.config/pelto), created on
// demand. Ends without a "/".
std::string SideFileFolder();

// The executable's file name with its extension replaced by `extension`
// (".INI", ".DIR", ".LOG"), in SideFileFolder(). The extension is looked for
// only in the file-name part; a name without one gets `extension` appended:
// "pelto" -> "pelto.INI", "Pelto.exe" -> "Pelto.INI". Recomputed at every call.
std::string SideFilePath(std::string_view extension);

// Tree work file `number` (1..4): the base name followed by "01.TXT" .. "04.TXT"
// in place of the dot and extension ("pelto" -> "pelto01.TXT").
std::string WorkFilePath(int number);

// The settings file: SideFilePath(".INI").
std::string SettingsFilePath();

}  // namespace pelto
