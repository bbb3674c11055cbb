#include "forum/ReplyTree.h"

#include <cmath>
#include <cstdint>

#include "forum/SideFile.h"
#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto {

const char* const kTreeDoneNotice = "    ツリーの取得が完了しました。   ";

std::string TreeProgressCaption(int phase, long long counter) {
  return "  ﾂﾘｰﾃﾞｰﾀ 作成中(" + std::to_string(phase) + ")  " + std::to_string(counter);
}

void TreeProgress::StartPhase(int phase, long long step) {
  phase_ = phase;
  step_ = step;
  if (fn_) fn_(phase_, counter_);
}

void TreeProgress::Show() {
  shown_ = counter_;
  if (fn_) fn_(phase_, counter_);
}

namespace {

void AppendLine(std::string& out, long long line1Based, std::string_view payload) {
  out += MakeNumberedLine(line1Based, payload);
  out += kCrLf;
}

// Post numbers are columns 1-5 of a slash header, so they hold only blanks,
// signs and digits: 13 symbols, 13^5 keys, small enough for plain arrays.
constexpr int kKeySymbols = 13;
constexpr int kKeyCount = kKeySymbols * kKeySymbols * kKeySymbols * kKeySymbols * kKeySymbols;

int SymbolOf(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c == ' ') return 10;
  if (c == '+') return 11;
  if (c == '-') return 12;
  return -1;
}

// -1 for five bytes that cannot be a post number: such a reference never
// names a node (a path holds only post numbers and backslashes, and a
// reference with a backslash in it never ends a path).
int KeyOf(std::string_view five) {
  int key = 0;
  for (char c : five) {
    const int symbol = SymbolOf(c);
    if (symbol < 0) return -1;
    key = key * kKeySymbols + symbol;
  }
  return key;
}

// The tree order: a linked list with order labels (list labelling with
// density thresholds), so "which of two nodes comes later" costs O(1) and an
// insertion amortised O(log n).
class OrderList {
 public:
  explicit OrderList(size_t capacity) {
    label_.resize(capacity);
    next_.assign(capacity, -1);
    prev_.assign(capacity, -1);
  }

  bool Later(int a, int b) const { return label_[a] > label_[b]; }

  void Append(int node) {
    if (tail_ < 0) {
      head_ = tail_ = node;
      label_[node] = kUniverse / 2 >> 20;
      return;
    }
    InsertAfter(tail_, node);
  }

  void InsertAfter(int after, int node) {
    const uint64_t lo = label_[after];
    const int following = next_[after];
    const uint64_t hi = following >= 0 ? label_[following] : kUniverse;
    Link(after, node);
    if (hi - lo >= 2) {
      uint64_t gap = (hi - lo) / 2;
      if (following < 0 && gap > kAppendStep) gap = kAppendStep;
      label_[node] = lo + gap;
      return;
    }
    Relabel(node);
  }

  int Head() const { return head_; }
  int Next(int node) const { return next_[node]; }

 private:
  static constexpr int kBits = 62;
  static constexpr uint64_t kUniverse = uint64_t{1} << kBits;
  static constexpr uint64_t kAppendStep = uint64_t{1} << 32;

  void Link(int after, int node) {
    const int following = next_[after];
    prev_[node] = after;
    next_[node] = following;
    next_[after] = node;
    if (following >= 0) prev_[following] = node; else tail_ = node;
  }

  // node is linked but unlabelled; its neighbours are consecutive labels.
  // Find the smallest aligned label block around them that is sparse
  // enough and spread its nodes evenly over it.
  void Relabel(int node) {
    const uint64_t anchor = label_[prev_[node]];
    int left = prev_[node];
    int right = node;
    uint64_t count = 2;  // the predecessor and the new node
    for (int level = 1; level <= kBits; ++level) {
      const uint64_t size = uint64_t{1} << level;
      const uint64_t blockLo = level == kBits ? 0 : anchor & ~(size - 1);
      const uint64_t blockHi = blockLo + (size - 1);
      while (prev_[left] >= 0 && label_[prev_[left]] >= blockLo) {
        left = prev_[left];
        ++count;
      }
      while (next_[right] >= 0 && label_[next_[right]] <= blockHi) {
        right = next_[right];
        ++count;
      }
      if (static_cast<double>(count) <= std::pow(kDensityBase, level) || level == kBits) {
        const uint64_t step = size / count;
        uint64_t label = blockLo;
        for (int at = left;; at = next_[at]) {
          label_[at] = label;
          label += step;
          if (at == right) break;
        }
        return;
      }
    }
  }

