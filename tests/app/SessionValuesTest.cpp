#include "SessionValues.h"

#include <gtest/gtest.h>

using namespace sessionvalues;

TEST(SessionValues, SettingsSplitAtCommasWithTheRestInTheLastField)
{
    using Fields = std::array<std::string, 4>;
    EXPECT_EQ(splitSettings("19200,n,8,1"), (Fields{"19200", "n", "8", "1"}));
    EXPECT_EQ(splitSettings("9600"), (Fields{"9600", "", "", ""}));
    EXPECT_EQ(splitSettings("9600,e"), (Fields{"9600", "e", "", ""}));
    EXPECT_EQ(splitSettings("9600,e,7,1,extra"), (Fields{"9600", "e", "7", "1,extra"}));
    EXPECT_EQ(splitSettings(""), (Fields{"", "", "", ""}));
}

TEST(SessionValues, LandNumberSplitsAtTheFirstParenthesis)
{
    auto n = splitLandNumber("+44(20)1234-5678");
    EXPECT_EQ(n.countryCode, "44");
    EXPECT_EQ(n.localNumber, "(20)1234-5678");

    n = splitLandNumber("+8816314");
    EXPECT_EQ(n.countryCode, "8816314");
    EXPECT_EQ(n.localNumber, "");

    n = splitLandNumber("(20)(1)");
    EXPECT_EQ(n.countryCode, "");
    EXPECT_EQ(n.localNumber, "(20)(1)");

    n = splitLandNumber("");
    EXPECT_EQ(n.countryCode, "");
    EXPECT_EQ(n.localNumber, "");
}

TEST(SessionValues, OnlyTheFirstTwoQuotesAreDropped)
{
    EXPECT_EQ(sessionArgument("\"C:\\My Sessions\\field.sms\""), "C:\\My Sessions\\field.sms");
    EXPECT_EQ(sessionArgument("a\"b\"c\"d\""), "abc\"d\"");
    EXPECT_EQ(sessionArgument("\"lonely"), "lonely");
    EXPECT_EQ(sessionArgument("plain.sms"), "plain.sms");
    EXPECT_EQ(sessionArgument(""), "");
}
