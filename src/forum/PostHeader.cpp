#include "forum/PostHeader.h"

#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto {

const char* const kAllTitlesDoneNotice = "    全発言タイトルの取得が完了しました。   ";
const char* const kNewTitlesDoneNotice = "    新規発言タイトルの取得が完了しました。   ";

std::optional<long> NumberField(std::string_view line, int firstColumn, int lastColumn,
                                long lo, long hi) {
  if (firstColumn < 1 || lastColumn < firstColumn) return std::nullopt;
  const size_t start = static_cast<size_t>(firstColumn - 1);
  if (start >= line.size()) return std::nullopt;
  const std::string_view run = line.substr(start, static_cast<size_t>(lastColumn - firstColumn + 1));

  size_t pos = 0;
  while (pos < run.size() && run[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < run.size() && (run[pos] == '+' || run[pos] == '-')) {
    negative = run[pos] == '-';
    ++pos;
  }
  if (pos == run.size()) return std::nullopt;
  long value = 0;
  for (; pos < run.size(); ++pos) {
    const char c = run[pos];
    if (c < '0' || c > '9') return std::nullopt;
    // Runs are a few columns wide; the cap only keeps absurd callers safe.
    if (value < 1000000000L) value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < lo || value > hi) return std::nullopt;
  return value;
}

bool IsSlashHeader(std::string_view line) {
  return line.size() >= 11 && NumberField(line, 1, 5, 1, 99999) && line[5] == '/' &&
         NumberField(line, 7, 11, 1, 99999);
}

bool IsTwoLineHeader(std::string_view line) {
  if (line.size() < 11) return false;
  const bool number = line[0] == ' ' ? NumberField(line, 2, 2, 1, 99).has_value()
                                     : NumberField(line, 1, 2, 1, 99).has_value();
  return number && (line[3] == ' ' || line[3] == '#') && NumberField(line, 26, 30, 1, 99999);
}

bool IsBracketHeader(std::string_view line) {
  return line.size() >= 11 && NumberField(line, 1, 3, 1, 999) && line.substr(3, 3) == "  [" &&
         NumberField(line, 27, 31, 1, 99999);
}

bool IsNoReplyLine(std::string_view nextLine) {
  return (nextLine.size() >= 28 && nextLine.substr(23, 5) == "     ") || nextLine.size() == 21;
}

void AppendLineNumber(std::string& out, long long line1Based) {
  if (line1Based < 0) {
    out += MakeNumberedLine(line1Based, "");
    return;
  }
  char digits[24];
  char* end = digits + sizeof digits;
  char* at = end;
  auto value = static_cast<unsigned long long>(line1Based);
  do {
    *--at = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (end - at < 6) *--at = '0';
  out.append(at, static_cast<size_t>(end - at));
  out += " : ";
}

void AppendNumberedLine(std::string& out, long long line1Based, std::string_view text) {
  AppendLineNumber(out, line1Based);
  out += text;
  out += kCrLf;
}

std::optional<long long> EntryLineNumber(std::string_view entry) {
  long long line1 = 0;
  std::string payload;
  if (ReadNumberedLine(entry, line1, payload)) return line1;
  if (auto number = NumberField(entry, 1, 6, 0, 999999)) return *number;
  return std::nullopt;
}

namespace {

bool IsNewTwoLineHeader(std::string_view line) {
  return line.size() >= 46 && line[42] == '/' && line[45] == '/';
}

}  // namespace

TitleFile ExtractTitles(const DocumentLines& doc, std::string_view documentName, bool newOnly) {
  TitleFile result;
  AppendNumberedLine(result.bytes, 1, NameToSideFileBytes(documentName));
  // The last line is never examined: every header form may need the line after it.
  for (int line = 0; line + 1 < doc.count; ++line) {
    const std::string_view text = doc.get(line);
    if (text.size() < 11) continue;
    if (IsSlashHeader(text) && (!newOnly || IsNoReplyLine(doc.get(line + 1)))) {
      AppendNumberedLine(result.bytes, line + 1LL, text);
      ++result.entryCount;
    }
    if (IsTwoLineHeader(text) && (!newOnly || IsNewTwoLineHeader(text))) {
      AppendNumberedLine(result.bytes, line + 1LL, text);
      AppendNumberedLine(result.bytes, line + 2LL, doc.get(line + 1));
      result.entryCount += 2;
    }
    if (IsBracketHeader(text)) {
      AppendNumberedLine(result.bytes, line + 1LL, text);
      ++result.entryCount;
    }
  }
  return result;
}

}  // namespace pelto
