#include "SmsPduCodec.h"

#include "Cp1252.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

SmsPduCodec theCodec;

constexpr int Escape = 27;

struct Alphabet
{
    // 8-bit character to GSM code; ext >= 0 for characters sent as escape plus ext.
    std::array<int, 256> code{};
    std::array<int, 256> ext{};
    // GSM code back to the character, for the basic and the extension table (-1: none).
    std::array<int, 128> basic{};
    std::array<int, 128> extension{};

    Alphabet()
    {
        static constexpr int single[][2] = {
            {64, 0},    {163, 1},   {36, 2},    {165, 3},  {232, 4},  {233, 5},  {249, 6},
            {236, 7},   {242, 8},   {199, 9},   {216, 11}, {248, 12}, {197, 14}, {229, 15},
            {95, 17},   {198, 28},  {230, 29},  {223, 30}, {201, 31}, {164, 36}, {161, 64},
            {196, 91},  {214, 92},  {209, 93},  {220, 94}, {167, 95}, {191, 96}, {228, 123},
            {246, 124}, {241, 125}, {252, 126}, {224, 127}};
        static constexpr int escaped[][2] = {{12, 10},  {'^', 20}, {'{', 40}, {'}', 41}, {'\\', 47},
                                             {'[', 60}, {'~', 61}, {']', 62}, {'|', 64}};
        for (int c = 0; c < 256; ++c) {
            // A character the alphabet lacks would need 8 bits and spoil what follows.
            code[size_t(c)] = c < 128 ? c : '?';
            ext[size_t(c)] = -1;
        }
        basic.fill(-1);
        extension.fill(-1);
        for (const auto &p : single) {
            code[size_t(p[0])] = p[1];
            basic[size_t(p[1])] = p[0];
        }
        for (const auto &p : escaped) {
            code[size_t(p[0])] = Escape;
            ext[size_t(p[0])] = p[1];
            extension[size_t(p[1])] = p[0];
        }
    }
};

const Alphabet &alphabet()
{
    static const Alphabet a;
    return a;
}

constexpr const char *HexDigits = "0123456789ABCDEF";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return static_cast<unsigned char>(c) - 48;
}

void appendHex(std::string &out, unsigned value)
{
    out += HexDigits[(value >> 4) & 0xF];
    out += HexDigits[value & 0xF];
}

// Octet i of a hexadecimal text, read as the program always has (any character counts).
int octetAt(std::string_view hex, size_t pos)
{
    return ((hexDigit(hex[pos]) << 4) + hexDigit(hex[pos + 1])) & 0xFF;
}

enum class Coding
{
    Gsm7,
    Data8,
    Ucs2
};

// The alphabet a TP-DCS announces, after the coding groups of the GSM alphabet rules.
Coding codingOf(int dcs)
{
    if (dcs < 0)
        return Coding::Gsm7;
    const int group = dcs >> 4;
    if (group <= 7) { // general data coding, with or without automatic deletion
        const int bits = (dcs >> 2) & 3;
        return bits == 1 ? Coding::Data8 : bits == 2 ? Coding::Ucs2 : Coding::Gsm7;
    }
    if (group == 0xE)
        return Coding::Ucs2;
    if (group == 0xF)
        return (dcs & 4) ? Coding::Data8 : Coding::Gsm7;
    return Coding::Gsm7;
}

// Septet codes of packed user data, at most count of them.
std::vector<int> septets(std::string_view hex, int count)
{
    std::vector<int> out;
    if (count <= 0)
        return out;
    out.reserve(size_t(count));
    unsigned acc = 0;
    int bits = 0;
    for (size_t i = 0; i + 1 < hex.size() && int(out.size()) < count; i += 2) {
        acc |= unsigned(octetAt(hex, i)) << bits;
        bits += 8;
        while (bits >= 7 && int(out.size()) < count) {
            out.push_back(int(acc & 0x7F));
            acc >>= 7;
            bits -= 7;
        }
    }
    return out;
}

std::string septetText(const std::vector<int> &codes, size_t from)
{
    std::string text;
    text.reserve(codes.size());
    bool escaped = false;
    for (size_t i = from; i < codes.size(); ++i) {
        if (codes[i] == Escape) {
            escaped = true;
            continue;
        }
        text += SmsPduCodec::GsmToChar(codes[i], escaped ? Escape : 0);
        escaped = false;
    }
    return text;
}

