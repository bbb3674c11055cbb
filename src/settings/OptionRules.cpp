#include "settings/OptionRules.h"

#include <algorithm>

#include "text/NumberField.h"

namespace pelto {

const std::array<NumberFieldRule, kHistoryFieldCount> kHistoryFieldRules = {{
    {"EditFileResum", 0, 9, "    ファイル履歴の数値が範囲外です。          "},
    {"EditSearchResum", 0, 32, "    検索履歴の数値が範囲外です。          "},
    {"EditJumpResum", 0, 9, "    ジャンプ履歴の数値が範囲外です。          "},
    {"EditShioriResum", 0, 9, "    しおり履歴の数値が範囲外です。          "},
    {"EditResumResum", 0, 64, "    レジューム履歴の数値が範囲外です。          "},
}};

const std::array<NumberFieldRule, kDisplayFieldCount> kDisplayFieldRules = {{
    {"EditWrapChar", 2, 255, "    折り返しの数値が範囲外です。          "},
    {"EditTabChar", 1, 16, "    タブ設定の数値が範囲外です。          "},
    {"EditFindScroll", 0, 16, "    検索後のスクロール設定の数値が範囲外です。          "},
    {"EditScrollSense", 1, 10, "    １行スクロール設定の数値が範囲外です。          "},
}};

std::optional<int> CheckNumberField(std::string_view text, const NumberFieldRule& rule) {
  const std::optional<int32_t> value = StrToInt(text);
  if (!value || *value < rule.low || *value > rule.high) return std::nullopt;
  return *value;
}

HistoryTexts HistoryTextsOf(const Settings& settings) {
  return {settings.EditFileResum, settings.EditSearchResum, settings.EditJumpResum,
          settings.EditShioriResum, settings.EditResumResum};
}

HistoryCheck CheckHistoryFields(const HistoryTexts& texts) {
  HistoryCheck check;
  for (int field = 0; field < kHistoryFieldCount; ++field) {
    const std::optional<int> value = CheckNumberField(texts[field], kHistoryFieldRules[field]);
    if (value) {
      check.lengths[field] = *value;
    } else {
      check.messages.push_back(kHistoryFieldRules[field].message);
    }
  }
  return check;
}

void KeepFirstEntries(std::span<std::string> table, int keep) {
  for (size_t slot = static_cast<size_t>(std::max(keep, 0)) + 1; slot < table.size(); ++slot)
    table[slot].clear();
}

int HistoryLimit(std::string_view text, int count) {
  return std::clamp(StrToIntDef(text, count), 0, count);
}

void ApplyHistoryLengths(Settings& settings, const HistoryTexts& texts,
                         const std::array<int, kHistoryFieldCount>& lengths,
                         std::span<std::string> resumeTable,
                         std::span<std::string> fileBookmarks) {
  settings.EditFileResum = texts[kHistoryFileResum];
  settings.EditSearchResum = texts[kHistorySearchResum];
  settings.EditJumpResum = texts[kHistoryJumpResum];
  settings.EditShioriResum = texts[kHistoryShioriResum];
  settings.EditResumResum = texts[kHistoryResumResum];

  KeepFirstEntries(settings.RecentFiles, lengths[kHistoryFileResum]);
  KeepFirstEntries(settings.FindHistory, lengths[kHistorySearchResum]);
  KeepFirstEntries(settings.JumpHistory, lengths[kHistoryJumpResum]);
  KeepFirstEntries(settings.BookmarkTable, lengths[kHistoryShioriResum]);
  KeepFirstEntries(fileBookmarks, lengths[kHistoryShioriResum]);
  KeepFirstEntries(resumeTable, lengths[kHistoryResumResum]);
}

namespace {

// Keys "1".."n" of a table whose slot 0 is the hand-over slot.
void AddList(std::vector<IniEntry>& entries, const char* section,
             std::span<const std::string> table) {
  for (size_t number = 1; number < table.size(); ++number)
    entries.push_back({section, std::to_string(number), table[number]});
}

const char* FlagText(bool on) { return on ? "1" : "0"; }

}  // namespace

void WriteHistoryPage(IniFile& file, const Settings& settings,
                      std::span<const std::string> bookmarks,
                      std::span<const std::string> resumeTable) {
  std::vector<IniEntry> entries;
  AddList(entries, kSectionOpenFileName, settings.RecentFiles);
  AddList(entries, kSectionFindStrName, settings.FindHistory);
  AddList(entries, kSectionJumpLineNum, settings.JumpHistory);
  AddList(entries, kSectionShioriStrName, bookmarks);
  AddList(entries, kSectionResumeFileName, resumeTable);
  const HistoryTexts texts = HistoryTextsOf(settings);
  for (int field = 0; field < kHistoryFieldCount; ++field)
    entries.push_back({kSectionKoumokuSetNum, kHistoryFieldRules[field].key, texts[field]});
  file.WriteEntries(entries);
}

void WriteDisplayPage(IniFile& file, const Settings& settings) {
  const char* flags = kSectionKoumokuSetName;
  const char* numbers = kSectionKoumokuSetNum;
  file.WriteEntries({
      {flags, "CheckWrapChar", FlagText(settings.CheckWrapChar)},
      {flags, "CheckTabChar", FlagText(settings.CheckTabChar)},
      {flags, "CheckFindScroll", FlagText(settings.CheckFindScroll)},
      {flags, "CheckScrollSense", FlagText(settings.CheckScrollSense)},
      {flags, "CheckCloseDialog", FlagText(settings.CheckCloseDialog)},
      {flags, "CheckAutoResum", FlagText(settings.CheckAutoResum)},
      {flags, "CheckAutoResumJump", FlagText(settings.CheckAutoResumJump)},
      {numbers, kDisplayFieldRules[kDisplayWrapChar].key, settings.EditWrapChar},
      {numbers, kDisplayFieldRules[kDisplayTabChar].key, settings.EditTabChar},
      {numbers, kDisplayFieldRules[kDisplayFindScroll].key, settings.EditFindScroll},
      {numbers, kDisplayFieldRules[kDisplayScrollSense].key, settings.EditScrollSense},
  });
}

void WriteTextFont(IniFile& file, const Settings& settings) {
  file.WriteEntries({
      {kSectionTextJyouhou, "TextFontName", settings.TextFontName},
      {kSectionTextJyouhou, "TextFontSize", settings.TextFontSize},
      {kSectionTextJyouhou, "TextFontColor", settings.TextFontColor},
  });
}

}  // namespace pelto
