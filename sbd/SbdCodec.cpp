#include "SbdCodec.h"

#include "Utf8.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <vector>

namespace sbd {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The comma-separated integers after `prefix`, exactly `count` of them.
std::optional<std::vector<int>> fields(std::string_view line, std::string_view prefix, size_t count)
{
    line = trim(line);
    if (line.size() < prefix.size())
        return std::nullopt;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[i])) != prefix[i])
            return std::nullopt;
    line.remove_prefix(prefix.size());
    std::vector<int> out;
    while (true) {
        const size_t comma = line.find(',');
        const std::string_view item = trim(line.substr(0, comma));
        int v = 0;
        const auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
        if (item.empty() || ec != std::errc() || p != item.data() + item.size())
            return std::nullopt;
        out.push_back(v);
        if (comma == std::string_view::npos)
            break;
        line.remove_prefix(comma + 1);
    }
    if (out.size() != count)
        return std::nullopt;
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string plural(int n, const char *one, const char *many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

uint16_t checksum(std::string_view bytes)
{
    uint32_t sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::string withChecksum(std::string_view bytes)
{
    const uint16_t sum = checksum(bytes);
    std::string out(bytes);
    out += static_cast<char>(sum >> 8);
    out += static_cast<char>(sum & 0xFF);
    return out;
}

std::string toHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char c : bytes) {
        if (!out.empty())
            out += ' ';
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool parseHex(std::string_view text, std::string *bytes, std::string *error)
{
    std::string out;
    int high = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
            if (high >= 0) {
                if (error)
                    *error = "A byte needs two hex digits; one stands alone before position " +
                             std::to_string(i + 1) + ".";
                return false;
            }
            continue;
        }
        if (high < 0 && c == '0' && i + 1 < text.size() &&
            (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            ++i;
            continue;
        }
        const int d = hexDigit(c);
        if (d < 0) {
            if (error)
                *error = "\"" + std::string(1, c) + "\" at position " + std::to_string(i + 1) +
                         " is not a hex digit (0-9, A-F).";
            return false;
        }
        if (high < 0) {
            high = d;
        } else {
            out += static_cast<char>(high * 16 + d);
            high = -1;
        }
    }
    if (high >= 0) {
        if (error)
            *error = "A byte needs two hex digits; the last one stands alone.";
        return false;
    }
    if (bytes)
        *bytes = std::move(out);
    return true;
}

std::string printable(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t start = pos;
        const char32_t c = tandrel::nextCharacter(bytes, pos);
        const bool broken = c == tandrel::ReplacementCharacter &&
                            bytes.substr(start, pos - start) != "\xEF\xBF\xBD";
        if (broken || c < 0x20 || (c >= 0x7F && c < 0xA0))
            out += '.';
        else
            out.append(bytes.substr(start, pos - start));
    }
    return out;
}

std::string textProblem(std::string_view text)
{
    if (text.empty())
        return "There is no message to send.";
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return "A text message is one line without control characters. Send line breaks "
                   "and other control bytes as Hex or from a file.";
    }
    if (text.size() > MaxTextLength)
        return "The text is " + std::to_string(text.size()) + " bytes; the handset takes at most " +
               std::to_string(MaxTextLength) + " as text. Shorten it or send it as Hex.";
    return {};
}

std::string writeTextCommand(std::string_view text)
{
    // As the AT table sends it: the handset takes the text between the quotes.
    return "AT+SBDWT=\"" + std::string(text) + "\"";
}

std::optional<SessionResult> parseSessionLine(std::string_view line)
{
    const auto f = fields(line, "+SBDI:", 6);
    if (!f)
        return std::nullopt;
    const std::vector<int> &v = *f;
    return SessionResult{v[0], v[1], v[2], v[3], v[4], v[5]};
}

std::string describeSession(const SessionResult &r)
{
    std::string out;
    if (r.moStatus == 0)
        out = "Nothing was sent.";
    else if (r.moStatus == 1)
        out = "The message was sent (MOMSN " + std::to_string(r.momsn) + ").";
    else
        out = "The message was NOT sent (status " + std::to_string(r.moStatus) +
              ": no network or the transfer failed); it stays in the handset. Retry when the "
              "signal is better.";
    out += ' ';
    if (r.mtStatus == 0)
        out += "No message was waiting at the gateway.";
    else if (r.mtStatus == 1)
        out += "A message of " + plural(r.mtLength, "byte", "bytes") + " was received (MTMSN " +
               std::to_string(r.mtmsn) + ").";
    else
        out += "The mailbox could not be checked (status " + std::to_string(r.mtStatus) + ").";
    if (r.mtQueued > 0)
        out += ' ' + plural(r.mtQueued, "more message waits", "more messages wait") +
               " at the gateway.";
    return out;
}

std::string writeStatusText(int status)
{
    switch (status) {
    case 0:
        return "The message has been written to the handset.";
    case 1:
        return "Timeout: not enough bytes reached the handset.";
    case 2:
        return "The checksum does not match the message bytes.";
    case 3:
        return "The length is out of range (0 or larger than the handset's buffer).";
    }
    return "Unknown status " + std::to_string(status) + ".";
}

std::optional<BufferStatus> parseStatusLine(std::string_view line)
{
    const auto f = fields(line, "+SBDS:", 4);
    if (!f)
        return std::nullopt;
    const std::vector<int> &v = *f;
    return BufferStatus{v[0], v[1], v[2], v[3]};
}

std::string describeStatus(const BufferStatus &s)
{
    std::string out = s.moFlag ? "A message waits to be sent" : "Nothing waits to be sent";
    out += " (next MOMSN " + std::to_string(s.momsn) + "); ";
    out += s.mtFlag ? "a received message is held (MTMSN " + std::to_string(s.mtmsn) + ")."
                    : "no received message is held.";
    return out;
}

std::string logEntry(bool sent, int sequenceNumber, std::string_view bytes, const std::tm &when)
{
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &when);
    std::string out = sent ? "[SBD SENT] " : "[SBD RECEIVED] ";
    out += stamp;
    out += sent ? " MOMSN " : " MTMSN ";
    out += std::to_string(sequenceNumber) + ", " +
           plural(static_cast<int>(bytes.size()), "byte", "bytes") + "\n";
    out += "Text: " + printable(bytes) + "\n";
    out += "Hex: " + toHex(bytes) + "\n\n";
    return out;
}

} // namespace sbd
