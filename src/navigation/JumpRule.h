// Going to a 1-based line number: the rule shared by the jump dialog, resume
// points, bookmarks and the title and tree lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "view/RowTable.h"

namespace pelto {

// Notice of the message window (UTF-8) when a number is refused.
inline constexpr const char* kLineOutOfRangeMessage = "    行番号が範囲外です。   ";

// The TopRow that shows 1-based line lineNumber: R := RowOfLine(lineNumber),
// refused unless 1 <= R; then R - 1, or the last row when R is at or past
// RowCount.  Every row of the document is reachable, however long it is.
// A negative number is refused (it names no line).
std::optional<int32_t> JumpTopRow(int64_t lineNumber, const RowTable& rows);

// A typed line number as a whole: leading blanks, an optional sign, decimal
// digits or hexadecimal ones after a leading "$" (32 bits, so "$FFFFFFFF" is
// -1).  Unlike the settings file's numbers, "0x" is not hexadecimal here:
// anything but a digit fails.
std::optional<int32_t> JumpNumber(std::string_view numberText);

// JumpTopRow for a typed number that must convert by JumpNumber.
std::optional<int32_t> JumpTopRow(std::string_view numberText, const RowTable& rows);

enum class JumpOutcome {
    Jump,        // TopRow is the row to show
    MinusSign,   // refused at once: the history is not written
    OutOfRange,  // refused: the history is written unchanged
};

struct JumpResult {
    JumpOutcome Outcome;
    int32_t TopRow;  // valid with Jump
};

// What the jump dialog's text does.  A minus sign anywhere is refused before
// anything else, as a negative line number would be.
JumpResult JumpFromText(std::string_view jumpText, const RowTable& rows);

} // namespace pelto
