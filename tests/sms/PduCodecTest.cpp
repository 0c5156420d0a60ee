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

TEST(PduEncode, WorkedExampleAndFields)
{
    SmsPduCodec codec;
    int length = 0;
    EXPECT_EQ(codec.EncodeSubmit("1234567", "91", "abc", 255, "", 0, length),
              "079188612609005011000791214365F70000FF0361F118");
    EXPECT_EQ(length, 24);
    EXPECT_EQ(codec.UserDataLengthField, "03");
    EXPECT_EQ(codec.DestinationField, "0791214365F7");

    // An international prefix typed as 00 is dropped for type 91 only.
    codec.EncodeSubmit("00441234567890", "91", "x", 0, "", 0, length);
    EXPECT_EQ(codec.DestinationField, "0C91442143658709");
    EXPECT_EQ(codec.ValidityPeriodField, "00");
    codec.EncodeSubmit("00441234567890", "81", "x", 0, "", 0, length);
    EXPECT_EQ(codec.DestinationField.substr(0, 4), "0E81");

    codec.EncodeSubmit("12345", "91", "x", 167, "2612241830000A", 0, length);
    EXPECT_EQ(codec.FirstOctetField, "19");
    EXPECT_EQ(codec.ValidityPeriodField, SmsPduCodec::SwapSemiOctets("2612241830000A"));
    EXPECT_EQ(codec.ValidityPeriodField.size(), 14u);
}

TEST(PduEncode, SeptetPacking)
{
    SmsPduCodec codec;
    std::string udl, ud;
    codec.PackSeptets("hellohello", udl, ud);
    EXPECT_EQ(ud, "E8329BFD4697D9EC37");
    codec.PackSeptets("^", udl, ud);
    EXPECT_EQ(udl, "02");
    EXPECT_EQ(ud, "1B0A");
    codec.PackSeptets(std::string(160, 'A'), udl, ud);
    EXPECT_EQ(udl, "A0");
    EXPECT_EQ(ud.size(), 280u);

    // A character the alphabet lacks goes as "?" and leaves the rest intact.
    std::string odd, plain;
    codec.PackSeptets("a\xEB"
                      "bc",
                      udl, odd);
    codec.PackSeptets("a?bc", udl, plain);
    EXPECT_EQ(odd, plain);
    EXPECT_EQ(udl, "04");
}

TEST(PduRoundTrip, WholeAlphabetWithExtensionCharacters)
{
    std::string text = "\n\r\x0C^{}\\[~]|";
    for (int c = 32; c < 127; ++c)
        if (c != '`') // shares its code with the inverted question mark
            text += char(c);
    for (int c : {163, 165, 232, 233, 249, 236, 242, 199, 216, 248, 197, 229, 198, 230, 223,
                  201, 164, 161, 196, 214, 209, 220, 167, 191, 228, 246, 241, 252, 224})
        text += char(c);
    SmsPduCodec codec;
    for (size_t at = 0; at < text.size(); at += 60) {
        const std::string part = text.substr(at, 60);
        int length = 0;
        const std::string pdu = codec.EncodeSubmit("8816", "91", part, 10, "", 0, length);
        const auto d = codec.DecodePdu(pdu);
        EXPECT_TRUE(d.IsSubmit);
        EXPECT_EQ(d.Text, part);
        EXPECT_EQ(d.Address, "918816");
        EXPECT_EQ(d.VpValue, 10);
    }
    // Every septet value survives unpacking, escape sequences included.
    for (int code = 0; code < 128; ++code) {
        if (code == 27)
            continue;
        const char c = SmsPduCodec::GsmToChar(code, 0);
        int second = -1;
        const int back = SmsPduCodec::CharToGsm(static_cast<unsigned char>(c), &second);
        if (second < 0 && c != '`' && static_cast<unsigned char>(c) != 127) {
            EXPECT_EQ(back, code) << code;
        }
    }
}

TEST(PduDecode, DeliverWithTimeStamp)
{
    SmsPduCodec codec;
    const auto d = codec.DecodePdu(
        "07911326040000f0040b911346610089f60000208062917314080cc8f71d14969741f977fd07");
    EXPECT_FALSE(d.IsSubmit);
    EXPECT_EQ(d.Address, "9131641600986");
    EXPECT_EQ(d.VpText, "02082619374180");
    EXPECT_EQ(d.VpValue, -1);
    EXPECT_EQ(d.Text, "How are you?");

    for (const char *first : {"04", "24", "40", "44"})
        EXPECT_FALSE(codec.DecodePdu(deliver(first, "00", 1, "41")).IsSubmit) << first;
    for (const char *first : {"11", "19", "01"})
        EXPECT_TRUE(codec.DecodePdu(Smsc + first + "000491214300000141").IsSubmit) << first;
}

