// Integer fields as the settings file and the dialogs hold them: decimal text,
// or hexadecimal after "$" or "0x".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pelto {

// Converts text the way the toolkit's StrToInt does:
//  - leading blanks (spaces) are skipped; trailing ones are refused;
//  - an optional "+" or "-";
//  - decimal digits, or hexadecimal digits after "$", "0x" or "0X";
//  - decimal must fit a signed 32-bit integer; hexadecimal may use all 32 bits
//    ("$FFFFFFFF" is -1), so colour values such as "$80000005" read back.
// Empty text, a lone sign or prefix, or any other character gives nullopt.
std::optional<int32_t> StrToInt(std::string_view text);

// StrToInt, or `def` when the text does not convert.
int32_t StrToIntDef(std::string_view text, int32_t def);

}  // namespace pelto
