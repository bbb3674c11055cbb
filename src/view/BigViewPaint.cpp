// TBigView: the off-screen image, painting and scrolling.
#include <QApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "text/Cp932.h"
#include "view/BigView.h"
#include "view/BigViewInternal.h"
#include "view/BigViewMeasurer.h"
#include "view/BvStrings.h"

namespace pelto {

namespace {

using bigview::LogicalSize;
using bigview::SuspendPaint;

bool Monotonic(const std::array<int, 3>& history)
{
    return (history[0] > history[1] && history[1] > history[2]) ||
           (history[0] < history[1] && history[1] < history[2]);
}

void Shift(std::array<int, 3>& history, int value)
{
    history[2] = history[1];
    history[1] = history[0];
    history[0] = value;
}

}  // namespace

int32_t TBigView::Measurer::Measure(uint16_t ch)
{
    // Tabs are expanded by the walk, never measured by the font.
    if (ch == '\t')
        return 0;
    // On a grid font every character keeps one cell a byte too: a glyph that
    // comes from a fallback font at another width would otherwise push the
    // rest of its row off the byte columns (and every row would have to be
    // measured byte by byte to be wrapped).
    if (grid_ || IsControlCode(ch) || IsInvalidCode(ch))
        return ch > 0xFF ? 2 * cell_ : cell_;   // one cell a byte
    return metrics_->horizontalAdvance(QChar(static_cast<char16_t>(Cp932CodeToUtf16(ch))));
}

// ---------------------------------------------------------------------------
// The off-screen image

void TBigView::FillBitmap(int y, int height)
{
    if (FBitmap.isNull() || height <= 0)
        return;
    QPainter painter(&FBitmap);
    painter.fillRect(QRect(0, y, LogicalSize(FBitmap).width(), height), FBitmapColor);
}

void TBigView::ClearBitmap()
{
    if (!FBitmap.isNull())
        FBitmap.fill(FBitmapColor);
}

// Draws one row at its band, decoding each character on its own so every byte
// column lands exactly where the measurer puts it.
void TBigView::DrawRow(int row)
{
    if (row < FTopRow || row >= FTopRow + FVisibleRows || row >= RowCount() || FBitmap.isNull())
        return;
    ++FPaintedRows;
    const std::string_view text = RowView(row);
    const int y = (row - FTopRow) * FRowHeight;
    const int width = LogicalSize(FBitmap).width();
    const int64_t shift = static_cast<int64_t>(FLeftColumn) * FCharWidth;
    const int64_t limit = shift + width;
    const int32_t tab = FMeasurer->TabWidth();
    const int32_t cell = FMeasurer->Cell();

    QPainter painter(&FBitmap);
    painter.setFont(font());
    painter.setPen(FFontColor);
    painter.setClipRect(QRect(0, y, width, FRowHeight));
    QString glyph(1, QChar());
    auto drawGlyph = [&](int64_t at, uint16_t code) {
        glyph[0] = QChar(static_cast<char16_t>(Cp932CodeToUtf16(code)));
        painter.drawText(QPoint(static_cast<int>(at - shift), y + FAscent), glyph);
    };
    // A byte that is no character: an empty box in its cell, so it is seen
    // and every later byte stays on its column.
    auto drawMark = [&](int64_t at) {
        painter.drawRect(QRect(static_cast<int>(at - shift) + 1, y + 2, std::max(cell - 3, 1),
                               std::max(FAscent - 3, 1)));
    };
    int64_t x = 0;
    size_t pos = 0;
    while (pos < text.size() && x < limit) {
        int length = 1;
        const uint16_t code = Cp932CharCode(text, pos, &length);
        if (code == '\t') {
            x = AfterTab(x, tab);
        } else {
            const int32_t advance = FMeasurer->Advance(code);
            // blanks and control bytes have nothing to draw
            if (code > 0x20 && !IsControlCode(code) && x + advance > shift) {
                if (!IsInvalidCode(code)) {
                    drawGlyph(x, code);
                } else {
                    drawMark(x);
                    // an unassigned pair: its second byte may be a character of its own
                    const uint16_t trail = code & 0xFF;
                    if (code > 0xFF && trail > 0x20 && !IsControlCode(trail) && !IsInvalidCode(trail))
                        drawGlyph(x + cell, trail);
                    else if (code > 0xFF)
                        drawMark(x + cell);
                }
            }
            x += advance;
        }
        pos += static_cast<size_t>(std::max(length, 1));
    }
}

// Inverts the band of row between two 1-based columns (to its end when toEnd).
void TBigView::InvertColumns(int row, int fromColumn, int toColumn, bool toEnd)
{
    const std::string_view text = RowView(row);
    const int64_t shift = static_cast<int64_t>(FLeftColumn) * FCharWidth;
    const int64_t x0 = PrefixWidth(text, fromColumn - 1) - shift;
    const int64_t x1 = (toEnd ? PrefixWidth(text, static_cast<int>(text.size())) : PrefixWidth(text, toColumn - 1)) - shift;
    const int64_t left = std::clamp<int64_t>(x0, 0, LogicalSize(FBitmap).width());
    const int64_t right = std::clamp<int64_t>(x1, 0, LogicalSize(FBitmap).width());
    if (right <= left)
        return;
    QPainter painter(&FBitmap);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.fillRect(QRect(static_cast<int>(left), (row - FTopRow) * FRowHeight, static_cast<int>(right - left), FRowHeight),
                     Qt::black);
}

// Inverts the selection over the rows on screen, or over onlyRow alone.
void TBigView::DrawSelection(int onlyRow)
{
    if (!HasSelection() || RowCount() == 0 || FBitmap.isNull())
        return;
    TPoint first = FSelStart;
    TPoint last = FSelEnd;
    if (last.Y < first.Y || (last.Y == first.Y && last.X < first.X))
        std::swap(first, last);
    if (first.Y < FTopRow)
        first = {1, FTopRow};
    if (last.Y > FBottomRow)
        last = {static_cast<int32_t>(RowView(FBottomRow).size()) + 1, FBottomRow};
    first.X = std::max(first.X, 1);
    last.X = std::max(last.X, 1);
    for (int row = std::max(first.Y, 0); row <= last.Y && row < RowCount(); ++row) {
        if (onlyRow >= 0 && row != onlyRow)
            continue;
        const int startColumn = row == first.Y ? first.X : 1;
        if (static_cast<int64_t>(RowView(row).size()) < startColumn)
            continue;
        InvertColumns(row, startColumn, last.X, row != last.Y);
    }
}

void TBigView::Redraw()
{
    if (FPaintSuspended)
        return;
    RenderBitmap();
    Present();
}

void TBigView::RenderBitmap()
{
    ++FFullRedraws;
    FBitmapColor = FColor;
    if (!FBitmap.isNull() && FBitmap.devicePixelRatio() != devicePixelRatioF()) {
        // moved to a screen of another pixel ratio
        FBitmap = bigview::MakeViewImage(LogicalSize(FBitmap), devicePixelRatioF(), FBitmapColor);
    }
    ClearBitmap();
    for (int row = FTopRow; row < RowCount() && row < FTopRow + FVisibleRows; ++row)
        DrawRow(row);
    DrawSelection();
}

void TBigView::Present()
{
    if (FPaintCount < FPCanLimit) {
        ++FPaintCount;
        update(FClientRect);
    } else {
        repaint(FClientRect);
    }
}

// Moves the image by delta rows with one block copy and draws only the rows
// that came in.
void TBigView::ScrollPaint(int delta)
{
    if (FPaintSuspended)
        return;
    const int count = std::abs(delta);
    const qreal ratio = FBitmap.devicePixelRatio();
    // A fractional pixel ratio puts row edges between device pixels: no block copy.
    if (count > FVisibleRows || FBitmap.isNull() || ratio != std::floor(ratio) ||
        FBitmap.devicePixelRatio() != devicePixelRatioF()) {
        Redraw();
        return;
    }
    // The copy moves device pixels; the new rows are drawn in logical ones.
    const int scale = static_cast<int>(ratio);
    const int band = count * FRowHeight * scale;
    const int height = FBitmap.height();
    const qsizetype lineBytes = FBitmap.bytesPerLine();
    uchar* bits = FBitmap.bits();
    if (delta > 0) {
        if (height > band)
            std::memmove(bits, bits + band * lineBytes, static_cast<size_t>((height - band) * lineBytes));
        FillBitmap((height - band) / scale, band / scale);
        const int firstNew = FTopRow + FVisibleRows - count;
        for (int row = firstNew; row <= FBottomRow; ++row) {
            DrawRow(row);
            DrawSelection(row);
        }
    } else {
        if (height > band)
            std::memmove(bits + band * lineBytes, bits, static_cast<size_t>((height - band) * lineBytes));
        FillBitmap(0, band / scale);
        for (int row = FTopRow; row < FTopRow + count && row < RowCount(); ++row) {
            DrawRow(row);
            DrawSelection(row);
        }
    }
    Present();
}

void TBigView::paintEvent(QPaintEvent* e)
{
    // the colour was changed, or the window moved to a screen of another
    // pixel ratio, since the image was drawn
    if (FBitmapColor != FColor || FBitmap.devicePixelRatio() != devicePixelRatioF())
        RenderBitmap();
    QPainter painter(this);
    painter.setClipRegion(e->region());
    const QRect client = FClientRect;
    const QSize image = LogicalSize(FBitmap);
    painter.save();
    painter.setClipRect(client, Qt::IntersectClip);
    painter.drawImage(client.topLeft(), FBitmap);
    if (image.height() < client.height())
        painter.fillRect(QRect(client.left(), client.top() + image.height(), client.width(),
                               client.height() - image.height()),
                         FColor);
    if (image.width() < client.width())
        painter.fillRect(QRect(client.left() + image.width(), client.top(), client.width() - image.width(),
                               client.height()),
                         FColor);
    if (FCaret && FCaretCreated && FCaretBlinkOn) {
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.fillRect(QRect(client.topLeft() + FCaretPixel, QSize(10, FRowHeight)), Qt::black);
    }
    painter.restore();

    // frames and caption, outside the text area
    QRect outer = rect();
    if (FBvStyle & (bvVResize | bvHResize)) {
        qDrawShadePanel(&painter, outer, palette(), false, 3, &palette().brush(QPalette::Button));
        outer.adjust(3, 3, -3, -3);
    }
    if (FBvStyle & bvDblFrame) {
        qDrawWinPanel(&painter, outer, palette(), false);
        painter.setPen(palette().color(QPalette::Button));
        painter.drawRect(outer.adjusted(2, 2, -3, -3));
        outer.adjust(3, 3, -3, -3);
    }
    if (FBvStyle & bvCaption) {
        const QRect strip(outer.left(), outer.top(), outer.width(), CaptionHeight());
        painter.fillRect(strip, palette().color(QPalette::Highlight));
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.setFont(QApplication::font());
        painter.drawText(strip.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(FCaption, Qt::ElideRight, strip.width() - 8));
        outer.setTop(strip.bottom() + 1);
    }
    if (FBvStyle & bvClientLow)
        qDrawWinPanel(&painter, outer, palette(), true);
    // corner between two scroll bars
    if (FScrollBar == ssBoth)
        painter.fillRect(QRect(FVBar->x(), FHBar->y(), FVBar->width(), FHBar->height()),
                         palette().color(QPalette::Window));
    FPaintCount = 0;
}

// ---------------------------------------------------------------------------
// Top row and scrolling

void TBigView::SetTopRow(int row)
{
    const int rows = RowCount();
    int value = std::clamp(row, 0, std::max(rows - 1, 0));
    const int delta = value - FTopRow;
    const int clamped = value;
    if (OnViewLineChanging)
        OnViewLineChanging(this, value);
    FTopRow = value;
    FBottomRow = std::max(std::min(FTopRow + FVisibleRows - 1, rows - 1), 0);

    if (!HasSelection() && !FSelectingByMouse) {
        // No selection: keep the caret point on screen.  Not while a drag or
        // a shifted key is selecting: that point is the selection's anchor.
        TPoint point = FSelStart;
        point.Y = std::clamp(point.Y, FTopRow, std::max(FBottomRow, FTopRow));
        SetSelStart(point);
        SetSelEnd(point);
    } else {
        SetCaretPos(FSelEnd);
    }

    if (value != clamped) {
        // the handler chose another row: the image no longer matches any shift
        SetVBarPos(FTopRow);
        Redraw();
    } else if (delta == 0) {
        Redraw();
    } else {
        SetVBarPos(FTopRow);
        ScrollPaint(delta);
    }
    if (OnViewLineChanged)
        OnViewLineChanged(this);
}

void TBigView::ShowRowAtBottom(int row)
{
    row = std::clamp(row, 0, std::max(RowCount() - 1, 0));
    FBottomRow = row;
    int top = row - FVisibleRows + 1;
    if (FScOver && top < FTopRow && FTopRow <= row)
        top = FTopRow;
    SetTopRow(std::max(top, 0));
}

void TBigView::SetLeftColumn(int column)
{
    if (LineCount() == 0)
        return;
    column = std::clamp(column, 0, std::max(FMaxChar - 1, 0));
    if (column != FLeftColumn) {
        Shift(FHPos, column);
        FLeftColumn = column;
    }
    {
        QSignalBlocker block(FHBar);
        FHBar->setValue(FLeftColumn);
    }
    SetCaretPos(!HasSelection() ? FCaretPoint : FSelEnd);
    Redraw();
}

void TBigView::SetVBarPos(int pos)
{
    pos = std::clamp(pos, FVBar->minimum(), FVBar->maximum());
    if (pos != FVPos[0])
        Shift(FVPos, pos);
    QSignalBlocker block(FVBar);
    FVBar->setValue(pos);
}

void TBigView::UpdateScrollRanges()
{
    const int rows = RowCount();
    if (FScrollBar == ssVertical || FScrollBar == ssBoth) {
        int maximum = FScOver ? rows - 1 : rows - FVisibleRows;
        if (maximum >= rows)
            maximum = rows - 1;
        if (maximum <= 0)
            maximum = 1;   // keeps the bar visible for short texts
        if (FVPos[0] > maximum)
            FVPos[0] = maximum;
        {
            QSignalBlocker block(FVBar);
            FVBar->setRange(0, maximum);
            FVBar->setPageStep(std::max(FVisibleRows, 1));
            FVBar->setValue(FVPos[0]);
        }
        SuspendPaint suspend(FPaintSuspended);
        SetTopRow(FTopRow);
    }
    if (FScrollBar == ssHorizontal || FScrollBar == ssBoth) {
        const int fit = FClientRect.width() / FCharWidth;
        QSignalBlocker block(FHBar);
        FHBar->setRange(0, std::max(FMaxChar - fit, 0));
        FHBar->setPageStep(std::max(fit, 1));
        FHBar->setValue(FLeftColumn);
    }
}

bool TBigView::GrowMaxChar(int firstRow, int count)
{
    if (firstRow < 0) {
        count += firstRow;
        firstRow = 0;
    }
    int64_t widest = FMaxChar;
    const int rows = RowCount();
    for (int row = firstRow; row < firstRow + count && row < rows; ++row)
        widest = std::max<int64_t>(widest, static_cast<int64_t>(RowView(row).size()));
    return GrowMaxCharTo(widest);
}

bool TBigView::GrowMaxCharTo(int64_t widest)
{
    if (widest <= FMaxChar)
        return false;
    FMaxChar = static_cast<int>(std::min<int64_t>(widest, INT32_MAX - 1));
    SuspendPaint suspend(FPaintSuspended);
    UpdateScrollRanges();
    return true;
}

void TBigView::AccelerationStep(int thresholdMs, bool horizontal)
{
    if (!FLastAction.isValid() || FLastAction.elapsed() > thresholdMs) {
        FLineStep = 1;
        FRepeatCount = 0;
    } else if (FLineStep < FScrollSense) {
        if (Monotonic(FVPos) || Monotonic(FHPos)) {
            if (++FRepeatCount > 9) {
                int limit = FVisibleRows - 1;
                if (horizontal)
                    limit = std::min(limit, FClientRect.width() / FCharWidth);
                FLineStep = std::min(FLineStep + 1, limit);
                FRepeatCount = 0;
            }
        } else {
            FLineStep = 1;
            FRepeatCount = 0;
        }
    }
    // a view shorter than two rows must still scroll
    FLineStep = std::max(FLineStep, 1);
    FLastAction.restart();
}

void TBigView::VScrollAction(int code, int thresholdMs, int trackPos)
{
    const int rows = RowCount();
    const int scrollable = FScOver ? rows - 1 : rows - FVisibleRows;
    int target = 0;
    if (scrollable > 0) {
        if (code < SB_LINEUP || code > SB_ENDSCROLL)
            return;
        const int maximum = std::max(FVBar->maximum(), 1);
        AccelerationStep(thresholdMs, false);
        int pos = FTopRow;
        switch (code) {
        case SB_LINEUP: pos -= FLineStep; break;
        case SB_LINEDOWN: pos += FLineStep; break;
        case SB_PAGEUP: pos -= std::max(FVisibleRows - 1, 1); break;
        case SB_PAGEDOWN: pos += std::max(FVisibleRows - 1, 1); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: pos = trackPos; break;
        case SB_TOP: pos = FVBar->minimum(); break;
        case SB_BOTTOM: pos = maximum; break;
        default: break;
        }
        pos = std::clamp(pos, 0, maximum);
        if (pos != FVPos[0]) {
            Shift(FVPos, pos);
            QSignalBlocker block(FVBar);
            FVBar->setValue(pos);
        }
        target = static_cast<int>(std::nearbyint(static_cast<double>(pos) / maximum * scrollable));
    }
    if (target != FTopRow)
        SetTopRow(target);
}

void TBigView::HScrollAction(int code, int thresholdMs, int trackPos)
{
    if (FScrollBar != ssHorizontal && FScrollBar != ssBoth)
        return;
    if (code < SB_LINEUP || code > SB_ENDSCROLL)
        return;
    AccelerationStep(thresholdMs, true);
    const int maximum = FHBar->maximum();
    int pos = FLeftColumn;
    switch (code) {
    case SB_LINELEFT: pos -= FLineStep; break;
    case SB_LINERIGHT: pos += FLineStep; break;
    case SB_PAGELEFT: pos -= std::max(FClientRect.width() / FCharWidth, 1); break;
    case SB_PAGERIGHT: pos += std::max(FClientRect.width() / FCharWidth, 1); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: pos = trackPos; break;
    case SB_LEFT: pos = FHBar->minimum(); break;
    case SB_RIGHT: pos = maximum; break;
    default: break;
    }
    pos = std::clamp(pos, 0, std::max(maximum, 0));
    if (pos != FLeftColumn)
        SetLeftColumn(pos);
}

namespace {

int ActionCode(int action, bool sliderDown)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    // a drag reports through sliderMoved; a move without the slider held
    // (the wheel over the bar) is a final position
    case QAbstractSlider::SliderMove: return sliderDown ? -1 : SB_THUMBPOSITION;
    default: return -1;
    }
}

}  // namespace

