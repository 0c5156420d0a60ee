#pragma once

#include <string>
#include <string_view>

// Signal strength and network registration, read from the answers that pass, whoever asked
// for them.
class HandsetStatus
{
public:
    // Reads received text; true when bars or registration changed.
    bool feed(std::string_view text);

    // 0 to 5, or -1 before the first "+CSQ:" answer.
    int bars() const { return m_bars; }
    // The "+CREG:" <stat> (3GPP TS 27.007 7.2): 0 not registered, 1 home network,
    // 2 searching, 3 denied, 4 unknown, 5 roaming; -1 before the first answer.
    int registration() const { return m_registration; }
    // The port closed: what was known of the network is gone with it.
    void forget();

    // One or two words for the status bar, and a sentence for its tool tip.
    static std::string registrationWord(int stat);
    static std::string describe(int bars, int stat);

private:
    bool line(std::string text);

    std::string m_partial;
    int m_bars = -1;
    int m_registration = -1;
};
