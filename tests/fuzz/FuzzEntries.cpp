#include "FuzzEntries.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <utility>

#include "../core/ForumTestSupport.h"
#include "../core/PlainReplyTree.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/SideFile.h"
#include "forum/ThreadCut.h"
#include "settings/IniFile.h"
#include "text/Cp932.h"
#include "text/NumberField.h"
#include "text/NumberedLine.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace pelto::fuzz {

namespace {

// The message is built only when the check fails: some checks run for every
// row of a long layout.
#define PELTO_CHECK(condition, ...)                               \
  do {                                                            \
    if (!(condition)) throw FuzzFailure(std::string(__VA_ARGS__)); \
  } while (0)

// Reads the fuzzer's bytes front to back; past the end every number is 0.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Left() const { return size_; }
  uint8_t U8() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
  uint32_t U32() { return U16() | (static_cast<uint32_t>(U16()) << 16); }
  std::string Take(size_t n) {
    n = std::min(n, size_);
    std::string out(reinterpret_cast<const char*>(data_), n);
    data_ += n;
    size_ -= n;
    return out;
  }
  std::string Rest() { return Take(size_); }

 private:
  const uint8_t* data_;
  size_t size_;
};

bool LeadRange(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Kind of every byte (0 single, 1 lead, 2 trail), walking from byte 1.
std::vector<int> Kinds(std::string_view text) {
  std::vector<int> kinds(text.size(), 0);
  for (size_t pos = 0; pos < text.size();) {
    if (LeadRange(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) {
      kinds[pos] = 1;
      kinds[pos + 1] = 2;
      pos += 2;
    } else {
      ++pos;
    }
  }
  return kinds;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (char16_t unit : text) {
    const uint32_t c = unit;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// A folder of our own for the files the checks write.
const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/pelto-fuzz.XXXXXX";
    if (!mkdtemp(pattern.data())) throw FuzzFailure("cannot make a scratch folder");
    return pattern;
  }();
  return folder;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  PELTO_CHECK(static_cast<bool>(out), "cannot write " + path);
}

// Keeps a global switch for one input and puts it back afterwards.
template <typename T>
class Restore {
 public:
  Restore(T (*get)(), void (*set)(T), T value) : set_(set), old_(get()) { set(value); }
  ~Restore() { set_(old_); }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  void (*set_)(T);
  T old_;
};

// ---------------------------------------------------------------- text rules

void CheckDbcsPos(const std::string& pattern, const std::string& text) {
  const int at = DbcsPos(pattern, text);
  PELTO_CHECK(at >= 0 && at <= static_cast<int>(text.size()), "DbcsPos outside the text");
  if (pattern.empty() || text.empty()) PELTO_CHECK(at == 0, "DbcsPos matched an empty string");
  if (at > 0) {
    PELTO_CHECK(ByteKind(text, at) != 2, "DbcsPos matched on a trail byte");
    PELTO_CHECK(text[static_cast<size_t>(at) - 1] == pattern[0], "DbcsPos matched a different first byte");
  }
  const bool singleBytes = std::none_of(pattern.begin(), pattern.end(),
                                        [](char c) { return LeadRange(static_cast<unsigned char>(c)); }) &&
                           std::none_of(text.begin(), text.end(),
                                        [](char c) { return LeadRange(static_cast<unsigned char>(c)); });
  if (singleBytes && !pattern.empty()) {
    const size_t found = text.find(pattern);
    PELTO_CHECK(at == (found == std::string::npos ? 0 : static_cast<int>(found) + 1),
          "DbcsPos differs from a byte search on single-byte text");
  }
  if (!pattern.empty()) {
    // The pattern itself, after a few single-byte characters, is always found.
    std::string prefix;
    for (size_t i = 0; i < std::min<size_t>(text.size(), 5); ++i) prefix += static_cast<char>(text[i] & 0x7F);
    const int got = DbcsPos(pattern, prefix + pattern + text);
    PELTO_CHECK(got >= 1 && got <= static_cast<int>(prefix.size()) + 1, "DbcsPos missed the pattern");
  }
}

void CheckUpperAscii(const std::string& text) {
  const std::string bounded = text.substr(0, 2048);
  const std::vector<int> kinds = Kinds(bounded);
  for (size_t k = 0; k < std::min<size_t>(bounded.size(), 300); ++k)
    PELTO_CHECK(ByteKind(bounded, static_cast<int>(k) + 1) == kinds[k], "ByteKind differs from a walk from byte 1");
  PELTO_CHECK(ByteKind(bounded, 0) == 0 && ByteKind(bounded, static_cast<int>(bounded.size()) + 1) == 0,
        "ByteKind outside the text");
  std::string upper = bounded;
  UpperAscii(upper);
  PELTO_CHECK(upper.size() == bounded.size(), "UpperAscii changed the length");
  for (size_t k = 0; k < bounded.size(); ++k) {
    const char c = bounded[k];
    const char want = kinds[k] == 0 && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    PELTO_CHECK(upper[k] == want, "UpperAscii changed the wrong byte at " + std::to_string(k));
  }
  std::string again = upper;
  UpperAscii(again);
  PELTO_CHECK(again == upper, "UpperAscii is not idempotent");
}

void CheckNumberedLines(Bytes& in, const std::string& payload, const std::string& text) {
  const long long number = static_cast<long long>((uint64_t(in.U32()) << 31) ^ in.U32()) >> (in.U8() % 63);
  const std::string record = MakeNumberedLine(number, payload);
  PELTO_CHECK(record.size() >= 9 + payload.size(), "numbered line too short");
  long long back = -1;
  std::string backPayload;
  PELTO_CHECK(ReadNumberedLine(record, back, backPayload), "numbered line does not read back");
  PELTO_CHECK(back == number && backPayload == payload, "numbered line reads back differently");
  PELTO_CHECK(EntryLineNumber(record) == number, "entry number differs from the record's");
  if (number < 1000000) PELTO_CHECK(record.compare(6, 3, " : ") == 0, "number not six digits");

  long long any = -7;
  std::string anyPayload = "untouched";
  if (ReadNumberedLine(text, any, anyPayload)) {
    const size_t sep = text.find(" : ");
    PELTO_CHECK(sep != std::string::npos && sep > 0 && anyPayload == text.substr(sep + 3), "payload of a read record");
    PELTO_CHECK(any >= 0 && std::to_string(any).size() <= sep, "number of a read record");
  } else {
    PELTO_CHECK(any == -7 && anyPayload == "untouched", "a refused record changed its outputs");
  }
}

void CheckConversions(const std::string& text) {
  std::vector<uint8_t> unitBytes;
  const std::u16string wide = Cp932ToUtf16(text, &unitBytes);
  PELTO_CHECK(wide.size() == unitBytes.size(), "one byte count per unit");
  size_t total = 0;
  bool replaced = false;
  for (size_t i = 0; i < wide.size(); ++i) {
    PELTO_CHECK(unitBytes[i] == 1 || unitBytes[i] == 2, "unit from 1 or 2 bytes");
    PELTO_CHECK(wide[i] < 0xD800 || wide[i] > 0xDFFF, "surrogate from CP932");
    if (wide[i] == 0xFFFD) {
      replaced = true;
      PELTO_CHECK(unitBytes[i] == 1, "a replacement stands for one byte");
    }
    total += unitBytes[i];
  }
  PELTO_CHECK(total == text.size(), "units cover every byte");
  const std::string utf8 = Cp932ToUtf8(text);
  PELTO_CHECK(utf8 == Utf16ToUtf8(wide), "UTF-8 and UTF-16 conversions differ");
  if (!replaced) {
    const std::optional<std::string> back = Utf8ToCp932(utf8);
    PELTO_CHECK(back.has_value(), "decoded text does not encode again");
    PELTO_CHECK(Cp932ToUtf8(*back) == utf8, "encoded text decodes differently");
  }
  const std::optional<std::string> encoded = Utf8ToCp932(text);
  if (encoded) PELTO_CHECK(Cp932ToUtf8(*encoded) == text, "encoding changed the characters");
  std::string named = encoded ? *encoded : text;
  std::replace(named.begin(), named.end(), '\r', '?');
  std::replace(named.begin(), named.end(), '\x1A', '?');
  PELTO_CHECK(NameToSideFileBytes(text) == named, "side-file name bytes");
}

// ---------------------------------------------------------------- store and layout

class FakeMeasurer final : public TextMeasurer {
 public:
  FakeMeasurer(int kind, uint32_t seed, int32_t charWidth, int32_t tabStop, int32_t client)
      : kind_(kind), seed_(seed), charWidth_(charWidth), tabStop_(tabStop), client_(client) {}
  int32_t Advance(uint16_t ch) override {
    switch (kind_) {
      case 0:  // fixed pitch
        return ch > 0xFF ? 2 * charWidth_ : charWidth_;
      case 1: {  // proportional, some characters without width
        uint32_t h = (ch ^ seed_) * 2654435761u;
        return static_cast<int32_t>((h >> 16) % static_cast<uint32_t>(2 * charWidth_ + 2));
      }
      case 2:  // fixed pitch but one wide character
        return ch == (seed_ & 0xFFFF) ? 7 * charWidth_ : (ch > 0xFF ? 2 * charWidth_ : charWidth_);
      default:
        return 0;
    }
  }
  int32_t TabWidth() const override { return charWidth_ * tabStop_; }
  int32_t CharWidth() const override { return charWidth_; }
  int32_t ClientWidth() const override { return client_; }

 private:
  int kind_;
  uint32_t seed_;
  int32_t charWidth_, tabStop_, client_;
};

int64_t PlainTabbedWidth(std::string_view text, TextMeasurer& m) {
  int64_t x = 0;
  const int64_t tab = m.TabWidth();
  for (size_t pos = 0; pos < text.size();) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (LeadRange(b) && pos + 1 < text.size()) {
      x += m.Advance(static_cast<uint16_t>((b << 8) | static_cast<unsigned char>(text[pos + 1])));
      pos += 2;
    } else {
      x = b == '\t' ? (tab > 0 ? (x / tab + 1) * tab : x) : x + m.Advance(b);
      ++pos;
    }
  }
  return x;
}

// The window-width fit as the rules describe it, widths measured afresh.
int64_t PlainWindowWidth(std::string_view line, TextMeasurer& m) {
  const int64_t length = static_cast<int64_t>(line.size());
  int64_t W = m.ClientWidth();
  const int64_t cw = m.CharWidth();
  int64_t E = PlainTabbedWidth(line, m);
  if (E <= W) return length;
  W = std::max(W, PlainTabbedWidth("x", m));
  int64_t h = W / std::max<int64_t>(1, E / length);
  std::map<int64_t, int64_t> widths;
  bool grown = false, shrunk = false;
  for (;;) {
    if (W - 2 * cw < E && E < W) break;
    if (E <= W - 2 * cw)
      ++h;
    else if (E > W)
      --h;
    h = std::clamp<int64_t>(h, 1, length);
    const int64_t previous = E;
    auto known = widths.find(h);
    E = known != widths.end() ? known->second : (widths[h] = PlainTabbedWidth(line.substr(0, h), m));
    (E > previous ? grown : shrunk) = true;
    if (E == previous || (grown && shrunk)) break;
  }
  return h;
}

struct LayoutMode {
  bool wordWrap = true;
  int32_t wrapByte = 80;
  TextMeasurer* measurer = nullptr;
};

void PlainRowsOfLine(int32_t line, std::string_view text, const LayoutMode& mode, std::vector<RowEntry>& rows) {
  const int64_t length = static_cast<int64_t>(text.size());
  if (length == 0) {
    rows.push_back({line, 0, 0, 0, 1});
    return;
  }
  const bool byWindow = mode.wordWrap && mode.wrapByte == 0 && mode.measurer;
  const bool byBytes = mode.wordWrap && !byWindow && mode.wrapByte > 0;
  if (!byWindow && !byBytes) {
    rows.push_back({line, 1, static_cast<int32_t>(length), 0, 1});
    return;
  }
  const int64_t width = byWindow ? PlainWindowWidth(text, *mode.measurer) : mode.wrapByte;
  const std::vector<int> kinds = Kinds(text);
  int32_t index = 0;
  for (int64_t p = 1; p <= length; ++index) {
    int64_t n = width;
    if (p + n <= length && kinds[static_cast<size_t>(p + n - 1)] == 2) {
      --n;
      if (n < 1) n = 2;
    }
    rows.push_back({line, static_cast<int32_t>(p), static_cast<int32_t>(n), index, 0});
    p += n;
  }
  rows.back().Last = 1;
}

std::string Describe(const RowEntry& e) {
  return "(" + std::to_string(e.Line) + "," + std::to_string(e.Start) + "," + std::to_string(e.Length) + "," +
         std::to_string(e.Index) + "," + std::to_string(e.Last) + ")";
}

// The whole table against the rows made the plain way; modeOf gives the mode
// each line was laid out in.
template <typename ModeOf>
void CheckTable(const RowTable& table, const TBvStrings& store, ModeOf modeOf, const std::string& what) {
  std::vector<RowEntry> rows;
  std::vector<int32_t> firstRow;
  for (int32_t line = 0; line < store.Count(); ++line) {
    firstRow.push_back(static_cast<int32_t>(rows.size()));
    PlainRowsOfLine(line, store.Get(line), modeOf(line), rows);
  }
  PELTO_CHECK(table.RowCount() == static_cast<int32_t>(rows.size()),
        what + ": " + std::to_string(table.RowCount()) + " rows, expected " + std::to_string(rows.size()));
  for (int32_t row = 0; row < table.RowCount(); ++row) {
    const RowEntry got = table.Row(row);
    const RowEntry& want = rows[static_cast<size_t>(row)];
    PELTO_CHECK(got.Line == want.Line && got.Start == want.Start && got.Length == want.Length &&
              got.Index == want.Index && got.Last == want.Last,
          what + ": row " + std::to_string(row) + " is " + Describe(got) + ", expected " + Describe(want));
    PELTO_CHECK(table.LineOfRow(row) == want.Line, what + ": LineOfRow");
    const std::string_view text = store.Get(want.Line);
    const std::string_view expected =
        want.Start <= 0 ? std::string_view() : text.substr(static_cast<size_t>(want.Start - 1), static_cast<size_t>(want.Length));
    PELTO_CHECK(table.RowText(store, row) == expected, what + ": RowText of row " + std::to_string(row));
    const TPoint back = table.RowToLinePos({1, row});
    PELTO_CHECK(back.X == want.Start && back.Y == want.Line, what + ": RowToLinePos");
  }
  for (int32_t line = 0; line < store.Count(); ++line) {
    PELTO_CHECK(table.RowOfLine(line) == firstRow[static_cast<size_t>(line)], what + ": RowOfLine");
    const int32_t length = store.Length(line);
    for (int32_t column : {0, 1, length / 2 + 1, length, length + 1, length + 300}) {
      // The last row of the line that starts at or before the column.
      int32_t row = firstRow[static_cast<size_t>(line)];
      while (row + 1 < static_cast<int32_t>(rows.size()) && rows[static_cast<size_t>(row) + 1].Line == line &&
             rows[static_cast<size_t>(row) + 1].Start <= column)
        ++row;
      const int32_t rowColumn = column - rows[static_cast<size_t>(row)].Start + 1;
      const TPoint want = rowColumn <= 0 ? TPoint{0, 0} : TPoint{rowColumn, row};
      const TPoint got = table.LineToRowPos({column, line});
      PELTO_CHECK(got.X == want.X && got.Y == want.Y, what + ": LineToRowPos of column " + std::to_string(column) +
                                                   " line " + std::to_string(line));
    }
  }
  PELTO_CHECK(table.RowOfLine(store.Count()) == table.RowCount(), what + ": RowOfLine past the end");
  PELTO_CHECK(table.LineOfRow(-1) == -1 && table.LineOfRow(table.RowCount()) == -1, what + ": LineOfRow outside");
  const TPoint outside = table.LineToRowPos({5, store.Count()});
  PELTO_CHECK(outside.X == 1 && outside.Y == table.RowCount(), what + ": LineToRowPos past the end");
  bool threw = false;
  try {
    table.Row(table.RowCount());
  } catch (const EListError&) {
    threw = true;
  }
  PELTO_CHECK(threw, what + ": Row past the end did not raise");
}

std::vector<std::string> FileRuleLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\x1A'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\r', start);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    if (end < bytes.size() && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return lines;
}

