// History tables: fixed arrays of strings where slot 0 is the hand-over slot
// between a dialog and the main window and slots 1..n are the entries, most
// recent first (the search strings, the jump numbers).
#pragma once

#include <span>
#include <string>
#include <vector>

namespace pelto {

// Entry i := entry i - 1 for i from n down to 1: slot 0 becomes entry 1 and
// the oldest entry is dropped.  Duplicates are kept on purpose.
void ShiftHistory(std::span<std::string> table);

// Empties entries 1..n; slot 0 is left alone.
void ClearHistory(std::span<std::string> table);

// The lines a dialog's history list shows: the non-empty entries among 1 to
// shownSize (at most n), or one empty line when there is none.
std::vector<std::string> HistoryListLines(std::span<const std::string> table, int shownSize);

} // namespace pelto
