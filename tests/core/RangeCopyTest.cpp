#include <string>

#include <gtest/gtest.h>

#include "NavigationTestSupport.h"
#include "navigation/History.h"
#include "navigation/RangeCopy.h"

namespace pelto {
namespace {

using testing::Document;

std::string NumberedLines(int count)
{
    std::string bytes;
    for (int line = 1; line <= count; ++line)
        bytes += "L" + std::to_string(line) + "\r\n";
    return bytes;
}

TEST(RangeCopy, OneLineAndBothOrders)
{
    Document doc(NumberedLines(20));
    RangeCopy one = BuildRangeCopy(doc.store, 5, 5);
    EXPECT_EQ(one.Outcome, RangeCopyOutcome::Copied);
    EXPECT_EQ(one.Text, "L5\r\n");
    EXPECT_EQ(one.LineCount, 1);

    RangeCopy down = BuildRangeCopy(doc.store, 3, 6);
    RangeCopy up = BuildRangeCopy(doc.store, 6, 3);
    EXPECT_EQ(down.Text, "L3\r\nL4\r\nL5\r\nL6\r\n");
    EXPECT_EQ(up.Text, down.Text);
    EXPECT_EQ(up.LineCount, 4);
}

TEST(RangeCopy, AtMost999Lines)
{
    Document doc(NumberedLines(1200));
    RangeCopy most = BuildRangeCopy(doc.store, 1, 999);
    EXPECT_EQ(most.Outcome, RangeCopyOutcome::Copied);
    EXPECT_EQ(most.LineCount, 999);
    EXPECT_EQ(most.Text.substr(0, 4), "L1\r\n");
    EXPECT_EQ(most.Text.substr(most.Text.size() - 6), "L999\r\n");
    EXPECT_EQ(BuildRangeCopy(doc.store, 1000, 2).LineCount, 999);

    for (auto [start, end] : {std::pair{1, 1000}, std::pair{1000, 1}, std::pair{1200, 1}}) {
        RangeCopy refused = BuildRangeCopy(doc.store, start, end);
        EXPECT_EQ(refused.Outcome, RangeCopyOutcome::TooManyLines) << start << " " << end;
        EXPECT_TRUE(refused.Text.empty());
    }
    EXPECT_STREQ(RangeCopyMessage(RangeCopyOutcome::TooManyLines), "    コピーできる範囲は９９９行までです。   ");
}

TEST(RangeCopy, LineNumbersOutOfRange)
{
    Document doc(NumberedLines(10));
    // No start marked yet: the start is reported first.
    EXPECT_EQ(BuildRangeCopy(doc.store, 0, 0).Outcome, RangeCopyOutcome::StartOutOfRange);
    EXPECT_EQ(BuildRangeCopy(doc.store, 4, 0).Outcome, RangeCopyOutcome::EndOutOfRange);
    // A start marked in a longer document than the one now shown.
    EXPECT_EQ(BuildRangeCopy(doc.store, 11, 10).Outcome, RangeCopyOutcome::StartOutOfRange);
    EXPECT_STREQ(RangeCopyMessage(RangeCopyOutcome::StartOutOfRange), "    選択開始の行番号が範囲外です。   ");

    // Past line 999999 only the document's own end limits a range.
    Document big(NumberedLines(1'000'002));
    const RangeCopy far = BuildRangeCopy(big.store, 1'000'002, 999'999);
    ASSERT_EQ(far.Outcome, RangeCopyOutcome::Copied);
    EXPECT_EQ(far.Text, "L999999\r\nL1000000\r\nL1000001\r\nL1000002\r\n");
    EXPECT_EQ(BuildRangeCopy(big.store, 1'000'003, 1'000'002).Outcome, RangeCopyOutcome::StartOutOfRange);
    EXPECT_EQ(BuildRangeCopy(big.store, 1'000'002, 1'000'003).Outcome, RangeCopyOutcome::EndOutOfRange);
    EXPECT_STREQ(RangeCopyMessage(RangeCopyOutcome::EndOutOfRange), "    選択終了の行番号が範囲外です。   ");
}

TEST(RangeCopy, SelectionCaption)
{
    EXPECT_EQ(SelectedLineCount(12, 5), 8);
    EXPECT_EQ(SelectedLineCount(5, 12), 8);
    EXPECT_EQ(SelectedLineCount(7, 7), 1);
    EXPECT_EQ(SelectionCaption(12, 5),
              " 選択中です。 開始行 : 000012 行 ～ 現在行 : 000005 行  （選択行数 : 000008 行）");
    EXPECT_EQ(SelectionCaption(1, 1234567),
              " 選択中です。 開始行 : 000001 行 ～ 現在行 : 1234567 行  （選択行数 : 1234567 行）");
}

TEST(History, ShiftClearAndList)
{
    std::array<std::string, 33> find{};
    for (int i = 1; i <= 33; ++i) {
        find[0] = "s" + std::to_string(i);
        ShiftHistory(find);
    }
    EXPECT_EQ(find[1], "s33");
    EXPECT_EQ(find[32], "s2");  // the first of 33 was dropped
    EXPECT_EQ(find[0], "s33");  // the hand-over slot is left as it was

    std::array<std::string, 10> jump{};
    jump[0] = "12";
    ShiftHistory(jump);
    ShiftHistory(jump);
    EXPECT_EQ(jump[1], "12");
    EXPECT_EQ(jump[2], "12");  // duplicates stay
    EXPECT_TRUE(jump[3].empty());

    jump[4] = "40";
    EXPECT_EQ(HistoryListLines(jump, 9), (std::vector<std::string>{"12", "12", "40"}));
    EXPECT_EQ(HistoryListLines(jump, 1), (std::vector<std::string>{"12"}));
    EXPECT_EQ(HistoryListLines(jump, 0), (std::vector<std::string>{""}));
    EXPECT_EQ(HistoryListLines(jump, 50).size(), 3u);

    ClearHistory(jump);
    EXPECT_EQ(jump[0], "12");
    EXPECT_EQ(HistoryListLines(jump, 9), (std::vector<std::string>{""}));
}

} // namespace
} // namespace pelto
