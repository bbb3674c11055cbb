#include "positions/ResumeTable.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "settings/Settings.h"

#include "TestSupport.h"

namespace pelto {
namespace {

// "00000k : /logs/fk.log", written out by hand rather than by the code under test.
std::string OldEntry(int k) {
  char text[64];
  std::snprintf(text, sizeof text, "%06d : /logs/f%d.log", k, k);
  return text;
}

ResumeTable FullTable() {
  ResumeTable table;
  for (int slot = 1; slot <= kResumeSlots; ++slot) table[slot] = OldEntry(slot);
  return table;
}

class ResumeTableTest : public testsupport::TempFolderTest {
 protected:
  ResumeTableTest() : TempFolderTest("resume") {}

  IniFile File() const { return IniFile(path_); }
};

TEST_F(ResumeTableTest, PlacementWithoutMatchShiftsEverythingDown) {
  for (int match : {0, 64}) {  // a match in slot 64 moves the same way
    ResumeTable table = FullTable();
    table[0] = "000001 : /logs/new.log";
    PlaceResumeEntry(table, match);
    EXPECT_EQ(table[1], "000001 : /logs/new.log");
    for (int slot = 2; slot <= kResumeSlots; ++slot) EXPECT_EQ(table[slot], OldEntry(slot - 1));
  }
}

TEST_F(ResumeTableTest, PlacementWithMatchMovesOnlyTheEntriesAboveIt) {
  ResumeTable table = FullTable();
  table[0] = "000099 : /logs/f5.log";
  PlaceResumeEntry(table, 5);
  EXPECT_EQ(table[1], "000099 : /logs/f5.log");
  for (int slot = 2; slot <= 5; ++slot) EXPECT_EQ(table[slot], OldEntry(slot - 1));
  for (int slot = 6; slot <= kResumeSlots; ++slot) EXPECT_EQ(table[slot], OldEntry(slot));

  table = FullTable();
  table[0] = "000099 : /logs/f1.log";
  PlaceResumeEntry(table, 1);
  EXPECT_EQ(table[1], "000099 : /logs/f1.log");
  for (int slot = 2; slot <= kResumeSlots; ++slot) EXPECT_EQ(table[slot], OldEntry(slot));
}

TEST_F(ResumeTableTest, StoringTwiceKeepsOneEntryAtTheFront) {
  IniFile ini = File();
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/b.log", 7, 64));
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/a.log", 100, 64));
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/b.log", 1234, 64));
  const ResumeTable table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "001234 : /logs/b.log");
  EXPECT_EQ(table[2], "000100 : /logs/a.log");
  EXPECT_EQ(table[3], "");
  // All 64 keys are in the file, the empty ones as empty values.
  const IniText text = ini.Load();
  for (int number = 1; number <= kResumeSlots; ++number) {
    std::string value;
    EXPECT_TRUE(text.Find("ResumeFileName", std::to_string(number), value)) << number;
  }
  EXPECT_EQ(ResumeLineForFile(ini, "/logs/b.log"), 1234);
  EXPECT_EQ(ResumeLineForFile(ini, "/logs/a.log"), 100);
}

TEST_F(ResumeTableTest, StoreMovesAnOlderEntryToTheFrontAndDropsTheOldest) {
  IniFile ini = File();
  WriteResumeTable(ini, FullTable());
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/f5.log", 55, 64));
  ResumeTable table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "000055 : /logs/f5.log");
  EXPECT_EQ(table[5], OldEntry(4));
  EXPECT_EQ(table[64], OldEntry(64));

  ASSERT_TRUE(StoreResumePoint(ini, "/logs/g.log", 1, 64));
  table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "000001 : /logs/g.log");
  EXPECT_EQ(table[64], OldEntry(63));
  EXPECT_FALSE(ResumeLineForFile(table, "/logs/f64.log").has_value());
}

