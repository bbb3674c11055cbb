#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <random>

#include "text/Cp932.h"
#include "view/RowTable.h"

using namespace pelto;

namespace {

struct R {
    int32_t Line, Start, Length, Index, Last;
    bool operator==(const R&) const = default;
};
void PrintTo(const R& r, std::ostream* os)
{
    *os << "{" << r.Line << "," << r.Start << "," << r.Length << "," << r.Index << "," << r.Last << "}";
}

std::vector<R> Rows(const RowTable& table)
{
    std::vector<R> rows;
    for (int32_t row = 0; row < table.RowCount(); ++row) {
        RowEntry e = table.Row(row);
        rows.push_back({e.Line, e.Start, e.Length, e.Index, e.Last});
    }
    return rows;
}

std::vector<R> Layout(const std::vector<std::string>& lines, bool wordWrap, int32_t wrapByte,
                      TextMeasurer* measurer = nullptr)
{
    TBvStrings store;
    store.Assign(lines);
    RowTable table;
    table.LayoutFrom(0, store, wordWrap, wrapByte, measurer);
    return Rows(table);
}

// A fixed-pitch font: single bytes 8 px, double-byte characters 16 px.
class FakeMeasurer : public TextMeasurer {
public:
    explicit FakeMeasurer(int32_t clientWidth, bool proportionalFont = false)
        : client(clientWidth), proportional(proportionalFont) {}
    int32_t Advance(uint16_t ch) override
    {
        ++calls[ch];
        if (proportional && (ch == 'i' || ch == 0x8140))
            return ch == 'i' ? 3 : 11;
        return ch > 0xFF ? 16 : 8;
    }
    int32_t TabWidth() const override { return 32; }
    int32_t CharWidth() const override { return 8; }
    int32_t ClientWidth() const override { return client; }
    int32_t client;
    bool proportional;
    std::map<uint16_t, int> calls;
};

// Checks the row invariants of one wrapped line: rows cover it in order,
// none starts on a trail byte, widths are the wrap or one less.
void ExpectSoundRows(const std::string& line, const std::vector<R>& rows, int32_t wrap)
{
    ASSERT_FALSE(rows.empty());
    int32_t next = 1;
    for (size_t i = 0; i < rows.size(); ++i) {
        const R& r = rows[i];
        EXPECT_EQ(r.Start, next);
        EXPECT_NE(ByteKind(line, r.Start), 2) << "row " << i << " starts on a trail byte";
        EXPECT_EQ(r.Index, static_cast<int32_t>(i));
        EXPECT_EQ(r.Last, i + 1 == rows.size() ? 1 : 0);
        EXPECT_TRUE(r.Length == wrap || r.Length == wrap - 1 || (wrap == 1 && r.Length == 2)) << r.Length;
        next = r.Start + r.Length;
    }
    EXPECT_GT(next, static_cast<int32_t>(line.size()));
}

} // namespace

TEST(RowTable, WrapsEveryWrapByteBytes)
{
    EXPECT_EQ(Layout({std::string(200, 'a')}, true, 80),
              (std::vector<R>{{0, 1, 80, 0, 0}, {0, 81, 80, 1, 0}, {0, 161, 80, 2, 1}}));
    // An empty line is one row of nothing; a short line plans the whole wrap.
    EXPECT_EQ(Layout({"", "abc"}, true, 80), (std::vector<R>{{0, 0, 0, 0, 1}, {1, 1, 80, 0, 1}}));
    // Without wrapping every line is one row of its own length.
    EXPECT_EQ(Layout({std::string(200, 'a'), "", "xy"}, false, 80),
              (std::vector<R>{{0, 1, 200, 0, 1}, {1, 0, 0, 0, 1}, {2, 1, 2, 0, 1}}));
}

TEST(RowTable, NeverSplitsADoubleByteCharacter)
{
    // bytes 80 and 81 form one character
    std::string line = std::string(79, 'a') + "\x82\xa0" + std::string(50, 'b');
    EXPECT_EQ(Layout({line}, true, 80), (std::vector<R>{{0, 1, 79, 0, 0}, {0, 80, 80, 1, 1}}));
    EXPECT_EQ(Layout({"\x82\xa0"}, true, 1), (std::vector<R>{{0, 1, 2, 0, 1}}));
    EXPECT_EQ(Layout({"a\x82\xa0" "b"}, true, 1),
              (std::vector<R>{{0, 1, 1, 0, 0}, {0, 2, 2, 1, 0}, {0, 4, 1, 2, 1}}));

    // Double-byte characters at every possible row boundary.
    std::string kanji;
    for (int i = 0; i < 300; ++i)
        kanji += "\x88\x9f";
    for (const std::string& text : {kanji, "a" + kanji, "ab" + kanji + "c\x82", "\x81\x81\x81" + kanji}) {
        for (int32_t wrap : {1, 2, 3, 80, 255}) {
            SCOPED_TRACE(testing::Message() << "wrap " << wrap << " length " << text.size());
            ExpectSoundRows(text, Layout({text}, true, wrap), wrap);
        }
    }
}

