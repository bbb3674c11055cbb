// The generated conference log the benchmarks read.
//   PELTO_BENCH_BYTES  size of the generated log (default 128M; K, M, G suffixes)
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "GenLog.h"

namespace bench {

// A log of PELTO_BENCH_BYTES written to a file in /tmp named after `tag` and
// this process, removed again when the object goes.
class GeneratedLog {
public:
    explicit GeneratedLog(const std::string& tag)
    {
        const char* sizeText = std::getenv("PELTO_BENCH_BYTES");
        auto size = genlog::parseByteCount(sizeText ? sizeText : "128M");
        bytes_ = size ? *size : 128u << 20;
        path_ = "/tmp/pelto-" + tag + "-" + std::to_string(::getpid()) + ".log";
        std::FILE* out = std::fopen(path_.c_str(), "wb");
        if (!out) {
            std::perror(path_.c_str());
            std::exit(1);
        }
        genlog::Options options;
        options.sizeLimit = bytes_;
        options.seed = 1;
        genlog::generate(options, [out](const char* data, std::size_t count) {
            return std::fwrite(data, 1, count, out) == count;
        });
        std::fclose(out);
    }
    ~GeneratedLog() { std::remove(path_.c_str()); }
    GeneratedLog(const GeneratedLog&) = delete;
    GeneratedLog& operator=(const GeneratedLog&) = delete;

    const std::string& Path() const { return path_; }
    uint64_t Bytes() const { return bytes_; }

private:
    std::string path_;
    uint64_t bytes_ = 0;
};

}  // namespace bench
