// TBigView under the offscreen platform: scrolling, painting, keys, caret,
// selection and the content operations that keep rows and screen in step.
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "view/BigView.h"
#include "view/BvStrings.h"

using namespace pelto;

namespace {

const std::string kKanji = "\x8A\xBF";   // one double-byte character
const std::string kKana = "\xB1";        // half-width katakana, one byte

std::vector<std::string> NumberedLines(int count, const std::string& prefix = "line ")
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(prefix + std::to_string(i));
    return lines;
}

// A shown view with a fixed font, no frame, a vertical bar and exactly
// `rows` whole rows on screen.
std::unique_ptr<TBigView> MakeView(const std::vector<std::string>& lines, int rows = 30, int width = 400)
{
    auto view = std::make_unique<TBigView>();
    view->SetViewFont(TBigView::MakeViewFont("system", 12));
    view->SetBvStyle({});
    view->SetScrollBar(ssVertical);
    view->SetWrapByte(80);
    view->resize(width, rows * view->RowHeight() + view->RowHeight() / 2);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        qWarning("view not exposed");
    view->SetLines(lines);
    return view;
}

QScrollBar* VerticalBar(TBigView& view)
{
    for (QScrollBar* bar : view.findChildren<QScrollBar*>())
        if (bar->orientation() == Qt::Vertical)
            return bar;
    return nullptr;
}

// Pixel point (client coordinates) inside byte column `column` of `row`.
QPoint PointAt(TBigView& view, int column, int row)
{
    const std::string text = view.RowText(row);
    const int x = static_cast<int>(view.TabbedWidth(std::string_view(text).substr(0, column - 1))) + 1;
    const int y = (row - view.TopRow()) * view.RowHeight() + view.RowHeight() / 2;
    return QPoint(x, y);
}

QPoint WidgetPoint(TBigView& view, QPoint client) { return client + view.ClientRect().topLeft(); }

void Key(TBigView& view, Qt::Key key, Qt::KeyboardModifiers state = Qt::NoModifier)
{
    QTest::keyClick(&view, key, state);
}

}  // namespace

class BigViewTest : public QObject {
    Q_OBJECT

private slots:
    void fontIsFixedWidthJapanese();
    void tabsAndPositionsAgree();
    void scrollRangesFollowScOver();
    void shortTextCannotScroll();
    void topRowEventsAndIncrementalPaint();
    void handlerMayReplaceTopRow();
    void scrollSenseAcceptsOneToTen();
    void scrollKeys();
    void keyHookRunsFirst();
    void caretKeysSkipTrailBytes();
    void caretNeverOnTrailByte();
    void setCaretPosClamps();
    void shiftedKeysSelect();
    void selectWordAt();
    void mouseSelection();
    void dragPastBottomScrollsInALoop();
    void selectionDrawnOnScrolledRows();
    void resizeKeepsTopLine();
    void resizeBurstLaysOutInTheBackground();
    void colorAppliedAtNextPaint();
    void failedLoadLeavesConsistentView();
    void replacedContentPaintsWholePage();
    void bytesWithoutCharacterTakeOneCell();
    void contentOperations();
    void longLineDoesNotWidenImage();
    void caretDrawnOnlyWithFocus();
    void accelerationAndWheel();
    void horizontalKeys();
    void styleFramesAndEdges();
};

