// Small forum logs for the forum tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "forum/PostHeader.h"

namespace pelto::forumtest {

struct Doc {
  std::vector<std::string> lines;
  DocumentLines View() const {
    return {static_cast<int>(lines.size()),
            [this](int line) { return std::string_view(lines.at(static_cast<size_t>(line))); }};
  }
  Doc& Add(std::string line) {
    lines.push_back(std::move(line));
    return *this;
  }
};

// "00012/00100 title": a slash header for post `post` (five bytes as written).
inline std::string Slash(std::string_view post, std::string_view title = "title") {
  return std::string(post) + "/00100 " + std::string(title);
}

// The line after a slash header carrying `reference` in columns 24-28.
inline std::string RefLine(std::string_view reference) {
  return "From: someone(ABC01234)" + std::string(reference) + " 98/01/02 12:34";
}
inline std::string NoRefLine() { return RefLine("     "); }

// Expected side-file text from its lines, CR LF after each.
inline std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace pelto::forumtest
