#include "forum/SideFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

bool WriteSideFile(const std::string& path, std::string_view bytes, std::string& error) {
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = Describe("cannot create", temp, errno);
    return false;
  }
  // mkstemp makes the file private; a side file gets the mode the old one
  // had, or the usual mode for a new file.
  mode_t mode = 0;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)::fchmod(fd, mode);  // a mode we cannot set is no reason to fail
  int err = 0;
  bool ok = WriteAll(fd, bytes);
  if (!ok) err = errno;
  if (ok && ::fsync(fd) != 0) {
    ok = false;
    err = errno;
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    error = Describe("cannot write", path, err);
  }
  return ok;
}

}  // namespace pelto