void BigViewTest::fontIsFixedWidthJapanese()
{
    for (const char* face : {"system", "SYSTEM", ""}) {
        const QFont font = TBigView::MakeViewFont(face, 14);
        QCOMPARE(QFontInfo(font).family(), QStringLiteral("IPAGothic"));
        QCOMPARE(font.pixelSize(), 18);   // 14 pt is 18.7 px: even, so kanji are exactly two cells
    }
    auto view = MakeView({});
    const int64_t x = view->TabbedWidth("x");
    QVERIFY(x > 0);
    QCOMPARE(view->TabbedWidth(kKanji), 2 * x);
    QCOMPARE(view->TabbedWidth(kKana), x);

    // Any other face is taken as chosen, at its size, and laid out by its advances.
    const QFont chosen = TBigView::MakeViewFont("DejaVu Sans", 13);
    QCOMPARE(chosen.family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(chosen.pointSize(), 13);
    view->SetViewFont(chosen);
    const QFontMetrics metrics(view->ViewFont());
    QCOMPARE(view->TabbedWidth("iW"), int64_t(metrics.horizontalAdvance('i') + metrics.horizontalAdvance('W')));
    QVERIFY(view->TabbedWidth("i") < view->TabbedWidth("W"));
}

void BigViewTest::tabsAndPositionsAgree()
{
    auto view = MakeView({"a\tb" + kKanji + "\t" + kKana + "c\t\tend"});
    view->SetViewTabStop(4);
    const int64_t stop = 4 * view->CharWidth();
    QCOMPARE(view->TabbedWidth("\t"), stop);
    QCOMPARE(view->TabbedWidth("a\t"), stop);
    QCOMPARE(view->TabbedWidth(std::string(4 * view->CharWidth() / view->TabbedWidth("x"), 'x') + "\t") % stop, 0);

    // A click inside every character lands on that character's column.
    const std::string row = view->RowText(0);
    for (int column = 1; column <= static_cast<int>(row.size()); ++column) {
        if (view->ByteKind(row, column) == 2)
            continue;
        const int64_t left = view->TabbedWidth(std::string_view(row).substr(0, column - 1));
        const int64_t right = view->TabbedWidth(std::string_view(row).substr(0, column + (view->ByteKind(row, column) == 1)));
        if (right == left)
            continue;   // a tab already at its stop
        const TPoint hit = view->PointToPos(static_cast<int>(left + 1), 1);
        QCOMPARE(hit.X, column);
        QCOMPARE(hit.Y, 0);
    }

    view->SetViewTabStop(0);
    QCOMPARE(view->TabbedWidth("a\tb"), view->TabbedWidth("ab"));
}

void BigViewTest::scrollRangesFollowScOver()
{
    auto view = MakeView(NumberedLines(100));
    QCOMPARE(view->VisibleRows(), 30);
    QScrollBar* bar = VerticalBar(*view);
    QVERIFY(bar);

    view->SetScOver(false);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 70);
    view->VScrollAction(SB_BOTTOM);
    QCOMPARE(view->TopRow(), 70);
    view->VScrollAction(SB_LINEDOWN);
    QCOMPARE(view->TopRow(), 70);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(view->TopRow(), 70);
    QCOMPARE(bar->value(), 70);
    view->SetTopRow(99);   // the property itself is only clamped to the rows
    QCOMPARE(view->TopRow(), 99);

    view->SetScOver(true);
    QCOMPARE(bar->maximum(), 99);
    view->SetTopRow(0);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(view->TopRow(), 99);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(view->TopRow(), 99 - 29);
    QCOMPARE(bar->value(), view->TopRow());
}

void BigViewTest::shortTextCannotScroll()
{
    for (bool over : {false, true}) {
        auto view = MakeView(NumberedLines(10));
        view->SetScOver(over);
        QScrollBar* bar = VerticalBar(*view);
        QCOMPARE(bar->maximum(), over ? 9 : 1);
        if (over)
            continue;
        for (int code = SB_LINEUP; code <= SB_ENDSCROLL; ++code) {
            view->VScrollAction(code, 300, 1);
            QCOMPARE(view->TopRow(), 0);
        }
        Key(*view, Qt::Key_End);
        Key(*view, Qt::Key_Space);
        QCOMPARE(view->TopRow(), 0);
    }
}

void BigViewTest::topRowEventsAndIncrementalPaint()
{
    auto view = MakeView(NumberedLines(100));
    int changing = 0;
    int changed = 0;
    view->OnViewLineChanging = [&](TBigView*, int&) { ++changing; };
    view->OnViewLineChanged = [&](TBigView*) { ++changed; };
    view->SetTopRow(10);

    changing = changed = 0;
    view->ResetPaintCounters();
    view->SetTopRow(10);
    QCOMPARE(changing, 1);
    QCOMPARE(changed, 1);
    QCOMPARE(view->FullRedrawCount(), 1);
    QCOMPARE(view->PaintedRowCount(), view->VisibleRows());

    for (int delta : {3, -3, 29, -30}) {
        const int from = view->TopRow();
        view->ResetPaintCounters();
        view->SetTopRow(from + delta);
        QCOMPARE(view->TopRow(), from + delta);
        QCOMPARE(view->FullRedrawCount(), 0);
        QCOMPARE(view->PaintedRowCount(), std::abs(delta));
        // the shifted image must equal a fresh full paint
        const QImage shifted = view->Bitmap().copy();
        view->Redraw();
        QCOMPARE(shifted, view->Bitmap());
    }
}

void BigViewTest::handlerMayReplaceTopRow()
{
    auto view = MakeView(NumberedLines(100));
    view->OnViewLineChanging = [](TBigView*, int& value) {
        if (value == 5)
            value = 50;
    };
    view->ResetPaintCounters();
    view->SetTopRow(5);
    QCOMPARE(view->TopRow(), 50);
    QCOMPARE(view->FullRedrawCount(), 1);
    QCOMPARE(VerticalBar(*view)->value(), 50);
}

