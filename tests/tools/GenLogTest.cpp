// The generated logs are the test and benchmark input of the whole program, so
// their format is checked here column by column, independently of the generator.
#include "GenLog.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using genlog::Options;

// CP932 bytes of "電子会議 (1:発言　改行のみ: 読む) 通常モード".
const std::string kPrompt =
    "\x93\x64\x8E\x71\x89\xEF\x8B\x63\x20\x28\x31\x3A\x94\xAD\x8C\xBE\x81\x40\x89\xFC\x8D\x73\x82\xCC\x82\xDD"
    "\x3A\x20\x93\xC7\x82\xDE\x29\x20\x92\xCA\x8F\xED\x83\x82\x81\x5B\x83\x68";

std::string generateText(const Options& options, genlog::Summary* summary = nullptr)
{
    std::string text;
    auto result = genlog::generate(options, [&](const char* data, std::size_t size) {
        text.append(data, size);
        return true;
    });
    if (summary)
        *summary = result;
    return text;
}

Options postsOptions(std::uint64_t posts, std::uint64_t seed)
{
    Options options;
    options.postLimit = posts;
    options.seed = seed;
    return options;
}

// Lines without their CR LF; fails the test on any other line end.
std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos || text[end] != '\r' || end + 1 >= text.size() || text[end + 1] != '\n') {
            ADD_FAILURE() << "line " << lines.size() + 1 << " is not ended by CR LF";
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// 1-based columns from..to form an integer in lo..hi: leading blanks, an optional
// sign, then digits up to the end of the run; the run must lie inside the line.
bool numberField(const std::string& line, std::size_t from, std::size_t to, long lo, long hi)
{
    if (line.size() < from)
        return false;
    std::string run = line.substr(from - 1, std::min(line.size(), to) - (from - 1));
    std::size_t pos = run.find_first_not_of(' ');
    if (pos == std::string::npos)
        return false;
    if (run[pos] == '+' || run[pos] == '-')
        ++pos;
    if (pos == run.size() || run.find_first_not_of("0123456789", pos) != std::string::npos)
        return false;
    long value = std::stol(run);
    return value >= lo && value <= hi;
}

bool isSlashHeader(const std::string& line)
{
    return line.size() >= 11 && numberField(line, 1, 5, 1, 99999) && line[5] == '/' && numberField(line, 7, 11, 1, 99999);
}

bool isTwoLineHeader(const std::string& line)
{
    if (line.size() < 11)
        return false;
    bool number = line[0] == ' ' ? numberField(line, 2, 2, 1, 99) : numberField(line, 1, 2, 1, 99);
    return number && (line[3] == ' ' || line[3] == '#') && numberField(line, 26, 30, 1, 99999);
}

bool isBracketHeader(const std::string& line)
{
    return line.size() >= 11 && numberField(line, 1, 3, 1, 999) && line.compare(3, 3, "  [") == 0
        && numberField(line, 27, 31, 1, 99999);
}

bool isLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

bool decodesAsCp932(const std::string& text)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string input = text;
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::vector<char> output(inLeft * 3 + 16);
    char* out = output.data();
    std::size_t outLeft = output.size();
    std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    return result != static_cast<std::size_t>(-1) && inLeft == 0;
}

