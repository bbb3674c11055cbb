#include "positions/BookmarkTable.h"

#include <algorithm>
#include <vector>

#include "settings/OptionRules.h"
#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto {

std::string_view CutBookmarkText(std::string_view rowText) {
  if (rowText.size() <= kBookmarkTextBytes) return rowText;
  // Walk whole characters from the row's first byte so a trail byte that
  // looks like a lead byte is never taken for one.
  size_t end = 0;
  while (end < rowText.size()) {
    const size_t next = end + static_cast<size_t>(Cp932CharLen(rowText, end));
    if (next > kBookmarkTextBytes) break;
    end = next;
  }
  return rowText.substr(0, end);
}

std::string MakeBookmarkEntry(long long topLine1, std::string_view rowText) {
  return MakeNumberedLine(topLine1, Cp932ToUtf8(CutBookmarkText(rowText)));
}

BookmarkTable ReadBookmarkTable(const IniFile& file) {
  BookmarkTable table;
  const std::vector<std::string> entries = file.ReadList(kSectionShioriStrName, kBookmarkCount);
  for (int slot = 1; slot <= kBookmarkCount; ++slot) table[slot] = entries[slot - 1];
  return table;
}

void WriteBookmarkTable(IniFile& file, const BookmarkTable& table) {
  file.WriteList(kSectionShioriStrName,
                 std::vector<std::string>(table.begin() + 1, table.end()));
}

void PushBookmark(BookmarkTable& table) {
  for (int slot = kBookmarkCount; slot >= 1; --slot) table[slot] = table[slot - 1];
}

namespace {

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// -1, 0, 1 ignoring ASCII letter case; the entries are UTF-8, whose
// multi-byte sequences never contain ASCII bytes.
int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t k = 0; k < common; ++k) {
    const unsigned char ca = FoldAscii(static_cast<unsigned char>(a[k]));
    const unsigned char cb = FoldAscii(static_cast<unsigned char>(b[k]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Records by line number, then anything that is not a record (written by
// hand), then the empty entries; ties by text ignoring case.
bool SortsBefore(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return !a.empty() && b.empty();
  long long lineA = 0, lineB = 0;
  std::string restA, restB;
  const bool recordA = ReadNumberedLine(a, lineA, restA);
  const bool recordB = ReadNumberedLine(b, lineB, restB);
  if (recordA != recordB) return recordA;
  if (recordA && lineA != lineB) return lineA < lineB;
  const int order = CompareIgnoringCase(a, b);
  // Entries equal but for case keep a fixed order.
  return order != 0 ? order < 0 : a < b;
}

}  // namespace

void SortBookmarks(BookmarkTable& table) {
  std::stable_sort(table.begin() + 1, table.end(), SortsBefore);
}

void ClearBookmarks(BookmarkTable& table) { KeepFirstEntries(table, 0); }

int BookmarkLimit(std::string_view editShioriResum) { return HistoryLimit(editShioriResum, kBookmarkCount); }

bool BookmarkLine(std::string_view entry, long long& line1) {
  std::string text;
  return ReadNumberedLine(entry, line1, text);
}

}  // namespace pelto
