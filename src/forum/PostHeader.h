// Post headers of forum-conference logs, recognised by fixed byte columns,
// and the title file built from them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pelto {

// The document as the view holds it: its logical lines by 0-based index.
// The window passes the view's GetLine; the command-line tool a line store.
struct DocumentLines {
  int count = 0;
  std::function<std::string_view(int)> get;

  template <class Store>
  static DocumentLines Of(const Store& store) {
    return {static_cast<int>(store.Count()),
            [&store](int line) { return std::string_view(store.Get(line)); }};
  }
};

// Columns firstColumn..lastColumn (1-based, as far as the line reaches) as a
// decimal integer in lo..hi: leading blanks, an optional sign, then digits up
// to the end of the run.  nullopt for an empty run, a trailing blank or any
// other byte, or a value outside the range.
std::optional<long> NumberField(std::string_view line, int firstColumn, int lastColumn,
                                long lo, long hi);

// Header forms; each tests a line of at least 11 bytes and nothing else.
bool IsSlashHeader(std::string_view line);
bool IsTwoLineHeader(std::string_view line);
bool IsBracketHeader(std::string_view line);

// The line after a slash header says the post replies to nothing: five blanks
// in columns 24-28 (all present), or the line is exactly 21 bytes long.
bool IsNoReplyLine(std::string_view nextLine);

// The title file: "000001 : " and the document's name, then one entry per
// header line found, every line ended by CR LF.
struct TitleFile {
  std::string bytes;
  long long entryCount = 0;  // entries after the first line
};

// documentName is platform text (UTF-8); the first line carries it as a side
// file does (see NameToSideFileBytes).  newOnly keeps only new posts: slash
// headers without a reply reference and two-line headers with "/" in columns
// 43 and 46; bracket headers are kept either way.
TitleFile ExtractTitles(const DocumentLines& doc, std::string_view documentName, bool newOnly);

// The 1-based document line an entry of the title file or the tree file
// names: the digits before its " : ", else characters 1-6 as a number field.
// nullopt when neither gives a number of 0 or more.
std::optional<long long> EntryLineNumber(std::string_view entry);

// Completion notices of the two extraction commands (platform text).
extern const char* const kAllTitlesDoneNotice;
extern const char* const kNewTitlesDoneNotice;

// Appends "000123 : " (the number part of MakeNumberedLine) to out without
// a temporary string: side files are written a line at a time, millions of
// lines for a large log.
void AppendLineNumber(std::string& out, long long line1Based);

// Appends a whole side-file line: the number part, text, CR LF.
void AppendNumberedLine(std::string& out, long long line1Based, std::string_view text);

// Bytes of one side-file line ending.
inline constexpr std::string_view kCrLf = "\r\n";

}  // namespace pelto
