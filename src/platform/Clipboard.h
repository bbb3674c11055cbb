#pragma once
// The clipboard as the program fills it.

#include <string_view>

namespace pelto {

// The format that carries document text unconverted.
inline constexpr const char* kShiftJisMimeType = "text/plain;charset=Shift_JIS";

// Replaces the clipboard's content with document text (CP932 bytes): as
// Unicode text for every other program, and as the bytes themselves under
// kShiftJisMimeType, so nothing that did not convert is lost.
void PutClipboardText(std::string_view cp932);

}  // namespace pelto
