// TBigView: the scrolling text view.  It shows the lines of its line store as
// display rows (wrapped by its row table), paints only the rows on screen into
// a window-sized off-screen image, and handles the keys, the mouse, an
// optional caret and an optional selection.
//
// Positions: a row is a 0-based display row, a line a 0-based logical line, a
// column a 1-based byte position.  TPoint is (X = column, Y = row or line).
// Document text is CP932 bytes and is passed in and out unconverted.
//
// Events are plain callbacks, called on the UI thread:
//   OnKeyDown           runs first for every key press; return true when the
//                       key was handled, and the view then leaves it alone.
//   OnViewLineChanging  before TopRow changes; may replace the new row.
//   OnViewLineChanged   after TopRow was set and painted.
//   OnBvStyleChanging   before BvStyle changes; may replace the new set.
//   OnBvStyleChanged    after the new style took effect.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFlags>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "view/RowTable.h"

class QScrollBar;

namespace pelto {

enum TBvStyles : unsigned {
    bvCaption = 0x01,    // a caption strip above the text
    bvVResize = 0x02,    // top and bottom edges can be dragged
    bvHResize = 0x04,    // left and right edges can be dragged
    bvMove = 0x08,       // Ctrl+drag moves the view inside its parent
    bvClientLow = 0x10,  // sunken edge
    bvDblFrame = 0x20,   // raised double frame
};
Q_DECLARE_FLAGS(TBvStyle, TBvStyles)

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Scroll codes of the vertical and horizontal scroll actions.
enum ScrollCode {
    SB_LINEUP = 0,
    SB_LINEDOWN = 1,
    SB_PAGEUP = 2,
    SB_PAGEDOWN = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};
// Horizontal names of the same codes.
inline constexpr int SB_LINELEFT = SB_LINEUP;
inline constexpr int SB_LINERIGHT = SB_LINEDOWN;
inline constexpr int SB_PAGELEFT = SB_PAGEUP;
inline constexpr int SB_PAGERIGHT = SB_PAGEDOWN;
inline constexpr int SB_LEFT = SB_TOP;
inline constexpr int SB_RIGHT = SB_BOTTOM;

class TBigView : public QWidget {
    Q_OBJECT

public:
    explicit TBigView(QWidget* parent = nullptr);
    ~TBigView() override;

    // The font the view draws with for a stored face and point size.  The face
    // "system" (any case, or none) becomes IPAGothic at the point size's pixels
    // at 96 dpi rounded to an even number, so a double-byte character is
    // exactly twice "x"; any other face is taken as it is, at its point size.
    static QFont MakeViewFont(const QString& face, int pointSize);

    // ---- content -----------------------------------------------------------
    int LineCount() const;
    int RowCount() const;
    // Throws EListError for a line outside 0..LineCount-1.
    std::string GetLine(int line) const;
    // Throws EListError for a row outside 0..RowCount-1.
    virtual std::string RowText(int row) const;
    virtual void SetRowText(int row, std::string_view text);
    virtual int AddLine(std::string_view text);   // the RowCount after adding
    virtual void AddLines(const std::vector<std::string>& lines);
    virtual void SetLines(const std::vector<std::string>& lines);
    virtual void Clear();
    virtual void AssignTo(std::vector<std::string>& lines) const;
    virtual void DeleteRow(int row);
    virtual void ExchangeRows(int row1, int row2);
    // Case-insensitive (ASCII) search from (column, row); found: row and
    // column of the hit.  Not found: row = RowCount, column = 1.
    virtual bool Find(std::string_view pattern, int& row, int& column);
    virtual int RowOfText(std::string_view text) const;  // -1 when no line equals it
    virtual void InsertRow(int row, std::string_view text);
    // Throw EInOutError on failure, after the rows match what the store holds.
    virtual void LoadFromFile(const std::string& path);
    virtual void LoadFromStream(std::istream& stream);
    // Shows lines loaded elsewhere in place of the current ones, as a load
    // does; a load that failed into a separate store leaves the view alone.
    void AdoptLines(std::unique_ptr<TBvStrings> lines);
    virtual void SaveToFile(const std::string& path) const;
    virtual void SaveToStream(std::ostream& stream) const;

    // The line store and the row table, read-only, for whole-document scans
    // that must not copy every row.
    const TBvStrings& Strings() const { return *FStrings; }
    const RowTable& Rows() const { return *FRows; }
    int RowOfLine(int line) const;   // RowCount past the end; a negative line throws
    int LineOfRow(int row) const;    // -1 outside the rows
    TPoint LineToRowPos(TPoint columnLine) const;
    TPoint RowToLinePos(TPoint columnRow) const;
    // Pixel width of text drawn with the view's font and tab stops.
    int64_t TabbedWidth(std::string_view text);
    static int ByteKind(std::string_view text, int k);

