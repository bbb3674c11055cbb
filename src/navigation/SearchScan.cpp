#include "navigation/SearchScan.h"
#include "view/HelperThread.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/Cp932.h"
#include "text/NumberField.h"

namespace pelto {

namespace {

inline bool IsLower(unsigned char b) { return b >= 'a' && b <= 'z'; }
inline bool IsUpper(unsigned char b) { return b >= 'A' && b <= 'Z'; }
inline bool Lead(char b) { return IsDBCSLeadByte(static_cast<unsigned char>(b)); }

} // namespace

// --- the pattern ------------------------------------------------------------

SearchPattern::SearchPattern(std::string_view cp932Pattern, bool caseSensitive)
    : folded_(cp932Pattern), fold_(!caseSensitive)
{
    if (fold_)
        UpperAscii(folded_);
    alt_ = folded_;
    if (fold_) {
        for (char& b : alt_) {
            if (IsUpper(static_cast<unsigned char>(b))) {
                b = static_cast<char>(b - 'A' + 'a');
                anyAlt_ = true;
            }
        }
    }
}

bool SearchPattern::MiddleMatches(const char* at) const
{
    const size_t m = folded_.size();
    if (m <= 2)
        return true;
    if (!anyAlt_)
        return std::memcmp(at + 1, folded_.data() + 1, m - 2) == 0;
    for (size_t j = 1; j + 1 < m; ++j) {
        if (at[j] != folded_[j] && at[j] != alt_[j])
            return false;
    }
    return true;
}

// Looks at sixteen start positions at once by their first and last bytes,
// then checks the bytes between; the rest is checked by the caller.
template <bool Fold>
const char* SearchPattern::Scan(const char* from, const char* end) const
{
    const size_t m = folded_.size();
    const char* lastStart = end - m;
    const char first = folded_[0], firstAlt = alt_[0];
    const char last = folded_[m - 1], lastAlt = alt_[m - 1];
    const char* p = from;
#if defined(__SSE2__)
    const __m128i vFirst = _mm_set1_epi8(first), vFirstAlt = _mm_set1_epi8(firstAlt);
    const __m128i vLast = _mm_set1_epi8(last), vLastAlt = _mm_set1_epi8(lastAlt);
    while (lastStart - p >= 15) {
        __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m - 1));
        __m128i eqHead = _mm_cmpeq_epi8(head, vFirst);
        __m128i eqTail = _mm_cmpeq_epi8(tail, vLast);
        if constexpr (Fold) {
            eqHead = _mm_or_si128(eqHead, _mm_cmpeq_epi8(head, vFirstAlt));
            eqTail = _mm_or_si128(eqTail, _mm_cmpeq_epi8(tail, vLastAlt));
        }
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(eqHead, eqTail)));
        while (mask != 0) {
            const char* at = p + __builtin_ctz(mask);
            if (MiddleMatches(at))
                return at;
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p) {
        bool head = *p == first || (Fold && *p == firstAlt);
        bool tail = p[m - 1] == last || (Fold && p[m - 1] == lastAlt);
        if (head && tail && MiddleMatches(p))
            return p;
    }
    return end;
}

const char* SearchPattern::NextCandidate(const char* from, const char* end) const
{
    const size_t m = folded_.size();
    if (m == 0 || end - from < static_cast<ptrdiff_t>(m))
        return end;
    if (m == 1 && !anyAlt_) {
        const void* at = std::memchr(from, folded_[0], static_cast<size_t>(end - from));
        return at ? static_cast<const char*>(at) : end;
    }
    return anyAlt_ ? Scan<true>(from, end) : Scan<false>(from, end);
}

bool SearchPattern::MatchesAt(std::string_view rowText, size_t offset) const
{
    const size_t m = folded_.size();
    if (m == 0 || offset + m > rowText.size())
        return false;
    if (!fold_)
        return std::memcmp(rowText.data() + offset, folded_.data(), m) == 0;
    // Walk the row's characters from the start offset: only single-byte a-z
    // fold, both bytes of a double-byte character compare as stored.
    size_t t = offset;
    size_t j = 0;
    while (j < m) {
        const char b = rowText[t];
        if (Lead(b) && t + 1 < rowText.size()) {
            if (b != folded_[j])
                return false;
            if (j + 1 < m && rowText[t + 1] != folded_[j + 1])
                return false;
            t += 2;
            j += 2;
        } else {
            const auto u = static_cast<unsigned char>(b);
            const char f = IsLower(u) ? static_cast<char>(u - 'a' + 'A') : b;
            if (f != folded_[j])
                return false;
            ++t;
            ++j;
        }
    }
    return true;
}

