#include <fstream>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli/FindCommand.h"

namespace pelto {
namespace {

std::optional<FindOptions> Parse(std::vector<std::string_view> args, std::string* error = nullptr)
{
    std::string reason;
    auto options = ParseFindArguments(args, reason);
    if (error)
        *error = reason;
    if (!options)
        EXPECT_FALSE(reason.empty());
    return options;
}

TEST(FindCommand, Arguments)
{
    auto options = Parse({"--case", "--prior", "--wrap", "20", "--top", "7", "-5", "log.txt"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->caseSensitive);
    EXPECT_TRUE(options->prior);
    EXPECT_FALSE(options->hex);
    EXPECT_EQ(options->wrapByte, 20);
    EXPECT_EQ(options->topRow, 7);
    EXPECT_EQ(options->pattern, "-5");  // a leading "-" is part of the pattern
    EXPECT_EQ(options->file, "log.txt");

    auto dashes = Parse({"--nowrap", "--", "--case", "log.txt"});
    ASSERT_TRUE(dashes);
    EXPECT_FALSE(dashes->wordWrap);
    EXPECT_EQ(dashes->pattern, "--case");

    std::string error;
    EXPECT_FALSE(Parse({"--wrap", "0", "a", "f"}));
    EXPECT_FALSE(Parse({"--wrap", "3", "--nowrap", "a", "f"}, &error));
    EXPECT_NE(error.find("exclude"), std::string::npos);
    EXPECT_FALSE(Parse({"--top", "-1", "a", "f"}));
    EXPECT_FALSE(Parse({"--top"}));
    EXPECT_FALSE(Parse({"--ignore-case", "a", "f"}));
    EXPECT_FALSE(Parse({"a"}));
    EXPECT_FALSE(Parse({"a", "f", "g"}));
}

class FindCommandRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = ::testing::TempDir() + "find-command-" + std::to_string(::getpid()) + ".txt";
        // Row 0 "Key line", row 1 "xx" + あ, rows 2-3 one line wrapped at 8 bytes.
        std::ofstream out(path_, std::ios::binary);
        out << "Key line\r\nxx\x82\xA0\r\n0123456key key\r\n";
    }
    void TearDown() override { std::remove(path_.c_str()); }

    // Output of a run, or "status N: error" when it fails.
    std::string Run(std::vector<std::string_view> args)
    {
        args.push_back(path_);
        std::string error, output;
        auto options = ParseFindArguments(args, error);
        if (!options)
            return "bad: " + error;
        options->wrapByte = options->wordWrap && options->wrapByte == 80 ? 8 : options->wrapByte;
        int status = RunFind(*options, output, error);
        return status == 0 ? output : "status " + std::to_string(status) + ": " + error;
    }

    std::string path_;
};

TEST_F(FindCommandRun, PatternsAndDirections)
{
    EXPECT_EQ(Run({"key"}), "0 1\n");                      // case folded by default
    EXPECT_EQ(Run({"--case", "key"}), "3 4\n");
    EXPECT_EQ(Run({"--top", "1", "key"}), "3 4\n");        // 0123456k | ey key: the first is split
    EXPECT_EQ(Run({"--nowrap", "--top", "1", "key"}), "2 8\n");
    EXPECT_EQ(Run({"--prior", "--top", "2", "key"}), "0 1\n");
    EXPECT_EQ(Run({"--prior", "--top", "99", "KEY"}), "3 4\n");  // past the end: the last row
    EXPECT_EQ(Run({"あ"}), "1 3\n");                       // UTF-8 converted to CP932
    EXPECT_EQ(Run({"--hex", "82a0"}), "1 3\n");
    EXPECT_EQ(Run({"--hex", "A082"}), "");                 // across two characters: nothing
    EXPECT_EQ(Run({"\xF0\x9F\x98\x80"}), "");              // a character CP932 lacks finds nothing
    EXPECT_EQ(Run({"zzz"}), "");
}

TEST_F(FindCommandRun, Failures)
{
    EXPECT_EQ(Run({"--hex", "8"}).substr(0, 9), "status 2:");
    EXPECT_EQ(Run({"--hex", "zz"}).substr(0, 9), "status 2:");
    EXPECT_EQ(Run({"\xFF"}).substr(0, 9), "status 2:");    // not UTF-8
    FindOptions missing;
    missing.pattern = "a";
    missing.file = path_ + ".missing";
    std::string output = "stale", error;
    EXPECT_EQ(RunFind(missing, output, error), 2);
    EXPECT_TRUE(output.empty());
    EXPECT_FALSE(error.empty());
    missing.file = ::testing::TempDir();  // a folder
    EXPECT_EQ(RunFind(missing, output, error), 2);
}

} // namespace
} // namespace pelto
