// Measures CP932 characters with the view's font for layout and painting.
// Each character's advance is asked of the font once and then cached: 256
// single bytes, and double-byte codes (lead << 8) | trail.
//
// Bytes without a character of their own (control bytes, invalid bytes, a
// lone lead byte, an unassigned pair) are never measured by the font, whose
// answer for them depends on what it happened to load before: each such byte
// takes one half-width cell, the advance of "x", and is drawn in that cell.
#pragma once

#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "text/Cp932.h"
#include "view/BigView.h"
#include "view/RowTable.h"

namespace pelto {

// Control bytes other than the tab: drawn as an empty cell.
inline bool IsControlCode(uint16_t code)
{
    return code < 0x20 || code == 0x7F;
}

// Codes that decode to no character (drawn as a marked cell per byte).
inline bool IsInvalidCode(uint16_t code)
{
    return Cp932CodeToUtf16(code) == u'\uFFFD';
}

class TBigView::Measurer final : public TextMeasurer {
public:
    explicit Measurer(TBigView& view) : view_(view) { Reset(); }

    void Reset()
    {
        metrics_.emplace(view_.font());
        cell_ = std::max(metrics_->horizontalAdvance(QLatin1Char('x')), 1);
        // A font laid out on a grid of half-width cells (the default face at
        // an even pixel size): a full-width character two cells, a
        // half-width katakana one.
        grid_ = metrics_->horizontalAdvance(QChar(u'\u3042')) == 2 * cell_ &&
                metrics_->horizontalAdvance(QChar(u'\uFF71')) == cell_;
        single_.fill(-1);
        double_.clear();
    }

    int32_t Advance(uint16_t ch) override
    {
        if (ch < 256) {
            int32_t& cached = single_[ch];
            if (cached < 0)
                cached = Measure(ch);
            return cached;
        }
        if (double_.empty())
            double_.assign(65536, -1);
        int32_t& cached = double_[ch];
        if (cached < 0)
            cached = Measure(ch);
        return cached;
    }

    // The half-width cell of a byte without a character of its own.
    int32_t Cell() const { return cell_; }
    bool Grid() const { return grid_; }

    int32_t TabWidth() const override { return view_.FCharWidth * view_.FViewTabStop; }
    int32_t CharWidth() const override { return view_.FCharWidth; }
    int32_t ClientWidth() const override { return view_.FClientRect.width(); }

private:
    int32_t Measure(uint16_t ch);

    TBigView& view_;
    std::optional<QFontMetrics> metrics_;
    bool grid_ = false;
    int32_t cell_ = 1;
    std::array<int32_t, 256> single_{};
    std::vector<int32_t> double_;
};

}  // namespace pelto
