#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/ExePaths.h"

#include "TestSupport.h"

namespace pelto {
namespace {

class SettingsTest : public testsupport::TempFolderTest {
 protected:
  SettingsTest() : TempFolderTest("settings") {}
  void TearDown() override {
    SetExecutablePathForTesting("");
    TempFolderTest::TearDown();
  }
};

TEST_F(SettingsTest, EmptyOrMissingFileGivesDefaults) {
  for (bool fileExists : {false, true}) {
    if (fileExists) WriteRaw("");
    Settings settings;
    settings.CheckWrapChar = false;  // proves the read sets it
    settings.RecentFiles[3] = "stale";
    std::vector<std::string> errors;
    ReadIniFileValue(IniFile(path_), settings, errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(settings.CheckWrapChar && settings.CheckTabChar && settings.CheckFindScroll &&
                settings.CheckScrollSense && settings.CheckCloseDialog &&
                settings.CheckAutoResum && settings.CheckAutoResumJump);
    EXPECT_EQ(settings.RecentFiles[3], "");
    EXPECT_EQ(settings.TextFontName, "system");
    EXPECT_EQ(settings.TextFontSize, "14");
    EXPECT_EQ(settings.TextFontColor, "clBlack");
    EXPECT_EQ(settings.TextBackColor, "clWindow");
    EXPECT_FALSE(settings.SearchUperLower);
    EXPECT_FALSE(settings.Placement[kFormMain].UseStoredBounds());
    EXPECT_EQ(settings.Placement[kFormView].Left, -1);
    const StartupOptions options = ClampStartupOptions(settings);
    EXPECT_EQ(options.WrapByte, 80);
    EXPECT_EQ(options.ViewTabStop, 4);
    EXPECT_EQ(options.ScrollSense, 1);
    EXPECT_EQ(options.FindScrollRows, 0);
  }
}

TEST_F(SettingsTest, FilledFileIsRead) {
  WriteRaw("[FormMain]\nMem=2\nLeft=0x10\nTop=$10\nWidth=640\nHeight=480\n"
           "[FormTree]\nMem=1\nLeft=abc\nTop=5\nWidth=6\nHeight=7\n"
           "[OpenFileName]\n1=/logs/a.log\n9=/logs/i.log\n"
           "[FindStrName]\n32=last search \"\n"
           "[JumpLineNum]\n1=1234\n"
           "[KoumokuSetName]\nCheckWrapChar=0\nCheckCloseDialog=0\n"
           "[KoumokuSetNum]\nEditWrapChar=120\nEditResumResum=10\n"
           "[TextJyouhou]\nTextFontName=IPAGothic\nTextFontSize=12\n"
           "TextFontColor=$00FF0000\nTextBackColor=clInfoBk\n"
           "[SearchUperLower]\nSet=1\n"
           "[ProgTitle]\n1=editor\n2=not read\n[ProgName]\n1=/usr/bin/vi\n"
           "[ShioriStrName]\n1=000001 : not read at start\n");
  Settings settings;
  std::vector<std::string> errors;
  ReadIniFileValue(IniFile(path_), settings, errors);
  EXPECT_TRUE(errors.empty());
  const WindowPlacement& main = settings.Placement[kFormMain];
  EXPECT_TRUE(main.Mem);
  EXPECT_EQ(main.Left, 16);
  EXPECT_EQ(main.Top, 16);
  EXPECT_EQ(main.Width, 640);
  EXPECT_EQ(main.Height, 480);
  EXPECT_TRUE(main.UseStoredBounds());
  // A value that does not convert is -1, so the stored bounds are not used.
  EXPECT_EQ(settings.Placement[kFormTree].Left, -1);
  EXPECT_FALSE(settings.Placement[kFormTree].UseStoredBounds());
  EXPECT_EQ(settings.RecentFiles[1], "/logs/a.log");
  EXPECT_EQ(settings.RecentFiles[9], "/logs/i.log");
  EXPECT_EQ(settings.FindHistory[32], "last search \"");
  EXPECT_EQ(settings.JumpHistory[1], "1234");
  EXPECT_FALSE(settings.CheckWrapChar);
  EXPECT_FALSE(settings.CheckCloseDialog);
  EXPECT_TRUE(settings.CheckTabChar);
  EXPECT_EQ(settings.EditWrapChar, "120");
  EXPECT_EQ(settings.EditResumResum, "10");
  EXPECT_EQ(settings.EditTabChar, "4");
  EXPECT_EQ(settings.TextFontName, "IPAGothic");
  EXPECT_EQ(settings.TextFontSize, "12");
  EXPECT_EQ(settings.TextFontColor, "$00FF0000");
  EXPECT_EQ(settings.TextBackColor, "clInfoBk");
  EXPECT_TRUE(settings.SearchUperLower);
  EXPECT_EQ(settings.ProgTitle1, "editor");
  EXPECT_EQ(settings.ProgName1, "/usr/bin/vi");
  EXPECT_EQ(settings.BookmarkTable[1], "");
}

TEST_F(SettingsTest, NumberThatDoesNotConvertIsReportedOnceAndDefaulted) {
  WriteRaw("[KoumokuSetNum]\nEditWrapChar=abc\nEditTabChar=8\n"
           "[TextJyouhou]\nTextFontSize=12pt\nTextFontColor=clNoSuchColour\n"
           "TextBackColor=$00C0C0C0\n");
  Settings settings;
  std::vector<std::string> errors;
  ReadIniFileValue(IniFile(path_), settings, errors);
  EXPECT_EQ(errors, (std::vector<std::string>{"'abc' は整数ではありません",
                                              "'12pt' は整数ではありません",
                                              "'clNoSuchColour' は整数ではありません"}));
  EXPECT_EQ(settings.EditWrapChar, "80");
  EXPECT_EQ(settings.EditTabChar, "8");
  EXPECT_EQ(settings.TextFontSize, "14");
  EXPECT_EQ(settings.TextFontColor, "clBlack");
  EXPECT_EQ(settings.TextBackColor, "$00C0C0C0");
  EXPECT_EQ(ClampStartupOptions(settings).WrapByte, 80);
}

TEST_F(SettingsTest, ColourText) {
  EXPECT_EQ(ColorTextToValue("clBlack"), 0);
  EXPECT_EQ(ColorTextToValue("clwindow"), static_cast<int32_t>(0x80000005u));
  EXPECT_EQ(ColorTextToValue("$000000FF"), 0xFF);
  EXPECT_EQ(ColorTextToValue("255"), 255);
  EXPECT_FALSE(ColorTextToValue("red").has_value());
  EXPECT_FALSE(ColorTextToValue("").has_value());
}

TEST_F(SettingsTest, StartupClampsReplaceTheMirrorText) {
  Settings settings;
  settings.EditWrapChar = "1";
  settings.EditTabChar = "0";
  settings.EditScrollSense = "11";
  settings.EditFindScroll = "-1";
  StartupOptions options = ClampStartupOptions(settings);
  EXPECT_EQ(options.WrapByte, 2);
  EXPECT_EQ(options.ViewTabStop, 1);
  EXPECT_EQ(options.ScrollSense, 10);
  EXPECT_EQ(options.FindScrollRows, 0);
  EXPECT_EQ(settings.EditWrapChar, "2");
  EXPECT_EQ(settings.EditTabChar, "1");
  EXPECT_EQ(settings.EditScrollSense, "10");
  EXPECT_EQ(settings.EditFindScroll, "0");

  settings.EditWrapChar = "300";
  settings.EditFindScroll = "17";
  settings.EditTabChar = "99";
  settings.CheckTabChar = false;
  settings.CheckScrollSense = false;
  settings.CheckFindScroll = false;
  options = ClampStartupOptions(settings);
  EXPECT_EQ(options.WrapByte, 255);
  EXPECT_EQ(settings.EditWrapChar, "255");
  // Switched-off options apply their fixed value and leave the text alone.
  EXPECT_EQ(options.ViewTabStop, 0);
  EXPECT_EQ(options.ScrollSense, 1);
  EXPECT_EQ(options.FindScrollRows, 0);
  EXPECT_EQ(settings.EditTabChar, "99");
  EXPECT_EQ(settings.EditFindScroll, "17");

  settings.CheckFindScroll = true;
  EXPECT_EQ(ClampStartupOptions(settings).FindScrollRows, 16);
}

TEST_F(SettingsTest, ShutdownWritesPlacementsRecentFilesAndEmptyBookmarks) {
  WriteRaw("[ShioriStrName]\n1=000010 : an old bookmark\n[FindStrName]\n1=kept\n");
  Settings settings;
  settings.Placement[kFormMain] = {true, 10, 20, 630, 430};
  settings.Placement[kFormResum].Width = 300;
  settings.RecentFiles[1] = "/logs/ｶﾅ name.log";
  settings.RecentFiles[2] = " starts with a blank";
  settings.FindHistory[1] = "not written at shutdown";
  IniFile ini(path_);
  std::vector<std::string> errors;
  EXPECT_TRUE(WriteIniFileValue(ini, settings, errors));
  EXPECT_TRUE(errors.empty());

  const IniText text = ini.Load();
  for (int number = 1; number <= 9; ++number) {
    std::string value;
    EXPECT_TRUE(text.Find("OpenFileName", std::to_string(number), value)) << number;
    EXPECT_TRUE(text.Find("ShioriStrName", std::to_string(number), value)) << number;
    EXPECT_EQ(value, "");
  }
  for (const char* section : kPlacementSections) {
    for (const char* key : {"Mem", "Left", "Top", "Width", "Height"}) {
      std::string value;
      EXPECT_TRUE(text.Find(section, key, value)) << section << "/" << key;
    }
  }
  EXPECT_NE(ReadRaw().find("[FormMain]\nMem=1\nLeft=10\nTop=20\nWidth=630\nHeight=430\n"),
            std::string::npos);
  EXPECT_EQ(text.ReadString("FindStrName", "1", "-"), "kept");

  Settings reread;
  ReadIniFileValue(ini, reread, errors);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(reread.Placement[kFormMain].UseStoredBounds());
  EXPECT_EQ(reread.Placement[kFormMain].Height, 430);
  EXPECT_EQ(reread.Placement[kFormResum].Width, 300);
  EXPECT_FALSE(reread.Placement[kFormResum].Mem);
  EXPECT_EQ(reread.RecentFiles, settings.RecentFiles);
}

TEST_F(SettingsTest, RefusedShutdownWriteIsReportedNotThrown) {
  WriteRaw("a regular file where the folder should be");
  IniFile ini(path_ + "/pelto.INI");
  Settings settings;
  std::vector<std::string> errors;
  bool written = true;
  EXPECT_NO_THROW(written = WriteIniFileValue(ini, settings, errors));
  EXPECT_FALSE(written);
  EXPECT_EQ(errors, std::vector<std::string>{path_ + "/pelto.INI に書き込めません"});
}

TEST_F(SettingsTest, SideFilesFollowTheExecutableName) {
  SetExecutablePathForTesting(folder_ + "/pelto");
  EXPECT_EQ(SettingsFilePath(), folder_ + "/pelto.INI");
  EXPECT_EQ(SideFilePath(".DIR"), folder_ + "/pelto.DIR");
  EXPECT_EQ(WorkFilePath(1), folder_ + "/pelto01.TXT");
  EXPECT_EQ(WorkFilePath(4), folder_ + "/pelto04.TXT");
  EXPECT_EQ(SettingsIniFile().Path(), folder_ + "/pelto.INI");

  // A renamed executable uses files of its new name; only the name part has
  // an extension.
  SetExecutablePathForTesting(folder_ + "/Pelto.exe");
  EXPECT_EQ(SideFilePath(".LOG"), folder_ + "/Pelto.LOG");
  EXPECT_EQ(WorkFilePath(2), folder_ + "/Pelto02.TXT");
  std::filesystem::create_directory(folder_ + "/v1.2");
  SetExecutablePathForTesting(folder_ + "/v1.2/viewer");
  EXPECT_EQ(SettingsFilePath(), folder_ + "/v1.2/viewer.INI");
}

TEST_F(SettingsTest, UnwritableExecutableFolderFallsBackToConfigFolder) {
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedConfig = oldConfig ? oldConfig : "";
  setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
  // A folder that does not exist cannot be written, whoever runs the test.
  SetExecutablePathForTesting(folder_ + "/missing/pelto");
  EXPECT_EQ(SettingsFilePath(), folder_ + "/config/pelto/pelto.INI");
  EXPECT_EQ(WorkFilePath(3), folder_ + "/config/pelto/pelto03.TXT");
  EXPECT_TRUE(std::filesystem::is_directory(folder_ + "/config/pelto"));
  IniFile ini = SettingsIniFile();
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(ini.ReadString("S", "k", "-"), "v");
  // An installed copy (its guide in ../share/pelto) uses the configuration
  // folder even where it could write beside itself; a guide beside it makes
  // it a copy of its own again.
  std::filesystem::create_directories(folder_ + "/usr/bin");
  std::filesystem::create_directories(folder_ + "/usr/share/pelto");
  std::ofstream(folder_ + "/usr/share/pelto/PELTO.HLP") << "guide";
  SetExecutablePathForTesting(folder_ + "/usr/bin/pelto");
  EXPECT_EQ(SettingsFilePath(), folder_ + "/config/pelto/pelto.INI");
  std::ofstream(folder_ + "/usr/bin/PELTO.HLP") << "guide";
  EXPECT_EQ(SettingsFilePath(), folder_ + "/usr/bin/pelto.INI");
  if (oldConfig) {
    setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace pelto
