#include "Exchange.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cctype>

namespace modem {

namespace {

// No answer line is longer; past it the line is cut, never the program's memory.
constexpr size_t kLineLimit = 64 * 1024;

qint64 steadyClock()
{
    static QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return since.elapsed();
}

std::string trimmed(std::string_view s)
{
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

// "+CMGL" for "AT+CMGL=4": the name its information lines start with.
std::string answerName(const std::string &upperLine)
{
    if (!startsWith(upperLine, "AT") || upperLine.size() < 3)
        return {};
    const char first = upperLine[2];
    if (first != '+' && first != '-' && first != '*' && first != '%' && first != '$')
        return {};
    size_t end = 3;
    while (end < upperLine.size() && (std::isalnum(static_cast<unsigned char>(upperLine[end]))))
        ++end;
    return upperLine.substr(2, end - 2);
}

// Commands that bring a handset back to verbose answers or may switch them off (V.250 6.2.6,
// 6.1.1, 6.1.2): after them the form of the next result is not known.
bool resetsForm(const std::string &upperLine)
{
    if (!startsWith(upperLine, "AT"))
        return false;
    const size_t plus = upperLine.find('+');
    const std::string basic =
        upperLine.substr(2, plus == std::string::npos ? std::string::npos : plus - 2);
    return basic.find('V') != std::string::npos || basic.find('Z') != std::string::npos ||
           basic.find("&F") != std::string::npos;
}

} // namespace

Exchange::Exchange(QObject *parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &Exchange::expire);
    m_clock = steadyClock;
}

Exchange::~Exchange() = default;

void Exchange::setWriter(std::function<void(const QByteArray &)> write)
{
    m_write = std::move(write);
}

void Exchange::setDisplay(std::function<void(const QByteArray &)> show)
{
    m_show = std::move(show);
}

void Exchange::setClock(std::function<qint64()> clock)
{
    m_clock = clock ? std::move(clock) : steadyClock;
}

qint64 Exchange::now() const
{
    return m_clock();
}

int Exchange::submit(Command command)
{
    Outstanding out;
    out.id = m_nextId++;
    out.command = std::move(command);
    out.deadline = now() + out.command.timeoutMs;
    if (!m_open) {
        // Nothing can answer; the caller hears so once its own call has returned.
        out.reply.end = Reply::End::CutOff;
        out.reply.sent = false;
        QMetaObject::invokeMethod(
            this, [this, out = std::move(out)]() mutable { end(std::move(out)); },
            Qt::QueuedConnection);
        return m_nextId - 1;
    }
    if (out.command.next)
        m_queue.push_front(std::move(out));
    else
        m_queue.push_back(std::move(out));
    dispatch();
    arm();
    noteBusy();
    return m_nextId - 1;
}

bool Exchange::cancel(int id)
{
    const auto it = std::find_if(m_queue.begin(), m_queue.end(),
                                 [id](const Outstanding &o) { return o.id == id; });
    if (it == m_queue.end())
        return false;
    m_queue.erase(it);
    noteBusy();
    return true;
}

// The program's own questions out of sight (a signal poll) hold no button back: whatever
// is sent meanwhile waits its turn in the queue.
bool Exchange::busy() const
{
    const auto shown = [](const Outstanding &o) { return o.typed || o.command.shown; };
    return leased() || std::any_of(m_queue.begin(), m_queue.end(), shown) ||
           std::any_of(m_out.begin(), m_out.end(), shown);
}

void Exchange::noteBusy()
{
    if (busy() != m_busy) {
        m_busy = !m_busy;
        emit busyChanged(m_busy);
    }
}

void Exchange::setCall(bool up)
{
    if (!up)
        m_dataMode = false;
    if (up != m_callUp) {
        m_callUp = up;
        emit callChanged(up);
    }
}

void Exchange::onUnsolicited(std::string prefix, int following,
                             std::function<void(const std::vector<std::string> &)> handler)
{
    m_handlers.push_back({std::move(prefix), following, std::move(handler)});
}

void Exchange::onLine(std::function<void(const std::string &)> observer)
{
    m_observers.push_back(std::move(observer));
}

bool Exchange::lease(std::function<void(const QByteArray &)> sink)
{
    if (!m_open || !m_queue.empty() || !m_out.empty() || leased() || !sink)
        return false;
    m_lease = std::move(sink);
    noteBusy();
    return true;
}

void Exchange::release()
{
    if (!leased())
        return;
    m_lease = {};
    m_line.clear();
    dispatch();
    noteBusy();
}

void Exchange::opened()
{
    m_open = true;
    m_form = Form::Unknown;
    m_line.clear();
    m_typedLine.clear();
    m_owed = 0;
    dispatch();
}

void Exchange::closed()
{
    m_open = false;
    m_lease = {};
    m_late = {};
    m_line.clear();
    m_shown.clear();
    m_binary.clear();
    m_typedLine.clear();
    m_owed = 0;
    setCall(false);
    // The callers may queue again from their done(); those are cut off in turn.
    while (!m_out.empty() || !m_queue.empty()) {
        const bool sent = !m_out.empty();
        Outstanding out = std::move(sent ? m_out.front() : m_queue.front());
        (sent ? m_out : m_queue).pop_front();
        out.reply.end = Reply::End::CutOff;
        out.reply.sent = sent;
        end(std::move(out));
    }
    m_timer->stop();
    noteBusy();
}

// ---- Sending ----

void Exchange::dispatch()
{
    if (!m_open || leased() || !m_out.empty() || m_dataMode || m_queue.empty() || !m_write)
        return;
    Outstanding out = std::move(m_queue.front());
    m_queue.pop_front();
    out.deadline = now() + out.command.timeoutMs;
    m_out.push_back(std::move(out));
    send(m_out.back());
}

void Exchange::send(Outstanding &out)
{
    const std::string upper = upperAscii(out.command.line);
    if (resetsForm(upper))
        m_form = Form::Unknown;
    m_write(QByteArray::fromStdString(out.command.line + '\r'));
}

void Exchange::sendPayload(Outstanding &out)
{
    out.reply.prompted = true;
    out.payloadEcho = out.command.payload;
    while (!out.payloadEcho.empty() &&
           (out.payloadEcho.back() == '\x1a' || out.payloadEcho.back() == '\x1b'))
        out.payloadEcho.pop_back();
    m_write(QByteArray::fromStdString(std::exchange(out.command.payload, {})));
}

void Exchange::typed(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\r') {
            // A handset reads a command line from its "AT" on (V.250 5.2.1); what came before
            // it is noise.
            std::string line = trimmed(m_typedLine);
            m_typedLine.clear();
            const size_t at = upperAscii(line).find("AT");
            if (at == std::string::npos && upperAscii(line) != "A/")
                continue;
            if (at != std::string::npos)
                line.erase(0, at);
            const std::string upper = upperAscii(line);
            Outstanding out;
            out.id = m_nextId++;
            out.typed = true;
            out.command.line = line;
            out.deadline = now() + TypedWaitMs;
            if (resetsForm(upper))
                m_form = Form::Unknown;
            // An answer to this line ends a call's data: the operator is talking to the modem.
            m_out.push_back(std::move(out));
        } else if (c == '\b' || c == '\x7f') {
            if (!m_typedLine.empty())
                m_typedLine.pop_back();
        } else if (c != '\n' && m_typedLine.size() < kLineLimit) {
            m_typedLine += c;
        }
    }
    arm();
    noteBusy();
}

