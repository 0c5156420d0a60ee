#include "ModemSimCore.h"
#include "MessageBytes.h"

#include <gtest/gtest.h>

using tandrel::sim::ModemSimCore;

namespace {

// What the handset answers to the bytes.
std::string say(ModemSimCore &sim, std::string_view text, int64_t now = 0)
{
    sim.receive(text, now);
    return sim.takeOutput();
}

const std::string pdu = "079188612609005011000791214365F70000FF0361F118";

// Each line typed in turn, with what the handset answers to it.
void script(ModemSimCore &sim, std::initializer_list<std::pair<std::string, std::string>> steps)
{
    for (const auto &[in, out] : steps)
        EXPECT_EQ(say(sim, in), out) << in;
}

// A handset with echo off, as the program sets it.
class ModemSim : public testing::Test
{
protected:
    ModemSim() { say(sim, "ATE0\r"); }

    // What the handset says unasked after an event it takes.
    std::string event(const std::string &e, int64_t now = 0)
    {
        std::string why;
        EXPECT_TRUE(sim.command(e, now, &why)) << e << ": " << why;
        return sim.takeOutput();
    }
    // Why the handset refuses an event.
    std::string refusal(const std::string &e)
    {
        std::string why;
        EXPECT_FALSE(sim.command(e, 0, &why)) << e;
        return why;
    }
    // What the handset has said by `now`.
    std::string at(int64_t now)
    {
        sim.advance(now);
        return sim.takeOutput();
    }
    // The answer to a PDU sent after its command line.
    std::string pduAfter(const std::string &command, const std::string &bytes)
    {
        say(sim, command + "\r");
        return say(sim, bytes + "\x1A");
    }
    // Runs an SBD session started at `now` to its end; nothing is answered before.
    std::string session(int64_t now)
    {
        EXPECT_EQ(say(sim, "AT+SBDI\r", now), "");
        EXPECT_EQ(sim.nextDeadline(), now + 1500);
        EXPECT_EQ(at(now + 1499), "");
        return at(now + 1500);
    }

    ModemSimCore sim;
};
using ModemSimSms = ModemSim;
using SbdSim = ModemSim;

} // namespace

TEST(ModemSimPowerOn, EchoVerboseNumericAndQuiet)
{
    ModemSimCore sim;
    // Echo stops after the line; lines not addressed to the handset are ignored, and LF after CR
    // is harmless.
    script(sim, {{"AT\r", "AT\r\r\nOK\r\n"},
                 {"ATE0\r", "ATE0\r\r\nOK\r\n"},
                 {"ATV0\r", "0\r"},
                 {"ATX9Y\r", "4\r"},
                 {"ATQ1\r", ""},
                 {"ATQ0V1\r", "\r\nOK\r\n"},
                 {"ATFOO\r", "\r\nERROR\r\n"},
                 {"hello\r\n", ""},
                 {"ATIX\b0\r", "\r\nTandrel SH-2\r\n\r\nOK\r\n"},
                 {"AT" + std::string(5000, 'E') + "\r", "\r\nERROR\r\n"},
                 {"AT\r", "\r\nOK\r\n"}});
}

TEST_F(ModemSim, IdentityAndExtendedCommandsInOneLine)
{
    // A/ repeats the previous line without waiting for a carriage return; ATZ turns echo on.
    script(sim, {{"at+cgmi;+CGSN\r", "\r\nTandrel\r\n\r\n300215010042817\r\n\r\nOK\r\n"},
                 {"ATI0\r", "\r\nTandrel SH-2\r\n\r\nOK\r\n"},
                 {"ATI7\r", "\r\nERROR\r\n"},
                 {"AT+CSQ\r", "\r\n+CSQ:4\r\n\r\nOK\r\n"},
                 {"AT+CREG=2\r", "\r\nOK\r\n"},
                 {"AT+CREG?\r", "\r\n+CREG: 2,1\r\n\r\nOK\r\n"},
                 {"AT+CREG=7\r", "\r\nERROR\r\n"},
                 {"AT+CMEE=2\r", "\r\nOK\r\n"},
                 {"AT+XYZ\r", "\r\n+CME ERROR: operation not supported\r\n"},
                 {"ATS0=2S0?\r", "\r\n002\r\n\r\nOK\r\n"},
                 {"A/", "\r\n002\r\n\r\nOK\r\n"},
                 {"ATS100?\r", "\r\nERROR\r\n"}});
    EXPECT_NE(say(sim, "AT&V\r").find("S000:002"), std::string::npos);
    script(sim, {{"ATZ\r", "\r\nOK\r\n"}, {"AT\r", "AT\r\r\nOK\r\n"}});
}

