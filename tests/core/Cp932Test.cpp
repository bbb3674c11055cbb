#include <gtest/gtest.h>

#include <random>

#include "text/Cp932.h"
#include "text/NumberedLine.h"

using namespace pelto;

TEST(Cp932, LeadByteTableIsFixed)
{
    for (int b = 0; b < 256; ++b) {
        bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsDBCSLeadByte(static_cast<unsigned char>(b)), expected) << b;
    }
}

TEST(Cp932, ByteKindWalksWholeCharactersFromTheStart)
{
    const std::string text = "a\x82\xa0" "b";
    EXPECT_EQ(ByteKind(text, 0), 0);
    EXPECT_EQ(ByteKind(text, 1), 0);
    EXPECT_EQ(ByteKind(text, 2), 1);
    EXPECT_EQ(ByteKind(text, 3), 2);
    EXPECT_EQ(ByteKind(text, 4), 0);
    EXPECT_EQ(ByteKind(text, 5), 0); // beyond the end
    // A trail byte that is itself in the lead range stays a trail byte.
    const std::string leads = "\x81\x81\x81\x81\x81";
    EXPECT_EQ(ByteKind(leads, 2), 2);
    EXPECT_EQ(ByteKind(leads, 3), 1);
    EXPECT_EQ(ByteKind(leads, 4), 2);
    EXPECT_EQ(ByteKind(leads, 5), 0); // a lead byte at the end is a single byte
}

TEST(Cp932, DbcsPosMatchesOnlyAtCharacterStarts)
{
    // 0x83 0x41 is katakana "a": its trail byte is the ASCII 'A'.
    EXPECT_EQ(DbcsPos("A", "\x83\x41"), 0);
    EXPECT_EQ(DbcsPos("A", "\x83\x41" "A"), 3);
    EXPECT_EQ(DbcsPos("\x83\x41", "xy\x83\x41"), 3);
    EXPECT_EQ(DbcsPos("\x83\x41", "\x83\x42"), 0);
    EXPECT_EQ(DbcsPos("a", "A"), 0); // case matters
    EXPECT_EQ(DbcsPos("bc", "abc"), 2);
    EXPECT_EQ(DbcsPos("abcd", "abc"), 0);
    EXPECT_EQ(DbcsPos("", "abc"), 0);
    EXPECT_EQ(DbcsPos("a", ""), 0);
    // A lone lead byte against a double-byte character compares first bytes.
    EXPECT_EQ(DbcsPos("\x82", "x\x82\xa0"), 2);
}

TEST(Cp932, UpperAsciiNeverTouchesTrailBytes)
{
    std::string s = "ab\x83\x61z\x83\x7a" "q\x82";
    UpperAscii(s);
    EXPECT_EQ(s, "AB\x83\x61Z\x83\x7a" "Q\x82");
}

TEST(Cp932, DecodesCharactersOneUnitEach)
{
    std::vector<uint8_t> widths;
    // a, あ, half-width katakana wo, circled 1 (NEC), small roman 1 (IBM), backslash, tilde
    std::u16string text = Cp932ToUtf16("a\x82\xa0\xa6\x87\x40\xfa\x40\\~", &widths);
    EXPECT_EQ(text, u"a\u3042\uff66\u2460\u2170\\~");
    EXPECT_EQ(widths, (std::vector<uint8_t>{1, 2, 1, 2, 2, 1, 1}));
    EXPECT_EQ(Cp932CodeToUtf16(0x82a0), u'\u3042');
    EXPECT_EQ(Cp932CodeToUtf16(0x82), u'\ufffd');
}

TEST(Cp932, InvalidBytesGiveOneReplacementEach)
{
    std::vector<uint8_t> widths;
    // a lone lead byte at the end, a lead byte before a non-character, and
    // an unassigned pair whose second byte is a character of its own
    EXPECT_EQ(Cp932ToUtf16("x\x82", &widths), u"x\ufffd");
    EXPECT_EQ(Cp932ToUtf16("\x82\x0d"), u"\ufffd\r");
    EXPECT_EQ(Cp932ToUtf16("\x85\x40"), u"\ufffd@");
    EXPECT_EQ(Cp932ToUtf8("\x82"), "\xef\xbf\xbd");

    // Whatever the bytes, every byte is accounted for exactly once.
    std::mt19937 random(7);
    std::string noise(4000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::u16string decoded = Cp932ToUtf16(noise, &widths);
    ASSERT_EQ(decoded.size(), widths.size());
    size_t total = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
        total += widths[i];
        if (widths[i] == 2) {
            EXPECT_NE(decoded[i], u'\ufffd');
        }
    }
    EXPECT_EQ(total, noise.size());
}

TEST(Cp932, EncodesOnlyRealCp932Characters)
{
    EXPECT_EQ(Utf8ToCp932("a\xe3\x81\x82\xe2\x91\xa0"), std::optional<std::string>("a\x82\xa0\x87\x40"));
    EXPECT_EQ(Utf8ToCp932("\xe2\x82\xac"), std::nullopt);     // euro sign
    EXPECT_EQ(Utf8ToCp932("\xc2\xa5"), std::nullopt);         // yen sign: 0x5C is a backslash here
    EXPECT_EQ(Utf8ToCp932("\xf0\x9f\x98\x80"), std::nullopt); // beyond the BMP
    EXPECT_EQ(Utf8ToCp932("\xe3\x81"), std::nullopt);         // cut off
    EXPECT_EQ(Utf8ToCp932("\xc0\xaf"), std::nullopt);         // overlong
    EXPECT_EQ(Utf8ToCp932(""), std::optional<std::string>(""));

    EXPECT_EQ(NameToSideFileBytes("/tmp/\xe3\x83\xad\xe3\x82\xb0.txt"), "/tmp/\x83\x8d\x83\x4f.txt");
    EXPECT_EQ(NameToSideFileBytes("/tmp/\xe2\x82\xac.txt"), "/tmp/\xe2\x82\xac.txt");
}

TEST(NumberedLine, WritesSixDigitsOrMore)
{
    EXPECT_EQ(MakeNumberedLine(5, "x"), "000005 : x");
    EXPECT_EQ(MakeNumberedLine(999999, ""), "999999 : ");
    EXPECT_EQ(MakeNumberedLine(1234567, "a : b"), "1234567 : a : b");
    for (long long number : {1'000'000LL, 12'345'678LL}) {
        long long read = 0;
        std::string payload;
        ASSERT_TRUE(ReadNumberedLine(MakeNumberedLine(number, "name"), read, payload));
        EXPECT_EQ(read, number);
        EXPECT_EQ(payload, "name");
    }
}

TEST(NumberedLine, ReadsTheNumberBeforeTheFirstSeparator)
{
    long long line = -1;
    std::string payload = "untouched";
    ASSERT_TRUE(ReadNumberedLine("1234567 : a : b", line, payload));
    EXPECT_EQ(line, 1234567);
    EXPECT_EQ(payload, "a : b");
    ASSERT_TRUE(ReadNumberedLine("000012 : ", line, payload));
    EXPECT_EQ(line, 12);
    EXPECT_EQ(payload, "");

    line = -1;
    payload = "untouched";
    for (std::string_view bad : {"000012 :x", " : x", "12a : x", "000012", "99999999999999999999 : x"}) {
        EXPECT_FALSE(ReadNumberedLine(bad, line, payload)) << bad;
        EXPECT_EQ(line, -1);
        EXPECT_EQ(payload, "untouched");
    }
}