// --- the scan ---------------------------------------------------------------

namespace {

// A piece of one line inside a chunk: the bytes from begin to end are searched.
struct LineSpan {
    const char* begin;
    const char* end;
    const char* lineStart;
    int32_t lineLength;
    int32_t line;
};

constexpr size_t kMaxChunkLines = 16384;
constexpr size_t kFirstPriorChunkLines = 256;

// Rows of one line, and the row that holds a byte offset of it.
struct RowSlice {
    int32_t row = -1;
    int32_t begin = 0;  // 0-based byte offsets in the line
    int32_t end = 0;
};

class Scanner {
public:
    Scanner(const TBvStrings& store, const RowTable& rows, const SearchPattern& pattern)
        : store_(store), rows_(rows), pattern_(pattern)
    {
        spans_.reserve(1024);
    }

    // Lines line..lastLine, the first from byte offset on; gives up, with no
    // hit, between chunks once stop is set.
    std::optional<SearchHit> Forward(int32_t line, int32_t offset, int32_t lastLine,
                                     const std::atomic<bool>* stop = nullptr);
    std::optional<SearchHit> Backward(int32_t fromRow);

private:
    // Fills spans_ going down (toward line 0) or up from a line; returns the
    // line to continue with.
    int32_t CollectUp(int32_t line, int32_t firstOffset, int32_t lastLine);
    int32_t CollectDown(int32_t line, int32_t lastOffset, size_t maxLines);
    // Scans spans_: the first hit, or with lastRowWins the first hit of the
    // highest row that has one.
    std::optional<SearchHit> ScanChunk(bool lastRowWins);
    RowSlice RowAt(const LineSpan& span, int32_t offset);
    bool CharacterStart(const LineSpan& span, const RowSlice& slice, int32_t offset);

