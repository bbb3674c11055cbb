#include "settings/Settings.h"

#include <algorithm>
#include <utility>

#include "settings/ExePaths.h"
#include "text/NumberField.h"

namespace pelto {

const std::array<const char*, kPlacementWindowCount> kPlacementSections = {
    "FormMain", "FormShiori", "FormFile", "FormTitle", "FormResum", "FormTree", "FormView", "FormHit"};

namespace {

struct ColorName {
  const char* name;
  uint32_t value;
};

// The toolkit's colour identifiers; system colours carry 0x80000000 | index.
constexpr ColorName kColorNames[] = {
    {"clBlack", 0x000000},      {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080},      {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},       {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},        {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},       {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},     {"clDkGray", 0x808080},     {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},    {"clNone", 0x1FFFFFFF},     {"clDefault", 0x20000000},
    {"clScrollBar", 0x80000000}, {"clBackground", 0x80000001},
    {"clActiveCaption", 0x80000002}, {"clInactiveCaption", 0x80000003},
    {"clMenu", 0x80000004},     {"clWindow", 0x80000005},   {"clWindowFrame", 0x80000006},
    {"clMenuText", 0x80000007}, {"clWindowText", 0x80000008},
    {"clCaptionText", 0x80000009}, {"clActiveBorder", 0x8000000A},
    {"clInactiveBorder", 0x8000000B}, {"clAppWorkSpace", 0x8000000C},
    {"clHighlight", 0x8000000D}, {"clHighlightText", 0x8000000E},
    {"clBtnFace", 0x8000000F},  {"clBtnShadow", 0x80000010}, {"clGrayText", 0x80000011},
    {"clBtnText", 0x80000012},  {"clInactiveCaptionText", 0x80000013},
    {"clBtnHighlight", 0x80000014}, {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},  {"clInfoText", 0x80000017}, {"clInfoBk", 0x80000018},
    {"clHotLight", 0x8000001A}, {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C}, {"clMenuHighlight", 0x8000001D},
    {"clMenuBar", 0x8000001E},
};

// Keeps `value` when it converts; otherwise reports it once and takes `def`.
template <typename Converts>
void CheckOrDefault(std::string& value, const char* def, Converts converts,
                    std::vector<std::string>& errors) {
  if (converts(value)) return;
  errors.push_back(NotAnIntegerMessage(value));
  value = def;
}

bool IsInteger(std::string_view text) { return StrToInt(text).has_value(); }
bool IsColorText(std::string_view text) { return ColorTextToValue(text).has_value(); }

// The value as an integer, clamped to low..high; the mirror text becomes the
// clamped number when it was outside, or the default when it did not convert.
int ClampOption(std::string& text, int low, int high, int def) {
  const std::optional<int32_t> parsed = StrToInt(text);
  int value = parsed.value_or(def);
  if (value < low) value = low;
  if (value > high) value = high;
  if (!parsed || value != *parsed) text = std::to_string(value);
  return value;
}

void AddMessageOnce(std::vector<std::string>& errors, const std::string& message) {
  if (std::find(errors.begin(), errors.end(), message) == errors.end()) {
    errors.push_back(message);
  }
}

}  // namespace

std::string NotAnIntegerMessage(std::string_view value) {
  return "'" + std::string(value) + "' は整数ではありません";
}

std::optional<int32_t> ColorTextToValue(std::string_view text) {
  for (const ColorName& color : kColorNames) {
    if (EqualsIgnoringAsciiCase(text, color.name)) return static_cast<int32_t>(color.value);
  }
  return StrToInt(text);
}

void ReadIniFileValue(const IniFile& file, Settings& settings,
                      std::vector<std::string>& errors) {
  const IniText ini = file.Load();

  for (int window = 0; window < kPlacementWindowCount; ++window) {
    const char* section = kPlacementSections[window];
    WindowPlacement& placement = settings.Placement[window];
    placement.Mem = ini.ReadBool(section, "Mem", false);
    placement.Left = ini.ReadInteger(section, "Left", -1);
    placement.Top = ini.ReadInteger(section, "Top", -1);
    placement.Width = ini.ReadInteger(section, "Width", -1);
    placement.Height = ini.ReadInteger(section, "Height", -1);
  }

  auto readList = [&ini](const char* section, auto& table, int count) {
    for (int number = 1; number <= count; ++number) {
      table[number] = ini.ReadString(section, std::to_string(number), "");
    }
  };
  readList(kSectionOpenFileName, settings.RecentFiles, kRecentFileCount);
  readList(kSectionFindStrName, settings.FindHistory, kFindHistoryCount);
  readList(kSectionJumpLineNum, settings.JumpHistory, kJumpHistoryCount);

  const char* flags = kSectionKoumokuSetName;
  settings.CheckWrapChar = ini.ReadBool(flags, "CheckWrapChar", true);
  settings.CheckTabChar = ini.ReadBool(flags, "CheckTabChar", true);
  settings.CheckFindScroll = ini.ReadBool(flags, "CheckFindScroll", true);
  settings.CheckScrollSense = ini.ReadBool(flags, "CheckScrollSense", true);
  settings.CheckCloseDialog = ini.ReadBool(flags, "CheckCloseDialog", true);
  settings.CheckAutoResum = ini.ReadBool(flags, "CheckAutoResum", true);
  settings.CheckAutoResumJump = ini.ReadBool(flags, "CheckAutoResumJump", true);

  // A hand-edited number that does not convert must not stop the start: it is
  // reported and its default used.
  struct NumberKey {
    const char* section;
    const char* key;
    const char* def;
    std::string Settings::*field;
    bool color;
  };
  const NumberKey numbers[] = {
      {kSectionKoumokuSetNum, "EditFileResum", "9", &Settings::EditFileResum, false},
      {kSectionKoumokuSetNum, "EditSearchResum", "9", &Settings::EditSearchResum, false},
      {kSectionKoumokuSetNum, "EditJumpResum", "9", &Settings::EditJumpResum, false},
      {kSectionKoumokuSetNum, "EditShioriResum", "9", &Settings::EditShioriResum, false},
      {kSectionKoumokuSetNum, "EditResumResum", "64", &Settings::EditResumResum, false},
      {kSectionKoumokuSetNum, "EditWrapChar", "80", &Settings::EditWrapChar, false},
      {kSectionKoumokuSetNum, "EditTabChar", "4", &Settings::EditTabChar, false},
      {kSectionKoumokuSetNum, "EditFindScroll", "0", &Settings::EditFindScroll, false},
      {kSectionKoumokuSetNum, "EditScrollSense", "1", &Settings::EditScrollSense, false},
      {kSectionTextJyouhou, "TextFontSize", "14", &Settings::TextFontSize, false},
      {kSectionTextJyouhou, "TextFontColor", "clBlack", &Settings::TextFontColor, true},
      {kSectionTextJyouhou, "TextBackColor", "clWindow", &Settings::TextBackColor, true},
  };
  for (const NumberKey& number : numbers) {
    std::string& value = settings.*number.field;
    value = ini.ReadString(number.section, number.key, number.def);
    if (number.color) {
      CheckOrDefault(value, number.def, IsColorText, errors);
    } else {
      CheckOrDefault(value, number.def, IsInteger, errors);
    }
  }
  settings.TextFontName = ini.ReadString(kSectionTextJyouhou, "TextFontName", "system");

  settings.SearchUperLower = ini.ReadBool(kSectionSearchUperLower, "Set", false);

  // Slot 1 is the first slot with a title, as the launcher dialogs read the
  // slots (packed), so a hand-edited file with gaps starts the same program
  // before and after a dialog was opened.  No titled slot: nothing to start.
  std::string first;
  for (int slot = 1; slot <= kLauncherCount && first.empty(); ++slot) {
    if (!ini.ReadString("ProgTitle", std::to_string(slot), "").empty()) first = std::to_string(slot);
  }
  if (!first.empty()) {
    settings.ProgTitle1 = ini.ReadString("ProgTitle", first, "");
    settings.ProgName1 = ini.ReadString("ProgName", first, "");
    settings.ProgDir1 = ini.ReadString("ProgDir", first, "");
    settings.ProgShortCut1 = ini.ReadString("ProgShortCut", first, "");
    settings.ProgOption1 = ini.ReadString("ProgOption", first, "");
  }
}

bool WriteIniFileValue(IniFile& file, const Settings& settings,
                       std::vector<std::string>& errors) {
  std::vector<IniEntry> placements;
  for (int window = 0; window < kPlacementWindowCount; ++window) {
    const std::string section = kPlacementSections[window];
    const WindowPlacement& placement = settings.Placement[window];
    placements.push_back({section, "Mem", placement.Mem ? "1" : "0"});
    placements.push_back({section, "Left", std::to_string(placement.Left)});
    placements.push_back({section, "Top", std::to_string(placement.Top)});
    placements.push_back({section, "Width", std::to_string(placement.Width)});
    placements.push_back({section, "Height", std::to_string(placement.Height)});
  }
  const std::vector<std::string> recent(settings.RecentFiles.begin() + 1,
                                        settings.RecentFiles.end());
  const std::vector<std::string> bookmarks(settings.BookmarkTable.begin() + 1,
                                           settings.BookmarkTable.end());

  // Three separate rewrites: one refused write must not cost the others.
  bool allWritten = true;
  auto attempt = [&](auto&& write) {
    try {
      write();
    } catch (const EIniWriteError& error) {
      AddMessageOnce(errors, error.what());
      allWritten = false;
    }
  };
  attempt([&] { file.WriteEntries(placements); });
  attempt([&] { file.WriteList(kSectionOpenFileName, recent); });
  attempt([&] { file.WriteList(kSectionShioriStrName, bookmarks); });
  return allWritten;
}

StartupOptions ClampStartupOptions(Settings& settings) {
  StartupOptions options;
  options.WrapByte = ClampOption(settings.EditWrapChar, 2, 255, 80);
  options.ViewTabStop =
      settings.CheckTabChar ? ClampOption(settings.EditTabChar, 1, 16, 4) : 0;
  options.ScrollSense =
      settings.CheckScrollSense ? ClampOption(settings.EditScrollSense, 1, 10, 1) : 1;
  options.FindScrollRows =
      settings.CheckFindScroll ? ClampOption(settings.EditFindScroll, 0, 16, 0) : 0;
  return options;
}

IniFile SettingsIniFile() { return IniFile(SettingsFilePath()); }

}  // namespace pelto
