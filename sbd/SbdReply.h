#pragma once

#include "SbdCodec.h"

#include <string>
#include <string_view>

// Reads the handset's answer to one SBD command from the received bytes, whatever the chunk
// boundaries. The echo of the command line and unsolicited lines in between are passed over;
// the answer ends with the final result (OK or an error).
class SbdReply
{
public:
    enum class Command
    {
        WriteText,   // AT+SBDWT="..."
        WriteBinary, // AT+SBDWB=n, READY, the bytes and checksum, a status
        Session,     // AT+SBDI
        ReadText,    // AT+SBDRT
        ReadBinary,  // AT+SBDRB: length, bytes, checksum, all binary
        Clear,       // AT+SBDDn
        ResetMomsn,  // AT+SBDC
        Status       // AT+SBDS
    };
    enum class State
    {
        Waiting,
        Ready, // AT+SBDWB: the handset waits for the bytes
        Done,
        Failed
    };

    SbdReply(Command command, std::string commandLine);

    State feed(std::string_view chunk);
    State state() const { return m_state; }
    Command command() const { return m_command; }
    const std::string &commandLine() const { return m_line; }

    // The status digit of AT+SBDWB, AT+SBDD and AT+SBDC; -1 before it arrived.
    int status() const { return m_status; }
    const sbd::SessionResult &session() const { return m_session; }
    const sbd::BufferStatus &bufferStatus() const { return m_bufferStatus; }
    // The message read by AT+SBDRT or AT+SBDRB.
    const std::string &message() const { return m_message; }
    // Why the answer is a failure, in words for the operator.
    const std::string &error() const { return m_error; }

private:
    void lines();
    void line(std::string_view text);
    void textBody();
    void binaryBody();
    void finish();
    void fail(const std::string &why);

    enum class Phase
    {
        Lines,
        TextBody,
        BinaryStart,
        BinaryBody
    };

    Command m_command;
    std::string m_line;
    State m_state = State::Waiting;
    Phase m_phase = Phase::Lines;
    std::string m_buf;
    bool m_afterCr = false; // the previous line ended with CR: a LF may follow
    bool m_seenAnswer = false;
    bool m_checksumBad = false;
    int m_status = -1;
    size_t m_expected = 0;
    sbd::SessionResult m_session;
    sbd::BufferStatus m_bufferStatus;
    std::string m_message;
    std::string m_error;
};
