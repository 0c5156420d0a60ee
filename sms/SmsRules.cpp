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

// The zone of a network time stamp, in quarter-hours with the sign in bit 3 of its first
// semi-octet (3GPP TS 23.040 9.2.3.11); nothing when its digits are no decimal digits.
static std::string stampZoneText(char first, char second)
{
    const int high = first >= '0' && first <= '9'   ? first - '0'
                     : first >= 'A' && first <= 'F' ? first - 'A' + 10
                                                    : -1;
    if (high < 0 || second < '0' || second > '9')
        return {};
    const int quarters = (high & 7) * 10 + (second - '0');
    if (quarters == 0)
        return " (GMT)";
    const int minutes = quarters % 4 * 15;
    return std::string((high & 8) ? " (GMT-" : " (GMT+") + std::to_string(quarters / 4) +
           (minutes ? ":" + std::to_string(minutes) : std::string()) + ")";
}

// "YYMMDDhhmmssZZ" as mm/dd/yy hh:mm:ss and the zone: that of a network time stamp, or the
// program's own code of the validity period it wrote.
static std::string dateText(const std::string &t, bool stamp)
{
    if (t.size() < 14)
        return {};
    return t.substr(2, 2) + "/" + t.substr(4, 2) + "/" + t.substr(0, 2) + " " + t.substr(6, 2) +
           ":" + t.substr(8, 2) + ":" + t.substr(10, 2) +
           (stamp ? stampZoneText(t[12], t[13]) : ZoneText(t[12], t[13]));
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
    if (d.IsStatusReport || d.Address.size() < 2)
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
        m.head = "From: " + number + NumberTypeEnding(toa) + "SCTS: " + dateText(d.VpText, true);
    } else {
        m.head = "To: " + number + NumberTypeEnding(toa);
        if (d.VpValue >= 0)
            m.head += "Relative VP: " + RelativeVpWords(d.VpValue);
        else if (!d.VpText.empty())
            m.head += "Absolute VP: " + dateText(d.VpText, false);
        if (!m.head.empty() && m.head.back() == '\n')
            m.head.pop_back();
    }
    return m;
}

// TP-ST in words (3GPP TS 23.040 9.2.3.15); a value the table lacks has the words of its range.
static std::string statusWords(int st)
{
    static const char *const completed[] = {"delivered", "forwarded, delivery not confirmed",
                                            "replaced by the service centre"};
    static const char *const temporary[] = {"congestion",
                                            "recipient busy",
                                            "no response from recipient",
                                            "service rejected",
                                            "quality of service not available",
                                            "error in recipient"};
    static const char *const permanent[] = {
        "remote procedure error",           "incompatible destination",
        "connection rejected by recipient", "not obtainable",
        "quality of service not available", "no interworking available",
        "validity period expired",          "deleted by the sender",
        "deleted by the service centre",    "message does not exist"};
    const int low = st & 0x1F;
    switch (st >> 5) {
    case 0:
        return low < 3 ? completed[low] : "completed";
    case 1:
        return std::string(low < 6 ? temporary[low] : "temporary error") + ", still trying";
    case 2:
        return low < 10 ? permanent[low] : "permanent error";
    default:
        return low < 6 ? temporary[low] : "temporary error";
    }
}

DeliveryReport ReadStatusReport(const std::string &pdu)
{
    DeliveryReport r;
    if (!isHexText(pdu))
        return r;
    const SmsPduCodec::StatusReport s = SmsPduCodec::DecodeStatusReport(pdu);
    if (s.Status < 0 || s.Address.size() < 2)
        return r;
    // A reserved value is read as "service rejected" (3GPP TS 23.040 9.2.3.15).
    const int st = s.Status > 0x7F ? 0x63 : s.Status;
    const bool international = (SmsPduCodec::HexToInt(s.Address.substr(0, 2)) & 0x70) == 0x10;
    r.valid = true;
    r.reference = s.Reference;
    r.number = (international ? "+" : "") + s.Address.substr(2);
    r.delivered = st < 0x20;
    r.final = st < 0x20 || st >= 0x40;
    r.status = statusWords(st);
    r.time = dateText(s.DischargeTime, true);
    return r;
}

std::string ReportLine(const DeliveryReport &r)
{
    if (!r.valid)
        return {};
    const std::string outcome = r.delivered ? r.status
                                : r.final   ? "not delivered (" + r.status + ")"
                                            : "not delivered yet (" + r.status + ")";
    return "Delivery report for message " + std::to_string(r.reference) + " to " + r.number + ": " +
           outcome + ", " + r.time;
}

