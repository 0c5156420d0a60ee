#pragma once

#include <string>
#include <string_view>

namespace tandrel::sim {

// The handset's view of the satellite network: signal strength and registration, set by
// the operator's "signal N" and "register on|off|searching" events.
struct RadioState
{
    int signal = 4;       // bars, 0 to 5, as +CSQ answers them
    int registration = 1; // +CREG <stat>: 0 not registered, 1 home, 2 searching

    // Handles one event; false with *handled false when the verb is not ours, false with
    // *handled true and the reason in *error when its argument is wrong. *changed is true
    // when the registration state moved (the handset then reports it when asked to).
    bool command(const std::string &verb, std::string_view arg, bool *handled, bool *changed,
                 std::string *error);
};

} // namespace tandrel::sim
