// Our own private-profile file: "[section]" lines and "key=value" lines.
//
// Reading: the file is read at every access; sections and keys match ignoring
// ASCII letter case, the first match wins; the value is trimmed of blanks and
// one pair of enclosing quotes ("..." or '...') is stripped. A missing file,
// section or key gives the default.
//
// Writing: a value that begins or ends with a blank or a quote is enclosed in
// double quotes, so it reads back exactly as written; CR, LF and NUL inside it
// become blanks. A write reads the file, replaces the first matching key (or
// appends it, creating the section at the end when needed), keeps every other
// line as it was, and replaces the file atomically (temporary file in the same
// folder, then rename) while holding an flock on "<path>.lock", so several
// running copies never lose each other's keys and nobody reads a torn file.
// Text is platform text (UTF-8) and is stored as is.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelto {

// A write the system refused. what() is "<path> に書き込めません".
class EIniWriteError : public std::runtime_error {
 public:
  explicit EIniWriteError(const std::string& path);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
};

// The parsed lines of one settings file, held in memory. IniFile uses it for
// every access; ReadIniFileValue reads the whole start-up set from one of
// these so all values come from the same version of the file.
class IniText {
 public:
  IniText() = default;
  explicit IniText(std::string_view content);

  // True and the value when section/key exists.
  bool Find(std::string_view section, std::string_view key, std::string& value) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Integer form: StrToInt rules (decimal, "$" or "0x" hexadecimal); a value
  // that does not convert gives `def`.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  // Flag form: integer with default 0 or 1; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Replaces or appends one key (value quoted and cleaned as described above).
  void Set(std::string_view section, std::string_view key, std::string_view value);

  // The file content, every line ended by LF.
  std::string Content() const;

 private:
  std::vector<std::string> lines_;
};

// Names of the file (sections, keys, colour names) compare ignoring ASCII
// letter case only.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Text as it goes after "key=": CR/LF/NUL become blanks, and a value that
// begins or ends with a blank or a quote is enclosed in double quotes.
std::string EncodeIniValue(std::string_view value);

class IniFile {
 public:
  explicit IniFile(std::string path);
  const std::string& Path() const { return path_; }

  // The whole file as it is now (empty when it is missing or unreadable).
  IniText Load() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // Keys "1".."count" of a numbered list, element 0 for key "1"; missing keys
  // are empty. One read of the file.
  std::vector<std::string> ReadList(std::string_view section, int count) const;

  // Each throws EIniWriteError when the file cannot be written.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Several keys of one section in one atomic rewrite (a whole numbered list).
  void WriteStrings(std::string_view section,
                    const std::vector<std::pair<std::string, std::string>>& keyValues);
  // Keys "1".."values.size()" of a numbered list, element 0 as key "1".
  void WriteList(std::string_view section, const std::vector<std::string>& values);
  // Any keys of any sections in one atomic rewrite.
  void WriteEntries(const std::vector<IniEntry>& entries);

 private:
  std::string path_;
};

}  // namespace pelto
