#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "view/BvStrings.h"

using namespace pelto;

namespace {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/bvstrings-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string File(const std::string& name, std::string_view bytes) const
    {
        std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> Lines(const TBvStrings& store)
{
    std::vector<std::string> lines;
    store.AssignTo(lines);
    return lines;
}

using L = std::vector<std::string>;

} // namespace

TEST(BvStrings, LoadFromFileBreaksOnlyAtCrAndStopsAt1A)
{
    TempDir dir;
    const std::vector<std::pair<std::string, L>> cases = {
        {"a\r\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a\nb"}},
        {"a\r\n", {"a"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a\n", "b"}},
        {"x\x1Ay\r\nz", {"x"}},
        {"\x1A" "abc", {}},
        {std::string("a\0b\r\nc", 6), {std::string("a\0b", 3), "c"}},
        {"", {}},
    };
    for (const auto& [bytes, expected] : cases) {
        TBvStrings store;
        store.LoadFromFile(dir.File("f", bytes));
        EXPECT_EQ(Lines(store), expected) << testing::PrintToString(bytes);
        EXPECT_EQ(store.Capacity(), store.Count()) << "the estimate is trimmed";
    }

    TBvStrings store;
    store.LoadFromFile(dir.File("long", std::string(1000, 'q')));
    ASSERT_EQ(store.Count(), 1);
    EXPECT_EQ(store.Get(0).size(), 1000u);
}

// A head read keeps the lines ended within its bytes, and is never taken
// for the whole file.
TEST(BvStrings, HeadKeepsOnlyTheLinesEndedWithinIt)
{
    TempDir dir;
    const std::string file = dir.File("f", "one\r\ntwo\r\nthree\rfour");
    const std::vector<std::pair<size_t, L>> cases = {
        {1, {}}, {4, {}}, {5, {"one"}}, {9, {"one"}}, {10, {"one", "two"}}, {16, {"one", "two"}},
        {17, {"one", "two", "three"}}, {19, {"one", "two", "three"}},
        {20, {"one", "two", "three", "four"}}, {1000, {"one", "two", "three", "four"}},
    };
    for (const auto& [bytes, expected] : cases) {
        TBvStrings store;
        store.LoadHeadFromFile(file, bytes);
        EXPECT_EQ(Lines(store), expected) << bytes;
        EXPECT_EQ(store.HoldsUnchangedFile(file), bytes >= 20) << bytes;
    }
    TBvStrings store;
    store.LoadHeadFromFile(dir.File("mark", "a\rb\x1A" "c\rd\r"), 5);
    EXPECT_EQ(Lines(store), (L{"a", "b"})) << "the end mark ends the file within the head";
}

TEST(BvStrings, SetTextAndStreamsBreakOnLfAndStopAtNul)
{
    const std::vector<std::pair<std::string, L>> cases = {
        {"a\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
        {std::string("\0abc", 4), {}},
        {"x\x1Ay", {"x\x1Ay"}},
    };
    for (const auto& [bytes, expected] : cases) {
        TBvStrings store;
        store.SetText(bytes);
        EXPECT_EQ(Lines(store), expected) << testing::PrintToString(bytes);
        std::istringstream stream(bytes);
        TBvStrings streamed;
        streamed.Add("old");
        streamed.LoadFromStream(stream);
        EXPECT_EQ(Lines(streamed), expected) << testing::PrintToString(bytes);
    }
}

TEST(BvStrings, NonRegularFilesFailAtOnce)
{
    TempDir dir;
    TBvStrings store;
    store.Add("kept?");
    EXPECT_THROW(store.LoadFromFile(dir.Path()), EInOutError);
    EXPECT_EQ(store.Count(), 0) << "the store is cleared before the load";
    const std::string fifo = dir.Path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(store.LoadFromFile(fifo), EInOutError); // no writer: would block without the check
    EXPECT_THROW(store.LoadFromFile(dir.Path() + "/missing"), EInOutError);
}

TEST(BvStrings, SaveToFileWritesCrLfAndLoadsBack)
{
    TempDir dir;
    TBvStrings store;
    store.Assign({"a\nb", "", "\x82\xa0"});
    const std::string file = dir.Path() + "/out";
    store.SaveToFile(file);
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, "a\nb\r\n\r\n\x82\xa0\r\n");
    EXPECT_EQ(bytes, store.GetText());
    TBvStrings again;
    again.LoadFromFile(file);
    EXPECT_EQ(Lines(again), Lines(store));
    EXPECT_THROW(store.SaveToFile(dir.Path() + "/no/such/folder"), EInOutError);

    std::ostringstream out;
    store.SaveToStream(out);
    EXPECT_EQ(out.str(), bytes);
}

TEST(BvStrings, IndexErrorsChangeNothing)
{
    TBvStrings store;
    store.Assign({"a", "b"});
    auto expectListError = [&](auto&& operation) {
        try {
            operation();
            ADD_FAILURE() << "no list error";
        } catch (const EListError& error) {
            EXPECT_STREQ(error.what(), "インデックスがリストの範囲を超えています");
        }
        EXPECT_EQ(Lines(store), (L{"a", "b"}));
    };
    expectListError([&] { store.Get(2); });
    expectListError([&] { store.Get(-1); });
    expectListError([&] { store.Put(2, "x"); });
    expectListError([&] { store.Delete(-1); });
    expectListError([&] { store.Insert(3, "x"); });
    expectListError([&] { store.Exchange(0, 2); });
    expectListError([&] { store.SetCapacity(1); });
    expectListError([&] { store.SetCapacity(0x8000000); });
    expectListError([&] { store.SetCount(-1); });
    expectListError([&] { store.SetCount(0x8000000); });

    store.Insert(2, "c");
    EXPECT_EQ(Lines(store), (L{"a", "b", "c"}));
}

TEST(BvStrings, CapacityGrowsByThirtyTwo)
{
    TBvStrings store;
    for (int i = 0; i < 33; ++i)
        store.Add("x");
    EXPECT_EQ(store.Capacity(), 64);
    store.SetCapacity(40);
    EXPECT_EQ(store.Capacity(), 40);
    store.SetCount(45);
    EXPECT_EQ(store.Capacity(), 45);
    EXPECT_EQ(store.Get(44), "");
    store.SetCount(2);
    EXPECT_EQ(Lines(store), (L{"x", "x"}));
    store.AddStrings({"a", "b", "c"});
    EXPECT_EQ(store.Capacity(), 45);
    store.Clear();
    EXPECT_EQ(store.Capacity(), 0);
    store.AddStrings({"a", "b", "c"});
    EXPECT_EQ(store.Capacity(), 3);
}

TEST(BvStrings, EditsKeepTheOtherLines)
{
    TempDir dir;
    TBvStrings store;
    store.LoadFromFile(dir.File("f", "one\r\ntwo\r\nthree\r\nfour"));
    store.Put(1, store.Get(1)); // a line given its own text
    store.Put(2, "THREE");
    store.Insert(0, "zero");
    store.Delete(4);
    store.Exchange(0, 3);
    EXPECT_EQ(Lines(store), (L{"THREE", "one", "two", "zero"}));
    store.Put(0, store.Get(3));
    store.Put(3, "");
    EXPECT_EQ(Lines(store), (L{"zero", "one", "two", ""}));
    EXPECT_EQ(store.IndexOf("two"), 2);
    EXPECT_EQ(store.IndexOf("TWO"), -1);
    EXPECT_EQ(store.IndexOf(""), 3);
}

TEST(BvStrings, FindIgnoresAsciiCaseOnly)
{
    TBvStrings store;
    store.Assign({"zz", "xabc", "abab", "\x83\x61"});
    int32_t line = 0, column = 1;
    ASSERT_TRUE(store.Find("ABC", line, column));
    EXPECT_EQ(line, 1);
    EXPECT_EQ(column, 2);

    line = 2, column = 2;
    ASSERT_TRUE(store.Find("ab", line, column));
    EXPECT_EQ(line, 2);
    EXPECT_EQ(column, 3);

    // byte-wise: a match may begin on a trail byte
    line = -5, column = 1;
    ASSERT_TRUE(store.Find("A", line, column));
    EXPECT_EQ(line, 1);
    line = 3, column = 1;
    ASSERT_TRUE(store.Find("A", line, column));
    EXPECT_EQ(column, 2);

    line = 0, column = 1;
    EXPECT_FALSE(store.Find("abcd", line, column));
    EXPECT_EQ(line, store.Count());
    line = 0;
    EXPECT_FALSE(store.Find("", line, column));
}

TEST(BvStrings, CommaTextRoundTrip)
{
    TBvStrings store;
    store.Assign({"a b", "c", "d,e", ""});
    EXPECT_EQ(store.GetCommaText(), "\"a b\",c,\"d,e\",");
    store.SetCommaText("\"a b\",c");
    EXPECT_EQ(Lines(store), (L{"a b", "c"}));
    store.SetCommaText(store.GetCommaText());
    EXPECT_EQ(Lines(store), (L{"a b", "c"}));
}

// The file is read in pieces; breaks, the end mark and long lines must not
// depend on where a piece ends.
TEST(BvStrings, LoadFromFileIsIndependentOfReadPieces)
{
    TempDir dir;
    const size_t piece = 256 * 1024;
    auto load = [&](const std::string& bytes) {
        TBvStrings store;
        store.LoadFromFile(dir.File("big", bytes));
        return Lines(store);
    };
    const std::string head(piece - 1, 'a');
    EXPECT_EQ(load(head + "\r\nb"), (L{head, "b"}));          // CR LF across the boundary
    EXPECT_EQ(load(head + "\rc"), (L{head, "c"}));            // lone CR at the boundary
    EXPECT_EQ(load(head + "\r"), (L{head}));                  // CR as the very last byte
    EXPECT_EQ(load(head + "a\r\nb"), (L{head + "a", "b"}));   // LF starts the next piece
    EXPECT_EQ(load(std::string(3 * piece, 'z')), (L{std::string(3 * piece, 'z')}));
    EXPECT_EQ(load(head + "\r\n" + std::string(piece, 'y') + "\x1A" + "rest\r\n"),
              (L{head, std::string(piece, 'y')}));

    // Against the rule read directly, on bytes with many breaks.
    std::mt19937 random(3);
    std::string bytes(3 * piece + 123, '\0');
    const char alphabet[] = {'\r', '\n', 'x', '\x82', '\0', 'y'};
    for (char& c : bytes)
        c = alphabet[random() % sizeof alphabet];
    L expected;
    size_t start = 0;
    for (size_t pos = 0; pos < bytes.size();) {
        if (bytes[pos] != '\r') {
            ++pos;
            continue;
        }
        expected.push_back(bytes.substr(start, pos - start));
        pos += (pos + 1 < bytes.size() && bytes[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    if (start < bytes.size())
        expected.push_back(bytes.substr(start));
    EXPECT_EQ(load(bytes), expected);
}

namespace {

// Lowers the size from which a file is split by two threads, for the length
// of a test.
class ParallelFrom {
public:
    explicit ParallelFrom(size_t bytes) : saved_(TBvStrings::ParallelLoadThreshold())
    {
        TBvStrings::SetParallelLoadThreshold(bytes);
    }
    ~ParallelFrom() { TBvStrings::SetParallelLoadThreshold(saved_); }

private:
    size_t saved_;
};

// The file rule read directly: CR or CR LF ends a line, 0x1A ends the file.
L FileRule(const std::string& bytes)
{
    const std::string text = bytes.substr(0, bytes.find('\x1A'));
    L lines;
    size_t start = 0;
    for (size_t pos = 0; pos < text.size();) {
        if (text[pos] != '\r') {
            ++pos;
            continue;
        }
        lines.push_back(text.substr(start, pos - start));
        pos += (pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        start = pos;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

L LoadLines(const std::string& file, size_t parallelFrom)
{
    ParallelFrom parallel(parallelFrom);
    TBvStrings store;
    store.LoadFromFile(file);
    EXPECT_EQ(store.Capacity(), store.Count());
    return Lines(store);
}

} // namespace

// A large file is split in two halves at size / 2; lines that run across
// the split, and an end mark on either side of it, must come out as from a
// split from the start.
TEST(BvStrings, SplitInHalvesGivesTheSameLines)
{
    TempDir dir;
    const size_t half = 5000;
    const std::string a(half - 1, 'a');
    const std::string b(half - 1, 'b');
    const std::vector<std::string> files = {
        a + "\r\n" + b,                         // CR LF straddles the split point
        a + "\r\r" + b,                         // a lone CR on each side of it
        a + "x\r\n" + b.substr(1),              // the break starts at the split point
        std::string(2 * half, 'q'),             // one line across the split, no break at all
        a + "\r" + std::string(half, 'c') + "\r\n",  // the second half holds only the end of a line
        a + "\x1A" + "\r\n" + b,                // the end mark just before the split
        a + "\r\x1A" + b,                       // the end mark at the split point, after a CR
        a + "\r\n" + b.substr(0, 100) + "\x1A\r\n" + b,  // the end mark in the second half
        "\x82\xa0\r\n" + a.substr(4) + "\r\n" + b + "\x82", // double-byte text around the breaks
    };
    for (const std::string& bytes : files) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(half - 3, 6)));
        const std::string file = dir.File("split", bytes);
        const L expected = FileRule(bytes);
        EXPECT_EQ(LoadLines(file, SIZE_MAX), expected) << "read from the start";
        EXPECT_EQ(LoadLines(file, 2), expected) << "split";
    }

    // Many breaks of every kind, in files of several sizes around the read
    // pieces, so that the split falls everywhere.
    std::mt19937 random(7);
    const char alphabet[] = {'\r', '\n', 'x', '\x82', '\0', 'y', 'z', 'w'};
    for (size_t size : {size_t(3), size_t(64), size_t(1000), size_t(256 * 1024 + 1), size_t(600001)}) {
        std::string bytes(size, '\0');
        for (char& c : bytes)
            c = alphabet[random() % sizeof alphabet];
        const std::string file = dir.File("random", bytes);
        const L expected = FileRule(bytes);
        EXPECT_EQ(LoadLines(file, SIZE_MAX), expected) << size;
        EXPECT_EQ(LoadLines(file, 2), expected) << size;
    }

    // The end mark where the scan for breaks meets it: in the vector blocks,
    // in a block's last byte, in the bytes after the last whole block, and
    // as the last byte of a read piece, on either side of the split.
    std::string bytes(600001, '\0');
    for (char& c : bytes)
        c = alphabet[random() % sizeof alphabet];
    for (size_t at : {size_t(5), size_t(63), size_t(64 * 4000 + 17), size_t(256 * 1024 - 1), size_t(256 * 1024 - 2),
                      size_t(300000 + 63), size_t(600000)}) {
        std::string marked = bytes;
        marked[at] = '\x1A';
        const std::string file = dir.File("marked", marked);
        const L expected = FileRule(marked);
        EXPECT_EQ(LoadLines(file, SIZE_MAX), expected) << at;
        EXPECT_EQ(LoadLines(file, 2), expected) << at;
    }
}

// Millions of lines in each half: the second half's line table is moved
// into place a page at a time, not copied, and must come out whole.
TEST(BvStrings, ManyLinesInBothHalvesJoinWhole)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; bytes.size() < (size_t(20) << 20); ++i)
        bytes += std::to_string(i % 1000) + (i % 3 == 0 ? "\r\n" : "\r");
    const std::string file = dir.File("many", bytes);
    TBvStrings whole, halves;
    {
        ParallelFrom parallel(SIZE_MAX);
        whole.LoadFromFile(file);
    }
    {
        ParallelFrom parallel(2);
        halves.LoadFromFile(file);
    }
    ASSERT_EQ(halves.Count(), whole.Count());
    ASSERT_GT(whole.Count(), 4500000); // each half's table over 16 MB
    int32_t differ = 0;
    for (int32_t i = 0; i < whole.Count(); ++i)
        differ += halves.Get(i) != whole.Get(i) || halves.Get(i) != std::to_string(i % 1000);
    EXPECT_EQ(differ, 0);
}

// What was loaded stays readable when the file is truncated, rewritten or
// deleted while it is shown, and other programs never wait for the viewer.
TEST(BvStrings, LinesSurviveTheFileBeingTruncated)
{
    TempDir dir;
    ParallelFrom parallel(1024);
    std::string bytes;
    for (int i = 0; bytes.size() < 300000; ++i)
        bytes += "line " + std::to_string(i) + std::string(static_cast<size_t>(i % 97), '\x88') + "\r\n";
    const L expected = FileRule(bytes);
    const std::string file = dir.File("shown", bytes);

    // By another program.  A held open (a lease, a lock) would make a
    // non-blocking open for writing fail with EAGAIN.
    TBvStrings store;
    store.LoadFromFile(file);
    store.WaitForOwnBytes();
    std::ifstream maps("/proc/self/maps");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(maps)), {}).find(file), std::string::npos)
        << "the file is not mapped";
    const int writer = ::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_TRUNC);
    ASSERT_GE(writer, 0) << std::strerror(errno);
    ::close(writer);
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0) << "the truncation went through";
    EXPECT_EQ(Lines(store), expected);

    // By this program, then the file written anew and deleted.
    dir.File("shown", bytes);
    TBvStrings second;
    second.LoadFromFile(file);
    second.WaitForOwnBytes();
    ASSERT_EQ(::truncate(file.c_str(), 10), 0);
    dir.File("shown", std::string(bytes.size(), 'Z'));
    ASSERT_EQ(std::remove(file.c_str()), 0);
    EXPECT_EQ(Lines(second), expected);
    EXPECT_EQ(second.Get(second.Count() - 1), expected.back());
    EXPECT_EQ(Lines(store), expected) << "the first store is untouched by the second";

    // Cut short before the copy is made: the lines stay, the bytes past the
    // new end read as zeros, and nothing ends the program.
    dir.File("shown", bytes);
    TBvStrings::SetCopyMapped(false);
    TBvStrings mapped;
    mapped.LoadFromFile(file);
    TBvStrings::SetCopyMapped(true);
    ASSERT_EQ(::truncate(file.c_str(), 10), 0);
    const L cut = Lines(mapped);
    ASSERT_EQ(cut.size(), expected.size());
    EXPECT_EQ(cut[0], expected[0]);
    EXPECT_EQ(cut.back(), std::string(expected.back().size(), '\0'));

    // Saved over the file it was just loaded from.
    dir.File("shown", bytes);
    TBvStrings over;
    over.LoadFromFile(file);
    over.SaveToFile(file);
    TBvStrings saved;
    saved.LoadFromFile(file);
    EXPECT_EQ(Lines(saved), expected);
}

