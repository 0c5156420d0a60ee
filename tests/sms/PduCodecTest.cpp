#include "SmsPduCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Packs octets and septets into user data the way the GSM rules lay them out, independently
// of the codec, so that headers with fill bits can be built.
class BitWriter
{
public:
    void octet(int v) { bits(v, 8); }
    void septet(int v) { bits(v, 7); }
    void fill() { bits(0, (7 - m_count % 7) % 7); }
    std::string hex() const
    {
        return m_bits > 0 ? m_hex + SmsPduCodec::ToHexByte(int(m_acc & 0xFF)) : m_hex;
    }
    int septets() const { return (m_count + 6) / 7; }

private:
    void bits(int v, int n)
    {
        for (int i = 0; i < n; ++i) {
            m_acc |= unsigned((v >> i) & 1) << m_bits;
            ++m_count;
            if (++m_bits == 8) {
                m_hex += SmsPduCodec::ToHexByte(int(m_acc));
                m_acc = 0;
                m_bits = 0;
            }
        }
    }
    std::string m_hex;
    unsigned m_acc = 0;
    int m_bits = 0;
    int m_count = 0;
};

const std::string Smsc = "07911326040000F0";
const std::string Origin = "0B911346610089F6"; // +31641600986
const std::string Stamp = "20806291731408";

std::string deliver(const std::string &firstOctet, const std::string &dcs, int udl,
                    const std::string &ud)
{
    return Smsc + firstOctet + Origin + "00" + dcs + Stamp + SmsPduCodec::ToHexByte(udl) + ud;
}

} // namespace

TEST(PduEncode, SubmitPdus)
{
    // Worked out by hand: centre, first octet, TP-MR, destination, PID, DCS, validity, user data.
    const std::string centre = "0791886126090050";
    const struct
    {
        const char *name, *number, *type, *text;
        int vp;
        const char *absolute;
        std::string pdu;
        bool report = false; // TP-SRR, bit 5 of the first octet
    } rows[] = {
        {"worked example", "1234567", "91", "abc", 255, "",
         centre + "1100" + "0791214365F7" + "0000FF" + "0361F118"},
        {"00 dropped for 91", "00441234567890", "91", "x", 0, "",
         centre + "1100" + "0C91442143658709" + "000000" + "0178"},
        {"00 kept for 81", "00441234567890", "81", "x", 0, "",
         centre + "1100" + "0E8100442143658709" + "000000" + "0178"},
        {"leading plus", "+441234567890", "91", "x", 0, "",
         centre + "1100" + "0C91442143658709" + "000000" + "0178"},
        {"absolute validity", "12345", "91", "x", 167, "2612241830000A",
         centre + "1900" + "05912143F5" + "0000" + "622142810300A0" + "0178"},
        {"ucs2 Cyrillic", "123", "91", "\xD0\x96", 255, "",
         centre + "1100" + "039121F3" + "0008FF" + "020416"},
        {"surrogate pair", "123", "91", "\xF0\x9F\x98\x80", 255, "",
         centre + "1100" + "039121F3" + "0008FF" + "04D83DDE00"},
        {"report asked", "1234567", "91", "abc", 255, "",
         centre + "3100" + "0791214365F7" + "0000FF" + "0361F118", true},
        {"report asked, absolute", "12345", "91", "x", 167, "2612241830000A",
         centre + "3900" + "05912143F5" + "0000" + "622142810300A0" + "0178", true},
    };
    for (const auto &row : rows) {
        SmsPduCodec codec;
        codec.RequestStatusReport = row.report;
        int length = 0;
        const std::string pdu =
            codec.EncodeSubmit(row.number, row.type, row.text, row.vp, row.absolute, 0, length);
        // The length is the count handsets here take.
        EXPECT_EQ(std::pair(pdu, length), std::pair(row.pdu, int(row.pdu.size() / 2 + 1)))
            << row.name;
    }
}

TEST(PduEncode, SeptetPackingAndAlphabet)
{
    // 3GPP TS 23.038 6.1.2.1 and 6.2.1: escape pairs, Greek capitals, packing across octets.
    const struct
    {
        const char *text, *packed;
    } rows[] = {
        {"hellohello", "0AE8329BFD4697D9EC37"},
        {"^", "021B0A"},
        {"\xE2\x82\xAC", "029B32"},     // euro: escape, 0x65
        {"\xCE\x94\xCE\xA6", "021009"}, // Delta 0x10, Phi 0x12
    };
    for (const auto &row : rows) {
        std::string udl, ud;
        EXPECT_TRUE(SmsPduCodec().PackSeptets(row.text, udl, ud)) << row.text;
        EXPECT_EQ(udl + ud, row.packed) << row.text;
    }
    // A character the alphabet lacks is reported, and packed as "?" so the rest stays intact.
    SmsPduCodec codec;
    std::string udl, odd, plain;
    EXPECT_FALSE(
        codec.PackSeptets("a\303\247bc", udl, odd)); // c with cedilla: only the capital is GSM
    EXPECT_TRUE(codec.PackSeptets("a?bc", udl, plain));
    EXPECT_EQ(odd, plain);
    // The grave accent, a tab and DEL have no GSM code either; nothing is sent in their place.
    for (const char *text : {"`", "a\tb", "\x7F"})
        EXPECT_EQ(SmsPduCodec::AlphabetFor(text), SmsPduCodec::Alphabet::Ucs2) << text;
    EXPECT_EQ(SmsPduCodec::AlphabetFor("\xE2\x82\xAC\xCE\x9E\x0C[]"), SmsPduCodec::Alphabet::Gsm7);
}

