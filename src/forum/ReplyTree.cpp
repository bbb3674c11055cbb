#include "forum/ReplyTree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "forum/SideFile.h"
#include "text/Cp932.h"

namespace pelto {

const char* const kTreeDoneNotice = "    ツリーの取得が完了しました。   ";

std::string TreeProgressCaption(int phase, long long counter) {
  return "  ﾂﾘｰﾃﾞｰﾀ 作成中(" + std::to_string(phase) + ")  " + std::to_string(counter);
}

void TreeProgressCounter::StartPhase(int phase, long long step) {
  phase_ = phase;
  step_ = step;
  if (fn_) fn_(phase_, counter_);
}

void TreeProgressCounter::Show() {
  shown_ = counter_;
  if (fn_) fn_(phase_, counter_);
}

namespace {

// Post numbers are columns 1-5 of a slash header, so they hold only blanks,
// signs and digits: 13 symbols, so five of them pack into an int.
constexpr int kKeySymbols = 13;

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

// Post-number keys to dense slots: open addressing sized to the number of
// posts, so a small log does not pay for a table of every possible number.
class KeySlots {
 public:
  explicit KeySlots(size_t expected) {
    while ((size_t{1} << bits_) < expected * 2) ++bits_;
    keys_.assign(size_t{1} << bits_, -1);
  }
  size_t Size() const { return keys_.size(); }

  // The slot of key, taken for it when it has none yet.
  size_t Insert(int key) {
    size_t slot = Home(key);
    while (keys_[slot] != key && keys_[slot] != -1) slot = (slot + 1) & (keys_.size() - 1);
    keys_[slot] = key;
    return slot;
  }
  // The slot of key, or -1 when no post has that number.
  long Find(int key) const {
    for (size_t slot = Home(key);; slot = (slot + 1) & (keys_.size() - 1)) {
      if (keys_[slot] == key) return static_cast<long>(slot);
      if (keys_[slot] == -1) return -1;
    }
  }

