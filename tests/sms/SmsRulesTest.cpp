#include "SmsRules.h"
#include "SmsLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace smsrules;

TEST(SmsRules, RelativePeriodInWords)
{
    EXPECT_EQ(RelativeVpWords(0), "0 hr. 5 min. ");
    EXPECT_EQ(RelativeVpWords(143), "12 hr. 0 min. ");
    EXPECT_EQ(RelativeVpWords(144), "12 hr. 30min.");
    EXPECT_EQ(RelativeVpWords(167), "24 hr. 0min.");
    EXPECT_EQ(RelativeVpWords(168), "2 days ");
    EXPECT_EQ(RelativeVpWords(196), "30 days ");
    EXPECT_EQ(RelativeVpWords(197), "5 weeks ");
    EXPECT_EQ(RelativeVpWords(255), "63 weeks ");
}

TEST(SmsRules, CountedLengthAndTrimming)
{
    const std::string text = std::string(155, 'a') + "^^^";
    EXPECT_EQ(CountedLength(text), 161);
    const std::string trimmed = TrimToCountedLength(text, 160);
    EXPECT_EQ(trimmed, std::string(155, 'a') + "^^");
    EXPECT_EQ(CountedLength(trimmed), 159);
    EXPECT_EQ(CountedLength("{}\\[~]|^x"), 17);
    // Characters, not bytes: the euro is escape plus code, a Greek capital one septet.
    EXPECT_EQ(CountedLength("\xE2\x82\xAC\xCE\x94\xD0\x96"), 4);
    EXPECT_EQ(TrimToCountedLength("ab\xD0\x96\xD0\x96", 3), "ab\xD0\x96");
}

TEST(SmsRules, UnsafeCharactersByDestination)
{
    // e-diaeresis and Cyrillic have no GSM code; e-acute, the euro and Omega have.
    EXPECT_EQ(UnsafeCharacters("a`b\xC3\xAB\xC3\xA9\x0C\xE2\x82\xAC\xCE\xA9\xD0\x96", false),
              "`\xC3\xAB\xD0\x96");
    EXPECT_EQ(UnsafeCharacters("a[b]\x0C~\xC3\xA9\xE2\x82\xAC", true), "[]\x0C~\xE2\x82\xAC");
    EXPECT_EQ(WithoutUnsafe("x{y}\xC3\xA9\xD0\x96", true), "xy\xC3\xA9");
    // Listed once each; look-alikes of Latin letters named.
    EXPECT_EQ(ListUnsafe("`\xCE\x91\xCE\x91\xCE\xBF\xCF\x82\xD0\x90\xC3\xAB"),
              "`, \xCE\x91 (Greek Alpha), \xCE\xBF (Greek omicron), \xCF\x82 (Greek final sigma), "
              "\xD0\x90 (Cyrillic U+0410), \xC3\xAB (U+00EB)");
    for (char32_t c = 0; c < 0x500; ++c)
        if (IsSafeCharacter(c, true)) {
            EXPECT_TRUE(IsSafeCharacter(c, false)) << int(c);
        }
}

TEST(SmsRules, ZonesBothWays)
{
    EXPECT_EQ(TimeZoneCode(-12), "1C");
    EXPECT_EQ(TimeZoneCode(-1), "11");
    EXPECT_EQ(TimeZoneCode(0), "00");
    EXPECT_EQ(TimeZoneCode(13), "0D");
    EXPECT_EQ(ZoneText('0', '0'), " (GMT)");
    EXPECT_EQ(ZoneText('1', 'A'), " (GMT-10)");
    EXPECT_EQ(ZoneText('0', '8'), " (GMT+8)");
}

