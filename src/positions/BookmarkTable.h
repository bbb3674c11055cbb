// Bookmarks: one list of at most nine "NNNNNN : <row text>" records for the
// whole program, in section "ShioriStrName", keys "1".."9". They live for one
// run: the list is emptied in the file at shutdown.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace pelto {

// Slot 0 is the hand-over slot (the entry chosen in the list); slots 1..9
// mirror keys "1".."9", most recent first unless sorted. The same type as the
// settings mirror's BookmarkTable, which shutdown empties and writes.
using BookmarkTable = std::array<std::string, kBookmarkCount + 1>;

// Longest row text kept in an entry, in document bytes.
inline constexpr size_t kBookmarkTextBytes = 128;

// `rowText` (document bytes) cut to at most 128 bytes without splitting a
// double-byte character: 127 when byte 128 would be a lead byte.
std::string_view CutBookmarkText(std::string_view rowText);

// The entry for the top row: its 1-based line number, " : ", and the row text
// cut as above and decoded to platform text for the settings file.
std::string MakeBookmarkEntry(long long topLine1, std::string_view rowText);

// Slots 1..9 from the file; slot 0 empty.
BookmarkTable ReadBookmarkTable(const IniFile& file);

// All nine keys in one atomic rewrite. Throws EIniWriteError on failure.
void WriteBookmarkTable(IniFile& file, const BookmarkTable& table);

// Puts slot 0 in front: slots 0..8 move to 1..9, the old slot 9 drops out.
// Equal entries are not merged, so one place can be stored twice.
void PushBookmark(BookmarkTable& table);

// Orders slots 1..9 ignoring letter case, empty entries last. Records compare
// by their line numbers first, so a seven-digit line sorts after 999999.
void SortBookmarks(BookmarkTable& table);

// Empties slots 1..9.
void ClearBookmarks(BookmarkTable& table);

// How many bookmarks the list offers: "EditShioriResum" as an integer, 9 when
// it does not convert, held to 0..9 (a hand-edited larger value means all).
int BookmarkLimit(std::string_view editShioriResum);

// The 1-based line number of an entry: the digits before " : ". False when
// the entry is not such a record.
bool BookmarkLine(std::string_view entry, long long& line1);

}  // namespace pelto
