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
    const auto with = [](AtCommandState s, auto fill) {
        fill(s);
        return s;
    };
    const struct
    {
        const char *name;
        AtCommandState state;
        const char *expected;
    } cases[] = {
        {"suffix only", page("AT+CMOD=", "", "", "", "0"), "AT+CMOD=0"},
        {"quoted suffix", page("AT+CPMS=", "", "", "", "\"SM\",\"SM\",\"SM\""),
         "AT+CPMS=\"SM\",\"SM\",\"SM\""},
        {"no values", page("AT+CMGW="), "AT+CMGW="},
        {"any other case: the prefix alone", page("AT+X=", "", "", "1"), "AT+X="},
        {"index placeholders",
         with(page("AT+CPBR="),
              [](auto &s) {
                  s.firstIndex = "Index1";
                  s.secondIndex = "Index2";
              }),
         "AT+CPBR="},
        {"two indexes",
         with(page("AT+CPBR="),
              [](auto &s) {
                  s.firstIndex = "001";
                  s.secondIndex = "010";
              }),
         "AT+CPBR=001,010"},
        {"second index only", with(page("AT+CPBR="), [](auto &s) { s.secondIndex = "010"; }),
         "AT+CPBR=010"},
        {"storage placeholder",
         with(page("AT+CPBS="), [](auto &s) { s.phonebookStorage = "Storage"; }), "AT+CPBS="},
        {"entry placeholders",
         with(page("AT+CPBW="),
              [](auto &s) {
                  s.entryIndex = "005";
                  s.entryNumber = " EnterNumber";
                  s.entryType = "Type";
                  s.entryText = " EnterText";
              }),
         "AT+CPBW=005,,,"},
        {"full entry",
         with(page("AT+CPBW="),
              [](auto &s) {
                  s.entryIndex = "005";
                  s.entryNumber = "0088161234";
                  s.entryType = "145";
                  s.entryText = "Base";
              }),
         "AT+CPBW=005,\"0088161234\",145,\"Base\""},
        {"pin", with(page("AT+CPIN="), [](auto &s) { s.pin = "1111"; }), "AT+CPIN=\"1111\""},
        {"new pin",
         with(page("AT+CPIN="),
              [](auto &s) {
                  s.pin = "1111";
                  s.newPin = "2222";
              }),
         "AT+CPIN=\"1111\",\"2222\""},
        {"text", with(page("AT+SBDWT="), [](auto &s) { s.findText = "hello"; }),
         "AT+SBDWT=\"hello\""},
        {"lock",
         with(page("AT+CLCK="),
              [](auto &s) { s.lockFacility = "SC", s.lockMode = "1", s.lockPassword = "1234"; }),
         "AT+CLCK=\"SC\",1,\"1234\""},
        {"password",
         with(page("AT+CPWD="),
              [](auto &s) { s.pwdFacility = "CS", s.oldPassword = "1", s.newPassword = "2"; }),
         "AT+CPWD=\"CS\",\"1\",\"2\""},
        {"indications",
         with(page("AT+CNMI="),
              [](auto &s) { s.cnmiMode = "2", s.cnmiMt = "2", s.cnmiDs = "0", s.cnmiBfr = "1"; }),
         "AT+CNMI=2,2,0,0,1"},
        {"dial", with(page("ATDCHECK"), [](auto &s) { s.dialLine = "ATD00881631234567"; }),
         "ATD00881631234567"},
        {"escape in a call", with(page("+++"), [](auto &s) { s.carrier = true; }), "<2>+++"},
        {"typed line ends", with(page("AT+SBDWT="), [](auto &s) { s.findText = "hi\rATH0\n\x1A"; }),
         "AT+SBDWT=\"hiATH0\""},
        {"typed line end in a number",
         with(page("AT+CPBW="),
              [](auto &s) {
                  s.entryIndex = "001";
                  s.entryNumber = "12\r34";
              }),
         "AT+CPBW=001,\"1234\",,"},
        {"delete of a message not listed", page("AT+CMGD=", "7"), "AT+CMGD=7"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(line(c.state, {"003"}), c.expected) << c.name;
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
