// Numbered-line records: "000123 : payload" (resume points, bookmarks, the
// title file and the tree work files).
#pragma once

#include <string>
#include <string_view>

namespace pelto {

// Six digits zero-padded on the left (seven or more written in full), " : ",
// then the payload.
std::string MakeNumberedLine(long long line1Based, std::string_view payload);

// The number is the digits before the first " : ", the payload everything
// after it.  False (outputs untouched) when there is no " : ", the part before
// it is empty or not all digits, or the number does not fit.
bool ReadNumberedLine(std::string_view record, long long& line1Based, std::string& payload);

} // namespace pelto
