// The file list: a capture of the current document's folder into the list file
// (".DIR" beside the executable), reading it back, and stepping through it.
// File names are platform text (UTF-8).
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace pelto {

// The 64 extensions a capture leaves out, element 0 for key "1".
using ExcludedExtensions = std::array<std::string, kExtensionCount>;

// ".COM", ".EXE", ".DLL", ".REG" for keys 1 to 4, the filler ".*" for the rest.
ExcludedExtensions DefaultExcludedExtensions();

// Section "FileWriteExtName", keys "1".."64", defaults as above.
ExcludedExtensions ReadExcludedExtensions(const IniFile& file);
// All 64 keys in one rewrite of the settings file; throws EIniWriteError.
void WriteExcludedExtensions(IniFile& file, const ExcludedExtensions& extensions);

// The folder part of a path, up to and including its last "/"; empty when none.
std::string FolderPart(std::string_view path);
// The part after the last "/".
std::string NamePart(std::string_view path);
// From the last "." of the name part, the dot included; empty when there is none.
std::string ExtensionPart(std::string_view path);

// The extension upper-cased (ASCII letters only) equals one entry exactly.
bool IsExcludedName(std::string_view name, const ExcludedExtensions& excluded);

// The names of the regular files of `folder` (hidden ones included; folders,
// FIFOs, devices, sockets and dangling links left out), in name order ignoring
// ASCII case. Throws FileListError when the folder cannot be read.
std::vector<std::string> RegularFileNames(const std::string& folder);

class FileListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CaptureResult {
    int LineCount = 0;
    // The position of the current document among the written lines, when it is there.
    std::optional<int> CurrentIndex;
};

// Writes folder-of-`currentFileName` + name for every file not excluded, one a
// line ended by CR LF, into `listPath`. The list is written to a temporary file
// and renamed over the old one, so a failed capture leaves the old list whole.
// Throws FileListError (folder unreadable, list not writable).
CaptureResult CaptureFileList(const std::string& listPath, const std::string& currentFileName,
                              const ExcludedExtensions& excluded);

// The list file read back: the full lines and the names alone, in parallel.
struct FileListing {
    std::vector<std::string> Lines;
    std::vector<std::string> Names;

    int Count() const { return static_cast<int>(Lines.size()); }
    // The folder of the first line (empty for an empty list).
    std::string Folder() const;
    // The file to open for line `index`: the folder of the first line + its name.
    std::string PathAt(int index) const;
};

// nullopt when the list file does not exist or cannot be read. Lines end at
// CR LF, CR or LF; empty lines are skipped.
std::optional<FileListing> ReadFileList(const std::string& listPath);

// `index` clamped into 0..count-1 (0 for an empty list), so a position left
// beyond a shorter list never reads outside it.
int ClampFileListIndex(int index, int count);
// The previous (delta -1) or next (+1) position, stopping at either end.
int StepFileListIndex(int index, int count, int delta);

}  // namespace pelto
