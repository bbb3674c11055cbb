#include "text/Cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>

namespace pelto {

int ByteKind(std::string_view text, int k)
{
    if (k < 1 || static_cast<size_t>(k) > text.size())
        return 0;
    size_t target = static_cast<size_t>(k - 1);
    size_t pos = 0;
    while (pos < target) {
        if (IsDBCSLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) {
            if (pos + 1 == target)
                return 2;
            pos += 2;
        } else {
            ++pos;
        }
    }
    return (IsDBCSLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 1 : 0;
}

int DbcsPos(std::string_view pattern, std::string_view text)
{
    if (pattern.empty() || text.empty())
        return 0;
    for (size_t pos = 0; pos < text.size(); pos += Cp932CharLen(text, pos)) {
        size_t t = pos;
        size_t p = 0;
        bool match = true;
        while (p < pattern.size()) {
            if (t >= text.size()) {
                match = false;
                break;
            }
            int tl = Cp932CharLen(text, t);
            int pl = Cp932CharLen(pattern, p);
            if (text[t] != pattern[p]) {
                match = false;
                break;
            }
            // Two double-byte characters compare as two-byte strings; any other
            // pair compares by its first bytes only.
            if (tl == 2 && pl == 2 && text[t + 1] != pattern[p + 1]) {
                match = false;
                break;
            }
            t += tl;
            p += pl;
        }
        if (match)
            return static_cast<int>(pos) + 1;
    }
    return 0;
}

void UpperAscii(std::string& s)
{
    for (size_t pos = 0; pos < s.size();) {
        int len = Cp932CharLen(s, pos);
        if (len == 1 && s[pos] >= 'a' && s[pos] <= 'z')
            s[pos] = static_cast<char>(s[pos] - 'a' + 'A');
        pos += len;
    }
}

// --- conversion tables ------------------------------------------------------

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct IconvHandle {
    iconv_t cd;
    IconvHandle(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
};

// Converts one CP932 character (1 or 2 bytes) to exactly one BMP unit, or 0.
char16_t ConvertOne(IconvHandle& h, const unsigned char* bytes, size_t n)
{
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {static_cast<char>(bytes[0]), n > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char out[8];
    char* inp = in;
    char* outp = out;
    size_t inLeft = n, outLeft = sizeof out;
    if (iconv(h.cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return 0;
    if (sizeof out - outLeft != 2)
        return 0;
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                          (static_cast<unsigned char>(out[1]) << 8));
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return 0;
    return unit;
}

// Decoding tables, filled once through iconv "CP932".  0 means invalid except
// for the byte 0x00 itself.
struct DecodeTables {
    std::array<char16_t, 256> single{};
    std::vector<char16_t> pair; // (lead << 8) | trail
    DecodeTables() : pair(65536, 0)
    {
        IconvHandle h("UTF-16LE", "CP932");
        if (!h.ok())
            return;
        for (int b = 0; b < 256; ++b) {
            unsigned char byte = static_cast<unsigned char>(b);
            if (IsDBCSLeadByte(byte))
                continue;
            single[b] = b == 0 ? 0 : ConvertOne(h, &byte, 1);
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!IsDBCSLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                unsigned char two[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
                pair[(lead << 8) | trail] = ConvertOne(h, two, 2);
            }
        }
    }
    bool SingleValid(unsigned char b) const { return b == 0 || single[b] != 0; }
};

const DecodeTables& Decode()
{
    static const DecodeTables tables;
    return tables;
}

// Encoding table: BMP unit -> CP932 code (single byte b, or lead << 8 | trail),
// 0xFFFF when none.  Only round-trip mappings are kept, so a character that
// CP932 lacks never turns into a look-alike.
struct EncodeTables {
    std::vector<uint16_t> code;
    EncodeTables() : code(65536, 0xFFFF)
    {
        const DecodeTables& d = Decode();
        IconvHandle h("CP932", "UTF-16LE");
        code[0] = 0;
        for (uint32_t u = 1; u < 65536; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
            char out[8];
            char* inp = in;
            char* outp = out;
            size_t inLeft = 2, outLeft = sizeof out;
            if (h.ok()) {
                iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(h.cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1))
                    continue;
            } else {
                continue;
            }
            size_t n = sizeof out - outLeft;
            if (n == 1) {
                auto b = static_cast<unsigned char>(out[0]);
                if (!IsDBCSLeadByte(b) && d.single[b] == u)
                    code[u] = b;
            } else if (n == 2) {
                uint16_t c = static_cast<uint16_t>((static_cast<unsigned char>(out[0]) << 8) |
                                                   static_cast<unsigned char>(out[1]));
                if (d.pair[c] == u)
                    code[u] = c;
            }
        }
    }
};

const EncodeTables& Encode()
{
    static const EncodeTables tables;
    return tables;
}

void AppendUtf8(std::string& out, char32_t u)
{
    if (u < 0x80) {
        out.push_back(static_cast<char>(u));
    } else if (u < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (u >> 6)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (u >> 12)));
        out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

// Decodes one character at pos: the unit and how many bytes it took.
char16_t DecodeAt(const DecodeTables& d, std::string_view bytes, size_t pos, int& taken)
{
    auto b = static_cast<unsigned char>(bytes[pos]);
    if (IsDBCSLeadByte(b) && pos + 1 < bytes.size()) {
        auto t = static_cast<unsigned char>(bytes[pos + 1]);
        char16_t u = d.pair[(b << 8) | t];
        if (u != 0) {
            taken = 2;
            return u;
        }
        // Not a character: the lead byte alone is invalid, the next byte is
        // decoded on its own.
        taken = 1;
        return kReplacement;
    }
    taken = 1;
    if (IsDBCSLeadByte(b))
        return kReplacement;
    return d.SingleValid(b) ? d.single[b] : kReplacement;
}

} // namespace

std::u16string Cp932ToUtf16(std::string_view bytes, std::vector<uint8_t>* unitBytes)
{
    const DecodeTables& d = Decode();
    std::u16string out;
    out.reserve(bytes.size());
    if (unitBytes) {
        unitBytes->clear();
        unitBytes->reserve(bytes.size());
    }
    for (size_t pos = 0; pos < bytes.size();) {
        int taken = 1;
        out.push_back(DecodeAt(d, bytes, pos, taken));
        if (unitBytes)
            unitBytes->push_back(static_cast<uint8_t>(taken));
        pos += taken;
    }
    return out;
}

char16_t Cp932CodeToUtf16(uint16_t code)
{
    const DecodeTables& d = Decode();
    if (code < 0x100) {
        auto b = static_cast<unsigned char>(code);
        if (IsDBCSLeadByte(b) || !d.SingleValid(b))
            return kReplacement;
        return d.single[b];
    }
    char16_t u = d.pair[code];
    return u != 0 ? u : kReplacement;
}

std::string Cp932ToUtf8(std::string_view bytes)
{
    const DecodeTables& d = Decode();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (size_t pos = 0; pos < bytes.size();) {
        int taken = 1;
        AppendUtf8(out, DecodeAt(d, bytes, pos, taken));
        pos += taken;
    }
    return out;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8)
{
    const EncodeTables& e = Encode();
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        auto b0 = static_cast<unsigned char>(utf8[pos]);
        char32_t u;
        size_t need;
        if (b0 < 0x80) {
            u = b0;
            need = 0;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            u = b0 & 0x1F;
            need = 1;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            u = b0 & 0x0F;
            need = 2;
        } else {
            return std::nullopt; // invalid, or beyond the BMP where CP932 has nothing
        }
        if (pos + need >= utf8.size())
            return std::nullopt; // cut off at the end
        for (size_t i = 1; i <= need; ++i) {
            auto c = static_cast<unsigned char>(utf8[pos + i]);
            if ((c & 0xC0) != 0x80)
                return std::nullopt;
            u = (u << 6) | (c & 0x3F);
        }
        if ((need == 2 && u < 0x800) || (u >= 0xD800 && u <= 0xDFFF))
            return std::nullopt;
        pos += need + 1;
        uint16_t code = e.code[u];
        if (code == 0xFFFF)
            return std::nullopt;
        if (code >= 0x100)
            out.push_back(static_cast<char>(code >> 8));
        out.push_back(static_cast<char>(code & 0xFF));
    }
    return out;
}

std::string NameToSideFileBytes(std::string_view utf8Name)
{
    std::string bytes = Utf8ToCp932(utf8Name).value_or(std::string(utf8Name));
    // Read back, a CR would end the name's line and 0x1A the whole file: such
    // a name is written, and compared, with "?" in their place.
    for (char& byte : bytes) {
        if (byte == '\r' || byte == '\x1A')
            byte = '?';
    }
    return bytes;
}

} // namespace pelto
