#include "SbdSession.h"

#include "SbdCodec.h"
#include "SmsLog.h"

#include <QPointer>
#include <ctime>

namespace {

std::tm localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

} // namespace

SbdSession::SbdSession(modem::Exchange *exchange, SmsLog *log, QObject *parent)
    : QObject(parent), m_exchange(exchange), m_log(log)
{}

SbdSession::Step SbdSession::step(SbdReply::Command command, std::string line, int ownMs,
                                  std::string payload) const
{
    return {command, std::move(line), std::move(payload), m_timeoutMs > 0 ? m_timeoutMs : ownMs};
}

std::deque<SbdSession::Step> SbdSession::sessionSteps(bool clearOutgoing) const
{
    std::deque<Step> steps;
    if (clearOutgoing)
        steps.push_back(step(SbdReply::Command::Clear, "AT+SBDD0", CommandTimeoutMs));
    steps.push_back(step(SbdReply::Command::Session, "AT+SBDI", SessionTimeoutMs));
    return steps;
}

bool SbdSession::send(std::string bytes, bool asText)
{
    if (running())
        return false;
    std::deque<Step> steps = sessionSteps(false);
    if (asText)
        steps.push_front(
            step(SbdReply::Command::WriteText, sbd::writeTextCommand(bytes), CommandTimeoutMs));
    else
        steps.push_front(step(SbdReply::Command::WriteBinary,
                              "AT+SBDWB=" + std::to_string(bytes.size()), BinaryWriteTimeoutMs,
                              sbd::withChecksum(bytes)));
    m_writing = std::move(bytes);
    return start(std::move(steps));
}

bool SbdSession::check(bool fetchAll)
{
    return start(sessionSteps(true), fetchAll);
}

bool SbdSession::retry()
{
    return start(sessionSteps(false));
}

SbdSession::Step SbdSession::readStep() const
{
    return m_readText ? step(SbdReply::Command::ReadText, "AT+SBDRT", CommandTimeoutMs)
                      : step(SbdReply::Command::ReadBinary, "AT+SBDRB", CommandTimeoutMs);
}

bool SbdSession::read()
{
    return start({readStep()});
}

bool SbdSession::clearBoth()
{
    return start({step(SbdReply::Command::Clear, "AT+SBDD2", CommandTimeoutMs)});
}

bool SbdSession::resetMomsn()
{
    return start({step(SbdReply::Command::ResetMomsn, "AT+SBDC", CommandTimeoutMs)});
}

bool SbdSession::start(std::deque<Step> steps, bool fetchAll)
{
    if (running())
        return false;
    m_steps = std::move(steps);
    m_outcome = {};
    m_fetchAll = fetchAll;
    nextStep(true);
    return true;
}

void SbdSession::nextStep(bool first)
{
    if (m_steps.empty())
        return end();
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    m_reply = std::make_shared<SbdReply>(step.command, step.line);
    m_outcome.command = step.command;
    m_outcome.line = step.line;
    m_outcome.timeoutMs = step.timeoutMs;
    emit stepStarting(step.command, int(m_writing.size()));
    modem::Command command;
    command.line = step.line;
    command.timeoutMs = step.timeoutMs;
    command.shown = m_shown;
    // Nothing queued meanwhile (an answer to a ring) comes between the steps: a call brought up
    // between the write and the session would leave the message unsent.
    command.next = !first;
    if (!step.payload.empty()) {
        command.payload = std::move(step.payload);
        command.prompt = "READY";
    }
    std::shared_ptr<SbdReply> reply = m_reply;
    // Status digits and a text read back would read as result codes: the reply claims them.
    command.claims = [reply](const std::string &line) { return reply->line(line); };
    // Binary bytes would scramble the terminal screen: the exchange reads them, unshown.
    if (step.command == SbdReply::Command::ReadBinary)
        command.binary = [reply](const QByteArray &bytes) {
            return reply->binary(std::string_view(bytes.constData(), size_t(bytes.size())));
        };
    command.done = [self = QPointer<SbdSession>(this), reply](const modem::Reply &answer) {
        if (self && reply == self->m_reply)
            self->answered(reply, answer);
    };
    m_exchange->submit(std::move(command));
}

void SbdSession::answered(const std::shared_ptr<SbdReply> &reply, const modem::Reply &answer)
{
    if (!answer.answered() ||
        reply->finish(answer.ok(), answer.finalLine) != SbdReply::State::Done) {
        m_outcome.stepFailed = true;
        m_outcome.answer = answer;
        if (answer.answered())
            m_outcome.error = reply->error();
        return end();
    }
    m_reply.reset();
    switch (reply->command()) {
    case SbdReply::Command::WriteText:
    case SbdReply::Command::WriteBinary:
        m_unsent = std::exchange(m_writing, {});
        emit stepDone(*reply);
        break;
    case SbdReply::Command::Session:
        sessionDone(*reply);
        break;
    case SbdReply::Command::ReadText:
    case SbdReply::Command::ReadBinary:
        readDone(*reply);
        break;
    case SbdReply::Command::Clear:
        m_unsent.reset();
        emit stepDone(*reply);
        break;
    case SbdReply::Command::ResetMomsn:
    case SbdReply::Command::Status:
        emit stepDone(*reply);
        break;
    }
    nextStep();
}

void SbdSession::sessionDone(const SbdReply &reply)
{
    const sbd::SessionResult &r = reply.session();
    if (r.sent() && m_unsent) {
        appendToLog(sbd::logEntry(true, r.momsn, *m_unsent, localNow()));
        m_unsent.reset();
    }
    m_queued = r.mtQueued;
    m_outcome.sessionFailed = r.failed();
    if (r.failed())
        m_fetchAll = false;
    if (r.received()) {
        m_lastMtmsn = r.mtmsn;
        m_mtLogged = false;
    }
    emit stepDone(reply);
    if (r.received())
        m_steps.push_front(readStep());
}

void SbdSession::readDone(const SbdReply &reply)
{
    const std::string &message = reply.message();
    // The message of the last session is logged once, however often it is read.
    if (!message.empty() && !m_mtLogged) {
        appendToLog(sbd::logEntry(false, m_lastMtmsn, message, localNow()));
        m_mtLogged = true;
    }
    emit stepDone(reply);
    if (message.empty() || m_queued <= 0) {
        m_fetchAll = false;
    } else if (m_fetchAll) {
        emit fetchingMore(m_queued);
        for (Step &s : sessionSteps(true))
            m_steps.push_back(std::move(s));
    } else {
        m_outcome.waiting = m_queued;
    }
}

void SbdSession::end()
{
    m_reply.reset();
    m_steps.clear();
    m_writing.clear();
    m_fetchAll = false;
    m_outcome.queued = m_queued;
    const Outcome outcome = std::exchange(m_outcome, {});
    emit finished(outcome);
}

void SbdSession::appendToLog(const std::string &entry)
{
    std::string error;
    if (m_log && !m_log->append(entry, &error))
        emit logFailed(error);
}
