// The row table of a TBigView: display rows as slices of logical lines, and
// the three wrapping modes (no wrap, every WrapByte bytes, window width).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

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

// The view measures with its font through this.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int32_t Advance(uint16_t ch) = 0;  // single byte b, or (lead << 8) | trail
    virtual int32_t TabWidth() const = 0;      // CharWidth * ViewTabStop; 0: tabs take no width
    virtual int32_t CharWidth() const = 0;
    virtual int32_t ClientWidth() const = 0;
};

// Pixel width of text with tabs to the next multiple of TabWidth from origin 0.
// A trailing lone lead byte is measured as a single byte.
int64_t TabbedWidth(std::string_view text, TextMeasurer& m);

// An array in fixed chunks: appending never moves what is there, so a table
// of tens of millions of rows never exists twice in memory while it grows.
template <typename T>
class ChunkedArray {
public:
    static constexpr size_t kShift = 18;
    static constexpr size_t kChunk = size_t(1) << kShift;
    static constexpr size_t kMask = kChunk - 1;

    size_t size() const { return size_; }
    T operator[](size_t i) const { return chunks_[i >> kShift][i & kMask]; }
    [[gnu::always_inline]] void push_back(T value)
    {
        if ((size_ >> kShift) == chunks_.size())
            AddChunk();
        chunks_[size_ >> kShift][size_ & kMask] = value;
        ++size_;
    }
    // Drops the entries from n on and frees the chunks no longer used.
    void truncate(size_t n)
    {
        if (n < size_)
            size_ = n;
        chunks_.resize((size_ + kMask) >> kShift);
    }
    void reserve(size_t n) { chunks_.reserve((n + kMask) >> kShift); }
    void clear()
    {
        std::vector<std::unique_ptr<T[], Free>>().swap(chunks_);
        size_ = 0;
    }

private:
    struct Free {
        void operator()(T* p) const { std::free(p); }
    };
    void AddChunk()
    {
        void* p = std::malloc(kChunk * sizeof(T));
        if (!p)
            throw std::bad_alloc();
        chunks_.emplace_back(static_cast<T*>(p));
    }

    std::vector<std::unique_ptr<T[], Free>> chunks_;
    size_t size_ = 0;
};

class RowTable {
public:
    int32_t RowCount() const { return static_cast<int32_t>(start_.size()); }
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

private:
    [[noreturn]] static void IndexError(int32_t index);
    int32_t WindowRowWidth(std::string_view text, TextMeasurer& m);
    void PrepareMeasuring(TextMeasurer& m, int64_t lineCount);
    [[gnu::noinline]] int32_t Measure(uint16_t code, TextMeasurer& m);

    static constexpr int32_t kUnmeasured = INT32_MIN;
    static constexpr int64_t kBoundMinLines = 20000;

    // Rows of line k are rows firstRow_[k] .. firstRow_[k+1]-1 (or to the end).
    int32_t EndRowOfLine(int32_t line) const
    {
        return line + 1 < LineCount() ? firstRow_[static_cast<size_t>(line) + 1] : RowCount();
    }

    ChunkedArray<int32_t> firstRow_;
    ChunkedArray<int32_t> start_;   // per row
    ChunkedArray<int32_t> length_;  // per row
    // Advances measured once per character code during one window-width layout.
    std::vector<int32_t> advance_;
    std::vector<uint16_t> measured_;
    std::vector<int64_t> prefix_;
    int64_t maxPerByte_ = -1; // widest advance per byte when every code was measured
    int64_t pitch_ = -1;      // advance per byte when every code has a fixed pitch
};

} // namespace pelto
