#include "forum/ThreadCut.h"

#include "forum/ReplyTree.h"
#include "forum/SideFile.h"
#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto {

const std::string_view kConferencePrompt =
    "\x93\x64\x8e\x71\x89\xef\x8b\x63\x20\x28\x31\x3a\x94\xad\x8c\xbe\x81\x40\x89\xfc\x8d\x73"
    "\x82\xcc\x82\xdd\x3a\x20\x93\xc7\x82\xde\x29\x20\x92\xca\x8f\xed\x83\x82\x81\x5b\x83\x68";

const char* const kTreeOtherDocumentWarning =
    "   ツリーファイルが現在のファイルと異なります。          ";

TreeList ParseTreeList(std::string_view bytes, std::string_view currentFileName) {
  TreeList list;
  list.items = SplitStoredLines(bytes);
  const bool same = !list.items.empty() && list.items.front().size() >= 9 &&
                    std::string_view(list.items.front()).substr(9) ==
                        NameToSideFileBytes(currentFileName);
  list.status = same ? TreeListStatus::Ok : TreeListStatus::OtherDocument;
  return list;
}

TreeList LoadTreeList(const std::string& path, std::string_view currentFileName) {
  std::string bytes;
  TreeList list;
  switch (ReadSideFile(path, bytes, list.error)) {
    case SideFileRead::Ok:
      return ParseTreeList(bytes, currentFileName);
    case SideFileRead::Missing:
      list.status = TreeListStatus::Missing;
      return list;
    case SideFileRead::Unreadable:
      list.status = TreeListStatus::Unreadable;
      return list;
  }
  return list;
}

namespace {

// The payload of a numbered line (from character 10 when the number has six
// digits); empty when the line is not one.
std::string PayloadOf(std::string_view item, long long* number = nullptr) {
  long long line1 = 0;
  std::string payload;
  if (!ReadNumberedLine(item, line1, payload)) return {};
  if (number) *number = line1;
  return payload;
}

}  // namespace

bool IsRootLine(std::string_view item) {
  const std::string payload = PayloadOf(item);
  const std::string_view start = std::string_view(payload).substr(0, 2);
  if (start == "  " || start == kTreeBar.substr(0, 2) || start == kTreeBranch.substr(0, 2) ||
      start == kTreeLast.substr(0, 2))
    return false;
  return NumberField(payload, 1, 5, 1, 99999).has_value();
}

ThreadRange ThreadRangeOf(const std::vector<std::string>& items, int index) {
  ThreadRange range{0, static_cast<int>(items.size()) - 1};
  for (int item = 0; item < static_cast<int>(items.size()); ++item) {
    if (!IsRootLine(items[item])) continue;
    if (item <= index) {
      range.first = item;
    } else {
      range.last = item - 1;
      break;
    }
  }
  return range;
}

PostSpan PostSpanOf(const DocumentLines& doc, long long headerLine) {
  // A header line outside the document (a tree file from an older version of
  // it) gives an empty span rather than lines that are not there.
  if (headerLine < 1 || headerLine > doc.count) return {0, 0};
  const int begin = static_cast<int>(headerLine - 1);
  // The last line never ends a post, as the last line is never a header.
  for (int line = begin + 1; line + 1 < doc.count; ++line) {
    const std::string_view text = doc.get(line);
    if (DbcsPos(kConferencePrompt, text) > 0 ||
        (text.size() >= 11 && NumberField(text, 1, 5, 1, 99999)))
      return {begin, line};
  }
  const long long end = headerLine + 300;
  return {begin, static_cast<int>(end < doc.count ? end : doc.count)};
}

std::optional<std::string> TitleCut(const std::vector<std::string>& items, int index,
                                    const DocumentLines& doc, std::string_view currentFileName) {
  if (index < 0 || index >= static_cast<int>(items.size())) return std::nullopt;
  const ThreadRange range = ThreadRangeOf(items, index);
  std::string file04;
  AppendNumberedLine(file04, 1, NameToSideFileBytes(currentFileName));
  for (int item = range.first; item <= range.last; ++item) {
    // An item that names no line (not written by the tree build) adds nothing.
    const auto headerLine = EntryLineNumber(items[item]);
    if (!headerLine) continue;
    const PostSpan span = PostSpanOf(doc, *headerLine);
    for (int line = span.begin; line < span.end; ++line) {
      file04 += doc.get(line);
      file04 += kCrLf;
    }
  }
  return file04;
}

}  // namespace pelto