  static constexpr double kDensityBase = 1.43;  // 2 / T with T = 1.4

  std::vector<uint64_t> label_;
  std::vector<int> next_, prev_;
  int head_ = -1;
  int tail_ = -1;
};

std::string DepthDigits(int depth) {
  return depth < 10 ? "0" + std::to_string(depth) : std::to_string(depth);
}

}  // namespace

std::string ReplyReference(std::string_view nextLine) {
  if (IsNoReplyLine(nextLine)) return "#####";
  std::string reference(nextLine.size() > 23 ? nextLine.substr(23, 5) : std::string_view());
  reference.resize(5, ' ');
  return reference;
}

TreeHeaders CollectTreeHeaders(const DocumentLines& doc, std::string_view documentName,
                               TreeProgress& progress) {
  TreeHeaders result;
  AppendLine(result.file01, 1, NameToSideFileBytes(documentName));
  progress.StartPhase(1, 30);
  std::string payload;
  for (int line = 0; line + 1 < doc.count; ++line) {
    progress.BeforeUnit();
    const std::string_view text = doc.get(line);
    if (IsSlashHeader(text)) {
      payload.assign(text.substr(0, 5));
      payload += '/';
      payload += ReplyReference(doc.get(line + 1));
      payload += ' ';
      if (text.size() > 12) payload += text.substr(12);
      const std::string record = MakeNumberedLine(line + 1LL, payload);
      TreeHeader header;
      header.line1 = line + 1LL;
      header.payload = result.file01.size() + (record.size() - payload.size());
      header.payloadSize = payload.size();
      result.file01 += record;
      result.file01 += kCrLf;
      result.headers.push_back(header);
    }
    progress.AfterUnit();
  }
  return result;
}

ReplyTree LinkReplyTree(const TreeHeaders& headers, std::string_view documentName,
                        TreeProgress& progress) {
  const int count = static_cast<int>(headers.headers.size());
  std::vector<int> parent(count, -1), depth(count, 1), postKey(count, 0);
  // Per post number: the latest node (in tree order) whose path holds it, and
  // the latest node whose path holds it only as its last component.  These
  // are the insertion point and the parent of a reply naming that number.
  std::vector<int> lastHolding(kKeyCount, -1), lastEnding(kKeyCount, -1);
  OrderList order(static_cast<size_t>(count));

  auto later = [&order](int current, int node) {
    return current < 0 || order.Later(node, current) ? node : current;
  };

  progress.StartPhase(2, 1);
  for (int node = 0; node < count; ++node) {
    progress.BeforeUnit();
    const int key = KeyOf(headers.Post(node));
    postKey[node] = key;
    const std::string_view reference = headers.Reference(node);
    const int referenceKey = reference == "#####" ? -1 : KeyOf(reference);
    const int found = referenceKey >= 0 ? lastEnding[referenceKey] : -1;
    if (found < 0) {
      order.Append(node);
      lastHolding[key] = node;
      lastEnding[key] = node;
    } else {
      parent[node] = found;
      depth[node] = depth[found] + 1;
      order.InsertAfter(lastHolding[referenceKey], node);
      bool repeated = false;  // the post's number already in its parent's path
      lastHolding[key] = later(lastHolding[key], node);
      for (int ancestor = found; ancestor >= 0; ancestor = parent[ancestor]) {
        const int ancestorKey = postKey[ancestor];
        if (ancestorKey == key) repeated = true;
        lastHolding[ancestorKey] = later(lastHolding[ancestorKey], node);
      }
      if (!repeated) lastEnding[key] = later(lastEnding[key], node);
    }
    progress.AfterUnit();
  }

  ReplyTree tree;
  tree.nodes.reserve(static_cast<size_t>(count));
  AppendLine(tree.file02, 1, NameToSideFileBytes(documentName));
  std::vector<int> chain;
  std::string payload;
  for (int node = order.Head(); node >= 0; node = order.Next(node)) {
    tree.nodes.push_back({node, parent[node], depth[node]});
    chain.clear();
    for (int at = node; at >= 0; at = parent[at]) chain.push_back(at);
    payload = DepthDigits(depth[node]);
    payload += ' ';
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      payload += '\\';
      payload += headers.Post(*it);
    }
    payload += ' ';
    payload += headers.Text(node);
    AppendLine(tree.file02, headers.headers[node].line1, payload);
  }
  return tree;
}

