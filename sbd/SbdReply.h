#pragma once

#include "SbdCodec.h"

#include <string>
#include <string_view>

// Reads the handset's answer to one SBD command: its information lines as the exchange hands
// them over (echo, results and unsolicited lines already taken out), AT+SBDRB's bytes raw,
// and at last the final result.
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
        Done,
        Failed
    };

    SbdReply(Command command, std::string commandLine);

    // An information line. True when the line is the command's although it looks like a
    // result code (a status digit, the text read back).
    bool line(std::string_view text);
    // AT+SBDRB's answer from the end of the command line: the bytes it took once the message
    // is whole (the rest are lines), -1 before.
    long long binary(std::string_view bytes);
    // The final result ended the answer: OK (with the data the command needs) or an error.
    State finish(bool ok, const std::string &finalLine);
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
    void fail(const std::string &why);

    Command m_command;
    std::string m_line;
    State m_state = State::Waiting;
    bool m_textNext = false; // the line after "+SBDRT:" is the message
    bool m_seenAnswer = false;
    bool m_checksumBad = false;
    int m_status = -1;
    sbd::SessionResult m_session;
    sbd::BufferStatus m_bufferStatus;
    std::string m_message;
    std::string m_error;
};
