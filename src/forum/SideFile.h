// Reading and writing the side files (title file, tree work files).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelto {

// Lines of a side file by the line store's file rule: CR or CR LF ends a
// line, a lone LF stays in its line, 0x1A ends the file, a final break adds
// no empty line.
std::vector<std::string> SplitStoredLines(std::string_view bytes);

enum class SideFileRead { Ok, Missing, Unreadable };

// Whole file into bytes.  error gets a one-line description on failure.
SideFileRead ReadSideFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces path by bytes through a temporary file in the same folder and a
// rename, so a failure halfway never leaves a half-written side file.  The
// old file (if any) stays untouched on failure; error describes it.
bool WriteSideFile(const std::string& path, std::string_view bytes, std::string& error);

// A side file written in pieces, for files too large to hold whole, with the
// same safety as WriteSideFile: the pieces go to a temporary file in the same
// folder, which replaces path only at Commit.  Destroyed uncommitted (or after
// a failure) it removes the temporary file and leaves the old one as it was.
class SideFileWriter {
 public:
  explicit SideFileWriter(std::string path);
  ~SideFileWriter();
  SideFileWriter(const SideFileWriter&) = delete;
  SideFileWriter& operator=(const SideFileWriter&) = delete;

  bool Open(std::string& error);
  bool Write(std::string_view bytes, std::string& error);
  bool Commit(std::string& error);

 private:
  bool Fail(const char* what, const std::string& path, int err, std::string& error);
  std::string path_, temp_;
  int fd_ = -1;
};

// Bytes an ordinary user may still write in folder's file system; nothing
// when it cannot be asked.
std::optional<unsigned long long> FreeSpace(const std::string& folder);

}  // namespace pelto
