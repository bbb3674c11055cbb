// Copying a range of whole logical lines: which lines, the limits, and the
// text that goes to the clipboard.
#pragma once

#include <cstdint>
#include <string>

#include "view/BvStrings.h"

namespace pelto {

// Notices of the message window (UTF-8).
inline constexpr const char* kSelectStartOutOfRangeMessage = "    選択開始の行番号が範囲外です。   ";
inline constexpr const char* kSelectEndOutOfRangeMessage = "    選択終了の行番号が範囲外です。   ";
inline constexpr const char* kSelectTooManyLinesMessage = "    コピーできる範囲は９９９行までです。   ";
// Caption while the text goes to the clipboard (UTF-8).
inline constexpr const char* kCopyingCaption = "  クリップボードにコピー中です。 ";

inline constexpr int32_t kMaxCopyLines = 999;

enum class RangeCopyOutcome { Copied, StartOutOfRange, EndOutOfRange, TooManyLines };

struct RangeCopy {
    RangeCopyOutcome Outcome;
    std::string Text;        // CP932 bytes, every line followed by CR LF; empty unless Copied
    int32_t LineCount = 0;   // lines in Text
};

// The lines from the smaller to the larger 1-based line number, both included,
// in ascending order.  A number outside 1..the document's line count is
// refused (the start first), and so is a range of 1000 lines or more.
RangeCopy BuildRangeCopy(const TBvStrings& store, int32_t startLine1, int32_t endLine1);

// The message window text for a refusal; empty for Copied.
const char* RangeCopyMessage(RangeCopyOutcome outcome);

// Lines from the smaller to the larger number, both included.
int32_t SelectedLineCount(int32_t startLine1, int32_t currentLine1);

// The caption while selecting (UTF-8), numbers zero-filled to six digits and
// longer ones in full.
std::string SelectionCaption(int32_t startLine1, int32_t currentLine1);

} // namespace pelto
