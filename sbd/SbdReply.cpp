#include "SbdReply.h"

#include <cctype>

namespace {

constexpr size_t LineLimit = 4096;

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
{
    if (command == Command::ReadBinary)
        m_phase = Phase::BinaryStart;
}

SbdReply::State SbdReply::feed(std::string_view chunk)
{
    if (m_state == State::Done || m_state == State::Failed)
        return m_state;
    m_buf.append(chunk);
    // Each phase hands over to the next with what is left in the buffer.
    Phase before;
    do {
        before = m_phase;
        switch (m_phase) {
        case Phase::Lines:
            lines();
            break;
        case Phase::TextBody:
            textBody();
            break;
        case Phase::BinaryStart:
        case Phase::BinaryBody:
            binaryBody();
            break;
        }
    } while (m_phase != before && m_state != State::Done && m_state != State::Failed);
    return m_state;
}

void SbdReply::lines()
{
    size_t start = 0;
    while (m_phase == Phase::Lines && m_state != State::Done && m_state != State::Failed) {
        if (m_afterCr && start < m_buf.size() && m_buf[start] == '\n')
            ++start;
        m_afterCr = false;
        const size_t end = m_buf.find_first_of("\r\n", start);
        if (end == std::string::npos)
            break;
        m_afterCr = m_buf[end] == '\r';
        const std::string text = m_buf.substr(start, end - start);
        start = end + 1;
        line(text);
    }
    m_buf.erase(0, start);
    if (m_phase == Phase::Lines && m_buf.size() > LineLimit)
        m_buf.clear(); // no answer line is that long
}

void SbdReply::line(std::string_view text)
{
    if (text.empty() || startsWithNoCase(text, "AT"))
        return; // blank, or the echo of the command
    if (text == "OK")
        return finish();
    if (text == "ERROR" || startsWithNoCase(text, "+CME ERROR") ||
        startsWithNoCase(text, "+CMS ERROR"))
        return fail("The handset answered " + std::string(text) + " to " + m_line + ".");
    switch (m_command) {
    case Command::WriteBinary:
        if (text == "READY" && m_state == State::Waiting) {
            m_state = State::Ready;
            return;
        }
        [[fallthrough]];
    case Command::Clear:
    case Command::ResetMomsn:
        if (text.size() == 1 && std::isdigit(static_cast<unsigned char>(text[0])) && m_status < 0)
            m_status = text[0] - '0';
        return;
    case Command::Session:
        if (auto r = sbd::parseSessionLine(text)) {
            m_session = *r;
            m_seenAnswer = true;
        }
        return;
    case Command::Status:
        if (auto s = sbd::parseStatusLine(text)) {
            m_bufferStatus = *s;
            m_seenAnswer = true;
        }
        return;
    case Command::ReadText:
        if (startsWithNoCase(text, "+SBDRT:")) {
            m_seenAnswer = true;
            m_phase = Phase::TextBody;
        }
        return;
    case Command::WriteText:
    case Command::ReadBinary:
        return;
    }
}

// The text runs from the line after "+SBDRT:" up to the final OK, without the line break
// that ends the text line.
void SbdReply::textBody()
{
    if (m_afterCr) {
        if (m_buf.empty())
            return;
        if (m_buf.front() == '\n')
            m_buf.erase(0, 1);
        m_afterCr = false;
    }
    static constexpr std::string_view end = "\r\nOK\r\n";
    const size_t at = m_buf.find(end);
    if (at == std::string::npos)
        return;
    m_message = m_buf.substr(0, at);
    if (m_message.size() >= 2 && m_message.compare(m_message.size() - 2, 2, "\r\n") == 0)
        m_message.resize(m_message.size() - 2);
    m_buf.clear();
    finish();
}

void SbdReply::binaryBody()
{
    if (m_phase == Phase::BinaryStart) {
        // The echo, if any, then line breaks: a real length never starts with either, as it
        // is at most 1960 (0x07A8).
        size_t i = 0;
        while (true) {
            if (i < m_buf.size() && (m_buf[i] == 'A' || m_buf[i] == 'a')) {
                const size_t cr = m_buf.find('\r', i);
                if (cr == std::string::npos) {
                    m_buf.erase(0, i);
                    return;
                }
                i = cr + 1;
            } else if (i < m_buf.size() && (m_buf[i] == '\r' || m_buf[i] == '\n')) {
                ++i;
            } else {
                break;
            }
        }
        m_buf.erase(0, i);
        if (m_buf.empty())
            return;
        if (static_cast<unsigned char>(m_buf[0]) > (sbd::MaxBinaryLength >> 8)) {
            m_phase = Phase::Lines; // an error line, not a message
            return;
        }
        if (m_buf.size() < 2)
            return;
        m_expected = static_cast<size_t>(static_cast<unsigned char>(m_buf[0])) << 8 |
                     static_cast<unsigned char>(m_buf[1]);
        m_buf.erase(0, 2);
        m_phase = Phase::BinaryBody;
        m_seenAnswer = true;
    }
    if (m_buf.size() < m_expected + 2)
        return;
    m_message = m_buf.substr(0, m_expected);
    const uint16_t sent = static_cast<uint16_t>(static_cast<unsigned char>(m_buf[m_expected]) << 8 |
                                                static_cast<unsigned char>(m_buf[m_expected + 1]));
    m_checksumBad = sent != sbd::checksum(m_message);
    m_buf.erase(0, m_expected + 2);
    m_afterCr = false;
    m_phase = Phase::Lines;
}

void SbdReply::finish()
{
    switch (m_command) {
    case Command::WriteBinary:
        if (m_status < 0)
            return fail("The handset answered " + m_line + " without a status.");
        if (m_status != 0)
            return fail("The handset did not take the message: " + sbd::writeStatusText(m_status));
        break;
    case Command::Clear:
    case Command::ResetMomsn:
        if (m_status > 0)
            return fail("The handset reported an error (status " + std::to_string(m_status) +
                        ") for " + m_line + ".");
        break;
    case Command::Session:
    case Command::Status:
    case Command::ReadText:
    case Command::ReadBinary:
        if (!m_seenAnswer)
            return fail("The handset answered " + m_line + " with OK but without its data.");
        if (m_checksumBad) {
            m_message.clear();
            return fail("The message read from the handset is damaged: its checksum does not "
                        "match. It was not shown or logged; read it again.");
        }
        break;
    case Command::WriteText:
        break;
    }
    m_state = State::Done;
}

void SbdReply::fail(const std::string &why)
{
    m_error = why;
    m_state = State::Failed;
}