TEST(GenLogArguments, AcceptsLimitsSeedAndOutput)
{
    std::string error;
    auto options = genlog::parseArguments({"--size", "64K", "--posts", "12", "--seed", "99", "out.log"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->sizeLimit, 65536u);
    EXPECT_EQ(options->postLimit, 12u);
    EXPECT_EQ(options->seed, 99u);
    EXPECT_EQ(options->outPath, "out.log");

    EXPECT_EQ(genlog::parseByteCount("1G"), std::uint64_t{1} << 30);
    EXPECT_EQ(genlog::parseByteCount("3m"), std::uint64_t{3} << 20);
    EXPECT_EQ(genlog::parseByteCount("1000"), 1000u);
    ASSERT_TRUE(genlog::parseArguments({"-"}, error));
}

TEST(GenLogArguments, RejectsBadInputWithAMessage)
{
    const std::vector<std::vector<std::string>> bad = {
        {},                                  // no output file
        {"--size", "0", "out"},              // nothing to write
        {"--size", "12X", "out"},            // unknown suffix
        {"--size", "99999999999G", "out"},   // overflows
        {"--posts", "0", "out"},
        {"--posts", "-3", "out"},
        {"--seed", "abc", "out"},
        {"--posts"},                         // value missing
        {"--colour", "out"},                 // unknown option
        {"one.log", "two.log"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(genlog::parseArguments(args, error)) << "accepted: " << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

TEST(GenLogOutput, SameSeedSameBytesAndLimitsGivePrefixes)
{
    genlog::Summary summary;
    const std::string first = generateText(postsOptions(120, 5), &summary);
    EXPECT_EQ(summary.posts, 120u);
    EXPECT_EQ(summary.bytes, first.size());
    EXPECT_EQ(first, generateText(postsOptions(120, 5)));
    EXPECT_NE(first, generateText(postsOptions(120, 6)));

    const std::string longer = generateText(postsOptions(200, 5));
    EXPECT_EQ(longer.compare(0, first.size(), first), 0) << "fewer posts must give a prefix";

    Options bySize;
    bySize.seed = 5;
    bySize.sizeLimit = 100000;
    const std::string sized = generateText(bySize, &summary);
    EXPECT_GE(sized.size(), 100000u);
    EXPECT_LT(sized.size(), 100000u + 200000u) << "stops after the post that reaches the size";
    EXPECT_EQ(longer.compare(0, std::min(sized.size(), longer.size()), sized, 0, std::min(sized.size(), longer.size())), 0);
    EXPECT_EQ(sized.compare(sized.size() - kPrompt.size() - 2, std::string::npos, kPrompt + "\r\n"), 0)
        << "a size-limited log still ends after a whole post";

    EXPECT_EQ(generateText(Options{}, &summary).size(), summary.bytes);
    EXPECT_EQ(summary.posts, 300u) << "no limit means the default number of posts";
}

TEST(GenLogOutput, BytesAreCp932WithCrLfAndTheDocumentFeatures)
{
    const std::string text = generateText(postsOptions(400, 11));
    EXPECT_TRUE(decodesAsCp932(text));
    EXPECT_EQ(text.find('\0'), std::string::npos);
    EXPECT_EQ(text.find('\x1A'), std::string::npos) << "0x1A would end the document early";
    const auto lines = splitLines(text);
    ASSERT_GT(lines.size(), 1000u);

    bool halfWidthKana = false, trail5C = false, tab = false, longLine = false;
    for (const auto& line : lines) {
        tab |= line.find('\t') != std::string::npos;
        longLine |= line.size() > 300;
        for (std::size_t at = 0; at < line.size(); ++at) {
            auto byte = static_cast<unsigned char>(line[at]);
            if (isLeadByte(byte) && at + 1 < line.size()) {
                trail5C |= line[at + 1] == '\x5C';
                ++at;
            } else {
                halfWidthKana |= byte >= 0xA1 && byte <= 0xDF;
            }
        }
    }
    EXPECT_TRUE(halfWidthKana);
    EXPECT_TRUE(trail5C) << "double-byte characters whose second byte is a backslash";
    EXPECT_TRUE(tab);
    EXPECT_TRUE(longLine);
}

// Reads the posts back as a viewer of conference logs would, by fixed columns.
TEST(GenLogOutput, HeadersRepliesAndPromptsFollowTheLogFormat)
{
    genlog::Summary summary;
    const auto lines = splitLines(generateText(postsOptions(500, 3), &summary));
    ASSERT_FALSE(lines.empty());

    std::size_t slash = 0, twoLine = 0, bracket = 0, replies = 0, resolved = 0, newTwoLine = 0;
    std::set<std::string> earlierPosts;
    std::size_t lastHeader = std::string::npos;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const bool slashForm = isSlashHeader(line), twoForm = isTwoLineHeader(line), bracketForm = isBracketHeader(line);
        ASSERT_LE(int(slashForm) + int(twoForm) + int(bracketForm), 1) << "line " << index + 1 << " fits two forms";
        if (!slashForm && !twoForm && !bracketForm) {
            // Any other line that starts with a post number would end a post early.
            EXPECT_FALSE(line.size() >= 11 && numberField(line, 1, 5, 1, 99999)) << "line " << index + 1;
            continue;
        }
        ASSERT_LT(index + 1, lines.size()) << "a header in the last line";
        if (lastHeader != std::string::npos) {
            bool prompted = false;
            for (std::size_t between = lastHeader + 1; between < index; ++between)
                prompted |= lines[between].find(kPrompt) != std::string::npos;
            EXPECT_TRUE(prompted) << "no conference prompt before line " << index + 1;
        }
        lastHeader = index;

        const std::string& next = lines[index + 1];
        if (slashForm) {
            ++slash;
            EXPECT_EQ(line[11], ' ');
            const std::string number = line.substr(0, 5);
            const bool root = next.size() == 21 || (next.size() >= 28 && next.compare(23, 5, "     ") == 0);
            if (!root) {
                ASSERT_GE(next.size(), 28u) << "reference cut short in line " << index + 2;
                const std::string reference = next.substr(23, 5);
                ASSERT_TRUE(numberField(reference, 1, 5, 1, 99999)) << reference;
                EXPECT_LT(reference, number) << "replies answer earlier posts";
                ++replies;
                resolved += earlierPosts.count(reference);
            }
            earlierPosts.insert(number);
        } else if (twoForm) {
            ++twoLine;
            EXPECT_FALSE(next.empty()) << "the title line follows the header";
            newTwoLine += line.size() >= 46 && line[42] == '/' && line[45] == '/';
        } else {
            ++bracket;
        }
    }
    EXPECT_EQ(slash + twoLine + bracket, summary.posts);
    EXPECT_GT(slash, twoLine + bracket);
    EXPECT_GT(twoLine, 0u);
    EXPECT_GT(bracket, 0u);
    EXPECT_GT(newTwoLine, 0u);
    EXPECT_LT(newTwoLine, twoLine) << "some two-line headers should fail the new-post date test";
    EXPECT_GT(replies, slash / 4);
    EXPECT_GT(resolved, replies * 3 / 4) << "most replies should answer a post of the log";
    EXPECT_LT(resolved, replies) << "some replies answer posts from before the capture";
    EXPECT_NE(lines.back().find(kPrompt), std::string::npos);
}

} // namespace