TEST_F(ResumeTableTest, EntryBelongsToAFileOnlyByItsWholeName) {
  IniFile ini = File();
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/app.log.1", 10, 64));
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/App.log", 20, 64));
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/app.log", 30, 64));
  const ResumeTable table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "000030 : /logs/app.log");
  EXPECT_EQ(table[2], "000020 : /logs/App.log");
  EXPECT_EQ(table[3], "000010 : /logs/app.log.1");
  EXPECT_EQ(ResumeLineForFile(table, "/logs/app.log"), 30);
  EXPECT_EQ(ResumeLineForFile(table, "/logs/app.log.1"), 10);
  EXPECT_FALSE(ResumeLineForFile(table, "app.log").has_value());
  EXPECT_FALSE(ResumeLineForFile(table, "").has_value());
}

TEST_F(ResumeTableTest, NoDocumentStoresNothing) {
  IniFile ini = File();
  EXPECT_FALSE(StoreResumePoint(ini, "", 1, 64));
  EXPECT_FALSE(std::filesystem::exists(ini.Path()));

  WriteResumeTable(ini, FullTable());
  EXPECT_FALSE(StoreResumePoint(ini, "", 0, 64));
  EXPECT_EQ(ReadResumeTable(ini), FullTable());
}

TEST_F(ResumeTableTest, LineNumbersOfSevenDigitsAndMore) {
  IniFile ini = File();
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/big.log", 1234567, 64));
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/small.log", 7, 64));
  const ResumeTable table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "000007 : /logs/small.log");
  EXPECT_EQ(table[2], "1234567 : /logs/big.log");
  EXPECT_EQ(ResumeLineForFile(table, "/logs/big.log"), 1234567);

  // Storing it again finds the unpadded entry and replaces it.
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/big.log", 9999999, 64));
  const ResumeTable again = ReadResumeTable(ini);
  EXPECT_EQ(again[1], "9999999 : /logs/big.log");
  EXPECT_EQ(again[2], "000007 : /logs/small.log");
  EXPECT_EQ(again[3], "");
}

TEST_F(ResumeTableTest, EntriesAboveTheLimitAreEmptied) {
  IniFile ini = File();
  WriteResumeTable(ini, FullTable());
  ASSERT_TRUE(StoreResumePoint(ini, "/logs/new.log", 3, ResumeLimit("10")));
  const ResumeTable table = ReadResumeTable(ini);
  EXPECT_EQ(table[1], "000003 : /logs/new.log");
  EXPECT_EQ(table[10], OldEntry(9));
  for (int slot = 11; slot <= kResumeSlots; ++slot) EXPECT_EQ(table[slot], "") << slot;

  ASSERT_TRUE(StoreResumePoint(ini, "/logs/zero.log", 3, ResumeLimit("0")));
  EXPECT_EQ(ReadResumeTable(ini), ResumeTable{});
}

TEST_F(ResumeTableTest, LimitText) {
  EXPECT_EQ(ResumeLimit("64"), 64);
  EXPECT_EQ(ResumeLimit("10"), 10);
  EXPECT_EQ(ResumeLimit("100"), 64);
  EXPECT_EQ(ResumeLimit("-3"), 0);
  EXPECT_EQ(ResumeLimit("abc"), 64);
}

TEST_F(ResumeTableTest, MalformedEntriesAreSkipped) {
  ResumeTable table;
  table[1] = "garbage /logs/a.log";
  table[2] = "12x456 : /logs/a.log";
  table[3] = "000042 : /logs/a.log";
  EXPECT_EQ(FindResumeEntry(table, "/logs/a.log"), 3);
  EXPECT_EQ(ResumeLineForFile(table, "/logs/a.log"), 42);
  long long line = 0;
  std::string name;
  EXPECT_TRUE(ParseResumeEntry("000000 : ", line, name));
  EXPECT_EQ(line, 0);
  EXPECT_EQ(name, "");
  EXPECT_FALSE(ParseResumeEntry("", line, name));
}

}  // namespace
}  // namespace pelto
