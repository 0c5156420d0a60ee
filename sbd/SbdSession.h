#pragma once

#include "Exchange.h"
#include "SbdReply.h"

#include <QObject>
#include <deque>
#include <memory>
#include <optional>
#include <string>

class SmsLog;

// The SBD steps over the exchange, one after the other: writes a message and sends it in a
// session, checks the mailbox, reads a message that arrived at once (the next session would
// overwrite it), fetches again while more wait, and keeps the SBD log. QtCore only, for the
// window and the command line alike; each words the outcome its own way.
class SbdSession : public QObject
{
    Q_OBJECT
public:
    // Time-outs of one step. A session waits on the satellite link.
    static constexpr int CommandTimeoutMs = 20000;
    // Past the handset's own minute for the bytes, so that it is listening to commands again.
    static constexpr int BinaryWriteTimeoutMs = 65000;
    static constexpr int SessionTimeoutMs = 120000;

    struct Outcome
    {
        // A step ended without what it needed: which one, how (answer.end), and why in words
        // when the handset did answer.
        bool stepFailed = false;
        SbdReply::Command command = SbdReply::Command::Session;
        std::string line;
        int timeoutMs = 0;
        modem::Reply answer;
        std::string error;
        // The last session of the exchange reported a failure.
        bool sessionFailed = false;
        // What the last session said waits at the gateway.
        int queued = 0;
        // Still waiting after the message just read, and not fetched: worth offering.
        int waiting = 0;
    };

    SbdSession(modem::Exchange *exchange, SmsLog *log, QObject *parent = nullptr);

    // Each is false while an exchange of this one runs.
    // Writes the message (AT+SBDWT, or AT+SBDWB with its checksum) and sends it in a session.
    bool send(std::string bytes, bool asText);
    // A session with the outgoing buffer emptied first, so that an old message is not sent
    // again; with fetchAll, more sessions follow while messages wait.
    bool check(bool fetchAll);
    // A session with the buffers as they are: a message left unsent goes now.
    bool retry();
    bool read();
    bool clearBoth();
    bool resetMomsn();

    bool running() const { return m_reply != nullptr || !m_steps.empty(); }
    // A window's steps show on the terminal and count as busy, like its other commands.
    void setShown(bool shown) { m_shown = shown; }
    // Above 0: every step's time-out, in place of its own.
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }
    // Received messages are read with AT+SBDRT instead of AT+SBDRB.
    void setReadAsText(bool text) { m_readText = text; }
    // No further session for the messages still waiting.
    void stopFetching() { m_fetchAll = false; }
    bool fetchingAll() const { return m_fetchAll; }
    int lastMtmsn() const { return m_lastMtmsn; }
    int queued() const { return m_queued; }

signals:
    // bytes: the size of the message being written.
    void stepStarting(SbdReply::Command command, int bytes);
    // After its entry is logged and before the next step starts.
    void stepDone(const SbdReply &reply);
    void fetchingMore(int queued);
    void logFailed(const std::string &why);
    void finished(const SbdSession::Outcome &outcome);

private:
    struct Step
    {
        SbdReply::Command command;
        std::string line;
        std::string payload; // AT+SBDWB: the bytes and checksum to send after READY
        int timeoutMs;
    };

    bool start(std::deque<Step> steps, bool fetchAll = false);
    Step step(SbdReply::Command command, std::string line, int ownMs,
              std::string payload = {}) const;
    Step readStep() const;
    std::deque<Step> sessionSteps(bool clearOutgoing) const;
    void nextStep(bool first = false);
    void answered(const std::shared_ptr<SbdReply> &reply, const modem::Reply &answer);
    void sessionDone(const SbdReply &reply);
    void readDone(const SbdReply &reply);
    void end();
    void appendToLog(const std::string &entry);

    modem::Exchange *m_exchange;
    SmsLog *m_log;
    std::deque<Step> m_steps;
    std::shared_ptr<SbdReply> m_reply;
    std::string m_writing; // the message of the write under way
    // The message in the handset's outgoing buffer that no session has sent yet.
    std::optional<std::string> m_unsent;
    int m_lastMtmsn = -1;
    bool m_mtLogged = true;
    int m_queued = 0;
    bool m_fetchAll = false;
    bool m_readText = false;
    bool m_shown = true;
    int m_timeoutMs = 0;
    Outcome m_outcome;
};