std::vector<std::string> StreamRuleLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size() && bytes[pos] != '\0') {
    size_t end = bytes.find_first_of(std::string_view("\r\n\0", 3), pos);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
  }
  return lines;
}

void CheckStore(const TBvStrings& store, const std::vector<std::string>& lines, const std::string& what) {
  PELTO_CHECK(store.Count() == static_cast<int32_t>(lines.size()),
        what + ": " + std::to_string(store.Count()) + " lines, expected " + std::to_string(lines.size()));
  PELTO_CHECK(store.Capacity() >= store.Count(), what + ": capacity below the count");
  for (int32_t line = 0; line < store.Count(); ++line)
    PELTO_CHECK(store.Get(line) == lines[static_cast<size_t>(line)], what + ": line " + std::to_string(line));
}

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void CheckFind(const TBvStrings& store, const std::string& pattern, int32_t startLine, int32_t startColumn) {
  int32_t line = startLine, column = startColumn;
  const bool found = store.Find(pattern, line, column);
  int32_t wantLine = std::max(startLine, 0), wantColumn = -1;
  if (pattern.empty()) {
    PELTO_CHECK(!found, "Find of an empty pattern");
    return;
  }
  for (int32_t from = std::max(startColumn, 1); wantLine < store.Count(); ++wantLine, from = 1) {
    const std::string_view text = store.Get(wantLine);
    for (int64_t col = from; col + static_cast<int64_t>(pattern.size()) - 1 <= static_cast<int64_t>(text.size()); ++col) {
      bool match = true;
      for (size_t k = 0; k < pattern.size() && match; ++k)
        match = Fold(text[static_cast<size_t>(col - 1) + k]) == Fold(pattern[k]);
      if (match) {
        wantColumn = static_cast<int32_t>(col);
        break;
      }
    }
    if (wantColumn > 0) break;
  }
  if (wantColumn < 0) wantLine = store.Count();  // also when it started past the end
  PELTO_CHECK(found == (wantColumn > 0), "Find found " + std::to_string(found));
  PELTO_CHECK(line == wantLine, "Find's line");
  if (found) PELTO_CHECK(column == wantColumn, "Find's column");
}