std::string ucs2Text(std::string_view hex, size_t octets)
{
    std::string text;
    for (size_t i = 0; i + 1 < octets && (i + 2) * 2 <= hex.size(); i += 2) {
        const unsigned unit =
            unsigned(octetAt(hex, i * 2)) << 8 | unsigned(octetAt(hex, i * 2 + 2));
        if (unit >= 0xDC00 && unit < 0xE000)
            continue; // the second half of a pair already given as "?"
        const int c = (unit >= 0xD800 && unit < 0xDC00) ? -1 : tandrel::unicodeToCp1252(unit);
        text += c < 0 ? '?' : char(c);
    }
    return text;
}

} // namespace

SmsPduCodec *PduCodec = &theCodec;

std::string SmsPduCodec::ToHexByte(int value)
{
    std::string out;
    appendHex(out, unsigned(value < 0 ? 0 : value > 255 ? 255 : value));
    return out;
}

std::string SmsPduCodec::SwapSemiOctets(std::string_view text)
{
    std::string out(text);
    if (out.size() % 2)
        out += 'F';
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        std::swap(out[i], out[i + 1]);
    return out;
}

std::string SmsPduCodec::UnswapAddress(std::string_view text)
{
    std::string out(text);
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        std::swap(out[i], out[i + 1]);
    if (const size_t f = out.find('F'); f != std::string::npos)
        out.erase(f, 1);
    return out;
}

int SmsPduCodec::CharToGsm(unsigned char c, int *second)
{
    const Alphabet &a = alphabet();
    if (second)
        *second = a.ext[c];
    return a.code[c];
}

char SmsPduCodec::GsmToChar(int code, int previous)
{
    if (code < 0 || code > 127)
        return char(code);
    const Alphabet &a = alphabet();
    if (previous == Escape && a.extension[size_t(code)] >= 0)
        return char(a.extension[size_t(code)]);
    if (a.basic[size_t(code)] >= 0)
        return char(a.basic[size_t(code)]);
    return char(code);
}

long SmsPduCodec::HexToInt(std::string_view hex)
{
    long v = 0;
    for (char c : hex)
        v = v * 16 + hexDigit(c);
    return v;
}

long SmsPduCodec::BinaryToInt(std::string_view bits)
{
    long v = 0;
    for (char c : bits)
        v = v * 2 + (c == '1' ? 1 : 0);
    return v;
}

std::string SmsPduCodec::ReverseText(std::string_view text)
{
    return {text.rbegin(), text.rend()};
}

