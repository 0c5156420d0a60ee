#include "SbdReply.h"

#include <cctype>

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

} // namespace

SbdReply::SbdReply(Command command, std::string commandLine)
    : m_command(command), m_line(std::move(commandLine))
{}

bool SbdReply::line(std::string_view text)
{
    if (m_textNext) {
        m_textNext = false;
        // An empty message leaves no line before the result.
        if (text == "OK" || text == "ERROR")
            return false;
        m_message = std::string(text);
        return true;
    }
    const bool digit = text.size() == 1 && std::isdigit(static_cast<unsigned char>(text[0]));
    switch (m_command) {
    case Command::WriteBinary:
    case Command::Clear:
    case Command::ResetMomsn:
        if (digit && m_status < 0) {
            m_status = text[0] - '0';
            return true;
        }
        return false;
    case Command::Session:
        if (auto r = sbd::parseSessionLine(text)) {
            m_session = *r;
            m_seenAnswer = true;
        }
        return false;
    case Command::Status:
        if (auto st = sbd::parseStatusLine(text)) {
            m_bufferStatus = *st;
            m_seenAnswer = true;
        }
        return false;
    case Command::ReadText:
        if (startsWithNoCase(text, "+SBDRT:")) {
            m_seenAnswer = true;
            // Some handsets put the text on the same line.
            std::string_view rest = text.substr(7);
            while (!rest.empty() && rest.front() == ' ')
                rest.remove_prefix(1);
            if (rest.empty())
                m_textNext = true;
            else
                m_message = std::string(rest);
            return true;
        }
        return false;
    case Command::WriteText:
    case Command::ReadBinary:
        return false;
    }
    return false;
}

long long SbdReply::binary(std::string_view bytes)
{
    // The echo, if any, then line breaks: a real length never starts with either, as it is at
    // most 1960 (0x07A8).
    size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] == 'A' || bytes[i] == 'a') {
            const size_t cr = bytes.find('\r', i);
            if (cr == std::string_view::npos)
                return -1;
            i = cr + 1;
        } else if (bytes[i] == '\r' || bytes[i] == '\n') {
            ++i;
        } else {
            break;
        }
    }
    if (i >= bytes.size())
        return -1;
    // A line, not a message (an error), once it is whole.
    if (static_cast<unsigned char>(bytes[i]) > (sbd::MaxBinaryLength >> 8))
        return bytes.find_first_of("\r\n", i) == std::string_view::npos ? -1
                                                                        : static_cast<long long>(i);
    if (bytes.size() < i + 2)
        return -1;
    const size_t expected = static_cast<size_t>(static_cast<unsigned char>(bytes[i])) << 8 |
                            static_cast<unsigned char>(bytes[i + 1]);
    if (bytes.size() < i + 2 + expected + 2)
        return -1;
    m_message = std::string(bytes.substr(i + 2, expected));
    const size_t sum = i + 2 + expected;
    const uint16_t sent = static_cast<uint16_t>(static_cast<unsigned char>(bytes[sum]) << 8 |
                                                static_cast<unsigned char>(bytes[sum + 1]));
    m_checksumBad = sent != sbd::checksum(m_message);
    m_seenAnswer = true;
    return static_cast<long long>(sum + 2);
}

SbdReply::State SbdReply::finish(bool ok, const std::string &finalLine)
{
    if (!ok) {
        fail("The handset answered " + finalLine + " to " + m_line + ".");
        return m_state;
    }
    switch (m_command) {
    case Command::WriteBinary:
        if (m_status < 0)
            return fail("The handset answered " + m_line + " without a status."), m_state;
        if (m_status != 0)
            return fail("The handset did not take the message: " + sbd::writeStatusText(m_status)),
                   m_state;
        break;
    case Command::Clear:
    case Command::ResetMomsn:
        if (m_status > 0)
            return fail("The handset reported an error (status " + std::to_string(m_status) +
                        ") for " + m_line + "."),
                   m_state;
        break;
    case Command::Session:
    case Command::Status:
    case Command::ReadText:
    case Command::ReadBinary:
        if (!m_seenAnswer)
            return fail("The handset answered " + m_line + " with OK but without its data."),
                   m_state;
        if (m_checksumBad) {
            m_message.clear();
            return fail("The message read from the handset is damaged: its checksum does not "
                        "match. It was not shown or logged; read it again."),
                   m_state;
        }
        break;
    case Command::WriteText:
        break;
    }
    m_state = State::Done;
    return m_state;
}

void SbdReply::fail(const std::string &why)
{
    m_error = why;
    m_state = State::Failed;
}