// Edits both the store and a plain copy; returns the first line they touched.
int32_t Edit(Bytes& in, TBvStrings& store, std::vector<std::string>& model) {
  const int32_t count = static_cast<int32_t>(model.size());
  const int kind = in.U8() % 6;
  const int32_t index = static_cast<int32_t>(in.U8() % (count + 3)) - 1;
  const int32_t other = static_cast<int32_t>(in.U8() % (count + 3)) - 1;
  const std::string text = in.Take(in.U8() % 24);
  const bool inside = index >= 0 && index < count;
  bool threw = false;
  int32_t touched = count;
  try {
    switch (kind) {
      case 0:
        store.Put(index, text);
        model.at(static_cast<size_t>(index)) = text;
        touched = index;
        break;
      case 1:
        store.Insert(index, text);
        PELTO_CHECK(index >= 0 && index <= count, "Insert outside the store did not raise");
        model.insert(model.begin() + index, text);
        touched = index;
        break;
      case 2:
        store.Delete(index);
        PELTO_CHECK(inside, "Delete outside the store did not raise");
        model.erase(model.begin() + index);
        touched = index;
        break;
      case 3:
        store.Exchange(index, other);
        PELTO_CHECK(other >= 0 && other < count, "Exchange outside the store did not raise");
        std::swap(model.at(static_cast<size_t>(index)), model.at(static_cast<size_t>(other)));
        touched = std::min(index, other);
        break;
      case 4:
        PELTO_CHECK(store.Add(text) == count, "Add returned another index");
        model.push_back(text);
        break;
      default:
        store.SetCount(index);
        PELTO_CHECK(index >= 0, "SetCount below 0 did not raise");
        model.resize(static_cast<size_t>(index));
        touched = std::min(index, count);
        break;
    }
  } catch (const EListError&) {
    threw = true;
  } catch (const std::out_of_range&) {
    throw FuzzFailure("an edit outside the store was accepted");
  }
  if (threw) {
    const bool allowed = (kind == 0 || kind == 2) ? !inside
                         : kind == 1             ? (index < 0 || index > count)
                         : kind == 3             ? (!inside || other < 0 || other >= count)
                         : kind == 5             ? index < 0
                                                 : false;
    PELTO_CHECK(allowed, "edit " + std::to_string(kind) + " at " + std::to_string(index) + " raised");
    return count;
  }
  return touched;
}