void BigViewTest::scrollSenseAcceptsOneToTen()
{
    auto view = MakeView({});
    view->SetScrollSense(5);
    QCOMPARE(view->ScrollSense(), 5);
    view->SetScrollSense(0);
    QCOMPARE(view->ScrollSense(), 5);
    view->SetScrollSense(11);
    QCOMPARE(view->ScrollSense(), 5);
    view->SetScrollSense(10);
    QCOMPARE(view->ScrollSense(), 10);
}

void BigViewTest::scrollKeys()
{
    auto view = MakeView(NumberedLines(200));
    view->SetScOver(true);
    const int page = view->VisibleRows() - 1;
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers state;
        int expected;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, 1},   {Qt::Key_Down, Qt::NoModifier, 2},
        {Qt::Key_Up, Qt::NoModifier, 1},     {Qt::Key_Right, Qt::NoModifier, 1 + page},
        {Qt::Key_Left, Qt::NoModifier, 1},  {Qt::Key_Space, Qt::NoModifier, 1 + page},
        {Qt::Key_Space, Qt::ShiftModifier, 1}, {Qt::Key_X, Qt::ControlModifier, 2},
        {Qt::Key_E, Qt::ControlModifier, 1}, {Qt::Key_B, Qt::NoModifier, 199},
        {Qt::Key_T, Qt::NoModifier, 0},      {Qt::Key_End, Qt::NoModifier, 199},
        {Qt::Key_Home, Qt::NoModifier, 0},   {Qt::Key_Down, Qt::ControlModifier, 199},
        {Qt::Key_Up, Qt::ControlModifier, 0}, {Qt::Key_D, Qt::ControlModifier, page},
        {Qt::Key_T, Qt::ShiftModifier, page},  // not in the table
    };
    for (const Step& step : steps) {
        Key(*view, step.key, step.state);
        QCOMPARE(view->TopRow(), step.expected);
    }
}

void BigViewTest::keyHookRunsFirst()
{
    auto view = MakeView(NumberedLines(100));
    int seen = 0;
    view->OnKeyDown = [&](QKeyEvent* e) {
        ++seen;
        return e->key() == Qt::Key_Down;
    };
    Key(*view, Qt::Key_Down);
    QCOMPARE(view->TopRow(), 0);
    Key(*view, Qt::Key_Space);
    QCOMPARE(view->TopRow(), view->VisibleRows() - 1);
    Key(*view, Qt::Key_F5);
    QCOMPARE(seen, 3);
}

