#include "AtComposer.h"

#include <gtest/gtest.h>

namespace {

AtCommandState page(const char *prefix, const char *n = "", const char *v = "", const char *d = "",
                    const char *suffix = "")
{
    AtCommandState s;
    s.prefix = prefix;
    s.n = n;
    s.v = v;
    s.d = d;
    s.suffix = suffix;
    return s;
}

std::string line(const AtCommandState &s, const std::vector<std::string> &sms = {})
{
    const AtOutput o = composeAtCommand(s, sms);
    return o.kind == AtOutput::Line ? o.text : "<" + std::to_string(o.kind) + ">" + o.text;
}

} // namespace

// The plain sends of the window (ATE1, read, test, COPS, CPBS, DS, CCLK, CPBW, the NMEA
// list, the delete of a listed message) are checked through its buttons; these are the rest.
TEST(AtComposer, LinesOfThePages)
{
    using S = AtCommandState;
    using Field = std::pair<std::string S::*, const char *>;
    const struct
    {
        const char *name;
        AtCommandState state;
        std::vector<Field> fields;
        const char *expected;
    } cases[] = {
        {"suffix only", page("AT+CMOD=", "", "", "", "0"), {}, "AT+CMOD=0"},
        {"quoted suffix",
         page("AT+CPMS=", "", "", "", "\"SM\",\"SM\",\"SM\""),
         {},
         "AT+CPMS=\"SM\",\"SM\",\"SM\""},
        {"no values", page("AT+CMGW="), {}, "AT+CMGW="},
        {"any other case: the prefix alone", page("AT+X=", "", "", "1"), {}, "AT+X="},
        {"index placeholders",
         page("AT+CPBR="),
         {{&S::firstIndex, "Index1"}, {&S::secondIndex, "Index2"}},
         "AT+CPBR="},
        {"two indexes",
         page("AT+CPBR="),
         {{&S::firstIndex, "001"}, {&S::secondIndex, "010"}},
         "AT+CPBR=001,010"},
        {"second index only", page("AT+CPBR="), {{&S::secondIndex, "010"}}, "AT+CPBR=010"},
        {"storage placeholder", page("AT+CPBS="), {{&S::phonebookStorage, "Storage"}}, "AT+CPBS="},
        {"entry placeholders",
         page("AT+CPBW="),
         {{&S::entryIndex, "005"},
          {&S::entryNumber, " EnterNumber"},
          {&S::entryType, "Type"},
          {&S::entryText, " EnterText"}},
         "AT+CPBW=005,,,"},
        {"full entry",
         page("AT+CPBW="),
         {{&S::entryIndex, "005"},
          {&S::entryNumber, "0088161234"},
          {&S::entryType, "145"},
          {&S::entryText, "Base"}},
         "AT+CPBW=005,\"0088161234\",145,\"Base\""},
        {"pin", page("AT+CPIN="), {{&S::pin, "1111"}}, "AT+CPIN=\"1111\""},
        {"new pin",
         page("AT+CPIN="),
         {{&S::pin, "1111"}, {&S::newPin, "2222"}},
         "AT+CPIN=\"1111\",\"2222\""},
        {"text", page("AT+SBDWT="), {{&S::findText, "hello"}}, "AT+SBDWT=\"hello\""},
        {"lock",
         page("AT+CLCK="),
         {{&S::lockFacility, "SC"}, {&S::lockMode, "1"}, {&S::lockPassword, "1234"}},
         "AT+CLCK=\"SC\",1,\"1234\""},
        {"password",
         page("AT+CPWD="),
         {{&S::pwdFacility, "CS"}, {&S::oldPassword, "1"}, {&S::newPassword, "2"}},
         "AT+CPWD=\"CS\",\"1\",\"2\""},
        {"indications",
         page("AT+CNMI="),
         {{&S::cnmiMode, "2"}, {&S::cnmiMt, "2"}, {&S::cnmiDs, "0"}, {&S::cnmiBfr, "1"}},
         "AT+CNMI=2,2,0,0,1"},
        {"dial", page("ATDCHECK"), {{&S::dialLine, "ATD00881631234567"}}, "ATD00881631234567"},
        {"typed line ends",
         page("AT+SBDWT="),
         {{&S::findText, "hi\rATH0\n\x1A"}},
         "AT+SBDWT=\"hiATH0\""},
        {"typed line end in a number",
         page("AT+CPBW="),
         {{&S::entryIndex, "001"}, {&S::entryNumber, "12\r34"}},
         "AT+CPBW=001,\"1234\",,"},
        {"delete of a message not listed", page("AT+CMGD=", "7"), {}, "AT+CMGD=7"},
    };
    for (const auto &c : cases) {
        AtCommandState state = c.state;
        for (const auto &[field, value] : c.fields)
            state.*field = value;
        EXPECT_EQ(line(state, {"003"}), c.expected) << c.name;
    }
    AtCommandState escape = page("+++");
    escape.carrier = true;
    EXPECT_EQ(line(escape), "<2>+++") << "escape in a call";
}

TEST(AtComposer, WhatIsNotALine)
{
    EXPECT_EQ(composeAtCommand(page("ATDCHECK"), {}).kind, AtOutput::Nothing); // nothing to dial
    EXPECT_EQ(composeAtCommand(page("+++"), {}).kind, AtOutput::Nothing);      // no call
    AtOutput o = composeAtCommand(page("ATS0=", "3"), {});
    EXPECT_EQ(o.text, "ATS0=3");
    EXPECT_TRUE(o.setsAutoAnswer && o.autoAnswer);
    EXPECT_FALSE(composeAtCommand(page("ATS0=", "0"), {}).autoAnswer);
    EXPECT_EQ(line(page("AT+PM=", "2")), "<3>AT+PM=2,1\r");
    EXPECT_TRUE(atSendableWithoutCts("AT+PLOC"));
    EXPECT_FALSE(atSendableWithoutCts("AT+CBST="));
}
