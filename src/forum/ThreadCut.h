// The tree list read from the tree file (03) and the thread cut into the
// thread text file (04).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forum/PostHeader.h"

namespace pelto {

enum class TreeListStatus {
  Ok,
  Missing,        // no tree file
  Unreadable,     // it exists but cannot be read
  OtherDocument,  // it was built from another document, or has no line at all
};

struct TreeList {
  TreeListStatus status = TreeListStatus::Missing;
  std::vector<std::string> items;  // every line, the first one included
  std::string error;               // description for Unreadable
};

// The lines of a tree file, checked against the open document's name
// (platform text): the first line from character 10 on must be the name as
// a side file carries it.
TreeList ParseTreeList(std::string_view bytes, std::string_view currentFileName);
TreeList LoadTreeList(const std::string& path, std::string_view currentFileName);

// A root line begins a thread: characters 10-11 are neither two blanks nor a
// tree piece, and characters 10-14 are a post number 1..99999.
bool IsRootLine(std::string_view item);

// The thread that holds list item `index`: from the last root line at or
// before it up to the line before the next root line (or the list's end).
struct ThreadRange {
  int first = 0;
  int last = -1;
};
ThreadRange ThreadRangeOf(const std::vector<std::string>& items, int index);

// The conference prompt that ends a post (CP932 bytes).
extern const std::string_view kConferencePrompt;

// The document lines (0-based, half-open) of the post whose header is the
// 1-based line headerLine: up to the next line holding the prompt or starting
// with a post number in columns 1-5, else 300 lines or the document's end.
struct PostSpan {
  int begin = 0;
  int end = 0;
};
PostSpan PostSpanOf(const DocumentLines& doc, long long headerLine);

// The 04 file for list item `index`: "000001 : " and the document's name,
// then the posts of the whole thread in list order.  nullopt when the list is
// empty or index is not one of its items.
std::optional<std::string> TitleCut(const std::vector<std::string>& items, int index,
                                    const DocumentLines& doc, std::string_view currentFileName);

// Warning when the tree file was built from another document (platform text).
extern const char* const kTreeOtherDocumentWarning;

}  // namespace pelto
