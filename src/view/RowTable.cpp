#include "view/RowTable.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <cstring>
#include <string>

#include "text/Cp932.h"
#include "view/HelperThread.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace pelto {

namespace {

// Answers ByteKind at increasing positions of one line without walking every
// byte from byte 1.  A byte outside the lead range always ends a character,
// so the character starts before a position follow from the run of lead-range
// bytes in front of it: an odd run means the position is a trail byte.  The
// scan back stops at a known character start (the previous answer's).
class KindWalker {
public:
    explicit KindWalker(std::string_view text) : text_(text) {}
    // Same result as ByteKind(text, k) for increasing k.
    int Kind(int64_t k)
    {
        if (k < 1 || k > static_cast<int64_t>(text_.size()))
            return 0;
        const size_t target = static_cast<size_t>(k - 1);
        const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data());
        size_t run = 0;
        bool counted = false;
#ifdef __SSE2__
        // The 16 bytes in front at once: the run is the number of lead-range
        // bytes at the top of their mask.
        if (target - charStart_ >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + target - 16));
            const __m128i low = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0x81)));
            const __m128i high = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0xE0)));
            const __m128i lead = _mm_or_si128(
                _mm_cmpeq_epi8(_mm_min_epu8(low, _mm_set1_epi8(0x9F - 0x81)), low),
                _mm_cmpeq_epi8(_mm_min_epu8(high, _mm_set1_epi8(0xFC - 0xE0)), high));
            const uint32_t notLead = ~static_cast<uint32_t>(_mm_movemask_epi8(lead)) & 0xFFFFu;
            run = notLead == 0 ? 16 : static_cast<size_t>(__builtin_clz(notLead) - 16);
            counted = run < 16;
        }
#endif
        while (!counted && target - run > charStart_ && IsDBCSLeadByte(bytes[target - run - 1]))
            ++run;
        if (run % 2 == 1) {
            charStart_ = target - 1;
            return 2;
        }
        charStart_ = target;
        return IsDBCSLeadByte(bytes[target]) && target + 1 < text_.size() ? 1 : 0;
    }

private:
    std::string_view text_;
    size_t charStart_ = 0; // a known character start at or before every later question
};

// Calls f(code, bytes) for every character code a line can hold: each single
// byte, then lead << 8 | trail for every lead byte and any byte after it.
template <typename F>
void ForEachCharacterCode(F f)
{
    for (int b = 0; b < 256; ++b)
        f(static_cast<uint16_t>(b), 1);
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsDBCSLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0; trail < 256; ++trail)
            f(static_cast<uint16_t>((lead << 8) | trail), 2);
    }
}

std::atomic<int32_t> parallelLayoutThreshold{1 << 20};

constexpr int64_t kMaxRows = INT32_MAX;
constexpr int32_t kPrefetchLines = 24;

} // namespace

TableMeasurer::TableMeasurer(TextMeasurer& source)
    : advance_(65536, 0),
      tabWidth_(source.TabWidth()),
      charWidth_(source.CharWidth()),
      clientWidth_(source.ClientWidth())
{
    ForEachCharacterCode([&](uint16_t code, int) { advance_[code] = source.Advance(code); });
}

int64_t TabbedWidth(std::string_view text, TextMeasurer& m)
{
    const int32_t tabWidth = m.TabWidth();
    int64_t x = 0;
    for (size_t pos = 0; pos < text.size();) {
        int len = 1;
        uint16_t code = Cp932CharCode(text, pos, &len);
        x = code == '\t' ? AfterTab(x, tabWidth) : x + m.Advance(code);
        pos += static_cast<size_t>(len);
    }
    return x;
}

void RowTable::IndexError(int32_t index)
{
    std::string message = kRowIndexMessage;
    message.replace(message.find("%d"), 2, std::to_string(index));
    throw EListError(message);
}

RowEntry RowTable::Row(int32_t row) const
{
    if (row < 0 || row >= RowCount())
        IndexError(row);
    const int32_t line = LineOfRow(row);
    if (EmptyLine(line))
        return RowEntry{line, 0, 0, 0, 1};
    const int32_t first = FirstRow(line);
    const int32_t start = StartOf(row, line);
    const bool last = row + 1 == EndRowOfLine(line);
    const int32_t length = last ? LastLength(line) : StartOf(row + 1, line) - start;
    return RowEntry{line, start, length, row - first, static_cast<uint8_t>(last)};
}

