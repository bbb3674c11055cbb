#include "cli/GrepCommand.h"
#include "cli/Output.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "cli/FindCommand.h"
#include "navigation/HitList.h"
#include "text/Cp932.h"

namespace pelto {

namespace {

constexpr const char* kGrepUsage =
    "usage: pelto-cli grep [--case] [--hex] [--post] PATTERN FILE...\n"
    "  Prints FILE:LINE:TEXT for every line of the FILEs that holds PATTERN, matched as the\n"
    "  search dialog matches (whole characters, single-byte letters folded unless --case);\n"
    "  LINE is 1-based, TEXT the line as UTF-8.  --post adds the number of the post the line\n"
    "  belongs to: FILE:LINE:POST:TEXT.  --hex takes PATTERN as CP932 bytes in hexadecimal.\n"
    "  Status 0 when a line was found, 1 when none, 2 after an error.\n";

sigjmp_buf busErrorJump;

void OnBusError(int)
{
    siglongjmp(busErrorJump, 1);
}

// Catches SIGBUS while one mapped file is searched.
class BusErrorGuard {
public:
    BusErrorGuard()
    {
        struct sigaction action {};
        action.sa_handler = OnBusError;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous_);
    }
    ~BusErrorGuard() { sigaction(SIGBUS, &previous_, nullptr); }

private:
    struct sigaction previous_ {};
};

// A file's bytes: mapped when it is a regular file (reading a large file into
// fresh memory costs more than searching it), read otherwise.
class FileBytes {
public:
    ~FileBytes()
    {
        if (mapped_)
            munmap(mapped_, capacity_);
    }

    // False with a reason in error when the file cannot be read.
    bool Open(const std::string& path, std::string& error)
    {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = std::strerror(errno);
            return false;
        }
        struct stat info {};
        bool ok = fstat(fd, &info) == 0;
        if (ok && S_ISDIR(info.st_mode)) {
            error = std::strerror(EISDIR);
            ok = false;
        } else if (ok && S_ISREG(info.st_mode) && info.st_size > 0) {
            capacity_ = size_ = static_cast<size_t>(info.st_size);
            void* at = mmap(nullptr, capacity_, PROT_READ, MAP_PRIVATE, fd, 0);
            if (at != MAP_FAILED) {
                mapped_ = static_cast<char*>(at);
                madvise(at, capacity_, MADV_SEQUENTIAL);
            } else {
                size_ = 0;
                capacity_ = 0;
                ok = ReadAll(fd, error);
            }
        } else if (ok && !S_ISREG(info.st_mode)) {
            ok = ReadAll(fd, error);
        }
        if (!ok && error.empty())
            error = std::strerror(errno);
        close(fd);
        return ok;
    }

    std::string_view Bytes() const
    {
        return mapped_ ? std::string_view(mapped_, size_) : std::string_view(read_);
    }

private:
    bool ReadAll(int fd, std::string& error)
    {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got == 0)
                return true;
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                error = std::strerror(errno);
                return false;
            }
            read_.append(buffer, static_cast<size_t>(got));
        }
    }

    char* mapped_ = nullptr;
    size_t capacity_ = 0;
    size_t size_ = 0;
    std::string read_;
};

struct GrepOptions {
    bool caseSensitive = false;
    bool hex = false;
    bool post = false;
    std::string pattern;
    std::vector<std::string> files;
};

std::optional<GrepOptions> ParseGrepArguments(int argc, char** argv, std::string& error)
{
    GrepOptions options;
    std::vector<std::string_view> operands;
    bool optionsDone = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view word = argv[i];
        // A pattern such as "-5" is an operand; only "--" words are options.
        if (optionsDone || word.size() < 2 || word.substr(0, 2) != "--") {
            operands.push_back(word);
        } else if (word == "--") {
            optionsDone = true;
        } else if (word == "--case") {
            options.caseSensitive = true;
        } else if (word == "--hex") {
            options.hex = true;
        } else if (word == "--post") {
            options.post = true;
        } else {
            error = "unknown option " + std::string(word);
            return std::nullopt;
        }
    }
    if (operands.size() < 2) {
        error = "PATTERN and at least one FILE are needed";
        return std::nullopt;
    }
    options.pattern = std::string(operands[0]);
    if (options.pattern.empty()) {
        error = "PATTERN is empty";
        return std::nullopt;
    }
    options.files.assign(operands.begin() + 1, operands.end());
    return options;
}

} // namespace