namespace {

enum class Kind
{
    Listed,    // +CMGL:
    Read,      // +CMGR:
    Delivered, // +CMT:
    Report     // +CDS:
};

struct Entry
{
    Kind kind = Kind::Listed;
    std::vector<std::string> fields; // of the header, the PDU taken off the last one
    bool textMode = false;
    std::string pdu; // empty when none was found
};

struct Header
{
    const char *tag;
    Kind kind;
};
constexpr Header Headers[] = {{"+CMGL:", Kind::Listed},
                              {"+CMGR:", Kind::Read},
                              {"+CMT:", Kind::Delivered},
                              {"+CDS:", Kind::Report}};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string withoutBlanks(const std::string &s)
{
    size_t from = 0, to = s.size();
    while (from < to && isBlank(s[from]))
        ++from;
    while (to > from && isBlank(s[to - 1]))
        --to;
    return s.substr(from, to - from);
}

// The lines of an answer, whichever of CR and LF ends them; empty ones are left out.
std::vector<std::string> answerLines(const std::string &answer)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < answer.size()) {
        size_t end = answer.find_first_of("\r\n", from);
        if (end == std::string::npos)
            end = answer.size();
        if (end > from)
            lines.push_back(answer.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

// The comma-separated fields of a header, commas inside quotes kept.
std::vector<std::string> fieldsOf(const std::string &text)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    for (std::string &f : fields)
        f = withoutBlanks(f);
    return fields;
}

// A PDU as a modem writes it: some add a stray quote at its end.
std::string pduOf(const std::string &text)
{
    std::string s = withoutBlanks(text);
    while (!s.empty() && s.back() == '"')
        s.pop_back();
    s = withoutBlanks(s);
    return isHexText(s) ? s : std::string();
}

// The first header a line holds, and where.
const Header *headerIn(const std::string &line, size_t *at)
{
    const Header *found = nullptr;
    for (const Header &h : Headers) {
        const size_t pos = line.find(h.tag);
        if (pos != std::string::npos && (!found || pos < *at)) {
            found = &h;
            *at = pos;
        }
    }
    return found;
}

// Every header of an answer with the PDU that belongs to it: on the header's own line after
// the length, or the first PDU line before the next header (3GPP TS 27.005, PDU mode).
std::vector<Entry> entriesOf(const std::string &answer)
{
    const std::vector<std::string> lines = answerLines(answer);
    std::vector<Entry> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        size_t at = 0;
        const auto *header = headerIn(lines[i], &at);
        if (!header)
            continue;
        Entry e;
        e.kind = header->kind;
        e.fields = fieldsOf(lines[i].substr(at + std::char_traits<char>::length(header->tag)));
        std::string &last = e.fields.back();
        const size_t blank = std::find_if(last.begin(), last.end(), isBlank) - last.begin();
        const bool length = blank > 0 && std::all_of(last.begin(), last.begin() + long(blank),
                                                     [](char c) { return c >= '0' && c <= '9'; });
        if (length && blank < last.size()) {
            e.pdu = pduOf(last.substr(blank));
            if (!e.pdu.empty())
                last.erase(blank);
        }
        // In text mode the status is quoted and deliveries carry more fields (3GPP TS 27.005).
        const size_t n = e.fields.size();
        switch (e.kind) {
        case Kind::Listed:
            e.textMode = n >= 2 && !e.fields[1].empty() && e.fields[1][0] == '"';
            break;
        case Kind::Read:
            e.textMode = !e.fields[0].empty() && e.fields[0][0] == '"';
            break;
        case Kind::Delivered:
            e.textMode = n >= 3;
            break;
        case Kind::Report:
            e.textMode = n >= 2;
            break;
        }
        for (size_t j = i + 1; e.pdu.empty() && !e.textMode && j < lines.size(); ++j) {
            size_t ignored = 0;
            if (headerIn(lines[j], &ignored))
                break;
            e.pdu = pduOf(lines[j]);
        }
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace

std::vector<ListedPdu> SplitListing(const std::string &answer)
{
    std::vector<ListedPdu> out;
    for (const Entry &e : entriesOf(answer)) {
        if (e.kind == Kind::Read || e.textMode || e.pdu.empty())
            continue;
        out.push_back({e.kind == Kind::Listed ? e.fields[0] : std::string(), e.pdu});
    }
    return out;
}

ListedPdu ReadAnswer(const std::string &answer, const std::string &index)
{
    for (const Entry &e : entriesOf(answer))
        if (e.kind == Kind::Read && !e.textMode && !e.pdu.empty())
            return {index, e.pdu};
    return {};
}

bool IsTextModeListing(const std::string &answer)
{
    const std::vector<Entry> entries = entriesOf(answer);
    return std::any_of(entries.begin(), entries.end(), [](const Entry &e) { return e.textMode; });
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

std::string SentLogEntry(const std::string &to, const std::string &kind, const std::string &vpLine,
                         const std::string &text)
{
    return "[SENT]\nTo: " + to + " (" + kind + ")\n" + vpLine + text + "\n\n";
}

std::string ReceivedLogEntry(const std::string &head, const std::string &text)
{
    return "[RECEIVED]\n" + head + "\n" + text + "\n\n";
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

std::vector<std::string> UnreadIndexes(const std::string &answer)
{
    const auto trimmed = [](const std::string &t) {
        const size_t first = t.find_first_not_of(' ');
        return first == std::string::npos ? std::string()
                                          : t.substr(first, t.find_last_not_of(' ') - first + 1);
    };
    std::vector<std::string> out;
    for (size_t at = answer.find("+CMGL:"); at != std::string::npos;
         at = answer.find("+CMGL:", at + 6)) {
        const size_t end = answer.find_first_of("\r\n", at);
        const std::string fields =
            answer.substr(at + 6, end == std::string::npos ? end : end - at - 6);
        const size_t comma = fields.find(',');
        if (comma == std::string::npos)
            continue;
        const size_t next = fields.find(',', comma + 1);
        if (trimmed(fields.substr(comma + 1,
                                  next == std::string::npos ? next : next - comma - 1)) == "0")
            out.push_back(trimmed(fields.substr(0, comma)));
    }
    return out;
}

} // namespace smsrules