TEST(RowTable, QueriesAndTheirBounds)
{
    TBvStrings store;
    store.Assign({std::string(200, 'a'), "", "xyz"});
    RowTable table;
    table.LayoutFrom(0, store, true, 80, nullptr);
    ASSERT_EQ(table.RowCount(), 5);

    EXPECT_EQ(table.RowOfLine(0), 0);
    EXPECT_EQ(table.RowOfLine(1), 3);
    EXPECT_EQ(table.RowOfLine(2), 4);
    EXPECT_EQ(table.RowOfLine(3), 5);
    EXPECT_EQ(table.RowOfLine(1000), 5);
    EXPECT_THROW(table.RowOfLine(-1), EListError);
    EXPECT_EQ(table.LineOfRow(2), 0);
    EXPECT_EQ(table.LineOfRow(3), 1);
    EXPECT_EQ(table.LineOfRow(-1), -1);
    EXPECT_EQ(table.LineOfRow(5), -1);
    EXPECT_THROW(table.Row(5), EListError);
    EXPECT_THROW(table.RowText(store, -1), EListError);

    EXPECT_EQ(table.RowText(store, 1).size(), 80u);
    EXPECT_EQ(table.RowText(store, 2).size(), 40u) << "clipped to the line";
    EXPECT_EQ(table.RowText(store, 3), "");
    EXPECT_EQ(table.RowText(store, 4), "xyz");

    auto eq = [](TPoint a, TPoint b) { return a.X == b.X && a.Y == b.Y; };
    EXPECT_TRUE(eq(table.LineToRowPos({85, 0}), {5, 1}));
    EXPECT_TRUE(eq(table.LineToRowPos({1, 0}), {1, 0}));
    EXPECT_TRUE(eq(table.LineToRowPos({999, 0}), {839, 2}));
    EXPECT_TRUE(eq(table.LineToRowPos({0, 0}), {0, 0}));
    EXPECT_TRUE(eq(table.LineToRowPos({3, 2}), {3, 4}));
    EXPECT_TRUE(eq(table.LineToRowPos({3, 7}), {1, 5}));
    EXPECT_TRUE(eq(table.RowToLinePos({5, 1}), {85, 0}));
    EXPECT_TRUE(eq(table.RowToLinePos({5, 5}), {0, 0}));
    EXPECT_TRUE(eq(table.RowToLinePos({5, -1}), {0, 0}));
}

TEST(RowTable, LayoutFromALineMatchesAFullLayout)
{
    TBvStrings store;
    store.Assign({"a", std::string(170, 'b'), "", std::string(90, 'c'), "d"});
    RowTable table;
    table.LayoutFrom(0, store, true, 80, nullptr);

    auto expectFull = [&] {
        RowTable full;
        full.LayoutFrom(0, store, true, 80, nullptr);
        EXPECT_EQ(Rows(table), Rows(full));
    };
    store.Insert(1, std::string(100, 'x'));
    table.LayoutFrom(1, store, true, 80, nullptr);
    expectFull();
    store.Delete(4);
    table.LayoutFrom(4, store, true, 80, nullptr);
    expectFull();
    store.Delete(store.Count() - 1); // the last line: only truncates
    table.LayoutFrom(store.Count(), store, true, 80, nullptr);
    expectFull();
    store.Add(std::string(300, 'e'));
    table.LayoutFrom(store.Count() - 1, store, true, 80, nullptr);
    expectFull();
    store.Clear();
    table.LayoutFrom(0, store, true, 80, nullptr);
    EXPECT_EQ(table.RowCount(), 0);
}

TEST(RowTable, TabbedWidthExpandsTabsFromOrigin)
{
    FakeMeasurer m(640);
    EXPECT_EQ(TabbedWidth("a\tb", m), 8 + 24 + 8);
    EXPECT_EQ(TabbedWidth("\t\t", m), 64);
    EXPECT_EQ(TabbedWidth("\x82\xa0" "a\x82", m), 16 + 8 + 8);
    EXPECT_EQ(TabbedWidth(std::string(100000, '\t'), m), 3200000) << "no 16-bit wrap-around";
}

