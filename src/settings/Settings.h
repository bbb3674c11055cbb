// The settings mirror: every value of the settings file that the main window
// reads at start, with the file's defaults, plus the tables it writes at
// shutdown. Option numbers stay decimal text (as the options dialog edits
// them) and are converted where they are applied.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/IniFile.h"

namespace pelto {

// The windows whose bounds are remembered, in file order.
enum PlacementWindow : int {
  kFormMain = 0,    // main window
  kFormShiori,      // bookmark list
  kFormFile,        // file list
  kFormTitle,       // post-title list
  kFormResum,       // resume list
  kFormTree,        // reply-tree list
  kFormView,        // tree post viewer
  kFormHit,         // hit list
  kPlacementWindowCount
};

// Section names, indexed by PlacementWindow: "FormMain", "FormShiori", ...
extern const std::array<const char*, kPlacementWindowCount> kPlacementSections;

// Keys "Mem", "Left", "Top", "Width", "Height"; -1 = not known.
struct WindowPlacement {
  bool Mem = false;
  int32_t Left = -1;
  int32_t Top = -1;
  int32_t Width = -1;
  int32_t Height = -1;

  // Shown at the stored bounds only when Mem is on and none of the four is -1.
  bool UseStoredBounds() const {
    return Mem && Left != -1 && Top != -1 && Width != -1 && Height != -1;
  }
};

// List sizes (keys "1".."N").
inline constexpr int kRecentFileCount = 9;     // "OpenFileName"
inline constexpr int kFindHistoryCount = 32;   // "FindStrName"
inline constexpr int kJumpHistoryCount = 9;    // "JumpLineNum"
inline constexpr int kBookmarkCount = 9;       // "ShioriStrName"
inline constexpr int kResumeCount = 64;        // "ResumeFileName"
inline constexpr int kExtensionCount = 64;     // "FileWriteExtName"
inline constexpr int kLauncherCount = 9;       // "ProgTitle" ... "ProgOption"

struct Settings {
  std::array<WindowPlacement, kPlacementWindowCount> Placement{};

  // Tables indexed 1..N as the file numbers them; slot 0 is the hand-over slot
  // between a dialog and the main window (unused for the recent files).
  std::array<std::string, kRecentFileCount + 1> RecentFiles{};   // "OpenFileName"
  std::array<std::string, kFindHistoryCount + 1> FindHistory{};  // "FindStrName"
  std::array<std::string, kJumpHistoryCount + 1> JumpHistory{};  // "JumpLineNum"
  // Not read at start; written (emptied) at shutdown as "ShioriStrName".
  std::array<std::string, kBookmarkCount + 1> BookmarkTable{};

  // "KoumokuSetName"
  bool CheckWrapChar = true;
  bool CheckTabChar = true;
  bool CheckFindScroll = true;
  bool CheckScrollSense = true;
  bool CheckCloseDialog = true;
  bool CheckAutoResum = true;
  bool CheckAutoResumJump = true;

  // "KoumokuSetNum", decimal text
  std::string EditFileResum = "9";
  std::string EditSearchResum = "9";
  std::string EditJumpResum = "9";
  std::string EditShioriResum = "9";
  std::string EditResumResum = "64";
  std::string EditWrapChar = "80";
  std::string EditTabChar = "4";
  std::string EditFindScroll = "0";
  std::string EditScrollSense = "1";

  // "TextJyouhou"
  std::string TextFontName = "system";
  std::string TextFontSize = "14";
  std::string TextFontColor = "clBlack";
  std::string TextBackColor = "clWindow";

  // "SearchUperLower"/"Set": FindCaseSensitive
  bool SearchUperLower = false;

  // Key "1" of the five launcher sections.
  std::string ProgTitle1;
  std::string ProgName1;
  std::string ProgDir1;
  std::string ProgShortCut1;
  std::string ProgOption1;
};

// Section and key names used by more than one part of the program.
inline constexpr const char* kSectionOpenFileName = "OpenFileName";
inline constexpr const char* kSectionFindStrName = "FindStrName";
inline constexpr const char* kSectionJumpLineNum = "JumpLineNum";
inline constexpr const char* kSectionShioriStrName = "ShioriStrName";
inline constexpr const char* kSectionResumeFileName = "ResumeFileName";
inline constexpr const char* kSectionFileWriteExtName = "FileWriteExtName";
inline constexpr const char* kSectionKoumokuSetName = "KoumokuSetName";
inline constexpr const char* kSectionKoumokuSetNum = "KoumokuSetNum";
inline constexpr const char* kSectionTextJyouhou = "TextJyouhou";
inline constexpr const char* kSectionSearchUperLower = "SearchUperLower";

// The message for a number that does not convert: "'<value>' は整数ではありません".
std::string NotAnIntegerMessage(std::string_view value);

// Reads everything the main window reads at start (placement sections, recent
// files, search and jump histories, all options, font and colours, launcher
// entry 1, the case flag) from one snapshot of the file. A "KoumokuSetNum"
// value or "TextFontSize" that is not an integer, or a colour text that is
// neither a colour name nor an integer, is replaced by its default and its
// message is added to `errors` once; reading goes on.
void ReadIniFileValue(const IniFile& file, Settings& settings,
                      std::vector<std::string>& errors);

// Writes what the main window writes at shutdown: the seven placement sections
// (35 values), "OpenFileName" 1..9 and "ShioriStrName" 1..9 from BookmarkTable.
// A refused write adds its message to `errors`; the remaining writes are still
// tried. Returns true when everything was written.
bool WriteIniFileValue(IniFile& file, const Settings& settings,
                       std::vector<std::string>& errors);

// The option numbers as they are applied at start, after clamping.
struct StartupOptions {
  int WrapByte = 80;        // "EditWrapChar" clamped to 2..255 (also without word wrap)
  int ViewTabStop = 4;      // "EditTabChar" clamped to 1..16; 0 when "CheckTabChar" is off
  int ScrollSense = 1;      // "EditScrollSense" clamped to 1..10; 1 when off
  int FindScrollRows = 0;   // "EditFindScroll" clamped to 0..16; 0 when off
};

// Clamps the four display options; each clamped text replaces the value in the
// mirror (not in the file). A text that does not convert counts as its default.
StartupOptions ClampStartupOptions(Settings& settings);

// Toolkit colour text: a name such as "clBlack" or "clWindow" (system colours
// included, ASCII case ignored) or an integer ("$00BBGGRR", decimal). Returns
// the colour value (system colours as 0x80000000 | index), or nullopt.
std::optional<int32_t> ColorTextToValue(std::string_view text);

// The settings file of this executable (SettingsFilePath()).
IniFile SettingsIniFile();

}  // namespace pelto