int32_t RowTable::RowOfLine(int32_t line) const
{
    if (line < 0)
        IndexError(line);
    return line < LineCount() ? FirstRow(line) : RowCount();
}

int32_t RowTable::LineOfRow(int32_t row) const
{
    if (row < 0 || row >= RowCount())
        return -1;
    // The last line whose first row is at or before the row; no line starts
    // before the row of its own number.
    size_t low = 0, high = std::min<size_t>(firstRow_.size(), static_cast<size_t>(row) + 1);
    while (high - low > 1) {
        size_t middle = low + (high - low) / 2;
        if (FirstRow(static_cast<int32_t>(middle)) <= row)
            low = middle;
        else
            high = middle;
    }
    return static_cast<int32_t>(low);
}

std::string_view RowTable::RowText(const TBvStrings& store, int32_t row) const
{
    RowEntry entry = Row(row);
    if (entry.Start <= 0 || entry.Length <= 0)
        return {};
    std::string_view line = store.Get(entry.Line);
    const size_t from = static_cast<size_t>(entry.Start - 1);
    if (from >= line.size())
        return {};
    return line.substr(from, static_cast<size_t>(entry.Length));
}

TPoint RowTable::LineToRowPos(TPoint columnLine) const
{
    const int32_t column = columnLine.X;
    const int32_t line = columnLine.Y;
    int32_t row = RowOfLine(line);
    if (row == RowCount())
        return TPoint{1, row};
    // The last row of the line that starts at or before the column (the
    // first row when none does); Start grows along a line's rows.
    int32_t low = row, high = EndRowOfLine(line);
    while (high - low > 1) {
        int32_t middle = low + (high - low) / 2;
        if (StartOf(middle, line) <= column)
            low = middle;
        else
            high = middle;
    }
    row = low;
    const int64_t rowColumn = int64_t(column) - StartOf(row, line) + 1;
    if (rowColumn <= 0)
        return TPoint{0, 0};
    return TPoint{static_cast<int32_t>(rowColumn), row};
}

TPoint RowTable::RowToLinePos(TPoint columnRow) const
{
    if (columnRow.Y < 0 || columnRow.Y >= RowCount())
        return TPoint{0, 0};
    const int32_t line = LineOfRow(columnRow.Y);
    return TPoint{StartOf(columnRow.Y, line) + columnRow.X - 1, line};
}

void RowTable::Clear()
{
    firstRow_.clear();
    extraStart_.clear();
    lastLength_.clear();
    rowCount_ = 0;
    uniformLast_ = -1;
    laidOutWidest_ = 0;
}

void RowTable::Reserve(int32_t n)
{
    if (n <= 0)
        return;
    firstRow_.reserve(static_cast<size_t>(n));
    if (uniformLast_ < 0)
        lastLength_.reserve(static_cast<size_t>(n));
}

void RowTable::SetParallelLayoutThreshold(int32_t lines)
{
    parallelLayoutThreshold.store(std::max(lines, 2));
}

int32_t RowTable::ParallelLayoutThreshold()
{
    return parallelLayoutThreshold.load();
}

namespace {

// Width of text at a fixed pitch: every byte is pitch wide, a double-byte
// character two pitches, and a tab goes to the next multiple of tabWidth
// unless it is the trail byte of a double-byte character.
int64_t FixedPitchWidth(std::string_view text, int64_t pitch, int32_t tabWidth)
{
    const char* p = text.data();
    const size_t size = text.size();
    KindWalker walker(text);
    int64_t x = 0;
    size_t start = 0;
    while (start < size) {
        const void* found = std::memchr(p + start, '\t', size - start);
        if (!found)
            return x + static_cast<int64_t>(size - start) * pitch;
        const size_t tab = static_cast<size_t>(static_cast<const char*>(found) - p);
        if (walker.Kind(static_cast<int64_t>(tab) + 1) == 2)
            x += static_cast<int64_t>(tab + 1 - start) * pitch;
        else
            x = AfterTab(x + static_cast<int64_t>(tab - start) * pitch, tabWidth);
        start = tab + 1;
    }
    return x;
}

} // namespace

