#include "settings/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"

namespace pelto {
namespace {

class IniFileTest : public testsupport::TempFolderTest {
 protected:
  IniFileTest() : TempFolderTest("ini") {}
};

TEST_F(IniFileTest, HandWrittenFileWithOddSpacingAndLetterCase) {
  WriteRaw("; remark\n"
           "  [ Koumoku ]  \n"
           " Key1 =  value one  \n"
           "KEY2=\"  quoted  \"\n"
           "key3='single'\n"
           "noequals line\n"
           "key5=a=b\n"
           "[other]\n"
           "key1=other\n"
           "[KOUMOKU]\n"
           "key4=in a second section of the same name\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadString("koumoku", "KEY1", "-"), "value one");
  EXPECT_EQ(ini.ReadString("Koumoku", "key2", "-"), "  quoted  ");
  EXPECT_EQ(ini.ReadString("Koumoku", "key3", "-"), "single");
  EXPECT_EQ(ini.ReadString("Koumoku", "key5", "-"), "a=b");
  EXPECT_EQ(ini.ReadString("OTHER", "Key1", "-"), "other");
  // The first section of a name is the one that counts.
  EXPECT_EQ(ini.ReadString("Koumoku", "key4", "-"), "-");
  EXPECT_EQ(ini.ReadString("missing", "key1", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("Koumoku", "missing", "dflt"), "dflt");
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
  IniFile ini(folder_ + "/none.INI");
  EXPECT_EQ(ini.ReadString("A", "b", "x"), "x");
  EXPECT_EQ(ini.ReadInteger("A", "b", -1), -1);
  EXPECT_TRUE(ini.ReadBool("A", "b", true));
  EXPECT_EQ(ini.ReadList("A", 3), (std::vector<std::string>{"", "", ""}));
}

TEST_F(IniFileTest, IntegerAndFlagForms) {
  WriteRaw("[FormMain]\nLeft=0x10\nTop=$10\nWidth=abc\nHeight= -5 \nMem=2\n"
           "[F]\nMem=0\nOther=0X\n");
  IniFile ini(path_);
  EXPECT_EQ(ini.ReadInteger("FormMain", "Left", -1), 16);
  EXPECT_EQ(ini.ReadInteger("FormMain", "Top", -1), 16);
  EXPECT_EQ(ini.ReadInteger("FormMain", "Width", -1), -1);
  EXPECT_EQ(ini.ReadInteger("FormMain", "Height", -1), -5);
  EXPECT_EQ(ini.ReadInteger("F", "Other", 7), 7);
  EXPECT_TRUE(ini.ReadBool("FormMain", "Mem", false));
  EXPECT_FALSE(ini.ReadBool("F", "Mem", true));
}

TEST_F(IniFileTest, ValuesReadBackExactlyAsWritten) {
  IniFile ini(path_);
  const std::vector<std::string> values = {
      "plain", "  leading", "trailing  ", "\"abc\"", "'abc'", "abc\"", "\"abc", "\"",
      "", " ", "a = b", "[not a section]", "日本語 のしおり  ", "tab\tinside"};
  for (size_t index = 0; index < values.size(); ++index) {
    ini.WriteString("Values", "k" + std::to_string(index), values[index]);
  }
  for (size_t index = 0; index < values.size(); ++index) {
    EXPECT_EQ(ini.ReadString("Values", "k" + std::to_string(index), "-"), values[index])
        << "value #" << index;
  }
}

TEST_F(IniFileTest, LineBreaksAndNulInsideValueBecomeBlanks) {
  IniFile ini(path_);
  ini.WriteString("S", "a", std::string("one\r\ntwo\0three", 14));
  ini.WriteString("S", "b", "ends with break\n");
  ini.WriteString("S", "c", "after");
  EXPECT_EQ(ini.ReadString("S", "a", "-"), "one  two three");
  EXPECT_EQ(ini.ReadString("S", "b", "-"), "ends with break ");
  EXPECT_EQ(ini.ReadString("S", "c", "-"), "after");
  EXPECT_EQ(ini.ReadList("S", 0).size(), 0u);
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLine) {
  WriteRaw("; my notes\n"
           "[First]\n"
           "Alpha = 1\n"
           "\n"
           "[Second]\n"
           "beta=2\n"
           "\n");
  IniFile ini(path_);
  ini.WriteString("first", "ALPHA", "10");    // replaced in place, spelling of the writer
  ini.WriteString("First", "Gamma", "3");     // appended to its section, before the gap
  ini.WriteString("Third", "delta", "4");     // new section at the end
  EXPECT_EQ(ReadRaw(),
            "; my notes\n"
            "[First]\n"
            "ALPHA=10\n"
            "Gamma=3\n"
            "\n"
            "[Second]\n"
            "beta=2\n"
            "\n"
            "[Third]\n"
            "delta=4\n");
}

TEST_F(IniFileTest, CrLfFileStaysCrLf) {
  WriteRaw("[S]\r\nold=1\r\n");
  IniFile ini(path_);
  ini.WriteString("S", "new", "2");
  ini.WriteString("T", "x", "3");
  EXPECT_EQ(ReadRaw(), "[S]\r\nold=1\r\nnew=2\r\n[T]\r\nx=3\r\n");
  EXPECT_EQ(ini.ReadString("s", "OLD", "-"), "1");
}

TEST_F(IniFileTest, BatchWritesWholeNumberedList) {
  IniFile ini(path_);
  ini.WriteList("List", {"a", "", "c"});
  ini.WriteStrings("List", {{"2", "b"}, {"4", "d"}});
  EXPECT_EQ(ini.ReadList("List", 5), (std::vector<std::string>{"a", "b", "c", "d", ""}));
  EXPECT_NE(ReadRaw().find("[List]\n1=a\n2=b\n3=c\n4=d\n"), std::string::npos);
}

TEST_F(IniFileTest, RefusedWriteThrowsWithPathInMessage) {
  // A regular file in place of the folder refuses the write even for root.
  WriteRaw("not a folder");
  const std::string bad = path_ + "/pelto.INI";
  IniFile ini(bad);
  try {
    ini.WriteString("S", "k", "v");
    FAIL() << "write did not fail";
  } catch (const EIniWriteError& error) {
    EXPECT_EQ(std::string(error.what()), bad + " に書き込めません");
    EXPECT_EQ(error.Path(), bad);
  }
  EXPECT_EQ(ReadRaw(), "not a folder");
}

TEST_F(IniFileTest, ReadOnlyFolderOrFileRefusesWrite) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  IniFile ini(path_);
  ini.WriteString("S", "k", "before");
  ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
  EXPECT_THROW(ini.WriteString("S", "k", "after"), EIniWriteError);
  chmod(folder_.c_str(), 0755);
  EXPECT_EQ(ini.ReadString("S", "k", "-"), "before");
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  EXPECT_THROW(ini.WriteString("S", "k", "after"), EIniWriteError);
  EXPECT_EQ(ini.ReadString("S", "k", "-"), "before");
}

TEST_F(IniFileTest, WriteThroughSymbolicLinkKeepsTheLink) {
  const std::string real = folder_ + "/real.INI";
  { std::ofstream(real) << "[S]\nk=1\n"; }
  std::filesystem::create_symlink(real, path_);
  IniFile ini(path_);
  ini.WriteString("S", "k", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(IniFile(real).ReadString("S", "k", "-"), "2");
}

TEST_F(IniFileTest, ConcurrentWritersLoseNoKey) {
  constexpr int kWriters = 3;
  constexpr int kKeysEach = 60;
  IniFile(path_).WriteString("Marker", "m", "1");
  std::vector<pid_t> children;
  for (int writer = 0; writer < kWriters; ++writer) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int status = 0;
      try {
        IniFile ini(path_);
        for (int key = 0; key < kKeysEach; ++key) {
          const std::string name = "w" + std::to_string(writer) + "k" + std::to_string(key);
          // Alternate between two sections so both grow under contention.
          ini.WriteString(key % 2 ? "Odd" : "Even", name, "value " + name + " ");
        }
      } catch (...) {
        status = 1;
      }
      _exit(status);
    }
    children.push_back(child);
  }
  // Meanwhile this process reads: every read sees a whole file.
  IniFile reader(path_);
  int tornReads = 0;
  for (int pass = 0; pass < 200; ++pass) {
    const std::string raw = ReadRaw();
    if (raw.empty() || raw.back() != '\n' || reader.ReadString("Marker", "m", "gone") != "1") {
      ++tornReads;
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(tornReads, 0);
  for (int writer = 0; writer < kWriters; ++writer) {
    for (int key = 0; key < kKeysEach; ++key) {
      const std::string name = "w" + std::to_string(writer) + "k" + std::to_string(key);
      EXPECT_EQ(reader.ReadString(key % 2 ? "Odd" : "Even", name, "lost"), "value " + name + " ");
    }
  }
  // No temporary file is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2);  // the settings file and its lock file
}

}  // namespace
}  // namespace pelto
