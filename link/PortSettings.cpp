#include "PortSettings.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace {

std::vector<std::string> splitCommas(const std::string &text)
{
    std::vector<std::string> parts;
    std::string cur;
    for (char c : text) {
        if (c == ',') {
            parts.push_back(cur);
            cur.clear();
        } else if (c != ' ') {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

bool toInt(const std::string &s, int *v)
{
    if (s.empty())
        return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), *v);
    return ec == std::errc() && p == s.data() + s.size();
}

} // namespace

bool PortSettings::parse(const std::string &text, PortSettings *out, std::string *error)
{
    auto fail = [&](const std::string &why) {
        if (error)
            *error = "The port settings \"" + text + "\" are not valid: " + why + ".";
        return false;
    };
    const auto parts = splitCommas(text);
    if (parts.size() != 4)
        return fail("expected speed, parity, data bits and stop bits separated by commas");
    PortSettings s;
    if (!toInt(parts[0], &s.baud) || s.baud < 50 || s.baud > 4000000)
        return fail("the speed must be a number of bits per second");
    if (parts[1].size() != 1 || std::string("noems").find(static_cast<char>(std::tolower(
                                    static_cast<unsigned char>(parts[1][0])))) == std::string::npos)
        return fail("the parity must be n, o, e, m or s");
    s.parity = static_cast<char>(std::tolower(static_cast<unsigned char>(parts[1][0])));
    if (!toInt(parts[2], &s.dataBits) || s.dataBits < 5 || s.dataBits > 8)
        return fail("the data bits must be 5, 6, 7 or 8");
    if (parts[3] != "1" && parts[3] != "1.5" && parts[3] != "2")
        return fail("the stop bits must be 1, 1.5 or 2");
    s.stopBits = parts[3];
    if (out)
        *out = s;
    return true;
}

std::string devicePathForPort(const std::string &portName)
{
    if (portName.size() > 3) {
        const std::string head = portName.substr(0, 3);
        const std::string digits = portName.substr(3);
        int n = 0;
        if ((head == "COM" || head == "com" || head == "Com") && toInt(digits, &n) && n >= 1) {
#ifdef _WIN32
            return portName;
#else
            return "/dev/ttyS" + std::to_string(n - 1);
#endif
        }
    }
    return portName;
}

int handshakingForFlow(const std::string &flowValue)
{
    if (flowValue == "DEFAULT")
        return 4;
    if (flowValue == "BOTH")
        return 3;
    if (flowValue == "HW")
        return 2;
    if (flowValue == "XONXOFF")
        return 1;
    if (flowValue == "NONE")
        return 0;
    return -1;
}
