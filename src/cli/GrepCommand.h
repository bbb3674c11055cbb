// pelto-cli grep: every line of some files that holds a pattern, by the
// search's rule, optionally with the post each line belongs to.
#pragma once

#include <string>
#include <string_view>

namespace pelto {

// A line's text for one output line: UTF-8, every byte that does not convert
// and every control byte but the tab (a lone LF among them) as U+FFFD.
std::string GrepLineText(std::string_view cp932Line);

// The whole command: args are the argc words after "grep".  Status 0 when a
// line was found, 1 when none, 2 after a bad argument or an unreadable file
// (each reported on standard error; the other files are still searched).
int CliGrep(int argc, char** argv);

} // namespace pelto