// The row width of a line wrapped at the window width: a first estimate from
// the average byte width, refined against the right edge a byte at a time.
// Widths of the line's first h bytes come from prefix sums over advances that
// are measured once per character code.
int32_t RowTable::WindowRowWidth(std::string_view text, TextMeasurer& m, std::vector<int64_t>& prefix)
{
    const int64_t length = static_cast<int64_t>(text.size());
    const int32_t tabWidth = m.TabWidth();
    const int32_t* cache = advance_.data();
    auto advance = [&](uint16_t code) __attribute__((always_inline)) -> int32_t {
        const int32_t cached = cache[code];
        return __builtin_expect(cached == kUnmeasured, 0) ? Measure(code, m) : cached;
    };
    auto step = [&](int64_t x, uint16_t code) { return code == '\t' ? AfterTab(x, tabWidth) : x + advance(code); };

    int64_t W = m.ClientWidth();
    const int64_t cw = m.CharWidth();

    // Every code measured up front (large layouts): most lines fit, as a
    // line is no wider than length * the widest byte, or the tab width when
    // it is wider (checked first, without a look for tabs).  With a fixed
    // pitch (u per single byte, 2u per double-byte character) the first h
    // bytes of a line without tabs are exactly h * u wide.
    if (maxPerByte_ >= 0 && length * std::max<int64_t>(maxPerByte_, tabWidth) <= W)
        return static_cast<int32_t>(length);
    const bool tabFree = maxPerByte_ >= 0 && std::memchr(text.data(), '\t', text.size()) == nullptr;
    if (tabFree && length * maxPerByte_ <= W)
        return static_cast<int32_t>(length);
    const bool fixedPitch = maxPerByte_ >= 0 && pitch_ >= 0;
    // At a fixed pitch only the tabs need a look; the rest is bytes * pitch.
    auto fixedWidth = [&](int64_t bytes) {
        return tabFree ? bytes * pitch_ : FixedPitchWidth(text.substr(0, static_cast<size_t>(bytes)), pitch_, tabWidth);
    };

    int64_t E = 0;
    if (fixedPitch) {
        E = fixedWidth(length);
    } else {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        const size_t size = text.size();
        for (size_t pos = 0; pos < size;) {
            const unsigned char b = bytes[pos];
            if (IsDBCSLeadByte(b) && pos + 1 < size) {
                E += advance(static_cast<uint16_t>((b << 8) | bytes[pos + 1]));
                pos += 2;
            } else {
                E = b == '\t' ? AfterTab(E, tabWidth) : E + advance(b);
                ++pos;
            }
        }
    }
    if (E <= W)
        return static_cast<int32_t>(length);

    W = std::max<int64_t>(W, advance('x'));
    const int64_t average = std::max<int64_t>(1, E / length);
    int64_t h = W / average;

    // prefix[i]: width of the first i bytes, a cut lead byte measured alone.
    prefix.assign(1, 0);
    size_t boundary = 0;
    int64_t boundaryX = 0;
    auto widthOf = [&](int64_t bytes) -> int64_t {
        if (fixedPitch)
            return fixedWidth(bytes);
        while (static_cast<int64_t>(prefix.size()) <= bytes) {
            int len = 1;
            uint16_t code = Cp932CharCode(text, boundary, &len);
            if (len == 2)
                prefix.push_back(step(boundaryX, static_cast<uint16_t>(code >> 8)));
            boundaryX = step(boundaryX, code);
            prefix.push_back(boundaryX);
            boundary += static_cast<size_t>(len);
        }
        return prefix[static_cast<size_t>(bytes)];
    };

    bool grown = false;
    bool shrunk = false;
    for (;;) {
        if (W - 2 * cw < E && E < W)
            break;
        if (E <= W - 2 * cw)
            ++h;
        else if (E > W)
            --h;
        h = std::clamp<int64_t>(h, 1, length);
        const int64_t previous = E;
        E = widthOf(h);
        if (E > previous)
            grown = true;
        else
            shrunk = true;
        if (E == previous || (grown && shrunk))
            break;
    }
    return static_cast<int32_t>(h);
}

int32_t RowTable::Measure(uint16_t code, TextMeasurer& m)
{
    const int32_t width = m.Advance(code);
    advance_[code] = width;
    measured_.push_back(code);
    return width;
}

