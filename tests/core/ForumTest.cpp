// Post headers, the title file, the side-file helpers and the thread cut.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ForumTestSupport.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/SideFile.h"
#include "forum/ThreadCut.h"
#include "text/NumberedLine.h"

namespace pelto {
namespace {

using forumtest::Doc;
using forumtest::Lines;
using forumtest::NoRefLine;
using forumtest::RefLine;
using forumtest::Slash;

const std::string kName = "/logs/conf.txt";

TEST(NumberFieldTest, BlanksSignsAndRunEnd) {
  EXPECT_EQ(NumberField("  123/", 1, 5, 1, 99999), 123);
  EXPECT_FALSE(NumberField("123  /", 1, 5, 1, 99999));   // trailing blanks
  EXPECT_EQ(NumberField(" +123", 1, 5, 1, 99999), 123);
  EXPECT_FALSE(NumberField("   -1", 1, 5, 1, 99999));    // below the range
  EXPECT_FALSE(NumberField("00000", 1, 5, 1, 99999));
  EXPECT_FALSE(NumberField("     ", 1, 5, 1, 99999));    // no digits
  EXPECT_FALSE(NumberField("  +  ", 1, 5, 1, 99999));
  EXPECT_FALSE(NumberField("12a45", 1, 5, 1, 99999));
  EXPECT_EQ(NumberField("abc42", 4, 8, 1, 99999), 42);   // as far as the line reaches
  EXPECT_FALSE(NumberField("abc", 4, 8, 1, 99999));      // the line ends before the run
  EXPECT_FALSE(NumberField("100", 1, 3, 1, 99));
}

TEST(NumberFieldTest, LineNumbersWrittenAsRecordsAre) {
  for (long long line : {0LL, 1LL, 42LL, 999999LL, 1000000LL, 1234567LL, 9876543210LL}) {
    std::string out = "x";
    AppendLineNumber(out, line);
    EXPECT_EQ(out, "x" + MakeNumberedLine(line, "")) << line;
  }
}

TEST(NumberFieldTest, LineNumberOfAnEntry) {
  EXPECT_EQ(EntryLineNumber("000001 : /logs/conf.txt"), 1);
  EXPECT_EQ(EntryLineNumber("1234567 : 00012   title"), 1234567);  // all seven digits
  EXPECT_EQ(EntryLineNumber("    12xyz"), 12);
  EXPECT_EQ(EntryLineNumber("000000 : x"), 0);  // the jump rule rejects it, not the reader
  EXPECT_FALSE(EntryLineNumber("-00001 : x"));
  EXPECT_FALSE(EntryLineNumber(""));
  EXPECT_FALSE(EntryLineNumber("title only"));
}

TEST(HeaderFormTest, ColumnsOfTheThreeForms) {
  EXPECT_TRUE(IsSlashHeader("00001/00002"));
  EXPECT_TRUE(IsSlashHeader("  123/    7 title"));
  EXPECT_FALSE(IsSlashHeader("123  /00002 title"));
  EXPECT_FALSE(IsSlashHeader("00001-00002 title"));
  EXPECT_FALSE(IsSlashHeader("00001/0002"));  // 10 bytes, though 7-10 would parse

  const std::string pad(21, 'x');
  EXPECT_TRUE(IsTwoLineHeader(" 7 " + std::string(" ") + pad + "00042"));
  EXPECT_FALSE(IsTwoLineHeader("7  " + std::string(" ") + pad + "00042"));  // "7 " has a trailing blank
  EXPECT_TRUE(IsTwoLineHeader("12 #" + pad + "  42"));
  EXPECT_FALSE(IsTwoLineHeader("12 x" + pad + "00042"));
  EXPECT_FALSE(IsTwoLineHeader("12  " + pad));  // ends before column 26

  EXPECT_TRUE(IsBracketHeader("  5  [" + std::string(20, 'y') + "00042"));
  EXPECT_FALSE(IsBracketHeader("  5 [ " + std::string(20, 'y') + "00042"));
  EXPECT_FALSE(IsBracketHeader("  5  [" + std::string(20, 'y') + "0004 "));
}

TEST(TitleFileTest, LastLineShortLinesAndEntryOrder) {
  const std::string twoLine = "12 " + std::string(" ") + std::string(21, 'x') + "00042 rest";
  const std::string tail = "body after the two-line header";
  Doc doc;
  doc.Add(Slash("00001")).Add(NoRefLine()).Add("00001/0002").Add(twoLine).Add(tail);
  TitleFile titles = ExtractTitles(doc.View(), kName, false);
  EXPECT_EQ(titles.bytes, Lines({"000001 : " + kName, "000001 : " + Slash("00001"),
                                 "000004 : " + twoLine, "000005 : " + tail}));
  EXPECT_EQ(titles.entryCount, 3);

  // A header in the last line is never examined.
  doc.Add(Slash("00002"));
  EXPECT_EQ(ExtractTitles(doc.View(), kName, false).bytes, titles.bytes);

  // Empty and one-line documents hold only the first line.
  EXPECT_EQ(ExtractTitles(Doc().View(), kName, false).bytes, Lines({"000001 : " + kName}));
  EXPECT_EQ(ExtractTitles(Doc().Add(Slash("00001")).View(), kName, false).bytes,
            Lines({"000001 : " + kName}));
}

TEST(TitleFileTest, LineInTwoFormsGivesBothEntries) {
  // Column 2 alone "1" (column 1 blank), column 4 blank, 26-30 and 27-31 both numbers: both a
  // two-line header and a bracket header.
  const std::string both = " 12  [" + std::string(19, 'z') + "123456 title";
  ASSERT_TRUE(IsTwoLineHeader(both));
  ASSERT_TRUE(IsBracketHeader(both));
  Doc doc;
  doc.Add(both).Add("next line").Add("end");
  EXPECT_EQ(ExtractTitles(doc.View(), kName, false).bytes,
            Lines({"000001 : " + kName, "000001 : " + both, "000002 : next line",
                   "000001 : " + both}));
}

TEST(TitleFileTest, NewPostsKeepOnlyPostsWithoutReference) {
  Doc doc;
  doc.Add(Slash("00001", "kept: blanks in 24-28")).Add(NoRefLine());
  doc.Add(Slash("00002", "kept: 21-byte line")).Add(std::string(21, '9'));
  doc.Add(Slash("00003", "dropped: reply")).Add(RefLine("00001"));
  doc.Add(Slash("00004", "dropped: 22-byte line")).Add(std::string(22, ' '));
  doc.Add(Slash("00005", "dropped: 27-byte line")).Add(std::string(27, ' '));
  const std::string pad(21, 'x');
  const std::string newTwoLine = "12  " + pad + "00042" + std::string(12, '-') + "/01/02";
  const std::string oldTwoLine = "13  " + pad + "00043" + std::string(12, '-') + "-01-02";
  doc.Add(newTwoLine).Add("title A").Add(oldTwoLine).Add("title B").Add("end");
  ASSERT_EQ(newTwoLine.substr(42, 4), "/01/");  // columns 43 and 46

  EXPECT_EQ(ExtractTitles(doc.View(), kName, true).bytes,
            Lines({"000001 : " + kName, "000001 : " + doc.lines[0], "000003 : " + doc.lines[2],
                   "000011 : " + newTwoLine, "000012 : title A"}));
  EXPECT_EQ(ExtractTitles(doc.View(), kName, false).entryCount, 9);
}

TEST(TitleFileTest, BracketOnlyDocumentSameForBothCommands) {
  Doc doc;
  for (int post = 1; post <= 3; ++post)
    doc.Add("  " + std::to_string(post) + "  [" + std::string(20, 'n') + "0000" +
            std::to_string(post) + " subject").Add("text");
  EXPECT_EQ(ExtractTitles(doc.View(), kName, true).entryCount, 3);
  EXPECT_EQ(ExtractTitles(doc.View(), kName, true).bytes,
            ExtractTitles(doc.View(), kName, false).bytes);
}

TEST(TitleFileTest, SevenDigitLineNumbersAndNames) {
  // A document of a million lines without storing them: only two are headers.
  const std::string header = Slash("00007");
  DocumentLines doc{1234570, [&header](int line) {
                      return line == 1234566 - 1 || line == 5 ? std::string_view(header)
                                                              : std::string_view("");
                    }};
  EXPECT_EQ(ExtractTitles(doc, kName, false).bytes,
            Lines({"000001 : " + kName, "000006 : " + header, "1234566 : " + header}));

  // The name goes in as CP932 when it maps, else as its UTF-8 bytes.
  Doc one;
  one.Add("a").Add("b");
  EXPECT_EQ(ExtractTitles(one.View(), "/会議.txt", false).bytes,
            Lines({"000001 : /\x89\xEF\x8B\x63.txt"}));
  EXPECT_EQ(ExtractTitles(one.View(), "/\xF0\x9F\x98\x80.txt", false).bytes,
            Lines({"000001 : /\xF0\x9F\x98\x80.txt"}));
}

TEST(SideFileTest, StoredLineRule) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitStoredLines("a\r\nb"), (V{"a", "b"}));
  EXPECT_EQ(SplitStoredLines("a\rb\r\n"), (V{"a", "b"}));
  EXPECT_EQ(SplitStoredLines("a\nb"), (V{"a\nb"}));
  EXPECT_EQ(SplitStoredLines("\r\n\r\n"), (V{"", ""}));
  EXPECT_EQ(SplitStoredLines(std::string_view("x\0y\x1Az\r\n", 7)), (V{std::string("x\0y", 3)}));
  EXPECT_TRUE(SplitStoredLines("").empty());
}

class SideFileDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("pelto-forum-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  size_t Entries() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_),
                                             std::filesystem::directory_iterator()));
  }
  std::filesystem::path dir_;
};

TEST_F(SideFileDirTest, WriteReplacesWholeAndFailureKeepsOld) {
  std::string error, bytes;
  const std::string path = Path("pelto.LOG");
  ASSERT_TRUE(WriteSideFile(path, "first, longer content\r\n", error)) << error;
  ASSERT_TRUE(WriteSideFile(path, "second\r\n", error)) << error;
  ASSERT_EQ(ReadSideFile(path, bytes, error), SideFileRead::Ok);
  EXPECT_EQ(bytes, "second\r\n");
  EXPECT_EQ(Entries(), 1u);  // no temporary left behind

  // A target that cannot be replaced: the write fails, says so, leaves nothing.
  const std::string blocked = Path("pelto03.TXT");
  std::filesystem::create_directory(blocked);
  std::filesystem::create_directory(blocked + "/keep");
  error.clear();
  EXPECT_FALSE(WriteSideFile(blocked, "tree\r\n", error));
  EXPECT_NE(error.find("pelto03.TXT"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/keep"));
  EXPECT_EQ(Entries(), 2u);

  EXPECT_FALSE(WriteSideFile(Path("no-such-folder/x.TXT"), "x", error));
  EXPECT_EQ(ReadSideFile(Path("missing.TXT"), bytes, error), SideFileRead::Missing);
  EXPECT_EQ(ReadSideFile(blocked, bytes, error), SideFileRead::Unreadable);
}

// A small log of three threads for the thread cut:
//   00001 (root), 00002 -> 00001, 00003 (root), 00004 -> 00003, 00005 (root, last)
Doc ThreadLog() {
  Doc doc;
  doc.Add("log start");
  doc.Add(Slash("00001", "first")).Add(NoRefLine()).Add("body 1");
  doc.Add(Slash("00002", "re first")).Add(RefLine("00001")).Add("body 2").Add(
      std::string(kConferencePrompt) + " >");
  doc.Add(Slash("00003", "second")).Add(NoRefLine()).Add("12345 short");  // 11 bytes: ends the post
  doc.Add(Slash("00004", "re second")).Add(RefLine("00003")).Add("12345 body");  // 10 bytes: does not
  doc.Add(Slash("00005", "third")).Add(NoRefLine());
  return doc;
}

TreeList TreeOf(const Doc& doc) {
  return ParseTreeList(BuildReplyTree(doc.View(), kName).file03, kName);
}

TEST(ThreadCutTest, ReplyOrRootGivesTheWholeThread) {
  const Doc doc = ThreadLog();
  const TreeList list = TreeOf(doc);
  ASSERT_EQ(list.status, TreeListStatus::Ok);
  ASSERT_EQ(list.items.size(), 6u);
  EXPECT_TRUE(IsRootLine(list.items[1]));
  EXPECT_FALSE(IsRootLine(list.items[2]));  // "└ 00002"
  EXPECT_FALSE(IsRootLine(list.items[0]));

  const std::string firstThread = Lines({"000001 : " + kName, doc.lines[1], doc.lines[2],
                                         doc.lines[3], doc.lines[4], doc.lines[5],
                                         doc.lines[6]});
  EXPECT_EQ(TitleCut(list.items, 2, doc.View(), kName), firstThread);  // the reply
  EXPECT_EQ(TitleCut(list.items, 1, doc.View(), kName), firstThread);  // its root

  // Post 3 ends at the 11-byte numbered line; post 4's 10-byte one does not
  // end it, and it runs up to the next header.
  EXPECT_EQ(TitleCut(list.items, 3, doc.View(), kName),
            Lines({"000001 : " + kName, doc.lines[8], doc.lines[9], doc.lines[11],
                   doc.lines[12], doc.lines[13]}));
}

TEST(ThreadCutTest, LastPostRunsToTheEndOrThreeHundredLines) {
  Doc doc = ThreadLog();
  const TreeList shortTail = TreeOf(doc);
  EXPECT_EQ(TitleCut(shortTail.items, 5, doc.View(), kName),
            Lines({"000001 : " + kName, doc.lines[14], doc.lines[15]}));

  for (int line = 0; line < 400; ++line) doc.Add("tail " + std::to_string(line));
  const TreeList longTail = TreeOf(doc);
  const auto cut = TitleCut(longTail.items, 5, doc.View(), kName);
  ASSERT_TRUE(cut);
  const auto lines = SplitStoredLines(*cut);
  ASSERT_EQ(lines.size(), 1u + 1u + 300u);  // name, header, 300 lines
  EXPECT_EQ(lines[1], doc.lines[14]);
  EXPECT_EQ(lines.back(), "tail 298");
}

TEST(ThreadCutTest, BlankNumbersMakeOneThreadFromLineOne) {
  Doc doc;
  doc.Add("log start").Add(Slash("    1", "a")).Add(NoRefLine()).Add(Slash("    2", "b"));
  doc.Add(NoRefLine()).Add("end");
  const TreeList list = TreeOf(doc);
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_FALSE(IsRootLine(list.items[1]));
  EXPECT_EQ(ThreadRangeOf(list.items, 2).first, 0);
  EXPECT_EQ(ThreadRangeOf(list.items, 2).last, 2);
  // The first item names line 1: the cut starts there.
  EXPECT_EQ(TitleCut(list.items, 2, doc.View(), kName),
            Lines({"000001 : " + kName, doc.lines[0], doc.lines[1], doc.lines[2], doc.lines[3],
                   doc.lines[4], doc.lines[5]}));
}

TEST(ThreadCutTest, OtherDocumentEmptyListAndBadIndex) {
  const Doc doc = ThreadLog();
  const std::string file03 = BuildReplyTree(doc.View(), kName).file03;
  EXPECT_EQ(ParseTreeList(file03, "/logs/other.txt").status, TreeListStatus::OtherDocument);
  EXPECT_EQ(ParseTreeList("", kName).status, TreeListStatus::OtherDocument);
  EXPECT_EQ(ParseTreeList("000001 :", kName).status, TreeListStatus::OtherDocument);

  const TreeList list = ParseTreeList(file03, kName);
  EXPECT_FALSE(TitleCut({}, 0, doc.View(), kName));
  EXPECT_FALSE(TitleCut(list.items, 6, doc.View(), kName));
  EXPECT_FALSE(TitleCut(list.items, -1, doc.View(), kName));

  // Items naming lines the document does not have add nothing.
  const std::vector<std::string> stale{"000001 : " + kName, "000099 : 00001   gone",
                                       "junk line"};
  EXPECT_EQ(TitleCut(stale, 1, doc.View(), kName), Lines({"000001 : " + kName}));
}

TEST(ThreadCutTest, ANameWithCrOrEndOfFileByteReadsBackAsOneLine) {
  const Doc doc = ThreadLog();
  for (const std::string name : {std::string("/logs/a\rb.txt"), std::string("/logs/a\x1A" "b.txt")}) {
    const TreeList list = ParseTreeList(BuildReplyTree(doc.View(), name).file03, name);
    EXPECT_EQ(list.status, TreeListStatus::Ok);
    ASSERT_EQ(list.items.size(), 6u);
    EXPECT_EQ(list.items[0], "000001 : /logs/a?b.txt");
    const auto titles = SplitStoredLines(ExtractTitles(doc.View(), name, false).bytes);
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles[0], "000001 : /logs/a?b.txt");
    EXPECT_EQ(titles.size(), SplitStoredLines(ExtractTitles(doc.View(), kName, false).bytes).size());
  }
}

TEST(ThreadCutTest, SevenDigitHeaderLines) {
  EXPECT_TRUE(IsRootLine("1234567 : 00012   title"));
  EXPECT_FALSE(IsRootLine("1234567 : \x84\xA4 00012   title"));
  EXPECT_FALSE(IsRootLine("1234567 :    12   title"));
  const std::string header = Slash("00012");
  DocumentLines doc{1234570, [&header](int line) {
                      return line == 1234566 ? std::string_view(header) : std::string_view("");
                    }};
  const std::vector<std::string> items{"000001 : " + kName, "1234567 : 00012   title"};
  // From the header to the document's end (no later end line, fewer than 300).
  EXPECT_EQ(TitleCut(items, 1, doc, kName),
            Lines({"000001 : " + kName, header, "", "", ""}));
}

TEST_F(SideFileDirTest, TreeFilesWrittenPhaseByPhase) {
  const Doc doc = ThreadLog();
  const ReplyTreeFiles built = BuildReplyTree(doc.View(), kName);
  std::string error, bytes;
  const std::string paths[3] = {Path("pelto01.TXT"), Path("pelto02.TXT"), Path("pelto03.TXT")};
  ASSERT_TRUE(WriteReplyTree(doc.View(), kName, paths, {}, error)) << error;
  const std::string* expected[3] = {&built.file01, &built.file02, &built.file03};
  for (int file = 0; file < 3; ++file) {
    ASSERT_EQ(ReadSideFile(paths[file], bytes, error), SideFileRead::Ok);
    EXPECT_EQ(bytes, *expected[file]);
  }

  // The 02 file cannot be written: the command stops with the 01 file
  // rewritten and the old 03 file untouched.
  ASSERT_TRUE(WriteSideFile(paths[0], "old 01", error));
  ASSERT_TRUE(WriteSideFile(paths[2], "old 03", error));
  const std::string blocked[3] = {paths[0], Path("no-folder/pelto02.TXT"), paths[2]};
  EXPECT_FALSE(WriteReplyTree(doc.View(), kName, blocked, {}, error));
  ASSERT_EQ(ReadSideFile(paths[0], bytes, error), SideFileRead::Ok);
  EXPECT_EQ(bytes, built.file01);
  ASSERT_EQ(ReadSideFile(paths[2], bytes, error), SideFileRead::Ok);
  EXPECT_EQ(bytes, "old 03");
}

TEST_F(SideFileDirTest, LoadTreeListReportsMissingFile) {
  EXPECT_EQ(LoadTreeList(Path("pelto03.TXT"), kName).status, TreeListStatus::Missing);
  std::string error;
  ASSERT_TRUE(WriteSideFile(Path("pelto03.TXT"), Lines({"000001 : " + kName, "x"}), error));
  const TreeList list = LoadTreeList(Path("pelto03.TXT"), kName);
  EXPECT_EQ(list.status, TreeListStatus::Ok);
  EXPECT_EQ(list.items.size(), 2u);
}

}  // namespace
}  // namespace pelto