TEST(PduEncode, LongTextGoesInLinkedParts)
{
    SmsPduCodec codec;
    const std::string text = std::string(153, 'x') + "abcdefgh";
    const auto parts =
        codec.EncodeSubmitParts("123", "91", text, 255, "", 0, 0x2A, SmsPduCodec::Alphabet::Gsm7);
    ASSERT_EQ(parts.size(), 2u);
    // Centre, first octet 51 (TP-UDHI set), TP-MR 00, destination, PID and DCS 0000, validity FF.
    const std::string head = "07918861260900505100039121F30000FF";
    // Header 05 00 03 ref total part, one fill bit, then the septets (23.040 9.2.3.24).
    BitWriter w;
    for (int v : {5, 0, 3, 0x2A, 2, 2})
        w.octet(v);
    w.fill();
    for (char c : std::string("abcdefgh"))
        w.septet(c);
    EXPECT_EQ(parts[1].pdu, head + "0F" + w.hex());
    EXPECT_EQ(parts[1].text, "abcdefgh");
    EXPECT_EQ(parts[0].pdu.substr(0, head.size() + 14), head + "A00500032A0201");
    EXPECT_EQ(parts[0].length, int(parts[0].pdu.size() / 2 + 1));

    // UCS2: 67 characters a part after the header.
    const auto ucs2 = codec.EncodeSubmitParts("123", "91", std::string(71, ' '), 0,
                                              "2612241830000A", 0, 7, SmsPduCodec::Alphabet::Ucs2);
    ASSERT_EQ(ucs2.size(), 2u);
    EXPECT_EQ(ucs2[1].pdu.substr(16, 2), "59");
    EXPECT_EQ(ucs2[1].pdu.substr(ucs2[1].pdu.size() - 30), "0E0500030702020020002000200020");
    EXPECT_EQ(ucs2[0].pdu.substr(ucs2[0].pdu.size() - 67 * 4 - 14, 14), "8C050003070201");

    // A text that fits in one message has no header, and GSM refuses what it cannot carry.
    const auto gsm = [&codec](const std::string &text) {
        return codec.EncodeSubmitParts("1", "91", text, 0, "", 0, 1, SmsPduCodec::Alphabet::Gsm7);
    };
    EXPECT_EQ(gsm(std::string(160, 'a')).size(), 1u);
    EXPECT_EQ(codec.FirstOctetField, "11");
    EXPECT_TRUE(gsm("\xD0\x96").empty());
    EXPECT_TRUE(gsm(std::string(153 * 255 + 1, 'a')).empty());
}

TEST(PduText, PartsNeverSplitAPair)
{
    const std::string euro = "\xE2\x82\xAC", smile = "\xF0\x9F\x98\x80", zhe = "\xD0\x96";
    using A = SmsPduCodec::Alphabet;
    EXPECT_EQ(SmsPduCodec::UnitCount(euro + "a", A::Gsm7), 3);
    EXPECT_EQ(SmsPduCodec::UnitCount(smile + zhe, A::Ucs2), 3);

    using Parts = std::vector<std::string>;
    EXPECT_EQ(SmsPduCodec::SplitText(std::string(152, 'a') + euro + "bbbbbbbbbb", A::Gsm7),
              (Parts{std::string(152, 'a'), euro + "bbbbbbbbbb"}));
    std::string cyr;
    for (int i = 0; i < 66; ++i)
        cyr += zhe;
    const std::string rest = smile + zhe + zhe + zhe + zhe;
    EXPECT_EQ(SmsPduCodec::SplitText(cyr + rest, A::Ucs2), (Parts{cyr, rest}));
}

TEST(PduRoundTrip, EveryGsmCodeBothWays)
{
    // The code and the second code CharToGsm gives back for what GsmToChar made of them.
    const auto back = [](int code, int escape) {
        int second = -1;
        const int first = SmsPduCodec::CharToGsm(SmsPduCodec::GsmToChar(code, escape), &second);
        return std::pair(first, second);
    };
    for (int code = 0; code < 128; ++code)
        if (code != 27) {
            EXPECT_EQ(back(code, 0), std::pair(code, -1)) << code;
        }
    for (int code : {10, 20, 40, 41, 47, 60, 61, 62, 64, 101})
        EXPECT_EQ(back(code, 27), std::pair(27, code));
}