TEST(SmsRules, DisplayOfReceivedAndStoredMessages)
{
    DisplayedMessage m =
        DisplayPdu("07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07");
    ASSERT_TRUE(m.valid);
    EXPECT_TRUE(m.received);
    EXPECT_EQ(m.head, "From: 31641600986 (International)\nSCTS: 08/26/02 19:37:41 (GMT)");
    EXPECT_EQ(m.text, "How are you?");

    m = DisplayPdu("07911326040000F0040B811346610089F6000020806291731481"
                   "0141");
    EXPECT_NE(m.head.find("(National)\n"), std::string::npos);
    EXPECT_NE(m.head.find("(GMT-8)"), std::string::npos);

    m = DisplayPdu("079188612609005011000791214365F70000FF0361F118");
    EXPECT_FALSE(m.received);
    EXPECT_EQ(m.head, "To: 1234567 (International)\nRelative VP: 63 weeks ");
    EXPECT_EQ(m.text, "abc");
    m = DisplayPdu("07918861260900500100"
                   "04A121430000"
                   "0141");
    EXPECT_EQ(m.head, "To: 1234 (Unknown)");

    EXPECT_FALSE(DisplayPdu("07911326").valid);
    EXPECT_FALSE(DisplayPdu("not hex").valid);
}

TEST(SmsRules, ListingSplitSkipsWhatCannotBeRead)
{
    const std::string good = "079188612609005011000791214365F70000FF0361F118";
    const std::string answer = "AT+CMGL=4\r\r\n+CMGL: 9,2,,22\r\n" + good +
                               "\r\n+CMGL: 10,3,,22\r\n+CMGL: 11,3,,22\r\nZZZZ\r\n"
                               "+CMGL: 12, 2,,22\r\n" +
                               good + "\r\n\r\nOK\r\n";
    const auto items = SplitListing(answer);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].index, "9");
    EXPECT_EQ(items[1].index, "12");
    EXPECT_EQ(items[1].pdu, good);

    const auto cmt = SplitListing("+CMT: ,22\r\n" + good);
    ASSERT_EQ(cmt.size(), 1u);
    EXPECT_EQ(cmt[0].index, "");
}

TEST(SmsRules, AddressRefusals)
{
    EXPECT_EQ(smsrules::AddressRefusals("+447700900123"), "");
    EXPECT_EQ(smsrules::AddressRefusals("0044770"), "");
    EXPECT_EQ(smsrules::AddressRefusals("12#3*4#;5+6"), "#*;+");
}

TEST(SmsLog, AppendsReadsClearsAndFallsBack)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("smslog-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "data");

    SmsLog log((dir / "SMSLog.txt").string(), (dir / "data").string());
    EXPECT_EQ(log.readAll(), "");
    std::string error;
    ASSERT_TRUE(log.append("[SENT]\nTo: 1\n\n", &error)) << error;
    ASSERT_TRUE(log.append("[RECEIVED]\nFrom: 2\n\n", &error));
    EXPECT_EQ(log.readAll(), "[SENT]\nTo: 1\n\n[RECEIVED]\nFrom: 2\n\n");
    ASSERT_TRUE(log.clear(&error));
    EXPECT_EQ(log.readAll(), "");
    // What was cleared stays beside it, and a second clear of the empty log keeps it.
    SmsLog backup((dir / "SMSLog.txt.bak").string(), "");
    EXPECT_EQ(backup.readAll(), "[SENT]\nTo: 1\n\n[RECEIVED]\nFrom: 2\n\n");
    ASSERT_TRUE(log.clear(&error));
    EXPECT_EQ(backup.readAll(), "[SENT]\nTo: 1\n\n[RECEIVED]\nFrom: 2\n\n");

    // A log of an older version holds Windows-1252; what is added now is UTF-8. Both read right.
    {
        std::ofstream old(log.path(), std::ios::binary);
        old << "[RECEIVED]\nFrom: 2\n\nGr\xFC\xDF"
               "e \x80 5\n\n";
    }
    ASSERT_TRUE(log.append("[SENT]\nTo: 1\n\n\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC\n\n", &error));
    EXPECT_EQ(log.readAll(), "[RECEIVED]\nFrom: 2\n\nGr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC 5\n\n"
                             "[SENT]\nTo: 1\n\n\xD0\x9F\xD1\x80\xD0\xB8 \xE2\x82\xAC\n\n");
    ASSERT_TRUE(log.clear(&error));

    // A folder that cannot take the log sends it to the per-user folder.
    SmsLog moved((dir / "missing" / "SMSLog.txt").string(), (dir / "data").string());
    EXPECT_EQ(moved.path(), (dir / "data" / "SMSLog.txt").string());

    // A failed append says why.
    SmsLog full("/dev/full", "");
    EXPECT_FALSE(full.append("text", &error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos);
    fs::remove_all(dir);
}

namespace {

// The SMS-DELIVER parts of a text from a sender, as the network hands them over.
std::vector<std::string> deliverParts(const std::string &text, int reference,
                                      const std::string &sender = "0B911346610089F6")
{
    const auto alphabet = SmsPduCodec::AlphabetFor(text);
    const auto texts = SmsPduCodec::SplitText(text, alphabet);
    std::vector<std::string> pdus;
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string udl, ud;
        SmsPduCodec::BuildUserData(
            texts[i], alphabet,
            SmsPduCodec::ConcatenationHeader(reference, int(i + 1), int(texts.size())), udl, ud);
        pdus.push_back("07911326040000F044" + sender + "00" +
                       (alphabet == SmsPduCodec::Alphabet::Ucs2 ? "08" : "00") + "20806291731408" +
                       udl + ud);
    }
    return pdus;
}

} // namespace

