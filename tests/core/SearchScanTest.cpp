#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "NavigationTestSupport.h"
#include "navigation/SearchScan.h"
#include "text/Cp932.h"

namespace pelto {
namespace {

using testing::Document;
using testing::Lines;

// Row by row, as the search is described: fold both strings when asked, then
// take the first character start of the row where the whole pattern stands.
int LiteralPos(const std::string& pattern, const std::string& text)
{
    for (size_t pos = 0; pos < text.size(); pos += Cp932CharLen(text, pos)) {
        if (text.compare(pos, pattern.size(), pattern) == 0 && pos + pattern.size() <= text.size())
            return static_cast<int>(pos) + 1;
    }
    return 0;
}

bool EndsWithLoneLead(const std::string& text)
{
    return !text.empty() && ByteKind(text, static_cast<int>(text.size())) == 0 &&
           IsDBCSLeadByte(static_cast<unsigned char>(text.back()));
}

std::optional<SearchHit> ReferenceSearch(const Document& doc, std::string pattern, int32_t startRow,
                                         SearchDirection direction, bool caseSensitive)
{
    if (pattern.empty())
        return std::nullopt;
    if (!caseSensitive)
        UpperAscii(pattern);
    const int32_t step = direction == SearchDirection::Next ? 1 : -1;
    // Rows before the first or after the last one are passed over.
    if (direction == SearchDirection::Next)
        startRow = std::max(startRow, 0);
    else
        startRow = std::min(startRow, doc.rows.RowCount() - 1);
    for (int32_t row = startRow; row >= 0 && row < doc.rows.RowCount(); row += step) {
        std::string text(doc.rows.RowText(doc.store, row));
        if (!caseSensitive)
            UpperAscii(text);
        int pos = LiteralPos(pattern, text);
        // The shared substring test agrees, except that it would also take a
        // double-byte character whose trail byte is missing at the row's end.
        int dbcs = DbcsPos(pattern, text);
        if (dbcs != pos)
            EXPECT_TRUE(EndsWithLoneLead(text)) << "row " << row;
        if (pos != 0)
            return SearchHit{row, pos};
    }
    return std::nullopt;
}

std::optional<SearchHit> Find(const Document& doc, std::string_view pattern, int32_t startRow = 0,
                              SearchDirection direction = SearchDirection::Next, bool caseSensitive = false)
{
    return SearchRows(doc.store, doc.rows, pattern, startRow, direction, caseSensitive);
}

void ExpectHit(const std::optional<SearchHit>& hit, int32_t row, int32_t position)
{
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->Row, row);
    EXPECT_EQ(hit->Position, position);
}

// あ い (two double-byte characters), ｱ (half-width, single byte)
constexpr const char* kA = "\x82\xA0";
constexpr const char* kI = "\x82\xA2";

TEST(SearchScan, TopRowIsExaminedFirstInBothDirections)
{
    Document doc(Lines({"zero", "one key", "two", "three key", "four key"}));
    ExpectHit(Find(doc, "key", 1, SearchDirection::Next), 1, 5);
    ExpectHit(Find(doc, "key", 1, SearchDirection::Prior), 1, 5);
    ExpectHit(Find(doc, "key", 2, SearchDirection::Next), 3, 7);
    ExpectHit(Find(doc, "key", 2, SearchDirection::Prior), 1, 5);
    EXPECT_FALSE(Find(doc, "key", 0, SearchDirection::Prior));
    // Never wraps around, and a start row outside the rows scans what exists.
    EXPECT_FALSE(Find(doc, "zero", 1, SearchDirection::Next));
    EXPECT_FALSE(Find(doc, "key", 5, SearchDirection::Next));
    EXPECT_FALSE(Find(doc, "key", -1, SearchDirection::Prior));
    ExpectHit(Find(doc, "key", 99, SearchDirection::Prior), 4, 6);

    Document one(Lines({"only row"}));
    ExpectHit(Find(one, "row", 0, SearchDirection::Next), 0, 6);
    ExpectHit(Find(one, "row", 0, SearchDirection::Prior), 0, 6);
    EXPECT_FALSE(Find(one, "", 0));
}

TEST(SearchScan, MatchStartsOnlyOnACharacterBoundary)
{
    // The trail byte of あ followed by the lead byte of い is no match; the
    // same two bytes standing as characters later in the row are.
    std::string row = std::string(kA) + kI + "\xA0\x82";
    Document doc(Lines({row}));
    ExpectHit(Find(doc, "\xA0\x82"), 0, 5);
    Document straddleOnly(Lines({std::string(kA) + kI}));
    EXPECT_FALSE(Find(straddleOnly, "\xA0\x82"));
    // A double-byte hit reports the position of its lead byte.
    ExpectHit(Find(straddleOnly, kI), 0, 3);
}

TEST(SearchScan, CaseFoldingLeavesTrailBytesAlone)
{
    // 0x83 0x61 is one character whose trail byte looks like "a".
    const std::string katakana = "\x83" "a";
    Document doc(Lines({katakana + "xa", katakana}));
    ExpectHit(Find(doc, "A"), 0, 4);                               // the real letter only
    EXPECT_FALSE(Find(doc, "\x83" "A", 0, SearchDirection::Next));   // trail bytes compare as stored
    ExpectHit(Find(doc, katakana + "XA"), 0, 1);
    EXPECT_FALSE(Find(doc, katakana + "XA", 0, SearchDirection::Next, true));
    ExpectHit(Find(doc, katakana + "xa", 0, SearchDirection::Next, true), 0, 1);
    ExpectHit(Find(doc, katakana, 1), 1, 1);

    Document abc(Lines({"--ABC", "Abc", "abc"}));
    ExpectHit(Find(abc, "abc"), 0, 3);
    ExpectHit(Find(abc, "abc", 1), 1, 1);
    ExpectHit(Find(abc, "abc", 0, SearchDirection::Next, true), 2, 1);
}

TEST(SearchScan, StringSplitByWrappingIsNotFound)
{
    // "needle" is cut after "nee" by wrapping at 8 bytes: rows "12345nee", "dle".
    Document doc(Lines({"12345needle", "needle"}), 8);
    ExpectHit(Find(doc, "needle"), 2, 1);
    ExpectHit(Find(doc, "dle"), 1, 1);  // counted from the row's own first byte
    doc.Wrap(0);
    ExpectHit(Find(doc, "needle"), 0, 6);
}

TEST(SearchScan, MissingTrailByteAtTheEndOfARowIsNoMatch)
{
    // A line ending in a lone lead byte: the pattern あ needs both of its bytes.
    Document doc(Lines({"x\x82", std::string("y") + kA}));
    ExpectHit(Find(doc, kA), 1, 2);
    ExpectHit(Find(doc, kA, 1, SearchDirection::Prior), 1, 2);
    EXPECT_FALSE(Find(doc, kA, 0, SearchDirection::Prior));
    ExpectHit(Find(doc, "x\x82"), 0, 1);
}

TEST(SearchScan, RepeatsStartBesideTheHitNearTheTopOfTheDocument)
{
    // The key stands on rows 0, 1, 2, 6 and 9; three rows are kept above a hit.
    Document doc(Lines({"key0", "key1", "key2", "-", "-", "-", "key6", "-", "-", "key9"}));
    const int32_t scroll = 3;
    struct View {
        int32_t topRow = 0;
        int32_t hitRow = 0;  // 1-based
    } view;
    auto show = [&](const std::optional<SearchHit>& hit) {
        ASSERT_TRUE(hit);
        view.hitRow = hit->Row + 1;
        view.topRow = HitTopRow(hit->Row, scroll);
    };
    auto next = [&] {
        return Find(doc, "key", RepeatNextStartRow(true, view.topRow, scroll, view.hitRow));
    };
    auto prior = [&] {
        return Find(doc, "key", RepeatPriorStartRow(true, view.topRow, scroll, view.hitRow),
                    SearchDirection::Prior);
    };

    show(Find(doc, "key"));
    EXPECT_EQ(view.hitRow, 1);
    EXPECT_FALSE(prior());
    std::vector<int32_t> visited;
    for (int i = 0; i < 4; ++i) {
        auto hit = next();
        show(hit);
        visited.push_back(hit->Row);
    }
    EXPECT_EQ(visited, (std::vector<int32_t>{1, 2, 6, 9}));
    EXPECT_EQ(view.topRow, 6);
    EXPECT_FALSE(next());
    visited.clear();
    for (int i = 0; i < 4; ++i) {
        auto hit = prior();
        show(hit);
        visited.push_back(hit->Row);
    }
    EXPECT_EQ(visited, (std::vector<int32_t>{6, 2, 1, 0}));
    EXPECT_EQ(view.topRow, 0);

    // Once the view has moved away from the hit, the repeats start beside the
    // top row and skip it.
    EXPECT_EQ(RepeatNextStartRow(false, 4, scroll, 1), 5);
    EXPECT_EQ(RepeatPriorStartRow(false, 4, scroll, 1), 3);
}

TEST(SearchScan, ScrollRowsAndCaption)
{
    EXPECT_EQ(FindScrollRowsFromOptions(true, "99"), 16);
    EXPECT_EQ(FindScrollRowsFromOptions(false, "5"), 0);
    EXPECT_EQ(SearchHitCaption(12, 7, 3), "  検索行 : 12 (7)  検索位置 : 3");
}

// Random documents over a small alphabet full of traps: letters in both
// cases, lead bytes, letter-like trail bytes, half-width katakana.
std::string RandomLine(std::mt19937& rng)
{
    static const unsigned char alphabet[] = {'a', 'A', 'b', 'B', 'x', ' ', 0x82, 0x83, 0xA0,
                                             0xB1, 0x61, 0x41, 0xE0, 0x9F};
    std::uniform_int_distribution<int> length(0, 40), pick(0, sizeof alphabet - 1);
    std::string line(static_cast<size_t>(length(rng)), ' ');
    for (char& b : line)
        b = static_cast<char>(alphabet[pick(rng)]);
    return line;
}

std::string RandomPattern(std::mt19937& rng, const Document& doc)
{
    std::uniform_int_distribution<int> kind(0, 3), length(1, 6);
    if (kind(rng) == 0 || doc.store.Count() == 0)
        return RandomLine(rng).substr(0, static_cast<size_t>(length(rng)));
    // A piece of some line, often across a row boundary, case sometimes flipped.
    std::uniform_int_distribution<int32_t> pickLine(0, doc.store.Count() - 1);
    std::string line(doc.store.Get(pickLine(rng)));
    if (line.empty())
        return "a";
    std::uniform_int_distribution<size_t> from(0, line.size() - 1);
    std::string piece = line.substr(from(rng), static_cast<size_t>(length(rng)));
    if (kind(rng) == 1) {
        for (char& b : piece)
            if (b >= 'a' && b <= 'z')
                b = static_cast<char>(b - 'a' + 'A');
    }
    return piece;
}

TEST(SearchScan, AgreesWithTheRowByRowReading)
{
    std::mt19937 rng(20240601);
    int hits = 0, compared = 0;
    for (int round = 0; round < 60; ++round) {
        std::uniform_int_distribution<int> lineCount(0, 60), breakKind(0, 3);
        std::string bytes;
        int lines = lineCount(rng);
        for (int i = 0; i < lines; ++i) {
            bytes += RandomLine(rng);
            bytes += breakKind(rng) == 0 ? "\r" : "\r\n";
        }
        Document doc(bytes);
        std::uniform_int_distribution<int> wrapPick(0, 12);
        for (int wrapRound = 0; wrapRound < 3; ++wrapRound) {
            doc.Wrap(wrapPick(rng));
            if (round % 5 == 4 && doc.store.Count() > 2)
                doc.Put(doc.store.Count() / 2, RandomLine(rng));
            for (int query = 0; query < 40; ++query) {
                std::string pattern = RandomPattern(rng, doc);
                std::uniform_int_distribution<int32_t> startPick(-1, doc.rows.RowCount());
                int32_t start = startPick(rng);
                auto direction = query % 2 ? SearchDirection::Prior : SearchDirection::Next;
                bool caseSensitive = query % 3 == 0;
                auto expected = ReferenceSearch(doc, pattern, start, direction, caseSensitive);
                auto actual = Find(doc, pattern, start, direction, caseSensitive);
                ASSERT_EQ(expected.has_value(), actual.has_value())
                    << "round " << round << " start " << start << " pattern size " << pattern.size();
                if (expected) {
                    ++hits;
                    ASSERT_EQ(expected->Row, actual->Row) << "round " << round;
                    ASSERT_EQ(expected->Position, actual->Position) << "round " << round;
                }
                ++compared;
            }
        }
    }
    // The random cases must exercise both outcomes to mean anything.
    EXPECT_GT(hits, compared / 5);
    EXPECT_LT(hits, compared);
}

TEST(SearchScan, AgreesWithTheRowByRowReadingAcrossManyChunks)
{
    // Enough lines for the scan to work through several stretches of the
    // document in both directions, with edited lines breaking the stretches.
    std::mt19937 rng(7);
    std::string bytes;
    for (int i = 0; i < 40000; ++i) {
        bytes += RandomLine(rng).substr(0, 12);
        bytes += "\r\n";
    }
    Document doc(bytes, 5);
    for (int32_t line = 1000; line < 40000; line += 7919)
        doc.Put(line, "edited ab\x82\xA0");
    std::uniform_int_distribution<int32_t> startPick(0, doc.rows.RowCount() - 1);
    const std::vector<std::string> patterns = {"\x82\xA0", "bAx", "edited AB", "aaaa", "\xB1\xB1\xB1",
                                               "zz"};
    for (const std::string& pattern : patterns) {
        for (int query = 0; query < 6; ++query) {
            int32_t start = startPick(rng);
            auto direction = query % 2 ? SearchDirection::Prior : SearchDirection::Next;
            auto expected = ReferenceSearch(doc, pattern, start, direction, query % 3 == 0);
            auto actual = Find(doc, pattern, start, direction, query % 3 == 0);
            ASSERT_EQ(expected.has_value(), actual.has_value()) << start;
            if (expected) {
                EXPECT_EQ(expected->Row, actual->Row);
                EXPECT_EQ(expected->Position, actual->Position);
            }
        }
    }
}

// Past the nearest lines a forward search runs in two halves at once; the
// first half's hit must win over the second's, as in a search line by line.
TEST(SearchScan, ALongForwardSearchGivesTheFirstHitOfEitherHalf)
{
    std::string bytes;
    for (int i = 0; i < 1300000; ++i)
        bytes += "ab\r\n";
    Document doc(bytes);
    // The halves meet near line 781,000; the second half reaches its hit first.
    const int32_t inFirstHalf = 770000, inSecondHalf = 790000;
    EXPECT_FALSE(Find(doc, "needle").has_value());
    doc.Put(inSecondHalf, "ab needle");
    ExpectHit(Find(doc, "needle"), inSecondHalf, 4);
    doc.Put(inFirstHalf, "needle");
    ExpectHit(Find(doc, "NEEDLE"), inFirstHalf, 1);
    ExpectHit(Find(doc, "needle", inFirstHalf + 1), inSecondHalf, 4);
    doc.Put(1000, "a needle");
    ExpectHit(Find(doc, "needle"), 1000, 3);
}

} // namespace
} // namespace pelto
