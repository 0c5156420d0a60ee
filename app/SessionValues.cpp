#include "SessionValues.h"

namespace sessionvalues {

std::array<std::string, 4> splitSettings(const std::string &settings)
{
    std::array<std::string, 4> parts;
    size_t from = 0;
    for (size_t i = 0; i < 3; ++i) {
        const size_t comma = settings.find(',', from);
        if (comma == std::string::npos) {
            parts[i] = settings.substr(from);
            return parts;
        }
        parts[i] = settings.substr(from, comma - from);
        from = comma + 1;
    }
    parts[3] = settings.substr(from);
    return parts;
}

LandNumber splitLandNumber(const std::string &call)
{
    LandNumber n;
    if (call.empty())
        return n;
    const size_t paren = call.find('(');
    if (paren == std::string::npos) {
        n.countryCode = call.substr(1);
        return n;
    }
    n.countryCode = paren > 1 ? call.substr(1, paren - 1) : std::string();
    n.localNumber = call.substr(paren);
    return n;
}

std::string sessionArgument(std::string commandLine)
{
    for (int i = 0; i < 2; ++i) {
        const size_t q = commandLine.find('"');
        if (q == std::string::npos)
            break;
        commandLine.erase(q, 1);
    }
    return commandLine;
}

} // namespace sessionvalues