    // ---- layout properties ---------------------------------------------------
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wrap);
    int WrapByte() const { return FWrapByte; }
    void SetWrapByte(int bytes);
    // Both at once, with one layout (bytes < 0 keeps WrapByte).
    void SetWrapping(bool wrap, int bytes);
    int ViewTabStop() const { return FViewTabStop; }
    void SetViewTabStop(int columns);
    int Capacity() const;
    void SetCapacity(int capacity);

    // ---- painting and scrolling ----------------------------------------------
    int TopRow() const { return FTopRow; }
    void SetTopRow(int row);
    int BottomRow() const { return FBottomRow; }
    int VisibleRows() const { return FVisibleRows; }
    int LeftColumn() const { return FLeftColumn; }
    void ShowRowAtBottom(int row);
    void SetLeftColumn(int column);
    void UpdateScrollRanges();
    bool GrowMaxChar(int firstRow, int count);
    void Redraw();
    // Whether rows for a new width are still being laid out in the
    // background; until they are, the previous rows are shown.
    bool LayoutPending() const;
    // Waits for such a layout and shows its rows (input that needs the new
    // rows calls it first).
    void WaitForLayout();
    // Documents of at least this many lines are laid out again for a new
    // window width in the background.  For tests.
    static void SetBackgroundLayoutLines(int lines);
    // The scroll actions of the bars, the keys and the wheel.
    void VScrollAction(int code, int thresholdMs = 300, int trackPos = 0);
    void HScrollAction(int code, int thresholdMs = 300, int trackPos = 0);

