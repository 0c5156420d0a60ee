#include "MessageBytes.h"
#include "ModemSimCore.h"

#include <gtest/gtest.h>

using tandrel::sim::ModemSimCore;

std::string say(ModemSimCore &sim, std::string_view text, int64_t now = 0);

namespace {

// Runs a session started at `now` to its end; nothing is answered before.
std::string session(ModemSimCore &sim, int64_t now)
{
    EXPECT_EQ(say(sim, "AT+SBDI\r", now), "");
    EXPECT_EQ(sim.nextDeadline(), now + 1500);
    sim.advance(now + 1499);
    EXPECT_EQ(sim.takeOutput(), "");
    sim.advance(now + 1500);
    return sim.takeOutput();
}

} // namespace

TEST(SbdSim, TextOutAndBackThroughTheBuffers)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "AT+SBDS\r"), "\r\n+SBDS: 0, 0, 0, -1\r\n\r\nOK\r\n");
    // The quotes the AT table sends are not part of the message; a semicolon is.
    EXPECT_EQ(say(sim, "AT+SBDWT=\"Hi; there\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDWT=" + std::string(121, 'x') + "\r"), "\r\nERROR\r\n");
    EXPECT_EQ(say(sim, "AT+SBDTC\r"),
              "\r\nSBDTC: Outbound SBD Copied to Inbound SBD: size = 9\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDRT\r"), "\r\n+SBDRT:\r\nHi; there\r\n\r\nOK\r\n");
    // Sent with MOMSN 0; the next message gets 1. The MO buffer keeps it until cleared.
    EXPECT_EQ(session(sim, 10), "\r\n+SBDI: 1, 0, 0, 0, 0, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDS\r", 5000), "\r\n+SBDS: 1, 1, 1, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD0\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDC\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDS\r", 5000), "\r\n+SBDS: 0, 0, 1, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD2\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD7\r", 5000), "\r\nERROR\r\n");
    EXPECT_EQ(say(sim, "AT+SBDRB\r", 5000), testbytes::sbdFrame("") + "\r\nOK\r\n");
}

TEST(SbdSim, BinaryWriteChecksTheSumAndTimesOut)
{
    ModemSimCore sim;
    EXPECT_EQ(say(sim, "AT+SBDWB=3000\r"), "AT+SBDWB=3000\r\r\n3\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDWB=0\r"), "AT+SBDWB=0\r\r\n3\r\n\r\nOK\r\n");
    say(sim, "ATE0\r");
    // A wrong sum leaves the buffer as it was.
    say(sim, "AT+SBDWT=kept\r");
    EXPECT_EQ(say(sim, "AT+SBDWB=2\r"), "\r\nREADY\r\n");
    EXPECT_EQ(say(sim, testbytes::sbdFrame("no", 1).substr(2)), "\r\n2\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDS\r"), "\r\n+SBDS: 1, 0, 0, -1\r\n\r\nOK\r\n");
    // Too few bytes: status 1 a minute after READY, then commands work again.
    EXPECT_EQ(say(sim, "AT+SBDWB=5\r", 1000), "\r\nREADY\r\n");
    EXPECT_EQ(say(sim, "AT\r", 2000), "");
    EXPECT_EQ(sim.nextDeadline(), 61000);
    sim.advance(61000);
    EXPECT_EQ(sim.takeOutput(), "\r\n1\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT\r", 62000), "\r\nOK\r\n");
}

TEST(SbdSim, GatewayMailboxAndFailedSessions)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    std::string why;
    for (const char *bad : {"sbd-hex 0G", "sbd", "sbd-fail 1"})
        EXPECT_FALSE(sim.command(bad, 0, &why)) << bad;
    // A failed session leaves the mailbox as it was.
    EXPECT_TRUE(sim.command("sbd first message", 0, &why)) << why;
    EXPECT_TRUE(sim.command("sbd-fail 2", 0, &why)) << why;
    EXPECT_EQ(session(sim, 0), "\r\n+SBDI: 0, 0, 2, 0, 0, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(session(sim, 2000), "\r\n+SBDI: 0, 0, 1, 1, 13, 0\r\n\r\nOK\r\n");
    // Bytes typed while a session runs are not taken as commands.
    EXPECT_EQ(say(sim, "AT+SBDI\r", 8000), "");
    EXPECT_EQ(say(sim, "ATH\r", 8100), "");
    sim.advance(9500);
    EXPECT_EQ(sim.takeOutput(), "\r\n+SBDI: 0, 0, 0, 0, 0, 0\r\n\r\nOK\r\n");
}
