#include "SbdHandset.h"

#include "SbdCodec.h"

#include <charconv>
#include <utility>

namespace tandrel::sim {

namespace {

using Final = SbdHandset::Answer::Final;

SbdHandset::Answer answer(Final final, std::vector<SbdHandset::Piece> pieces = {})
{
    return {std::move(pieces), final};
}

SbdHandset::Piece info(std::string text)
{
    return {false, std::move(text)};
}

bool parseInt(std::string_view s, long &out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return !s.empty() && ec == std::errc() && p == s.data() + s.size();
}

std::string lengthBytes(size_t n)
{
    return {static_cast<char>(n >> 8), static_cast<char>(n & 0xFF)};
}

} // namespace

SbdHandset::Answer SbdHandset::command(const std::string &name, std::string_view rest,
                                       int64_t nowMs)
{
    if (rest == "=?")
        return answer(Final::Ok);
    if (name == "+SBDWT") {
        if (rest.empty() || rest.front() != '=')
            return answer(Final::Error);
        std::string_view text = rest.substr(1);
        // The AT table and the SBD window send the text between quotes.
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        if (text.size() > sbd::MaxTextLength)
            return answer(Final::Error);
        m_mo = std::string(text);
        return answer(Final::Ok);
    }
    if (name == "+SBDWB") {
        long n = 0;
        if (rest.empty() || rest.front() != '=' || !parseInt(rest.substr(1), n))
            return answer(Final::Error);
        if (n < 1 || n > long(sbd::MaxBinaryLength))
            return answer(Final::Ok, {info("3")});
        m_writeLength = int(n) + 2;
        m_writeBytes.clear();
        m_writeDeadline = nowMs + WriteTimeoutMs;
        return answer(Final::Later, {info("READY")});
    }
    if (!rest.empty() && name != "+SBDD")
        return answer(Final::Error);
    if (name == "+SBDI") {
        m_sessionAt = nowMs + SessionMs;
        return answer(Final::Later);
    }
    if (name == "+SBDRT") {
        const std::string text = m_mt.value_or("");
        return answer(Final::Ok, {info("+SBDRT:"), {true, text, true}});
    }
    if (name == "+SBDRB") {
        const std::string bytes = m_mt.value_or("");
        std::string framed = lengthBytes(bytes.size()) + sbd::withChecksum(bytes);
        if (std::exchange(m_badSumNext, false))
            framed.back() = char(framed.back() ^ 0x01);
        return answer(Final::Ok, {{true, framed}});
    }
    if (name == "+SBDD") {
        const std::string_view n = !rest.empty() && rest.front() == '=' ? rest.substr(1) : rest;
        if (n != "0" && n != "1" && n != "2")
            return answer(Final::Error);
        if (n != "1")
            m_mo.reset();
        if (n != "0") {
            m_mt.reset();
            m_mtmsn = -1;
        }
        return answer(Final::Ok, {info("0")});
    }
    if (name == "+SBDC") {
        m_momsn = 0;
        return answer(Final::Ok, {info("0")});
    }
    if (name == "+SBDS") {
        return answer(
            Final::Ok,
            {info("+SBDS: " + std::to_string(m_mo ? 1 : 0) + ", " + std::to_string(m_momsn) + ", " +
                  std::to_string(m_mt ? 1 : 0) + ", " + std::to_string(m_mt ? m_mtmsn : -1))});
    }
    if (name == "+SBDTC") {
        const std::string copy = m_mo.value_or("");
        m_mt = copy;
        m_mtmsn = 0; // a local copy has no number from the gateway
        return answer(Final::Ok, {info("SBDTC: Outbound SBD Copied to Inbound SBD: size = " +
                                       std::to_string(copy.size()))});
    }
    return answer(Final::Error);
}

SbdHandset::Answer SbdHandset::byte(char c)
{
    if (m_writeLength < 0)
        return answer(Final::Later); // a session runs: the handset is not listening
    m_writeBytes += c;
    if (int(m_writeBytes.size()) < m_writeLength)
        return answer(Final::Later);
    m_writeLength = -1;
    m_writeDeadline = -1;
    const std::string message = m_writeBytes.substr(0, m_writeBytes.size() - 2);
    if (sbd::withChecksum(message) != m_writeBytes)
        return answer(Final::Ok, {info("2")});
    m_mo = message;
    return answer(Final::Ok, {info("0")});
}

SbdHandset::Answer SbdHandset::advance(int64_t nowMs)
{
    if (m_writeDeadline >= 0 && nowMs >= m_writeDeadline) {
        m_writeLength = -1;
        m_writeDeadline = -1;
        return answer(Final::Ok, {info("1")});
    }
    if (m_sessionAt >= 0 && nowMs >= m_sessionAt) {
        m_sessionAt = -1;
        return session();
    }
    return answer(Final::Later);
}

int64_t SbdHandset::nextDeadline() const
{
    if (m_writeDeadline >= 0)
        return m_writeDeadline;
    return m_sessionAt;
}

SbdHandset::Answer SbdHandset::session()
{
    sbd::SessionResult r;
    if (m_failNext >= 0) {
        r.moStatus = m_mo ? m_failNext : 0;
        r.momsn = m_momsn;
        r.mtStatus = 2;
        m_failNext = -1;
    } else {
        r.moStatus = m_mo ? 1 : 0;
        r.momsn = m_momsn;
        if (m_mo)
            m_momsn = (m_momsn + 1) % 65536;
        if (m_mo && m_loopback)
            m_mailbox.push_back(*m_mo);
        if (!m_mailbox.empty()) {
            m_mt = m_mailbox.front();
            m_mailbox.pop_front();
            m_mtmsn = r.mtmsn = ++m_gatewayMtmsn;
            r.mtStatus = 1;
            r.mtLength = int(m_mt->size());
        }
        r.mtQueued = int(m_mailbox.size());
    }
    const auto n = [](int v) { return std::to_string(v); };
    return answer(Final::Ok,
                  {info("+SBDI: " + n(r.moStatus) + ", " + n(r.momsn) + ", " + n(r.mtStatus) +
                        ", " + n(r.mtmsn) + ", " + n(r.mtLength) + ", " + n(r.mtQueued))});
}

bool SbdHandset::isEvent(const std::string &verb)
{
    return verb == "SBD" || verb == "SBD-HEX" || verb == "SBD-FAIL" || verb == "SBD-BADSUM" ||
           verb == "SBD-LOOPBACK";
}

bool SbdHandset::event(const std::string &verb, std::string_view arg, std::string *error)
{
    auto bad = [&](const std::string &why) {
        if (error)
            *error = why;
        return false;
    };
    if (verb == "SBD-BADSUM") {
        m_badSumNext = true;
        return true;
    }
    if (verb == "SBD-FAIL") {
        long status = 0;
        if (!parseInt(arg, status) || status < 2 || status > 255)
            return bad("expected a failure status 2-255");
        m_failNext = int(status);
        return true;
    }
    if (verb == "SBD-LOOPBACK") {
        if (arg != "on" && arg != "off")
            return bad("expected on or off");
        m_loopback = arg == "on";
        return true;
    }
    std::string bytes(arg);
    if (verb == "SBD-HEX") {
        std::string why;
        if (!sbd::parseHex(arg, &bytes, &why))
            return bad(why);
    }
    if (bytes.empty() || bytes.size() > sbd::MaxBinaryLength)
        return bad("expected a message of 1-1960 bytes");
    m_mailbox.push_back(std::move(bytes));
    return true;
}

} // namespace tandrel::sim