TEST(PduDecode, AddressesAlphabetsAndHeaders)
{
    SmsPduCodec codec;
    std::string udl, name;
    codec.PackSeptets("Tandrel", udl, name);
    int length = 0;
    const std::string replaced = "\xEF\xBF\xBD"; // U+FFFD
    const std::string storedAbsolute =
        codec.EncodeSubmit("123", "91", "hi", 0, "2612241830000A", 0, length);
    const struct
    {
        const char *name;
        std::string pdu, address, text, vpText = Stamp;
        bool submit = false;
        int reference = -1, part = -1, total = -1; // of a concatenation header
    } rows[] = {
        {"deliver", "07911326040000f0040b911346610089f60000208062917314080cc8f71d14969741f977fd07",
         "9131641600986", "How are you?"},
        {"absolute validity", storedAbsolute, "91123", "hi", "2612241830000A", true},
        {"no validity", Smsc + "01000491214300000141", "911234", "A", "", true},
        {"enhanced validity skipped", Smsc + "090004912143000001020304050607" + "0141", "911234",
         "A", "", true},
        {"ucs2 surrogate pair", deliver("04", "08", 10, "004820AC03A9D83DDE00"), "9131641600986",
         "H\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80"},
        {"lone surrogates", deliver("04", "08", 6, "D83D0041DE00"), "9131641600986",
         replaced + "A" + replaced},
        {"8-bit as hex", deliver("04", "F4", 3, "deadbe"), "9131641600986", "DEADBE"},
        {"ucs2 16-bit reference", deliver("40", "08", 11, "0608041234020100410042"),
         "9131641600986", "AB", Stamp, false, 0x1234, 1, 2},
        {"alphanumeric originator", Smsc + "04" + "0DD0" + name + "0000" + Stamp + "0141",
         "D0Tandrel", "A"},
        {"lone escape at the end", deliver("04", "00", 2, "C10D"), "9131641600986", "A"},
    };
    for (const auto &row : rows) {
        const auto d = codec.DecodePdu(row.pdu);
        // A deliver's time stamp is shown in reading order: 02/08/26 19:37:41, zone 80.
        EXPECT_EQ(std::tuple(d.Address, d.Text, d.VpText, d.IsSubmit, d.UdhReference, d.UdhPart,
                             d.UdhTotal),
                  std::tuple(row.address, row.text,
                             row.vpText == Stamp ? "02082619374180" : row.vpText, row.submit,
                             row.reference, row.part, row.total))
            << row.name;
    }
    for (const char *first : {"04", "24", "40", "44"})
        EXPECT_FALSE(codec.DecodePdu(deliver(first, "00", 1, "41")).IsSubmit) << first;
    for (const char *first : {"11", "19", "01"})
        EXPECT_TRUE(codec.DecodePdu(Smsc + first + "000491214300000141").IsSubmit) << first;

    // 7-bit with a concatenation header and fill bits.
    BitWriter w;
    for (int v : {5, 0, 3, 0xA7, 3, 2})
        w.octet(v);
    w.fill();
    for (char c : std::string("Hi there"))
        w.septet(c);
    const auto d = codec.DecodePdu(deliver("44", "00", w.septets(), w.hex()));
    EXPECT_EQ(std::tuple(d.Text, d.UdhReference, d.UdhPart, d.UdhTotal),
              std::tuple(std::string("Hi there"), 0xA7, 2, 3));
    // Two escapes lead to a table not yet defined, shown as a space (23.038 6.2.1.1).
    BitWriter escapes;
    for (int v : {65, 27, 27, 66}) // A, escape, escape, B
        escapes.septet(v);
    EXPECT_EQ(SmsPduCodec::UnpackSeptets(escapes.hex(), 4), "A B");
}

TEST(PduDecode, ShortAndMalformedInputReadsNothingOutOfRange)
{
    SmsPduCodec codec;
    const std::string full =
        "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07";
    for (size_t n = 0; n < full.size(); ++n) {
        const auto d = codec.DecodePdu(full.substr(0, n));
        EXPECT_TRUE(n >= full.size() - 26 || d.Text.empty()) << n; // nothing before the user data
    }
    // A user-data length that runs past the end, or no PDU at all, gives no text, not part of one.
    for (const std::string &bad : {full.substr(0, full.size() - 2), deliver("04", "08", 4, "0041"),
                                   std::string("FF"), std::string("zz!!")})
        EXPECT_TRUE(codec.DecodePdu(bad).Text.empty()) << bad;
    EXPECT_EQ(codec.DecodePdu(full + "00").Text.size(), 12u); // trailing octets are harmless
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        std::string junk(rng() % 64, '0');
        for (char &c : junk)
            c = "0123456789ABCDEFxz"[rng() % 18];
        codec.DecodePdu(junk); // must simply return
    }
}