// ---------------------------------------------------------------- titles

// A number field as the rules describe it.
std::optional<long> PlainNumberField(std::string_view line, int first, int last, long lo, long hi) {
  if (static_cast<int>(line.size()) < first) return std::nullopt;
  std::string_view run = line.substr(static_cast<size_t>(first - 1),
                                     static_cast<size_t>(std::min<int>(last, static_cast<int>(line.size())) - first + 1));
  while (!run.empty() && run.front() == ' ') run.remove_prefix(1);
  bool negative = false;
  if (!run.empty() && (run.front() == '+' || run.front() == '-')) {
    negative = run.front() == '-';
    run.remove_prefix(1);
  }
  if (run.empty()) return std::nullopt;
  long value = 0;
  for (char c : run) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < lo || value > hi) return std::nullopt;
  return value;
}

bool PlainSlash(std::string_view s) {
  return PlainNumberField(s, 1, 5, 1, 99999) && s[5] == '/' && PlainNumberField(s, 7, 11, 1, 99999);
}
bool PlainTwoLine(std::string_view s) {
  const bool number = s[0] == ' ' ? PlainNumberField(s, 2, 2, 1, 99).has_value() : PlainNumberField(s, 1, 2, 1, 99).has_value();
  return number && (s[3] == ' ' || s[3] == '#') && PlainNumberField(s, 26, 30, 1, 99999);
}
bool PlainBracket(std::string_view s) {
  return PlainNumberField(s, 1, 3, 1, 999) && s.substr(3, 3) == "  [" && PlainNumberField(s, 27, 31, 1, 99999);
}

