#include "navigation/RangeCopy.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace pelto {

namespace {

bool LineNumberInRange(int32_t line1, const TBvStrings& store)
{
    // The start line outlives the document it was marked in: a number past
    // the current document's end must not reach the line store.
    return line1 >= 1 && line1 <= store.Count();
}

// A decimal integer of at least six digits, zero-filled.
std::string SixDigits(int32_t value)
{
    char buffer[16];
    const long long magnitude = std::llabs(static_cast<long long>(value));
    std::snprintf(buffer, sizeof buffer, "%s%06lld", value < 0 ? "-" : "", magnitude);
    return buffer;
}

} // namespace

RangeCopy BuildRangeCopy(const TBvStrings& store, int32_t startLine1, int32_t endLine1)
{
    if (!LineNumberInRange(startLine1, store))
        return {RangeCopyOutcome::StartOutOfRange, {}, 0};
    if (!LineNumberInRange(endLine1, store))
        return {RangeCopyOutcome::EndOutOfRange, {}, 0};
    const int32_t first = std::min(startLine1, endLine1);
    const int32_t last = std::max(startLine1, endLine1);
    if (last - first >= kMaxCopyLines)
        return {RangeCopyOutcome::TooManyLines, {}, 0};

    RangeCopy copy{RangeCopyOutcome::Copied, {}, last - first + 1};
    size_t size = 0;
    for (int32_t line = first - 1; line < last; ++line)
        size += store.Get(line).size() + 2;
    copy.Text.reserve(size);
    for (int32_t line = first - 1; line < last; ++line) {
        copy.Text.append(store.Get(line));
        copy.Text.append("\r\n");
    }
    return copy;
}

const char* RangeCopyMessage(RangeCopyOutcome outcome)
{
    switch (outcome) {
    case RangeCopyOutcome::StartOutOfRange:
        return kSelectStartOutOfRangeMessage;
    case RangeCopyOutcome::EndOutOfRange:
        return kSelectEndOutOfRangeMessage;
    case RangeCopyOutcome::TooManyLines:
        return kSelectTooManyLinesMessage;
    case RangeCopyOutcome::Copied:
        break;
    }
    return "";
}

int32_t SelectedLineCount(int32_t startLine1, int32_t currentLine1)
{
    return currentLine1 >= startLine1 ? currentLine1 - startLine1 + 1 : startLine1 - currentLine1 + 1;
}

std::string SelectionCaption(int32_t startLine1, int32_t currentLine1)
{
    return " 選択中です。 開始行 : " + SixDigits(startLine1) + " 行 ～" + " 現在行 : " +
           SixDigits(currentLine1) + " 行 " + " （選択行数 : " +
           SixDigits(SelectedLineCount(startLine1, currentLine1)) + " 行）";
}

} // namespace pelto