void BigViewTest::caretKeysSkipTrailBytes()
{
    // row 0: a b 漢 c; row 1: a 漢 d e
    auto view = MakeView({"ab" + kKanji + "c", "a" + kKanji + "de"});
    view->SetCaret(true);
    view->SetCaretPos({2, 0});
    Key(*view, Qt::Key_Right);
    QCOMPARE(view->CaretPoint().X, 3);
    Key(*view, Qt::Key_Right);
    QCOMPARE(view->CaretPoint().X, 5);
    Key(*view, Qt::Key_Left);
    QCOMPARE(view->CaretPoint().X, 3);

    view->SetCaretPos({3, 0});
    Key(*view, Qt::Key_Down);   // byte 3 of row 1 is a trail byte
    QCOMPARE(view->CaretPoint().Y, 1);
    QCOMPARE(view->CaretPoint().X, 4);
    view->SetCaretPos({3, 1});
    QCOMPARE(view->CaretPoint().X, 3);   // SetCaretPos itself does not adjust
    Key(*view, Qt::Key_Up);
    QCOMPARE(view->CaretPoint().X, 3);
    Key(*view, Qt::Key_End);
    QCOMPARE(view->CaretPoint().X, 6);
    Key(*view, Qt::Key_Home);
    QCOMPARE(view->CaretPoint().X, 1);
    Key(*view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view->CaretPoint().Y, 1);
    QCOMPARE(view->CaretPoint().X, 6);
    Key(*view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(view->CaretPoint().Y, 0);
    QCOMPARE(view->CaretPoint().X, 1);
    QCOMPARE(view->SelStart().X, view->SelEnd().X);   // unshifted keys collapse

    auto empty = MakeView({});
    empty->SetCaret(true);
    Key(*empty, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(empty->CaretPoint().X, 0);
    QCOMPARE(empty->CaretPoint().Y, 0);
}

void BigViewTest::caretNeverOnTrailByte()
{
    std::vector<std::string> lines;
    std::mt19937 random(7);
    const std::string pieces[] = {"a", "\t", kKanji, kKana, "  ", "x1"};
    for (int i = 0; i < 60; ++i) {
        std::string line;
        const int count = static_cast<int>(random() % 12);
        for (int k = 0; k < count; ++k)
            line += pieces[random() % 6];
        lines.push_back(line);
    }
    auto view = MakeView(lines, 10);
    view->SetCaret(true);
    const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right,
                            Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End};
    for (int i = 0; i < 400; ++i) {
        Key(*view, keys[random() % 7]);
        const TPoint caret = view->CaretPoint();
        QVERIFY2(view->ByteKind(view->RowText(caret.Y), caret.X) != 2,
                 qPrintable(QString("row %1 column %2").arg(caret.Y).arg(caret.X)));
        QVERIFY(caret.Y >= view->TopRow() && caret.Y <= view->BottomRow());
    }
}

void BigViewTest::setCaretPosClamps()
{
    auto view = MakeView({"0123456789", "abc"});
    view->SetCaretPos({999, 0});
    QCOMPARE(view->CaretPoint().X, 11);
    view->SetCaretPos({2, 50});
    QCOMPARE(view->CaretPoint().Y, 1);
    QCOMPARE(view->CaretPoint().X, 2);
    view->SetCaretPos({-4, 0});
    QCOMPARE(view->CaretPoint().X, 0);
    view->SetCaretPos({5, -1});
    QCOMPARE(view->CaretPoint().X, 0);
    QCOMPARE(view->CaretPoint().Y, 0);
}

void BigViewTest::shiftedKeysSelect()
{
    auto view = MakeView(NumberedLines(100), 10);
    view->SetCaret(true);
    view->SetCaretPos({1, 2});
    view->SetSelStart({1, 2});
    Key(*view, Qt::Key_Right, Qt::ShiftModifier);
    Key(*view, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view->SelStart().X, 1);
    QCOMPARE(view->SelEnd().X, 3);
    // a page with Shift keeps the anchor where it was
    Key(*view, Qt::Key_PageDown, Qt::ShiftModifier);
    QCOMPARE(view->SelStart().Y, 2);
    QCOMPARE(view->SelEnd().Y, 12);
    QCOMPARE(view->TopRow(), 10);
    Key(*view, Qt::Key_Left);
    QCOMPARE(view->SelStart().X, view->SelEnd().X);
    QCOMPARE(view->SelStart().Y, view->SelEnd().Y);

    view->SetSelect(false);
    const int top = view->TopRow();
    Key(*view, Qt::Key_Right, Qt::ShiftModifier);   // no caret entry: not in the scroll tables either
    QCOMPARE(view->SelStart().X, view->SelEnd().X);
    QCOMPARE(view->TopRow(), top);
}

void BigViewTest::selectWordAt()
{
    auto view = MakeView({"foo_bar1 baz", "x" + kKanji + "y"});
    const QPoint second = PointAt(*view, 2, 0);
    view->SelectWordAt(second.x(), second.y());
    QCOMPARE(view->SelStart().X, 1);
    QCOMPARE(view->SelEnd().X, 9);
    const QPoint blank = PointAt(*view, 9, 0);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, WidgetPoint(*view, blank));
    QCOMPARE(view->SelStart().X, 9);
    QCOMPARE(view->SelEnd().X, 10);
    const QPoint baz = PointAt(*view, 12, 0);
    view->SelectWordAt(baz.x(), baz.y());
    QCOMPARE(view->SelStart().X, 10);
    QCOMPARE(view->SelEnd().X, 13);
    // either half of a double-byte character selects the whole character
    for (int dx : {1, static_cast<int>(view->TabbedWidth(kKanji)) - 1}) {
        const QPoint left = PointAt(*view, 2, 1);
        view->SelectWordAt(left.x() - 1 + dx, left.y());
        QCOMPARE(view->SelStart().Y, 1);
        QCOMPARE(view->SelStart().X, 2);
        QCOMPARE(view->SelEnd().X, 4);
    }
    view->SetSelect(false);
    view->SetSelStart({1, 0});
    view->SetSelEnd({1, 0});
    view->SelectWordAt(second.x(), second.y());
    QCOMPARE(view->SelEnd().X, 1);
}

