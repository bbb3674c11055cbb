// The reply tree work files: edge cases, and a comparison with the tree built
// the plain way (scan the path list per post, scan forward per node) on many
// random logs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "ForumTestSupport.h"
#include "PlainReplyTree.h"
#include "forum/ReplyTree.h"
#include "forum/SideFile.h"
#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto {
namespace {

using forumtest::BuildPlainTree;
using forumtest::Doc;
using forumtest::PlainTree;
using forumtest::Lines;
using forumtest::NoRefLine;
using forumtest::RefLine;
using forumtest::Slash;

const std::string kName = "/logs/conf.txt";
const std::string kFirst = "000001 : " + kName;

// The body of the 03 file (its lines after the first).
std::vector<std::string> TreeLines(const Doc& doc) {
  auto lines = SplitStoredLines(BuildReplyTree(doc.View(), kName).file03);
  EXPECT_FALSE(lines.empty());
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

const std::string kBar = "\x84\xA0 ";
const std::string kBranch = "\x84\xA5 ";
const std::string kLast = "\x84\xA4 ";

TEST(ReplyTreeTest, RootWithRepliesAndNestedReply) {
  Doc doc;
  doc.Add(Slash("00001", "a")).Add(NoRefLine()).Add(Slash("00002", "b")).Add(RefLine("00001"));
  doc.Add(Slash("00003", "c")).Add(RefLine("00001")).Add(Slash("00004", "d")).Add(RefLine("00002"));
  const ReplyTreeFiles files = BuildReplyTree(doc.View(), kName);
  EXPECT_EQ(files.nodeCount, 4);
  EXPECT_EQ(files.file01, Lines({kFirst, "000001 : 00001/##### a", "000003 : 00002/00001 b",
                                 "000005 : 00003/00001 c", "000007 : 00004/00002 d"}));
  EXPECT_EQ(files.file02,
            Lines({kFirst, "000001 : 01 \\00001 a", "000003 : 02 \\00001\\00002 b",
                   "000007 : 03 \\00001\\00002\\00004 d", "000005 : 02 \\00001\\00003 c"}));
  EXPECT_EQ(files.file03,
            Lines({kFirst, "000001 : 00001   a", "000003 : " + kBranch + "00002   b",
                   "000007 : " + kBar + kLast + "00004   d", "000005 : " + kLast + "00003   c"}));
}

TEST(ReplyTreeTest, WhichPostsBecomeRoots) {
  const std::string bracket = "  7  [" + std::string(20, 'n') + "00007 bracket";
  Doc doc;
  doc.Add(Slash("00001", "later ref")).Add(RefLine("00002"));    // names a later post
  doc.Add(Slash("00002", "21 bytes")).Add("000010000100001000010");
  doc.Add(bracket).Add("text");
  doc.Add(Slash("00008", "to bracket")).Add(RefLine("00007"));   // only slash headers are nodes
  doc.Add(Slash("00009", "last line"));                          // never examined
  EXPECT_EQ(TreeLines(doc),
            (std::vector<std::string>{"000001 : 00001   later ref", "000003 : 00002   21 bytes",
                                      "000007 : 00008   to bracket"}));
}

TEST(ReplyTreeTest, RepliesInDocumentOrderWithTheirOwnReplies) {
  Doc doc;
  doc.Add(Slash("00001")).Add(NoRefLine()).Add(Slash("00002")).Add(RefLine("00001"));
  doc.Add(Slash("00003")).Add(RefLine("00001")).Add(Slash("00004")).Add(RefLine("00003"));
  doc.Add(Slash("00005")).Add(RefLine("00002")).Add(Slash("00006")).Add(NoRefLine());
  doc.Add("end");
  EXPECT_EQ(TreeLines(doc), (std::vector<std::string>{
                                "000001 : 00001   title",
                                "000003 : " + kBranch + "00002   title",
                                "000009 : " + kBar + kLast + "00005   title",
                                "000005 : " + kLast + "00003   title",
                                "000007 : " + std::string("   ") + kLast + "00004   title",
                                "000011 : 00006   title"}));
}

TEST(ReplyTreeTest, DeepNodesDrawnAsLevelNineteen) {
  Doc doc;
  doc.Add(Slash("00001")).Add(NoRefLine());
  char number[8];
  for (int post = 2; post <= 25; ++post) {
    std::snprintf(number, sizeof number, "%05d", post);
    char parent[8];
    std::snprintf(parent, sizeof parent, "%05d", post - 1);
    doc.Add(Slash(number)).Add(RefLine(parent));
  }
  doc.Add(Slash("00026", "late")).Add(RefLine("00002"));  // a later sibling of post 3
  const auto lines = TreeLines(doc);
  ASSERT_EQ(lines.size(), 26u);
  std::string deep = "   " + kBar;  // column of level 2, then level 3 has a sibling
  for (int level = 4; level <= 18; ++level) deep += "   ";
  deep += kLast;
  EXPECT_EQ(lines[18], "000037 : " + deep + "00019   title");
  EXPECT_EQ(lines[24], "000049 : " + deep + "00025   title");
  EXPECT_EQ(lines[25], "000051 : " + std::string("   ") + kLast + "00026   late");
}

TEST(ReplyTreeTest, ReferencesFromShortAndOddLines) {
  EXPECT_EQ(ReplyReference(NoRefLine()), "#####");
  EXPECT_EQ(ReplyReference(std::string(21, '7')), "#####");      // the 21-byte test comes first
  EXPECT_EQ(ReplyReference(std::string(23, 'x') + "12"), "12   ");  // padded, layout kept
  EXPECT_EQ(ReplyReference("short"), "     ");
  EXPECT_EQ(ReplyReference(std::string(23, 'x') + "    "), "     ");  // 27 bytes: not "#####"

  Doc doc;
  doc.Add(Slash("00012", "t")).Add(std::string(23, 'x') + "12").Add(Slash("00013"));
  doc.Add("short").Add("end");
  EXPECT_EQ(BuildReplyTree(doc.View(), kName).file01,
            Lines({kFirst, "000001 : 00012/12    t", "000003 : 00013/      title"}));
}

TEST(ReplyTreeTest, RepeatedNumberAttachesToTheLaterPost) {
  Doc doc;
  doc.Add(Slash("00001", "first")).Add(NoRefLine()).Add(Slash("00001", "again")).Add(NoRefLine());
  doc.Add(Slash("00002", "reply")).Add(RefLine("00001")).Add("end");
  EXPECT_EQ(TreeLines(doc),
            (std::vector<std::string>{"000001 : 00001   first", "000003 : 00001   again",
                                      "000005 : " + kLast + "00002   reply"}));
}

TEST(ReplyTreeTest, EmptyDocumentLongNumbersAndDeepPaths) {
  const ReplyTreeFiles empty = BuildReplyTree(Doc().View(), kName);
  EXPECT_EQ(empty.file01, Lines({kFirst}));
  EXPECT_EQ(empty.file02, Lines({kFirst}));
  EXPECT_EQ(empty.file03, Lines({kFirst}));

  // Two headers past line 999999, the second replying to the first.
  const std::string root = Slash("00001"), reply = Slash("00002"), ref = RefLine("00001");
  DocumentLines big{1100000, [&](int line) {
                      if (line == 1000000) return std::string_view(root);
                      if (line == 1000002) return std::string_view(reply);
                      if (line == 1000003) return std::string_view(ref);
                      return std::string_view();
                    }};
  const ReplyTreeFiles files = BuildReplyTree(big, kName);
  EXPECT_EQ(files.file02, Lines({kFirst, "1000001 : 01 \\00001 title",
                                 "1000003 : 02 \\00001\\00002 title"}));
  EXPECT_EQ(files.file03, Lines({kFirst, "1000001 : 00001   title",
                                 "1000003 : " + kLast + "00002   title"}));

  // A chain of 120 replies: depths of three digits are written in full.
  Doc chain;
  char number[8], parent[8];
  chain.Add(Slash("00001")).Add(NoRefLine());
  for (int post = 2; post <= 120; ++post) {
    std::snprintf(number, sizeof number, "%05d", post);
    std::snprintf(parent, sizeof parent, "%05d", post - 1);
    chain.Add(Slash(number)).Add(RefLine(parent));
  }
  const auto lines = SplitStoredLines(BuildReplyTree(chain.View(), kName).file02);
  ASSERT_EQ(lines.size(), 121u);
  EXPECT_EQ(lines[120].substr(0, 14), "000239 : 120 \\");
  EXPECT_EQ(lines[120].size(), 13u + 120u * 6u + 6u);
}

TEST(ReplyTreeTest, ProgressCountsUnitsAcrossPhases) {
  Doc doc;
  for (int post = 1; post <= 40; ++post) doc.Add(Slash("00001")).Add(NoRefLine());
  doc.Add("end");
  std::vector<std::pair<int, long long>> calls;
  BuildReplyTree(doc.View(), kName,
                 [&calls](int phase, long long counter) { calls.emplace_back(phase, counter); });
  // Phase 1: 80 lines examined (counter 1..80), shown when it has grown by
  // more than 30 since last shown; phase 2: 40 posts, every second one (its
  // first unit shows again: the phase's own caption does not count as shown);
  // phase 3: 40 nodes, every eleventh.
  std::vector<std::pair<int, long long>> expected{{1, 1}, {1, 32}, {1, 63}, {2, 81}, {2, 81}};
  for (long long counter = 83; counter <= 119; counter += 2) expected.emplace_back(2, counter);
  expected.emplace_back(3, 121);
  for (long long counter = 130; counter <= 160; counter += 11) expected.emplace_back(3, counter);
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(TreeProgressCaption(2, 83), "  ﾂﾘｰﾃﾞｰﾀ 作成中(2)  83");
}

// Random small logs that hit the odd cases: repeated numbers, numbers with
// blanks or signs, references to later posts, references across path
// components, short and 21-byte reference lines, deep chains.
class LogMaker {
 public:
  explicit LogMaker(uint32_t seed) : rng_(seed) {}

  Doc Make() {
    Doc doc;
    const bool chainy = Chance(15);
    const int posts = Pick(0, chainy ? 150 : 60);
    std::vector<std::string> numbers;
    if (Chance(30)) doc.Add(Noise());
    for (int post = 0; post < posts; ++post) {
      std::string number = NewNumber(post, numbers);
      numbers.push_back(number);
      std::string header = number + "/" + Format("%05d", Pick(1, 99999));
      if (!Chance(10)) header += " " + Noise();
      doc.Add(header);
      doc.Add(ReferenceLine(post, numbers, chainy));
      for (int body = Pick(0, 2); body > 0; --body) doc.Add(BodyLine());
    }
    if (Chance(20)) doc.Add(Format("%05d/00001 last line", Pick(1, 5)));
    return doc;
  }

 private:
  bool Chance(int percent) { return Pick(1, 100) <= percent; }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  static std::string Format(const char* format, int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
  }

  std::string NewNumber(int post, const std::vector<std::string>& numbers) {
    const int kind = Pick(1, 100);
    if (kind <= 60) return Format("%05d", post + 1);
    if (kind <= 75 && !numbers.empty()) return numbers[Pick(0, static_cast<int>(numbers.size()) - 1)];
    if (kind <= 85) return Format("%05d", Pick(1, 4));
    if (kind <= 93) return Format("%5d", Pick(1, 30));
    return Format("+%04d", Pick(1, 30));
  }

  std::string ReferenceLine(int post, const std::vector<std::string>& numbers, bool chainy) {
    const std::string pad = "From: someone(ABC01234)";
    const int kind = Pick(1, 100);
    const std::string& previous = numbers.size() >= 2 ? numbers[numbers.size() - 2] : numbers.back();
    if (chainy && kind <= 85) return pad + previous;
    if (kind <= 35) return pad + previous + " 98/01/02";
    if (kind <= 55) return pad + numbers[Pick(0, static_cast<int>(numbers.size()) - 1)] + " x";
    if (kind <= 65) return NoRefLine();
    if (kind <= 70) return std::string(21, static_cast<char>('0' + Pick(0, 9)));
    if (kind <= 75) return pad + Format("%05d", post + 2);  // a later post
    if (kind <= 82) {
      // Across two components: "1\000" matches "...00001\00002".
      const std::string& a = numbers[Pick(0, static_cast<int>(numbers.size()) - 1)];
      const std::string& b = numbers[Pick(0, static_cast<int>(numbers.size()) - 1)];
      const int split = Pick(0, 4);
      return pad + a.substr(5 - split) + "\\" + b.substr(0, 4 - split);
    }
    if (kind <= 88) return std::string(static_cast<size_t>(Pick(0, 27)), static_cast<char>('0' + Pick(0, 2)));
    if (kind <= 94) return pad + Format("%5d", Pick(1, 30));
    return pad + Noise();
  }

  std::string BodyLine() {
    const int kind = Pick(1, 100);
    if (kind <= 10) return Format("%05d", Pick(1, 9)) + " numbered body";
    if (kind <= 15) return "\x93\x64\x8e\x71\x89\xef\x8b\x63";
    return Noise();
  }

  // Bytes a line store can hold: anything but CR and 0x1A; lone LFs and NULs
  // included, double-byte characters and stray lead bytes too.
  std::string Noise() {
    std::string text;
    for (int n = Pick(0, 40); n > 0; --n) {
      const int kind = Pick(1, 100);
      char c;
      if (kind <= 50) c = static_cast<char>(Pick(0x20, 0x7E));
      else if (kind <= 60) c = "0123456789 \\/#"[Pick(0, 13)];
      else if (kind <= 63) c = kind == 61 ? '\n' : '\0';
      else c = static_cast<char>(Pick(0x80, 0xFF));
      text += c;
    }
    return text;
  }

  std::mt19937 rng_;
};

TEST(ReplyTreeDifferentialTest, SameFilesAsThePlainBuildOnRandomLogs) {
  for (uint32_t seed = 1; seed <= 3000; ++seed) {
    const Doc doc = LogMaker(seed).Make();
    const PlainTree plain = BuildPlainTree(doc, kName);
    ASSERT_TRUE(plain.readBack) << "seed " << seed;
    const ReplyTreeFiles fast = BuildReplyTree(doc.View(), kName);
    ASSERT_EQ(fast.file01, plain.file01) << "seed " << seed;
    ASSERT_EQ(fast.file02, plain.file02) << "seed " << seed;
    ASSERT_EQ(fast.file03, plain.file03) << "seed " << seed;
    // The sizes the free-space check relies on, before any file is made.
    TreeProgressCounter progress({});
    const TreeHeaders headers = CollectTreeHeaders(doc.View(), kName, progress);
    const TreeFileSizes sizes = MeasureTreeFiles(headers, LinkReplyTree(headers, progress), kName);
    ASSERT_EQ(sizes.file02, plain.file02.size()) << "seed " << seed;
    ASSERT_EQ(sizes.file03, plain.file03.size()) << "seed " << seed;
  }
}

TEST(ReplyTreeTest, DeepChainPathFileIsHandedOverInPieces) {
  // 800 posts each answering the one before: a 02 file of about 2 MB, which
  // must reach the sink in bounded pieces rather than whole.
  Doc doc;
  char number[8], parent[8];
  std::string lastPath;
  for (int post = 1; post <= 800; ++post) {
    std::snprintf(number, sizeof number, "%05d", post);
    std::snprintf(parent, sizeof parent, "%05d", post - 1);
    doc.Add(Slash(number)).Add(post == 1 ? NoRefLine() : RefLine(parent));
    lastPath += "\\" + std::string(number);
  }
  doc.Add("end");
  TreeProgressCounter progress({});
  const TreeHeaders headers = CollectTreeHeaders(doc.View(), kName, progress);
  const ReplyTree tree = LinkReplyTree(headers, progress);
  std::string joined;
  size_t pieces = 0, largest = 0;
  ASSERT_TRUE(WritePathFile(headers, tree, kName, [&](std::string_view bytes) {
    ++pieces;
    largest = std::max(largest, bytes.size());
    joined += bytes;
    return true;
  }));
  EXPECT_GE(pieces, 2u);
  EXPECT_LT(largest, kPathFilePiece + 6000);
  EXPECT_EQ(joined.size(), MeasureTreeFiles(headers, tree, kName).file02);
  const std::string lastLine = "001599 : 800 " + lastPath + " title\r\n";
  EXPECT_EQ(joined.substr(joined.size() - lastLine.size()), lastLine);
  // A sink that refuses stops the writing.
  pieces = 0;
  EXPECT_FALSE(WritePathFile(headers, tree, kName, [&pieces](std::string_view) { return ++pieces < 1; }));
  EXPECT_EQ(pieces, 1u);
}

TEST(ReplyTreeTest, BuildRefusedWhenTheFilesWouldNotFit) {
  const auto dir = std::filesystem::temp_directory_path() / ("pelto-tree-space-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  Doc doc;
  doc.Add(Slash("00001")).Add(NoRefLine()).Add(Slash("00002")).Add(RefLine("00001")).Add("end");
  const ReplyTreeFiles built = BuildReplyTree(doc.View(), kName);
  const unsigned long long needed = built.file01.size() + built.file02.size() + built.file03.size();
  const std::string paths[3] = {(dir / "pelto01.TXT").string(), (dir / "pelto02.TXT").string(),
                                (dir / "pelto03.TXT").string()};
  std::string error, bytes;
  for (const std::string& path : paths) ASSERT_TRUE(WriteSideFile(path, "old", error));
  std::string askedFolder;
  auto freeBytes = [&askedFolder](unsigned long long bytes) {
    return [&askedFolder, bytes](const std::string& folder) -> std::optional<unsigned long long> {
      askedFolder = folder;
      return bytes;
    };
  };
  EXPECT_FALSE(WriteReplyTree(doc.View(), kName, paths, {}, error, freeBytes(needed - 1)));
  EXPECT_EQ(askedFolder, dir.string());
  EXPECT_NE(error.find(dir.string()), std::string::npos) << error;
  for (const std::string& path : paths) {
    ASSERT_EQ(ReadSideFile(path, bytes, error), SideFileRead::Ok);
    EXPECT_EQ(bytes, "old");
  }
  // Nothing else, no temporary file, was left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 3);
  ASSERT_TRUE(WriteReplyTree(doc.View(), kName, paths, {}, error, freeBytes(needed))) << error;
  ASSERT_EQ(ReadSideFile(paths[1], bytes, error), SideFileRead::Ok);
  EXPECT_EQ(bytes, built.file02);
  std::filesystem::remove_all(dir);
}

TEST(ReplyTreeDifferentialTest, ManyInsertionsInTheMiddle) {
  // Replies keep landing in the middle of the list (before later roots), far
  // more often than the order labels have room for between two nodes.
  Doc doc;
  char number[8], parent[8];
  std::mt19937 rng(7);
  for (int post = 1; post <= 1500; ++post) {
    std::snprintf(number, sizeof number, "%05d", post);
    const int kind = static_cast<int>(rng() % 10);
    if (post <= 3 || kind == 0) {
      doc.Add(Slash(number)).Add(NoRefLine());
      continue;
    }
    const int target = kind <= 4 ? 1 + static_cast<int>(rng() % 3) : post - 1 - static_cast<int>(rng() % 3);
    std::snprintf(parent, sizeof parent, "%05d", target);
    doc.Add(Slash(number)).Add(RefLine(parent));
  }
  const PlainTree plain = BuildPlainTree(doc, kName);
  ASSERT_TRUE(plain.readBack);
  const ReplyTreeFiles fast = BuildReplyTree(doc.View(), kName);
  EXPECT_EQ(fast.file02, plain.file02);
  EXPECT_EQ(fast.file03, plain.file03);
}

}  // namespace
}  // namespace pelto
