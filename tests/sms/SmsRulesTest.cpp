#include "SmsRules.h"
#include "MessageBytes.h"
#include "SmsLog.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace smsrules;

TEST(SmsRules, RelativePeriodInWords)
{
    const std::pair<int, const char *> rows[] = {{0, "0 hr. 5 min. "},   {143, "12 hr. 0 min. "},
                                                 {144, "12 hr. 30min."}, {167, "24 hr. 0min."},
                                                 {168, "2 days "},       {196, "30 days "},
                                                 {197, "5 weeks "},      {255, "63 weeks "}};
    for (const auto &[vp, words] : rows)
        EXPECT_EQ(RelativeVpWords(vp), words) << vp;
}

TEST(SmsRules, CountedLengthAndTrimming)
{
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
    for (char32_t c = 0; c < 0x500; ++c) // what is safe for e-mail is safe for a phone
        EXPECT_TRUE(!IsSafeCharacter(c, true) || IsSafeCharacter(c, false)) << int(c);
}

TEST(SmsRules, TimeStampZoneInQuarterHours)
{
    // 3GPP TS 23.040 9.2.3.11: the zone octet as sent, first semi-octet in its low half.
    const std::pair<std::string, std::string> rows[] = {
        {"00", " (GMT)"},      {"80", " (GMT+2)"},    {"0A", " (GMT-5)"},
        {"22", " (GMT+5:30)"}, {"32", " (GMT+5:45)"}, {"49", " (GMT-3:30)"}};
    for (const auto &[octet, zone] : rows) {
        const std::string head =
            DisplayPdu("07911326040000F0040B911346610089F60000622180010000" + octet + "0141").head;
        EXPECT_EQ(head.substr(head.find("SCTS: ")), "SCTS: 12/08/26 10:00:00" + zone) << octet;
    }
    // The validity period the program wrote keeps its own zone code: "11" is GMT-1.
    int length = 0;
    const DisplayedMessage own =
        DisplayPdu(SmsPduCodec().EncodeSubmit("12", "91", "a", 0, "26122418300011", 0, length));
    EXPECT_EQ(own.head, "To: 12 (International)\nAbsolute VP: 12/24/26 18:30:00 (GMT-1)");
}

TEST(SmsRules, DisplayOfReceivedAndStoredMessages)
{
    const std::pair<const char *, const char *> rows[] = {
        {"07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07",
         "received From: 31641600986 (International)\nSCTS: 08/26/02 19:37:41 (GMT) | How are "
         "you?"},
        {"07911326040000F0040B811346610089F60000208062917314810141",
         "received From: 31641600986 (National)\nSCTS: 08/26/02 19:37:41 (GMT+4:30) | A"},
        {"079188612609005011000791214365F70000FF0361F118",
         "stored To: 1234567 (International)\nRelative VP: 63 weeks  | abc"},
        {"0791886126090050010004A1214300000141", "stored To: 1234 (Unknown) | A"},
        {"07911326", "invalid"},
        {"not hex", "invalid"}};
    for (const auto &[pdu, shown] : rows) {
        const DisplayedMessage m = DisplayPdu(pdu);
        EXPECT_EQ(!m.valid ? "invalid"
                           : (m.received ? "received " : "stored ") + m.head + " | " + m.text,
                  shown)
            << pdu;
    }
}

TEST(SmsRules, StatusReportSaysWhatBecameOfAMessage)
{
    // SMS-STATUS-REPORT by hand (3GPP TS 23.040 9.2.2.3): centre, first octet, TP-MR, TP-RA,
    // TP-SCTS, TP-DT (08 Dec 2026 10:00:05, zone octet last), TP-ST, then anything more.
    const std::string to = "0B912120550541F3", stamp = "62218001000080";
    const std::string head = "07911326040000F0060C" + to + stamp + "622180010050";
    const struct
    {
        std::string pdu;
        bool delivered, final;
        const char *line;
    } rows[] = {
        {head + "8000", true, true,
         "Delivery report for message 12 to +12025550143: delivered, 12/08/26 10:00:05 (GMT+2)"},
        {head + "0A46", false, true,
         "Delivery report for message 12 to +12025550143: not delivered (validity period "
         "expired), 12/08/26 10:00:05 (GMT-5)"},
        {head + "2220", false, false,
         "Delivery report for message 12 to +12025550143: not delivered yet (congestion, still "
         "trying), 12/08/26 10:00:05 (GMT+5:30)"},
        {"0006FF0781550541F3" + stamp + "622180010050" + "3241", false, true,
         "Delivery report for message 255 to 5550143: not delivered (incompatible destination), "
         "12/08/26 10:00:05 (GMT+5:45)"},
        {head + "80A5", false, true, // reserved: service rejected
         "Delivery report for message 12 to +12025550143: not delivered (service rejected), "
         "12/08/26 10:00:05 (GMT+2)"},
        {head + "800100", true, true, // with TP-PI after it
         "Delivery report for message 12 to +12025550143: forwarded, delivery not confirmed, "
         "12/08/26 10:00:05 (GMT+2)"},
        {head + "80", false, false, ""},                                               // no TP-ST
        {"07911326040000F0040B911346610089F60000" + stamp + "0141", false, false, ""}, // DELIVER
    };
    for (const auto &row : rows) {
        const DeliveryReport r = ReadStatusReport(row.pdu);
        EXPECT_EQ(std::tuple(ReportLine(r), r.delivered, r.final),
                  std::tuple(std::string(row.line), row.delivered, row.final))
            << row.pdu;
    }
    // A report is no message: neither shown nor listed as one.
    EXPECT_FALSE(DisplayPdu(rows[0].pdu).valid);
    EXPECT_EQ(JoinListing({{"1", rows[0].pdu}, {"2", rows[7].pdu}}).size(), 1u);
}

