#include <string>

#include <gtest/gtest.h>

#include "NavigationTestSupport.h"
#include "navigation/JumpRule.h"

namespace pelto {
namespace {

using testing::Document;

// Fourteen lines; wrapping at 10 bytes gives the second line three rows.
std::string FourteenLines()
{
    std::string bytes = "first\r\n" + std::string(25, 'w') + "\r\n";
    for (int line = 3; line <= 14; ++line)
        bytes += "line " + std::to_string(line) + "\r\n";
    return bytes;
}

JumpResult Jump(const Document& doc, std::string_view text) { return JumpFromText(text, doc.rows); }

void ExpectJump(const JumpResult& result, int32_t topRow)
{
    EXPECT_EQ(result.Outcome, JumpOutcome::Jump);
    EXPECT_EQ(result.TopRow, topRow);
}

TEST(JumpRule, TypedTexts)
{
    Document doc(FourteenLines());
    ExpectJump(Jump(doc, "1"), 0);
    ExpectJump(Jump(doc, "12"), 11);
    ExpectJump(Jump(doc, " 12"), 11);
    ExpectJump(Jump(doc, "+12"), 11);
    ExpectJump(Jump(doc, "$A"), 9);
    // Only "$" makes a typed number hexadecimal.
    for (std::string_view text : {"0x1A", "0X1A", " +0x1A", "$0x1A", "1A"})
        EXPECT_EQ(Jump(doc, text).Outcome, JumpOutcome::OutOfRange) << text;
    ExpectJump(Jump(doc, "0010"), 9);
    EXPECT_EQ(Jump(doc, "-5").Outcome, JumpOutcome::MinusSign);
    EXPECT_EQ(Jump(doc, "1-2").Outcome, JumpOutcome::MinusSign);
    EXPECT_EQ(Jump(doc, "12a").Outcome, JumpOutcome::OutOfRange);
    EXPECT_EQ(Jump(doc, "12 ").Outcome, JumpOutcome::OutOfRange);
    EXPECT_EQ(Jump(doc, "0").Outcome, JumpOutcome::OutOfRange);
    // Hexadecimal that reads back negative names no line (and must not reach
    // the row table as a negative line).
    EXPECT_EQ(Jump(doc, "$FFFFFFFF").Outcome, JumpOutcome::OutOfRange);
    // Past the end: the last row.
    ExpectJump(Jump(doc, "999"), 13);
    ExpectJump(Jump(doc, "14"), 13);
}

TEST(JumpRule, WrappedLinesAndTheRowBeforeTheNextLine)
{
    Document doc(FourteenLines(), 10);
    ASSERT_EQ(doc.rows.RowCount(), 16);
    // Line 1 takes one row, so jumping to it shows row 0.
    EXPECT_EQ(JumpTopRow(1, doc.rows), 0);
    // Line 2 wraps into rows 1..3: the row before line 3's first row.
    EXPECT_EQ(JumpTopRow(2, doc.rows), 3);
    EXPECT_EQ(JumpTopRow(3, doc.rows), 4);
    EXPECT_EQ(JumpTopRow(100, doc.rows), 15);
    EXPECT_FALSE(JumpTopRow(0, doc.rows));
    EXPECT_FALSE(JumpTopRow(-3, doc.rows));
    EXPECT_EQ(JumpTopRow(std::string_view("3"), doc.rows), 4);
    EXPECT_FALSE(JumpTopRow(std::string_view(""), doc.rows));

    Document empty("");
    EXPECT_FALSE(JumpTopRow(1, empty.rows));
    EXPECT_EQ(Jump(empty, "1").Outcome, JumpOutcome::OutOfRange);
}

TEST(JumpRule, EveryRowOfALongDocumentIsReachable)
{
    std::string bytes;
    bytes.reserve(3'000'010);
    for (int line = 0; line < 1'000'002; ++line)
        bytes += "x\r\n";
    Document doc(bytes);
    EXPECT_EQ(JumpTopRow(999'999, doc.rows), 999'998);
    EXPECT_EQ(JumpTopRow(1'000'000, doc.rows), 999'999);
    EXPECT_EQ(JumpTopRow(1'000'001, doc.rows), 1'000'000);
    // The last line and anything past it: the last row.
    EXPECT_EQ(JumpTopRow(1'000'002, doc.rows), 1'000'001);
    EXPECT_EQ(JumpTopRow(5'000'000, doc.rows), 1'000'001);
    // Seven and nine typed digits, as the dialog now takes them.
    ExpectJump(Jump(doc, "1000001"), 1'000'000);
    ExpectJump(Jump(doc, "999999999"), 1'000'001);
}

} // namespace
} // namespace pelto
