// TBigView: keys, mouse, caret and selection.
#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <algorithm>

#include "text/Cp932.h"
#include "view/BigView.h"
#include "view/BigViewInternal.h"
#include "view/BigViewMeasurer.h"
#include "view/BvStrings.h"

namespace pelto {

namespace {

using bigview::SuspendPaint;

constexpr Qt::KeyboardModifiers kShiftState = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;

struct KeyEntry {
    int key;
    Qt::KeyboardModifiers state;
    int code;
};

const KeyEntry kVerticalKeys[] = {
    {Qt::Key_Up, Qt::NoModifier, SB_LINEUP},
    {Qt::Key_Down, Qt::NoModifier, SB_LINEDOWN},
    {Qt::Key_E, Qt::ControlModifier, SB_LINEUP},
    {Qt::Key_X, Qt::ControlModifier, SB_LINEDOWN},
    {Qt::Key_Left, Qt::NoModifier, SB_PAGEUP},
    {Qt::Key_Right, Qt::NoModifier, SB_PAGEDOWN},
    {Qt::Key_PageUp, Qt::NoModifier, SB_PAGEUP},
    {Qt::Key_PageDown, Qt::NoModifier, SB_PAGEDOWN},
    {Qt::Key_Up, Qt::ShiftModifier, SB_PAGEUP},
    {Qt::Key_Down, Qt::ShiftModifier, SB_PAGEDOWN},
    {Qt::Key_S, Qt::ControlModifier, SB_PAGEUP},
    {Qt::Key_D, Qt::ControlModifier, SB_PAGEDOWN},
    {Qt::Key_Space, Qt::ShiftModifier, SB_PAGEUP},
    {Qt::Key_Space, Qt::NoModifier, SB_PAGEDOWN},
    {Qt::Key_Up, Qt::ControlModifier, SB_TOP},
    {Qt::Key_Down, Qt::ControlModifier, SB_BOTTOM},
    {Qt::Key_T, Qt::NoModifier, SB_TOP},
    {Qt::Key_B, Qt::NoModifier, SB_BOTTOM},
    {Qt::Key_Home, Qt::NoModifier, SB_TOP},
    {Qt::Key_End, Qt::NoModifier, SB_BOTTOM},
    {Qt::Key_Home, Qt::ControlModifier, SB_TOP},
    {Qt::Key_End, Qt::ControlModifier, SB_BOTTOM},
};

const KeyEntry kHorizontalKeys[] = {
    {Qt::Key_Left, Qt::NoModifier, SB_LINELEFT},
    {Qt::Key_Right, Qt::NoModifier, SB_LINERIGHT},
    {Qt::Key_Left, Qt::ControlModifier, SB_PAGELEFT},
    {Qt::Key_Right, Qt::ControlModifier, SB_PAGERIGHT},
    {Qt::Key_Home, Qt::NoModifier, SB_LEFT},
    {Qt::Key_End, Qt::NoModifier, SB_RIGHT},
};

// Caret moves; the same keys with Shift added extend the selection.
enum CaretMove { MoveUp, MoveDown, MoveLeft, MoveRight, MovePageUp, MovePageDown, MoveHome, MoveEnd, MoveTop, MoveBottom };

const KeyEntry kCaretKeys[] = {
    {Qt::Key_Up, Qt::NoModifier, MoveUp},
    {Qt::Key_Down, Qt::NoModifier, MoveDown},
    {Qt::Key_Left, Qt::NoModifier, MoveLeft},
    {Qt::Key_Right, Qt::NoModifier, MoveRight},
    {Qt::Key_PageUp, Qt::NoModifier, MovePageUp},
    {Qt::Key_PageDown, Qt::NoModifier, MovePageDown},
    {Qt::Key_Home, Qt::NoModifier, MoveHome},
    {Qt::Key_End, Qt::NoModifier, MoveEnd},
    {Qt::Key_Home, Qt::ControlModifier, MoveTop},
    {Qt::Key_End, Qt::ControlModifier, MoveBottom},
};

bool IsWordByte(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '_';
}

enum Edge { EdgeLeft = 1, EdgeRight = 2, EdgeTop = 4, EdgeBottom = 8, EdgeMove = 16 };

}  // namespace

// ---------------------------------------------------------------------------
// Caret and selection points

TPoint TBigView::ClampPoint(TPoint point) const
{
    const int rows = RowCount();
    if (point.Y > rows - 1)
        point.Y = rows - 1;
    if (point.Y < 0)
        return {0, 0};
    const int length = static_cast<int>(RowView(point.Y).size());
    if (point.X > length + 1)
        point.X = length + 1;
    if (point.X < 0)
        point.X = 0;
    return point;
}

void TBigView::SetCaretPos(TPoint point)
{
    point = ClampPoint(point);
    FCaretPoint = point;
    const int column = std::max(point.X, 1);
    const int64_t x = (point.Y < RowCount() ? PrefixWidth(RowView(point.Y), column - 1) : 0) -
                      static_cast<int64_t>(FLeftColumn) * FCharWidth;
    const int y = (point.Y - FTopRow) * FRowHeight;
    const QPoint pixel(static_cast<int>(std::clamp<int64_t>(x, -100000, 100000)), y);
    if (pixel != FCaretPixel) {
        UpdateCaretWidget();
        FCaretPixel = pixel;
        UpdateCaretWidget();
    }
}

void TBigView::UpdateCaretWidget()
{
    if (FCaret && FCaretCreated)
        update(QRect(FClientRect.topLeft() + FCaretPixel, QSize(10, FRowHeight)));
}

void TBigView::SetCaret(bool on)
{
    if (on == FCaret)
        return;
    if (!on)
        UpdateCaretWidget();
    FCaret = on;
    FCaretBlinkOn = true;
    UpdateCaretWidget();
}

void TBigView::SetSelStart(TPoint point)
{
    FSelStart = ClampPoint(point);
}

void TBigView::SetSelEnd(TPoint point)
{
    FSelEnd = ClampPoint(point);
    SetCaretPos(FSelEnd);
}

bool TBigView::EnsureCaretVisible()
{
    const int oldTop = FTopRow;
    const int oldLeft = FLeftColumn;
    {
        SuspendPaint suspend(FPaintSuspended);
        const int row = FCaretPoint.Y;
        const int64_t left = static_cast<int64_t>(FLeftColumn) * FCharWidth;
        const int64_t width = FClientRect.width();
        const int64_t x = row < RowCount() ? PrefixWidth(RowView(row), std::max(FCaretPoint.X, 1) - 1) : 0;
        if (row < FTopRow)
            SetTopRow(row);
        else if (row > FBottomRow)
            ShowRowAtBottom(row);
        if (x < left) {
            SetLeftColumn(static_cast<int>(x / FCharWidth));
        } else if (x > left + width) {
            SetLeftColumn(static_cast<int>((x - width) / FCharWidth));
            SetLeftColumn(FLeftColumn + 1);
        }
    }
    const bool scrolled = FTopRow != oldTop || FLeftColumn != oldLeft;
    if (scrolled)
        Redraw();
    return scrolled;
}

// Column under pixel x of a row: the first character (or, with trailBytes,
// the first byte) whose right edge reaches x.  Lengths past the row's end
// give the column after it.
static int ColumnAt(std::string_view text, int64_t x, bool trailBytes, TextMeasurer& measurer)
{
    const int32_t tab = measurer.TabWidth();
    int64_t edge = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        int length = 1;
        const uint16_t code = Cp932CharCode(text, pos, &length);
        length = std::max(length, 1);
        const int64_t left = edge;
        edge = code == '\t' ? AfterTab(edge, tab) : edge + measurer.Advance(code);
        if (trailBytes && length == 2) {
            if (left + (edge - left) / 2 >= x)
                return static_cast<int>(pos) + 1;
            if (edge >= x)
                return static_cast<int>(pos) + 2;
        } else if (edge >= x) {
            return static_cast<int>(pos) + 1;
        }
        pos += static_cast<size_t>(length);
    }
    return static_cast<int>(text.size()) + 1;
}

