// CP932 (Shift-JIS) byte rules and the conversion edges between document text
// (CP932 bytes, never converted inside the program) and platform text (UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelto {

// Fixed CP932 lead-byte table (0x81-0x9F, 0xE0-0xFC), whatever the locale.
// Inline: layout asks this for every byte of a file.
inline bool IsDBCSLeadByte(unsigned char b)
{
    return static_cast<unsigned char>(b - 0x81) <= 0x9F - 0x81 || static_cast<unsigned char>(b - 0xE0) <= 0xFC - 0xE0;
}

// Kind of byte k (1-based) of text, walking whole characters from byte 1:
// 0 single byte (or k beyond the text, or k < 1), 1 lead byte, 2 trail byte.
// A lead byte that is the last byte of the text is a single byte.
int ByteKind(std::string_view text, int k);

// Bytes (1 or 2) of the character that starts at 0-based pos, pos being a
// character start; 0 when pos is at or beyond the end.
inline int Cp932CharLen(std::string_view text, size_t pos)
{
    if (pos >= text.size())
        return 0;
    return (IsDBCSLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// Code used to measure a character: a single byte b gives b, a double-byte
// pair gives (lead << 8) | trail.  pos is a 0-based character start; the
// character's length (1 or 2) is stored in *charLen when given.
inline uint16_t Cp932CharCode(std::string_view text, size_t pos, int* charLen = nullptr)
{
    int len = Cp932CharLen(text, pos);
    if (charLen)
        *charLen = len;
    if (len == 0)
        return 0;
    auto b = static_cast<unsigned char>(text[pos]);
    if (len == 1)
        return b;
    return static_cast<uint16_t>((b << 8) | static_cast<unsigned char>(text[pos + 1]));
}

// 1-based byte position of the first character of text at which pattern
// matches whole characters exactly; 0 when none or either is empty.
int DbcsPos(std::string_view pattern, std::string_view text);

// Upper-cases single-byte a-z only, walking whole characters, so the trail
// bytes 0x61-0x7A of double-byte characters are never touched.
void UpperAscii(std::string& s);

// --- conversion edges -------------------------------------------------------

// CP932 -> UTF-16.  Every valid character gives exactly one UTF-16 unit (all
// CP932 characters lie in the BMP); every byte that is not part of a valid
// character gives one U+FFFD.  Nothing is dropped or merged.  When unitBytes
// is given it receives, per output unit, the number of bytes (1 or 2) the
// unit came from, so byte columns map onto drawn characters.
std::u16string Cp932ToUtf16(std::string_view bytes, std::vector<uint8_t>* unitBytes = nullptr);

// One character code (as from Cp932CharCode) to its UTF-16 unit; U+FFFD when
// the code is not a valid character.
char16_t Cp932CodeToUtf16(uint16_t code);

// CP932 -> UTF-8 with the same one-U+FFFD-per-invalid-byte rule.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-8 -> CP932; nullopt when the input is not valid UTF-8 or a character
// has no CP932 form.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// The bytes a side file carries for a document name: the name in CP932 when
// every character maps, else its UTF-8 bytes; CR and 0x1A become "?" so the
// name reads back as one line.
std::string NameToSideFileBytes(std::string_view utf8Name);

} // namespace pelto