TEST(RowTable, WrapsAtTheWindowWidth)
{
    FakeMeasurer m(640); // 80 single-byte columns
    // Narrower than the window: one row of the line's length.
    EXPECT_EQ(Layout({std::string(70, 'x'), "\x82\xa0\x82\xa0"}, true, 0, &m),
              (std::vector<R>{{0, 1, 70, 0, 1}, {1, 1, 4, 0, 1}}));
    // Too wide: the estimate of 80 bytes is refined to 79 (632 px lies within
    // two columns of the edge).
    EXPECT_EQ(Layout({std::string(200, 'x')}, true, 0, &m),
              (std::vector<R>{{0, 1, 79, 0, 0}, {0, 80, 79, 1, 0}, {0, 159, 79, 2, 1}}));
    // Double-byte text: the width is 79, every row is cut back to whole characters.
    std::string kanji;
    for (int i = 0; i < 100; ++i)
        kanji += "\x88\x9f";
    EXPECT_EQ(Layout({kanji}, true, 0, &m),
              (std::vector<R>{{0, 1, 78, 0, 0}, {0, 79, 78, 1, 0}, {0, 157, 79, 2, 1}}));
    // Tabs count to the next stop: 10 tabs are 320 px, and the line fits.
    EXPECT_EQ(Layout({std::string(10, '\t') + std::string(30, 'x')}, true, 0, &m),
              (std::vector<R>{{0, 1, 40, 0, 1}}));
    // A tab makes the width jump over the band near the edge (616 px, then
    // 640 px in a 632 px window): the fit stops once it has both grown and
    // shrunk, at 78 bytes.
    FakeMeasurer narrower(632);
    EXPECT_EQ(Layout({std::string(77, 'x') + "\t" + std::string(100, 'x')}, true, 0, &narrower),
              (std::vector<R>{{0, 1, 78, 0, 0}, {0, 79, 78, 1, 0}, {0, 157, 78, 2, 1}}));
    // A window narrower than one character still makes progress.
    FakeMeasurer tiny(3);
    EXPECT_EQ(Layout({"abc"}, true, 0, &tiny),
              (std::vector<R>{{0, 1, 1, 0, 0}, {0, 2, 1, 1, 0}, {0, 3, 1, 2, 1}}));
}

// A large layout measures every character up front and then recognises most
// lines without walking them; it must give what each line gives alone.
TEST(RowTable, WindowWidthLayoutOfManyLinesAgreesLineByLine)
{
    std::string kanji;
    for (int i = 0; i < 70; ++i)
        kanji += "\x88\x9f";
    const std::vector<std::string> kinds = {
        std::string(80, 'x'), std::string(81, 'x'), "a\tb\tc" + std::string(70, 'y'),
        kanji, "z" + kanji, std::string(40, 'q') + "\x82\xa0", "", "\x82",
        std::string(150, 'i'), std::string(90, 'i') + "\x81\x40\x81\x40" + std::string(20, 'w')};
    std::vector<std::string> lines;
    for (int i = 0; i < 30000; ++i)
        lines.push_back(kinds[static_cast<size_t>(i) % kinds.size()]);

    for (bool proportional : {false, true}) {
        SCOPED_TRACE(proportional ? "proportional" : "fixed pitch");
        FakeMeasurer m(640, proportional);
        std::vector<R> all = Layout(lines, true, 0, &m);
        std::vector<std::vector<R>> expected;
        for (const std::string& kind : kinds) {
            FakeMeasurer single(640, proportional);
            expected.push_back(Layout({kind}, true, 0, &single));
        }
        size_t at = 0;
        for (size_t line = 0; line < lines.size(); ++line) {
            for (R r : expected[line % kinds.size()]) {
                r.Line = static_cast<int32_t>(line);
                ASSERT_LT(at, all.size());
                ASSERT_EQ(all[at], r) << "line " << line;
                ++at;
            }
        }
        EXPECT_EQ(at, all.size());
        for (const auto& [code, count] : m.calls)
            EXPECT_EQ(count, 1) << "code " << code << " measured more than once";
    }
}