// ---- Receiving ----

bool Exchange::hiding() const
{
    if (m_out.empty())
        return false;
    const Command &c = m_out.front().command;
    return !c.shown || c.binary;
}

Numeric Exchange::numeric() const
{
    return m_form == Form::Verbose ? Numeric::Refused : Numeric::Accepted;
}

void Exchange::flushShown()
{
    if (!m_shown.isEmpty() && m_show)
        m_show(std::exchange(m_shown, {}));
}

void Exchange::received(const QByteArray &bytes)
{
    if (m_lease) {
        m_lease(bytes);
        return;
    }
    processLines(bytes, 0);
    flushShown();
    checkPrompt();
    dispatch();
    arm();
    noteBusy();
}

void Exchange::processLines(const QByteArray &bytes, qsizetype from)
{
    qsizetype i = from;
    while (i < bytes.size()) {
        if (!m_out.empty() && m_out.front().command.binary && !m_out.front().binaryDone) {
            m_binary += bytes.mid(i);
            takeLinesBeforeBinary();
            if (m_out.empty()) // a handler closed the port
                return;
            const long long used = m_out.front().command.binary(m_binary);
            if (used < 0)
                return;
            m_out.front().binaryDone = true;
            const QByteArray rest = std::exchange(m_binary, {}).mid(used);
            processLines(rest, 0);
            return;
        }
        if (std::exchange(m_skipLf, false) && bytes[i] == '\n') {
            ++i;
            continue;
        }
        const bool hidden = hiding();
        // A run of plain bytes is taken whole: a flood costs per line, not per byte.
        const bool promptDue = !m_out.empty() && !m_out.front().command.payload.empty() &&
                               m_out.front().command.prompt == ">";
        qsizetype end = i;
        for (; end < bytes.size(); ++end) {
            const char c = bytes[end];
            if (c == '\r' || c == '\n' || c == '\b' || (promptDue && (c == '>' || c == ' ')))
                break;
        }
        if (end > i) {
            if (!hidden)
                m_shown.append(bytes.constData() + i, end - i);
            m_line.append(
                bytes.constData() + i,
                size_t(std::min<qsizetype>(end - i, qsizetype(kLineLimit - m_line.size()))));
            i = end;
            continue;
        }
        const char c = bytes[i++];
        if (!hidden)
            m_shown += c;
        if (c == '\r' || c == '\n') {
            if (m_line.empty())
                continue;
            const std::string line = std::exchange(m_line, {});
            lineDone(line, hidden);
            // The line feed of a hidden answer's last line is part of it.
            if (hidden && !hiding() && c == '\r')
                m_skipLf = true;
        } else if (c == '\b') {
            if (!m_line.empty())
                m_line.pop_back();
        } else if (m_line.size() < kLineLimit) {
            m_line += c;
            // The prompt is answered at once: what follows it may already be the answer.
            checkPrompt();
        }
    }
}

