#include "ModemSimCore.h"

#include <gtest/gtest.h>

using tandrel::sim::ModemSimCore;

// What the handset answers to the bytes; shared with the SBD tests.
std::string say(ModemSimCore &sim, std::string_view text, int64_t now = 0)
{
    sim.receive(text, now);
    return sim.takeOutput();
}

namespace {

// Each line typed in turn, with what the handset answers to it.
void script(ModemSimCore &sim, std::initializer_list<std::pair<std::string, std::string>> steps)
{
    for (const auto &[in, out] : steps)
        EXPECT_EQ(say(sim, in), out) << in;
}

} // namespace

TEST(ModemSim, EchoVerboseNumericAndQuiet)
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

TEST(ModemSim, IdentityAndExtendedCommandsInOneLine)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    const std::string both = say(sim, "at+cgmi;+CGSN\r");
    EXPECT_NE(both.find("Tandrel"), std::string::npos);
    EXPECT_NE(both.find("300215010042817"), std::string::npos);
    EXPECT_EQ(both.substr(both.size() - 6), "\r\nOK\r\n");
    // A/ repeats the previous line without waiting for a carriage return; ATZ turns echo on.
    script(sim, {{"ATI0\r", "\r\nTandrel SH-2\r\n\r\nOK\r\n"},
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

TEST(ModemSim, SignalAndRegistrationAsAHandsetAnswersThem)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_TRUE(sim.command("signal 1", 0));
    EXPECT_EQ(say(sim, "AT+CSQ\r"), "\r\n+CSQ:1\r\n\r\nOK\r\n");
    std::string why;
    EXPECT_FALSE(sim.command("signal 6", 0, &why));
    EXPECT_EQ(why, "expected a signal strength 0-5");
    EXPECT_FALSE(sim.command("signal", 0, &why));

    // Changes are only reported unasked once the terminal asked for them (+CREG=1).
    EXPECT_TRUE(sim.command("register searching", 0));
    EXPECT_EQ(sim.takeOutput(), "");
    EXPECT_EQ(say(sim, "AT+CREG?\r"), "\r\n+CREG: 0,2\r\n\r\nOK\r\n");
    say(sim, "AT+CREG=1\r");
    EXPECT_TRUE(sim.command("register off", 0));
    EXPECT_EQ(sim.takeOutput(), "\r\n+CREG: 0\r\n");
    EXPECT_TRUE(sim.command("register off", 0)); // no change, nothing said
    EXPECT_EQ(sim.takeOutput(), "");
    EXPECT_TRUE(sim.command("REGISTER On", 0));
    EXPECT_EQ(sim.takeOutput(), "\r\n+CREG: 1\r\n");
    EXPECT_EQ(say(sim, "AT+CREG?\r"), "\r\n+CREG: 1,1\r\n\r\nOK\r\n");
    EXPECT_FALSE(sim.command("register maybe", 0, &why));
    EXPECT_EQ(why, "expected on, off or searching");
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

TEST(ModemSimSms, SendChecksLengthAndPdu)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    const std::string pdu = "079188612609005011000791214365F70000FF0361F118";
    EXPECT_EQ(say(sim, "AT+CMGS=24\r"), "\r\n> ");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    // The standard octet count is taken as well; a wrong one, or no PDU, is refused.
    say(sim, "AT+CMGS=15\r");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMGS: 2\r\n\r\nOK\r\n");
    say(sim, "AT+CMGS=30\r");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMS ERROR:304\r\n");
    say(sim, "AT+CMGS=24\r");
    EXPECT_EQ(say(sim, "0791XYZ\x1A"), "\r\n+CMS ERROR:304\r\n");
    // Escape abandons the message.
    say(sim, "AT+CMGS=24\r");
    EXPECT_EQ(say(sim, "07\x1B"), "\r\nOK\r\n");
    // An injected error answers the send.
    sim.command("cms 331", 0);
    say(sim, "AT+CMGS=24\r");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMS ERROR:331\r\n");
}

TEST(ModemSimSms, StorageListingReadingDeleting)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    EXPECT_EQ(say(sim, "AT+CMGL=0\r"), "\r\nOK\r\n"); // empty
    const std::string pdu = "079188612609005011000791214365F70000FF0361F118";
    say(sim, "AT+CMGW=15\r");
    EXPECT_EQ(say(sim, pdu + "\x1A"), "\r\n+CMGW: 1\r\n\r\nOK\r\n");

    // Stored, not routed: the message waits as received unread.
    EXPECT_TRUE(sim.command("sms 447700900123 Hello there", 0));
    EXPECT_EQ(sim.takeOutput(), "");
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

TEST(ModemSimSms, RoutedMessagesAndFullStorage)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    say(sim, "AT+CNMI=2,1\r");
    sim.command("sms 12345 Hi", 0);
    EXPECT_EQ(sim.takeOutput(), "\r\n+CMTI: \"SM\",1\r\n");
    for (int i = 0; i < 30; ++i)
        sim.command("sms 12345 more", 0);
    sim.takeOutput();
    EXPECT_NE(say(sim, "AT+CPMS?\r").find("\"SM\",20,20"), std::string::npos);
    EXPECT_EQ(say(sim, "AT+CMGW=15\r"), "\r\n+CMS ERROR:322\r\n");
    std::string why;
    for (const char *bad : {"sms +44 text", "sms 12345 bad\xC3("}) {
        EXPECT_FALSE(sim.command(bad, 0, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

TEST(ModemSimSms, UnicodeAndLongMessagesInParts)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    say(sim, "AT+CNMI=2,2\r");
    // Cyrillic arrives as UCS2 (TP-DCS 08): "Жук" is 04 16 04 43 04 3A.
    ASSERT_TRUE(sim.command("sms 12345 \xD0\x96\xD1\x83\xD0\xBA", 0));
    std::string out = sim.takeOutput();
    EXPECT_NE(out.find("0008"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 16), "0604160443043A\r\n") << out;

    // 400 characters arrive as three linked parts with one reference.
    ASSERT_TRUE(sim.command("sms 12345 " + std::string(400, 'x'), 0));
    out = sim.takeOutput();
    size_t at = 0;
    for (const char *header : {"050003010301", "050003010302", "050003010303"}) {
        at = out.find(std::string("+CMT: ,"), at);
        ASSERT_NE(at, std::string::npos) << header;
        EXPECT_NE(out.find(header, at), std::string::npos) << header;
        ++at;
    }
    EXPECT_EQ(out.find("+CMT:", at), std::string::npos);
}

TEST(ModemSimSms, SubmitsAreCheckedAndOwnNumberGiven)
{
    ModemSimCore sim;
    say(sim, "ATE0\r");
    // A UCS2 part with a header is stored as it came.
    const std::string part = "07918861260900505100039121F30008FF0E050003070202"
                             "0020002000200020";
    say(sim, "AT+CMGW=" + std::to_string(part.size() / 2 + 1) + "\r");
    EXPECT_EQ(say(sim, part + "\x1A"), "\r\n+CMGW: 1\r\n\r\nOK\r\n");
    EXPECT_NE(say(sim, "AT+CMGL=2\r").find(part), std::string::npos);
    // User data shorter than its length, or longer than one message holds, is refused.
    const std::string shortData = "07918861260900501100039121F30008FF0E0020";
    say(sim, "AT+CMGS=" + std::to_string(shortData.size() / 2 + 1) + "\r");
    EXPECT_EQ(say(sim, shortData + "\x1A"), "\r\n+CMS ERROR:304\r\n");
    std::string tooLong = "07918861260900501100039121F30008FF8E";
    for (int i = 0; i < 0x8E; ++i)
        tooLong += "00";
    say(sim, "AT+CMGS=" + std::to_string(tooLong.size() / 2 + 1) + "\r");
    EXPECT_EQ(say(sim, tooLong + "\x1A"), "\r\n+CMS ERROR:304\r\n");

    EXPECT_EQ(say(sim, "AT+CNUM\r"), "\r\n+CNUM: ,\"+881631234567\",145\r\n\r\nOK\r\n");
}

// The answer forms of other handsets, set by events: each row's inputs in turn, every
// scheduled answer let through, and all that the handset said.
TEST(ModemSim, AnswerFormsSetByEvents)
{
    const std::string pdu = "079188612609005011000791214365F70000FF0361F118";
    const struct
    {
        const char *name;
        std::vector<std::string> events, in;
        std::string out;
    } rows[] = {
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
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ModemSimCore sim;
        for (const std::string &e : row.events)
            EXPECT_TRUE(sim.command(e, 0)) << e;
        for (const std::string &in : row.in) {
            sim.receive(in, 0);
            while (sim.nextDeadline() >= 0)
                sim.advance(sim.nextDeadline());
        }
        EXPECT_EQ(sim.takeOutput(), row.out);
    }
    ModemSimCore sim;
    std::string why;
    EXPECT_FALSE(sim.command("lineends crcr", 0, &why));
    EXPECT_EQ(why, "expected crlf, cr or lf");
}
