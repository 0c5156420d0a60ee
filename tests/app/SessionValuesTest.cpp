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
    const struct
    {
        const char *number, *countryCode, *localNumber;
    } rows[] = {{"+44(20)1234-5678", "44", "(20)1234-5678"},
                {"+8816314", "8816314", ""},
                {"(20)(1)", "", "(20)(1)"},
                {"", "", ""}};
    for (const auto &r : rows) {
        EXPECT_EQ(splitLandNumber(r.number).countryCode, r.countryCode) << r.number;
        EXPECT_EQ(splitLandNumber(r.number).localNumber, r.localNumber) << r.number;
    }
}

TEST(SessionValues, OnlyTheFirstTwoQuotesAreDropped)
{
    EXPECT_EQ(sessionArgument("\"C:\\My Sessions\\field.sms\""), "C:\\My Sessions\\field.sms");
    EXPECT_EQ(sessionArgument("a\"b\"c\"d\""), "abc\"d\"");
    EXPECT_EQ(sessionArgument("\"lonely"), "lonely");
    EXPECT_EQ(sessionArgument("plain.sms"), "plain.sms");
    EXPECT_EQ(sessionArgument(""), "");
}