void BigViewTest::mouseSelection()
{
    auto view = MakeView(NumberedLines(50));
    const QPoint from = WidgetPoint(*view, PointAt(*view, 2, 1));
    const QPoint to = WidgetPoint(*view, PointAt(*view, 4, 3));
    QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
    QVERIFY(view->SelectingByMouse());
    QTest::mouseMove(view.get(), to);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    QVERIFY(!view->SelectingByMouse());
    QCOMPARE(view->SelStart().X, 2);
    QCOMPARE(view->SelStart().Y, 1);
    QCOMPARE(view->SelEnd().X, 4);
    QCOMPARE(view->SelEnd().Y, 3);

    // the selection is drawn inverted: row 2 no longer matches its plain paint
    const QImage selected = view->Bitmap().copy();
    view->SetSelEnd(view->SelStart());
    view->Redraw();
    QVERIFY(selected != view->Bitmap());

    view->SetSelect(false);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view.get(), to);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    QCOMPARE(view->SelStart().X, view->SelEnd().X);
    QCOMPARE(view->SelStart().Y, view->SelEnd().Y);
}

void BigViewTest::dragPastBottomScrollsInALoop()
{
    auto view = MakeView(NumberedLines(45), 10);
    view->SetScOver(false);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, WidgetPoint(*view, PointAt(*view, 1, 0)));
    // held below the text: the view scrolls one row per step until the end
    QTest::mouseMove(view.get(), QPoint(20, view->height() + 30));
    QCOMPARE(view->BottomRow(), 44);
    QCOMPARE(view->SelEnd().Y, 44);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, QPoint(20, view->height() + 30));
    QVERIFY(!view->SelectingByMouse());
    QCOMPARE(view->SelStart().Y, 0);
}

void BigViewTest::selectionDrawnOnScrolledRows()
{
    auto view = MakeView(NumberedLines(60), 8);
    view->SetSelStart({5, 10});
    view->SetSelEnd({5, 20});
    view->SetTopRow(4);
    for (int delta : {3, 3, 3, 2, -5}) {
        view->ResetPaintCounters();
        view->SetTopRow(view->TopRow() + delta);
        QCOMPARE(view->FullRedrawCount(), 0);
        const QImage shifted = view->Bitmap().copy();
        view->Redraw();
        QCOMPARE(shifted, view->Bitmap());
    }
}

void BigViewTest::resizeKeepsTopLine()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 60; ++i)
        lines.push_back(std::to_string(i) + std::string(150 + i, 'w'));
    auto view = MakeView(lines, 20, 600);
    view->SetWrapByte(0);
    const int wide = view->RowCount();
    QVERIFY(wide > 60);
    view->SetTopRow(view->RowOfLine(25));
    view->SetSelStart({3, view->RowOfLine(30)});
    view->SetSelEnd({7, view->RowOfLine(30)});
    view->resize(300, view->height());
    QVERIFY(view->RowCount() > wide);
    QCOMPARE(view->LineOfRow(view->TopRow()), 25);
    QCOMPARE(view->RowToLinePos(view->SelStart()).Y, 30);
    QCOMPARE(view->RowToLinePos(view->SelEnd()).X, 7);
    view->resize(900, view->height());
    QCOMPARE(view->LineOfRow(view->TopRow()), 25);
    // every row fits the window
    for (int row = 0; row < view->RowCount(); ++row)
        QVERIFY(view->TabbedWidth(view->RowText(row)) <= view->ClientRect().width());
}

namespace {

// Row of the first difference between two row tables; -1 when they agree.
int FirstDifferentRow(const RowTable& a, const RowTable& b)
{
    for (int row = 0; row < std::max(a.RowCount(), b.RowCount()); ++row) {
        if (row >= a.RowCount() || row >= b.RowCount())
            return row;
        const RowEntry x = a.Row(row);
        const RowEntry y = b.Row(row);
        if (x.Line != y.Line || x.Start != y.Start || x.Length != y.Length || x.Index != y.Index || x.Last != y.Last)
            return row;
    }
    return -1;
}

}  // namespace

