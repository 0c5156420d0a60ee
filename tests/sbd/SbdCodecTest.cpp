#include "SbdCodec.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

using namespace sbd;

TEST(SbdCodec, ChecksumIsTheLow16BitsOfTheByteSum)
{
    // Bytes above 0x7F count as unsigned, and the sum wraps at 16 bits.
    EXPECT_EQ(checksum(std::string(300, '\xFF')), 0x2AD4);
}

TEST(SbdCodec, HexInAndOut)
{
    EXPECT_EQ(toHex(std::string("H\x00\xFF\n", 4)), "48 00 FF 0A");
    // What was read, or why not and what the bytes held then.
    const auto read = [](const char *text) {
        std::string bytes = "kept", why;
        return parseHex(text, &bytes, &why) ? bytes : why + " (" + bytes + ")";
    };
    EXPECT_EQ(read("48 69\n0a,0xFF 00"), std::string("Hi\n\xFF\0", 5));
    EXPECT_EQ(read("4869"), "Hi");
    EXPECT_EQ(read(""), "");
    EXPECT_EQ(read("48 6G"), "\"G\" at position 5 is not a hex digit (0-9, A-F). (kept)");
    EXPECT_EQ(read("48 6"), "A byte needs two hex digits; the last one stands alone. (kept)");
    EXPECT_EQ(read("4 86"),
              "A byte needs two hex digits; one stands alone before position 2. (kept)");
    EXPECT_EQ(printable(std::string("a\x00\x7F\xE9z", 5)), "a...z");
    // UTF-8 text stays as it is; C1 controls and cut sequences do not.
    EXPECT_EQ(printable("Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\xEF\xBF\xBD"),
              "Gr\xC3\xBC\xC3\x9F\x65 \xE2\x82\xAC\xEF\xBF\xBD");
    EXPECT_EQ(printable("\xC2\x85|\xE2\x82|\xC3"), ".|..|.");
}

TEST(SbdCodec, TextMessageRules)
{
    EXPECT_EQ(textProblem("Position 12N"), "");
    EXPECT_EQ(textProblem(std::string(120, 'x')), "");
    EXPECT_NE(textProblem(std::string(121, 'x')).find("121 bytes"), std::string::npos);
    for (const char *refused : {"", "two\nlines", "end\r"})
        EXPECT_NE(textProblem(refused), "") << refused;
    EXPECT_EQ(writeTextCommand("Hi there"), "AT+SBDWT=\"Hi there\"");
}

// The session line as the handset writes it and what the operator is told, then lines that are
// no session result.
TEST(SbdCodec, SessionLine)
{
    const std::pair<const char *, const char *> rows[] = {
        {"+sbdi:2,6,2,0,0,3\r",
         "The message was NOT sent (status 2: no network or the transfer failed); it stays in the "
         "handset. Retry when the signal is better. The mailbox could not be checked (status 2). "
         "3 more messages wait at the gateway."},
        {"+SBDI: 0, 7, 0, 0, 0, 1",
         "Nothing was sent. No message was waiting at the gateway. 1 more message waits at the "
         "gateway."},
    };
    for (const auto &[line, told] : rows)
        EXPECT_EQ(describeSession(parseSessionLine(line).value()), told) << line;
    for (const char *line :
         {"+SBDI: 1, 5, 1, 12, 28", "+SBDI: 1, 5, 1, 12, 28, 0, 9", "+SBDIX: 1, 5, 1, 12, 28, 0",
          "+SBDI: 1, x, 1, 12, 28, 0", "+SBDI: 1,, 1, 12, 28, 0", "SBDI: 1, 5, 1, 12, 28, 0", ""})
        EXPECT_FALSE(parseSessionLine(line)) << line << " is no session result";
}

TEST(SbdCodec, StatusLineWriteStatusAndLogEntry)
{
    const BufferStatus s = parseStatusLine("+SBDS: 1, 5, 0, -1").value(); // throws if none
    EXPECT_EQ(s.mtmsn, -1);
    EXPECT_EQ(describeStatus(s),
              "A message waits to be sent (next MOMSN 5); no received message is held.");

    std::tm when{};
    std::istringstream("2026-12-07 16:05:09") >> std::get_time(&when, "%Y-%m-%d %H:%M:%S");
    EXPECT_EQ(logEntry(true, 5, std::string("Hi\0", 3), when),
              "[SBD SENT] 2026-12-07 16:05:09 MOMSN 5, 3 bytes\nText: Hi.\nHex: 48 69 00\n\n");
    EXPECT_EQ(logEntry(false, 12, "A", when),
              "[SBD RECEIVED] 2026-12-07 16:05:09 MTMSN 12, 1 byte\nText: A\nHex: 41\n\n");
}