std::string PlainTitles(const std::vector<std::string>& lines, const std::string& name, bool newOnly, long long& entries) {
  std::string out = MakeNumberedLine(1, NameToSideFileBytes(name)) + "\r\n";
  entries = 0;
  auto add = [&](size_t i, const std::string& text) {
    out += MakeNumberedLine(static_cast<long long>(i) + 1, text) + "\r\n";
    ++entries;
  };
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& s = lines[i];
    const std::string& next = lines[i + 1];
    if (s.size() < 11) continue;
    if (PlainSlash(s) && (!newOnly || (next.size() >= 28 && next.substr(23, 5) == "     ") || next.size() == 21)) add(i, s);
    if (PlainTwoLine(s) && (!newOnly || (s.size() >= 46 && s[42] == '/' && s[45] == '/'))) {
      add(i, s);
      add(i + 1, next);
    }
    if (PlainBracket(s)) add(i, s);
  }
  return out;
}

const char* const kNames[] = {"/logs/conf.txt", "/ログ/会議 1.log", "/tmp/caf\xC3\xA9.txt", "rel name"};

forumtest::Doc DocOf(std::string_view bytes) {
  forumtest::Doc doc;
  doc.lines = SplitStoredLines(bytes);
  return doc;
}

}  // namespace

// ---------------------------------------------------------------- entries

void TextRules(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const std::string pattern = in.Take(in.U8() % 12);
  Bytes numbers(data, std::min<size_t>(size, 16));
  const std::string text = in.Rest();
  CheckDbcsPos(pattern, text);
  CheckDbcsPos(text.substr(0, 6), pattern + text);
  CheckUpperAscii(text);
  CheckNumberedLines(numbers, pattern, text);
  CheckConversions(text);
}