TPoint TBigView::PointToPos(int x, int y)
{
    const int rows = RowCount();
    if (rows == 0)
        return {0, 0};
    bool above = false;
    bool below = false;
    y = std::min(y, bigview::LogicalSize(FBitmap).height());
    if (y < 0) {
        y = 0;
        above = true;
    }
    int64_t pixel = static_cast<int64_t>(x) + static_cast<int64_t>(FLeftColumn) * FCharWidth;
    pixel = std::clamp<int64_t>(pixel, 0, (static_cast<int64_t>(FMaxChar) + 1) * FCharWidth);
    int row = y / FRowHeight + FTopRow;
    if (row >= rows) {
        row = rows - 1;
        below = true;
    }
    const std::string_view text = RowView(row);
    if (below)
        return {static_cast<int32_t>(text.size()) + 1, row};
    if (above)
        return {1, row};
    return {ColumnAt(text, pixel, false, *FMeasurer), row};
}

void TBigView::SelectWordAt(int x, int y)
{
    const int rows = RowCount();
    if (!FSelect || rows == 0)
        return;
    y = std::clamp(y, 0, bigview::LogicalSize(FBitmap).height());
    int row = std::min(y / FRowHeight + FTopRow, rows - 1);
    const std::string_view text = RowView(row);
    const int64_t pixel = std::clamp<int64_t>(static_cast<int64_t>(x) + static_cast<int64_t>(FLeftColumn) * FCharWidth,
                                              0, (static_cast<int64_t>(FMaxChar) + 1) * FCharWidth);
    const int column = ColumnAt(text, pixel, true, *FMeasurer);
    if (column < 1)
        return;
    int start = column;
    int end = column + 1;
    const auto byteAt = [&text](int col) { return static_cast<unsigned char>(text[static_cast<size_t>(col - 1)]); };
    const int kind = pelto::ByteKind(text, column);
    if (kind == 1) {
        end = column + 2;
    } else if (kind == 2) {
        start = column - 1;
        end = column + 1;
    } else if (column <= static_cast<int>(text.size()) && IsWordByte(byteAt(column))) {
        while (start > 1 && IsWordByte(byteAt(start - 1)) && pelto::ByteKind(text, start - 1) == 0)
            --start;
        end = column;
        while (end < static_cast<int>(text.size()) && IsWordByte(byteAt(end + 1)) && pelto::ByteKind(text, end + 1) == 0)
            ++end;
        ++end;
    }
    SetSelStart({start, row});
    SetSelEnd({end, row});
    Redraw();
}

