// A document loaded the way the view loads one, for the navigation tests.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

#include <gtest/gtest.h>

#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace pelto::testing {

class Document {
public:
    // bytes is the file's content: lines ended by CR LF or CR.  wrapByte 0
    // means no wrapping.
    explicit Document(std::string_view bytes, int32_t wrapByte = 0)
    {
        static int counter = 0;
        path_ = ::testing::TempDir() + "navigation-" + std::to_string(::getpid()) + "-" +
                std::to_string(counter++) + ".txt";
        {
            std::ofstream out(path_, std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        store.LoadFromFile(path_);
        Wrap(wrapByte);
    }
    ~Document() { std::remove(path_.c_str()); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    void Wrap(int32_t wrapByte)
    {
        wrapByte_ = wrapByte;
        rows.LayoutFrom(0, store, wrapByte > 0, wrapByte, nullptr);
    }

    // Replaces a line as an edit would: its bytes then live outside the block.
    void Put(int32_t line, std::string_view text)
    {
        store.Put(line, text);
        rows.LayoutFrom(line, store, wrapByte_ > 0, wrapByte_, nullptr);
    }

    const std::string& Path() const { return path_; }

    TBvStrings store;
    RowTable rows;

private:
    std::string path_;
    int32_t wrapByte_ = 0;
};

// Lines joined by CR LF into a file's bytes.
inline std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string bytes;
    for (std::string_view line : lines) {
        bytes.append(line);
        bytes.append("\r\n");
    }
    return bytes;
}

} // namespace pelto::testing
