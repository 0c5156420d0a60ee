#include "ModemSimCore.h"

#include <gtest/gtest.h>

using tandrel::sim::ModemSimCore;

namespace {

std::string say(ModemSimCore &sim, std::string_view text, int64_t now = 0)
{
    sim.receive(text, now);
    return sim.takeOutput();
}

} // namespace

TEST(ModemSim, EchoVerboseNumericAndQuiet)
{
    ModemSimCore sim;
    EXPECT_EQ(say(sim, "AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(say(sim, "ATE0\r"), "ATE0\r\r\nOK\r\n"); // echo stops after the line
    EXPECT_EQ(say(sim, "ATV0\r"), "0\r");
    EXPECT_EQ(say(sim, "ATX9Y\r"), "4\r");
    EXPECT_EQ(say(sim, "ATQ1\r"), "");
    EXPECT_EQ(say(sim, "ATQ0V1\r"), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "ATFOO\r"), "\r\nERROR\r\n");
    // Lines not addressed to the handset are ignored; LF after CR is harmless.
    EXPECT_EQ(say(sim, "hello\r\n"), "");
}

TEST(ModemSim, IdentityAndExtendedCommandsInOneLine)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "ATI0\r"), "\r\nTandrel SH-2\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "ATI7\r"), "\r\nERROR\r\n");
    const std::string both = say(sim, "at+cgmi;+CGSN\r");
    EXPECT_NE(both.find("Tandrel"), std::string::npos);
    EXPECT_NE(both.find("300215010042817"), std::string::npos);
    EXPECT_EQ(both.substr(both.size() - 6), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CSQ\r"), "\r\n+CSQ:4\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CREG=2\r"), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CREG?\r"), "\r\n+CREG: 2,1\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CREG=7\r"), "\r\nERROR\r\n");
    say(sim, "AT+CMEE=2\r");
    EXPECT_EQ(say(sim, "AT+XYZ\r"), "\r\n+CME ERROR: operation not supported\r\n");
    EXPECT_EQ(say(sim, "ATS0=2S0?\r"), "\r\n002\r\n\r\nOK\r\n");
    // A/ repeats the previous line without waiting for a carriage return.
    EXPECT_EQ(say(sim, "A/"), "\r\n002\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "ATS100?\r"), "\r\nERROR\r\n");
    EXPECT_NE(say(sim, "AT&V\r").find("S000:002"), std::string::npos);
    say(sim, "ATZ\r");
    EXPECT_EQ(say(sim, "AT\r"), "AT\r\r\nOK\r\n"); // back to echo on
}

TEST(ModemSim, BackspaceAndOverlongLines)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "ATIX\b0\r"), "\r\nTandrel SH-2\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT" + std::string(5000, 'E') + "\r"), "\r\nERROR\r\n");
    EXPECT_EQ(say(sim, "AT\r"), "\r\nOK\r\n");
}

TEST(ModemSim, DataCallAndEscape)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "ATD0012345\r", 0), "");
    EXPECT_GT(sim.nextDeadline(), 0);
    sim.advance(sim.nextDeadline());
    EXPECT_EQ(sim.takeOutput(), "\r\nCONNECT 19200\r\n");
    EXPECT_TRUE(sim.lines().carrier);

    // Data is looped back by the far end; "AT" is not a command here.
    EXPECT_EQ(say(sim, "ATH\r", 2000), "ATH\r");
    // "+++" inside data is no escape.
    say(sim, "x+++y", 2100);
    EXPECT_EQ(sim.nextDeadline(), -1);
    // After guard time, "+++" then silence returns to command mode with the call up.
    say(sim, "+++", 4000);
    sim.advance(sim.nextDeadline());
    EXPECT_EQ(sim.takeOutput(), "\r\nOK\r\n");
    EXPECT_TRUE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATO\r", 6000), "\r\nCONNECT 19200\r\n");
    say(sim, "+++", 8000);
    sim.advance(9500);
    sim.takeOutput();
    EXPECT_EQ(say(sim, "ATH\r", 9600), "\r\nOK\r\n");
    EXPECT_FALSE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATO\r", 9700), "\r\nNO CARRIER\r\n");
}

TEST(ModemSim, KeyAbortsDialAndVoiceDialEndsWithOk)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    say(sim, "ATD123\r", 0);
    EXPECT_EQ(say(sim, "x", 100), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(sim.nextDeadline(), -1);
    say(sim, "ATD+8816;\r", 200);
    sim.advance(5000);
    EXPECT_EQ(sim.takeOutput(), "\r\nOK\r\n");
    EXPECT_FALSE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATD\r"), "\r\nERROR\r\n");
}

TEST(ModemSim, EventsRingAnswerLinesAndErrors)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "ATA\r", 0), "\r\nNO CARRIER\r\n"); // nothing to answer

    EXPECT_TRUE(sim.command("ring", 1000));
    EXPECT_EQ(sim.takeOutput(), "\r\nRING\r\n");
    EXPECT_EQ(sim.ringCount(), 1u);
    EXPECT_TRUE(sim.lines().ring);
    sim.advance(2100);
    EXPECT_FALSE(sim.lines().ring);
    say(sim, "ATA\r", 2200);
    sim.advance(sim.nextDeadline());
    EXPECT_EQ(sim.takeOutput(), "\r\nCONNECT 19200\r\n");
    EXPECT_TRUE(sim.command("hangup", 5000));
    EXPECT_EQ(sim.takeOutput(), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(sim.lines().carrier);

    EXPECT_TRUE(sim.command("cts off", 0));
    EXPECT_FALSE(sim.lines().cts);
    EXPECT_TRUE(sim.command("CARRIER on", 0));
    EXPECT_TRUE(sim.lines().carrier);

    std::string why;
    EXPECT_FALSE(sim.command("cts maybe", 0, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(sim.command("dance", 0, &why));
    EXPECT_NE(why.find("dance"), std::string::npos);

    EXPECT_TRUE(sim.command("cms 322", 0));
    EXPECT_EQ(say(sim, "AT\r"), "\r\n+CMS ERROR:322\r\n");
    EXPECT_EQ(say(sim, "AT\r"), "\r\nOK\r\n"); // one shot

    EXPECT_TRUE(sim.command("say +CMTI: \"SM\",3", 0));
    EXPECT_EQ(sim.takeOutput(), "\r\n+CMTI: \"SM\",3\r\n");
    EXPECT_TRUE(sim.command("flood 100000", 0));
    EXPECT_EQ(sim.takeOutput().size(), 100000u);
}

TEST(ModemSim, AutoAnswerAfterRingsInS0)
{
    ModemSimCore sim;
    say(sim, "ATE0S0=2\r");
    sim.command("ring", 0);
    EXPECT_EQ(sim.nextDeadline(), 1000); // only the ring pulse
    sim.command("ring", 3000);
    sim.advance(10000);
    EXPECT_NE(sim.takeOutput().find("CONNECT"), std::string::npos);
}
