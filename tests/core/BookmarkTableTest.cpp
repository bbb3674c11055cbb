#include "positions/BookmarkTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TestSupport.h"

namespace pelto {
namespace {

class BookmarkTableTest : public testsupport::TempFolderTest {
 protected:
  BookmarkTableTest() : TempFolderTest("shiori") {}

  IniFile File() const { return IniFile(path_); }
};

// "あ" in CP932 and in UTF-8.
const std::string kA = "\x82\xa0";
const std::string kAUtf8 = "\xe3\x81\x82";

TEST_F(BookmarkTableTest, EntryHoldsLineAndDecodedRowText) {
  EXPECT_EQ(MakeBookmarkEntry(7, kA + "abc"), "000007 : " + kAUtf8 + "abc");
  EXPECT_EQ(MakeBookmarkEntry(1234567, "x"), "1234567 : x");
  // An empty row leaves the entry ending in " : ".
  EXPECT_EQ(MakeBookmarkEntry(3, ""), "000003 : ");
  // A byte that is no CP932 character becomes one U+FFFD, not nothing.
  EXPECT_EQ(MakeBookmarkEntry(1, "a\x80z"), "000001 : a\xef\xbf\xbdz");
}

TEST_F(BookmarkTableTest, RowTextIsCutAt128BytesOnACharacterBoundary) {
  const std::string singles(200, 'x');
  EXPECT_EQ(CutBookmarkText(singles).size(), 128u);
  EXPECT_EQ(CutBookmarkText(std::string(128, 'y')), std::string(128, 'y'));

  // 127 single bytes, then a double-byte character over bytes 128 and 129.
  const std::string split = std::string(127, 'a') + kA + "tail";
  EXPECT_EQ(CutBookmarkText(split), std::string(127, 'a'));
  EXPECT_EQ(MakeBookmarkEntry(5, split), "000005 : " + std::string(127, 'a'));

  // 64 double-byte characters end exactly at byte 128.
  std::string doubles;
  for (int k = 0; k < 70; ++k) doubles += kA;
  std::string expected;
  for (int k = 0; k < 64; ++k) expected += kAUtf8;
  EXPECT_EQ(MakeBookmarkEntry(5, doubles), "000005 : " + expected);

  // Trail bytes in the a-z range are not taken for characters of their own:
  // "ア" is 0x83 0x41 and "a" sits inside no character.
  std::string mixed = "z";
  for (int k = 0; k < 70; ++k) mixed += "\x83\x41";
  EXPECT_EQ(CutBookmarkText(mixed).size(), 127u);
}

TEST_F(BookmarkTableTest, TenthBookmarkPushesOutTheOldestAndEqualOnesStay) {
  BookmarkTable table;
  for (int line = 1; line <= 10; ++line) {
    table[0] = MakeBookmarkEntry(line, "row");
    PushBookmark(table);
  }
  EXPECT_EQ(table[1], "000010 : row");
  EXPECT_EQ(table[9], "000002 : row");

  table[0] = MakeBookmarkEntry(10, "row");
  PushBookmark(table);
  EXPECT_EQ(table[1], "000010 : row");
  EXPECT_EQ(table[2], "000010 : row");
  EXPECT_EQ(table[9], "000003 : row");
}

TEST_F(BookmarkTableTest, SortOrdersByLineIgnoringCaseWithGapsLast) {
  BookmarkTable table;
  table[2] = "000300 : c";
  table[4] = "000020 : B";
  table[7] = "000020 : a";
  table[9] = "000001 : z";
  SortBookmarks(table);
  EXPECT_EQ(table[1], "000001 : z");
  EXPECT_EQ(table[2], "000020 : a");
  EXPECT_EQ(table[3], "000020 : B");
  EXPECT_EQ(table[4], "000300 : c");
  for (int slot = 5; slot <= kBookmarkCount; ++slot) EXPECT_EQ(table[slot], "") << slot;

  // A line of seven digits comes after the six-digit ones.
  BookmarkTable big;
  big[1] = "1000000 : far";
  big[2] = "999999 : near";
  big[3] = "hand written";
  SortBookmarks(big);
  EXPECT_EQ(big[1], "999999 : near");
  EXPECT_EQ(big[2], "1000000 : far");
  EXPECT_EQ(big[3], "hand written");
  EXPECT_EQ(big[4], "");
}

TEST_F(BookmarkTableTest, FileKeepsAllNineKeysAndTrailingBlanks) {
  IniFile ini = File();
  BookmarkTable table;
  table[0] = MakeBookmarkEntry(12, "ends in blanks  ");
  PushBookmark(table);
  WriteBookmarkTable(ini, table);

  const IniText text = ini.Load();
  for (int number = 1; number <= kBookmarkCount; ++number) {
    std::string value;
    EXPECT_TRUE(text.Find("ShioriStrName", std::to_string(number), value)) << number;
  }
  const BookmarkTable back = ReadBookmarkTable(ini);
  EXPECT_EQ(back[0], "");
  EXPECT_EQ(back[1], "000012 : ends in blanks  ");
  EXPECT_EQ(back[2], "");

  ClearBookmarks(table);
  WriteBookmarkTable(ini, table);
  EXPECT_EQ(ReadBookmarkTable(ini), BookmarkTable{});
}

TEST_F(BookmarkTableTest, LimitAndLineNumber) {
  EXPECT_EQ(BookmarkLimit("9"), 9);
  EXPECT_EQ(BookmarkLimit("0"), 0);
  EXPECT_EQ(BookmarkLimit("12"), 9);
  EXPECT_EQ(BookmarkLimit("-1"), 0);
  EXPECT_EQ(BookmarkLimit("x"), 9);

  long long line = 0;
  EXPECT_TRUE(BookmarkLine("1234567 : a : b", line));
  EXPECT_EQ(line, 1234567);
  EXPECT_FALSE(BookmarkLine("", line));
  EXPECT_FALSE(BookmarkLine("12a456 : text", line));
}

}  // namespace
}  // namespace pelto
