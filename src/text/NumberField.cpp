#include "text/NumberField.h"

namespace pelto {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> StrToInt(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;

  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }

  bool hex = false;
  if (pos < text.size() && text[pos] == '$') {
    hex = true;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' &&
             (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }

  if (pos == text.size()) return std::nullopt;  // nothing but blanks, sign or prefix

  // Accumulate in 64 bits; stop as soon as the value leaves the 32-bit room.
  uint64_t magnitude = 0;
  const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  for (; pos < text.size(); ++pos) {
    int digit;
    if (hex) {
      digit = HexDigit(text[pos]);
    } else {
      digit = (text[pos] >= '0' && text[pos] <= '9') ? text[pos] - '0' : -1;
    }
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > limit) return std::nullopt;
  }

  // Hexadecimal uses all 32 bits: reinterpret, then apply the sign.
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  const uint32_t result = negative ? 0u - bits : bits;
  return static_cast<int32_t>(result);
}

int32_t StrToIntDef(std::string_view text, int32_t def) {
  return StrToInt(text).value_or(def);
}

}  // namespace pelto
