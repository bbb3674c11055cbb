#include "filelist/FileList.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelto {

namespace {

constexpr const char* kFiller = ".*";

char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Name order ignoring ASCII case; names equal but for case keep a fixed order.
bool NameLess(const std::string& a, const std::string& b)
{
    const auto folded = [](char x, char y) {
        return static_cast<unsigned char>(AsciiUpper(x)) < static_cast<unsigned char>(AsciiUpper(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded))
        return false;
    return a < b;
}

std::string ErrorText(const std::string& what, const std::string& path, int error)
{
    return what + ": " + path + " (" + std::strerror(error) + ")";
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// Writes `content` to a new temporary file beside `path` and renames it over
// `path`; the old file stays untouched when anything fails.
void ReplaceFile(const std::string& path, const std::string& content)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        throw FileListError(ErrorText("ファイル一覧を作成できません", path, errno));
    // mkstemp creates the file 0600; the list is an ordinary file like the others.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    const char* data = content.data();
    size_t left = content.size();
    int error = 0;
    while (left > 0) {
        const ssize_t written = write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        throw FileListError(ErrorText("ファイル一覧を書き込めません", path, error));
    }
}

}  // namespace

ExcludedExtensions DefaultExcludedExtensions()
{
    ExcludedExtensions extensions;
    extensions.fill(kFiller);
    extensions[0] = ".COM";
    extensions[1] = ".EXE";
    extensions[2] = ".DLL";
    extensions[3] = ".REG";
    return extensions;
}

ExcludedExtensions ReadExcludedExtensions(const IniFile& file)
{
    const IniText text = file.Load();
    ExcludedExtensions extensions = DefaultExcludedExtensions();
    for (int key = 1; key <= kExtensionCount; ++key)
        extensions[key - 1] = text.ReadString(kSectionFileWriteExtName, std::to_string(key), extensions[key - 1]);
    return extensions;
}

void WriteExcludedExtensions(IniFile& file, const ExcludedExtensions& extensions)
{
    std::vector<std::string> values(extensions.begin(), extensions.end());
    file.WriteList(kSectionFileWriteExtName, values);
}

std::string FolderPart(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string NamePart(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtensionPart(std::string_view path)
{
    const std::string name = NamePart(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsExcludedName(std::string_view name, const ExcludedExtensions& excluded)
{
    std::string extension = ExtensionPart(name);
    // UTF-8 never uses bytes below 0x80 inside a character, so only real ASCII
    // letters change here.
    std::transform(extension.begin(), extension.end(), extension.begin(), AsciiUpper);
    // ".*" only fills unused entries; a Linux name may really end in ".*".
    if (extension == kFiller)
        return false;
    return std::find(excluded.begin(), excluded.end(), extension) != excluded.end();
}

std::vector<std::string> RegularFileNames(const std::string& folder)
{
    const std::string opened = folder.empty() ? std::string(".") : folder;
    std::unique_ptr<DIR, DirCloser> dir(opendir(opened.c_str()));
    if (!dir)
        throw FileListError(ErrorText("フォルダを読めません", opened, errno));

    std::vector<std::string> names;
    for (;;) {
        // readdir reports an error only through errno, so it must be clear
        // before every call, whatever the entry before it left there.
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw FileListError(ErrorText("フォルダを読めません", opened, errno));
            break;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // A link counts as what it points to; opening a FIFO or a device would
        // block.  An entry that cannot be examined (a dangling link) is skipped.
        struct stat status {};
        if (fstatat(dirfd(dir.get()), name.c_str(), &status, 0) != 0 || !S_ISREG(status.st_mode))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

CaptureResult CaptureFileList(const std::string& listPath, const std::string& currentFileName,
                              const ExcludedExtensions& excluded)
{
    const std::string folder = FolderPart(currentFileName);
    CaptureResult result;
    std::string content;
    for (const std::string& name : RegularFileNames(folder)) {
        // A line break inside a name would split its line in two.
        if (name.find_first_of("\r\n") != std::string::npos || IsExcludedName(name, excluded))
            continue;
        const std::string line = folder + name;
        if (line == currentFileName)
            result.CurrentIndex = result.LineCount;
        content += line;
        content += "\r\n";
        ++result.LineCount;
    }
    ReplaceFile(listPath, content);
    return result;
}

std::string FileListing::Folder() const
{
    return Lines.empty() ? std::string() : FolderPart(Lines.front());
}

std::string FileListing::PathAt(int index) const
{
    return Folder() + Names.at(static_cast<size_t>(index));
}

std::optional<FileListing> ReadFileList(const std::string& listPath)
{
    std::ifstream in(listPath, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FileListing listing;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = content.size();
        if (end > start) {
            std::string line = content.substr(start, end - start);
            listing.Names.push_back(NamePart(line));
            listing.Lines.push_back(std::move(line));
        }
        start = end + 1;
    }
    return listing;
}

int ClampFileListIndex(int index, int count)
{
    if (count <= 0)
        return 0;
    return std::clamp(index, 0, count - 1);
}

int StepFileListIndex(int index, int count, int delta)
{
    return ClampFileListIndex(ClampFileListIndex(index, count) + delta, count);
}

}  // namespace pelto
