// TBigView: construction, properties, metrics and the content operations.
#include "view/BigView.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <thread>

#include "text/Cp932.h"
#include "view/BigViewInternal.h"
#include "view/BigViewMeasurer.h"
#include "view/BvStrings.h"

namespace pelto {

namespace {

using bigview::SuspendPaint;

constexpr int kDefaultPointSize = 12;
constexpr int kCaptionBytes = 255;

// Runs a load and hands back its in/out failure, to be thrown once the view
// shows what the store holds.
template <typename Load>
std::optional<EInOutError> TryLoad(Load load)
{
    try {
        load();
    } catch (const EInOutError& e) {
        return e;
    }
    return std::nullopt;
}

}  // namespace

// ---------------------------------------------------------------------------
// Font

QFont TBigView::MakeViewFont(const QString& face, int pointSize)
{
    if (pointSize <= 0)
        pointSize = kDefaultPointSize;
    const QString family = face.trimmed();
    QFont font;
    if (family.isEmpty() || family.compare(QLatin1String("system"), Qt::CaseInsensitive) == 0) {
        // "system" resolves to a proportional Latin font here; the view's own
        // choice is IPAGothic at an even pixel size (96 dpi), where a
        // double-byte character is exactly twice as wide as "x".
        font = QFont(QStringLiteral("IPAGothic"));
        font.setPixelSize(std::max(2 * static_cast<int>(std::lround(pointSize * 96.0 / 72.0 / 2.0)), 2));
    } else {
        // A face the user chose is used as chosen; layout measures its advances.
        font = QFont(family);
        font.setPointSize(pointSize);
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setKerning(false);
    return font;
}

// ---------------------------------------------------------------------------
// Construction

TBigView::TBigView(QWidget* parent)
    : QWidget(parent),
      FStrings(std::make_unique<TBvStrings>()),
      FRows(std::make_unique<RowTable>()),
      FMeasurer(std::make_unique<Measurer>(*this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    FColor = palette().color(QPalette::Base);
    FFontColor = palette().color(QPalette::Text);
    FBitmapColor = FColor;

    FVBar = new QScrollBar(Qt::Vertical, this);
    FHBar = new QScrollBar(Qt::Horizontal, this);
    FVBar->hide();
    FHBar->hide();
    FVBar->setFocusPolicy(Qt::NoFocus);
    FHBar->setFocusPolicy(Qt::NoFocus);
    connect(FVBar, &QScrollBar::actionTriggered, this, &TBigView::OnVBarAction);
    connect(FVBar, &QScrollBar::sliderMoved, this, [this](int pos) { VScrollAction(SB_THUMBTRACK, 300, pos); });
    connect(FVBar, &QScrollBar::sliderReleased, this,
            [this] { VScrollAction(SB_THUMBPOSITION, 300, FVBar->sliderPosition()); });
    connect(FHBar, &QScrollBar::actionTriggered, this, &TBigView::OnHBarAction);
    connect(FHBar, &QScrollBar::sliderMoved, this, [this](int pos) { HScrollAction(SB_THUMBTRACK, 300, pos); });
    connect(FHBar, &QScrollBar::sliderReleased, this,
            [this] { HScrollAction(SB_THUMBPOSITION, 300, FHBar->sliderPosition()); });

    const int flash = QApplication::cursorFlashTime();
    FBlinkTimer.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&FBlinkTimer, &QTimer::timeout, this, [this] {
        FCaretBlinkOn = !FCaretBlinkOn;
        update(QRect(FClientRect.topLeft() + FCaretPixel, QSize(10, FRowHeight)));
    });

    setFont(MakeViewFont(QStringLiteral("system"), kDefaultPointSize));
    FLayoutTimer.setSingleShot(true);
    connect(&FLayoutTimer, &QTimer::timeout, this, &TBigView::StartWindowLayout);
    FLayoutBusyTimer.setSingleShot(true);
    connect(&FLayoutBusyTimer, &QTimer::timeout, this, [this] {
        if (OnLayoutBusy)
            OnLayoutBusy(this);
    });

    FMeasurer->Reset();
    resize(65, 65);
    ResizeView();
}

TBigView::~TBigView()
{
    CancelWindowLayout();
}

// ---------------------------------------------------------------------------
// Layout for a new window width on another thread

namespace {
std::atomic<int> backgroundLayoutLines{200000};
constexpr int kLayoutSettleMs = 40;
constexpr int kLayoutBusyMs = 500;
}  // namespace

struct TBigView::LayoutJob {
    explicit LayoutJob(TextMeasurer& source) : measurer(source) {}
    TableMeasurer measurer;
    std::unique_ptr<RowTable> rows = std::make_unique<RowTable>();
    std::atomic<bool> cancel{false};
    bool failed = false;
    std::thread thread;
};

void TBigView::SetBackgroundLayoutLines(int lines) { backgroundLayoutLines.store(std::max(lines, 1)); }

bool TBigView::LayoutPending() const { return FLayoutJob != nullptr || FLayoutTimer.isActive(); }

void TBigView::ScheduleWindowLayout()
{
    // The last size wins: a layout still running for an earlier one stops.
    if (FLayoutJob)
        FLayoutJob->cancel = true;
    FLayoutTimer.start(kLayoutSettleMs);
}

void TBigView::StartWindowLayout()
{
    CancelWindowLayout();
    if (!(FWordWrap && FWrapByte == 0))
        return;
    // The advances are measured here, on the window's thread; the layout
    // then reads only the table, the line store and its own rows.
    auto job = std::make_unique<LayoutJob>(*FMeasurer);
    LayoutJob* raw = job.get();
    const TBvStrings* store = FStrings.get();
    const unsigned generation = ++FLayoutGeneration;
    raw->rows->SetCancelFlag(&raw->cancel);
    FLayoutJob = std::move(job);
    raw->thread = std::thread([this, raw, store, generation] {
        try {
            raw->rows->LayoutFrom(0, *store, true, 0, &raw->measurer);
        } catch (...) {
            raw->failed = true;
        }
        QMetaObject::invokeMethod(this, [this, generation] { FinishWindowLayout(generation); }, Qt::QueuedConnection);
    });
    FLayoutBusyTimer.start(kLayoutBusyMs);
}

void TBigView::FinishWindowLayout(unsigned generation)
{
    if (!FLayoutJob || generation != FLayoutGeneration)
        return;
    std::unique_ptr<LayoutJob> job = std::move(FLayoutJob);
    job->thread.join();
    FLayoutBusyTimer.stop();
    if (job->cancel)
        return;  // a newer size follows
    if (job->failed) {
        LayoutFrom(0);  // out of memory there, perhaps: here, as before
    } else {
        // The rows change under the same top line and selection.
        const int topLine = LineOfRow(FTopRow);
        const TPoint selStart = RowToLinePos(FSelStart);
        const TPoint selEnd = RowToLinePos(FSelEnd);
        FRows = std::move(job->rows);
        FRows->SetCancelFlag(nullptr);
        FLayoutStale = false;
        FSelStart = LineToRowPos(selStart);
        FSelEnd = LineToRowPos(selEnd);
        if (topLine >= 0)
            SetTopRow(RowOfLine(topLine));
    }
    FitScrollRangesToLayout();
    if (FVisibleRows < RowCount())
        ShowRowAtBottom(FTopRow + FVisibleRows - 1);
    Redraw();
    if (OnLayoutChanged)
        OnLayoutChanged(this);
}

TBvStrings& TBigView::ChangeStrings()
{
    CancelWindowLayout();  // it reads the lines about to change
    return *FStrings;
}

void TBigView::CancelWindowLayout()
{
    if (FLayoutTimer.isActive() || FLayoutJob)
        FLayoutStale = true;
    FLayoutTimer.stop();
    FLayoutBusyTimer.stop();
    if (!FLayoutJob)
        return;
    FLayoutJob->cancel = true;
    FLayoutJob->thread.join();
    FLayoutJob.reset();
}

void TBigView::WaitForLayout()
{
    if (FLayoutTimer.isActive())
        StartWindowLayout();  // the size has settled for this purpose
    if (!FLayoutJob)
        return;
    // The result is taken now; the queued notice then finds nothing to do.
    FinishWindowLayout(FLayoutGeneration);
}

// ---------------------------------------------------------------------------
// Queries

int TBigView::LineCount() const { return FStrings->Count(); }
int TBigView::RowCount() const { return FRows->RowCount(); }
std::string TBigView::GetLine(int line) const { return std::string(FStrings->Get(line)); }
std::string TBigView::RowText(int row) const { return std::string(FRows->RowText(*FStrings, row)); }
std::string_view TBigView::RowView(int row) const { return FRows->RowText(*FStrings, row); }
int TBigView::RowOfLine(int line) const { return FRows->RowOfLine(line); }
int TBigView::LineOfRow(int row) const { return FRows->LineOfRow(row); }
TPoint TBigView::LineToRowPos(TPoint columnLine) const { return FRows->LineToRowPos(columnLine); }
TPoint TBigView::RowToLinePos(TPoint columnRow) const { return FRows->RowToLinePos(columnRow); }
int64_t TBigView::TabbedWidth(std::string_view text) { return pelto::TabbedWidth(text, *FMeasurer); }
int TBigView::ByteKind(std::string_view text, int k) { return pelto::ByteKind(text, k); }
int TBigView::Capacity() const { return FStrings->Capacity(); }
void TBigView::SetCapacity(int capacity) { ChangeStrings().SetCapacity(capacity); }

int64_t TBigView::PrefixWidth(std::string_view text, int bytes)
{
    if (bytes <= 0)
        return 0;
    return pelto::TabbedWidth(text.substr(0, std::min<size_t>(text.size(), static_cast<size_t>(bytes))),
                              *FMeasurer);
}

void TBigView::LayoutFrom(int line)
{
    CancelWindowLayout();
    if (FLayoutStale) {
        // The rows were made for an earlier width: all of them are made anew.
        FLayoutStale = false;
        line = 0;
    }
    FRows->LayoutFrom(line, *FStrings, FWordWrap, FWrapByte, FMeasurer.get());
}

// The rows changed: the bars must reach the new last row and column.
void TBigView::FitScrollRanges(int firstRow, int count)
{
    SuspendPaint suspend(FPaintSuspended);
    GrowMaxChar(firstRow, count);
    UpdateScrollRanges();
}

void TBigView::FitScrollRangesToLayout()
{
    SuspendPaint suspend(FPaintSuspended);
    GrowMaxCharTo(FRows->LaidOutWidest());
    UpdateScrollRanges();
}

// ---------------------------------------------------------------------------
// Layout properties

void TBigView::SetWrapByte(int bytes)
{
    SetWrapping(FWordWrap, bytes);
}

void TBigView::SetWrapping(bool wrap, int bytes)
{
    if (bytes < 0)
        bytes = FWrapByte;
    if (wrap == FWordWrap && bytes == FWrapByte)
        return;
    FWordWrap = wrap;
    FWrapByte = bytes;
    LayoutFrom(0);
    FitScrollRangesToLayout();
    Redraw();
}

void TBigView::SetWordWrap(bool wrap)
{
    SetWrapping(wrap, -1);
}

void TBigView::SetViewTabStop(int columns)
{
    if (columns < 0 || columns == FViewTabStop)
        return;
    FViewTabStop = columns;
    Redraw();
}

// ---------------------------------------------------------------------------
// Content operations

void TBigView::ShowLoadedLines()
{
    {
        // Every row on screen is new: a scroll to the top would shift rows of
        // the old document into the image, so move without painting and then
        // paint the whole page.
        SuspendPaint suspend(FPaintSuspended);
        LayoutFrom(0);
        FitScrollRangesToLayout();
        SetSelStart({0, 0});
        SetSelEnd(FSelStart);
        SetTopRow(0);
    }
    Redraw();
}

void TBigView::LoadFromFile(const std::string& path)
{
    const std::optional<EInOutError> failure = TryLoad([&] { ChangeStrings().LoadFromFile(path); });
    // Also after a failed load, so the view never shows rows it no longer has.
    ShowLoadedLines();
    if (failure)
        throw *failure;
}

void TBigView::LoadFromStream(std::istream& stream)
{
    const std::optional<EInOutError> failure = TryLoad([&] { ChangeStrings().LoadFromStream(stream); });
    ShowLoadedLines();
    if (failure)
        throw *failure;
}

void TBigView::AdoptLines(std::unique_ptr<TBvStrings> lines)
{
    if (!lines)
        return;
    CancelWindowLayout();  // it reads the lines about to go
    FStrings = std::move(lines);
    ShowLoadedLines();
}

void TBigView::SaveToFile(const std::string& path) const { FStrings->SaveToFile(path); }
void TBigView::SaveToStream(std::ostream& stream) const { FStrings->SaveToStream(stream); }
void TBigView::AssignTo(std::vector<std::string>& lines) const { FStrings->AssignTo(lines); }

void TBigView::Clear()
{
    ChangeStrings().Clear();
    LayoutFrom(0);
    UpdateScrollRanges();
    SetSelStart({0, 0});
    SetSelEnd(FSelStart);
    SetTopRow(0);
    ClearBitmap();
    update();
}

int TBigView::AddLine(std::string_view text)
{
    ChangeStrings().Add(text);
    LayoutFrom(LineCount() - 1);
    const int rows = RowCount();
    FitScrollRanges(rows - 1, 1);
    if (FTopRow + FVisibleRows - 1 > FBottomRow)
        ShowRowAtBottom(FTopRow + FVisibleRows - 1);
    return rows;
}

void TBigView::AddLines(const std::vector<std::string>& lines)
{
    const int oldLines = LineCount();
    ChangeStrings().AddStrings(lines);
    LayoutFrom(oldLines);
    const int added = static_cast<int>(lines.size());
    FitScrollRanges(RowCount() - added, added);
    if (FTopRow + FVisibleRows - 1 >= FBottomRow)
        ShowRowAtBottom(FTopRow + FVisibleRows - 1);
}

void TBigView::SetLines(const std::vector<std::string>& lines)
{
    {
        SuspendPaint suspend(FPaintSuspended);   // as a load: one full paint at the end
        ChangeStrings().Assign(lines);
        LayoutFrom(0);
        const int added = static_cast<int>(lines.size());
        FitScrollRanges(RowCount() - added, added);
        SetTopRow(0);
        SetSelStart({0, 0});
        SetSelEnd(FSelStart);
        if (FTopRow + FVisibleRows - 1 > FBottomRow)
            ShowRowAtBottom(FTopRow + FVisibleRows - 1);
    }
    Redraw();
}

void TBigView::DeleteRow(int row)
{
    const int line = FRows->Row(row).Line;
    ChangeStrings().Delete(line);
    LayoutFrom(line);
    UpdateScrollRanges();
    SetSelStart({0, 0});
    SetSelEnd(FSelStart);
    if (RowCount() - 1 < FTopRow)
        SetTopRow(RowCount() - 1);
    // a row deleted above the page moves every row on it
    if (row <= FBottomRow)
        Redraw();
}

void TBigView::ExchangeRows(int row1, int row2)
{
    const int line1 = FRows->Row(row1).Line;
    const int line2 = FRows->Row(row2).Line;
    ChangeStrings().Exchange(line1, line2);
    LayoutFrom(row1 < row2 ? line1 : line2);
    // lines of different row counts move the rows between them
    if (std::min(row1, row2) <= FBottomRow)
        Redraw();
}

void TBigView::InsertRow(int row, std::string_view text)
{
    const int line = FRows->Row(row).Line;
    ChangeStrings().Insert(line, text);
    LayoutFrom(line);
    FitScrollRanges(row, 1);
    if (row <= FBottomRow)
        Redraw();
}

void TBigView::SetRowText(int row, std::string_view text)
{
    const RowEntry entry = FRows->Row(row);
    std::string line(FStrings->Get(entry.Line));
    const size_t at = entry.Start > 0 ? static_cast<size_t>(entry.Start - 1) : 0;
    const size_t start = std::min(at, line.size());
    line.erase(start, std::min(static_cast<size_t>(entry.Length), line.size() - start));
    line.insert(start, text);
    ChangeStrings().Put(entry.Line, line);
    LayoutFrom(entry.Line);
    UpdateScrollRanges();
    if (row <= FBottomRow)   // a line that changed its row count moves the rows below it
        Redraw();
}

bool TBigView::Find(std::string_view pattern, int& row, int& column)
{
    const TPoint from = RowToLinePos({column, row});
    int32_t line = from.Y;
    int32_t col = from.X;
    if (FStrings->Find(pattern, line, col)) {
        const TPoint hit = LineToRowPos({col, line});
        row = hit.Y;
        column = hit.X;
        return true;
    }
    row = RowCount();
    column = 1;
    return false;
}

int TBigView::RowOfText(std::string_view text) const
{
    const int line = FStrings->IndexOf(text);
    return line < 0 ? -1 : RowOfLine(line);
}

// ---------------------------------------------------------------------------
// Metrics and geometry

int TBigView::FrameWidth() const
{
    int width = 0;
    if (FBvStyle & (bvVResize | bvHResize))
        width += 3;
    if (FBvStyle & bvDblFrame)
        width += 3;
    return width;
}

int TBigView::CaptionHeight() const
{
    if (!(FBvStyle & bvCaption))
        return 0;
    return QFontMetrics(QApplication::font()).height() + 6;
}

// Places the caption strip, the scroll bars and the text area inside the frames.
void TBigView::LayoutChrome()
{
    QRect inner = rect();
    const int frame = FrameWidth();
    inner.adjust(frame, frame, -frame, -frame);
    inner.setTop(inner.top() + CaptionHeight());
    if (FBvStyle & bvClientLow)
        inner.adjust(2, 2, -2, -2);
    const bool vertical = FScrollBar == ssVertical || FScrollBar == ssBoth;
    const bool horizontal = FScrollBar == ssHorizontal || FScrollBar == ssBoth;
    const int barWidth = vertical ? FVBar->sizeHint().width() : 0;
    const int barHeight = horizontal ? FHBar->sizeHint().height() : 0;
    QRect client(inner.left(), inner.top(), std::max(inner.width() - barWidth, 0),
                 std::max(inner.height() - barHeight, 0));
    if (vertical) {
        FVBar->setGeometry(client.right() + 1, client.top(), barWidth, client.height());
        FVBar->show();
    } else {
        FVBar->hide();
    }
    if (horizontal) {
        FHBar->setGeometry(client.left(), client.bottom() + 1, client.width(), barHeight);
        FHBar->show();
    } else {
        FHBar->hide();
    }
    FClientRect = client;
}

void TBigView::RecalcMetrics()
{
    const QFontMetrics metrics(font());
    FRowHeight = std::max(metrics.height() + std::max(metrics.leading(), 0), 1);
    FAscent = metrics.ascent();
    const double average = metrics.averageCharWidth();
    const double widest = metrics.maxWidth();
    // nearbyint rounds halves to even in the default rounding mode
    FCharWidth = std::max(static_cast<int>(std::nearbyint(average + (widest - average) * 0.3)), 1);
    const int width = FClientRect.width();
    if (static_cast<int64_t>(FMaxChar) * FCharWidth < width)
        FMaxChar = static_cast<int>(std::nearbyint(static_cast<double>(width) / FCharWidth)) + 1;
}

void TBigView::ResizeView()
{
    if (FInResize)
        return;
    FInResize = true;
    LayoutChrome();
    RecalcMetrics();
    FVisibleRows = std::max(FClientRect.height() / FRowHeight, 0);

    // Window-width wrapping depends on the width: re-wrap, keeping the line at
    // the top and the selection on the same text.
    int topLine = -1;
    TPoint selStart{0, 0};
    TPoint selEnd{0, 0};
    if (FWordWrap && FWrapByte == 0) {
        topLine = LineOfRow(FTopRow);
        if (topLine >= 0 && LineCount() >= backgroundLayoutLines.load()) {
            // Too long to wait for: the rows stay as they are, anchored at
            // the top line, until the layout for the last size is done.
            ScheduleWindowLayout();
            topLine = -1;
        } else if (topLine >= 0) {
            selStart = RowToLinePos(FSelStart);
            selEnd = RowToLinePos(FSelEnd);
            LayoutFrom(0);
        }
    }
    UpdateScrollRanges();

    const int width = std::max(FClientRect.width(), 1);
    const int height = std::max(FVisibleRows * FRowHeight, 1);
    if (bigview::LogicalSize(FBitmap) != QSize(width, height) || FBitmap.devicePixelRatio() != devicePixelRatioF())
        FBitmap = bigview::MakeViewImage(QSize(width, height), devicePixelRatioF(), FBitmapColor);
    if (topLine >= 0) {
        FSelStart = LineToRowPos(selStart);
        FSelEnd = LineToRowPos(selEnd);
        SetTopRow(RowOfLine(topLine));
    }
    if (FVisibleRows < RowCount())
        ShowRowAtBottom(FTopRow + FVisibleRows - 1);
    FInResize = false;
    SetCaretPos(HasSelection() ? FSelEnd : FCaretPoint);
    Redraw();
}

// ---------------------------------------------------------------------------
// Appearance properties

void TBigView::SetMaxChar(int columns)
{
    if (columns <= 0)
        columns = 1;
    if (columns == FMaxChar)
        return;
    FMaxChar = columns;
    ResizeView();
}

void TBigView::SetPCanLimit(int limit) { FPCanLimit = std::max(limit, 0); }

void TBigView::SetScrollSense(int sense)
{
    if (sense >= 1 && sense <= 10)
        FScrollSense = sense;
}

void TBigView::SetScOver(bool over)
{
    FScOver = over;
    UpdateScrollRanges();
}

void TBigView::SetScrollBar(TScrollStyle bars)
{
    if (bars == FScrollBar)
        return;
    FScrollBar = bars;
    ResizeView();
}

void TBigView::SetBvStyle(TBvStyle style)
{
    if (style == FBvStyle)
        return;
    if (OnBvStyleChanging)
        OnBvStyleChanging(this, style);
    FBvStyle = style;
    setMouseTracking(FBvStyle & (bvVResize | bvHResize));
    ResizeView();
    update();
    if (OnBvStyleChanged)
        OnBvStyleChanged(this);
}

void TBigView::SetCaption(const QString& caption)
{
    QByteArray bytes = caption.toUtf8();
    QString cut = caption;
    if (bytes.size() > kCaptionBytes) {
        // cut on a character boundary: drop continuation bytes at the cut
        int length = kCaptionBytes;
        while (length > 0 && (static_cast<unsigned char>(bytes[length]) & 0xC0) == 0x80)
            --length;
        cut = QString::fromUtf8(bytes.left(length));
    }
    if (cut == FCaption)
        return;
    FCaption = cut;
    ResizeView();
    update();
}

void TBigView::SetViewFont(const QFont& f)
{
    setFont(f);   // the FontChange event re-measures
}

void TBigView::SetFontColor(const QColor& color)
{
    FFontColor = color;
    Redraw();
}

void TBigView::SetColor(const QColor& color)
{
    FColor = color;
    update();
}

// ---------------------------------------------------------------------------
// Events that change geometry

void TBigView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    ResizeView();
}

void TBigView::moveEvent(QMoveEvent* e)
{
    QWidget::moveEvent(e);
    Redraw();
}

void TBigView::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() == QEvent::FontChange && FMeasurer) {
        FMeasurer->Reset();
        ResizeView();
    }
}

}  // namespace pelto