// A ring or an indication may come between a command and its binary answer: it goes to its
// handler, not into the answer. The echo before it stays for the reader to skip.
void Exchange::takeLinesBeforeBinary()
{
    const std::string echo = upperAscii(trimmed(m_out.front().command.line));
    qsizetype from = 0;
    while (true) {
        while (from < m_binary.size() && (m_binary[from] == '\r' || m_binary[from] == '\n'))
            ++from;
        qsizetype end = from;
        while (end < m_binary.size() && m_binary[end] != '\r' && m_binary[end] != '\n')
            ++end;
        if (end == from || end == m_binary.size())
            return;
        const std::string line = m_binary.mid(from, end - from).toStdString();
        const std::string upper = upperAscii(trimmed(line));
        if (upper == echo) {
            from = end;
            continue;
        }
        if (m_owed == 0 && !handlerFor(upper) && classify(line, numeric()) != Result::Ring)
            return;
        m_binary.remove(from, end - from);
        lineDone(line, true);
    }
}

// A "> " prompt has no line end: it is looked for in what has arrived of the line.
void Exchange::checkPrompt()
{
    if (m_out.empty())
        return;
    Outstanding &out = m_out.front();
    if (out.command.payload.empty() || out.command.prompt != ">")
        return;
    if (trimmed(m_line).rfind('>', 0) == 0) {
        m_line.clear();
        sendPayload(out);
    }
}

const Exchange::Handler *Exchange::handlerFor(const std::string &upper) const
{
    for (const Handler &h : m_handlers)
        if (h.prefix != "RING" && startsWith(upper, h.prefix))
            return &h;
    return nullptr;
}

void Exchange::deliver(const Handler &handler, const std::string &line, bool hidden)
{
    if (hidden && m_show) {
        flushShown();
        m_show(QByteArray::fromStdString("\r\n" + line + "\r\n"));
    }
    if (handler.following > 0) {
        m_taking = {line};
        m_takingFor = &handler;
        m_owed = handler.following;
        return;
    }
    handler.handle({line});
}

void Exchange::ring(const std::string &line, bool hidden)
{
    for (const Handler &h : m_handlers)
        if (h.prefix == "RING")
            deliver(h, line, hidden);
}

void Exchange::lineDone(const std::string &received, bool hidden)
{
    std::string line = received;
    // The echo of a payload ends with no line end of its own: in numeric form the answer
    // follows on the same line ("0011...07+CMS ERROR:500").
    if (!m_out.empty() && !m_out.front().payloadEcho.empty()) {
        const size_t at = line.find(m_out.front().payloadEcho);
        if (at != std::string::npos) {
            line.erase(0, at + m_out.front().payloadEcho.size());
            m_out.front().payloadEcho.clear();
            if (trimmed(line).empty())
                return;
        }
    }
    for (const auto &observer : m_observers)
        observer(line);
    if (m_owed > 0) {
        if (hidden && m_show) {
            flushShown();
            m_show(QByteArray::fromStdString(line + "\r\n"));
        }
        m_taking.push_back(line);
        if (--m_owed == 0)
            m_takingFor->handle(std::exchange(m_taking, {}));
        return;
    }
    const std::string upper = upperAscii(trimmed(line));
    // "+CMGS: 5" answering AT+CMGS belongs to it, whatever else waits for such lines.
    const std::string own =
        m_out.empty() ? std::string() : answerName(upperAscii(m_out.front().command.line));
    const bool owned = !own.empty() && startsWith(upper, own);
    if (!owned) {
        if (const Handler *h = handlerFor(upper)) {
            deliver(*h, line, hidden);
            return;
        }
        if (m_late && m_late(line))
            return;
    }
    if (m_out.empty()) {
        // An answer to nothing: a late one, a ring, or the modem speaking for a call.
        const Result r = classify(line, numeric());
        if (r == Result::Ring) {
            ring(line, hidden);
        } else if (isFinal(r)) {
            noteForm(r, line);
            m_late = {};
            callState({}, r);
        }
        return;
    }
    Outstanding &out = m_out.front();
    if (upper == upperAscii(trimmed(out.command.line)))
        return; // its echo
    if (out.command.claims && out.command.claims(line)) {
        out.reply.lines.push_back(line);
        return;
    }
    if (!out.command.payload.empty() && out.command.prompt != ">" &&
        upper == upperAscii(out.command.prompt)) {
        sendPayload(out);
        return;
    }
    const Result r = classify(line, numeric());
    if (r == Result::Ring) {
        ring(line, hidden);
        return;
    }
    if (isFinal(r) && out.command.takesFinal && !out.command.takesFinal(r, out.reply)) {
        callState({}, r);
        return;
    }
    if (isFinal(r)) {
        finish(r, line);
        return;
    }
    if (m_dataMode && !out.typed)
        return;
    if (out.reply.lines.size() < 10000)
        out.reply.lines.push_back(line);
}

