#include "cli/ForumCommands.h"

#include <cstdio>
#include <exception>

#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/ThreadCut.h"
#include "view/BvStrings.h"

namespace pelto {

namespace {

bool Load(TBvStrings& store, const std::string& file) {
  try {
    store.LoadFromFile(file);
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelto-cli: cannot read %s: %s\n", file.c_str(), e.what());
    return false;
  }
}

int Fail(const char* message) {
  std::fprintf(stderr, "pelto-cli: %s\n", message);
  return 2;
}

int Print(const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
      std::fflush(stdout) != 0)
    return Fail("cannot write to standard output");
  return 0;
}

}  // namespace

int CliTitles(bool newOnly, const std::string& file) {
  TBvStrings store;
  if (!Load(store, file)) return 2;
  return Print(ExtractTitles(DocumentLines::Of(store), file, newOnly).bytes);
}

int CliTree(int level, const std::string& file) {
  if (level < 1 || level > 3) return Fail("--level must be 1, 2 or 3");
  TBvStrings store;
  if (!Load(store, file)) return 2;
  TreeProgressCounter progress({});
  const TreeHeaders headers = CollectTreeHeaders(DocumentLines::Of(store), file, progress);
  if (level == 1) return Print(headers.file01);
  const ReplyTree tree = LinkReplyTree(headers, progress);
  if (level == 3) return Print(DrawReplyTree(headers, tree, file, progress));
  // The 02 file of a deep log is far larger than memory: print it in pieces.
  bool printed = true;
  WritePathFile(headers, tree, file, [&printed](std::string_view bytes) {
    printed = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return printed;
  });
  return printed ? Print({}) : Fail("cannot write to standard output");
}

int CliThread(int index, const std::string& file) {
  TBvStrings store;
  if (!Load(store, file)) return 2;
  const DocumentLines doc = DocumentLines::Of(store);
  TreeProgressCounter progress({});
  const TreeHeaders headers = CollectTreeHeaders(doc, file, progress);
  const TreeList list =
      ParseTreeList(DrawReplyTree(headers, LinkReplyTree(headers, progress), file, progress), file);
  const auto file04 = TitleCut(list.items, index, doc, file);
  if (!file04) return Fail("--index is not an item of the tree list");
  return Print(*file04);
}

}  // namespace pelto