std::string DrawReplyTree(const TreeHeaders& headers, const ReplyTree& tree,
                          std::string_view documentName, TreeProgress& progress) {
  constexpr int kMaxDrawnDepth = 19;
  const int count = static_cast<int>(tree.nodes.size());
  // One pass from the end: nextAt[k] is the first later node of depth k, so
  // each bound of a node is found without scanning.  Bit k of found[c] tells
  // whether the node's ancestor at depth k has a later sibling.
  std::vector<uint32_t> found(static_cast<size_t>(count), 0);
  int nextAt[kMaxDrawnDepth + 1];
  for (int& at : nextAt) at = count;
  for (int c = count - 1; c >= 0; --c) {
    const int depth = tree.nodes[c].depth;
    const int drawn = depth < kMaxDrawnDepth ? depth : kMaxDrawnDepth;
    int bound = count;
    uint32_t bits = 0;
    for (int k = 1; k <= drawn; ++k) {
      if (nextAt[k] < bound) {
        bits |= uint32_t{1} << k;
        bound = nextAt[k];
      }
    }
    found[c] = bits;
    if (depth <= kMaxDrawnDepth) nextAt[depth] = c;
  }

  std::string file03;
  AppendLine(file03, 1, NameToSideFileBytes(documentName));
  progress.StartPhase(3, 10);
  std::string payload;
  for (int c = 0; c < count; ++c) {
    progress.BeforeUnit();
    const TreeNode& node = tree.nodes[c];
    const int drawn = node.depth < kMaxDrawnDepth ? node.depth : kMaxDrawnDepth;
    const uint32_t bits = found[c];
    payload.clear();
    for (int k = 2; k < drawn; ++k) payload += (bits >> k & 1) ? kTreeBar : kTreeBlank;
    if (drawn >= 2) payload += (bits >> drawn & 1) ? kTreeBranch : kTreeLast;
    payload += headers.Post(node.header);
    payload += "   ";
    payload += headers.Text(node.header);
    AppendLine(file03, headers.headers[node.header].line1, payload);
    progress.AfterUnit();
  }
  return file03;
}

ReplyTreeFiles BuildReplyTree(const DocumentLines& doc, std::string_view documentName,
                              const TreeProgressFn& progressFn) {
  TreeProgress progress(progressFn);
  TreeHeaders headers = CollectTreeHeaders(doc, documentName, progress);
  ReplyTree tree = LinkReplyTree(headers, documentName, progress);
  ReplyTreeFiles files;
  files.file03 = DrawReplyTree(headers, tree, documentName, progress);
  files.nodeCount = static_cast<long long>(tree.nodes.size());
  files.file02 = std::move(tree.file02);
  files.file01 = std::move(headers.file01);
  return files;
}

bool WriteReplyTree(const DocumentLines& doc, std::string_view documentName,
                    const std::string (&paths)[3], const TreeProgressFn& progressFn,
                    std::string& error) {
  TreeProgress progress(progressFn);
  const TreeHeaders headers = CollectTreeHeaders(doc, documentName, progress);
  if (!WriteSideFile(paths[0], headers.file01, error)) return false;
  const ReplyTree tree = LinkReplyTree(headers, documentName, progress);
  if (!WriteSideFile(paths[1], tree.file02, error)) return false;
  const std::string file03 = DrawReplyTree(headers, tree, documentName, progress);
  return WriteSideFile(paths[2], file03, error);
}

}  // namespace pelto
