#include "SmsRules.h"

#include "SmsPduCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

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

// Characters sent as escape plus code count two.
static int countOf(char32_t c)
{
    int second = -1;
    SmsPduCodec::CharToGsm(c, &second);
    return second >= 0 ? 2 : 1;
}

int CountedLength(const std::string &text)
{
    int n = 0;
    for (size_t pos = 0; pos < text.size();)
        n += countOf(tandrel::nextCharacter(text, pos));
    return n;
}

static bool latinSafe(char32_t c)
{
    static const unsigned char list[] = {161, 163, 164, 165, 167, 191, 196, 197, 198, 199,
                                         201, 209, 214, 216, 220, 223, 224, 228, 229, 230,
                                         232, 233, 236, 241, 242, 246, 248, 249, 252};
    return c < 256 && std::find(std::begin(list), std::end(list), c) != std::end(list);
}

bool IsSafeCharacter(char32_t c, bool email)
{
    if (!email) // whatever the GSM alphabet carries, the euro and the Greek capitals included
        return SmsPduCodec::CharToGsm(c, nullptr) >= 0;
    if (c >= 128)
        return latinSafe(c);
    return c == 10 || c == 13 || (c >= 32 && c <= 90) || c == 95 || (c >= 97 && c <= 122);
}

std::string UnsafeCharacters(const std::string &text, bool email)
{
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = tandrel::nextCharacter(text, pos);
        if (!IsSafeCharacter(c, email))
            tandrel::appendUtf8(out, c);
    }
    return out;
}

std::string WithoutUnsafe(const std::string &text, bool email)
{
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        const char32_t c = tandrel::nextCharacter(text, pos);
        if (IsSafeCharacter(c, email))
            tandrel::appendUtf8(out, c);
    }
    return out;
}

namespace {

const char *const kGreekNames[] = {
    "Alpha", "Beta",   "Gamma",   "Delta", "Epsilon", "Zeta",    "Eta",  "Theta", "Iota",
    "Kappa", "Lambda", "Mu",      "Nu",    "Xi",      "Omicron", "Pi",   "Rho",   "",
    "Sigma", "Tau",    "Upsilon", "Phi",   "Chi",     "Psi",     "Omega"};

std::string codePoint(char32_t c)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", unsigned(c));
    return hex;
}

std::string describe(char32_t c)
{
    std::string out;
    tandrel::appendUtf8(out, c);
    if (c < 128)
        return out;
    // Capitals from U+0391, small letters from U+03B1 (final sigma at U+03C2 included).
    if (c >= 0x391 && c <= 0x3A9 && kGreekNames[c - 0x391][0])
        return out + " (Greek " + kGreekNames[c - 0x391] + ")";
    if (c >= 0x3B1 && c <= 0x3C9) {
        std::string name = c == 0x3C2 ? "final sigma" : kGreekNames[c - 0x3B1];
        name[0] = char(std::tolower(static_cast<unsigned char>(name[0])));
        return out + " (Greek " + name + ")";
    }
    if (c >= 0x400 && c <= 0x4FF)
        return out + " (Cyrillic " + codePoint(c) + ")";
    return out + " (" + codePoint(c) + ")";
}

} // namespace

std::string ListUnsafe(const std::string &unsafe)
{
    std::string out;
    std::u32string seen;
    for (size_t pos = 0; pos < unsafe.size();) {
        const char32_t c = tandrel::nextCharacter(unsafe, pos);
        if (seen.find(c) != std::u32string::npos)
            continue;
        seen += c;
        if (!out.empty())
            out += ", ";
        out += describe(c);
    }
    return out;
}

std::string TrimToCountedLength(const std::string &text, int limit)
{
    return TrimToUnits(text, limit, SmsPduCodec::Alphabet::Gsm7);
}

MessageSize MeasureMessage(const std::string &text)
{
    using A = SmsPduCodec::Alphabet;
    MessageSize m;
    m.alphabet = SmsPduCodec::AlphabetFor(text);
    const bool ucs2 = m.alphabet == A::Ucs2;
    m.units = SmsPduCodec::UnitCount(text, m.alphabet);
    m.single = ucs2 ? SmsPduCodec::SingleUcs2 : SmsPduCodec::SingleGsm;
    if (m.units <= m.single) {
        m.left = m.single - m.units;
        return m;
    }
    const std::vector<std::string> parts = SmsPduCodec::SplitText(text, m.alphabet);
    m.parts = int(parts.size());
    m.left = (ucs2 ? SmsPduCodec::PartUcs2 : SmsPduCodec::PartGsm) -
             SmsPduCodec::UnitCount(parts.back(), m.alphabet);
    return m;
}

