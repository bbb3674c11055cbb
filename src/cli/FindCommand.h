// pelto-cli find: the search dialog's scan over the rows of a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelto {

extern const char* const kFindUsage;

struct FindOptions {
    bool caseSensitive = false;  // --case
    bool prior = false;          // --prior
    bool hex = false;            // --hex
    bool wordWrap = true;        // --nowrap clears it
    int32_t wrapByte = 80;       // --wrap N; the main window wraps at 80
    int64_t topRow = 0;          // --top ROW
    std::string pattern;         // as given: UTF-8, or hexadecimal with --hex
    std::string file;
};

// PATTERN as CP932 bytes: hexadecimal digits with hex, else UTF-8 text
// converted (nullopt in *bytes for a character CP932 lacks, which finds
// nothing).  False, with a reason in error, when the pattern is malformed.
bool PatternBytes(std::string_view pattern, bool hex, std::optional<std::string>& bytes, std::string& error);

// Parses the words after "find".  nullopt, with a one-line reason in error,
// on a bad argument.
std::optional<FindOptions> ParseFindArguments(const std::vector<std::string_view>& args, std::string& error);

// Loads the file, lays it out and scans.  Returns 0 with output set to
// "Row Position\n" or left empty when nothing is found; 2 with error set when
// the pattern is unusable or the file cannot be read.
int RunFind(const FindOptions& options, std::string& output, std::string& error);

// The whole command: args are the argc words after "find".  Prints the result
// on standard output, or one line on standard error and returns 2.
int CliFind(int argc, char** argv);

} // namespace pelto
