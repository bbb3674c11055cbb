// The reply tree built the plain way: scan the path list per post, scan
// forward per node.  Slow, but close to the rules as written, so the tree
// build can be checked against it (by the tests and by the fuzzer).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "ForumTestSupport.h"
#include "forum/PostHeader.h"
#include "forum/SideFile.h"
#include "text/Cp932.h"
#include "text/NumberedLine.h"

namespace pelto::forumtest {

struct PlainTree {
  std::string file01, file02, file03;
  bool readBack = true;  // every 01 line read back as a numbered line
};

inline std::string DepthText(int depth) {
  return depth < 10 ? "0" + std::to_string(depth) : std::to_string(depth);
}

inline PlainTree BuildPlainTree(const Doc& doc, const std::string& name) {
  const std::string kBar = "\x84\xA0 ";
  const std::string kBranch = "\x84\xA5 ";
  const std::string kLast = "\x84\xA4 ";

  PlainTree out;
  const std::string first = MakeNumberedLine(1, NameToSideFileBytes(name)) + "\r\n";

  // Headers into the 01 file.
  out.file01 = first;
  for (size_t i = 0; i + 1 < doc.lines.size(); ++i) {
    const std::string& s = doc.lines[i];
    const std::string& t = doc.lines[i + 1];
    if (s.size() < 11 || !IsSlashHeader(s)) continue;
    std::string ref;
    if ((t.size() >= 28 && t.substr(23, 5) == "     ") || t.size() == 21) {
      ref = "#####";
    } else {
      ref = t.size() > 23 ? t.substr(23, 5) : "";
      ref.resize(5, ' ');
    }
    out.file01 += MakeNumberedLine(static_cast<long long>(i) + 1,
                                   s.substr(0, 5) + "/" + ref + " " +
                                       (s.size() > 12 ? s.substr(12) : "")) + "\r\n";
  }

  // Link each post, reading the 01 file back.
  std::vector<std::string> index, path, text;
  const auto lines01 = SplitStoredLines(out.file01);
  for (size_t n = 1; n < lines01.size(); ++n) {
    long long number = 0;
    std::string payload;
    if (!ReadNumberedLine(lines01[n], number, payload)) {
      out.readBack = false;
      continue;
    }
    const std::string h = lines01[n].substr(0, lines01[n].size() - payload.size());
    const std::string p = payload.substr(0, 5), r = payload.substr(6, 5), t = payload.substr(12);
    long insertion = -1, parent = -1;
    if (r != "#####") {
      for (size_t j = 0; j < path.size(); ++j) {
        const int at = DbcsPos(r, path[j]);
        if (at > 0) {
          insertion = static_cast<long>(j);
          if (static_cast<size_t>(at) + 4 == path[j].size()) parent = static_cast<long>(j);
        }
      }
    }
    if (r == "#####" || parent < 0) {
      index.push_back(h + "01 ");
      path.push_back("\\" + p);
      text.push_back(" " + t);
    } else {
      const int depth = 1 + static_cast<int>(std::count(path[parent].begin(), path[parent].end(), '\\'));
      const auto at = static_cast<size_t>(insertion + 1);
      index.insert(index.begin() + at, h + DepthText(depth) + " ");
      path.insert(path.begin() + at, path[parent] + "\\" + p);
      text.insert(text.begin() + at, " " + t);
    }
  }
  out.file02 = first;
  for (size_t c = 0; c < index.size(); ++c) out.file02 += index[c] + path[c] + text[c] + "\r\n";

  // Draw, scanning forward from every node.
  const int count = static_cast<int>(index.size());
  std::vector<int> depth(index.size());
  for (size_t c = 0; c < index.size(); ++c) {
    const size_t from = index[c].find(" : ") + 3;
    depth[c] = std::stoi(index[c].substr(from, index[c].find(' ', from) - from));
  }
  out.file03 = first;
  for (int c = 0; c < count; ++c) {
    const int m = std::min(depth[c], 19);
    std::vector<bool> found(static_cast<size_t>(m) + 1, false);
    int bound = count;
    for (int k = 1; k <= m; ++k) {
      for (int j = c + 1; j < bound; ++j) {
        if (depth[j] == k) {
          found[k] = true;
          bound = j;
          break;
        }
      }
    }
    std::string prefix;
    for (int k = 2; k <= m - 1; ++k) prefix += found[k] ? kBar : "   ";
    if (m >= 2) prefix += found[m] ? kBranch : kLast;
    prefix += path[c].substr(path[c].rfind('\\') + 1);
    out.file03 += index[c].substr(0, index[c].find(" : ") + 2) + " " + prefix + "   " +
                  text[c].substr(1) + "\r\n";
  }
  return out;
}

}  // namespace pelto::forumtest
