// Hostile input for the core: documents that are not files, cannot be read,
// hold too many lines or binary bytes, or change under the viewer; settings
// files that are garbage, huge, duplicated, unwritable or fought over; side
// files whose write fails halfway.

#include "filelist/FileList.h"
#include "forum/SideFile.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace pelto {
namespace {

using Lines = std::vector<std::string>;

constexpr uid_t kNobody = 65534;

class TempFolder {
public:
    explicit TempFolder(const char* base = "/tmp")
    {
        std::string pattern = std::string(base) + "/pelto-hostile-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
        // Open to everyone, so a step run as an unprivileged user can reach it.
        if (!path_.empty())
            chmod(path_.c_str(), 0777);
    }
    ~TempFolder()
    {
        if (path_.empty())
            return;
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
            chmod(entry.path().c_str(), 0777);
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Lines StoreLines(const TBvStrings& store)
{
    Lines lines;
    for (int32_t line = 0; line < store.Count(); ++line)
        lines.emplace_back(store.Get(line));
    return lines;
}

bool ShownFromTheFile(const std::string& path)
{
    std::ifstream maps("/proc/self/maps");
    const std::string text((std::istreambuf_iterator<char>(maps)), {});
    return text.find(path) != std::string::npos;
}

// Runs `step` as a user the permission bits bind: in a child that gave up
// root, or here when we are not root.  True when step returned true.
bool AsUnprivileged(const std::function<bool()>& step)
{
    if (geteuid() != 0)
        return step();
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        bool ok = setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
                  setresuid(kNobody, kNobody, kNobody) == 0;
        _exit(ok && step() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A tmpfs of `bytes` mounted for the test; empty Path() when we may not mount.
class SmallDisk {
public:
    explicit SmallDisk(size_t bytes)
    {
        if (geteuid() != 0 || folder_.Path().empty())
            return;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        if (mount("tmpfs", folder_.Path().c_str(), "tmpfs", 0, options.c_str()) == 0)
            path_ = folder_.Path();
    }
    ~SmallDisk()
    {
        if (!path_.empty())
            umount2(path_.c_str(), MNT_DETACH);
    }
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Fills what is left of the disk, so the next write runs out of room.
    void Fill()
    {
        const int fd = open(File("filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const std::string block(4096, 'f');
        while (fd >= 0 && write(fd, block.data(), block.size()) > 0) {
        }
        const std::string byte(1, 'f');
        while (fd >= 0 && write(fd, byte.data(), 1) > 0) {
        }
        if (fd >= 0)
            close(fd);
    }

private:
    TempFolder folder_;
    std::string path_;
};

#define SKIP_WITHOUT_SMALL_DISK(disk)                                                        \
    if ((disk).Path().empty())                                                               \
    GTEST_SKIP() << "mounting a small tmpfs needs root (and CAP_SYS_ADMIN); a full disk cannot be made here"

struct LoadSettings {
    size_t parallelFrom;
    int32_t lineLimit;
    LoadSettings(size_t parallel, int32_t limit) : parallelFrom(TBvStrings::ParallelLoadThreshold())
    {
        lineLimit = TBvStrings::MaxCapacity;
        TBvStrings::SetParallelLoadThreshold(parallel);
        TBvStrings::SetLoadLineLimit(limit);
    }
    ~LoadSettings()
    {
        TBvStrings::SetParallelLoadThreshold(parallelFrom);
        TBvStrings::SetLoadLineLimit(lineLimit);
    }
};

std::string NumberedLines(int count, const std::string& last = {})
{
    std::string bytes;
    for (int line = 1; line <= count; ++line)
        bytes += "\x82\xa0 line " + std::to_string(line) + (line == count ? last : std::string()) + "\r\n";
    return bytes;
}

// ------------------------------------------------------------- documents

TEST(HostileDocuments, DevicesSocketsAndUnreadableFilesFailAtOnce)
{
    TempFolder folder;
    // Through a link with an ordinary name, as a user might have it.
    const std::string zero = folder.File("zero.log");
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    const std::string socketPath = folder.File("socket.log");
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const std::string& path : {std::string("/dev/zero"), zero, std::string("/dev/urandom"), socketPath}) {
        TBvStrings store;
        store.Add("before");
        EXPECT_THROW(store.LoadFromFile(path), EInOutError) << path;
        EXPECT_EQ(store.Count(), 0) << path;
    }
    close(sock);

    const std::string secret = folder.File("secret.log");
    WriteBytes(secret, NumberedLines(3));
    ASSERT_EQ(chmod(secret.c_str(), 0), 0);
    EXPECT_TRUE(AsUnprivileged([&] {
        TBvStrings store;
        try {
            store.LoadFromFile(secret);
        } catch (const EInOutError& error) {
            return std::string(error.what()).find(std::strerror(EACCES)) != std::string::npos &&
                   store.Count() == 0;
        }
        return false;
    })) << "an unreadable file must fail with the system's reason";
}

TEST(HostileDocuments, MoreLinesThanTheLimitFailAndKeepWhatWasRead)
{
    TempFolder folder;
    const std::string atLimit = folder.File("at-limit.log");
    const std::string overLimit = folder.File("over-limit.log");
    WriteBytes(atLimit, NumberedLines(1000));
    WriteBytes(overLimit, NumberedLines(1001));
    // One reader, then two halves read at once.
    for (size_t parallelFrom : {size_t(64) << 20, size_t(4096)}) {
        LoadSettings settings(parallelFrom, 1000);
        TBvStrings store;
        store.LoadFromFile(atLimit);
        EXPECT_EQ(store.Count(), 1000) << parallelFrom;
        EXPECT_EQ(store.Get(999), "\x82\xa0 line 1000");

        try {
            store.LoadFromFile(overLimit);
            ADD_FAILURE() << "a file over the limit loaded, parallel from " << parallelFrom;
        } catch (const EInOutError& error) {
            EXPECT_NE(std::string(error.what()).find("1000 lines"), std::string::npos) << error.what();
        }
        EXPECT_LE(store.Count(), 1000);
        ASSERT_GT(store.Count(), 0);
        EXPECT_EQ(store.Get(0), "\x82\xa0 line 1");
    }
}

// NUL, 0xFF, lone lead bytes and LF are ordinary bytes: every one is kept,
// and every row layout covers each line exactly once, byte for byte.
TEST(HostileDocuments, BinaryBytesAreKeptAndLaidOut)
{
    std::mt19937 random(20240611);
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        char c = static_cast<char>(random() & 0xFF);
        if (c == '\x1A')
            c = '\0';
        bytes.push_back(c);
    }
    bytes += std::string(300, '\0') + "\x81";  // NULs and a lone lead byte at the end
    TempFolder folder;
    const std::string path = folder.File("binary.bin");
    WriteBytes(path, bytes);

    TBvStrings store;
    store.LoadFromFile(path);
    std::string joined;
    for (int32_t line = 0; line < store.Count(); ++line) {
        const std::string_view text = store.Get(line);
        EXPECT_EQ(text.find('\r'), std::string_view::npos);
        joined.append(text);
    }
    std::string withoutBreaks;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            continue;
        }
        withoutBreaks.push_back(bytes[i]);
    }
    EXPECT_EQ(joined, withoutBreaks);
    EXPECT_EQ(store.Get(store.Count() - 1).substr(store.Get(store.Count() - 1).size() - 2), std::string("\0\x81", 2));

    for (const auto& [wordWrap, wrapByte] : {std::pair{true, 80}, std::pair{true, 2}, std::pair{false, 80}}) {
        RowTable rows;
        rows.LayoutFrom(0, store, wordWrap, wrapByte, nullptr);
        std::string laidOut;
        int32_t line = 0;
        for (int32_t row = 0; row < rows.RowCount(); ++row) {
            const RowEntry entry = rows.Row(row);
            ASSERT_GE(entry.Line, line);
            line = entry.Line;
            laidOut.append(rows.RowText(store, row));
        }
        EXPECT_EQ(laidOut, joined) << "wrap " << wordWrap << " " << wrapByte;
    }
}

// A log still being written by another program: what was loaded stays when
// that program truncates it once the store has its copy.
TEST(HostileDocuments, FileOpenForWritingIsCopiedAndSurvivesTruncation)
{
    TempFolder folder;
    const std::string path = folder.File("growing.log");
    const std::string bytes = NumberedLines(20000);
    WriteBytes(path, bytes);
    const int writer = open(path.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);

    LoadSettings settings(4096, TBvStrings::MaxCapacity);
    TBvStrings store;
    store.LoadFromFile(path);
    store.WaitForOwnBytes();
    EXPECT_FALSE(ShownFromTheFile(path)) << "once copied, the lines are never shown from the file's pages";
    ASSERT_EQ(ftruncate(writer, 0), 0);
    ASSERT_EQ(write(writer, "X\r\n", 3), 3);
    close(writer);
    ASSERT_EQ(unlink(path.c_str()), 0);

    TBvStrings expected;
    expected.SetText(bytes);
    EXPECT_EQ(StoreLines(store), StoreLines(expected));
}

// The search goes on while another program truncates the shown file, and
// never notices.
TEST(HostileDocuments, SearchRunsOnWhileAnotherProgramTruncatesTheShownFile)
{
    TempFolder folder;
    const std::string path = folder.File("shown.log");
    const std::string bytes = NumberedLines(300000, " needle");
    WriteBytes(path, bytes);

    LoadSettings settings(4096, TBvStrings::MaxCapacity);
    TBvStrings store;
    store.LoadFromFile(path);
    store.WaitForOwnBytes();
    EXPECT_FALSE(ShownFromTheFile(path)) << "the lines are our own copy";
    const Lines before = StoreLines(store);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        usleep(30000);
        _exit(truncate(path.c_str(), 0) == 0 && unlink(path.c_str()) == 0 ? 0 : 1);
    }
    int searches = 0;
    int status = 0;
    pid_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (done == 0 && std::chrono::steady_clock::now() < deadline) {
        int32_t line = 0;
        int32_t column = 1;
        ASSERT_TRUE(store.Find("NEEDLE", line, column)) << "search " << searches;
        EXPECT_EQ(line, 299999);
        ++searches;
        done = waitpid(child, &status, WNOHANG);
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the truncating program was held past the deadline";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_GT(searches, 0);
    EXPECT_FALSE(ShownFromTheFile(path));
    EXPECT_EQ(StoreLines(store), before);
}

// --------------------------------------------------------------- settings

TEST(HostileSettings, GarbageBytesParseAndStayAroundANewKey)
{
    TempFolder folder;
    const std::string path = folder.File("pelto.INI");
    std::mt19937 random(7);
    const char pieces[] = {'[', ']', '=', '\n', '\r', '\0', '"', ' ', 'a', '\x82', '\xa0', '\xff'};
    for (int round = 0; round < 20; ++round) {
        std::string garbage;
        for (int i = 0; i < 5000; ++i)
            garbage.push_back(random() % 3 == 0 ? static_cast<char>(random()) : pieces[random() % sizeof pieces]);
        if (round == 0) {
            // A byte-order mark, broken numbers, an unclosed section, a NUL.
            static const char handMade[] =
                "\xEF\xBB\xBF[KoumokuSetNum]\nEditWrapChar=\xff\xfe\n[TextJyouhou\nTextFontSize==\0\n=\n[]\n";
            garbage.assign(handMade, sizeof handMade - 1);
        }
        WriteBytes(path, garbage);

        IniFile ini(path);
        Settings settings;
        std::vector<std::string> errors;
        ReadIniFileValue(ini, settings, errors);  // must not throw or crash
        ini.WriteString("Hostile Section 9", "Key", " value ");
        EXPECT_EQ(ini.ReadString("Hostile Section 9", "Key", "-"), " value ") << round;
        const std::string after = ReadBytes(path);
        EXPECT_EQ(after.compare(0, garbage.size(), garbage), 0) << "garbage lines are kept as they were";
    }
}

TEST(HostileSettings, HugeValuesAndNumbers)
{
    TempFolder folder;
    IniFile ini(folder.File("pelto.INI"));
    std::string huge(4 << 20, 'v');
    huge[1000] = '\x82';
    huge[1001] = '\xa0';
    ini.WriteString("OpenFileName", "1", huge);
    // Thousands of other keys around it.
    std::vector<std::pair<std::string, std::string>> many;
    for (int key = 0; key < 5000; ++key)
        many.emplace_back("k" + std::to_string(key), std::to_string(key));
    ini.WriteStrings("Many", many);
    EXPECT_EQ(ini.ReadString("OpenFileName", "1", ""), huge);
    EXPECT_EQ(ini.ReadString("Many", "k4999", ""), "4999");

    for (const char* text : {"99999999999999999999", "2147483648", "-2147483649", "$1FFFFFFFF", "0x123456789"}) {
        ini.WriteString("KoumokuSetNum", "EditWrapChar", text);
        EXPECT_EQ(ini.ReadInteger("KoumokuSetNum", "EditWrapChar", -7), -7) << text;
    }
    ini.WriteString("KoumokuSetNum", "EditWrapChar", "2147483647");
    EXPECT_EQ(ini.ReadInteger("KoumokuSetNum", "EditWrapChar", -7), 2147483647);
}

TEST(HostileSettings, DuplicateSectionsAndKeysFirstOneWins)
{
    TempFolder folder;
    const std::string path = folder.File("pelto.INI");
    WriteBytes(path,
               "[Opts]\nA=1\nA=2\n[other]\nA=x\n[OPTS]\nA=3\nB=4\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("opts", "a", ""), "1");
    EXPECT_EQ(ini.ReadString("Opts", "B", "none"), "none") << "only the first section counts";
    ini.WriteString("Opts", "A", "5");
    ini.WriteString("Opts", "B", "6");
    EXPECT_EQ(ReadBytes(path), "[Opts]\nA=5\nA=2\nB=6\n[other]\nA=x\n[OPTS]\nA=3\nB=4\n");
    EXPECT_EQ(ini.ReadString("Opts", "B", ""), "6");
}

TEST(HostileSettings, ReadOnlyFolderRefusesTheWriteAndKeepsTheFile)
{
    TempFolder folder;
    const std::string path = folder.File("pelto.INI");
    WriteBytes(path, "[S]\nk=before\n");
    chmod(path.c_str(), 0666);
    ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
    EXPECT_TRUE(AsUnprivileged([&] {
        IniFile ini(path);
        try {
            ini.WriteString("S", "k", "after");
        } catch (const EIniWriteError& error) {
            return std::string(error.what()) == path + " に書き込めません" &&
                   ini.ReadString("S", "k", "") == "before";
        }
        return false;
    }));
    chmod(folder.Path().c_str(), 0777);
    EXPECT_EQ(ReadBytes(path), "[S]\nk=before\n");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"pelto.INI"});
}

TEST(HostileSettings, FullDiskRefusesTheWriteAndKeepsTheFile)
{
    SmallDisk disk(256 << 10);
    SKIP_WITHOUT_SMALL_DISK(disk);
    const std::string path = disk.File("pelto.INI");
    IniFile ini(path);
    ini.WriteString("S", "k", std::string(20000, 'a'));
    ini.WriteString("S", "j", "1");  // the lock file exists from now on
    const std::string before = ReadBytes(path);
    disk.Fill();
    try {
        ini.WriteString("S", "k", std::string(30000, 'b'));
        FAIL() << "a write to a full disk succeeded";
    } catch (const EIniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), path + " に書き込めません");
    }
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(FolderEntries(disk.Path()), (std::vector<std::string>{"filler", "pelto.INI", "pelto.INI.lock"}));
}

