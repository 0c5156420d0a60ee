#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandrel::sim {

// The SBD side of the simulated handset: its two buffers, the sequence numbers and the
// gateway mailbox that its sessions fetch from. The core formats what it answers.
class SbdHandset
{
public:
    // Session length: long enough to be seen waiting, short enough for tests.
    static constexpr int64_t SessionMs = 1500;
    // AT+SBDWB gives up on missing bytes after this.
    static constexpr int64_t WriteTimeoutMs = 60000;

    struct Piece
    {
        bool raw; // written as it is; otherwise an information line
        std::string text;
        bool endLine = false; // raw text followed by the handset's line end
    };
    struct Answer
    {
        enum class Final
        {
            Later, // the command goes on (bytes or a session awaited)
            Ok,
            Error
        };
        std::vector<Piece> pieces;
        Final final = Final::Later;
    };

    // One command: name upper-cased ("+SBDWB"), rest as typed ("=270").
    Answer command(const std::string &name, std::string_view rest, int64_t nowMs);
    // While a binary write or a session runs, every byte from the terminal goes here.
    bool ownsInput() const { return m_writeLength >= 0 || m_sessionAt >= 0; }
    Answer byte(char c);
    Answer advance(int64_t nowMs);
    int64_t nextDeadline() const;

    // Operator events "sbd TEXT", "sbd-hex HEX", "sbd-fail N", "sbd-badsum", "sbd-loopback
    // on|off"; false when verb is not one.
    static bool isEvent(const std::string &verb);
    bool event(const std::string &verb, std::string_view arg, std::string *error);

private:
    Answer session();

    std::optional<std::string> m_mo;
    std::optional<std::string> m_mt;
    int m_momsn = 0;
    int m_mtmsn = -1;
    int m_gatewayMtmsn = 0;
    std::deque<std::string> m_mailbox;
    int m_failNext = -1;
    bool m_badSumNext = false; // the next AT+SBDRB, as line noise would leave it
    bool m_loopback = false;   // each message sent comes back to the mailbox

    int m_writeLength = -1; // bytes AT+SBDWB still takes, with the checksum; -1 none
    std::string m_writeBytes;
    int64_t m_writeDeadline = -1;
    int64_t m_sessionAt = -1;
};

} // namespace tandrel::sim