// The layout skips walking lines from byte 1; it must agree with the plain
// reading on any bytes: n = WrapByte, cut back when ByteKind(p + n) is 2.
TEST(RowTable, WrapByteLayoutAgreesWithTheByteKindRule)
{
    std::mt19937 random(11);
    const std::string alphabet = "ab\t\x81\x82\x9f\xa0\xe0\xfc\xfd\x40";
    // Mostly lead-range bytes: runs longer than the 16 bytes looked at once.
    const std::string leads = "\x81\x82\x9f\xe0\xfc\x88\x40";
    for (int round = 0; round < 400; ++round) {
        const std::string& from = round % 3 == 0 ? leads : alphabet;
        std::string line(static_cast<size_t>(random() % (round % 2 == 0 ? 60 : 200)), 'a');
        for (char& c : line)
            c = from[random() % from.size()];
        for (int32_t wrap : {1, 2, 3, 7, 17, 40}) {
            std::vector<R> expected;
            int32_t index = 0;
            for (int32_t p = 1; p <= static_cast<int32_t>(line.size()); ++index) {
                int32_t n = wrap;
                if (ByteKind(line, p + n) == 2 && --n < 1)
                    n = 2;
                expected.push_back({0, p, n, index, 0});
                p += n;
            }
            if (expected.empty())
                expected.push_back({0, 0, 0, 0, 1});
            expected.back().Last = 1;
            ASSERT_EQ(Layout({line}, true, wrap), expected) << testing::PrintToString(line) << " wrap " << wrap;
        }
    }
}

namespace {

class ParallelLayoutFrom {
public:
    explicit ParallelLayoutFrom(int32_t lines) : saved_(RowTable::ParallelLayoutThreshold())
    {
        RowTable::SetParallelLayoutThreshold(lines);
    }
    ~ParallelLayoutFrom() { RowTable::SetParallelLayoutThreshold(saved_); }

private:
    int32_t saved_;
};

} // namespace

// A large layout is split between two threads; rows, their numbers and the
// queries must not show where.
TEST(RowTable, LayoutInTwoHalvesMatchesOneLayout)
{
    std::mt19937 random(5);
    const std::string alphabet = "ab\x82\xa0\x88\x9f";
    std::vector<std::string> lines;
    for (int i = 0; i < 3001; ++i) {
        std::string line(static_cast<size_t>(random() % (i % 7 == 0 ? 400 : 90)), 'a');
        for (char& c : line)
            c = alphabet[random() % alphabet.size()];
        lines.push_back(line);
    }
    TBvStrings store;
    store.Assign(lines);
    for (auto [wordWrap, wrap] : {std::pair{true, 80}, std::pair{true, 1}, std::pair{true, 3}, std::pair{false, 80}}) {
        SCOPED_TRACE(testing::Message() << "wrap " << wordWrap << " " << wrap);
        RowTable one;
        {
            ParallelLayoutFrom never(INT32_MAX);
            one.LayoutFrom(0, store, wordWrap, wrap, nullptr);
        }
        ParallelLayoutFrom always(2);
        RowTable two;
        two.LayoutFrom(0, store, wordWrap, wrap, nullptr);
        ASSERT_EQ(Rows(two), Rows(one));
        // Relaid from a line in the first half: the second half moves.
        two.LayoutFrom(700, store, wordWrap, wrap, nullptr);
        ASSERT_EQ(Rows(two), Rows(one));
        for (int32_t line : {0, 1500, 1501, 3000}) {
            EXPECT_EQ(two.RowOfLine(line), one.RowOfLine(line));
            EXPECT_EQ(two.LineToRowPos({81, line}).Y, one.LineToRowPos({81, line}).Y);
        }
    }
}

// Rows made before a partial relayout keep what they were laid out with,
// also when the wrap changed meanwhile.
TEST(RowTable, PartialLayoutWithAnotherWrapKeepsTheEarlierRows)
{
    TBvStrings store;
    store.Assign({std::string(170, 'b'), "", "\x82\xa0\x82\xa0", std::string(5, 'c'), "", "d"});
    for (auto [before, after] : {std::pair{80, 1}, std::pair{80, 0}, std::pair{1, 80}, std::pair{0, 3}}) {
        SCOPED_TRACE(testing::Message() << before << " then " << after);
        auto layout = [&](int32_t wrap) {
            RowTable t;
            t.LayoutFrom(0, store, wrap != 0, wrap, nullptr);
            return Rows(t);
        };
        RowTable table;
        table.LayoutFrom(0, store, before != 0, before, nullptr);
        table.LayoutFrom(2, store, after != 0, after, nullptr);
        std::vector<R> expected;
        for (const R& r : layout(before))
            if (r.Line < 2)
                expected.push_back(r);
        for (const R& r : layout(after))
            if (r.Line >= 2)
                expected.push_back(r);
        EXPECT_EQ(Rows(table), expected);
    }
}

