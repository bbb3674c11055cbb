#include "positions/ResumeTable.h"

#include <vector>

#include "settings/OptionRules.h"
#include "text/NumberedLine.h"

namespace pelto {

ResumeTable ReadResumeTable(const IniFile& file) {
  ResumeTable table;
  const std::vector<std::string> entries = file.ReadList(kSectionResumeFileName, kResumeSlots);
  for (int slot = 1; slot <= kResumeSlots; ++slot) table[slot] = entries[slot - 1];
  return table;
}

void WriteResumeTable(IniFile& file, const ResumeTable& table) {
  file.WriteList(kSectionResumeFileName,
                 std::vector<std::string>(table.begin() + 1, table.end()));
}

bool ParseResumeEntry(std::string_view entry, long long& line, std::string& fileName) {
  return ReadNumberedLine(entry, line, fileName);
}

int FindResumeEntry(const ResumeTable& table, std::string_view fileName) {
  if (fileName.empty()) return 0;
  for (int slot = 1; slot <= kResumeSlots; ++slot) {
    long long line = 0;
    std::string name;
    if (ParseResumeEntry(table[slot], line, name) && name == fileName) return slot;
  }
  return 0;
}

void PlaceResumeEntry(ResumeTable& table, int matchIndex) {
  // Without a match the whole list shifts; slot 64 shifting out is the same.
  const int last = (matchIndex >= 1 && matchIndex <= kResumeSlots) ? matchIndex : kResumeSlots;
  for (int slot = last; slot >= 1; --slot) table[slot] = table[slot - 1];
}

void TrimResumeTable(ResumeTable& table, int limit) { KeepFirstEntries(table, limit); }

int ResumeLimit(std::string_view editResumResum) { return HistoryLimit(editResumResum, kResumeSlots); }

bool StoreResumePoint(IniFile& file, std::string_view currentFileName, long long topLine1,
                      int limit) {
  // With no document there is no position: an entry with an empty name would
  // only push a real one out of the list.
  if (currentFileName.empty()) return false;
  ResumeTable table = ReadResumeTable(file);
  const int match = FindResumeEntry(table, currentFileName);
  table[0] = MakeNumberedLine(topLine1, currentFileName);
  PlaceResumeEntry(table, match);
  TrimResumeTable(table, limit);
  WriteResumeTable(file, table);
  return true;
}

std::optional<long long> ResumeLineForFile(const ResumeTable& table, std::string_view fileName) {
  const int slot = FindResumeEntry(table, fileName);
  if (slot == 0) return std::nullopt;
  long long line = 0;
  std::string name;
  ParseResumeEntry(table[slot], line, name);
  return line;
}

std::optional<long long> ResumeLineForFile(const IniFile& file, std::string_view fileName) {
  return ResumeLineForFile(ReadResumeTable(file), fileName);
}

}  // namespace pelto