void TBigView::OnVBarAction(int action)
{
    const int code = ActionCode(action, FVBar->isSliderDown());
    if (code < 0)
        return;
    VScrollAction(code, 300, FVBar->sliderPosition());
    // the bar shows where the view went, not where the bar's own step went
    QSignalBlocker block(FVBar);
    FVBar->setSliderPosition(FVPos[0]);
}

void TBigView::OnHBarAction(int action)
{
    const int code = ActionCode(action, FHBar->isSliderDown());
    if (code < 0)
        return;
    HScrollAction(code, 300, FHBar->sliderPosition());
    QSignalBlocker block(FHBar);
    FHBar->setSliderPosition(FLeftColumn);
}

void TBigView::wheelEvent(QWheelEvent* e)
{
    // Three rows a notch of 120.  High-resolution wheels and touchpads send
    // parts of a notch, which add up; pixel deltas move by rows (and columns)
    // of their own size.
    static constexpr int kAnglePerRow = 120 / 3;
    const bool vertical = FScrollBar == ssVertical || FScrollBar == ssBoth;
    const bool horizontal = FScrollBar == ssHorizontal || FScrollBar == ssBoth;
    const bool pixels = !e->pixelDelta().isNull();
    const QPoint delta = pixels ? e->pixelDelta() : e->angleDelta();
    QPoint& rest = pixels ? FWheelPixelRest : FWheelAngleRest;
    auto steps = [](int moved, int& left, int unit) {
        if ((left > 0 && moved < 0) || (left < 0 && moved > 0))
            left = 0;   // turned back: the part already moved the other way is dropped
        left += moved;
        const int count = left / unit;
        left -= count * unit;
        return count;
    };
    if (delta.y() != 0 && vertical) {
        const int rows = steps(delta.y(), rest.ry(), pixels ? FRowHeight : kAnglePerRow);
        for (int i = 0; i < std::abs(rows); ++i)
            VScrollAction(rows > 0 ? SB_LINEUP : SB_LINEDOWN);
        e->accept();
        return;
    }
    if (delta.x() != 0 && horizontal) {
        const int columns = steps(delta.x(), rest.rx(), pixels ? FCharWidth : kAnglePerRow);
        for (int i = 0; i < std::abs(columns); ++i)
            HScrollAction(columns > 0 ? SB_LINELEFT : SB_LINERIGHT);
        e->accept();
        return;
    }
    e->ignore();
}

}  // namespace pelto
