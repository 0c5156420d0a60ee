#include "AtComposer.h"

#include <gtest/gtest.h>

#include <tuple>

// A page sets only the fields it names; GCC before 13 warns of the rest even when designated.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

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
    const std::tuple<const char *, AtCommandState, const char *> cases[] = {
        {"suffix only", {.prefix = "AT+CMOD=", .suffix = "0"}, "AT+CMOD=0"},
        {"quoted suffix",
         {.prefix = "AT+CPMS=", .suffix = "\"SM\",\"SM\",\"SM\""},
         "AT+CPMS=\"SM\",\"SM\",\"SM\""},
        {"no values", {.prefix = "AT+CMGW="}, "AT+CMGW="},
        {"any other case: the prefix alone", {.prefix = "AT+X=", .d = "1"}, "AT+X="},
        {"index placeholders",
         {.prefix = "AT+CPBR=", .firstIndex = "Index1", .secondIndex = "Index2"},
         "AT+CPBR="},
        {"two indexes",
         {.prefix = "AT+CPBR=", .firstIndex = "001", .secondIndex = "010"},
         "AT+CPBR=001,010"},
        {"second index only", {.prefix = "AT+CPBR=", .secondIndex = "010"}, "AT+CPBR=010"},
        {"storage placeholder", {.prefix = "AT+CPBS=", .phonebookStorage = "Storage"}, "AT+CPBS="},
        {"entry placeholders",
         {.prefix = "AT+CPBW=",
          .entryIndex = "005",
          .entryNumber = " EnterNumber",
          .entryType = "Type",
          .entryText = " EnterText"},
         "AT+CPBW=005,,,"},
        {"full entry",
         {.prefix = "AT+CPBW=",
          .entryIndex = "005",
          .entryNumber = "0088161234",
          .entryType = "145",
          .entryText = "Base"},
         "AT+CPBW=005,\"0088161234\",145,\"Base\""},
        {"pin", {.prefix = "AT+CPIN=", .pin = "1111"}, "AT+CPIN=\"1111\""},
        {"new pin",
         {.prefix = "AT+CPIN=", .pin = "1111", .newPin = "2222"},
         "AT+CPIN=\"1111\",\"2222\""},
        {"text", {.prefix = "AT+SBDWT=", .findText = "hello"}, "AT+SBDWT=\"hello\""},
        {"lock",
         {.prefix = "AT+CLCK=", .lockFacility = "SC", .lockMode = "1", .lockPassword = "1234"},
         "AT+CLCK=\"SC\",1,\"1234\""},
        {"password",
         {.prefix = "AT+CPWD=", .pwdFacility = "CS", .oldPassword = "1", .newPassword = "2"},
         "AT+CPWD=\"CS\",\"1\",\"2\""},
        {"indications",
         {.prefix = "AT+CNMI=", .cnmiMode = "2", .cnmiMt = "2", .cnmiDs = "0", .cnmiBfr = "1"},
         "AT+CNMI=2,2,0,0,1"},
        {"dial", {.prefix = "ATDCHECK", .dialLine = "ATD00881631234567"}, "ATD00881631234567"},
        {"typed line ends",
         {.prefix = "AT+SBDWT=", .findText = "hi\rATH0\n\x1A"},
         "AT+SBDWT=\"hiATH0\""},
        {"typed line end in a number",
         {.prefix = "AT+CPBW=", .entryIndex = "001", .entryNumber = "12\r34"},
         "AT+CPBW=001,\"1234\",,"},
        {"delete of a message not listed", {.prefix = "AT+CMGD=", .n = "7"}, "AT+CMGD=7"},
    };
    for (const auto &[name, state, expected] : cases)
        EXPECT_EQ(line(state, {"003"}), expected) << name;
    EXPECT_EQ(line({.prefix = "+++", .carrier = true}), "<2>+++") << "escape in a call";
}

TEST(AtComposer, WhatIsNotALine)
{
    // Nothing to dial; no call to leave.
    EXPECT_EQ(composeAtCommand({.prefix = "ATDCHECK"}, {}).kind, AtOutput::Nothing);
    EXPECT_EQ(composeAtCommand({.prefix = "+++"}, {}).kind, AtOutput::Nothing);
    AtOutput o = composeAtCommand({.prefix = "ATS0=", .n = "3"}, {});
    EXPECT_EQ(o.text, "ATS0=3");
    EXPECT_TRUE(o.setsAutoAnswer && o.autoAnswer);
    EXPECT_FALSE(composeAtCommand({.prefix = "ATS0=", .n = "0"}, {}).autoAnswer);
    EXPECT_EQ(line({.prefix = "AT+PM=", .n = "2"}), "<3>AT+PM=2,1\r");
    EXPECT_TRUE(atSendableWithoutCts("AT+PLOC"));
    EXPECT_FALSE(atSendableWithoutCts("AT+CBST="));
}
