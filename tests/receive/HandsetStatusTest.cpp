#include "HandsetStatus.h"

#include <gtest/gtest.h>

namespace {

// A row's name, the handset's text, and the bars and registration read from it.
using Reply = std::tuple<const char *, const char *, int, int>;

class HandsetReplies : public testing::TestWithParam<Reply>
{};

TEST_P(HandsetReplies, ReadAsTheHandsetMeantThem)
{
    const auto &[name, text, bars, registration] = GetParam();
    HandsetStatus status;
    status.feed(text);
    EXPECT_EQ(std::tuple(status.bars(), status.registration()), std::tuple(bars, registration));
}

INSTANTIATE_TEST_SUITE_P(
    Literal, HandsetReplies,
    testing::Values(Reply{"HandsetBars", "AT+CSQ\r\r\n+CSQ:4\r\n\r\nOK\r\n", 4, -1},
                    Reply{"HandsetBarsNoSignal", "\r\n+CSQ:0\r\n\r\nOK\r\n", 0, -1},
                    Reply{"FastQuery", "\r\n+CSQF:3\r\n\r\nOK\r\n", 3, -1},
                    Reply{"LowerCaseEcho", "at+csq\r\r\n+CSQ: 5\r\n", 5, -1},
                    Reply{"GsmRssiStrong", "\r\n+CSQ: 31,99\r\n", 5, -1},
                    Reply{"GsmRssiMiddle", "\r\n+CSQ: 15,0\r\n", 2, -1},
                    Reply{"GsmRssiUnknown", "\r\n+CSQ: 99,99\r\n", -1, -1},
                    Reply{"TestAnswerIsNoReading", "\r\n+CSQ:(0-5)\r\n\r\nOK\r\n", -1, -1},
                    Reply{"OutOfRangeIgnored", "\r\n+CSQ:9\r\n", -1, -1},
                    Reply{"ReadHome", "AT+CREG?\r\r\n+CREG: 0,1\r\n\r\nOK\r\n", -1, 1},
                    Reply{"ReadSearching", "\r\n+CREG: 1,2\r\n", -1, 2},
                    Reply{"ReadRoamingWithLocation", "\r\n+CREG: 2,5,\"00C3\",\"0010\"\r\n", -1, 5},
                    Reply{"UnsolicitedNotRegistered", "\r\n+CREG: 0\r\n", -1, 0},
                    Reply{"UnsolicitedWithLocation", "\r\n+CREG: 1,\"00C3\",\"0010\"\r\n", -1, 1},
                    Reply{"CregTestAnswer", "\r\n+CREG: (0-2)\r\n", -1, -1},
                    // Quoted by someone else, not an answer at the start of a line.
                    Reply{"NotAtLineStart", "\r\nsee +CSQ:3 in the manual\r\n", -1, -1}),
    [](const testing::TestParamInfo<Reply> &info) { return std::string(std::get<0>(info.param)); });

} // namespace

TEST(HandsetStatus, AnswersSplitAcrossChunksAndTheLatestWins)
{
    HandsetStatus status;
    EXPECT_FALSE(status.feed("\r\n+CS"));
    EXPECT_FALSE(status.feed("Q:2"));
    EXPECT_TRUE(status.feed("\r\n"));
    EXPECT_EQ(status.bars(), 2);
    EXPECT_FALSE(status.feed("\r\n+CSQ:2\r\n")); // nothing changed
    EXPECT_TRUE(status.feed("\r\n+CSQ:5\r\n"));
    EXPECT_EQ(status.bars(), 5);
    // A flood of text without line ends neither grows without end nor reads as an answer.
    EXPECT_FALSE(status.feed(std::string(100000, 'x') + "+CSQ:1\r\n"));
    EXPECT_EQ(status.bars(), 5);
}