TEST_F(ModemSim, DataCallAndEscape)
{
    EXPECT_EQ(say(sim, "ATD0012345\r", 0), "");
    EXPECT_GT(sim.nextDeadline(), 0);
    EXPECT_EQ(at(sim.nextDeadline()), "\r\nCONNECT 19200\r\n");
    EXPECT_TRUE(sim.lines().carrier);

    // Data is looped back by the far end; "AT" is not a command here.
    EXPECT_EQ(say(sim, "ATH\r", 2000), "ATH\r");
    // "+++" inside data is no escape.
    say(sim, "x+++y", 2100);
    EXPECT_EQ(sim.nextDeadline(), -1);
    // After guard time, "+++" then silence returns to command mode with the call up.
    say(sim, "+++", 4000);
    EXPECT_EQ(at(sim.nextDeadline()), "\r\nOK\r\n");
    EXPECT_TRUE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATO\r", 6000), "\r\nCONNECT 19200\r\n");
    say(sim, "+++", 8000);
    at(9500);
    EXPECT_EQ(say(sim, "ATH\r", 9600), "\r\nOK\r\n");
    EXPECT_FALSE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATO\r", 9700), "\r\nNO CARRIER\r\n");
}

TEST_F(ModemSim, KeyAbortsDialAndVoiceDialEndsWithOk)
{
    say(sim, "ATD123\r", 0);
    EXPECT_EQ(say(sim, "x", 100), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(sim.nextDeadline(), -1);
    say(sim, "ATD+8816;\r", 200);
    EXPECT_EQ(at(5000), "\r\nOK\r\n");
    EXPECT_FALSE(sim.lines().carrier);
    EXPECT_EQ(say(sim, "ATD\r"), "\r\nERROR\r\n");
}

TEST_F(ModemSim, EventsRingAnswerLinesAndErrors)
{
    EXPECT_EQ(say(sim, "ATA\r", 0), "\r\nNO CARRIER\r\n"); // nothing to answer

    EXPECT_EQ(event("ring", 1000), "\r\nRING\r\n");
    EXPECT_EQ(sim.ringCount(), 1u);
    EXPECT_TRUE(sim.lines().ring);
    sim.advance(2100);
    EXPECT_FALSE(sim.lines().ring);
    say(sim, "ATA\r", 2200);
    EXPECT_EQ(at(sim.nextDeadline()), "\r\nCONNECT 19200\r\n");
    EXPECT_EQ(event("hangup", 5000), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(sim.lines().carrier);

    event("cts off");
    EXPECT_FALSE(sim.lines().cts);
    event("CARRIER on");
    EXPECT_TRUE(sim.lines().carrier);

    EXPECT_FALSE(refusal("cts maybe").empty());
    EXPECT_NE(refusal("dance").find("dance"), std::string::npos);

    event("cms 322");
    EXPECT_EQ(say(sim, "AT\r"), "\r\n+CMS ERROR:322\r\n");
    EXPECT_EQ(say(sim, "AT\r"), "\r\nOK\r\n"); // one shot

    EXPECT_EQ(event("say +CMTI: \"SM\",3"), "\r\n+CMTI: \"SM\",3\r\n");
    EXPECT_EQ(event("flood 100000").size(), 100000u);
}

TEST_F(ModemSim, SignalAndRegistrationAsAHandsetAnswersThem)
{
    event("signal 1");
    EXPECT_EQ(say(sim, "AT+CSQ\r"), "\r\n+CSQ:1\r\n\r\nOK\r\n");
    EXPECT_EQ(refusal("signal 6"), "expected a signal strength 0-5");
    refusal("signal");

    // Changes are only reported unasked once the terminal asked for them (+CREG=1).
    EXPECT_EQ(event("register searching"), "");
    EXPECT_EQ(say(sim, "AT+CREG?\r"), "\r\n+CREG: 0,2\r\n\r\nOK\r\n");
    say(sim, "AT+CREG=1\r");
    EXPECT_EQ(event("register off"), "\r\n+CREG: 0\r\n");
    EXPECT_EQ(event("register off"), ""); // no change, nothing said
    EXPECT_EQ(event("REGISTER On"), "\r\n+CREG: 1\r\n");
    EXPECT_EQ(say(sim, "AT+CREG?\r"), "\r\n+CREG: 1,1\r\n\r\nOK\r\n");
    EXPECT_EQ(refusal("register maybe"), "expected on, off or searching");
}

TEST_F(ModemSim, AutoAnswerAfterRingsInS0)
{
    say(sim, "ATS0=2\r");
    sim.command("ring", 0);
    EXPECT_EQ(sim.nextDeadline(), 1000); // only the ring pulse
    sim.command("ring", 3000);
    EXPECT_NE(at(10000).find("CONNECT"), std::string::npos);
}

TEST_F(ModemSimSms, SendChecksLengthAndPdu)
{
    EXPECT_EQ(say(sim, "AT+CMGS=24\r"), "\r\n> ");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    // The standard octet count is taken as well; a wrong one, or no PDU, is refused.
    EXPECT_EQ(pduAfter("AT+CMGS=15", pdu), "\r\n+CMGS: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(pduAfter("AT+CMGS=30", pdu), "\r\n+CMS ERROR:304\r\n");
    EXPECT_EQ(pduAfter("AT+CMGS=24", "0791XYZ"), "\r\n+CMS ERROR:304\r\n");
    // Escape abandons the message.
    say(sim, "AT+CMGS=24\r");
    EXPECT_EQ(say(sim, "07\x1B"), "\r\nOK\r\n");
    // An injected error answers the send.
    event("cms 331");
    EXPECT_EQ(pduAfter("AT+CMGS=24", pdu), "\r\n+CMS ERROR:331\r\n");
}

TEST_F(ModemSimSms, StorageListingReadingDeleting)
{
    EXPECT_EQ(say(sim, "AT+CMGL=0\r"), "\r\nOK\r\n"); // empty
    EXPECT_EQ(pduAfter("AT+CMGW=15", pdu), "\r\n+CMGW: 1\r\n\r\nOK\r\n");

    // Stored, not routed: the message waits as received unread.
    EXPECT_EQ(event("sms 447700900123 Hello there"), "");
    const std::string unread = say(sim, "AT+CMGL=0\r");
    EXPECT_EQ(unread.rfind("\r\n+CMGL: 2,0,,", 0), 0u) << unread;
    EXPECT_EQ(unread.substr(unread.size() - 8), "\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CMGL=0\r"), "\r\nOK\r\n"); // now read
    const std::string all = say(sim, "AT+CMGL=4\r");
    EXPECT_NE(all.find("+CMGL: 1,2,,15\r\n" + pdu + "\r\n"), std::string::npos);
    EXPECT_NE(all.find("+CMGL: 2,1,,"), std::string::npos);
    EXPECT_NE(say(sim, "AT+CMGR=2\r").find("+CMGR: 1,,"), std::string::npos);

    EXPECT_EQ(say(sim, "AT+CMGD=1\r"), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+CMGD=1\r"), "\r\n+CMS ERROR:321\r\n");
    EXPECT_EQ(say(sim, "AT+CMGR=7\r"), "\r\n+CMS ERROR:321\r\n");
    EXPECT_EQ(say(sim, "AT+CMGL=9\r"), "\r\n+CMS ERROR:302\r\n");
}

TEST_F(ModemSimSms, RoutedMessagesAndFullStorage)
{
    say(sim, "AT+CNMI=2,1\r");
    EXPECT_EQ(event("sms 12345 Hi"), "\r\n+CMTI: \"SM\",1\r\n");
    for (int i = 0; i < 30; ++i)
        sim.command("sms 12345 more", 0);
    sim.takeOutput();
    EXPECT_NE(say(sim, "AT+CPMS?\r").find("\"SM\",20,20"), std::string::npos);
    EXPECT_EQ(say(sim, "AT+CMGW=15\r"), "\r\n+CMS ERROR:322\r\n");
    for (const char *bad : {"sms +44 text", "sms 12345 bad\xC3("})
        EXPECT_FALSE(refusal(bad).empty()) << bad;
}

TEST_F(ModemSimSms, UnicodeAndLongMessagesInParts)
{
    say(sim, "AT+CNMI=2,2\r");
    // Cyrillic arrives as UCS2 (TP-DCS 08): "Жук" is 04 16 04 43 04 3A.
    std::string out = event("sms 12345 \xD0\x96\xD1\x83\xD0\xBA");
    EXPECT_NE(out.find("0008"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 16), "0604160443043A\r\n") << out;

    // 400 characters arrive as three linked parts with one reference.
    out = event("sms 12345 " + std::string(400, 'x'));
    size_t at = 0;
    for (const char *header : {"050003010301", "050003010302", "050003010303"}) {
        at = out.find(std::string("+CMT: ,"), at);
        ASSERT_NE(at, std::string::npos) << header;
        EXPECT_NE(out.find(header, at), std::string::npos) << header;
        ++at;
    }
    EXPECT_EQ(out.find("+CMT:", at), std::string::npos);
}

TEST_F(ModemSimSms, SubmitsAreCheckedAndOwnNumberGiven)
{
    // A UCS2 part with a header is stored as it came.
    const std::string part = "07918861260900505100039121F30008FF0E0500030702020020002000200020";
    EXPECT_EQ(pduAfter("AT+CMGW=33", part), "\r\n+CMGW: 1\r\n\r\nOK\r\n");
    EXPECT_NE(say(sim, "AT+CMGL=2\r").find(part), std::string::npos);
    // User data shorter than its length, or longer than one message holds, is refused.
    EXPECT_EQ(pduAfter("AT+CMGS=21", "07918861260900501100039121F30008FF0E0020"),
              "\r\n+CMS ERROR:304\r\n");
    const std::string tooLong = "07918861260900501100039121F30008FF8E" + std::string(0x8E * 2, '0');
    EXPECT_EQ(pduAfter("AT+CMGS=161", tooLong), "\r\n+CMS ERROR:304\r\n");

    EXPECT_EQ(say(sim, "AT+CNUM\r"), "\r\n+CNUM: ,\"+881631234567\",145\r\n\r\nOK\r\n");
}

// The answer forms of other handsets, set by events: each row's inputs in turn, every
// scheduled answer let through, and all that the handset said.
TEST_F(ModemSim, AnswerFormsSetByEvents)
{
    using Strings = std::vector<std::string>;
    const std::tuple<const char *, Strings, Strings, std::string> rows[] = {
        {"echo off", {"echo off"}, {"AT+CSQ\r"}, "\r\n+CSQ:4\r\n\r\nOK\r\n"},
        {"numeric", {"results numeric"}, {"AT+CSQ;+XYZ\r"}, "AT+CSQ;+XYZ\r+CSQ:4\r\n4\r"},
        {"cr", {"lineends cr"}, {"AT+CSQ\r"}, "AT+CSQ\r\r+CSQ:4\r\rOK\r"},
        {"lf prompt", {"echo off", "lineends lf"}, {"AT+CMGS=24\r"}, "\n> "},
        {"lf numeric", {"echo off", "lineends lf", "results numeric"}, {"AT+CSQ\r"}, "+CSQ:4\n0\r"},
        {"ring cr", {"lineends cr", "ring"}, {}, "\rRING\r"},
        {"prompt off",
         {"echo off", "prompt off"},
         {"AT+CMGS=24\r", pdu + "\x1A"},
         "\r\n+CMGS: 1\r\n\r\nOK\r\n"},
        {"cme", {"echo off", "cme 10"}, {"AT+CSQ\r", "AT\r"}, "\r\n+CME ERROR: 10\r\n\r\nOK\r\n"},
        {"pdu unheard", {"echo off"}, {pdu + "\x1A" + "AT\r"}, "\r\nOK\r\n"},
        // The bytes of a binary read are the message's, whatever the line ends.
        {"sbdrb cr",
         {"echo off", "lineends cr", "sbd-hex 0D 0A"},
         {"AT+SBDI\r", "AT+SBDRB\r"},
         std::string("\r+SBDI: 0, 0, 1, 1, 2, 0\r\rOK\r\0\2\r\n\0\x17\rOK\r", 39)},
    };
    for (const auto &[name, events, inputs, out] : rows) {
        SCOPED_TRACE(name);
        ModemSimCore handset; // from power-on, echo and all
        for (const std::string &e : events)
            EXPECT_TRUE(handset.command(e, 0)) << e;
        for (const std::string &in : inputs) {
            handset.receive(in, 0);
            while (handset.nextDeadline() >= 0)
                handset.advance(handset.nextDeadline());
        }
        EXPECT_EQ(handset.takeOutput(), out);
    }
    EXPECT_EQ(refusal("lineends crcr"), "expected crlf, cr or lf");
}

TEST_F(SbdSim, TextOutAndBackThroughTheBuffers)
{
    EXPECT_EQ(say(sim, "AT+SBDS\r"), "\r\n+SBDS: 0, 0, 0, -1\r\n\r\nOK\r\n");
    // The quotes the AT table sends are not part of the message; a semicolon is.
    EXPECT_EQ(say(sim, "AT+SBDWT=\"Hi; there\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDWT=" + std::string(121, 'x') + "\r"), "\r\nERROR\r\n");
    EXPECT_EQ(say(sim, "AT+SBDTC\r"),
              "\r\nSBDTC: Outbound SBD Copied to Inbound SBD: size = 9\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDRT\r"), "\r\n+SBDRT:\r\nHi; there\r\n\r\nOK\r\n");
    // Sent with MOMSN 0; the next message gets 1. The MO buffer keeps it until cleared.
    EXPECT_EQ(session(10), "\r\n+SBDI: 1, 0, 0, 0, 0, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDS\r", 5000), "\r\n+SBDS: 1, 1, 1, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD0\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDC\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDS\r", 5000), "\r\n+SBDS: 0, 0, 1, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD2\r", 5000), "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(say(sim, "AT+SBDD7\r", 5000), "\r\nERROR\r\n");
    EXPECT_EQ(say(sim, "AT+SBDRB\r", 5000), testbytes::sbdFrame("") + "\r\nOK\r\n");
}

TEST(SbdSimPowerOn, BinaryWriteChecksTheSumAndTimesOut)
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

TEST_F(SbdSim, GatewayMailboxAndFailedSessions)
{
    for (const char *bad : {"sbd-hex 0G", "sbd", "sbd-fail 1"})
        refusal(bad);
    // A failed session leaves the mailbox as it was.
    EXPECT_EQ(event("sbd first message"), "");
    EXPECT_EQ(event("sbd-fail 2"), "");
    EXPECT_EQ(session(0), "\r\n+SBDI: 0, 0, 2, 0, 0, 0\r\n\r\nOK\r\n");
    EXPECT_EQ(session(2000), "\r\n+SBDI: 0, 0, 1, 1, 13, 0\r\n\r\nOK\r\n");
    // Bytes typed while a session runs are not taken as commands.
    EXPECT_EQ(say(sim, "AT+SBDI\r", 8000), "");
    EXPECT_EQ(say(sim, "ATH\r", 8100), "");
    EXPECT_EQ(at(9500), "\r\n+SBDI: 0, 0, 0, 0, 0, 0\r\n\r\nOK\r\n");
}
