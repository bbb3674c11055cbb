#include "forum/SideFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace pelto {

std::vector<std::string> SplitStoredLines(std::string_view bytes) {
  std::vector<std::string> lines;
  const size_t end = std::min(bytes.find('\x1A'), bytes.size());
  size_t pos = 0;
  while (pos < end) {
    size_t cr = bytes.find('\r', pos);
    if (cr == std::string_view::npos || cr > end) cr = end;
    lines.emplace_back(bytes.substr(pos, cr - pos));
    pos = cr;
    if (pos < end) {
      ++pos;  // the CR
      if (pos < end && bytes[pos] == '\n') ++pos;
    }
  }
  return lines;
}

namespace {

std::string Describe(const char* what, const std::string& path, int err) {
  return std::string(what) + " " + path + ": " + std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

SideFileRead ReadSideFile(const std::string& path, std::string& bytes, std::string& error) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    error = Describe("cannot open", path, err);
    return err == ENOENT ? SideFileRead::Missing : SideFileRead::Unreadable;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    error = Describe("cannot read", path, EISDIR);
    return SideFileRead::Unreadable;
  }
  if (st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      bytes.clear();
      error = Describe("cannot read", path, err);
      return SideFileRead::Unreadable;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return SideFileRead::Ok;
}

SideFileWriter::SideFileWriter(std::string path) : path_(std::move(path)) {}

SideFileWriter::~SideFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool SideFileWriter::Fail(const char* what, const std::string& path, int err, std::string& error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  error = Describe(what, path, err);
  return false;
}

bool SideFileWriter::Open(std::string& error) {
  temp_ = path_ + ".XXXXXX";
  fd_ = ::mkstemp(temp_.data());
  if (fd_ < 0) {
    const int err = errno;
    const std::string name = temp_;
    temp_.clear();
    return Fail("cannot create", name, err, error);
  }
  // mkstemp makes the file private; a side file gets the mode the old one
  // had, or the usual mode for a new file.
  mode_t mode = 0;
  struct stat old {};
  if (::stat(path_.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)::fchmod(fd_, mode);  // a mode we cannot set is no reason to fail
  return true;
}

bool SideFileWriter::Write(std::string_view bytes, std::string& error) {
  if (fd_ < 0) return Fail("cannot write", path_, EBADF, error);
  if (!WriteAll(fd_, bytes)) return Fail("cannot write", path_, errno, error);
  return true;
}

bool SideFileWriter::Commit(std::string& error) {
  if (fd_ < 0) return Fail("cannot write", path_, EBADF, error);
  if (::fsync(fd_) != 0) return Fail("cannot write", path_, errno, error);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return Fail("cannot write", path_, errno, error);
  if (::rename(temp_.c_str(), path_.c_str()) != 0) return Fail("cannot write", path_, errno, error);
  temp_.clear();
  return true;
}

bool WriteSideFile(const std::string& path, std::string_view bytes, std::string& error) {
  SideFileWriter writer(path);
  return writer.Open(error) && writer.Write(bytes, error) && writer.Commit(error);
}

std::optional<unsigned long long> FreeSpace(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
}

}  // namespace pelto