void RowTable::PrepareMeasuring(TextMeasurer& m, int64_t lineCount)
{
    if (advance_.empty())
        advance_.assign(65536, kUnmeasured);
    for (uint16_t code : measured_)
        advance_[code] = kUnmeasured;
    measured_.clear();
    maxPerByte_ = -1;
    pitch_ = -1;
    // For a large layout, measuring every character once up front lets most
    // lines be recognised as fitting without walking their bytes.
    if (lineCount < kBoundMinLines)
        return;
    int64_t widest = 0;
    ForEachCharacterCode([&](uint16_t code, int bytes) {
        if (code == '\t')
            return;  // tabs are expanded, never measured
        const int32_t a = Measure(code, m);
        widest = std::max<int64_t>(widest, (int64_t(a) + bytes - 1) / bytes);
    });
    maxPerByte_ = widest;
    const int64_t unit = advance_['x'];
    bool fixed = unit >= 0;
    for (uint16_t code : measured_)
        fixed = fixed && advance_[code] == (code > 0xFF ? 2 * unit : unit);
    pitch_ = fixed ? unit : -1;
}

template <typename WidthOf>
int64_t RowTable::LayoutLines(const TBvStrings& store, int32_t from, int32_t to, int64_t rowBase,
                              uint32_t* firstRow, int32_t* lastLength, PlainArray<int32_t>& extra,
                              int32_t prefetchWidth, int64_t& widest, WidthOf widthOf) const
{
    int64_t row = rowBase;
    int64_t wide = widest;
    for (int32_t k = from; k < to; ++k) {
        if (row > kMaxRows) [[unlikely]]
            throw std::length_error("the layout has more than 2147483647 rows");
        if ((k & 0xFFFF) == 0 && cancel_ && cancel_->load(std::memory_order_relaxed)) [[unlikely]]
            throw LayoutCancelled();
        // The first cut of a line a little further on is fetched now: a
        // large document is far out of the cache by the time it is laid
        // out, and the cuts are the only bytes the layout reads.  Whatever
        // the line's length: a prefetch never faults, a loop or a branch
        // here costs more than it saves, and for a short line it fetches the
        // lines after it.  (An empty line has no bytes to count from.)
        if (prefetchWidth > 0 && k + kPrefetchLines < to) {
            const char* ahead = store.GetInRange(k + kPrefetchLines).data();
            __builtin_prefetch(ahead ? ahead + prefetchWidth - 1 : ahead);
        }
        const std::string_view text = store.GetInRange(k);
        const int64_t length = static_cast<int64_t>(text.size());
        // An empty line is a fitting line whose last row plans no bytes;
        // taking both on one path spares a poorly predicted branch.
        firstRow[k] = static_cast<uint32_t>(row) | (length == 0 ? kEmptyLine : 0u);
        ++row;
        const int64_t width = length == 0 ? 0 : widthOf(text);
        int64_t n = width;
        if (width >= length) [[likely]] {
            wide = std::max(wide, length);
        } else {
            KindWalker walker(text);
            for (int64_t p = 1;;) {
                n = width;
                if (walker.Kind(p + n) == 2) {
                    // The next row would begin on a trail byte: end this one a
                    // byte earlier, or take the whole character when the row
                    // would otherwise be empty.
                    --n;
                    if (n < 1)
                        n = 2;
                }
                if (p + n > length) {
                    wide = std::max(wide, length - p + 1); // the line's last row, as shown
                    break;
                }
                wide = std::max(wide, n);
                p += n;
                extra.push_back(static_cast<int32_t>(p));
                ++row;
            }
        }
        if (lastLength)
            lastLength[k] = static_cast<int32_t>(n);
    }
    widest = wide;
    return row;
}

