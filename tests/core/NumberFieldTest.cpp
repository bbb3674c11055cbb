#include "text/NumberField.h"

#include <gtest/gtest.h>

namespace pelto {
namespace {

TEST(NumberFieldTest, DecimalWithSignAndLeadingBlanks) {
  EXPECT_EQ(StrToInt("80"), 80);
  EXPECT_EQ(StrToInt("-1"), -1);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("   42"), 42);
  EXPECT_EQ(StrToInt("007"), 7);
}

TEST(NumberFieldTest, HexadecimalPrefixes) {
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("0X1f"), 31);
  EXPECT_EQ(StrToInt("$10"), 16);
  EXPECT_EQ(StrToInt("$00FF0000"), 0x00FF0000);
  EXPECT_EQ(StrToInt("-$10"), -16);
  // Hexadecimal fills all 32 bits, as colour values need.
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("$80000005"), static_cast<int32_t>(0x80000005u));
  EXPECT_FALSE(StrToInt("$100000000").has_value());
}

TEST(NumberFieldTest, ThirtyTwoBitDecimalRange) {
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_FALSE(StrToInt("2147483648").has_value());
  EXPECT_FALSE(StrToInt("-2147483649").has_value());
  EXPECT_FALSE(StrToInt("99999999999999999999999").has_value());
}

TEST(NumberFieldTest, RefusesAnythingElse) {
  for (const char* text : {"", " ", "-", "+", "$", "0x", "abc", "12a", "1.5", "1 2", "12 ",
                           "- 1", "0x-1", "$ 1", "x10", "\t5"}) {
    EXPECT_FALSE(StrToInt(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace pelto
