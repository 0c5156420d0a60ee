#pragma once

#include "AtResult.h"

#include <QByteArray>
#include <QObject>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QTimer;

namespace modem {

// How a command ended, and what the handset said on the way.
struct Reply
{
    enum class End
    {
        Answered,
        TimedOut,
        CutOff // the port closed first
    };
    End end = End::Answered;
    Result result = Result::None;
    std::string finalLine;          // the final result as the handset sent it
    std::vector<std::string> lines; // information text: no echo, results or unsolicited lines
    bool sent = true;               // false when it timed out or was cut off still queued
    bool prompted = false;          // its prompt came and its payload went out

    bool answered() const { return end == End::Answered; }
    bool ok() const { return answered() && (result == Result::Ok || result == Result::Connect); }
    // The information text as the readers of listings take it: each line ended by CR LF.
    std::string text() const
    {
        std::string all;
        for (const std::string &line : lines)
            all += line + "\r\n";
        return all;
    }
};

struct Command
{
    std::string line; // sent with a carriage return
    // Written when the prompt arrives: ">" stands for the "> " of 3GPP TS 27.005 3.5.1 that
    // comes without a line end; any other text is a whole line ("READY").
    std::string payload;
    std::string prompt = ">";
    int timeoutMs = 20000;
    // Its echo and answer show on the terminal.
    bool shown = true;
    // The rest of an exchange under way (the next part of a message): it goes ahead of what
    // was queued meanwhile.
    bool next = false;
    // Answer lines a final-result check would misread (an SBD status digit, a text read back
    // that says "0"): the command takes them as information first.
    std::function<bool(const std::string &line)> claims;
    // Reads the answer as raw bytes from the end of the command line: returns how many bytes
    // the binary part took once it is whole, -1 before. The rest is read as lines.
    std::function<long long(const QByteArray &bytes)> binary;
    // A final result that is not this command's own (a stray OK before "+CMGS:") leaves it
    // waiting when this says no.
    std::function<bool(Result result, const Reply &soFar)> takesFinal;
    std::function<void(const Reply &)> done;
    // After a time-out, information lines that may still answer it; true when taken.
    std::function<bool(const std::string &line)> late;
};

// The one owner of the conversation with the modem: a queue with one command in flight,
// final results recognised by whole lines in every form, time-outs, unsolicited lines, the
// commands the operator types, and exclusive use of the port for raw transfers.
class Exchange : public QObject
{
    Q_OBJECT
public:
    explicit Exchange(QObject *parent = nullptr);
    ~Exchange() override;

    // Where command lines and payloads go (the port), and where received bytes go on to be
    // shown (the terminal).
    void setWriter(std::function<void(const QByteArray &)> write);
    void setDisplay(std::function<void(const QByteArray &)> show);
    // Milliseconds of a monotonic clock; tests give their own and call expire(). None: the
    // steady clock again.
    void setClock(std::function<qint64()> clock);

    // Queues a command; its done() is always called, once. Returns its number.
    int submit(Command command);
    // Forgets a command still queued; true when it was.
    bool cancel(int id);

    // A command is queued, in flight or typed and unanswered, or the port is leased; a
    // command that is not shown does not count.
    bool busy() const;
    // Nothing at all is queued or waits for its answer.
    bool idle() const { return m_queue.empty() && m_out.empty() && !leased(); }
    bool callUp() const { return m_callUp; }
    // Since CONNECT the bytes are a call's data, not answers.
    bool dataMode() const { return m_dataMode; }

    // Bytes from the port.
    void received(const QByteArray &bytes);
    // What the operator typed, already on its way to the port.
    void typed(const QByteArray &bytes);
    void opened();
    // Everything outstanding is cut off.
    void closed();

    // Lines starting with `prefix` (upper case) that answer no command, with the `following`
    // lines that belong to them (a "+CMT:" header and its PDU).
    void onUnsolicited(std::string prefix, int following,
                       std::function<void(const std::vector<std::string> &)> handler);
    // Every received line, whoever it answers.
    void onLine(std::function<void(const std::string &)> observer);

    // The port's bytes for one reader alone (a file transfer); false while a command is out.
    bool lease(std::function<void(const QByteArray &)> sink);
    void release();
    bool leased() const { return static_cast<bool>(m_lease); }
    // Raw bytes cross the line (a transfer, a binary answer): a typed key would spoil them.
    bool exclusive() const
    {
        return leased() ||
               (!m_out.empty() && m_out.front().command.binary && !m_out.front().binaryDone);
    }

    // Ends what is overdue by the clock.
    void expire();

    // Longest a command the operator typed holds back the queue: a dial waits for CONNECT.
    static constexpr int TypedWaitMs = 60000;

signals:
    void busyChanged(bool busy);
    void callChanged(bool up);
    // A command line the operator typed has its final result.
    void typedAnswered(const std::string &line, const modem::Reply &reply);

private:
    struct Outstanding
    {
        int id = 0;
        bool typed = false;
        Command command;
        Reply reply;
        qint64 deadline = 0;
        bool binaryDone = false;
        std::string payloadEcho; // looked for once the payload went
    };
    struct Handler
    {
        std::string prefix;
        int following = 0;
        std::function<void(const std::vector<std::string> &)> handle;
    };

    void processLines(const QByteArray &bytes, qsizetype from);
    void lineDone(const std::string &line, bool hidden);
    const Handler *handlerFor(const std::string &upper) const;
    void deliver(const Handler &handler, const std::string &line, bool hidden);
    void ring(const std::string &line, bool hidden);
    void finish(Result result, const std::string &line);
    void noteForm(Result result, const std::string &line);
    void end(Outstanding out);
    void sendPayload(Outstanding &out);
    void checkPrompt();
    void takeLinesBeforeBinary();
    void dispatch();
    void send(Outstanding &out);
    void arm();
    void noteBusy();
    void setCall(bool up);
    void callState(const std::string &command, Result result);
    bool hiding() const;
    void flushShown();
    Numeric numeric() const;
    qint64 now() const;

    std::function<void(const QByteArray &)> m_write, m_show, m_lease;
    std::function<qint64()> m_clock;
    std::deque<Outstanding> m_queue; // not sent yet
    std::deque<Outstanding> m_out;   // sent, waiting for their final results, in order
    std::vector<Handler> m_handlers;
    std::vector<std::function<void(const std::string &)>> m_observers;
    std::function<bool(const std::string &)> m_late;
    // The line being received, with backspaces applied; the bytes of it that are shown.
    std::string m_line;
    QByteArray m_shown;
    bool m_skipLf = false;
    QByteArray m_binary;
    std::string m_typedLine;
    // Lines still owed to an unsolicited header.
    std::vector<std::string> m_taking;
    const Handler *m_takingFor = nullptr;
    int m_owed = 0;
    enum class Form
    {
        Unknown,
        Verbose,
        Numeric
    } m_form = Form::Unknown;
    bool m_open = false;
    bool m_callUp = false;
    bool m_dataMode = false;
    bool m_busy = false;
    int m_nextId = 1;
    QTimer *m_timer;
};

} // namespace modem