// A slot holds lengths below 0x7FFFFF itself; longer lines keep theirs
// elsewhere.  Both kinds must read back whole, also after being moved.
TEST(BvStrings, LinesTooLongForASlotReadBackWhole)
{
    TempDir dir;
    const size_t limit = 0x7FFFFF;
    const L lines = {"a", std::string(limit - 1, 'x'), std::string(limit, 'y'), std::string(limit + 5, 'z'), "b"};
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    const std::string file = dir.File("long", bytes);
    for (size_t parallelFrom : {SIZE_MAX, size_t(2)}) {
        EXPECT_EQ(LoadLines(file, parallelFrom), lines);
        ParallelFrom parallel(parallelFrom);
        TBvStrings store;
        store.LoadFromFile(file);
        store.Exchange(2, 4);
        store.Delete(0);
        EXPECT_EQ(store.Get(1), "b");
        EXPECT_EQ(store.Length(3), static_cast<int32_t>(limit));
        EXPECT_EQ(store.Get(2), lines[3]);
        EXPECT_EQ(store.IndexOf(lines[2]), 3);
    }
    TBvStrings text;
    text.SetText(bytes);
    EXPECT_EQ(Lines(text), lines);
}

// The wrap switch lays the lines out again without reading a file that has
// not changed; any change to the file or the lines means reading it again.
TEST(BvStrings, KnowsWhetherItStillHoldsTheFileAsItWas)
{
    TempDir dir;
    const std::string file = dir.File("log", "a\r\nb\r\n");
    TBvStrings store;
    store.LoadFromFile(file);
    EXPECT_TRUE(store.HoldsUnchangedFile(file));
    EXPECT_FALSE(store.HoldsUnchangedFile(dir.File("other", "a\r\nb\r\n")));

    { std::ofstream(file, std::ios::binary | std::ios::app) << "c"; }
    EXPECT_FALSE(store.HoldsUnchangedFile(file)) << "the file grew";
    store.LoadFromFile(file);
    ASSERT_TRUE(store.HoldsUnchangedFile(file));
    store.Put(0, "x");
    EXPECT_FALSE(store.HoldsUnchangedFile(file)) << "a line changed";
    store.LoadFromFile(file);
    ASSERT_EQ(std::remove(file.c_str()), 0);
    EXPECT_FALSE(store.HoldsUnchangedFile(file)) << "the file is gone";
}