// Two copies of the program save their settings a thousand times each, on
// the same keys and on keys of their own.  Every key ends with the value one
// of them wrote last; no key of either is lost; the file parses.
TEST(HostileSettings, TwoCopiesWritingAThousandTimesLoseNothing)
{
    TempFolder folder(std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    const std::string path = folder.File("pelto.INI");
    constexpr int kWrites = 1000;
    auto valueOf = [](int copy, int write) { return "copy" + std::to_string(copy) + " write " + std::to_string(write); };
    auto sharedKey = [](int write) { return std::to_string(write % 9 + 1); };
    auto ownKey = [](int write) { return "k" + std::to_string(write % 13); };

    pid_t children[2];
    for (int copy = 0; copy < 2; ++copy) {
        children[copy] = fork();
        ASSERT_GE(children[copy], 0);
        if (children[copy] == 0) {
            int status = 0;
            try {
                IniFile ini(path);
                for (int write = 0; write < kWrites; ++write) {
                    if (write % 100 == 50) {
                        // A whole list at once, as a history is saved.
                        std::vector<std::string> list(9, valueOf(copy, write));
                        ini.WriteList("OpenFileName", list);
                    } else {
                        ini.WriteEntries({{"OpenFileName", sharedKey(write), valueOf(copy, write)},
                                          {"Copy" + std::to_string(copy), ownKey(write), valueOf(copy, write)}});
                    }
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a copy's write failed";
    }

    // What each copy wrote last, key by key.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> lastWritten;
    for (int copy = 0; copy < 2; ++copy) {
        std::map<std::pair<std::string, std::string>, std::string> last;
        for (int write = 0; write < kWrites; ++write) {
            if (write % 100 == 50) {
                for (int key = 1; key <= 9; ++key)
                    last[{"OpenFileName", std::to_string(key)}] = valueOf(copy, write);
            } else {
                last[{"OpenFileName", sharedKey(write)}] = valueOf(copy, write);
                last[{"Copy" + std::to_string(copy), ownKey(write)}] = valueOf(copy, write);
            }
        }
        for (const auto& [key, value] : last)
            lastWritten[key].push_back(value);
    }
    const IniText text = IniFile(path).Load();
    for (const auto& [key, candidates] : lastWritten) {
        std::string value;
        ASSERT_TRUE(text.Find(key.first, key.second, value)) << key.first << "/" << key.second << " lost";
        EXPECT_NE(std::find(candidates.begin(), candidates.end(), value), candidates.end())
            << key.first << "/" << key.second << " = " << value;
    }
    // Every line is a section or a key; each section and key appears once.
    std::istringstream lines(ReadBytes(path));
    std::string line;
    std::string section;
    std::map<std::string, int> seen;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        if (line.front() == '[') {
            ASSERT_EQ(line.back(), ']') << line;
            section = line;
            EXPECT_EQ(++seen[section], 1) << line;
        } else {
            ASSERT_NE(line.find('='), std::string::npos) << line;
            EXPECT_EQ(++seen[section + line.substr(0, line.find('='))], 1) << line;
        }
    }
    EXPECT_EQ(seen.size(), 3u + 9u + 13u + 13u);
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"pelto.INI", "pelto.INI.lock"}));
}