void StoreLayout(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const uint8_t flags = in.U8();
  const int edits = in.U8() % 6;
  const int32_t wrapByte = flags & 0x80 ? static_cast<int32_t>(in.U32() & 0x7FFFFFFF) : 1 + in.U8() % 100;
  const int measureKind = in.U8() % 4;
  const uint32_t seed = in.U32();
  const int32_t charWidth = 1 + in.U8() % 12;
  const int32_t tabStop = in.U8() % 10;
  const int32_t client = in.U16() % 1200;
  std::string editBytes = in.Take(static_cast<size_t>(edits) * 28);
  const std::string pattern = in.Take(in.U8() % 6);
  const int32_t findLine = static_cast<int32_t>(in.U8()) - 2;
  const int32_t findColumn = static_cast<int32_t>(in.U8()) - 2;
  const std::string content = in.Rest();

  // Loading: both rules, the file loaded whole or split between threads.
  Restore<size_t> loadSplit(&TBvStrings::ParallelLoadThreshold, &TBvStrings::SetParallelLoadThreshold,
                            flags & 1 ? 2 + seed % 64 : TBvStrings::ParallelLoadThreshold());
  Restore<int32_t> layoutSplit(&RowTable::ParallelLayoutThreshold, &RowTable::SetParallelLayoutThreshold,
                               flags & 2 ? 2 : RowTable::ParallelLayoutThreshold());
  TBvStrings streamStore;
  {
    std::istringstream stream(content);
    streamStore.LoadFromStream(stream);
  }
  CheckStore(streamStore, StreamRuleLines(content), "stream load");
  if (streamStore.Count() > 0) PELTO_CHECK(streamStore.Capacity() == streamStore.Count(), "stream load left spare slots");
  const bool noBreaks = std::none_of(content.begin(), content.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
  if (noBreaks) PELTO_CHECK(streamStore.GetText().size() == content.size() + (content.empty() ? 0 : 2), "GetText of one line");
  {
    TBvStrings again;
    again.SetText(streamStore.GetText());
    CheckStore(again, StreamRuleLines(content), "SetText of GetText");
    again.SetCommaText(streamStore.GetCommaText());  // any bytes, no crash
  }

  const std::string path = ScratchFolder() + "/document.txt";
  WriteFile(path, content);
  TBvStrings store;
  store.LoadFromFile(path);
  std::vector<std::string> model = FileRuleLines(content);
  CheckStore(store, model, "file load");
  CheckFind(store, pattern, findLine, findColumn);

  FakeMeasurer measurer(measureKind, seed, charWidth, tabStop, client);
  const LayoutMode modes[] = {{false, 80, nullptr}, {true, wrapByte, nullptr}, {true, 0, &measurer}, {true, 0, nullptr}};
  const LayoutMode first = modes[(flags >> 2) % 4];
  const LayoutMode second = modes[(flags >> 4) % 4];

  RowTable table;
  table.LayoutFrom(0, store, first.wordWrap, first.wrapByte, first.measurer);
  CheckTable(table, store, [&](int32_t) { return first; }, "first layout");

  // Edits, then the rows rebuilt from the first line they touched, perhaps
  // in another mode: the lines before it keep their rows.
  Bytes editsIn(reinterpret_cast<const uint8_t*>(editBytes.data()), editBytes.size());
  int32_t touched = store.Count();
  for (int edit = 0; edit < edits; ++edit) touched = std::min(touched, Edit(editsIn, store, model));
  CheckStore(store, model, "after edits");
  table.LayoutFrom(touched, store, second.wordWrap, second.wrapByte, second.measurer);
  CheckTable(table, store, [&](int32_t line) { return line < touched ? first : second; }, "layout after edits");

  for (const LayoutMode& mode : modes) {
    table.LayoutFrom(0, store, mode.wordWrap, mode.wrapByte, mode.measurer);
    CheckTable(table, store, [&](int32_t) { return mode; }, "whole layout");
  }

  // A long document measures every character up front; the rows of each
  // line must be the ones it gets in a short document.
  if ((flags & 0x40) && store.Count() > 0) table.LayoutFrom(0, store, true, 0, &measurer);
  // (Only while the long document stays within some 200000 rows, so one input
  // takes milliseconds, not seconds.)
  if ((flags & 0x40) && store.Count() > 0 &&
      int64_t(table.RowCount()) * (20007 / store.Count() + 1) <= 200000) {
    TBvStrings big;
    const int32_t bigCount = 20000 + 7;
    big.SetCapacity(bigCount);
    for (int32_t line = 0; line < bigCount; ++line) big.Add(model[static_cast<size_t>(line) % model.size()]);
    RowTable bigTable;
    bigTable.LayoutFrom(0, big, true, 0, &measurer);
    int32_t bigRow = 0;
    for (int32_t line = 0; line < bigCount; ++line) {
      const int32_t shortLine = line % store.Count();
      PELTO_CHECK(bigTable.RowOfLine(line) == bigRow, "long layout: first row of line " + std::to_string(line));
      for (int32_t row = table.RowOfLine(shortLine); row < table.RowOfLine(shortLine + 1); ++row, ++bigRow) {
        const RowEntry want = table.Row(row);
        const RowEntry got = bigTable.Row(bigRow);
        PELTO_CHECK(got.Line == line && got.Start == want.Start && got.Length == want.Length && got.Index == want.Index &&
                  got.Last == want.Last,
              "long layout: row " + std::to_string(bigRow) + " is " + Describe(got) + ", expected " + Describe(want));
      }
    }
    PELTO_CHECK(bigTable.RowCount() == bigRow, "long layout: row count");
  }
}

void IniRoundTrip(const uint8_t* data, size_t size) {
  static const char* const kSections[] = {"Option", "OPTION", "Resum", "Shiori", "x"};
  static const char* const kKeys[] = {"1", "2", "Font", "font", "Koumoku", "a b"};
  Bytes in(data, size);
  const uint8_t flags = in.U8();
  const std::string garbage = in.Take(in.U16() % (size + 1));
  struct Write {
    std::string section, key, value;
  };
  std::vector<Write> writes;
  while (in.Left() > 0 && writes.size() < 12) {
    Write w;
    w.section = kSections[in.U8() % 5];
    w.key = kKeys[in.U8() % 6];
    w.value = in.Take(in.U8() % 48);
    writes.push_back(std::move(w));
  }

  auto lower = [](std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
  };
  const IniText original(garbage);
  IniText ini(garbage);
  std::map<std::pair<std::string, std::string>, std::string> written;
  for (const Write& w : writes) {
    ini.Set(w.section, w.key, w.value);
    std::string clean = w.value;
    for (char& c : clean)
      if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    written[{lower(w.section), lower(w.key)}] = clean;
  }
  const IniText reread(ini.Content());
  for (const char* section : kSections) {
    for (const char* key : kKeys) {
      std::string want, got, inMemory;
      bool wantFound;
      auto it = written.find({lower(section), lower(key)});
      if (it != written.end()) {
        wantFound = true;
        want = it->second;
      } else {
        wantFound = original.Find(section, key, want);
      }
      const bool gotFound = reread.Find(section, key, got);
      PELTO_CHECK(gotFound == wantFound && got == want,
            std::string("[") + section + "] " + key + " reads \"" + got + "\", expected \"" + want + "\"");
      PELTO_CHECK(ini.Find(section, key, inMemory) == gotFound && inMemory == got, "in-memory text differs from its content");
    }
  }

  if (flags & 1) {
    // The same writes through the file: the same content, and integers read back.
    const std::string path = ScratchFolder() + "/pelto.INI";
    WriteFile(path, garbage);
    IniFile file(path);
    if (flags & 2) {
      std::vector<IniEntry> entries;
      for (const Write& w : writes) entries.push_back({w.section, w.key, w.value});
      file.WriteEntries(entries);
    } else {
      for (const Write& w : writes) file.WriteString(w.section, w.key, w.value);
    }
    PELTO_CHECK(file.Load().Content() == ini.Content(), "the file differs from the text written in memory");
    const int32_t number = static_cast<int32_t>(uint32_t(flags) * 16777619u ^ static_cast<uint32_t>(size));
    file.WriteInteger("Option", "Number", number);
    PELTO_CHECK(file.ReadInteger("Option", "Number", number ^ 1) == number, "an integer does not read back");
    const std::vector<std::string> list = {garbage.substr(0, 9), "", " x ", "\"q\""};
    file.WriteList("Rireki", list);
    std::vector<std::string> cleanList = list;
    for (std::string& item : cleanList)
      for (char& c : item)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    PELTO_CHECK(file.ReadList("Rireki", 4) == cleanList, "a list does not read back");
    unlink(path.c_str());
  }
}

void Titles(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const std::string name = kNames[in.U8() % 4];
  const forumtest::Doc doc = DocOf(in.Rest());
  for (bool newOnly : {false, true}) {
    long long entries = 0;
    const std::string want = PlainTitles(doc.lines, name, newOnly, entries);
    const TitleFile got = ExtractTitles(doc.View(), name, newOnly);
    PELTO_CHECK(got.bytes == want, newOnly ? "new titles differ" : "all titles differ");
    PELTO_CHECK(got.entryCount == entries, "title count differs");
  }
  for (const std::string& line : doc.lines) {
    static const std::pair<int, int> kRuns[] = {{1, 5}, {7, 11}, {1, 2}, {2, 2}, {26, 30}, {27, 31}, {1, 3}};
    static const std::pair<long, long> kRanges[] = {{1, 99999}, {0, 999999}, {-50, 50}};
    for (auto [first, last] : kRuns) {
      for (auto [lo, hi] : kRanges) {
        PELTO_CHECK(NumberField(line, first, last, lo, hi) == PlainNumberField(line, first, last, lo, hi),
              "number field of columns " + std::to_string(first) + "-" + std::to_string(last));
      }
    }
    const auto entry = EntryLineNumber(line);
    if (entry) PELTO_CHECK(*entry >= 0, "negative entry number");
  }
}

void ReplyTreeBuild(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const std::string name = kNames[in.U8() % 4];
  const forumtest::Doc doc = DocOf(in.Rest());
  const forumtest::PlainTree plain = forumtest::BuildPlainTree(doc, name);
  PELTO_CHECK(plain.readBack, "the plain build could not read its own 01 file");
  const ReplyTreeFiles fast = BuildReplyTree(doc.View(), name);
  PELTO_CHECK(fast.file01 == plain.file01, "01 file differs");
  PELTO_CHECK(fast.file02 == plain.file02, "02 file differs");
  PELTO_CHECK(fast.file03 == plain.file03, "03 file differs");
  PELTO_CHECK(fast.nodeCount == static_cast<long long>(SplitStoredLines(fast.file02).size()) - 1, "node count");
  TreeProgressCounter progress({});
  const TreeHeaders headers = CollectTreeHeaders(doc.View(), name, progress);
  const TreeFileSizes sizes = MeasureTreeFiles(headers, LinkReplyTree(headers, progress), name);
  PELTO_CHECK(sizes.file02 == fast.file02.size() && sizes.file03 == fast.file03.size(), "measured sizes differ");
}

void ThreadCut(const uint8_t* data, size_t size) {
  Bytes in(data, size);
  const std::string name = kNames[in.U8() % 4];
  const int pick = in.U16();
  const size_t split = in.U16() % (in.Left() + 1);
  const forumtest::Doc doc = DocOf(in.Take(split));
  const std::string extra = in.Rest();

  // Items from the tree built for this document, and items from any bytes.
  const ReplyTreeFiles tree = BuildReplyTree(doc.View(), name);
  const TreeList built = ParseTreeList(tree.file03, name);
  PELTO_CHECK(built.status == TreeListStatus::Ok, "a tree file does not belong to its own document");
  const TreeList raw = ParseTreeList(extra, name);
  if (raw.status == TreeListStatus::Ok)
    PELTO_CHECK(!raw.items.empty() && raw.items.front().substr(9) == NameToSideFileBytes(name), "status Ok for another name");

  for (const std::vector<std::string>* items : {&built.items, &raw.items}) {
    const int count = static_cast<int>(items->size());
    for (int index : {-1, 0, count / 2, count - 1, count, count > 0 ? pick % count : 0}) {
      const std::optional<std::string> cut = TitleCut(*items, index, doc.View(), name);
      PELTO_CHECK(cut.has_value() == (index >= 0 && index < count), "TitleCut for index " + std::to_string(index));
      if (!cut) continue;
      PELTO_CHECK(cut->rfind(MakeNumberedLine(1, NameToSideFileBytes(name)) + "\r\n", 0) == 0, "04 file's first line");
      const ThreadRange range = ThreadRangeOf(*items, index);
      PELTO_CHECK(range.first <= index && index <= range.last && range.last < count, "thread range misses the item");
      PELTO_CHECK(range.first == 0 || IsRootLine((*items)[static_cast<size_t>(range.first)]), "thread starts off a root");
      for (int item = range.first + 1; item <= range.last; ++item)
        PELTO_CHECK(!IsRootLine((*items)[static_cast<size_t>(item)]), "a root inside the thread");
      PELTO_CHECK(range.last + 1 == count || IsRootLine((*items)[static_cast<size_t>(range.last) + 1]), "thread ends early");
      size_t lines = 1;
      for (int item = range.first; item <= range.last; ++item) {
        const auto header = EntryLineNumber((*items)[static_cast<size_t>(item)]);
        if (!header) continue;
        const PostSpan span = PostSpanOf(doc.View(), *header);
        PELTO_CHECK(0 <= span.begin && span.begin <= span.end && span.end <= doc.View().count, "post span outside");
        // A post runs to the next line that ends it, else 300 lines past its header.
        if (span.end - span.begin > 301 && span.end < doc.View().count) {
          const std::string& ending = doc.lines[static_cast<size_t>(span.end)];
          PELTO_CHECK(DbcsPos(kConferencePrompt, ending) > 0 || (ending.size() >= 11 && NumberField(ending, 1, 5, 1, 99999)),
                      "post longer than 300 lines ends at line " + std::to_string(span.end) + ", which ends no post");
        }
        if (span.end > span.begin) PELTO_CHECK(span.begin == *header - 1, "post span starts off its header");
        lines += static_cast<size_t>(span.end - span.begin);
      }
      // Document lines hold no CR, so every line of the cut reads back.
      PELTO_CHECK(SplitStoredLines(*cut).size() == lines, "04 file has another number of lines");
    }
  }
}

const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = {
      {"text", &TextRules},          {"layout", &StoreLayout},   {"ini", &IniRoundTrip},
      {"titles", &Titles},           {"tree", &ReplyTreeBuild},  {"thread", &ThreadCut},
  };
  return entries;
}

}  // namespace pelto::fuzz