    int RowHeight() const { return FRowHeight; }
    int CharWidth() const { return FCharWidth; }
    int MaxChar() const { return FMaxChar; }
    void SetMaxChar(int columns);
    int PCanLimit() const { return FPCanLimit; }
    void SetPCanLimit(int limit);
    int ScrollSense() const { return FScrollSense; }
    void SetScrollSense(int sense);
    bool ScOver() const { return FScOver; }
    void SetScOver(bool over);
    TScrollStyle ScrollBar() const { return FScrollBar; }
    void SetScrollBar(TScrollStyle bars);
    TBvStyle BvStyle() const { return FBvStyle; }
    void SetBvStyle(TBvStyle style);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);   // cut to 255 UTF-8 bytes

    QFont ViewFont() const { return font(); }
    void SetViewFont(const QFont& f);
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor& color);
    // Background; takes effect at the next paint.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);

    // ---- caret and selection ---------------------------------------------------
    bool Caret() const { return FCaret; }
    void SetCaret(bool on);
    bool Select() const { return FSelect; }
    void SetSelect(bool on) { FSelect = on; }
    TPoint CaretPoint() const { return FCaretPoint; }
    void SetCaretPos(TPoint point);
    TPoint SelStart() const { return FSelStart; }
    void SetSelStart(TPoint point);
    TPoint SelEnd() const { return FSelEnd; }
    void SetSelEnd(TPoint point);
    bool EnsureCaretVisible();
    // Client pixel point to (column, row); never on a trail byte.
    TPoint PointToPos(int x, int y);
    void SelectWordAt(int x, int y);
    bool SelectingByMouse() const { return FSelectingByMouse; }

    // Opened by a right press when set.
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }
    QMenu* PopupMenu() const { return FPopupMenu; }

    // The area the text is drawn in, in widget coordinates.
    QRect ClientRect() const { return FClientRect; }

    // Diagnostics: rows drawn into the image and full repaints since the
    // last reset (the incremental scroll promise is checked with these).
    int PaintedRowCount() const { return FPaintedRows; }
    int FullRedrawCount() const { return FFullRedraws; }
    void ResetPaintCounters() { FPaintedRows = 0; FFullRedraws = 0; }
    // The off-screen image as it stands.
    const QImage& Bitmap() const { return FBitmap; }

    std::function<bool(QKeyEvent*)> OnKeyDown;
    std::function<void(TBigView*, int&)> OnViewLineChanging;
    std::function<void(TBigView*)> OnViewLineChanged;
    std::function<void(TBigView*, TBvStyle&)> OnBvStyleChanging;
    std::function<void(TBigView*)> OnBvStyleChanged;
    // A background layout has run for half a second; and its rows are shown
    // (the row count may have changed).
    std::function<void(TBigView*)> OnLayoutBusy;
    std::function<void(TBigView*)> OnLayoutChanged;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    class Measurer;
    friend class Measurer;

    static bool Same(TPoint a, TPoint b) { return a.X == b.X && a.Y == b.Y; }
    bool HasSelection() const { return !Same(FSelStart, FSelEnd); }
    // A row beyond the end becomes the last row; a column beyond the row's end
    // becomes the column after it; a negative row gives (0, 0).
    TPoint ClampPoint(TPoint point) const;

    // layout and metrics
    void LayoutFrom(int line);
    // Lays out the lines just loaded and shows them from the top.
    void ShowLoadedLines();
    // GrowMaxChar over the rows given, then UpdateScrollRanges, painting nothing.
    void FitScrollRanges(int firstRow, int count);
    // The same after a layout of the whole document, from the widest row the
    // layout saw (a pass over tens of millions of rows costs seconds).
    void FitScrollRangesToLayout();
    bool GrowMaxCharTo(int64_t widest);
    void RecalcMetrics();
    void ResizeView();
    void LayoutChrome();
    int FrameWidth() const;
    int CaptionHeight() const;
    std::string_view RowView(int row) const;
    // x of the first `bytes` bytes of text, walking whole characters.
    int64_t PrefixWidth(std::string_view text, int bytes);

    // painting
    void FillBitmap(int y, int height);
    // Draws the rows on screen and the selection into the image afresh.
    void RenderBitmap();
    void DrawRow(int row);
    void DrawSelection(int onlyRow = -1);
    void InvertColumns(int row, int fromColumn, int toColumn, bool toEnd);
    void Present();
    void ScrollPaint(int delta);
    void ClearBitmap();

    // scrolling
    void AccelerationStep(int thresholdMs, bool horizontal);
    void SetVBarPos(int pos);
    void OnVBarAction(int action);
    void OnHBarAction(int action);

    // input
    bool CaretKey(QKeyEvent* e);
    bool ScrollKeys(QKeyEvent* e);
    void DragStep();
    void UpdateCaretWidget();
    void StartFrameDrag(QMouseEvent* e);
    int HitEdges(QPoint pos) const;

    std::unique_ptr<TBvStrings> FStrings;
    std::unique_ptr<RowTable> FRows;
    std::unique_ptr<Measurer> FMeasurer;

    bool FWordWrap = true;
    int FWrapByte = 0;
    int FViewTabStop = 8;

    QImage FBitmap;
    QColor FBitmapColor;
    QColor FColor;
    QColor FFontColor;
    int FRowHeight = 0;
    int FCharWidth = 1;
    int FAscent = 0;
    int FVisibleRows = 0;
    int FTopRow = 0;
    int FBottomRow = 0;
    int FLeftColumn = 0;
    std::array<int, 3> FVPos{};   // vertical bar position and the two before it
    std::array<int, 3> FHPos{};   // LeftColumn and the two before it
    int FLineStep = 1;
    int FRepeatCount = 0;
    QElapsedTimer FLastAction;
    QPoint FWheelAngleRest;   // wheel angle and pixel deltas not yet scrolled
    QPoint FWheelPixelRest;
    bool FPaintSuspended = false;
    int FPaintCount = 0;

    TBvStyle FBvStyle = bvClientLow;
    QString FCaption;
    int FMaxChar = 255;
    int FPCanLimit = 0;
    bool FScOver = false;
    TScrollStyle FScrollBar = ssNone;
    int FScrollSense = 1;
    QScrollBar* FVBar = nullptr;
    QScrollBar* FHBar = nullptr;
    QRect FClientRect;
    bool FInResize = false;

    // The layout for a new window width, made on another thread.
    struct LayoutJob;
    std::unique_ptr<LayoutJob> FLayoutJob;
    QTimer FLayoutTimer;      // resizes that follow each other closely make one layout
    QTimer FLayoutBusyTimer;
    unsigned FLayoutGeneration = 0;
    bool FLayoutStale = false;  // the rows were made for an earlier width
    void ScheduleWindowLayout();
    void StartWindowLayout();
    void FinishWindowLayout(unsigned generation);
    void CancelWindowLayout();
    // The line store, for a change: a layout reading it stops first.
    TBvStrings& ChangeStrings();

    bool FCaret = false;
    bool FSelect = true;
    TPoint FCaretPoint{0, 0};
    QPoint FCaretPixel;           // client coordinates of the caret block
    bool FCaretCreated = false;   // while the view has the focus
    bool FCaretBlinkOn = true;
    QTimer FBlinkTimer;
    TPoint FSelStart{0, 0};
    TPoint FSelEnd{0, 0};
    bool FSelectingByMouse = false;
    bool FDoubleClick = false;
    QPoint FDragPoint;            // client coordinates
    bool FInDragLoop = false;
    QPointer<QMenu> FPopupMenu;

    // edge resizing and Ctrl+drag moving
    int FFrameDragEdges = 0;
    QPoint FFrameDragOrigin;      // global
    QRect FFrameDragGeometry;

    int FPaintedRows = 0;
    int FFullRedraws = 0;
};

}  // namespace pelto

Q_DECLARE_OPERATORS_FOR_FLAGS(pelto::TBvStyle)
