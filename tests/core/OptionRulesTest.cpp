#include "settings/OptionRules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"

namespace pelto {
namespace {

TEST(OptionRulesTest, NumberFieldsTakeWholeNumbersInTheirRange) {
  const NumberFieldRule& search = kHistoryFieldRules[kHistorySearchResum];
  const NumberFieldRule& wrap = kDisplayFieldRules[kDisplayWrapChar];
  EXPECT_EQ(CheckNumberField("0", search), 0);
  EXPECT_EQ(CheckNumberField("32", search), 32);
  EXPECT_EQ(CheckNumberField("33", search), std::nullopt);
  EXPECT_EQ(CheckNumberField("-1", search), std::nullopt);
  EXPECT_EQ(CheckNumberField("1", wrap), std::nullopt);
  EXPECT_EQ(CheckNumberField("2", wrap), 2);
  EXPECT_EQ(CheckNumberField("255", wrap), 255);
  EXPECT_EQ(CheckNumberField("256", wrap), std::nullopt);
  // Leading blanks convert, trailing ones do not.
  EXPECT_EQ(CheckNumberField("  7", search), 7);
  EXPECT_EQ(CheckNumberField("7 ", search), std::nullopt);
  for (const char* bad : {"", " ", "abc", "1.5", "9a", "+"}) {
    EXPECT_EQ(CheckNumberField(bad, search), std::nullopt) << bad;
  }
}

TEST(OptionRulesTest, HistoryCheckReportsEveryInvalidFieldInPageOrder) {
  HistoryTexts texts = {"3", "40", "x", "9", "65"};
  HistoryCheck check = CheckHistoryFields(texts);
  EXPECT_FALSE(check.Valid());
  ASSERT_EQ(check.messages.size(), 3u);
  EXPECT_EQ(check.messages[0], "    検索履歴の数値が範囲外です。          ");
  EXPECT_EQ(check.messages[1], "    ジャンプ履歴の数値が範囲外です。          ");
  EXPECT_EQ(check.messages[2], "    レジューム履歴の数値が範囲外です。          ");

  texts = {"3", "32", "0", " 9", "64"};
  check = CheckHistoryFields(texts);
  EXPECT_TRUE(check.Valid());
  EXPECT_EQ(check.lengths, (std::array<int, kHistoryFieldCount>{3, 32, 0, 9, 64}));
}

TEST(OptionRulesTest, ApplyingLengthsCutsEveryListAndKeepsTheHandOverSlot) {
  Settings settings;
  for (size_t slot = 0; slot < settings.RecentFiles.size(); ++slot)
    settings.RecentFiles[slot] = "file" + std::to_string(slot);
  for (size_t slot = 0; slot < settings.FindHistory.size(); ++slot)
    settings.FindHistory[slot] = "find" + std::to_string(slot);
  for (size_t slot = 0; slot < settings.JumpHistory.size(); ++slot)
    settings.JumpHistory[slot] = std::to_string(slot);
  settings.BookmarkTable.fill("mark");
  std::array<std::string, 65> resume;
  resume.fill("000001 : /a.log");
  std::array<std::string, 10> fileBookmarks;
  fileBookmarks.fill("000002 : text");

  const HistoryTexts texts = {"3", "0", "9", "1", "10"};
  const HistoryCheck check = CheckHistoryFields(texts);
  ASSERT_TRUE(check.Valid());
  ApplyHistoryLengths(settings, texts, check.lengths, resume, fileBookmarks);

  EXPECT_EQ(settings.EditFileResum, "3");
  EXPECT_EQ(settings.EditSearchResum, "0");
  EXPECT_EQ(settings.EditResumResum, "10");
  EXPECT_EQ(settings.RecentFiles[3], "file3");
  EXPECT_EQ(settings.RecentFiles[4], "");
  EXPECT_EQ(settings.RecentFiles[9], "");
  EXPECT_EQ(settings.FindHistory[0], "find0");   // the hand-over slot stays
  EXPECT_EQ(settings.FindHistory[1], "");
  EXPECT_EQ(settings.JumpHistory[9], "9");        // 9 keeps all
  EXPECT_EQ(settings.BookmarkTable[1], "mark");
  EXPECT_EQ(settings.BookmarkTable[2], "");
  EXPECT_EQ(fileBookmarks[1], "000002 : text");
  EXPECT_EQ(fileBookmarks[2], "");
  EXPECT_EQ(resume[10], "000001 : /a.log");
  EXPECT_EQ(resume[11], "");
  EXPECT_EQ(resume[64], "");
}

class OptionFileTest : public testsupport::TempFolderTest {
 protected:
  OptionFileTest() : TempFolderTest("options") {}
};

TEST_F(OptionFileTest, ARefusedWriteThrowsAndChangesNothing) {
  // The settings file is a folder: the rewrite cannot replace it.
  std::filesystem::create_directory(path_);
  IniFile file(path_);
  Settings settings;
  std::array<std::string, 10> bookmarks;
  std::array<std::string, 65> resume;
  EXPECT_THROW(WriteHistoryPage(file, settings, bookmarks, resume), EIniWriteError);
  EXPECT_THROW(WriteDisplayPage(file, settings), EIniWriteError);
  EXPECT_THROW(WriteTextFont(file, settings), EIniWriteError);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
}

}  // namespace
}  // namespace pelto
