#include "RadioState.h"

#include <algorithm>
#include <cctype>

namespace tandrel::sim {

bool RadioState::command(const std::string &verb, std::string_view arg, bool *handled,
                         bool *changed, std::string *error)
{
    *handled = verb == "SIGNAL" || verb == "REGISTER";
    *changed = false;
    if (!*handled)
        return false;
    auto fail = [error](const char *why) {
        if (error)
            *error = why;
        return false;
    };
    if (verb == "SIGNAL") {
        if (arg.size() != 1 || arg[0] < '0' || arg[0] > '5')
            return fail("expected a signal strength 0-5");
        signal = arg[0] - '0';
        return true;
    }
    std::string a(arg);
    std::transform(a.begin(), a.end(), a.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    int stat = -1;
    if (a == "ON")
        stat = 1;
    else if (a == "OFF")
        stat = 0;
    else if (a == "SEARCHING")
        stat = 2;
    else
        return fail("expected on, off or searching");
    *changed = stat != registration;
    registration = stat;
    return true;
}

} // namespace tandrel::sim