std::string SmsPduCodec::UpperText(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

void SmsPduCodec::PackSeptets(const std::string &text, std::string &userDataLength,
                              std::string &userData) const
{
    userData.clear();
    userData.reserve(text.size() * 2);
    unsigned acc = 0;
    int bits = 0;
    int count = 0;
    auto put = [&](int code) {
        acc |= unsigned(code & 0x7F) << bits;
        bits += 7;
        ++count;
        while (bits >= 8) {
            appendHex(userData, acc & 0xFF);
            acc >>= 8;
            bits -= 8;
        }
    };
    for (unsigned char c : text) {
        int second = -1;
        put(CharToGsm(c, &second));
        if (second >= 0)
            put(second);
    }
    if (bits > 0)
        appendHex(userData, acc & 0xFF);
    userDataLength = ToHexByte(count);
}

std::string SmsPduCodec::UnpackSeptets(std::string_view hex, int septetCount)
{
    return septetText(septets(hex, septetCount), 0);
}

std::string SmsPduCodec::EncodeSubmit(const std::string &destination,
                                      const std::string &typeOfAddress, const std::string &text,
                                      int relativeVp, const std::string &absoluteVp,
                                      int messageReference, int &outLength)
{
    MessageReferenceField = ToHexByte(messageReference);
    std::string digits = destination;
    if (typeOfAddress == "91" && digits.size() > 1 && digits.compare(0, 2, "00") == 0)
        digits.erase(0, 2); // an international prefix typed by the operator
    DestinationField = ToHexByte(int(digits.size())) + typeOfAddress + SwapSemiOctets(digits);
    if (!absoluteVp.empty()) {
        ValidityPeriodField = SwapSemiOctets(absoluteVp);
        FirstOctetField = "19";
    } else {
        ValidityPeriodField = ToHexByte(relativeVp);
        FirstOctetField = "11";
    }
    PackSeptets(text, UserDataLengthField, UserDataField);
    std::string pdu;
    pdu.reserve(64 + UserDataField.size());
    for (const std::string *f : std::initializer_list<const std::string *>{
             &ServiceCentreField, &FirstOctetField, &MessageReferenceField, &DestinationField,
             &ProtocolIdField, &CodingSchemeField, &ValidityPeriodField, &UserDataLengthField,
             &UserDataField})
        pdu += *f;
    outLength = int(pdu.size() / 2 + 1);
    return pdu;
}

SmsPduCodec::Decoded SmsPduCodec::DecodePdu(std::string_view pdu) const
{
    Decoded d;
    const std::string u = UpperText(pdu);
    const std::string_view t(u);
    const size_t len = t.size();
    auto fits = [len](size_t pos, size_t n) { return pos <= len && n <= len - pos; };
    if (!fits(0, 2))
        return d;
    const size_t s = 2 * size_t(octetAt(t, 0));
    if (!fits(s + 2, 2))
        return d;
    const int firstOctet = octetAt(t, s + 2);
    const char mti = t[s + 3];
    d.IsSubmit = !(mti == '0' || mti == '4' || mti == '8' || mti == 'C');

    // Address: digit count, type of address, digits (or packed name).
    size_t pos = s + (d.IsSubmit ? 6 : 4);
    if (!fits(pos, 4))
        return d;
    const size_t count = size_t(octetAt(t, pos));
    const std::string_view toa = t.substr(pos + 2, 2);
    const size_t digitChars = count + (count & 1);
    pos += 4;
    if (!fits(pos, digitChars))
        return d;
    const std::string_view digits = t.substr(pos, digitChars);
    const bool alphanumeric = (octetAt(toa, 0) & 0x70) == 0x50;
    d.Address = std::string(toa) +
                (alphanumeric ? UnpackSeptets(digits, int(count * 4 / 7)) : UnswapAddress(digits));
    pos += digitChars;

    if (!fits(pos, 4))
        return d;
    d.CodingScheme = octetAt(t, pos + 2);
    pos += 4;
    if (d.IsSubmit) {
        const int format = (firstOctet >> 3) & 3;
        if (format == 2) {
            if (!fits(pos, 2))
                return d;
            d.VpValue = octetAt(t, pos);
            pos += 2;
        } else if (format == 3 || format == 1) {
            if (!fits(pos, 14))
                return d;
            if (format == 3) // an enhanced period is skipped; the program never writes one
                d.VpText = SwapSemiOctets(t.substr(pos, 14));
            pos += 14;
        }
    } else {
        if (!fits(pos, 14))
            return d;
        d.VpText = SwapSemiOctets(t.substr(pos, 14));
        pos += 14;
    }

    if (!fits(pos, 2))
        return d;
    const int udl = octetAt(t, pos);
    pos += 2;
    const std::string_view ud = t.substr(pos);
    const Coding coding = codingOf(d.CodingScheme);

    // A user-data header: skipped, with its concatenation details kept.
    size_t headerOctets = 0;
    if ((firstOctet & 0x40) && ud.size() >= 2) {
        const size_t headerLength = size_t(octetAt(ud, 0));
        headerOctets = headerLength + 1;
        for (size_t i = 1; i + 1 <= headerLength && (i + 2) * 2 <= ud.size();) {
            const int id = octetAt(ud, i * 2);
            const size_t ieLength = size_t(octetAt(ud, i * 2 + 2));
            const size_t data = i + 2;
            if (data + ieLength > headerOctets || (data + ieLength) * 2 > ud.size())
                break;
            if (id == 0 && ieLength == 3) {
                d.UdhReference = octetAt(ud, data * 2);
                d.UdhTotal = octetAt(ud, data * 2 + 2);
                d.UdhPart = octetAt(ud, data * 2 + 4);
            } else if (id == 8 && ieLength == 4) {
                d.UdhReference = octetAt(ud, data * 2) << 8 | octetAt(ud, data * 2 + 2);
                d.UdhTotal = octetAt(ud, data * 2 + 4);
                d.UdhPart = octetAt(ud, data * 2 + 6);
            }
            i = data + ieLength;
        }
    }

    switch (coding) {
    case Coding::Gsm7: {
        // The header fills whole septets, padded with fill bits.
        const size_t skip = (headerOctets * 8 + 6) / 7;
        d.Text = septetText(septets(ud, udl), skip);
        break;
    }
    case Coding::Data8:
    case Coding::Ucs2: {
        const size_t octets = size_t(udl) > headerOctets ? size_t(udl) - headerOctets : 0;
        const size_t start = std::min(headerOctets * 2, ud.size());
        const std::string_view body = ud.substr(start);
        if (coding == Coding::Ucs2) {
            d.Text = ucs2Text(body, octets);
        } else {
            for (size_t i = 0; i < octets && i * 2 + 1 < body.size(); ++i)
                appendHex(d.Text, unsigned(octetAt(body, i * 2)));
        }
        break;
    }
    }
    return d;
}
