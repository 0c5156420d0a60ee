#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tandrel::sim {

// A simulated handset: bytes in from the terminal, bytes out to it, with its modem lines.
// It owns no clock and no thread: front ends pass a monotonic time in milliseconds, call
// advance() when nextDeadline() comes due, and drain takeOutput() after every call.
class ModemSimCore
{
public:
    struct Lines
    {
        bool cts = true;
        bool carrier = false;
        bool ring = false;
    };

    // Messages sent to this number come back as new messages, as they would on a network.
    static constexpr const char *OwnNumber = "881631234567";

    ModemSimCore();
    ~ModemSimCore();
    ModemSimCore(const ModemSimCore &) = delete;
    ModemSimCore &operator=(const ModemSimCore &) = delete;

    // Bytes sent by the terminal to the handset.
    void receive(std::string_view bytes, int64_t nowMs);

    // One operator event line ("ring", "cts on", "carrier off", ...). False and a short
    // reason in *error when the line is not understood.
    bool command(std::string_view line, int64_t nowMs, std::string *error = nullptr);

    // Runs whatever was scheduled up to nowMs (delayed CONNECT, escape guard time, ...).
    void advance(int64_t nowMs);

    // Earliest time at which advance() has work to do, or -1 when nothing is scheduled.
    int64_t nextDeadline() const;

    // Bytes the handset has sent since the previous call.
    std::string takeOutput();

    Lines lines() const;

    // Number of ring events so far; a front end raises its ring signal when this grows.
    uint64_t ringCount() const;

private:
    struct State;
    State *d;
};

} // namespace tandrel::sim
