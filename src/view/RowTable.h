// The row table of a TBigView: display rows as slices of logical lines, and
// the three wrapping modes (no wrap, every WrapByte bytes, window width).
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include "view/BvStrings.h"

namespace pelto {

// UTF-8 of the row table's list-index error; %d is the index.
inline constexpr const char* kRowIndexMessage = "リストのインデックスが範囲を超えています (%d)";

struct RowEntry {
    int32_t Line;    // logical line the row shows (0-based)
    int32_t Start;   // 1-based byte column where the row begins; 0 for an empty line
    int32_t Length;  // planned bytes (the last row of a line may plan more than remain)
    int32_t Index;   // 0-based position among the rows of its line
    uint8_t Last;    // 1 on the last row of its line
};

struct TPoint {
    int32_t X;   // column (1-based byte position)
    int32_t Y;   // row or line (0-based)
};

// A layout given up because its cancel flag was set.
struct LayoutCancelled {};

// The view measures with its font through this.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int32_t Advance(uint16_t ch) = 0;  // single byte b, or (lead << 8) | trail
    virtual int32_t TabWidth() const = 0;      // CharWidth * ViewTabStop; 0: tabs take no width
    virtual int32_t CharWidth() const = 0;
    virtual int32_t ClientWidth() const = 0;
};

// Every character's advance asked of another measurer once, up front: a
// measurer that any thread may read while the window goes on.
class TableMeasurer final : public TextMeasurer {
public:
    explicit TableMeasurer(TextMeasurer& source);
    int32_t Advance(uint16_t ch) override { return advance_[ch]; }
    int32_t TabWidth() const override { return tabWidth_; }
    int32_t CharWidth() const override { return charWidth_; }
    int32_t ClientWidth() const override { return clientWidth_; }

private:
    std::vector<int32_t> advance_;
    int32_t tabWidth_;
    int32_t charWidth_;
    int32_t clientWidth_;
};

// x after a tab at x: the next multiple of the tab width from origin 0.
inline int64_t AfterTab(int64_t x, int32_t tabWidth)
{
    return tabWidth > 0 ? (x / tabWidth + 1) * tabWidth : x;
}

// Pixel width of text with tabs to the next multiple of TabWidth from origin 0.
// A trailing lone lead byte is measured as a single byte.
int64_t TabbedWidth(std::string_view text, TextMeasurer& m);