// ---------------------------------------------------------------------------
// Keys

bool TBigView::event(QEvent* e)
{
    // Tab would otherwise move the focus before the key handler sees it.
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && OnKeyDown && OnKeyDown(key)) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(e);
}

void TBigView::keyPressEvent(QKeyEvent* e)
{
    // Keys act on the rows of the current width.
    if (LayoutPending())
        WaitForLayout();
    if (OnKeyDown && OnKeyDown(e)) {
        e->accept();
        return;
    }
    if (LineCount() > 0) {
        if (FCaret && CaretKey(e))
            return;
        if (ScrollKeys(e))
            return;
    }
    e->ignore();
}

void TBigView::keyReleaseEvent(QKeyEvent* e)
{
    FSelectingByMouse = false;
    QWidget::keyReleaseEvent(e);
}

bool TBigView::CaretKey(QKeyEvent* e)
{
    const Qt::KeyboardModifiers state = e->modifiers() & kShiftState;
    const KeyEntry* entry = nullptr;
    bool extend = false;
    for (const KeyEntry& candidate : kCaretKeys) {
        if (candidate.key != e->key())
            continue;
        if (candidate.state == state) {
            entry = &candidate;
        } else if (FSelect && (candidate.state | Qt::ShiftModifier) == state) {
            entry = &candidate;
            extend = true;
        }
        if (entry)
            break;
    }
    if (!entry)
        return false;

    FSelectingByMouse = extend;
    const int rows = RowCount();
    int column = FCaretPoint.X;
    int row = FCaretPoint.Y;
    const auto trailAt = [this](int r, int c) { return r >= 0 && r < RowCount() && pelto::ByteKind(RowView(r), c) == 2; };
    const auto rowLength = [this](int r) { return r >= 0 && r < RowCount() ? static_cast<int>(RowView(r).size()) : 0; };
    int topShift = 0;
    switch (entry->code) {
    case MoveUp:
        if (row > 0)
            --row;
        if (trailAt(row, column))
            --column;
        break;
    case MoveDown:
        if (row < rows - 1)
            ++row;
        if (trailAt(row, column))
            ++column;
        break;
    case MoveLeft:
        if (column > 1)
            --column;
        if (trailAt(row, column))
            --column;
        break;
    case MoveRight:
        ++column;
        if (trailAt(row, column))
            ++column;
        break;
    case MovePageUp: {
        const int to = std::max(row - FVisibleRows, 0);
        if (trailAt(to, column))
            --column;
        topShift = to - row;
        row = to;
        break;
    }
    case MovePageDown: {
        const int to = std::max(std::min(row + FVisibleRows, rows - 1), 0);
        if (trailAt(to, column))
            ++column;
        topShift = to - row;
        row = to;
        break;
    }
    case MoveHome: column = 1; break;
    case MoveEnd: column = rowLength(row) + 1; break;
    case MoveTop:
        column = 1;
        row = 0;
        break;
    case MoveBottom:
        row = std::max(rows - 1, 0);
        column = rowLength(row) + 1;
        break;
    default: break;
    }
    SetSelEnd({column, row});
    if (!extend)
        FSelStart = FSelEnd;
    // The view follows a page move after the points are set, so that moving
    // the top row does not pull the selection anchor along with it.
    if (topShift != 0)
        SetTopRow(FTopRow + topShift);
    if (!EnsureCaretVisible()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        Redraw();
    }
    e->accept();
    return true;
}