 private:
  size_t Home(int key) const {
    return static_cast<size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
  }
  int bits_ = 4;
  std::vector<int> keys_;
};

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

}  // namespace

std::string ReplyReference(std::string_view nextLine) {
  if (IsNoReplyLine(nextLine)) return "#####";
  std::string reference(nextLine.size() > 23 ? nextLine.substr(23, 5) : std::string_view());
  reference.resize(5, ' ');
  return reference;
}

TreeHeaders CollectTreeHeaders(const DocumentLines& doc, std::string_view documentName,
                               TreeProgressCounter& progress) {
  TreeHeaders result;
  AppendNumberedLine(result.file01, 1, NameToSideFileBytes(documentName));
  progress.StartPhase(1, 30);
  for (int line = 0; line + 1 < doc.count; ++line) {
    progress.BeforeUnit();
    const std::string_view text = doc.get(line);
    if (IsSlashHeader(text)) {
      std::string& out = result.file01;
      TreeHeader header;
      header.line1 = line + 1LL;
      AppendLineNumber(out, header.line1);
      header.payload = out.size();
      out += text.substr(0, 5);
      out += '/';
      out += ReplyReference(doc.get(line + 1));
      out += ' ';
      if (text.size() > 12) out += text.substr(12);
      header.payloadSize = out.size() - header.payload;
      out += kCrLf;
      result.headers.push_back(header);
    }
    progress.AfterUnit();
  }
  return result;
}

ReplyTree LinkReplyTree(const TreeHeaders& headers, TreeProgressCounter& progress) {
  const int count = static_cast<int>(headers.headers.size());
  std::vector<int> parent(count, -1), depth(count, 1);
  std::vector<size_t> postSlot(count, 0);
  KeySlots slots(static_cast<size_t>(count));
  // Per post number: the latest node (in tree order) whose path holds it, and
  // the latest node whose path holds it only as its last component.  These
  // are the insertion point and the parent of a reply naming that number.
  std::vector<int> lastHolding(slots.Size(), -1), lastEnding(slots.Size(), -1);
  OrderList order(static_cast<size_t>(count));

  auto later = [&order](int current, int node) {
    return current < 0 || order.Later(node, current) ? node : current;
  };

  // When every post number is written once (the usual log), a path holds a
  // number exactly when its node lies in that post's subtree, subtrees are
  // runs of the tree order, and the insertion point is the last node of the
  // parent's subtree.  It is found by walking on in tree order from where the
  // last search for that parent ended while the nodes are deeper than the
  // parent: no walk over every ancestor, which on a long reply chain costs
  // the square of its length.
  bool unique = true;
  {
    KeySlots seen(static_cast<size_t>(count));
    std::vector<char> taken(seen.Size(), 0);
    for (int node = 0; node < count && unique; ++node) {
      const int key = KeyOf(headers.Post(node));
      const size_t slot = key >= 0 ? seen.Insert(key) : 0;
      unique = key >= 0 && !taken[slot];
      if (unique) taken[slot] = 1;
    }
  }
  std::vector<int> subtreeEnd(unique ? count : 0);

  progress.StartPhase(2, 1);
  for (int node = 0; node < count; ++node) {
    progress.BeforeUnit();
    const size_t slot = slots.Insert(KeyOf(headers.Post(node)));
    postSlot[node] = slot;
    const std::string_view reference = headers.Reference(node);
    const int referenceKey = reference == "#####" ? -1 : KeyOf(reference);
    const long referenceSlot = referenceKey >= 0 ? slots.Find(referenceKey) : -1;
    const int found = referenceSlot >= 0 ? lastEnding[referenceSlot] : -1;
    if (unique) {
      if (found < 0) {
        order.Append(node);
      } else {
        parent[node] = found;
        depth[node] = depth[found] + 1;
        int end = subtreeEnd[found];
        for (int next = order.Next(end); next >= 0 && depth[next] > depth[found]; next = order.Next(next))
          end = next;
        order.InsertAfter(end, node);
        subtreeEnd[found] = node;
      }
      subtreeEnd[node] = node;
      lastEnding[slot] = node;
    } else if (found < 0) {
      order.Append(node);
      lastHolding[slot] = node;
      lastEnding[slot] = node;
    } else {
      parent[node] = found;
      depth[node] = depth[found] + 1;
      order.InsertAfter(lastHolding[referenceSlot], node);
      bool repeated = false;  // the post's number already in its parent's path
      lastHolding[slot] = later(lastHolding[slot], node);
      for (int ancestor = found; ancestor >= 0; ancestor = parent[ancestor]) {
        const size_t ancestorSlot = postSlot[ancestor];
        if (ancestorSlot == slot) repeated = true;
        lastHolding[ancestorSlot] = later(lastHolding[ancestorSlot], node);
      }
      if (!repeated) lastEnding[slot] = later(lastEnding[slot], node);
    }
    progress.AfterUnit();
  }

  ReplyTree tree;
  tree.nodes.reserve(static_cast<size_t>(count));
  for (int node = order.Head(); node >= 0; node = order.Next(node))
    tree.nodes.push_back({node, parent[node], depth[node]});
  return tree;
}

namespace {

size_t LineNumberWidth(long long line1) {
  std::string scratch;
  AppendLineNumber(scratch, line1);
  return scratch.size();
}

std::string FirstLine(std::string_view documentName) {
  std::string first;
  AppendNumberedLine(first, 1, NameToSideFileBytes(documentName));
  return first;
}

void AppendDepth(std::string& out, int depth) {
  if (depth < 10) out += '0';
  out += std::to_string(depth);
}

constexpr int kMaxDrawnDepth = 19;

}  // namespace

bool WritePathFile(const TreeHeaders& headers, const ReplyTree& tree,
                   std::string_view documentName, const ByteSink& sink) {
  std::vector<int> parentOf(headers.headers.size(), -1);
  for (const TreeNode& node : tree.nodes) parentOf[static_cast<size_t>(node.header)] = node.parent;

  std::string out = FirstLine(documentName);
  out.reserve(kPathFilePiece + 4096);
  // The path of the node last written and its nodes, root first.  In tree
  // order a node most often follows its parent or a node of its parent's
  // path, so its own path is that one cut back plus its number; otherwise
  // it is rebuilt from the parent links.
  std::string path;
  std::vector<int> onPath;
  for (const TreeNode& node : tree.nodes) {
    const size_t parentDepth = static_cast<size_t>(node.depth - 1);
    if (node.parent < 0) {
      onPath.clear();
    } else if (onPath.size() < parentDepth || onPath[parentDepth - 1] != node.parent) {
      onPath.clear();
      for (int at = node.parent; at >= 0; at = parentOf[static_cast<size_t>(at)]) onPath.push_back(at);
      std::reverse(onPath.begin(), onPath.end());
      path.clear();
      for (int at : onPath) {
        path += '\\';
        path += headers.Post(static_cast<size_t>(at));
      }
    }
    onPath.resize(parentDepth);
    path.resize(parentDepth * 6);
    onPath.push_back(node.header);
    path += '\\';
    path += headers.Post(static_cast<size_t>(node.header));

    AppendLineNumber(out, headers.headers[static_cast<size_t>(node.header)].line1);
    AppendDepth(out, node.depth);
    out += ' ';
    out += path;
    out += ' ';
    out += headers.Text(static_cast<size_t>(node.header));
    out += kCrLf;
    if (out.size() >= kPathFilePiece) {
      if (!sink(out)) return false;
      out.clear();
    }
  }
  return out.empty() || sink(out);
}

TreeFileSizes MeasureTreeFiles(const TreeHeaders& headers, const ReplyTree& tree,
                               std::string_view documentName) {
  const unsigned long long first = FirstLine(documentName).size();
  TreeFileSizes sizes{first, first};
  std::string depthDigits;
  for (const TreeNode& node : tree.nodes) {
    const auto header = static_cast<size_t>(node.header);
    const unsigned long long common =
        LineNumberWidth(headers.headers[header].line1) + headers.Text(header).size() + kCrLf.size();
    depthDigits.clear();
    AppendDepth(depthDigits, node.depth);
    sizes.file02 += common + depthDigits.size() + 1 + 6ULL * static_cast<unsigned>(node.depth) + 1;
    const int drawn = node.depth < kMaxDrawnDepth ? node.depth : kMaxDrawnDepth;
    sizes.file03 += common + 3ULL * static_cast<unsigned>(drawn - 1) + 5 + 3;
  }
  return sizes;
}

std::string DrawReplyTree(const TreeHeaders& headers, const ReplyTree& tree,
                          std::string_view documentName, TreeProgressCounter& progress) {
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
  file03.reserve(headers.file01.size() + 16u * static_cast<size_t>(count));
  AppendNumberedLine(file03, 1, NameToSideFileBytes(documentName));
  progress.StartPhase(3, 10);
  for (int c = 0; c < count; ++c) {
    progress.BeforeUnit();
    const TreeNode& node = tree.nodes[c];
    const int drawn = node.depth < kMaxDrawnDepth ? node.depth : kMaxDrawnDepth;
    const uint32_t bits = found[c];
    AppendLineNumber(file03, headers.headers[node.header].line1);
    for (int k = 2; k < drawn; ++k) file03 += (bits >> k & 1) ? kTreeBar : kTreeBlank;
    if (drawn >= 2) file03 += (bits >> drawn & 1) ? kTreeBranch : kTreeLast;
    file03 += headers.Post(node.header);
    file03 += "   ";
    file03 += headers.Text(node.header);
    file03 += kCrLf;
    progress.AfterUnit();
  }
  return file03;
}

ReplyTreeFiles BuildReplyTree(const DocumentLines& doc, std::string_view documentName,
                              const TreeProgressFn& progressFn) {
  TreeProgressCounter progress(progressFn);
  TreeHeaders headers = CollectTreeHeaders(doc, documentName, progress);
  const ReplyTree tree = LinkReplyTree(headers, progress);
  ReplyTreeFiles files;
  WritePathFile(headers, tree, documentName, [&files](std::string_view bytes) {
    files.file02 += bytes;
    return true;
  });
  files.file03 = DrawReplyTree(headers, tree, documentName, progress);
  files.nodeCount = static_cast<long long>(tree.nodes.size());
  files.file01 = std::move(headers.file01);
  return files;
}

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Megabytes(unsigned long long bytes) {
  return std::to_string((bytes + (1ULL << 20) - 1) >> 20) + " MB";
}

}  // namespace

