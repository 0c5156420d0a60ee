#include "SmsRules.h"

#include "SmsPduCodec.h"

#include <algorithm>

namespace smsrules {

std::string RelativeVpWords(int v)
{
    if (v < 0)
        return {};
    if (v <= 143) {
        const int m = (v + 1) * 5;
        return std::to_string(m / 60) + " hr. " + std::to_string(m % 60) + " min. ";
    }
    if (v <= 167) {
        const int m = 12 * 60 + (v - 143) * 30;
        return std::to_string(m / 60) + " hr. " + std::to_string(m % 60) + "min.";
    }
    if (v <= 196)
        return std::to_string(v - 166) + " days ";
    return std::to_string(v - 192) + " weeks ";
}

static bool countsTwice(unsigned char c)
{
    return c == '^' || c == '{' || c == '}' || c == '\\' || c == '[' || c == '~' || c == ']' ||
           c == '|';
}

int CountedLength(const std::string &text)
{
    int n = 0;
    for (unsigned char c : text)
        n += countsTwice(c) ? 2 : 1;
    return n;
}

static bool latinSafe(unsigned char c)
{
    static const unsigned char list[] = {161, 163, 164, 165, 167, 191, 196, 197, 198, 199,
                                         201, 209, 214, 216, 220, 223, 224, 228, 229, 230,
                                         232, 233, 236, 241, 242, 246, 248, 249, 252};
    return std::find(std::begin(list), std::end(list), c) != std::end(list);
}

bool IsSafeCharacter(unsigned char c, bool email)
{
    if (c >= 128)
        return latinSafe(c);
    if (email)
        return c == 10 || c == 13 || (c >= 32 && c <= 90) || c == 95 || (c >= 97 && c <= 122);
    return c == 10 || c == 12 || c == 13 || (c >= 32 && c <= 95) || (c >= 97 && c <= 127);
}

std::string UnsafeCharacters(const std::string &text, bool email)
{
    std::string out;
    for (unsigned char c : text)
        if (!IsSafeCharacter(c, email))
            out += char(c);
    return out;
}

std::string WithoutUnsafe(const std::string &text, bool email)
{
    std::string out;
    for (unsigned char c : text)
        if (IsSafeCharacter(c, email))
            out += char(c);
    return out;
}

std::string TrimToCountedLength(const std::string &text, int limit)
{
    std::string out = text;
    int n = CountedLength(out);
    while (n > limit && !out.empty()) {
        n -= countsTwice(static_cast<unsigned char>(out.back())) ? 2 : 1;
        out.pop_back();
    }
    return out;
}

std::string TimeZoneCode(int hours)
{
    static const char *digits = "0123456789ABCDEF";
    if (hours == 0)
        return "00";
    const int h = std::min(15, hours < 0 ? -hours : hours);
    return std::string(1, hours < 0 ? '1' : '0') + digits[h];
}

std::string ZoneText(char sign, char hours)
{
    int h = 0;
    if (hours >= '0' && hours <= '9')
        h = hours - '0';
    else if (hours >= 'A' && hours <= 'F')
        h = hours - 'A' + 10;
    else if (hours >= 'a' && hours <= 'f')
        h = hours - 'a' + 10;
    if (h == 0)
        return " (GMT)";
    return std::string(sign == '1' ? " (GMT-" : " (GMT+") + std::to_string(h) + ")";
}

std::string NumberTypeEnding(const std::string &toa)
{
    if (toa == "81")
        return " (National)\n";
    if (toa == "91")
        return " (International)\n";
    return " (Unknown)\n";
}

// "YYMMDDhhmmssZZ" as mm/dd/yy hh:mm:ss and the zone.
static std::string dateText(const std::string &t)
{
    if (t.size() < 14)
        return {};
    return t.substr(2, 2) + "/" + t.substr(4, 2) + "/" + t.substr(0, 2) + " " + t.substr(6, 2) +
           ":" + t.substr(8, 2) + ":" + t.substr(10, 2) + ZoneText(t[12], t[13]);
}

static bool isHexText(const std::string &s)
{
    if (s.empty() || s.size() % 2)
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

DisplayedMessage DisplayPdu(const std::string &pdu)
{
    DisplayedMessage m;
    if (!isHexText(pdu))
        return m;
    const SmsPduCodec::Decoded d = PduCodec->DecodePdu(pdu);
    if (d.Address.size() < 2)
        return m;
    const std::string toa = d.Address.substr(0, 2);
    const std::string number = d.Address.substr(2);
    m.valid = true;
    m.received = !d.IsSubmit;
    m.text = d.Text;
    if (m.received) {
        m.head = "From: " + number + NumberTypeEnding(toa) + "SCTS: " + dateText(d.VpText);
    } else {
        m.head = "To: " + number + NumberTypeEnding(toa);
        if (d.VpValue >= 0)
            m.head += "Relative VP: " + RelativeVpWords(d.VpValue);
        else if (!d.VpText.empty())
            m.head += "Absolute VP: " + dateText(d.VpText);
        if (!m.head.empty() && m.head.back() == '\n')
            m.head.pop_back();
    }
    return m;
}

static std::string trimmed(std::string s)
{
    const auto notSpace = [](unsigned char c) { return c != ' ' && c != '\r' && c != '\n'; };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

std::vector<ListedPdu> SplitListing(const std::string &answer)
{
    std::vector<ListedPdu> out;
    size_t at = 0;
    for (;;) {
        const size_t cmgl = answer.find("+CMGL:", at);
        const size_t cmt = answer.find("+CMT:", at);
        const size_t header = std::min(cmgl, cmt);
        if (header == std::string::npos)
            break;
        const bool listed = header == cmgl;
        const size_t fieldsAt = header + (listed ? 6 : 5);
        const size_t lineEnd = answer.find('\n', fieldsAt);
        if (lineEnd == std::string::npos)
            break;
        const std::string fields = answer.substr(fieldsAt, lineEnd - fieldsAt);
        size_t pduEnd = answer.find('\n', lineEnd + 1);
        if (pduEnd == std::string::npos)
            pduEnd = answer.size();
        const std::string pdu = trimmed(answer.substr(lineEnd + 1, pduEnd - lineEnd - 1));
        at = lineEnd + 1;
        if (pdu.find("+CMGL:") != std::string::npos || pdu.find("+CMT:") != std::string::npos ||
            !isHexText(pdu))
            continue; // a header without its PDU
        ListedPdu item;
        if (listed)
            item.index = trimmed(fields.substr(0, fields.find(',')));
        item.pdu = pdu;
        out.push_back(item);
        at = pduEnd;
    }
    return out;
}

} // namespace smsrules
