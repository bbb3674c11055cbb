// Entry functions of the fuzz targets.  Each takes arbitrary bytes, drives
// one part of the core with them and checks what came out; a broken check
// throws FuzzFailure.  The fuzzers call them, and so does a regular test that
// replays the saved inputs, so a fixed fault stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelto::fuzz {

class FuzzFailure : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// DbcsPos, UpperAscii, ByteKind, numbered-line records, the CP932 conversions.
void TextRules(const uint8_t* data, size_t size);
// The line store's two loaders and its edits, and the row table in every wrap
// mode (window width through a made-up measurer), whole and from a line on.
void StoreLayout(const uint8_t* data, size_t size);
// The settings-file reader and writer, in memory and through a real file.
void IniRoundTrip(const uint8_t* data, size_t size);
// Title extraction, both kinds, against the rules written out plainly.
void Titles(const uint8_t* data, size_t size);
// The reply tree against the plain build.
void ReplyTreeBuild(const uint8_t* data, size_t size);
// The tree list and the thread cut.
void ThreadCut(const uint8_t* data, size_t size);

struct Entry {
  const char* name;  // also the folder of its corpus and saved inputs
  void (*run)(const uint8_t* data, size_t size);
};
const std::vector<Entry>& Entries();

}  // namespace pelto::fuzz
