#include "SmsSender.h"

#include "SmsLog.h"

#include <QPointer>
#include <algorithm>
#include <cstdlib>

SmsSender::SmsSender(modem::Exchange *exchange, SmsLog *log, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_log(log)
{}

bool SmsSender::send(std::vector<SmsPduCodec::Part> parts, std::string logEntry, int timeoutMs)
{
    if (sending() || parts.empty())
        return false;
    m_parts = std::move(parts);
    m_part = 0;
    m_entry = std::move(logEntry);
    m_timeoutMs = timeoutMs;
    m_outcome = {};
    sendPart();
    return true;
}

bool SmsSender::confirmed(const modem::Reply &reply)
{
    return reference(reply) >= 0 ||
           std::any_of(reply.lines.begin(), reply.lines.end(), [](const std::string &line) {
               return modem::upperAscii(line).find("+CMGS:") != std::string::npos;
           });
}

int SmsSender::reference(const modem::Reply &reply)
{
    for (const std::string &line : reply.lines) {
        const size_t at = modem::upperAscii(line).find("+CMGS:");
        if (at == std::string::npos)
            continue;
        const char *digits = line.c_str() + at + 6;
        while (*digits == ' ')
            ++digits;
        char *end = nullptr;
        const long value = std::strtol(digits, &end, 10);
        if (end != digits && value >= 0 && value <= 255)
            return int(value);
    }
    return -1;
}

void SmsSender::sendPart()
{
    const SmsPduCodec::Part &part = m_parts[m_part];
    emit partStarting(int(m_part), int(m_parts.size()), part.pdu);
    modem::Command command;
    command.line = "AT+CMGS=" + std::to_string(part.length);
    // The PDU goes when the handset asks for it with "> ", ended by Ctrl-Z.
    command.payload = part.pdu + '\x1A';
    command.timeoutMs = m_timeoutMs;
    command.shown = m_shown;
    // Nothing queued meanwhile (an answer to a ring) comes between the parts of one message.
    command.next = m_part > 0;
    // Only its own answers end a send: a stray OK of another command, NO CARRIER or BUSY
    // leave it waiting for its confirmation.
    command.takesFinal = [](modem::Result result, const modem::Reply &soFar) {
        if (result == modem::Result::Ok)
            return confirmed(soFar);
        return result == modem::Result::Error || result == modem::Result::CmsError ||
               result == modem::Result::CmeError;
    };
    command.done = [self = QPointer<SmsSender>(this)](const modem::Reply &reply) {
        if (self)
            self->answered(reply);
    };
    // The handset may still confirm the message after we gave up on it: then it did go out.
    if (m_part + 1 == m_parts.size())
        command.late = [self = QPointer<SmsSender>(this),
                        entry = m_entry](const std::string &line) {
            if (!self || modem::upperAscii(line).find("+CMGS:") == std::string::npos)
                return false;
            self->lateConfirmation(entry, line);
            return true;
        };
    m_exchange->submit(std::move(command));
}

void SmsSender::lateConfirmation(const std::string &entry, const std::string &line)
{
    if (entry.empty())
        return;
    const size_t head = entry.find('\n');
    std::string logError;
    if (m_log)
        m_log->append(entry.substr(0, head) + " (confirmed late: " + line + ")" +
                          (head == std::string::npos ? std::string() : entry.substr(head)),
                      &logError);
    emit confirmedLate(line, logError);
}

void SmsSender::answered(const modem::Reply &reply)
{
    if (reply.ok() && confirmed(reply)) {
        const int ref = reference(reply);
        m_outcome.references.push_back(ref);
        emit partConfirmed(int(m_part), int(m_parts.size()), ref);
        if (++m_part < m_parts.size()) {
            sendPart();
            return;
        }
        m_outcome.sent = true;
        if (m_log && !m_entry.empty())
            m_log->append(m_entry, &m_outcome.logError);
    } else {
        m_outcome.failedPart = int(m_part);
    }
    m_outcome.reply = reply;
    m_outcome.parts = std::move(m_parts);
    m_parts.clear();
    const Outcome outcome = std::move(m_outcome);
    emit finished(outcome);
}