// A relayout from past the store's end still drops the rows of lines the
// store no longer has.
TEST(RowTable, LayoutAfterTheStoreShrankKeepsNoStaleRows)
{
    TBvStrings store;
    store.Assign({std::string(100, 'a'), "b", std::string(200, 'c'), "d"});
    RowTable table;
    table.LayoutFrom(0, store, true, 80, nullptr);
    store.SetCount(2);
    table.LayoutFrom(3, store, true, 80, nullptr);
    RowTable fresh;
    fresh.LayoutFrom(0, store, true, 80, nullptr);
    EXPECT_EQ(table.LineCount(), 2);
    EXPECT_EQ(Rows(table), Rows(fresh));
}

// A window-width layout of many lines measures every code up front and may
// then be split between two threads, each with its own prefix sums: the rows,
// the widest row and a measurer copied into a table must not show it.
TEST(RowTable, WindowWidthLayoutOnTwoThreadsMatchesOneThread)
{
    std::string kanji;
    for (int i = 0; i < 130; ++i)
        kanji += "\x88\x9f";
    const std::vector<std::string> kinds = {
        "short", std::string(79, 'x'), std::string(300, 'x'), kanji, "a" + kanji.substr(0, 170),
        "\tx\t" + kanji.substr(0, 60) + "\t" + std::string(120, 'i'), std::string(200, 'i') + "\x81\x40\x81\x40",
        "", std::string(75, 'q') + "\x82", "\xb1\xb2\t\xb3" + std::string(90, 'w'), std::string(12, '\t'),
        // A tab as the trail byte of a double-byte character, and as a tab.
        std::string(73, 'x') + "\x81\x81\x81\t" + "\x81\x81\t" + kanji.substr(0, 40) + "\x88\t" + std::string(30, 'y'),
        // The widest row of each font, in lines of their own in the second half.
        std::string(80, 'x'), std::string(213, 'i')};
    std::mt19937 random(7);
    std::vector<size_t> kindOf;
    std::vector<std::string> lines;
    for (int i = 0; i < 24001; ++i) {
        kindOf.push_back(i == 20000 || i == 20001 ? kinds.size() - 20002 + i : random() % (kinds.size() - 2));
        lines.push_back(kinds[kindOf.back()]);
    }
    TBvStrings store;
    store.Assign(lines);

    for (bool proportional : {false, true}) {
        SCOPED_TRACE(proportional ? "proportional" : "fixed pitch");
        // Each line laid out alone: few lines, measured as they come.
        std::vector<std::vector<R>> alone;
        for (const std::string& kind : kinds) {
            FakeMeasurer single(640, proportional);
            alone.push_back(Layout({kind}, true, 0, &single));
        }
        std::vector<R> expected;
        for (size_t line = 0; line < lines.size(); ++line) {
            for (R r : alone[kindOf[line]]) {
                r.Line = static_cast<int32_t>(line);
                expected.push_back(r);
            }
        }

        FakeMeasurer m(640, proportional);
        RowTable one;
        {
            ParallelLayoutFrom never(INT32_MAX);
            one.LayoutFrom(0, store, true, 0, &m);
        }
        ASSERT_EQ(Rows(one), expected);
        int64_t widest = 0;
        for (int32_t row = 0; row < one.RowCount(); ++row)
            widest = std::max<int64_t>(widest, static_cast<int64_t>(one.RowText(store, row).size()));
        EXPECT_EQ(one.LaidOutWidest(), widest);

        ParallelLayoutFrom always(2);
        RowTable two;
        two.LayoutFrom(0, store, true, 0, &m);
        ASSERT_EQ(Rows(two), expected);
        EXPECT_EQ(two.LaidOutWidest(), one.LaidOutWidest());
        // Relaid from a line in the first half: the second half moves.
        two.LayoutFrom(3001, store, true, 0, &m);
        ASSERT_EQ(Rows(two), expected);

        TableMeasurer table(m);
        RowTable copied;
        copied.LayoutFrom(0, store, true, 0, &table);
        EXPECT_EQ(Rows(copied), expected);
        EXPECT_EQ(Layout(kinds, true, 0, &table), Layout(kinds, true, 0, &m)) << "measured as they come";

        // A layout whose cancel flag is set gives up and keeps no rows of
        // its own; cleared, the same table lays out as before.
        std::atomic<bool> cancel{true};
        RowTable cancelled;
        cancelled.SetCancelFlag(&cancel);
        EXPECT_THROW(cancelled.LayoutFrom(0, store, true, 0, &table), LayoutCancelled);
        EXPECT_EQ(cancelled.RowCount(), 0);
        EXPECT_EQ(cancelled.LineCount(), 0);
        cancel = false;
        cancelled.LayoutFrom(0, store, true, 0, &table);
        EXPECT_EQ(Rows(cancelled), expected);
    }
}