// Resizes that follow each other closely end in one layout of the last size,
// made on another thread, under the same top line; a key waits for it.
void BigViewTest::resizeBurstLaysOutInTheBackground()
{
    std::mt19937 random(3);
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        std::string line = std::to_string(i);
        for (int k = static_cast<int>(random() % 160); k > 0; --k)
            line += k % 7 == 0 ? kKanji : k % 23 == 0 ? "\t" : "w";
        lines.push_back(line);
    }
    auto view = MakeView(lines, 20, 600);
    view->SetWordWrap(true);
    view->SetWrapByte(0);
    QTRY_VERIFY(!view->LayoutPending());
    const int wideRows = view->RowCount();
    view->SetTopRow(view->RowOfLine(1500));
    int changed = 0;
    view->OnLayoutChanged = [&](TBigView*) { ++changed; };

    TBigView::SetBackgroundLayoutLines(1);
    struct Restore {
        ~Restore() { TBigView::SetBackgroundLayoutLines(200000); }
    } restore;
    for (int i = 1; i <= 10; ++i) {
        QTest::qWait(3);
        view->resize(600 - 17 * i, view->height() + i);
    }
    QVERIFY(view->LayoutPending());
    QTRY_VERIFY(!view->LayoutPending());
    QVERIFY(changed > 0);
    QCOMPARE(view->LineOfRow(view->TopRow()), 1500);

    // The same lines laid out at once in a view of the final size.
    TBigView::SetBackgroundLayoutLines(200000);
    auto fresh = MakeView(lines, 20, 600);
    fresh->SetWrapByte(0);
    fresh->resize(view->size());
    QCOMPARE(fresh->ClientRect(), view->ClientRect());
    QVERIFY(fresh->RowCount() != wideRows);
    QCOMPARE(FirstDifferentRow(view->Rows(), fresh->Rows()), -1);

    TBigView::SetBackgroundLayoutLines(1);
    view->resize(500, view->height());
    QVERIFY(view->LayoutPending());
    Key(*view, Qt::Key_Down);
    QVERIFY(!view->LayoutPending());
    TBigView::SetBackgroundLayoutLines(200000);
    fresh->resize(view->size());
    QCOMPARE(FirstDifferentRow(view->Rows(), fresh->Rows()), -1);
}

void BigViewTest::colorAppliedAtNextPaint()
{
    auto view = MakeView(NumberedLines(3));
    const QPoint empty(view->Bitmap().width() - 2, 2);
    const QColor before = view->Bitmap().pixelColor(empty);
    view->SetColor(QColor(200, 0, 0));
    QCOMPARE(view->Bitmap().pixelColor(empty), before);
    view->ResetPaintCounters();
    view->repaint();
    QCOMPARE(view->FullRedrawCount(), 1);
    QCOMPARE(view->Bitmap().pixelColor(empty), QColor(200, 0, 0));
    const QImage shown = view->grab().toImage();
    QCOMPARE(shown.pixelColor(WidgetPoint(*view, empty)), QColor(200, 0, 0));
}

void BigViewTest::failedLoadLeavesConsistentView()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("log.txt").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 100; ++i)
            out << "row " << i << "\r\n";
    }
    auto view = MakeView({});
    view->LoadFromFile(path);
    QCOMPARE(view->LineCount(), 100);
    view->SetTopRow(60);
    view->LoadFromFile(path);
    QCOMPARE(view->TopRow(), 0);

    view->SetTopRow(60);
    QVERIFY_THROWS_EXCEPTION(EInOutError, view->LoadFromFile(dir.filePath("missing").toStdString()));
    QCOMPARE(view->RowCount(), view->LineCount());
    QCOMPARE(view->TopRow(), 0);
    QCOMPARE(VerticalBar(*view)->maximum(), 1);
    view->repaint();   // paints without touching rows that are gone
}

void BigViewTest::replacedContentPaintsWholePage()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("ten.txt").toStdString();
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 10; ++i)
            out << "new " << i << "\r\n";
    }
    auto view = MakeView(NumberedLines(100, "old "), 30);
    // What is shown must be what a full repaint draws.
    const auto wholePagePainted = [&] {
        const QImage shown = view->Bitmap().copy();
        view->Redraw();
        return shown == view->Bitmap();
    };
    const std::vector<std::function<void()>> replacements = {
        [&] { view->LoadFromFile(path); },
        [&] { view->SetLines(NumberedLines(10, "set ")); },
        [&] {
            auto lines = std::make_unique<TBvStrings>();
            lines->LoadFromFile(path);
            view->AdoptLines(std::move(lines));
        },
    };
    for (int top : {5, view->VisibleRows()}) {
        for (size_t k = 0; k < replacements.size(); ++k) {
            view->SetLines(NumberedLines(100, "old "));
            view->SetTopRow(top);
            QVERIFY(wholePagePainted());
            replacements[k]();
            QCOMPARE(view->TopRow(), 0);
            QVERIFY2(wholePagePainted(), qPrintable(QStringLiteral("top %1, replacement %2").arg(top).arg(k)));
        }
    }
    // a row deleted above the page moves the page
    view->SetLines(NumberedLines(100, "old "));
    view->SetTopRow(5);
    view->DeleteRow(0);
    QVERIFY(wholePagePainted());
}

