#include "settings/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "text/NumberField.h"

namespace pelto {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsQuote(char c) { return c == '"' || c == '\''; }

// A "[name]" line gives its name; anything else gives false.
bool SectionName(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  const size_t close = line.find(']');
  name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
  return true;
}

// A "key=value" line gives its key and raw value; anything else gives false.
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& rawValue) {
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  key = Trim(line.substr(0, equals));
  rawValue = line.substr(equals + 1);
  return true;
}

std::string DecodeValue(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::atomic<unsigned> tempCounter{0};

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

bool ReadWholeFile(const std::string& path, std::string& content) {
  content.clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  FdCloser closer(fd);
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    content.append(buffer, static_cast<size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t put = write(fd, data.data(), data.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(put));
  }
  return true;
}

// The file a write replaces: the target of a symbolic link, so the link stays.
std::string WriteTarget(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      std::string target(resolved);
      std::free(resolved);
      return target;
    }
  }
  return path;
}

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

EIniWriteError::EIniWriteError(const std::string& path)
    : std::runtime_error(path + " に書き込めません"), path_(path) {}

std::string EncodeIniValue(std::string_view value) {
  std::string text(value);
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  if (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back()) ||
                        IsQuote(text.front()) || IsQuote(text.back()))) {
    return '"' + text + '"';
  }
  return text;
}

// ---------------------------------------------------------------- IniText

IniText::IniText(std::string_view content) {
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string_view::npos) end = content.size();
    lines_.emplace_back(content.substr(start, end - start));
    start = end + 1;
  }
}

bool IniText::Find(std::string_view section, std::string_view key, std::string& value) const {
  bool inSection = false;
  bool seenSection = false;
  for (const std::string& line : lines_) {
    std::string_view name;
    if (SectionName(line, name)) {
      if (inSection) return false;  // only the first matching section counts
      inSection = !seenSection && EqualsIgnoringAsciiCase(name, section);
      seenSection = seenSection || inSection;
      continue;
    }
    if (!inSection) continue;
    std::string_view lineKey, raw;
    if (KeyLine(line, lineKey, raw) && EqualsIgnoringAsciiCase(lineKey, key)) {
      value = DecodeValue(raw);
      return true;
    }
  }
  return false;
}

std::string IniText::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  std::string value;
  return Find(section, key, value) ? value : std::string(def);
}

int32_t IniText::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  std::string value;
  if (!Find(section, key, value)) return def;
  return StrToIntDef(value, def);
}

bool IniText::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
  // New lines follow the file's own line ends, so a hand-made CR LF file stays so.
  const bool crlf = !lines_.empty() && !lines_.front().empty() && lines_.front().back() == '\r';
  const std::string eol = crlf ? "\r" : "";
  std::string newLine = std::string(key) + "=" + EncodeIniValue(value) + eol;

  size_t sectionLine = lines_.size();
  for (size_t index = 0; index < lines_.size(); ++index) {
    std::string_view name;
    if (SectionName(lines_[index], name) && EqualsIgnoringAsciiCase(name, section)) {
      sectionLine = index;
      break;
    }
  }
  if (sectionLine == lines_.size()) {
    lines_.push_back("[" + std::string(section) + "]" + eol);
    lines_.push_back(std::move(newLine));
    return;
  }

  size_t insertAt = sectionLine + 1;  // after the section's last non-blank line
  for (size_t index = sectionLine + 1; index < lines_.size(); ++index) {
    std::string_view name;
    if (SectionName(lines_[index], name)) break;
    std::string_view lineKey, raw;
    if (KeyLine(lines_[index], lineKey, raw) && EqualsIgnoringAsciiCase(lineKey, key)) {
      lines_[index] = std::move(newLine);
      return;
    }
    if (!Trim(lines_[index]).empty()) insertAt = index + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(newLine));
}

std::string IniText::Content() const {
  std::string content;
  for (const std::string& line : lines_) {
    content += line;
    content += '\n';
  }
  return content;
}

// ---------------------------------------------------------------- IniFile

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniText IniFile::Load() const {
  std::string content;
  if (!ReadWholeFile(path_, content)) return IniText();
  return IniText(content);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  return Load().ReadString(section, key, def);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  return Load().ReadInteger(section, key, def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return Load().ReadBool(section, key, def);
}

std::vector<std::string> IniFile::ReadList(std::string_view section, int count) const {
  const IniText text = Load();
  std::vector<std::string> values;
  values.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  for (int number = 1; number <= count; ++number) {
    values.push_back(text.ReadString(section, std::to_string(number), ""));
  }
  return values;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  WriteEntries({IniEntry{std::string(section), std::string(key), std::string(value)}});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteStrings(std::string_view section,
                           const std::vector<std::pair<std::string, std::string>>& keyValues) {
  std::vector<IniEntry> entries;
  entries.reserve(keyValues.size());
  for (const auto& [key, value] : keyValues) entries.push_back({std::string(section), key, value});
  WriteEntries(entries);
}

void IniFile::WriteList(std::string_view section, const std::vector<std::string>& values) {
  std::vector<IniEntry> entries;
  entries.reserve(values.size());
  for (size_t index = 0; index < values.size(); ++index) {
    entries.push_back({std::string(section), std::to_string(index + 1), values[index]});
  }
  WriteEntries(entries);
}

void IniFile::WriteEntries(const std::vector<IniEntry>& entries) {
  const std::string target = WriteTarget(path_);

  // The lock spans read, change and rename, so two copies writing different
  // keys at the same moment both keep their key.
  const std::string lockPath = target + ".lock";
  const int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFd < 0) throw EIniWriteError(path_);
  FdCloser lockCloser(lockFd);
  while (flock(lockFd, LOCK_EX) != 0) {
    if (errno != EINTR) throw EIniWriteError(path_);
  }

  std::string content;
  struct stat existing;
  const bool exists = stat(target.c_str(), &existing) == 0;
  // A settings file made read-only stays unchanged, as the folder's own
  // permission would keep it.
  if (exists && (access(target.c_str(), W_OK) != 0 || !ReadWholeFile(target, content))) {
    throw EIniWriteError(path_);
  }
  IniText text(content);
  for (const IniEntry& entry : entries) text.Set(entry.section, entry.key, entry.value);
  const std::string newContent = text.Content();

  const std::string tempPath = target + ".tmp" + std::to_string(getpid()) + "_" +
                               std::to_string(tempCounter.fetch_add(1));
  const int tempFd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (tempFd < 0) throw EIniWriteError(path_);
  bool ok = true;
  if (exists) ok = fchmod(tempFd, existing.st_mode & 07777) == 0;
  ok = ok && WriteAll(tempFd, newContent) && fsync(tempFd) == 0;
  ok = (close(tempFd) == 0) && ok;
  ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempPath.c_str());
    throw EIniWriteError(path_);
  }
}

}  // namespace pelto