std::string TrimToUnits(const std::string &text, int limit, SmsPduCodec::Alphabet alphabet)
{
    int n = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t at = pos;
        const char32_t c = tandrel::nextCharacter(text, pos);
        n += alphabet == SmsPduCodec::Alphabet::Ucs2 ? (c >= 0x10000 ? 2 : 1) : countOf(c);
        if (n > limit)
            return text.substr(0, at);
    }
    return text;
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

std::string AddressRefusals(const std::string &number)
{
    std::string refused;
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        const bool fits = (c >= '0' && c <= '9') || (c == '+' && i == 0);
        if (!fits && refused.find(c) == std::string::npos)
            refused += c;
    }
    return refused;
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
    m.address = d.Address;
    if (d.UdhTotal > 1 && d.UdhPart >= 1 && d.UdhPart <= d.UdhTotal) {
        m.reference = d.UdhReference;
        m.part = d.UdhPart;
        m.parts = d.UdhTotal;
    }
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

static bool samePartsOf(const DisplayedMessage &a, const DisplayedMessage &b)
{
    return a.received == b.received && a.address == b.address && a.reference == b.reference &&
           a.parts == b.parts;
}

std::vector<ListedMessage> JoinListing(const std::vector<ListedPdu> &items)
{
    struct Group
    {
        ListedMessage message;
        std::map<int, std::pair<std::string, DisplayedMessage>> byPart; // index and display
    };
    std::vector<Group> groups;
    for (const ListedPdu &item : items) {
        DisplayedMessage shown = DisplayPdu(item.pdu);
        if (!shown.valid)
            continue; // an unreadable message does not hide the others
        if (shown.parts <= 1) {
            groups.push_back({{{item.index}, shown, 1}, {}});
            continue;
        }
        auto it = std::find_if(groups.begin(), groups.end(), [&](const Group &g) {
            return g.message.parts > 1 && samePartsOf(g.message.shown, shown);
        });
        if (it == groups.end()) {
            groups.push_back({{{}, shown, shown.parts}, {}});
            it = groups.end() - 1;
        }
        it->byPart.emplace(shown.part, std::make_pair(item.index, shown)); // a repeat counts once
    }
    std::vector<ListedMessage> out;
    out.reserve(groups.size());
    for (Group &g : groups) {
        if (g.message.parts > 1) {
            // The head of the first part present: its sender and time or recipient and period.
            g.message.shown = g.byPart.begin()->second.second;
            g.message.shown.part = -1;
            g.message.shown.text.clear();
            for (int k = 1; k <= g.message.parts; ++k) {
                const auto part = g.byPart.find(k);
                if (part == g.byPart.end()) {
                    g.message.shown.text += SmsPduCodec::MissingPartText(k, g.message.parts);
                    continue;
                }
                g.message.indexes.push_back(part->second.first);
                g.message.shown.text += part->second.second.text;
            }
        }
        out.push_back(std::move(g.message));
    }
    return out;
}

std::string ListLabel(const ListedMessage &message)
{
    const std::string first = message.indexes.empty() ? std::string() : message.indexes.front();
    if (message.parts <= 1)
        return first;
    return first + " " + PartsLine(message.parts);
}

std::string PartLine(int part, int parts)
{
    return "Part " + std::to_string(part) + " of " + std::to_string(parts);
}

std::string PartsLine(int parts)
{
    return "(" + std::to_string(parts) + " parts)";
}

bool PartCollector::add(const DisplayedMessage &part, std::string *joined)
{
    if (part.parts <= 1) {
        *joined = part.text;
        return true;
    }
    auto it = std::find_if(m_pending.begin(), m_pending.end(), [&](const Pending &p) {
        return p.address == part.address && p.reference == part.reference && p.parts == part.parts;
    });
    if (it == m_pending.end()) {
        // Parts that never complete must not pile up for ever.
        constexpr size_t MostPending = 32;
        if (m_pending.size() >= MostPending)
            m_pending.erase(m_pending.begin());
        m_pending.push_back({part.address, part.reference, part.parts, {}});
        it = m_pending.end() - 1;
    }
    it->texts.emplace(part.part, part.text);
    if (int(it->texts.size()) < it->parts)
        return false;
    joined->clear();
    for (const auto &[k, text] : it->texts)
        *joined += text;
    m_pending.erase(it);
    return true;
}

} // namespace smsrules