// Only the results that differ between the forms tell which one the handset uses: the
// "+CME ERROR" and "+CMS ERROR" reports and the vendors' texts read alike in both.
void Exchange::noteForm(Result result, const std::string &line)
{
    if (isNumericForm(line))
        m_form = Form::Numeric;
    else if (result != Result::CmeError && result != Result::CmsError &&
             (result != Result::Error || upperAscii(trimmed(line)) == "ERROR"))
        m_form = Form::Verbose;
}

void Exchange::finish(Result result, const std::string &line)
{
    noteForm(result, line);
    Outstanding out = std::move(m_out.front());
    m_out.pop_front();
    out.reply.result = result;
    out.reply.finalLine = trimmed(line);
    callState(upperAscii(trimmed(out.command.line)), result);
    end(std::move(out));
}

void Exchange::end(Outstanding out)
{
    if (out.typed) {
        emit typedAnswered(out.command.line, out.reply);
        return;
    }
    // Only a command whose payload went can still be answered for it.
    if (out.reply.end == Reply::End::TimedOut && out.command.late &&
        (out.command.payload.empty() || out.reply.prompted))
        m_late = out.command.late;
    if (out.command.done)
        out.command.done(out.reply);
}

// Calls are known from the results: CONNECT brings one up with data, OK to a voice dial or
// an answer brings one up, NO CARRIER or OK to a hang-up ends it.
void Exchange::callState(const std::string &command, Result result)
{
    if (result == Result::Connect) {
        setCall(true);
        m_dataMode = true;
        return;
    }
    if (result == Result::NoCarrier) {
        setCall(false);
        return;
    }
    m_dataMode = false; // any other result comes from command mode
    if (result != Result::Ok)
        return;
    if (startsWith(command, "ATH") || startsWith(command, "AT+CHUP"))
        setCall(false);
    else if ((startsWith(command, "ATD") && command.back() == ';') || startsWith(command, "ATA"))
        setCall(true);
}

// ---- Time-outs ----

void Exchange::arm()
{
    qint64 next = -1;
    for (const auto *list : {&m_queue, &m_out})
        for (const Outstanding &o : *list)
            if (next < 0 || o.deadline < next)
                next = o.deadline;
    if (next < 0) {
        m_timer->stop();
        return;
    }
    // Looked at again at least every second, so that a clock of the tests' own is followed.
    m_timer->start(int(std::clamp<qint64>(next - now(), 0, 1000)));
}

void Exchange::expire()
{
    const qint64 t = now();
    std::vector<Outstanding> ended;
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->deadline <= t) {
            it->reply.end = Reply::End::TimedOut;
            it->reply.sent = false;
            ended.push_back(std::move(*it));
            it = m_queue.erase(it);
        } else {
            ++it;
        }
    }
    // Only the first in flight can be overdue before those after it.
    while (!m_out.empty() && m_out.front().deadline <= t) {
        Outstanding out = std::move(m_out.front());
        m_out.pop_front();
        // A handset still waiting for the payload takes ESC as "no message" (TS 27.005 3.5.1).
        if (!out.command.payload.empty() && !out.reply.prompted && out.command.prompt == ">")
            m_write(QByteArrayLiteral("\x1b"));
        out.reply.end = Reply::End::TimedOut;
        m_line.clear();
        ended.push_back(std::move(out));
    }
    for (Outstanding &out : ended)
        end(std::move(out));
    dispatch();
    arm();
    noteBusy();
}

} // namespace modem