namespace {
const std::string good = "079188612609005011000791214365F70000FF0361F118";
const std::string report = "07911326040000F0060C0B912120550541F3622180010000806221800100508000";
const std::string textHeader = "\"+12025550143\",,\"26/12/08,10:00:00+04\"";
} // namespace

TEST(SmsRules, ListingSplitReadsWhatModemsWrite)
{
    // 3GPP TS 27.005: "+CMGL: <index>,<stat>,[<alpha>],<length>", "+CMT: [<alpha>],<length>"
    // and "+CDS: <length>", each followed by its PDU.
    const struct
    {
        std::string answer;
        const char *items; // index and g (good) or r (report)
    } rows[] = {
        {"AT+CMGL=4\r\r\n+CMGL: 9,2,,22\r\n" + good +
             "\r\n+CMGL: 10,3,,22\r\n+CMGL: 11,3,,22\r\nZZZZ\r\n+CMGL: 12, 2,,22\r\n" + good +
             "\r\n\r\nOK\r\n",
         "9:g 12:g"},
        {"+CMGL: 1,0,,15\n" + good + "\n+CMGL: 2,1,,15\n" + good, "1:g 2:g"},
        {"+CMGL: 1,0,,15\r" + good + "\r+CMGL: 2,1,,15\r" + good, "1:g 2:g"},
        {"+CMGL: 1,0,,15 " + good + "\r\n+CMGL: 2,0,,15\t" + good, "1:g 2:g"},
        {"+CMGL: 3,1,,15\r\n" + good + "\"", "3:g"},
        {"+CMGL: 4,1,,15\r\n\r\n^SIND: simstatus,5\r\n" + good, "4:g"},
        {"+CMGL: 5,1,\"Ann, B\",15\r\n" + good, "5:g"},
        {"+CMGL: 6,0,,25\r\n" + report, "6:r"},
        {"+CMT: ,15\r\n" + good, ":g"},
        {"+CMT: \"Ann\",15 " + good, ":g"},
        {"+CDS: 25\r\n" + report, ":r"},
        {"+CMGR: 1,,15\r\n" + good, ""},
        {"+CMGL: 1,\"REC UNREAD\"," + textHeader + "\r\nCAFE", ""},
    };
    for (const auto &row : rows) {
        std::string items;
        for (const ListedPdu &item : SplitListing(row.answer))
            items += (items.empty() ? "" : " ") + item.index + ":" +
                     (item.pdu == good     ? "g"
                      : item.pdu == report ? "r"
                                           : item.pdu);
        EXPECT_EQ(items, row.items) << row.answer;
    }
}

TEST(SmsRules, ReadAnswerTakesTheStoredPdu)
{
    const struct
    {
        std::string answer, pdu;
    } rows[] = {
        {"+CMGR: 0,,15\r\n" + good, good},
        {"+CMGR: 1,\"Ann\",15 " + good + "\"", good},
        {"+CMGR: 0,,15\n\n^SIND: simstatus,5\n" + good, good},
        {"+CMGR: 1,,25\r" + report, report},
        {"+CMGR: 0,,15", ""},
        {"+CMT: ,15\r\n" + good, ""},
        {"+CMGR: \"REC READ\"," + textHeader + "\r\nCAFE", ""},
    };
    for (const auto &row : rows) {
        const ListedPdu item = ReadAnswer(row.answer, "7");
        EXPECT_EQ(item.pdu, row.pdu) << row.answer;
        EXPECT_EQ(item.index, row.pdu.empty() ? "" : "7") << row.answer;
    }
}

