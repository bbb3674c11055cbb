// Buffered standard output of pelto-cli; nothing reaches the stream before
// a command has loaded its file.
#pragma once

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

class Output {
public:
    Output() { buffer_.reserve(1 << 16); }
    ~Output() { Flush(); }
    void Append(std::string_view text)
    {
        buffer_.append(text);
        if (buffer_.size() >= (1 << 16))
            Flush();
    }
    void AppendNumber(long long value)
    {
        char digits[24];
        auto result = std::to_chars(digits, digits + sizeof digits, value);
        buffer_.append(digits, result.ptr);
    }
    void Flush()
    {
        if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size())
            failed_ = true;
        buffer_.clear();
    }
    bool Finish()
    {
        Flush();
        return std::fflush(stdout) == 0 && !failed_ && !std::ferror(stdout);
    }

private:
    std::string buffer_;
    bool failed_ = false;
};