TEST(SmsRules, ListingJoinsThePartsOfOneMessage)
{
    const std::string text = std::string(300, 'a') + "\xD0\x96"; // UCS2, five parts
    const auto p = deliverParts(text, 7);
    ASSERT_EQ(p.size(), 5u);
    const auto other = deliverParts(std::string(200, 'z'), 7, "0B911346610089F7");
    const std::string single = "079188612609005011000791214365F70000FF0361F118";
    // Out of order, one part twice, part 4 missing, another sender with the same reference.
    const auto listed = JoinListing({{"12", p[2]},
                                     {"3", single},
                                     {"10", p[0]},
                                     {"11", p[1]},
                                     {"20", other[1]},
                                     {"13", p[4]},
                                     {"14", p[2]},
                                     {"21", other[0]}});
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].parts, 5);
    EXPECT_EQ(listed[0].indexes, (std::vector<std::string>{"10", "11", "12", "13"}));
    EXPECT_EQ(ListLabel(listed[0]), "10 (5 parts)");
    const auto texts = SmsPduCodec::SplitText(text, SmsPduCodec::Alphabet::Ucs2);
    EXPECT_EQ(listed[0].shown.text,
              texts[0] + texts[1] + texts[2] + "[part 4 of 5 missing]" + texts[4]);
    EXPECT_EQ(listed[0].shown.head.rfind("From: 31641600986 (International)\nSCTS: ", 0), 0u);
    EXPECT_EQ(ListLabel(listed[1]), "3");
    EXPECT_EQ(listed[1].shown.text, "abc");
    EXPECT_EQ(listed[2].shown.text, std::string(200, 'z'));
    EXPECT_EQ(ListLabel(listed[2]), "21 (2 parts)");
}

TEST(SmsRules, IncomingPartsAreJoinedOnceAllHaveArrived)
{
    const auto p = deliverParts(std::string(400, 'q') + "!", 200);
    ASSERT_EQ(p.size(), 3u);
    const auto q = deliverParts(std::string(200, 'r'), 200, "0B911346610089F7");
    PartCollector parts;
    std::string joined;
    EXPECT_FALSE(parts.add(DisplayPdu(p[2]), &joined));
    EXPECT_FALSE(parts.add(DisplayPdu(q[0]), &joined)); // another sender, same reference
    EXPECT_FALSE(parts.add(DisplayPdu(p[0]), &joined));
    EXPECT_FALSE(parts.add(DisplayPdu(p[0]), &joined)); // a repeat completes nothing
    EXPECT_TRUE(parts.add(DisplayPdu(p[1]), &joined));
    EXPECT_EQ(joined, std::string(400, 'q') + "!");
    EXPECT_TRUE(parts.add(DisplayPdu(q[1]), &joined));
    EXPECT_EQ(joined, std::string(200, 'r'));
    // The same reference again is a new message.
    EXPECT_FALSE(parts.add(DisplayPdu(p[0]), &joined));
    EXPECT_TRUE(parts.add(DisplayPdu("079188612609005011000791214365F70000FF0361F118"), &joined));
    EXPECT_EQ(joined, "abc");
}
