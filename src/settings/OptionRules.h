// The number fields of the options dialog: their ranges and messages, and what
// a save of the history page or the display page changes and writes.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace pelto {

struct NumberFieldRule {
  const char* key;        // the "KoumokuSetNum" key, also the edit box's name
  int low;
  int high;
  const char* message;    // shown when the text is not a whole number in range
};

// The history page, in the order of the page: recent files, search, jump,
// bookmarks, resume points.
enum HistoryField : int {
  kHistoryFileResum = 0,
  kHistorySearchResum,
  kHistoryJumpResum,
  kHistoryShioriResum,
  kHistoryResumResum,
  kHistoryFieldCount
};
extern const std::array<NumberFieldRule, kHistoryFieldCount> kHistoryFieldRules;

// The display page's four numbers.
enum DisplayField : int {
  kDisplayWrapChar = 0,
  kDisplayTabChar,
  kDisplayFindScroll,
  kDisplayScrollSense,
  kDisplayFieldCount
};
extern const std::array<NumberFieldRule, kDisplayFieldCount> kDisplayFieldRules;

// The field's value when its text converts as the toolkit converts integers
// (leading blanks allowed, trailing ones not) and lies within the rule's range.
std::optional<int> CheckNumberField(std::string_view text, const NumberFieldRule& rule);

using HistoryTexts = std::array<std::string, kHistoryFieldCount>;

// The mirror's five list lengths, as page 2 starts from.
HistoryTexts HistoryTextsOf(const Settings& settings);

struct HistoryCheck {
  std::array<int, kHistoryFieldCount> lengths{};
  std::vector<std::string> messages;   // one per invalid field, in page order
  bool Valid() const { return messages.empty(); }
};

// Checks all five fields before anything changes, so a refused save leaves the
// lists as they were.
HistoryCheck CheckHistoryFields(const HistoryTexts& texts);

// Empties the entries above `keep` of a table whose slot 0 is the hand-over
// slot; slot 0 is left alone.
void KeepFirstEntries(std::span<std::string> table, int keep);

// How many entries of a list of `count` are kept: `text` as an integer,
// `count` when it does not convert, held to 0..count.
int HistoryLimit(std::string_view text, int count);

// A valid history page: the five texts become the settings and the lists held
// in `settings` are cut to their new lengths. `resumeTable` (slots 0..64) and
// `fileBookmarks` (slots 0..9, the bookmarks the file holds now) are cut too.
void ApplyHistoryLengths(Settings& settings, const HistoryTexts& texts,
                         const std::array<int, kHistoryFieldCount>& lengths,
                         std::span<std::string> resumeTable,
                         std::span<std::string> fileBookmarks);

// Writes what the history page saves, in one rewrite so a refused write
// changes nothing: "OpenFileName" 1-9, "FindStrName" 1-32, "JumpLineNum" 1-9,
// "ShioriStrName" 1-9 from `bookmarks`, "ResumeFileName" 1-64 from
// `resumeTable`, and the five list lengths. Throws EIniWriteError.
void WriteHistoryPage(IniFile& file, const Settings& settings,
                      std::span<const std::string> bookmarks,
                      std::span<const std::string> resumeTable);

// Writes the seven "KoumokuSetName" flags and the four display numbers.
// Throws EIniWriteError.
void WriteDisplayPage(IniFile& file, const Settings& settings);

// Writes "TextFontName", "TextFontSize" and "TextFontColor" of "TextJyouhou".
// Throws EIniWriteError.
void WriteTextFont(IniFile& file, const Settings& settings);

}  // namespace pelto