void BigViewTest::bytesWithoutCharacterTakeOneCell()
{
    auto view = MakeView({});
    const int64_t cell = view->TabbedWidth("x");
    // control bytes, invalid single bytes and a lone lead byte at the end
    for (const std::string bytes : {std::string(1, '\0'), std::string("\x01"), std::string("\x1F"),
                                    std::string("\x7F"), std::string("\x80"), std::string("\xA0"),
                                    std::string("\xFD"), std::string("\xFF"), std::string("\x81")})
        QCOMPARE(view->TabbedWidth(bytes), cell);
    QCOMPARE(view->TabbedWidth("\x85\x40"), 2 * cell);   // an unassigned pair

    // Drawn where they are measured: the character after them lands on the
    // same pixels as after as many "x".
    const std::string odd = std::string("\x80") + '\0' + "\xFD\x85\x40" + "Q";
    view->SetLines({odd, "xxxxxQ"});
    view->Redraw();
    const QRect first(static_cast<int>(5 * cell), 0, static_cast<int>(cell), view->RowHeight());
    const QImage q0 = view->Bitmap().copy(first);
    QCOMPARE(view->Bitmap().copy(first.translated(0, view->RowHeight())), q0);
    QVERIFY(q0 != view->Bitmap().copy(QRect(0, 3 * view->RowHeight(), static_cast<int>(cell), view->RowHeight())));
}

void BigViewTest::contentOperations()
{
    auto view = MakeView({}, 5);
    QCOMPARE(view->AddLine(std::string(200, 'a')), 3);
    QCOMPARE(view->AddLine("second"), 4);
    QCOMPARE(view->RowText(2), std::string(40, 'a'));

    int row = 0;
    int column = 1;
    QVERIFY(view->Find("SEC", row, column));
    QCOMPARE(row, 3);
    QCOMPARE(column, 1);
    row = 0;
    column = 1;
    QVERIFY(!view->Find("absent", row, column));
    QCOMPARE(row, view->RowCount());
    QCOMPARE(column, 1);

    view->SetRowText(3, "changed");
    QCOMPARE(view->GetLine(1), std::string("changed"));
    QCOMPARE(view->RowOfText("changed"), 3);
    QCOMPARE(view->RowOfText("nothing"), -1);
    view->InsertRow(3, "inserted");
    QCOMPARE(view->RowText(3), std::string("inserted"));
    view->ExchangeRows(0, 3);
    QCOMPARE(view->GetLine(0), std::string("inserted"));
    view->DeleteRow(0);
    QCOMPARE(view->LineCount(), 2);
    QCOMPARE(view->RowCount(), 4);
    QVERIFY_THROWS_EXCEPTION(EListError, view->GetLine(2));

    // appending past the window keeps the view where it is
    for (int i = 0; i < 20; ++i)
        view->AddLine("more");
    QCOMPARE(view->TopRow(), 0);

    view->SetWordWrap(false);
    QCOMPARE(view->RowCount(), view->LineCount());
    QCOMPARE(VerticalBar(*view)->maximum(), view->RowCount() - 1 - (view->ScOver() ? 0 : view->VisibleRows() - 1));

    view->Clear();
    QCOMPARE(view->RowCount(), 0);
    QCOMPARE(view->TopRow(), 0);
}

void BigViewTest::longLineDoesNotWidenImage()
{
    auto view = MakeView({});
    view->SetWordWrap(false);
    view->SetScrollBar(ssBoth);
    view->SetLines({std::string(100000, 'q'), "short"});
    QCOMPARE(view->MaxChar(), 100000);
    QCOMPARE(view->Bitmap().width(), view->ClientRect().width());
    view->SetLeftColumn(99990);
    QCOMPARE(view->LeftColumn(), 99990);
    view->SetLeftColumn(200000);
    QCOMPARE(view->LeftColumn(), 99999);
}

void BigViewTest::caretDrawnOnlyWithFocus()
{
    auto view = MakeView({"0123456789"});
    view->SetCaretPos({4, 0});
    const QPoint inside = WidgetPoint(*view, PointAt(*view, 4, 0)) + QPoint(4, 0);
    const QColor plain = view->grab().toImage().pixelColor(inside);
    const auto caretShown = [&] { return view->grab().toImage().pixelColor(inside) != plain; };

    view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view.get()));
    view->setFocus();
    QVERIFY(view->hasFocus());
    QVERIFY(!caretShown());   // Caret is off
    view->SetCaret(true);
    // it blinks: it must show within one blink period
    QTRY_VERIFY_WITH_TIMEOUT(caretShown(), 2 * QApplication::cursorFlashTime() + 100);

    view->clearFocus();
    QVERIFY(!caretShown());
    QVERIFY(view->Caret());   // remembered for when the focus returns
}

