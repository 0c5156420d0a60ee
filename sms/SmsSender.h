#pragma once

#include "Exchange.h"
#include "SmsPduCodec.h"

#include <QObject>
#include <string>
#include <vector>

class SmsLog;

// Sends the parts of one message through the exchange: each part's PDU on the handset's
// "> " prompt, the next part only once the handset confirmed the one before, and the log
// entry written once, when the last part is confirmed (or when the handset confirms it after
// the time-out). QtCore only, for the window and the command line alike.
class SmsSender : public QObject
{
    Q_OBJECT
public:
    struct Outcome
    {
        bool sent = false;
        std::vector<int> references;          // the message reference of each confirmed part
        int failedPart = -1;                  // 0-based; -1 when none failed
        modem::Reply reply;                   // the answer that ended the send
        std::string logError;                 // sent, but the log could not be written
        std::vector<SmsPduCodec::Part> parts; // all of the message, sent or not

        // The handset never gave its "> ", so no part of this one went out.
        bool unprompted() const
        {
            return reply.end == modem::Reply::End::TimedOut && reply.sent && !reply.prompted;
        }
    };

    SmsSender(modem::Exchange *exchange, SmsLog *log, QObject *parent = nullptr);

    // False when a send is still running.
    bool send(std::vector<SmsPduCodec::Part> parts, std::string logEntry, int timeoutMs);
    bool sending() const { return !m_parts.empty(); }
    // A window's send is shown on the terminal and counts as busy, like its other commands.
    void setShown(bool shown) { m_shown = shown; }

    // "+CMGS: 12" somewhere in the answer: the handset took the message.
    static bool confirmed(const modem::Reply &reply);
    // Its reference, -1 without one.
    static int reference(const modem::Reply &reply);

signals:
    void partStarting(int part, int parts, const std::string &pdu);
    void partConfirmed(int part, int parts, int reference);
    // The last part's confirmation came after its time-out: the message went out after all,
    // and its entry is logged marked late. logError when the log could not be written.
    void confirmedLate(const std::string &line, const std::string &logError);
    void finished(const SmsSender::Outcome &outcome);

private:
    void sendPart();
    void answered(const modem::Reply &reply);
    void lateConfirmation(const std::string &entry, const std::string &line);

    modem::Exchange *m_exchange;
    SmsLog *m_log;
    std::vector<SmsPduCodec::Part> m_parts;
    size_t m_part = 0;
    std::string m_entry;
    int m_timeoutMs = 0;
    bool m_shown = false;
    Outcome m_outcome;
};