// Asks for huge pages for a large malloc'd block: a table of tens of
// millions of entries then costs hundreds of page faults, not tens of
// thousands.  The advice covers the block's whole mapping, from its first
// page to the end of its usable size: advice on a part of it would split the
// mapping in two, and glibc then grows the block by copying it, because
// mremap cannot grow a range that spans two mappings.
inline void AdviseHugePages(void* block, size_t bytes)
{
    constexpr size_t kHuge = size_t(2) << 20;
    if (bytes < 2 * kHuge)
        return;
    const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = reinterpret_cast<uintptr_t>(block) & ~(page - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(block) + ::malloc_usable_size(block);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A growable array of plain values in one malloc'd block.  glibc grows a
// large block by remapping its pages, not by copying them, so a table of
// tens of millions of rows never exists twice in memory while it grows.
template <typename T>
class PlainArray {
public:
    PlainArray() = default;
    PlainArray(const PlainArray&) = delete;
    PlainArray& operator=(const PlainArray&) = delete;
    ~PlainArray() { std::free(data_); }

    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    T* data() { return data_; }
    T operator[](size_t i) const { return data_[i]; }
    T& operator[](size_t i) { return data_[i]; }
    [[gnu::always_inline]] void push_back(T value)
    {
        if (size_ == capacity_) [[unlikely]]
            Grow(size_ + 1);
        data_[size_++] = value;
    }
    // New entries are not initialised.
    void resize(size_t n)
    {
        if (n > capacity_)
            SetCapacity(n);
        size_ = n;
    }
    void truncate(size_t n) { size_ = std::min(size_, n); }
    void reserve(size_t n)
    {
        if (n > capacity_)
            SetCapacity(n);
    }
    // Gives back the room of a table that became much smaller.
    void trim()
    {
        if (capacity_ > 2 * size_ + 65536)
            SetCapacity(size_);
    }
    void clear()
    {
        std::free(data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

private:
    [[gnu::noinline]] void Grow(size_t n) { SetCapacity(std::max<size_t>({n, capacity_ + capacity_ / 2, 1024})); }
    void SetCapacity(size_t n)
    {
        if (n == 0) {
            clear();
            return;
        }
        void* p = std::realloc(data_, n * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        AdviseHugePages(p, n * sizeof(T));
        data_ = static_cast<T*>(p);
        capacity_ = n;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

class RowTable {
public:
    int32_t RowCount() const { return rowCount_; }
    int32_t LineCount() const { return static_cast<int32_t>(firstRow_.size()); } // lines laid out

    RowEntry Row(int32_t row) const;               // row outside 0..RowCount-1 throws EListError
    int32_t RowOfLine(int32_t line) const;         // negative throws; at or past the end gives RowCount
    int32_t LineOfRow(int32_t row) const;          // -1 outside 0..RowCount-1
    std::string_view RowText(const TBvStrings& store, int32_t row) const; // clipped to the line
    TPoint LineToRowPos(TPoint columnLine) const;
    TPoint RowToLinePos(TPoint columnRow) const;   // (0, 0) outside

    // Rebuilds the rows of lines line..store.Count()-1 and drops every row
    // after them.  measurer is used only when wordWrap and wrapByte == 0
    // (a null measurer then lays lines out as one row each).
    void LayoutFrom(int32_t line, const TBvStrings& store, bool wordWrap, int32_t wrapByte,
                    TextMeasurer* measurer);
    void Clear();
    void Reserve(int32_t n);
    // A layout running on another thread stops, throwing LayoutCancelled,
    // soon after this flag is set.
    void SetCancelFlag(const std::atomic<bool>* flag) { cancel_ = flag; }
    // Bytes of the longest row text (clipped to its line) among the rows the
    // last LayoutFrom made: the widest row without a pass over every row.
    int64_t LaidOutWidest() const { return laidOutWidest_; }

    // Layouts of at least this many lines are split between two threads
    // (the result is the same; at the window width only when every
    // character was measured up front).  For tests.
    static void SetParallelLayoutThreshold(int32_t lines);
    static int32_t ParallelLayoutThreshold();

private:
    [[noreturn]] static void IndexError(int32_t index);
    int32_t WindowRowWidth(std::string_view text, TextMeasurer& m, std::vector<int64_t>& prefix);
    template <typename MakeWidthOf>
    int64_t LayoutRange(const TBvStrings& store, int32_t line, int32_t lineCount, int64_t firstRow, uint32_t* first,
                        int32_t* last, int32_t prefetch, bool mayShare, int64_t& widest, MakeWidthOf makeWidthOf);
    void PrepareMeasuring(TextMeasurer& m, int64_t lineCount);
    [[gnu::noinline]] int32_t Measure(uint16_t code, TextMeasurer& m);

    static constexpr int32_t kUnmeasured = INT32_MIN;
    static constexpr int64_t kBoundMinLines = 20000;
    static constexpr uint32_t kEmptyLine = 0x80000000u;

    // Lays out lines from..to-1, their first row numbered rowBase; extra
    // gets the Start of every row after a line's first.  Returns the row
    // after the last one made.
    template <typename WidthOf>
    int64_t LayoutLines(const TBvStrings& store, int32_t from, int32_t to, int64_t rowBase,
                        uint32_t* firstRow, int32_t* lastLength, PlainArray<int32_t>& extra,
                        int32_t prefetchWidth, int64_t& widest, WidthOf widthOf) const;

    int32_t FirstRow(int32_t line) const { return static_cast<int32_t>(firstRow_[static_cast<size_t>(line)] & ~kEmptyLine); }
    bool EmptyLine(int32_t line) const { return (firstRow_[static_cast<size_t>(line)] & kEmptyLine) != 0; }
    // Rows of line k are rows FirstRow(k) .. FirstRow(k+1)-1 (or to the end).
    int32_t EndRowOfLine(int32_t line) const { return line + 1 < LineCount() ? FirstRow(line + 1) : rowCount_; }
    // A line's first row starts at 1 (0 when the line is empty); the others
    // are in extraStart_, whose entries before row r of line k number r - k - 1.
    int32_t StartOf(int32_t row, int32_t line) const
    {
        if (row == FirstRow(line))
            return EmptyLine(line) ? 0 : 1;
        return extraStart_[static_cast<size_t>(row - line - 1)];
    }
    int32_t LastLength(int32_t line) const
    {
        return uniformLast_ >= 0 ? (EmptyLine(line) ? 0 : uniformLast_) : lastLength_[static_cast<size_t>(line)];
    }

    PlainArray<uint32_t> firstRow_;  // per line: its first row, kEmptyLine set when the line is empty
    PlainArray<int32_t> extraStart_; // Start of each row that is not the first of its line
    PlainArray<int32_t> lastLength_; // per line: Length of its last row, when uniformLast_ < 0
    int32_t rowCount_ = 0;
    int32_t uniformLast_ = -1;       // >= 0: the Length of every non-empty line's last row
    int64_t laidOutWidest_ = 0;
    const std::atomic<bool>* cancel_ = nullptr;
    // Advances measured once per character code during one window-width layout.
    std::vector<int32_t> advance_;
    std::vector<uint16_t> measured_;
    int64_t maxPerByte_ = -1; // widest advance per byte when every code was measured
    int64_t pitch_ = -1;      // advance per byte when every code has a fixed pitch
};

} // namespace pelto