TEST(PduDecode, StoredSubmitValidityFormats)
{
    SmsPduCodec codec;
    int length = 0;
    auto d = codec.DecodePdu(codec.EncodeSubmit("123", "91", "hi", 0, "2612241830000A", 0, length));
    EXPECT_EQ(d.VpText, "2612241830000A");
    EXPECT_EQ(d.VpValue, -1);
    EXPECT_EQ(d.Text, "hi");
    // No validity period, and the enhanced format that is skipped.
    d = codec.DecodePdu(Smsc + "01000491214300000141");
    EXPECT_EQ(d.Text, "A");
    EXPECT_EQ(d.Address, "911234");
    d = codec.DecodePdu(Smsc + "0900049121430000"
                               "01020304050607"
                               "0141");
    EXPECT_EQ(d.Text, "A");
    EXPECT_EQ(d.VpText, "");
}

TEST(PduDecode, OtherAlphabetsAndHeaders)
{
    SmsPduCodec codec;
    // UCS2: what the code page holds, "?" for the rest, one "?" for a surrogate pair.
    auto d = codec.DecodePdu(deliver("04", "08", 10, "004820AC03A9D83DDE00"));
    EXPECT_EQ(d.Text, "H\x80??");
    EXPECT_EQ(d.CodingScheme, 8);
    // 8-bit data is shown as hexadecimal text.
    d = codec.DecodePdu(deliver("04", "F4", 3, "deadbe"));
    EXPECT_EQ(d.Text, "DEADBE");

    // 7-bit with a concatenation header and fill bits.
    BitWriter w;
    for (int v : {5, 0, 3, 0xA7, 3, 2})
        w.octet(v);
    w.fill();
    for (char c : std::string("Hi there"))
        w.septet(c);
    d = codec.DecodePdu(deliver("44", "00", w.septets(), w.hex()));
    EXPECT_EQ(d.Text, "Hi there");
    EXPECT_EQ(d.UdhReference, 0xA7);
    EXPECT_EQ(d.UdhPart, 2);
    EXPECT_EQ(d.UdhTotal, 3);

    // UCS2 with a 16-bit reference header.
    d = codec.DecodePdu(deliver("40", "08", 11, "0608041234020100410042"));
    EXPECT_EQ(d.Text, "AB");
    EXPECT_EQ(d.UdhReference, 0x1234);
    EXPECT_EQ(d.UdhPart, 1);
    EXPECT_EQ(d.UdhTotal, 2);

    // A message without a header reports none.
    EXPECT_EQ(codec.DecodePdu(deliver("04", "00", 1, "41")).UdhReference, -1);
}

TEST(PduDecode, AlphanumericOriginatorAndLoneEscape)
{
    SmsPduCodec codec;
    std::string udl, name;
    codec.PackSeptets("Tandrel", udl, name);
    const std::string pdu = Smsc + "04" + "0DD0" + name + "0000" + Stamp + "0141";
    const auto d = codec.DecodePdu(pdu);
    EXPECT_EQ(d.Address, "D0Tandrel");
    EXPECT_EQ(d.Text, "A");

    EXPECT_EQ(codec.DecodePdu(deliver("04", "00", 2, "C10D")).Text, "A");
    EXPECT_EQ(SmsPduCodec::UnpackSeptets("C10D", 2), "A");
}

TEST(PduDecode, ShortAndMalformedInputReadsNothingOutOfRange)
{
    SmsPduCodec codec;
    const std::string full =
        "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07";
    for (size_t n = 0; n < full.size(); ++n) {
        const auto d = codec.DecodePdu(full.substr(0, n));
        if (n < full.size() - 26) { // before the user data nothing is decoded
            EXPECT_TRUE(d.Text.empty()) << n;
        }
    }
    EXPECT_TRUE(codec.DecodePdu("FF").Text.empty());
    EXPECT_TRUE(codec.DecodePdu("zz!!").Text.empty());
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        std::string junk(rng() % 64, '0');
        for (char &c : junk)
            c = "0123456789ABCDEFxz"[rng() % 18];
        codec.DecodePdu(junk); // must simply return
    }
}

TEST(PduHelpers, TextRules)
{
    EXPECT_EQ(SmsPduCodec::ToHexByte(0), "00");
    EXPECT_EQ(SmsPduCodec::ToHexByte(171), "AB");
    EXPECT_EQ(SmsPduCodec::SwapSemiOctets("1234567"), "214365F7");
    EXPECT_EQ(SmsPduCodec::UnswapAddress("214365F7"), "1234567");
    EXPECT_EQ(SmsPduCodec::UnswapAddress("2A"), "A2");
    EXPECT_EQ(SmsPduCodec::HexToInt("fF"), 255);
    EXPECT_EQ(SmsPduCodec::HexToInt("G"), 23); // any other character: its code minus 48
    EXPECT_EQ(SmsPduCodec::BinaryToInt("1011"), 11);
    EXPECT_EQ(SmsPduCodec::ReverseText("abc"), "cba");
    EXPECT_EQ(SmsPduCodec::GsmToChar(20, 27), '^');
    EXPECT_EQ(SmsPduCodec::GsmToChar(20, 0), char(20));
    EXPECT_EQ(SmsPduCodec::GsmToChar(0, 0), '@');
}
