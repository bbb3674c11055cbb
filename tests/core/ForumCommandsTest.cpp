// The pelto-cli forum commands: exact side-file bytes on standard output.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ForumTestSupport.h"
#include "cli/ForumCommands.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/ThreadCut.h"

namespace pelto {
namespace {

using forumtest::Doc;
using forumtest::NoRefLine;
using forumtest::RefLine;
using forumtest::Slash;

class ForumCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("pelto-cli-forum-" + std::to_string(::getpid()) + ".txt"))
                .string();
    doc_.Add("log").Add(Slash("00001", "a")).Add(NoRefLine()).Add(Slash("00002", "b"));
    doc_.Add(RefLine("00001")).Add("bo\ndy").Add(Slash("00003", "c")).Add(NoRefLine());
    // On disk with CR LF breaks, a lone LF inside one line, and a 0x1A after
    // which nothing is read.
    std::ofstream out(path_, std::ios::binary);
    for (size_t line = 0; line < doc_.lines.size(); ++line) out << doc_.lines[line] << "\r\n";
    out << "\x1A" << Slash("00009") << "\r\n" << NoRefLine();
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // Runs a command, returns its status; out gets what it printed.
  template <class Command>
  int Run(Command command, std::string& out) {
    ::testing::internal::CaptureStdout();
    const int status = command();
    out = ::testing::internal::GetCapturedStdout();
    return status;
  }

  std::string path_;
  Doc doc_;
};

TEST_F(ForumCommandsTest, PrintTheSideFiles) {
  std::string out;
  EXPECT_EQ(Run([&] { return CliTitles(false, path_); }, out), 0);
  EXPECT_EQ(out, ExtractTitles(doc_.View(), path_, false).bytes);
  EXPECT_EQ(Run([&] { return CliTitles(true, path_); }, out), 0);
  EXPECT_EQ(out, ExtractTitles(doc_.View(), path_, true).bytes);

  const ReplyTreeFiles files = BuildReplyTree(doc_.View(), path_);
  EXPECT_EQ(Run([&] { return CliTree(1, path_); }, out), 0);
  EXPECT_EQ(out, files.file01);
  EXPECT_EQ(Run([&] { return CliTree(2, path_); }, out), 0);
  EXPECT_EQ(out, files.file02);
  EXPECT_EQ(Run([&] { return CliTree(3, path_); }, out), 0);
  EXPECT_EQ(out, files.file03);
  EXPECT_NE(out.find("00003   c"), std::string::npos);
  EXPECT_EQ(out.find("00009"), std::string::npos);

  const TreeList list = ParseTreeList(files.file03, path_);
  EXPECT_EQ(Run([&] { return CliThread(2, path_); }, out), 0);
  EXPECT_EQ(out, *TitleCut(list.items, 2, doc_.View(), path_));
}

TEST_F(ForumCommandsTest, BadArgumentsAndUnreadableFilePrintNothing) {
  std::string out;
  EXPECT_EQ(Run([&] { return CliTree(4, path_); }, out), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run([&] { return CliThread(4, path_); }, out), 2);  // the list has 4 items
  EXPECT_EQ(out, "");
  const std::string missing = path_ + ".missing";
  EXPECT_EQ(Run([&] { return CliTitles(false, missing); }, out), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run([&] { return CliTree(3, missing); }, out), 2);
  EXPECT_EQ(Run([&] { return CliThread(1, missing); }, out), 2);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace pelto
