#include "settings/ExePaths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace pelto {

namespace {

std::string& PathOverride() {
  static std::string path;
  return path;
}

std::string ReadSelfExe() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);  // a longer path than PATH_MAX is possible
  }
}

// Creates `path` and its missing parents; existing folders are fine.
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!part.empty()) mkdir(part.c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

std::string ConfigFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
      const passwd* entry = getpwuid(getuid());
      home = entry ? entry->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string folder = base + "/pelto";
  MakeFolders(folder);
  return folder;
}

// An installed copy keeps its guide in ../share/pelto and none beside it.
// It never writes into the programs' folder, not even for a user who may
// (root running /usr/bin/pelto): that folder is shared by every user and
// owned by the package manager.
bool IsInstalledCopy(const std::string& exeFolder) {
  struct stat info {};
  return stat((exeFolder + "/PELTO.HLP").c_str(), &info) != 0 &&
         stat((exeFolder + "/../share/pelto/PELTO.HLP").c_str(), &info) == 0;
}

// Splits the executable's path into its side-file folder and its name without
// extension. The extension's dot is looked for only after the last "/"; a dot
// that starts the name (a hidden file) is not an extension.
void SplitExecutable(std::string& folder, std::string& baseName) {
  const std::string exe = ExecutablePath();
  const size_t slash = exe.rfind('/');
  const std::string exeFolder = slash == std::string::npos ? "." : exe.substr(0, slash);
  std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  baseName = name;
  const std::string probe = exeFolder.empty() ? "/" : exeFolder;
  folder = access(probe.c_str(), W_OK) == 0 && !IsInstalledCopy(probe) ? exeFolder : ConfigFolder();
}

}  // namespace

std::string ExecutablePath() {
  if (!PathOverride().empty()) return PathOverride();
  return ReadSelfExe();
}

void SetExecutablePathForTesting(std::string path) { PathOverride() = std::move(path); }

std::string SideFileFolder() {
  std::string folder, baseName;
  SplitExecutable(folder, baseName);
  return folder;
}

std::string SideFilePath(std::string_view extension) {
  std::string folder, baseName;
  SplitExecutable(folder, baseName);
  return folder + "/" + baseName + std::string(extension);
}

std::string WorkFilePath(int number) {
  std::string folder, baseName;
  SplitExecutable(folder, baseName);
  const char digits[3] = {'0', static_cast<char>('0' + (number % 10)), '\0'};
  return folder + "/" + baseName + digits + ".TXT";
}

std::string SettingsFilePath() { return SideFilePath(".INI"); }

}  // namespace pelto