void BigViewTest::accelerationAndWheel()
{
    auto view = MakeView(NumberedLines(500));
    view->SetScOver(true);
    for (int i = 0; i < 40; ++i)
        view->VScrollAction(SB_LINEDOWN);
    QCOMPARE(view->TopRow(), 40);   // ScrollSense 1: always one row

    view->SetTopRow(0);
    view->SetScrollSense(4);
    for (int i = 0; i < 40; ++i)
        view->VScrollAction(SB_LINEDOWN);
    QVERIFY2(view->TopRow() > 40, qPrintable(QString::number(view->TopRow())));
    QVERIFY(view->TopRow() <= 4 * 40);

    view->SetScrollSense(1);
    QTest::qWait(350);   // a pause restarts at one row a step
    const int top = view->TopRow();
    QWheelEvent notch(QPointF(20, 20), view->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &notch);
    QCOMPARE(view->TopRow(), top + 3);

    // parts of a notch add up: eight eighths are one notch
    auto wheel = [&](QPoint pixels, QPoint angle) {
        QWheelEvent event(QPointF(20, 20), view->mapToGlobal(QPointF(20, 20)), pixels, angle, Qt::NoButton,
                          Qt::NoModifier, Qt::ScrollUpdate, false);
        QApplication::sendEvent(view.get(), &event);
    };
    for (int i = 0; i < 8; ++i)
        wheel(QPoint(), QPoint(0, -15));
    QCOMPARE(view->TopRow(), top + 6);
    // pixel deltas: rows of their own height
    const int half = view->RowHeight() / 2;
    wheel(QPoint(0, -2 * view->RowHeight() - half), QPoint(0, -1));
    QCOMPARE(view->TopRow(), top + 8);
    wheel(QPoint(0, half - view->RowHeight()), QPoint(0, -1));
    QCOMPARE(view->TopRow(), top + 9);
}

void BigViewTest::horizontalKeys()
{
    std::vector<std::string> lines(100, std::string(300, 'h'));
    auto view = MakeView(lines, 10);
    view->SetWordWrap(false);
    view->SetScrollBar(ssBoth);
    QCOMPARE(view->MaxChar(), 300);
    Key(*view, Qt::Key_Right);   // both bars: a page down and a column right
    QCOMPARE(view->TopRow(), view->VisibleRows() - 1);
    QCOMPARE(view->LeftColumn(), 1);
    Key(*view, Qt::Key_Right, Qt::ControlModifier);
    const int page = view->ClientRect().width() / view->CharWidth();
    QCOMPARE(view->LeftColumn(), 1 + page);
    Key(*view, Qt::Key_End);
    QCOMPARE(view->LeftColumn(), 300 - page);
    Key(*view, Qt::Key_Home);
    QCOMPARE(view->LeftColumn(), 0);
    QCOMPARE(view->TopRow(), 0);
}

void BigViewTest::styleFramesAndEdges()
{
    QWidget parent;
    parent.resize(600, 400);
    auto* view = new TBigView(&parent);
    view->setGeometry(50, 50, 300, 200);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));

    view->SetBvStyle({});
    QCOMPARE(view->ClientRect(), view->rect());
    view->SetBvStyle(bvClientLow | bvDblFrame);
    QCOMPARE(view->ClientRect(), view->rect().adjusted(5, 5, -5, -5));
    const int rows = view->VisibleRows();
    view->SetCaption("caption");
    view->SetBvStyle(bvClientLow | bvDblFrame | bvCaption);
    QVERIFY(view->VisibleRows() < rows);
    QVERIFY(view->ClientRect().top() > 5);

    int changed = 0;
    view->OnBvStyleChanging = [](TBigView*, TBvStyle& style) { style |= bvHResize; };
    view->OnBvStyleChanged = [&](TBigView*) { ++changed; };
    view->SetBvStyle(bvClientLow);
    QCOMPARE(view->BvStyle(), TBvStyle(bvClientLow | bvHResize));
    QCOMPARE(changed, 1);

    // the right edge can be dragged, the bottom edge cannot
    const QRect before = view->geometry();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->width() - 2, 100));
    QTest::mouseMove(view, QPoint(view->width() + 38, 100));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() + 38, 100));
    QCOMPARE(view->width(), before.width() + 40);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, view->height() - 2));
    QTest::mouseMove(view, QPoint(100, view->height() + 30));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(100, view->height() + 30));
    QCOMPARE(view->height(), before.height());

    view->SetCaption(QString(300, QChar(0x3042)));   // three bytes each in UTF-8
    QCOMPARE(view->Caption().toUtf8().size(), 255);
}

QTEST_MAIN(BigViewTest)
#include "BigViewTest.moc"