bool TBigView::ScrollKeys(QKeyEvent* e)
{
    const Qt::KeyboardModifiers state = e->modifiers() & kShiftState;
    bool handled = false;
    if (FScrollBar == ssVertical || FScrollBar == ssBoth) {
        for (const KeyEntry& entry : kVerticalKeys) {
            if (entry.key == e->key() && entry.state == state) {
                VScrollAction(entry.code, 200);
                handled = true;
            }
        }
    }
    if (FScrollBar == ssHorizontal || FScrollBar == ssBoth) {
        for (const KeyEntry& entry : kHorizontalKeys) {
            if (entry.key == e->key() && entry.state == state) {
                HScrollAction(entry.code, 200);
                handled = true;
            }
        }
    }
    if (handled)
        e->accept();
    return handled;
}

// ---------------------------------------------------------------------------
// Mouse

int TBigView::HitEdges(QPoint pos) const
{
    int edges = 0;
    const bool vertical = FBvStyle & bvVResize;
    const bool horizontal = FBvStyle & bvHResize;
    if (vertical || horizontal) {
        static constexpr int kBand = 4;
        if (pos.x() < kBand)
            edges |= EdgeLeft;
        if (pos.x() >= width() - kBand)
            edges |= EdgeRight;
        if (pos.y() < kBand)
            edges |= EdgeTop;
        if (pos.y() >= height() - kBand)
            edges |= EdgeBottom;
        // an edge the style does not allow takes its corners with it
        if (!vertical && (edges & (EdgeTop | EdgeBottom)))
            edges = 0;
        if (!horizontal && (edges & (EdgeLeft | EdgeRight)))
            edges = 0;
    }
    if (edges)
        return edges;
    if (FBvStyle & bvMove) {
        const int frame = FrameWidth();
        const QRect strip(frame, frame, width() - 2 * frame, CaptionHeight());
        if ((FBvStyle & bvCaption) && strip.contains(pos))
            return EdgeMove;
        if (!(FBvStyle & bvCaption) && FClientRect.contains(pos) &&
            (QApplication::keyboardModifiers() & Qt::ControlModifier))
            return EdgeMove;
    }
    return 0;
}

void TBigView::StartFrameDrag(QMouseEvent* e)
{
    FFrameDragEdges = HitEdges(e->position().toPoint());
    FFrameDragOrigin = e->globalPosition().toPoint();
    FFrameDragGeometry = geometry();
}

void TBigView::mousePressEvent(QMouseEvent* e)
{
    if (LayoutPending())
        WaitForLayout();
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton)
        setFocus(Qt::MouseFocusReason);   // also on the frame and the caption
    if (e->button() == Qt::LeftButton && parentWidget() && HitEdges(pos)) {
        StartFrameDrag(e);
        return;
    }
    if (e->button() == Qt::RightButton) {
        if (FPopupMenu)
            FPopupMenu->popup(e->globalPosition().toPoint());
        else
            e->ignore();
        return;
    }
    if (e->button() != Qt::LeftButton || !FClientRect.contains(pos)) {
        FDoubleClick = false;
        return;
    }
    const QPoint client = pos - FClientRect.topLeft();
    if (!FDoubleClick) {
        FSelectingByMouse = FSelect;
        SetSelStart(PointToPos(client.x(), client.y()));
        SetSelEnd(FSelStart);
        Redraw();
    } else if (FSelect) {
        SelectWordAt(client.x(), client.y());
    }
    FDoubleClick = false;
}

void TBigView::contextMenuEvent(QContextMenuEvent* e)
{
    if (!FPopupMenu) {
        e->ignore();
        return;
    }
    // A right press has opened it already; the menu key opens it at the caret.
    if (e->reason() == QContextMenuEvent::Keyboard)
        FPopupMenu->popup(mapToGlobal(FClientRect.topLeft() + FCaretPixel + QPoint(0, FRowHeight)));
    e->accept();
}

