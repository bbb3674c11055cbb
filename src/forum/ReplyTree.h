// The reply tree of a forum log: the header file (01), the path file (02) and
// the tree file (03), built in close to linear time.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "forum/PostHeader.h"

namespace pelto {

// Progress of a build: called when a phase starts and whenever the title
// would be rewritten (the counter has grown by more than the phase's step:
// 30 in phase 1, 1 in phase 2, 10 in phase 3).  counter is the running unit
// count, starting at 1 and never reset between phases.  The window may
// throttle further; the counts are what it shows.
using TreeProgressFn = std::function<void(int phase, long long counter)>;

// "  ﾂﾘｰﾃﾞｰﾀ 作成中(phase)  " followed by the counter (platform text).
std::string TreeProgressCaption(int phase, long long counter);

// Shared by the three phases of one build.
class TreeProgressCounter {
 public:
  explicit TreeProgressCounter(TreeProgressFn fn) : fn_(std::move(fn)) {}
  void StartPhase(int phase, long long step);
  void BeforeUnit() {
    if (counter_ - shown_ > step_) Show();
  }
  void AfterUnit() { ++counter_; }
  // Reports the current count again, so a long step within a phase (writing
  // a large file) still gives the window its turn.
  void Tick() {
    if (fn_) fn_(phase_, counter_);
  }
  long long Counter() const { return counter_; }

 private:
  void Show();
  TreeProgressFn fn_;
  int phase_ = 0;
  long long step_ = 0;
  long long counter_ = 1;
  long long shown_ = 1;
};

// One slash header as the 01 file carries it.  The pieces live in the 01
// file's bytes: post number (5 bytes), reference (5 bytes, "#####" for no
// reply), the header text from column 13.
struct TreeHeader {
  long long line1 = 0;     // 1-based line number of the header
  size_t payload = 0;      // offset of "PPPPP/RRRRR text" in file01
  size_t payloadSize = 0;
};

struct TreeHeaders {
  std::string file01;
  std::vector<TreeHeader> headers;

  std::string_view Payload(size_t index) const {
    return std::string_view(file01).substr(headers[index].payload, headers[index].payloadSize);
  }
  std::string_view Post(size_t index) const { return Payload(index).substr(0, 5); }
  std::string_view Reference(size_t index) const { return Payload(index).substr(6, 5); }
  std::string_view Text(size_t index) const {
    const std::string_view p = Payload(index);
    return p.size() > 12 ? p.substr(12) : std::string_view();
  }
};

// The reference carried for the line after a slash header: "#####" when it
// says "no reply", else its columns 24-28 as far as it reaches, padded with
// blanks to five bytes (so the 01 line keeps its layout).
std::string ReplyReference(std::string_view nextLine);

// Phase 1: every slash header (never the last line) into the 01 file.
TreeHeaders CollectTreeHeaders(const DocumentLines& doc, std::string_view documentName,
                               TreeProgressCounter& progress);

// A node of the tree; nodes are listed in tree order.
struct TreeNode {
  int header = 0;  // index into TreeHeaders::headers
  int parent = -1; // index into TreeHeaders::headers of the parent, -1 for a root
  int depth = 1;   // 1 for a root
};

struct ReplyTree {
  std::vector<TreeNode> nodes;  // tree order
};

// Phase 2: links every post to its parent.
ReplyTree LinkReplyTree(const TreeHeaders& headers, TreeProgressCounter& progress);

// The 02 file carries every node's whole path, so it grows with the sum of
// the depths: a log of long reply chains makes it many times the log's size.
// It is never held whole; its bytes go to a sink in pieces of about
// kPathFilePiece bytes.  A sink returns false to stop the writing.
using ByteSink = std::function<bool(std::string_view bytes)>;
inline constexpr size_t kPathFilePiece = size_t{1} << 20;
bool WritePathFile(const TreeHeaders& headers, const ReplyTree& tree,
                   std::string_view documentName, const ByteSink& sink);

// Sizes in bytes of the 02 and 03 files, known before either is made.
struct TreeFileSizes {
  unsigned long long file02 = 0, file03 = 0;
};
TreeFileSizes MeasureTreeFiles(const TreeHeaders& headers, const ReplyTree& tree,
                               std::string_view documentName);

// Phase 3: the drawn outline, the 03 file.
std::string DrawReplyTree(const TreeHeaders& headers, const ReplyTree& tree,
                          std::string_view documentName, TreeProgressCounter& progress);

struct ReplyTreeFiles {
  std::string file01, file02, file03;
  long long nodeCount = 0;
};

// All three phases in memory (the 02 file too: meant for small logs).
ReplyTreeFiles BuildReplyTree(const DocumentLines& doc, std::string_view documentName,
                              const TreeProgressFn& progress = {});

// Bytes free in a folder, or nothing when unknown (FreeSpace by default).
using FreeSpaceFn = std::function<std::optional<unsigned long long>(const std::string& folder)>;

// All three phases, the files written safely (see SideFileWriter).  paths are
// the 01, 02 and 03 files.  Before anything is written the free space of the
// 02 file's folder is checked: when the three files would not fit, nothing is
// written and error says how much is needed.  False with error set when a
// file cannot be written; the files written before remain.
bool WriteReplyTree(const DocumentLines& doc, std::string_view documentName,
                    const std::string (&paths)[3], const TreeProgressFn& progress,
                    std::string& error, const FreeSpaceFn& freeSpace = {});

// Completion notice (platform text).
extern const char* const kTreeDoneNotice;

// Drawing pieces of the outline, CP932 bytes, three bytes each.
inline constexpr std::string_view kTreeBar = "\x84\xA0 ";     // "│ "
inline constexpr std::string_view kTreeBranch = "\x84\xA5 ";  // "├ "
inline constexpr std::string_view kTreeLast = "\x84\xA4 ";    // "└ "
inline constexpr std::string_view kTreeBlank = "   ";

}  // namespace pelto