bool WriteReplyTree(const DocumentLines& doc, std::string_view documentName,
                    const std::string (&paths)[3], const TreeProgressFn& progressFn,
                    std::string& error, const FreeSpaceFn& freeSpace) {
  TreeProgressCounter progress(progressFn);
  const TreeHeaders headers = CollectTreeHeaders(doc, documentName, progress);
  const ReplyTree tree = LinkReplyTree(headers, progress);

  // Refuse before touching any file, so the last tree stays usable.
  const TreeFileSizes sizes = MeasureTreeFiles(headers, tree, documentName);
  const unsigned long long needed = headers.file01.size() + sizes.file02 + sizes.file03;
  const std::string folder = FolderOf(paths[1]);
  const std::optional<unsigned long long> available = freeSpace ? freeSpace(folder) : FreeSpace(folder);
  if (available && needed > *available) {
    error = "   ツリーデータを書き込む空き容量がありません。" + folder + " に " + Megabytes(needed) +
            " 必要ですが、空きは " + Megabytes(*available) + " です。以前のツリーファイルはそのまま残しました。          ";
    return false;
  }

  if (!WriteSideFile(paths[0], headers.file01, error)) return false;
  SideFileWriter file02(paths[1]);
  if (!file02.Open(error)) return false;
  unsigned long long sinceTick = 0;
  const bool written = WritePathFile(headers, tree, documentName, [&](std::string_view bytes) {
    if (!file02.Write(bytes, error)) return false;
    sinceTick += bytes.size();
    if (sinceTick >= 32 * kPathFilePiece) {
      sinceTick = 0;
      progress.Tick();
    }
    return true;
  });
  if (!written || !file02.Commit(error)) return false;
  const std::string file03 = DrawReplyTree(headers, tree, documentName, progress);
  return WriteSideFile(paths[2], file03, error);
}

}  // namespace pelto