// Lays out lines line..lineCount-1 from row firstRow, on two threads when
// there are many and the width function may be shared: the second half's
// rows are numbered from 0 and moved into place when both halves are done.
template <typename MakeWidthOf>
int64_t RowTable::LayoutRange(const TBvStrings& store, int32_t line, int32_t lineCount, int64_t firstRow,
                              uint32_t* first, int32_t* last, int32_t prefetch, bool mayShare, int64_t& widest,
                              MakeWidthOf makeWidthOf)
{
    const int32_t count = lineCount - line;
    if (!mayShare || count < ParallelLayoutThreshold())
        return LayoutLines(store, line, lineCount, firstRow, first, last, extraStart_, prefetch, widest, makeWidthOf());
    const int32_t middle = line + count / 2;
    PlainArray<int32_t> secondExtra;
    int64_t secondEnd = 0;
    int64_t secondWidest = 0;
    HelperThread second([&] {
        secondEnd = LayoutLines(store, middle, lineCount, 0, first, last, secondExtra, prefetch, secondWidest,
                                makeWidthOf());
    });
    const int64_t end =
        LayoutLines(store, line, middle, firstRow, first, last, extraStart_, prefetch, widest, makeWidthOf());
    second.Join();
    widest = std::max(widest, secondWidest);
    if (end + secondEnd > kMaxRows + 1)
        throw std::length_error("the layout has more than 2147483647 rows");
    const uint32_t shift = static_cast<uint32_t>(end);
    for (int32_t k = middle; k < lineCount; ++k)
        first[k] += shift;
    const size_t before = extraStart_.size();
    extraStart_.resize(before + secondExtra.size());
    if (secondExtra.size() > 0)
        std::memcpy(extraStart_.data() + before, secondExtra.data(), secondExtra.size() * sizeof(int32_t));
    return end + secondEnd;
}

void RowTable::LayoutFrom(int32_t line, const TBvStrings& store, bool wordWrap, int32_t wrapByte,
                          TextMeasurer* measurer)
{
    if (line < 0)
        IndexError(line);
    // Lines not yet laid out cannot be skipped over, and no row may stay
    // for a line the store no longer has.
    line = std::min({line, LineCount(), store.Count()});
    const int32_t firstRow = RowOfLine(line);
    firstRow_.truncate(static_cast<size_t>(line));
    extraStart_.truncate(static_cast<size_t>(firstRow - line));
    lastLength_.truncate(static_cast<size_t>(line));
    rowCount_ = firstRow;

    const bool byWindow = wordWrap && wrapByte == 0 && measurer != nullptr;
    const bool byBytes = wordWrap && !byWindow && wrapByte > 0;
    // With WrapByte 2 or more every line's last row plans WrapByte bytes,
    // so no per-line length is kept.
    const int32_t uniform = byBytes && wrapByte >= 2 ? wrapByte : -1;
    if (line == 0) {
        uniformLast_ = uniform;
        lastLength_.clear();
    } else if (uniformLast_ >= 0 && uniformLast_ != uniform) {
        lastLength_.resize(static_cast<size_t>(line));
        for (int32_t k = 0; k < line; ++k)
            lastLength_[static_cast<size_t>(k)] = EmptyLine(k) ? 0 : uniformLast_;
        uniformLast_ = -1;
    }

    const int32_t lineCount = store.Count();
    Reserve(store.Capacity());
    firstRow_.resize(static_cast<size_t>(lineCount));
    if (uniformLast_ < 0)
        lastLength_.resize(static_cast<size_t>(lineCount));
    uint32_t* first = firstRow_.data();
    int32_t* last = uniformLast_ < 0 ? lastLength_.data() : nullptr;

    int64_t end = firstRow;
    int64_t widest = 0;
    try {
        if (byWindow) {
            PrepareMeasuring(*measurer, lineCount - line);
            // With every code measured up front the measuring only reads,
            // so two threads can share it; each keeps its own prefix sums.
            const bool shared = maxPerByte_ >= 0;
            end = LayoutRange(store, line, lineCount, firstRow, first, last, 0, shared, widest, [&] {
                return [this, measurer, prefix = std::vector<int64_t>()](std::string_view text) mutable -> int64_t {
                    return WindowRowWidth(text, *measurer, prefix);
                };
            });
        } else {
            // Without wrapping a line is one row of its own length.
            const int32_t wrap = byBytes ? wrapByte : 0;
            end = LayoutRange(store, line, lineCount, firstRow, first, last, wrap, true, widest, [wrap] {
                return [wrap](std::string_view text) { return wrap > 0 ? int64_t(wrap) : static_cast<int64_t>(text.size()); };
            });
        }
    } catch (...) {
        // The table keeps the lines before the rebuild.
        firstRow_.truncate(static_cast<size_t>(line));
        lastLength_.truncate(static_cast<size_t>(line));
        extraStart_.truncate(static_cast<size_t>(firstRow - line));
        rowCount_ = firstRow;
        throw;
    }
    rowCount_ = static_cast<int32_t>(end);
    laidOutWidest_ = widest;
    // The per-line arrays keep the store's capacity; the rows past the
    // first of each line give back what a larger layout left.
    extraStart_.trim();
}

} // namespace pelto
