// pelto-genlog: writes a synthetic forum-conference log (see GenLog.h).
#include "GenLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(std::string(genlog::usage()).c_str(), stdout);
        return 0;
    }
    std::string error;
    auto options = genlog::parseArguments(args, error);
    if (!options) {
        std::fprintf(stderr, "pelto-genlog: %s\n%s", error.c_str(), std::string(genlog::usage()).c_str());
        return 2;
    }

    const bool toStdout = options->outPath == "-";
    std::FILE* out = toStdout ? stdout : std::fopen(options->outPath.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "pelto-genlog: cannot create %s: %s\n", options->outPath.c_str(), std::strerror(errno));
        return 1;
    }
    int writeErrno = 0;
    auto summary = genlog::generate(*options, [&](const char* data, std::size_t size) {
        if (std::fwrite(data, 1, size, out) == size)
            return true;
        writeErrno = errno;
        return false;
    });
    if (std::fflush(out) != 0 && writeErrno == 0) {
        writeErrno = errno;
        summary.complete = false;
    }
    if (!toStdout && std::fclose(out) != 0 && summary.complete) {
        writeErrno = errno;
        summary.complete = false;
    }
    if (!summary.complete) {
        std::fprintf(stderr, "pelto-genlog: cannot write %s: %s\n", options->outPath.c_str(),
                     std::strerror(writeErrno != 0 ? writeErrno : EIO));
        // A cut-off log would only mislead; but never remove what is not a plain
        // file (writing to /dev/full must not delete the device).
        struct stat info {};
        if (!toStdout && ::stat(options->outPath.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            std::remove(options->outPath.c_str());
        return 1;
    }
    std::fprintf(stderr, "pelto-genlog: %llu bytes, %llu lines, %llu posts\n",
                 static_cast<unsigned long long>(summary.bytes), static_cast<unsigned long long>(summary.lines),
                 static_cast<unsigned long long>(summary.posts));
    return 0;
}
