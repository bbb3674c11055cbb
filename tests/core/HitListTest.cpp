#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "NavigationTestSupport.h"
#include "cli/GrepCommand.h"
#include "navigation/HitList.h"
#include "navigation/SearchScan.h"
#include "text/Cp932.h"

namespace pelto {
namespace {

using testing::Document;

struct Found {
    int64_t line;
    size_t offset;
    bool operator==(const Found&) const = default;
};

// Every hit of the row scan, one row per line (no wrapping): the first match
// of each row that has one.
std::vector<Found> RowScanHits(const Document& doc, std::string_view pattern, bool caseSensitive)
{
    std::vector<Found> hits;
    for (int32_t row = 0;;) {
        auto hit = SearchRows(doc.store, doc.rows, pattern, row, SearchDirection::Next, caseSensitive);
        if (!hit)
            return hits;
        hits.push_back({doc.rows.LineOfRow(hit->Row), static_cast<size_t>(hit->Position - 1)});
        row = hit->Row + 1;
    }
}

std::vector<Found> StoreHits(const TBvStrings& store, const LineMatcher& matcher)
{
    std::vector<Found> hits;
    ScanStoreLines(store, matcher, [&](const LineHit& hit) {
        hits.push_back({hit.Line, hit.Offset});
        return true;
    });
    return hits;
}

std::vector<Found> ByteHits(std::string_view bytes, const LineMatcher& matcher, const TBvStrings& store)
{
    std::vector<Found> hits;
    ScanFileBytes(LoadedPart(bytes), matcher, [&](int64_t line, std::string_view text, size_t offset) {
        EXPECT_EQ(text, store.Get(static_cast<int32_t>(line))) << "line " << line;
        hits.push_back({line, offset});
        return true;
    });
    return hits;
}

// Bytes that make the rule's edges likely: lead bytes, trail bytes that look
// like letters or "\", breaks of every kind, the end-of-file mark now and then.
std::string RandomBytes(std::mt19937& random, size_t size, bool withEndMark)
{
    static const char alphabet[] = {'a', 'A', 'b', 'B', '\\', ' ', '\x82', '\x83', '\x5C', '\x61',
                                    '\xA0', '\x81', '\x40', '\r', '\n', '\t'};
    std::string bytes;
    for (size_t i = 0; i < size; ++i)
        bytes += alphabet[random() % sizeof alphabet];
    if (withEndMark && size > 10)
        bytes[size - 1 - random() % (size / 4)] = '\x1A';
    return bytes;
}

TEST(HitList, LinesEqualTheRowScanOnLinesThatFitOneRow)
{
    std::mt19937 random(16);
    for (int round = 0; round < 300; ++round) {
        const std::string bytes = RandomBytes(random, 20 + random() % 400, round % 5 == 0);
        Document doc(bytes);
        if (round % 7 == 0 && doc.store.Count() > 2)
            doc.Put(1, "\x83\x5C" "AB\\ab");  // a changed line lives outside the block
        const std::string pattern = RandomBytes(random, 1 + random() % 3, false);
        for (bool caseSensitive : {false, true}) {
            const LineMatcher matcher(pattern, caseSensitive);
            const std::vector<Found> expected = RowScanHits(doc, pattern, caseSensitive);
            ASSERT_EQ(StoreHits(doc.store, matcher), expected) << "round " << round;
            if (round % 7 != 0)
                ASSERT_EQ(ByteHits(bytes, matcher, doc.store), expected) << "round " << round;
        }
    }
}

TEST(HitList, BackslashNeverMatchesATrailByteAndCaseFoldsOnlySingleBytes)
{
    // "ソ" is 83 5C, "表" is 95 5C; "a" inside "あ"-like pairs is a trail byte.
    const std::string bytes = "\x83\x5C\x95\x5C\r\nx\\y\r\n\x82\x61\r\nA\r\n";
    Document doc(bytes);
    EXPECT_EQ(StoreHits(doc.store, LineMatcher("\\", false)), (std::vector<Found>{{1, 1}}));
    EXPECT_EQ(StoreHits(doc.store, LineMatcher("a", false)), (std::vector<Found>{{3, 0}}));
    EXPECT_EQ(StoreHits(doc.store, LineMatcher("a", true)), (std::vector<Found>{}));
    EXPECT_EQ(LineMatcher("\\", false).CountIn("\\\x83\x5C\\\\"), 3);
}

std::string Padded(std::string text, size_t width)
{
    text.resize(width, ' ');
    return text;
}

TEST(HitList, PostOfEveryHeaderFormAndBeforeTheFirst)
{
    const std::vector<std::string> lines = {
        "preface line before any header",
        "00012/00100 ABC01234  name      slash title",
        " 99/01/02 12:34 (  3)",
        "body of twelve",
        Padded(" 7  ABC01234 someone", 25) + "  345 (  2)    99/01/02 12:00",
        "  two-line title",
        "body of 345",
        Padded(" 12  [ABC01234 someone", 25) + "]  678 99/01/02 12:00 bracket title",
        "body of 678",
        "00013/00100 last line is never a header",
    };
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    Document doc(bytes);
    PostFinder posts(DocumentLines::Of(doc.store));
    BytePostFinder bytePosts(LoadedPart(bytes));
    const long expected[] = {0, 12, 12, 12, 345, 345, 345, 678, 678, 678};
    const char* start = bytes.data();
    for (int64_t line = 0; line < static_cast<int64_t>(lines.size()); ++line) {
        EXPECT_EQ(posts.Of(line).Number, expected[line]) << "line " << line;
        EXPECT_EQ(bytePosts.Of(line, start).Number, expected[line]) << "line " << line;
        start += lines[static_cast<size_t>(line)].size() + 2;
    }
    EXPECT_EQ(posts.Of(0).HeaderLine, -1);  // asked again, out of order
    EXPECT_EQ(posts.Of(6).HeaderLine, 4);
    EXPECT_EQ(posts.Of(6).Title, "two-line title");
    EXPECT_EQ(posts.Of(2).Title, "ABC01234  name      slash title");
    EXPECT_EQ(posts.Of(8).Title, "99/01/02 12:00 bracket title");

    const std::optional<std::string> post = HitPostText(DocumentLines::Of(doc.store), 5, "log.txt");
    ASSERT_TRUE(post);
    // No prompt and no slash header follows: the post runs to the end.
    std::string expectedPost = "000001 : log.txt\r\n";
    for (size_t line = 4; line < lines.size(); ++line)
        expectedPost += lines[line] + "\r\n";
    EXPECT_EQ(*post, expectedPost);
    EXPECT_FALSE(HitPostText(DocumentLines::Of(doc.store), 0, "log.txt"));
}

TEST(HitList, StopsAtTheCapAndSaysSo)
{
    for (size_t hitLines : {kMaxHitLines, kMaxHitLines + 1}) {
        std::string bytes;
        for (size_t line = 0; line < hitLines; ++line)
            bytes += "x hit\r\nno\r\n";
        Document doc(bytes);
        HitListing listing;
        listing.Files = {"/logs/a.log"};
        AddDocumentHits(listing, 0, doc.store, LineMatcher("HIT", false));
        EXPECT_EQ(listing.Hits.size(), kMaxHitLines);
        EXPECT_EQ(listing.Capped, hitLines > kMaxHitLines);
        EXPECT_EQ(listing.Hits.back().Line, static_cast<int64_t>(2 * (kMaxHitLines - 1)));
        EXPECT_EQ(HitStatusText(listing, 0.5).find("打ち切り") != std::string::npos, listing.Capped);
    }
}

// A document of over a million lines is searched in two halves; the hits come
// in line order, the second half's too when they are more than it holds back,
// and none after onHit or keepGoing said stop.
TEST(HitList, LargeDocumentGivesEveryHitInOrderAndStopsWhenTold)
{
    std::string bytes;
    for (int line = 0; line < 1200000; ++line)
        bytes += line % 3 == 0 ? "a hit\r\n" : "no\r\n";
    Document doc(bytes);
    const LineMatcher matcher("HIT", false);
    std::vector<int64_t> lines;
    ScanStoreLines(doc.store, matcher, [&](const LineHit& hit) {
        lines.push_back(hit.Line);
        return true;
    });
    ASSERT_EQ(lines.size(), 400000u);
    int wrong = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        wrong += lines[i] != static_cast<int64_t>(3 * i);
    EXPECT_EQ(wrong, 0);

    size_t calls = 0;
    ScanStoreLines(doc.store, matcher, [&](const LineHit&) { return ++calls < 250000; });
    EXPECT_EQ(calls, 250000u);
    calls = 0;
    ScanStoreLines(doc.store, matcher, [&](const LineHit&) { return ++calls, true; },
                   [](int32_t line) { return line < 700000; });
    EXPECT_LT(calls, 400000u);
}

TEST(HitList, FolderSearchStoppedKeepsTheHitsFound)
{
    Document first("a hit\r\n");
    Document second("another hit\r\n");
    HitListing listing;
    listing.Files = {first.Path(), "/no/such/file.log", second.Path()};
    AddFilesHits(listing, LineMatcher("hit", true), [](int file, int32_t) { return file < 2; });
    EXPECT_EQ(listing.Hits.size(), 1u);
    EXPECT_EQ(listing.FilesSkipped, 1);
    EXPECT_TRUE(listing.Cancelled);
    EXPECT_NE(HitStatusText(listing, 1).find("中断しました"), std::string::npos);
}

TEST(HitList, ItemShowsFileLinePostAndTheMatch)
{
    Document doc("00012/00100 XYZ title\r\n"
                 " 1999/01/02\r\n" +
                 std::string(40, '-') + "needle and more\r\n");
    HitListing listing;
    listing.Files = {"/logs/b.log"};
    AddDocumentHits(listing, 0, doc.store, LineMatcher("needle", true));
    ASSERT_EQ(listing.Hits.size(), 1u);
    const std::string item = HitItemText(listing, listing.Hits[0], true);
    EXPECT_EQ(item.rfind("b.log  000003 : #00012 XYZ title", 0), 0u) << item;
    // A little before the match, cut on the left with an ellipsis.
    EXPECT_NE(item.find("\x81\x63" + std::string(16, '-') + "needle and more"), std::string::npos) << item;
    EXPECT_EQ(HitItemText(listing, listing.Hits[0], false).rfind("000003 : #00012", 0), 0u);
    EXPECT_EQ(HitStatusText(listing, 0.25), "1 件 (1 行, 1 ファイル)  0.25 秒");
}

TEST(HitList, GrepTextIsOneLineOfUtf8)
{
    // A lone LF and other control bytes, a lead byte before one, a bad byte.
    EXPECT_EQ(GrepLineText("a\nb\tc\x01\x7F"), "a\xEF\xBF\xBD" "b\tc\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(GrepLineText("\x82\n\x83\x5C\xFF"), "\xEF\xBF\xBD\xEF\xBF\xBD\xE3\x82\xBD\xEF\xBF\xBD");
    // Without control bytes it is the program's own conversion.
    std::mt19937 random(3);
    for (int round = 0; round < 2000; ++round) {
        std::string line;
        for (size_t i = random() % 12; i > 0; --i) {
            const auto b = static_cast<char>(0x20 + random() % 0xE0);
            line += b == 0x7F ? 'x' : b;
        }
        ASSERT_EQ(GrepLineText(line), Cp932ToUtf8(line)) << round;
    }
}

} // namespace
} // namespace pelto