std::string GrepLineText(std::string_view cp932Line)
{
    // Written straight into a buffer of the largest size (three UTF-8 bytes
    // a CP932 byte): a busy pattern gives hundreds of thousands of lines.
    std::string out(cp932Line.size() * 3, '\0');
    char* at = out.data();
    auto put = [&at](char16_t unit) {
        if (unit < 0x80) {
            *at++ = static_cast<char>(unit);
        } else if (unit < 0x800) {
            *at++ = static_cast<char>(0xC0 | (unit >> 6));
            *at++ = static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            *at++ = static_cast<char>(0xE0 | (unit >> 12));
            *at++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            *at++ = static_cast<char>(0x80 | (unit & 0x3F));
        }
    };
    for (size_t pos = 0; pos < cp932Line.size();) {
        int length = 1;
        const uint16_t code = Cp932CharCode(cp932Line, pos, &length);
        const char16_t unit = Cp932CodeToUtf16(code);
        if (length == 2 && unit == 0xFFFD) {
            put(0xFFFD);  // no character: the lead byte alone, then the next byte on its own
            ++pos;
            continue;
        }
        const bool control = length == 1 && ((code < 0x20 && code != '\t') || code == 0x7F);
        put(control ? char16_t(0xFFFD) : unit);
        pos += static_cast<size_t>(length);
    }
    out.resize(static_cast<size_t>(at - out.data()));
    return out;
}

int CliGrep(int argc, char** argv)
{
    if (argc == 1 && (std::string_view(argv[0]) == "--help" || std::string_view(argv[0]) == "-h")) {
        std::fputs(kGrepUsage, stdout);
        return 0;
    }
    std::string error;
    std::optional<GrepOptions> options = ParseGrepArguments(argc, argv, error);
    std::optional<std::string> bytes;
    if (!options || !PatternBytes(options->pattern, options->hex, bytes, error)) {
        std::fprintf(stderr, "pelto-cli: grep: %s\n", error.c_str());
        return 2;
    }
    // A character CP932 lacks finds nothing, as in the search dialog.
    const LineMatcher matcher(bytes.value_or(std::string()), options->caseSensitive);

    Output out;
    // volatile: they keep their values across a bus error's jump
    volatile bool found = false;
    volatile bool failed = false;
    for (const std::string& file : options->files) {
        FileBytes content;
        if (!content.Open(file, error)) {
            std::fprintf(stderr, "pelto-cli: grep: %s: %s\n", file.c_str(), error.c_str());
            failed = true;
            continue;
        }
        if (matcher.Empty())
            continue;
        // Another program may cut the file short while it is searched: the
        // mapped pages past its new end then fault, and the search of this
        // file ends there with a message instead of the program.
        BusErrorGuard guard;
        if (sigsetjmp(busErrorJump, 1) != 0) {
            std::fprintf(stderr, "pelto-cli: grep: %s: the file changed while it was read\n", file.c_str());
            failed = true;
            continue;
        }
        const std::string_view loaded = LoadedPart(content.Bytes());
        BytePostFinder posts(loaded);
        ScanFileBytes(loaded, matcher, [&](int64_t line, std::string_view text, size_t) {
            found = true;
            out.Append(file);
            out.Append(":");
            out.AppendNumber(line + 1);
            out.Append(":");
            if (options->post) {
                const PostRef& post = posts.Of(line, text.data());
                if (post.HeaderLine >= 0)
                    out.AppendNumber(post.Number);
                out.Append(":");
            }
            out.Append(GrepLineText(text));
            out.Append("\n");
            return true;
        });
    }
    if (!out.Finish()) {
        std::fputs("pelto-cli: grep: standard output could not be written\n", stderr);
        return 2;
    }
    return failed ? 2 : found ? 0 : 1;
}

} // namespace pelto
