// Launcher entries: the nine slots kept in the settings file, and how an entry
// becomes a program and its arguments for the current document.
// All fields are platform text (UTF-8).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace pelto {

struct LauncherEntry {
    std::string Title;      // "ProgTitle"; empty: a free slot
    std::string Program;    // "ProgName"
    std::string Option;     // "ProgOption"
    std::string Folder;     // "ProgDir"
    std::string ShortCut;   // "ProgShortCut"; stored as " " when empty

    bool IsFree() const { return Title.empty(); }
    bool operator==(const LauncherEntry&) const = default;
};

// Slots 1..9 at elements 0..8.
using LauncherSlots = std::array<LauncherEntry, kLauncherCount>;

// Used slots first, in their order, free ones after them, so that a list
// position always names slot position + 1.
LauncherSlots PackLauncherSlots(const LauncherSlots& table);

// The five sections, keys "1".."9", from one reading of the file; packed, since
// a hand-edited file may leave gaps.
LauncherSlots ReadLauncherSlots(const IniFile& file);
// All 45 values in one rewrite of the settings file; throws EIniWriteError.
void WriteLauncherSlots(IniFile& file, const LauncherSlots& table);

// An empty shortcut label is kept as a single blank.
std::string StoredShortCut(std::string_view label);
// ... and shown as an empty edit.
std::string ShownShortCut(std::string_view stored);

// What the placeholders stand for.
struct PlaceholderValues {
    std::string FileName;   // %f: the document's full name
    long long Line = 0;     // %l: the line number, already 1- or 0-based
    std::string Folder;     // %p: the document's folder with its trailing "/"
};

// Values for `fileName` with top line `line` (0-based): %l is line + 1 when
// `oneBased`, else line itself.
PlaceholderValues MakePlaceholderValues(const std::string& fileName, int line, bool oneBased);

// Replaces the first %f, the first %l and the first %p of the configured text.
// Only the configured text is searched: a value inserted for one placeholder
// is never searched for another ("a%lb.txt" stays as it is).
std::string ExpandPlaceholders(std::string_view text, const PlaceholderValues& values);

// The same over a list of arguments already split: the first occurrence of
// each placeholder across all of them is replaced inside its argument, so an
// inserted value never splits or joins arguments.
std::vector<std::string> ExpandPlaceholders(const std::vector<std::string>& arguments,
                                            const PlaceholderValues& values);

// Splits an option text into arguments: blanks and tabs separate, double quotes
// group (and are removed); a quoted empty string is an empty argument.
std::vector<std::string> SplitArguments(std::string_view option);

// The program and arguments to start for `entry`.
struct LaunchCommand {
    std::string Program;
    std::vector<std::string> Arguments;
    std::string Folder;
};
LaunchCommand MakeLaunchCommand(const LauncherEntry& entry, const PlaceholderValues& values);

}  // namespace pelto
