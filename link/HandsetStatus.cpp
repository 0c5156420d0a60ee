#include "HandsetStatus.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>
#include <vector>

namespace {

// A line longer than any answer we read is not one of them.
constexpr size_t kLongestLine = 256;

std::string trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

bool toInt(std::string_view s, int *v)
{
    if (s.empty())
        return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
    return ec == std::errc() && p == s.data() + s.size();
}

bool startsWith(const std::string &s, std::string_view prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> fields(const std::string &s)
{
    std::vector<std::string> out;
    size_t from = 0;
    for (size_t comma; (comma = s.find(',', from)) != std::string::npos; from = comma + 1)
        out.push_back(trimmed(std::string_view(s).substr(from, comma - from)));
    out.push_back(trimmed(std::string_view(s).substr(from)));
    return out;
}

} // namespace

bool HandsetStatus::feed(std::string_view text)
{
    bool changed = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!m_partial.empty())
                changed |= line(std::exchange(m_partial, {}));
        } else if (m_partial.size() < kLongestLine) {
            m_partial += c;
        }
    }
    return changed;
}

bool HandsetStatus::line(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    text = trimmed(text);
    const int bars = m_bars, stat = m_registration;

    auto valueAfter = [&](size_t colon) { return trimmed(std::string_view(text).substr(colon)); };
    if (startsWith(text, "+CSQ:") || startsWith(text, "+CSQF:")) {
        const std::string value = valueAfter(text.find(':') + 1);
        const auto parts = fields(value);
        // The handset answers bars 0-5; a GSM module answers <rssi>,<ber> with rssi 0-31
        // (99: not known). A test answer "(0-5)" is neither.
        int v = -1;
        const bool number = toInt(parts[0], &v);
        if (parts.size() == 1 && number && v >= 0 && v <= 5)
            m_bars = v;
        else if (parts.size() == 2 && number && v == 99)
            m_bars = -1;
        else if (parts.size() == 2 && number && v >= 0 && v <= 31)
            m_bars = (v * 5 + 15) / 31;
    } else if (startsWith(text, "+CREG:")) {
        // A read answers <n>,<stat>[,<lac>,<ci>]; an unsolicited report <stat>[,<lac>,<ci>],
        // where the location fields are quoted.
        const auto parts = fields(valueAfter(6));
        int first = -1, second = -1;
        if (parts.size() >= 2 && toInt(parts[1], &second)) {
            if (second >= 0 && second <= 5)
                m_registration = second;
        } else if (toInt(parts[0], &first) && first >= 0 && first <= 5) {
            m_registration = first;
        }
    }
    return bars != m_bars || stat != m_registration;
}

void HandsetStatus::forget()
{
    *this = HandsetStatus();
}

std::string HandsetStatus::registrationWord(int stat)
{
    switch (stat) {
    case 0:
        return "No service";
    case 1:
        return "Home";
    case 2:
        return "Searching";
    case 3:
        return "Denied";
    case 5:
        return "Roaming";
    default:
        return "Unknown";
    }
}

std::string HandsetStatus::describe(int bars, int stat)
{
    std::string s = bars < 0 ? "Signal strength not known yet"
                             : "Signal strength " + std::to_string(bars) + " of 5";
    switch (stat) {
    case 0:
        return s + "; not registered on the network.";
    case 1:
        return s + "; registered on the home network.";
    case 2:
        return s + "; searching for the network.";
    case 3:
        return s + "; registration denied.";
    case 5:
        return s + "; registered, roaming.";
    default:
        return s + "; registration not known yet (ask with AT+CREG?).";
    }
}