void TBigView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        FDoubleClick = true;
    mousePressEvent(e);
}

void TBigView::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (FFrameDragEdges) {
        const QPoint delta = e->globalPosition().toPoint() - FFrameDragOrigin;
        QRect geometry = FFrameDragGeometry;
        static constexpr int kMinimum = 20;
        if (FFrameDragEdges == EdgeMove) {
            geometry.moveTopLeft(geometry.topLeft() + delta);
        } else {
            if (FFrameDragEdges & EdgeLeft)
                geometry.setLeft(std::min(geometry.left() + delta.x(), geometry.right() - kMinimum));
            if (FFrameDragEdges & EdgeRight)
                geometry.setRight(std::max(geometry.right() + delta.x(), geometry.left() + kMinimum));
            if (FFrameDragEdges & EdgeTop)
                geometry.setTop(std::min(geometry.top() + delta.y(), geometry.bottom() - kMinimum));
            if (FFrameDragEdges & EdgeBottom)
                geometry.setBottom(std::max(geometry.bottom() + delta.y(), geometry.top() + kMinimum));
        }
        setGeometry(geometry);
        return;
    }
    if (FSelectingByMouse) {
        FDragPoint = pos - FClientRect.topLeft();
        if (!FInDragLoop)
            DragStep();
        return;
    }
    if (hasMouseTracking()) {
        const int edges = HitEdges(pos);
        Qt::CursorShape shape = Qt::ArrowCursor;
        if (edges == (EdgeLeft | EdgeTop) || edges == (EdgeRight | EdgeBottom))
            shape = Qt::SizeFDiagCursor;
        else if (edges == (EdgeRight | EdgeTop) || edges == (EdgeLeft | EdgeBottom))
            shape = Qt::SizeBDiagCursor;
        else if (edges & (EdgeLeft | EdgeRight))
            shape = Qt::SizeHorCursor;
        else if (edges & (EdgeTop | EdgeBottom))
            shape = Qt::SizeVerCursor;
        setCursor(shape);
    }
}

// One selection step of a drag, repeated while it scrolls the view and the
// button is held: a loop, so a long drag past the edge never nests.
void TBigView::DragStep()
{
    QPointer<TBigView> alive(this);
    FInDragLoop = true;
    for (;;) {
        const int x = FDragPoint.x();
        const int y = FDragPoint.y();
        const int oldTop = FTopRow;
        const int oldLeft = FLeftColumn;
        if (y < 0)
            SetTopRow(FTopRow - 1);
        else if (y > FClientRect.height() && FBottomRow < RowCount() - 1)
            SetTopRow(FTopRow + 1);
        if (x < 0)
            HScrollAction(SB_LINELEFT, 200);
        else if (x > FClientRect.width())
            HScrollAction(SB_LINERIGHT, 200);
        const bool scrolled = FTopRow != oldTop || FLeftColumn != oldLeft;
        const TPoint point = PointToPos(x, y);
        if (point.X == 0)
            break;
        SetSelEnd(point);
        Redraw();
        if (!scrolled || !FSelectingByMouse)
            break;
        // Let the mouse move back or the button go up, at a readable pace.
        QEventLoop pause;
        QTimer::singleShot(30, &pause, &QEventLoop::quit);
        pause.exec();
        if (!alive)
            return;
        if (!FSelectingByMouse)
            break;
    }
    FInDragLoop = false;
}

void TBigView::mouseReleaseEvent(QMouseEvent* e)
{
    if (FFrameDragEdges) {
        FFrameDragEdges = 0;
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (FSelectingByMouse) {
        FSelectingByMouse = false;
        const QPoint client = e->position().toPoint() - FClientRect.topLeft();
        const TPoint point = PointToPos(client.x(), client.y());
        if (point.X != 0) {
            SetSelEnd(point);
            Redraw();
        }
    }
    setFocus(Qt::MouseFocusReason);
}

// ---------------------------------------------------------------------------
// Focus: the caret exists only while the view has the focus

void TBigView::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    FCaretCreated = true;
    FCaretBlinkOn = true;
    FBlinkTimer.start();
    if (FBvStyle & bvMove) {
        raise();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    UpdateCaretWidget();
}

void TBigView::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    UpdateCaretWidget();
    FCaretCreated = false;
    FBlinkTimer.stop();
}

}  // namespace pelto
