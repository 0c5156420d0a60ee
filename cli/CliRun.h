#pragma once

#include "ByteLink.h"
#include "DeliveryReports.h"
#include "Exchange.h"
#include "PortSettings.h"
#include "SbdSession.h"
#include "SmsLog.h"
#include "SmsRules.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class ReportListener;
class SmsSender;

// Exit codes, as the manual page states them.
namespace exitcode {
constexpr int Ok = 0;
constexpr int Failed = 1; // an error answer, a failed session, nothing at that index
constexpr int Usage = 2;
constexpr int TimedOut = 3;
constexpr int PortUnavailable = 4;
constexpr int PortLost = 5;
constexpr int Interrupted = 130; // a second Ctrl+C while the first was being handled
} // namespace exitcode

struct CliOptions
{
    QString port;
    PortSettings settings;
    int handshaking = 0;
    int timeoutMs = -1; // -1: each command's own
    bool json = false;
    QString logFolder; // empty: the window's
};

// One command of tandrel-cli on one open port, run through the exchange.
class CliRun : public QObject
{
    Q_OBJECT
public:
    CliRun(CliOptions options, QStringList command);
    ~CliRun() override;

    // Checks the command's arguments, opens the port and starts; the program's exit code
    // arrives through finished(), or at once when start() returns one.
    std::optional<int> start();
    // Ctrl+C or SIGTERM: a watch ends cleanly, other work ends with Interrupted.
    void interrupt();

signals:
    void finished(int code);

private:
    using Then = std::function<void(const modem::Reply &)>;

    std::optional<int> parseCommand();
    bool openPort(QString *error);
    void begin();
    void finish(int code);
    void submit(std::string line, Then then, int timeoutMs = -1);
    // Ends the run for a reply that is no success; false when the reply was one.
    bool failed(const modem::Reply &reply, const QString &what);
    void out(const QJsonObject &object, const QString &text);
    void progress(const QString &text);
    void error(const QString &text);
    void logSms(const std::string &entry);
    int commandTimeout(int ownMs) const;

    void runAt(int next);
    void runSmsSend();
    void routeReports(std::function<void()> then);
    void listenForReports();
    void showReport(const DeliveryReports::Message &m);
    void runSmsList();
    void runSmsRead();
    void runSmsDelete(int next);
    void runSmsWatch();
    void showIncoming(const smsrules::DisplayedMessage &part);
    void stopWatch();
    void setUpSbd();
    void runSbdSend();
    void sbdCheckRound();
    void sbdEnded(const SbdSession::Outcome &o);
    void sbdRoundEnded(bool ok, int queued, bool unread = false);
    void runStatus(int next);

    CliOptions m_options;
    QStringList m_command;
    QString m_verb;
    QStringList m_args;
    std::unique_ptr<ByteLink> m_link;
    modem::Exchange m_exchange;
    std::unique_ptr<SmsLog> m_smsLog, m_sbdLog;
    // After the exchange and the log it uses, so that it goes first.
    std::unique_ptr<SbdSession> m_sbd;
    SmsSender *m_sender = nullptr;
    bool m_finished = false;
    bool m_stopping = false;
    bool m_watching = false;

    // What the command needs, read from its arguments.
    QString m_to;
    std::string m_text;
    std::string m_bytes;
    bool m_sbdText = false;
    bool m_unread = false;
    bool m_report = false;
    int m_waitReportMs = 0; // 0: only ask for the report
    DeliveryReports m_reports;
    ReportListener *m_listener = nullptr;
    QTimer m_reportWait;
    int m_everyMinutes = 0;
    std::optional<std::string> m_oldCnmi;
    smsrules::PartCollector m_parts;
    int m_sbdReceived = 0;
    QTimer m_every;
    QJsonObject m_status;
};
