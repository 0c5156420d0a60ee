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

TEST(AtComposer, GeneralRuleExamples)
{
    struct Case
    {
        AtCommandState state;
        const char *expected;
    } cases[] = {
        {page("ATE", "1"), "ATE1"},
        {page("AT+CGMI"), "AT+CGMI"},
        {page("AT+CBST=", "7", "", "", ",0,1"), "AT+CBST=7,0,1"},
        {page("AT+COPS=", "0", "0", "", ",\"IRIDIUM\""), "AT+COPS=0,0,\"IRIDIUM\""},
        {page("AT+CMOD=", "", "", "", "0"), "AT+CMOD=0"},
        {page("AT+CPMS=", "", "", "", "\"SM\",\"SM\",\"SM\""), "AT+CPMS=\"SM\",\"SM\",\"SM\""},
        {page("AT+WDLDM=", "1", "1", "1"), "AT+WDLDM=1,1,1"},
        {page("AT+CSCA=", "\"00881662900005\",129"), "AT+CSCA=\"00881662900005\",129"},
        {page("AT+CMGW="), "AT+CMGW="},
        {page("AT+X=", "", "", "1"), "AT+X="}, // any other case: the prefix alone
    };
    for (const Case &c : cases)
        EXPECT_EQ(line(c.state), c.expected);
}

TEST(AtComposer, PanelRules)
{
    AtCommandState s = page("AT+CPBR=");
    s.firstIndex = "Index1";
    s.secondIndex = "Index2";
    EXPECT_EQ(line(s), "AT+CPBR=");
    s.firstIndex = "001";
    s.secondIndex = "010";
    EXPECT_EQ(line(s), "AT+CPBR=001,010");
    s.firstIndex = "";
    EXPECT_EQ(line(s), "AT+CPBR=010");

    s = page("AT+CPBS=");
    s.phonebookStorage = "Storage";
    EXPECT_EQ(line(s), "AT+CPBS=");
    s.phonebookStorage = "SM";
    EXPECT_EQ(line(s), "AT+CPBS=\"SM\"");

    s = page("AT+CPBW=");
    s.entryIndex = "005";
    s.entryNumber = " EnterNumber";
    s.entryType = "Type";
    s.entryText = " EnterText";
    EXPECT_EQ(line(s), "AT+CPBW=005,,,");
    s.entryNumber = "0088161234";
    s.entryType = "145";
    s.entryText = "Base";
    EXPECT_EQ(line(s), "AT+CPBW=005,\"0088161234\",145,\"Base\"");

    s = page("AT+CPIN=");
    s.pin = "1111";
    EXPECT_EQ(line(s), "AT+CPIN=\"1111\"");
    s.newPin = "2222";
    EXPECT_EQ(line(s), "AT+CPIN=\"1111\",\"2222\"");

    s = page("AT+SBDWT=");
    s.findText = "hello";
    EXPECT_EQ(line(s), "AT+SBDWT=\"hello\"");
    s = page("AT+CCLK=");
    s.year = "26", s.month = "12", s.day = "07", s.hour = "06", s.minutes = "30", s.seconds = "00";
    EXPECT_EQ(line(s), "AT+CCLK=\"26/12/07,06:30:00\"");
    s = page("AT+DS=");
    s.direction = "3", s.negotiation = "0", s.dictionary = "512", s.stringLength = "6";
    EXPECT_EQ(line(s), "AT+DS=3,0,512,6");
    s = page("AT+CLCK=");
    s.lockFacility = "SC", s.lockMode = "1", s.lockPassword = "1234";
    EXPECT_EQ(line(s), "AT+CLCK=\"SC\",1,\"1234\"");
    s = page("AT+CPWD=");
    s.pwdFacility = "CS", s.oldPassword = "1", s.newPassword = "2";
    EXPECT_EQ(line(s), "AT+CPWD=\"CS\",\"1\",\"2\"");
    s = page("AT+CNMI=");
    s.cnmiMode = "2", s.cnmiMt = "2", s.cnmiDs = "0", s.cnmiBfr = "1";
    EXPECT_EQ(line(s), "AT+CNMI=2,2,0,0,1");
    s = page("ATDCHECK");
    s.dialLine = "ATD00881631234567";
    EXPECT_EQ(line(s), "ATD00881631234567");
    s.dialLine.clear(); // nothing to dial
    EXPECT_EQ(composeAtCommand(s, {}).kind, AtOutput::Nothing);
}

TEST(AtComposer, SpecialSendingRules)
{
    AtCommandState s = page("+++");
    EXPECT_EQ(composeAtCommand(s, {}).kind, AtOutput::Nothing);
    s.carrier = true;
    EXPECT_EQ(line(s), "<2>+++");

    s = page("ATS0=", "3");
    AtOutput o = composeAtCommand(s, {});
    EXPECT_EQ(o.text, "ATS0=3");
    EXPECT_TRUE(o.setsAutoAnswer && o.autoAnswer);
    s.n = "0";
    EXPECT_FALSE(composeAtCommand(s, {}).autoAnswer);

    s = page("AT+PM=", "2");
    EXPECT_EQ(line(s), "<3>AT+PM=2,1\r");
    s.nmeaCodes = {"1", "6"};
    EXPECT_EQ(line(s), "<3>AT+PM=2,1,6\r");

    s = page("AT+CMGD=", "7");
    EXPECT_EQ(line(s, {"003", "007"}), "<4>007");
    EXPECT_EQ(line(s, {"003"}), "AT+CMGD=7");
    EXPECT_EQ(line(s), "AT+CMGD=7");

    EXPECT_EQ(atReadCommand("AT+CBST="), "AT+CBST?");
    EXPECT_EQ(atReadCommand("AT+CGMI"), "AT+CGMI?");
    EXPECT_EQ(atReadCommand("AT+PNAV="), "AT+PNAV?");
    EXPECT_EQ(atTestCommand("AT+CBST="), "AT+CBST=?");
    EXPECT_EQ(atTestCommand("AT+CGMI"), "AT+CGMI=?");
    EXPECT_TRUE(atSendableWithoutCts("AT+PLOC"));
    EXPECT_FALSE(atSendableWithoutCts("AT+CBST="));
}

TEST(AtComposer, TypedTextCannotSplitTheCommand)
{
    AtCommandState s = page("AT+SBDWT=");
    s.findText = "hi\rATH0\n\x1A";
    EXPECT_EQ(line(s), "AT+SBDWT=\"hiATH0\"");
    s = page("AT+CPBW=");
    s.entryIndex = "001";
    s.entryNumber = "12\r34";
    EXPECT_EQ(line(s), "AT+CPBW=001,\"1234\",,");
}
