// Resume points: one most-recently-used list of "NNNNNN : <file name>" records
// in section "ResumeFileName", keys "1".."64", shared by every running copy.
// Each operation reads the list afresh and writes it whole.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "settings/IniFile.h"
#include "settings/Settings.h"

namespace pelto {

inline constexpr int kResumeSlots = kResumeCount;

// Slot 0 is the hand-over slot (the entry being built, or the one chosen in
// the list); slots 1..64 mirror keys "1".."64", most recent first.
using ResumeTable = std::array<std::string, kResumeSlots + 1>;

// Slots 1..64 from the file; slot 0 empty.
ResumeTable ReadResumeTable(const IniFile& file);

// All 64 keys in one atomic rewrite, empty slots as empty values.
// Throws EIniWriteError when the file cannot be written.
void WriteResumeTable(IniFile& file, const ResumeTable& table);

// Splits an entry into its 1-based line number and its file name. The number
// is read from the digits before " : ", so seven-digit numbers read whole.
// False when the entry is not such a record.
bool ParseResumeEntry(std::string_view entry, long long& line, std::string& fileName);

// Index 1..64 of the first entry that belongs to `fileName`: its name part
// equals the name exactly (case included), so "app.log" never takes the entry
// of "app.log.1". 0 when there is none or `fileName` is empty.
int FindResumeEntry(const ResumeTable& table, std::string_view fileName);

// Moves slot 0 to the front: with no match (0) or a match in slot 64, slots
// 0..63 move to 1..64 and the old slot 64 drops out; with a match in slot k
// (2..63) slots 0..k-1 move to 1..k, overwriting entry k; with a match in slot
// 1, slot 1 := slot 0.
void PlaceResumeEntry(ResumeTable& table, int matchIndex);

// Empties the slots above `limit` (0..64).
void TrimResumeTable(ResumeTable& table, int limit);

// The number of entries kept: "EditResumResum" as an integer, 64 when it does
// not convert, held to 0..64 (a hand-edited larger value means all 64).
int ResumeLimit(std::string_view editResumResum);

// Stores the resume record of the open document: reads the list, builds slot 0
// from `topLine1` (the 1-based line shown in the top row) and the name, places
// it, empties the slots above `limit`, writes all 64 keys. Only a document that
// is open has a position: with an empty `currentFileName` nothing is read or
// written and the result is false. Throws EIniWriteError when the write fails.
bool StoreResumePoint(IniFile& file, std::string_view currentFileName,
                      long long topLine1, int limit);

// The 1-based line stored for `fileName` (exact name match, first entry from
// slot 1), or nullopt when there is none. The caller applies the jump rule.
std::optional<long long> ResumeLineForFile(const IniFile& file, std::string_view fileName);
std::optional<long long> ResumeLineForFile(const ResumeTable& table, std::string_view fileName);

}  // namespace pelto