TEST(SmsRules, TextModeAnswersAreKnown)
{
    const struct
    {
        std::string answer;
        bool text;
    } rows[] = {
        {"+CMGL: 1,\"REC UNREAD\"," + textHeader + "\r\nhello", true},
        {"+CMGR: \"REC READ\"," + textHeader + "\r\nhello", true},
        {"+CMT: " + textHeader + "\r\nhello", true},
        {"+CDS: 6,12,\"+12025550143\",145,\"26/12/08,10:00:00+04\",\"26/12/08,10:00:05+04\",0",
         true},
        {"+CMGL: 5,1,\"Ann, B\",15\r\n" + good, false},
        {"+CMT: \"Ann\",15\r\n" + good, false},
        {"+CMGR: 0,\"Ann\",15\r\n" + good, false},
        {"+CDS: 25\r\n" + report, false},
    };
    for (const auto &row : rows)
        EXPECT_EQ(IsTextModeListing(row.answer), row.text) << row.answer;
}

TEST(SmsRules, AddressRefusals)
{
    const std::pair<const char *, const char *> rows[] = {
        {"+447700900123", ""}, {"0044770", ""}, {"12#3*4#;5+6", "#*;+"}};
    for (const auto &[address, refused] : rows)
        EXPECT_EQ(AddressRefusals(address), refused) << address;
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

    // A folder that cannot take the log sends it to the per-user folder.
    SmsLog moved((dir / "missing" / "SMSLog.txt").string(), (dir / "data").string());
    EXPECT_EQ(moved.path(), (dir / "data" / "SMSLog.txt").string());

    // A failed append says why.
    SmsLog full("/dev/full", "");
    EXPECT_FALSE(full.append("text", &error));
    EXPECT_NE(error.find("/dev/full"), std::string::npos);
    fs::remove_all(dir);
}

using testbytes::deliverParts;

TEST(SmsRules, ListingJoinsThePartsOfOneMessage)
{
    const std::string text = std::string(300, 'a') + "\xD0\x96"; // UCS2, five parts
    const auto p = deliverParts(text, 7);
    ASSERT_EQ(p.size(), 5u);
    const auto other = deliverParts(std::string(200, 'z'), 7, "0B911346610089F7");
    // Out of order, one part twice, part 4 missing, another sender with the same reference.
    const auto listed = JoinListing({{"12", p[2]},
                                     {"3", good},
                                     {"10", p[0]},
                                     {"11", p[1]},
                                     {"20", other[1]},
                                     {"13", p[4]},
                                     {"14", p[2]},
                                     {"21", other[0]}});
    std::vector<std::string> shown; // label | text
    for (const auto &message : listed)
        shown.push_back(ListLabel(message) + " | " + message.shown.text);
    const auto texts = SmsPduCodec::SplitText(text, SmsPduCodec::Alphabet::Ucs2);
    ASSERT_EQ(shown,
              (std::vector<std::string>{"10 (5 parts) | " + texts[0] + texts[1] + texts[2] +
                                            "[part 4 of 5 missing]" + texts[4],
                                        "3 | abc", "21 (2 parts) | " + std::string(200, 'z')}));
    EXPECT_EQ(listed[0].parts, 5);
    EXPECT_EQ(listed[0].indexes, (std::vector<std::string>{"10", "11", "12", "13"}));
    EXPECT_EQ(listed[0].shown.head.rfind("From: 31641600986 (International)\nSCTS: ", 0), 0u);
}

TEST(SmsRules, IncomingPartsAreJoinedOnceAllHaveArrived)
{
    const auto p = deliverParts(std::string(400, 'q') + "!", 200);
    ASSERT_EQ(p.size(), 3u);
    const auto q = deliverParts(std::string(200, 'r'), 200, "0B911346610089F7");
    PartCollector parts;
    // Another sender with the same reference, a repeat that completes nothing, the same
    // reference again as a new message, a message in one part; "-" while incomplete.
    std::vector<std::string> joined;
    for (const std::string &pdu : {p[2], q[0], p[0], p[0], p[1], q[1], p[0], good}) {
        std::string text;
        joined.push_back(parts.add(DisplayPdu(pdu), &text) ? text : "-");
    }
    EXPECT_EQ(joined, (std::vector<std::string>{"-", "-", "-", "-", std::string(400, 'q') + "!",
                                                std::string(200, 'r'), "-", "abc"}));
}
