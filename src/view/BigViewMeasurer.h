// Measures CP932 characters with the view's font for layout and painting.
// Each character's advance is asked of the font once and then cached: 256
// single bytes, and double-byte codes (lead << 8) | trail.
#pragma once

#include <QFontMetrics>

#include <array>
#include <optional>
#include <vector>

#include "view/BigView.h"
#include "view/RowTable.h"

namespace pelto {

class TBigView::Measurer final : public TextMeasurer {
public:
    explicit Measurer(TBigView& view) : view_(view) { Reset(); }

    void Reset()
    {
        metrics_.emplace(view_.font());
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

    int32_t TabWidth() const override { return view_.FCharWidth * view_.FViewTabStop; }
    int32_t CharWidth() const override { return view_.FCharWidth; }
    int32_t ClientWidth() const override { return view_.FClientRect.width(); }

private:
    int32_t Measure(uint16_t ch);

    TBigView& view_;
    std::optional<QFontMetrics> metrics_;
    std::array<int32_t, 256> single_{};
    std::vector<int32_t> double_;
};

}  // namespace pelto