// -------------------------------------------------------------- side files

// A side file whose new version cannot be written keeps its old version
// whole, leaves no temporary file, and says which file failed.
TEST(HostileSideFiles, FailedWritesKeepTheOldFile)
{
    const std::string oldTitles = "000001 : old.log\r\n000010 : old title\r\n";
    const std::string newTitles = "000001 : new.log\r\n" + std::string(200000, 'n') + "\r\n";
    auto checkRefused = [&](const std::string& folder) {
        const std::string titles = folder + "/pelto.LOG";
        const std::string list = folder + "/pelto.DIR";
        const std::string document = folder + "/doc.log";
        std::string error;
        bool ok = !WriteSideFile(titles, newTitles, error) && error.find(titles) != std::string::npos;
        try {
            CaptureFileList(list, document, DefaultExcludedExtensions());
            ok = false;
        } catch (const FileListError& failure) {
            ok = ok && std::string(failure.what()).find(list) != std::string::npos;
        }
        return ok;
    };

    {
        TempFolder folder;
        WriteBytes(folder.File("pelto.LOG"), oldTitles);
        WriteBytes(folder.File("pelto.DIR"), "old list\r\n");
        WriteBytes(folder.File("doc.log"), "x\r\n");
        ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
        EXPECT_TRUE(AsUnprivileged([&] { return checkRefused(folder.Path()); })) << "read-only folder";
        chmod(folder.Path().c_str(), 0777);
        EXPECT_EQ(ReadBytes(folder.File("pelto.LOG")), oldTitles);
        EXPECT_EQ(ReadBytes(folder.File("pelto.DIR")), "old list\r\n");
        EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"doc.log", "pelto.DIR", "pelto.LOG"}));
    }

    SmallDisk disk(256 << 10);
    SKIP_WITHOUT_SMALL_DISK(disk);
    WriteBytes(disk.File("pelto.LOG"), oldTitles);
    WriteBytes(disk.File("pelto.DIR"), "old list\r\n");
    // Enough names that the new list cannot fit.
    for (int file = 0; file < 300; ++file)
        WriteBytes(disk.File("document-with-a-long-name-" + std::to_string(file) + ".log"), "");
    disk.Fill();
    EXPECT_TRUE(checkRefused(disk.Path())) << "full disk";
    EXPECT_EQ(ReadBytes(disk.File("pelto.LOG")), oldTitles);
    EXPECT_EQ(ReadBytes(disk.File("pelto.DIR")), "old list\r\n");
    EXPECT_EQ(FolderEntries(disk.Path()).size(), 300u + 3u) << "a temporary file was left behind";
}

}  // namespace
}  // namespace pelto