    const TBvStrings& store_;
    const RowTable& rows_;
    const SearchPattern& pattern_;
    std::vector<LineSpan> spans_;
    RowSlice cachedRow_;
    int32_t cachedLine_ = -1;
    int32_t walkRow_ = -1;  // the row walked for character starts, and how far
    int32_t walkPos_ = 0;
};

RowSlice Scanner::RowAt(const LineSpan& span, int32_t offset)
{
    if (cachedLine_ == span.line && offset >= cachedRow_.begin && offset < cachedRow_.end)
        return cachedRow_;
    int32_t first = rows_.RowOfLine(span.line);
    int32_t next = span.line + 1 < rows_.LineCount() ? rows_.RowOfLine(span.line + 1) : rows_.RowCount();
    // Last row of the line that starts at or before the offset.
    int32_t lo = first, hi = next - 1;
    while (lo < hi) {
        int32_t mid = lo + (hi - lo + 1) / 2;
        if (rows_.Row(mid).Start - 1 <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    RowEntry entry = rows_.Row(lo);
    RowSlice slice;
    slice.row = lo;
    slice.begin = std::max(entry.Start - 1, 0);
    slice.end = static_cast<int32_t>(
        std::min<int64_t>(int64_t(slice.begin) + std::max(entry.Length, 0), span.lineLength));
    cachedLine_ = span.line;
    cachedRow_ = slice;
    return slice;
}

// Whether offset starts a character when the row is walked from its first
// byte.  Offsets come in increasing order within a row, so the walk resumes.
bool Scanner::CharacterStart(const LineSpan& span, const RowSlice& slice, int32_t offset)
{
    if (walkRow_ != slice.row || walkPos_ > offset) {
        walkRow_ = slice.row;
        walkPos_ = slice.begin;
    }
    const char* text = span.lineStart;
    while (walkPos_ < offset)
        walkPos_ += (Lead(text[walkPos_]) && walkPos_ + 1 < slice.end) ? 2 : 1;
    return walkPos_ == offset;
}

std::optional<SearchHit> Scanner::ScanChunk(bool lastRowWins)
{
    if (spans_.empty())
        return std::nullopt;
    const size_t m = pattern_.Size();
    const char* regionEnd = spans_.back().end;
    const char* from = spans_.front().begin;
    size_t spanIndex = 0;
    std::optional<SearchHit> found;
    walkRow_ = -1;
    while (true) {
        const char* at = pattern_.NextCandidate(from, regionEnd);
        if (at == regionEnd)
            break;
        from = at + 1;
        while (spanIndex + 1 < spans_.size() && spans_[spanIndex + 1].begin <= at)
            ++spanIndex;
        const LineSpan& span = spans_[spanIndex];
        if (at < span.begin || at + m > span.end)
            continue;  // across a line break
        const auto offset = static_cast<int32_t>(at - span.lineStart);
        RowSlice slice = RowAt(span, offset);
        if (offset + static_cast<int64_t>(m) > slice.end)
            continue;  // split by wrapping
        if (!CharacterStart(span, slice, offset))
            continue;  // starts on a trail byte
        std::string_view rowText(span.lineStart + slice.begin, static_cast<size_t>(slice.end - slice.begin));
        if (!pattern_.MatchesAt(rowText, static_cast<size_t>(offset - slice.begin)))
            continue;
        SearchHit hit{slice.row, offset - slice.begin + 1};
        if (!lastRowWins)
            return hit;
        found = hit;
        // Later hits in this row cannot win; go on with the next row.
        from = std::max(from, span.lineStart + slice.end);
        if (from >= regionEnd)
            break;
    }
    return found;
}

int32_t Scanner::CollectUp(int32_t line, int32_t firstOffset, int32_t lastLine)
{
    spans_.clear();
    const char* previousEnd = nullptr;
    int32_t emptyLines = 0;
    for (; line <= lastLine && spans_.size() < kMaxChunkLines; ++line) {
        std::string_view text = store_.Get(line);
        int32_t offset = spans_.empty() ? firstOffset : 0;
        firstOffset = 0;
        if (text.empty() || offset >= static_cast<int32_t>(text.size())) {
            ++emptyLines;
            continue;
        }
        if (!spans_.empty() && !AdjacentLines(previousEnd, text.data(), emptyLines))
            break;
        spans_.push_back({text.data() + offset, text.data() + text.size(), text.data(),
                          static_cast<int32_t>(text.size()), line});
        previousEnd = text.data() + text.size();
        emptyLines = 0;
    }
    return line;
}

int32_t Scanner::CollectDown(int32_t line, int32_t lastOffset, size_t maxLines)
{
    spans_.clear();
    const char* nextBegin = nullptr;
    int32_t emptyLines = 0;
    for (; line >= 0 && spans_.size() < maxLines; --line) {
        std::string_view text = store_.Get(line);
        int32_t length = static_cast<int32_t>(text.size());
        int32_t end = spans_.empty() && lastOffset >= 0 ? std::min(lastOffset, length) : length;
        lastOffset = -1;
        if (text.empty() || end <= 0) {
            ++emptyLines;
            continue;
        }
        if (!spans_.empty() && !AdjacentLines(text.data() + text.size(), nextBegin, emptyLines))
            break;
        spans_.push_back({text.data(), text.data() + end, text.data(), length, line});
        nextBegin = text.data();
        emptyLines = 0;
    }
    std::reverse(spans_.begin(), spans_.end());
    return line;
}

std::optional<SearchHit> Scanner::Forward(int32_t line, int32_t offset, int32_t lastLine,
                                          const std::atomic<bool>* stop)
{
    while (line <= lastLine) {
        if (stop && stop->load(std::memory_order_relaxed))
            return std::nullopt;
        line = CollectUp(line, offset, lastLine);
        offset = 0;
        if (auto hit = ScanChunk(false))
            return hit;
    }
    return std::nullopt;
}

// A forward search over many lines: the nearest lines first, as hits are
// usually near; then the rest in two halves at once, the first half's hit
// winning.  The second half gives up as soon as the first one has a hit.
std::optional<SearchHit> SearchForward(const TBvStrings& store, const RowTable& rows, const SearchPattern& pattern,
                                       int32_t fromRow)
{
    constexpr int32_t kNearLines = 1 << 18;
    const int32_t lastLine = store.Count() - 1;
    const RowEntry entry = rows.Row(fromRow);
    const int32_t line = entry.Line;
    const int32_t offset = std::max(entry.Start - 1, 0);
    Scanner scanner(store, rows, pattern);
    if (lastLine - line < 4 * kNearLines)
        return scanner.Forward(line, offset, lastLine);
    if (auto hit = scanner.Forward(line, offset, line + kNearLines - 1))
        return hit;
    const int32_t first = line + kNearLines;
    const int32_t middle = first + (lastLine - first) / 2;
    std::atomic<bool> firstFound{false};
    std::optional<SearchHit> secondHit;
    HelperThread second([&] { secondHit = Scanner(store, rows, pattern).Forward(middle, 0, lastLine, &firstFound); },
                        &firstFound);
    if (auto hit = scanner.Forward(first, 0, middle - 1))
        return hit;
    second.Join();
    return secondHit;
}

std::optional<SearchHit> Scanner::Backward(int32_t fromRow)
{
    RowEntry entry = rows_.Row(fromRow);
    int32_t line = entry.Line;
    int32_t endOffset = std::max(entry.Start - 1, 0) + std::max(entry.Length, 0);
    if (entry.Start <= 0)
        endOffset = 0;
    // Hits are usually near: start with a small chunk and grow.
    size_t maxLines = kFirstPriorChunkLines;
    while (line >= 0) {
        line = CollectDown(line, endOffset, maxLines);
        endOffset = -1;
        maxLines = std::min(maxLines * 4, kMaxChunkLines);
        if (auto hit = ScanChunk(true))
            return hit;
    }
    return std::nullopt;
}

} // namespace

bool AdjacentLines(const char* previousEnd, const char* begin, int32_t emptyLinesBetween)
{
    const auto gap = reinterpret_cast<uintptr_t>(begin) - reinterpret_cast<uintptr_t>(previousEnd);
    return reinterpret_cast<uintptr_t>(begin) >= reinterpret_cast<uintptr_t>(previousEnd) &&
           gap <= 2u * (static_cast<uintptr_t>(emptyLinesBetween) + 1u);
}

std::optional<SearchHit> SearchRows(const TBvStrings& store, const RowTable& rows,
                                    const SearchPattern& pattern, int32_t startRow,
                                    SearchDirection direction)
{
    const int32_t rowCount = rows.RowCount();
    if (pattern.Empty() || rowCount == 0)
        return std::nullopt;
    if (direction == SearchDirection::Next) {
        if (startRow >= rowCount)
            return std::nullopt;
        return SearchForward(store, rows, pattern, std::max(startRow, 0));
    }
    if (startRow < 0)
        return std::nullopt;
    return Scanner(store, rows, pattern).Backward(std::min(startRow, rowCount - 1));
}

std::optional<SearchHit> SearchRows(const TBvStrings& store, const RowTable& rows,
                                    std::string_view cp932Pattern, int32_t startRow,
                                    SearchDirection direction, bool caseSensitive)
{
    return SearchRows(store, rows, SearchPattern(cp932Pattern, caseSensitive), startRow, direction);
}

// --- repeat and caption rules -----------------------------------------------

int32_t RepeatNextStartRow(bool hitShown, int32_t topRow, int32_t findScrollRows, int32_t hitRow)
{
    if (!hitShown)
        return topRow + 1;
    // Near the top of the document the view stopped at row 0 instead of
    // findScrollRows rows above the hit: the 1-based hit row is the row after it.
    return findScrollRows < hitRow ? topRow + findScrollRows + 1 : hitRow;
}

int32_t RepeatPriorStartRow(bool hitShown, int32_t topRow, int32_t findScrollRows, int32_t hitRow)
{
    if (!hitShown)
        return topRow - 1;
    return findScrollRows < hitRow ? topRow + findScrollRows - 1 : hitRow - 2;
}

int32_t HitTopRow(int32_t hitRow0, int32_t findScrollRows)
{
    return std::max(hitRow0 - findScrollRows, 0);
}

int32_t FindScrollRowsFromOptions(bool checkFindScroll, std::string_view editFindScroll)
{
    if (!checkFindScroll)
        return 0;
    return std::clamp(StrToIntDef(editFindScroll, 0), 0, 16);
}

std::string SearchHitCaption(int32_t hitRow1, int32_t line1, int32_t position)
{
    return "  検索行 : " + std::to_string(hitRow1) + " (" + std::to_string(line1) + ")" +
           "  検索位置 : " + std::to_string(position);
}

} // namespace pelto
