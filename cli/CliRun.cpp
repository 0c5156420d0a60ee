#include "CliRun.h"

#include "HandsetStatus.h"
#include "LinkFactory.h"
#include "ProgramFolders.h"
#include "ReportListener.h"
#include "SbdCodec.h"
#include "SbdReply.h"
#include "SmsPduCodec.h"
#include "SmsSender.h"
#include "Utf8.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <cstdio>
#include <set>
#include <unistd.h>

namespace {

constexpr int kCommandMs = 20000;
constexpr int kSendMs = 2 * 60 * 1000;

QString q(const std::string &s)
{
    return QString::fromStdString(s);
}

// The value after "+NAME:" of an answer line, or the line itself when it has no such prefix.
std::string infoValue(const modem::Reply &reply)
{
    for (const std::string &line : reply.lines) {
        if (line.empty())
            continue;
        if (line[0] == '+') {
            const size_t colon = line.find(':');
            if (colon != std::string::npos)
                return std::string(QString::fromStdString(line.substr(colon + 1))
                                       .trimmed()
                                       .remove(QLatin1Char('"'))
                                       .toStdString());
        }
        return line;
    }
    return {};
}

QJsonArray stringArray(const std::vector<std::string> &items)
{
    QJsonArray a;
    for (const std::string &s : items)
        a.append(q(s));
    return a;
}

QJsonObject messageObject(const char *type, const smsrules::DisplayedMessage &m, int parts)
{
    return {{"type", type},      {"received", m.received},
            {"head", q(m.head)}, {"address", q(m.address)},
            {"text", q(m.text)}, {"parts", parts}};
}

} // namespace

CliRun::CliRun(CliOptions options, QStringList command)
    : m_options(std::move(options)), m_command(std::move(command))
{
    m_exchange.setWriter([this](const QByteArray &bytes) {
        if (m_link)
            m_link->write(bytes);
    });
    m_every.setSingleShot(true);
    connect(&m_every, &QTimer::timeout, this, &CliRun::sbdCheckRound);
}

CliRun::~CliRun()
{
    if (m_link)
        m_link->close();
}

int CliRun::commandTimeout(int ownMs) const
{
    return m_options.timeoutMs > 0 ? m_options.timeoutMs : ownMs;
}

std::optional<int> CliRun::start()
{
    if (const std::optional<int> refused = parseCommand())
        return refused;
    // The logs go where the window keeps them, unless the station names a folder.
    std::string folder;
    if (!m_options.logFolder.isEmpty()) {
        folder = QFile::encodeName(m_options.logFolder).toStdString() + "/";
    } else {
        const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        const ProgramFolders folders(
            QFile::encodeName(QCoreApplication::applicationDirPath() + '/').toStdString(),
            QFile::encodeName(user).toStdString());
        folder = folders.writableDirectory();
    }
    const std::string fallback =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
            .toStdString();
    m_smsLog = std::make_unique<SmsLog>(folder + "SMSLog.txt", fallback);
    m_sbdLog = std::make_unique<SmsLog>(folder + "SBDLog.txt", fallback, "SBD log");
    setUpSbd();

    if (m_options.port.trimmed().isEmpty()) {
        error(QStringLiteral("No port is chosen: give --port or a --session file naming "
                             "one.\nTry 'tandrel-cli --help'."));
        return exitcode::Usage;
    }
    QString why;
    if (!openPort(&why)) {
        error(why);
        return exitcode::PortUnavailable;
    }
    QMetaObject::invokeMethod(this, &CliRun::begin, Qt::QueuedConnection);
    return std::nullopt;
}

std::optional<int> CliRun::parseCommand()
{
    auto usage = [this](const QString &text) {
        error(text + QStringLiteral("\nTry 'tandrel-cli --help'."));
        return exitcode::Usage;
    };
    if (m_command.isEmpty())
        return usage(QStringLiteral("No command given."));
    m_verb = m_command.takeFirst();
    if (m_verb == QLatin1String("sms") || m_verb == QLatin1String("sbd")) {
        if (m_command.isEmpty())
            return usage(QStringLiteral("'%1' needs a subcommand.").arg(m_verb));
        m_verb += ' ' + m_command.takeFirst();
    }
    // Options of the subcommands, each with its value where it has one.
    QStringList rest;
    QString text, hex, file, every;
    bool fromStdin = false;
    for (int i = 0; i < m_command.size(); ++i) {
        const QString a = m_command[i];
        auto value = [&](QString *into) {
            if (i + 1 >= m_command.size())
                return false;
            *into = m_command[++i];
            return true;
        };
        bool ok = true;
        if (m_verb == QLatin1String("at"))
            rest << a; // an AT line may itself begin with anything
        else if (a == QLatin1String("--to"))
            ok = value(&m_to);
        else if (a == QLatin1String("--text"))
            ok = value(&text);
        else if (a == QLatin1String("--hex"))
            ok = value(&hex);
        else if (a == QLatin1String("--file"))
            ok = value(&file);
        else if (a == QLatin1String("--every"))
            ok = value(&every);
        else if (a == QLatin1String("--unread"))
            m_unread = true;
        else if (a == QLatin1String("--report"))
            m_report = true;
        else if (a == QLatin1String("--wait-report")) {
            QString seconds;
            ok = value(&seconds);
            bool number = false;
            const double s = seconds.toDouble(&number);
            if (ok && (!number || s <= 0 || s > 7 * 86400))
                return usage(QStringLiteral("--wait-report needs a number of seconds."));
            m_report = true;
            m_waitReportMs = int(s * 1000);
        } else if (a == QLatin1String("-"))
            fromStdin = true;
        else if (a.startsWith('-') && a.size() > 1)
            return usage(QStringLiteral("Unknown option %1 for '%2'.").arg(a, m_verb));
        else
            rest << a;
        if (!ok)
            return usage(QStringLiteral("%1 needs a value.").arg(a));
    }
    m_args = rest;
    const int sources =
        int(!text.isNull()) + int(!hex.isNull()) + int(!file.isNull()) + int(fromStdin);
    auto readFile = [&](const QString &name, qint64 limit, QByteArray *into) -> std::optional<int> {
        QFile f(name);
        const bool opened = name == QLatin1String("-") ? f.open(stdin, QIODevice::ReadOnly)
                                                       : f.open(QIODevice::ReadOnly);
        if (!opened) {
            error(QStringLiteral("Cannot read %1: %2").arg(name, f.errorString()));
            return exitcode::Usage;
        }
        *into = f.read(limit + 1);
        return std::nullopt;
    };

    if (m_verb == QLatin1String("at")) {
        if (m_args.isEmpty())
            return usage(QStringLiteral("'at' needs at least one command line."));
        return std::nullopt;
    }
    if (m_verb == QLatin1String("status") || m_verb == QLatin1String("sms watch") ||
        m_verb == QLatin1String("sms list") || m_verb == QLatin1String("sbd check")) {
        if (!m_args.isEmpty())
            return usage(QStringLiteral("'%1' takes no argument %2.").arg(m_verb, m_args[0]));
        return std::nullopt;
    }
    if (m_verb == QLatin1String("sms read") || m_verb == QLatin1String("sms delete")) {
        if (m_args.isEmpty() || (m_verb == QLatin1String("sms read") && m_args.size() != 1))
            return usage(QStringLiteral("'%1' needs %2.")
                             .arg(m_verb, m_verb == QLatin1String("sms read")
                                              ? QStringLiteral("one INDEX")
                                              : QStringLiteral("INDEX...")));
        for (const QString &index : m_args) {
            bool number = false;
            if (index.toUInt(&number), !number)
                return usage(QStringLiteral("%1 is no message index (a number).").arg(index));
        }
        return std::nullopt;
    }
    if (m_verb == QLatin1String("sms send")) {
        if (m_to.isEmpty())
            return usage(QStringLiteral("'sms send' needs --to NUMBER."));
        const std::string refused = smsrules::AddressRefusals(m_to.toStdString());
        if (!refused.empty())
            return usage(QStringLiteral("The number %1 cannot contain \"%2\": use the digits 0-9, "
                                        "with + in front for an international number.")
                             .arg(m_to, q(refused)));
        if (sources != 1 || !hex.isNull())
            return usage(QStringLiteral("'sms send' needs one of --text TEXT, --file FILE or -."));
        QByteArray bytes = text.toUtf8();
        if (text.isNull())
            if (const auto failed =
                    readFile(fromStdin ? QStringLiteral("-") : file, 1 << 20, &bytes))
                return failed;
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1); // the line end a file or a pipe adds is no part of the message
        m_text = bytes.toStdString();
        if (m_text.empty())
            return usage(QStringLiteral("There is no message to send."));
        if (!tandrel::isValidUtf8(m_text))
            return usage(QStringLiteral("The message is not UTF-8 text."));
        if (smsrules::MeasureMessage(m_text).parts > SmsPduCodec::MaxParts)
            return usage(QStringLiteral("The message is too long to send, even in %1 parts.")
                             .arg(SmsPduCodec::MaxParts));
        return std::nullopt;
    }
    if (m_verb == QLatin1String("sbd send")) {
        if (sources != 1 || fromStdin)
            return usage(QStringLiteral("'sbd send' needs one of --text T, --hex H or --file F."));
        std::string why;
        if (!text.isNull()) {
            m_bytes = text.toStdString();
            m_sbdText = true;
            why = sbd::textProblem(m_bytes);
        } else if (!hex.isNull()) {
            if (sbd::parseHex(hex.toStdString(), &m_bytes, &why) && m_bytes.empty())
                why = "There are no bytes to send.";
        } else {
            QByteArray bytes;
            if (const auto failed = readFile(file, qint64(sbd::MaxBinaryLength), &bytes))
                return failed;
            m_bytes = bytes.toStdString();
            if (m_bytes.empty())
                why = "The file is empty: there is nothing to send.";
        }
        if (why.empty() && m_bytes.size() > sbd::MaxBinaryLength)
            why =
                "An SBD message holds at most " + std::to_string(sbd::MaxBinaryLength) + " bytes.";
        if (!why.empty())
            return usage(q(why));
        return std::nullopt;
    }
    if (m_verb == QLatin1String("sbd watch")) {
        bool ok = false;
        m_everyMinutes = every.toInt(&ok);
        if (!ok || m_everyMinutes < 1)
            return usage(QStringLiteral("'sbd watch' needs --every MINUTES (1 or more)."));
        return std::nullopt;
    }
    return usage(QStringLiteral("Unknown command '%1'.").arg(m_verb));
}

bool CliRun::openPort(QString *why)
{
    m_link = makeByteLink(m_options.port);
    if (!m_link->open(m_options.settings, m_options.handshaking, why)) {
        if (why->isEmpty())
            *why = QStringLiteral("Cannot open %1.").arg(m_options.port);
        // The link words its advice for the window.
        why->replace(QStringLiteral("choose another port in Set Port Properties"),
                     QStringLiteral("give another --port"));
        why->replace(QStringLiteral("log in again and choose Connect"),
                     QStringLiteral("log in again and run the command again"));
        m_link.reset();
        return false;
    }
    connect(m_link.get(), &ByteLink::received, this,
            [this](const QByteArray &bytes) { m_exchange.received(bytes); });
    connect(m_link.get(), &ByteLink::lost, this, [this](const QString &reason) {
        error(reason);
        m_link.reset();
        m_exchange.closed();
        finish(exitcode::PortLost);
    });
    m_exchange.opened();
    return true;
}

void CliRun::begin()
{
    if (m_verb == QLatin1String("at"))
        runAt(0);
    else if (m_verb == QLatin1String("sms send"))
        runSmsSend();
    else if (m_verb == QLatin1String("sms list"))
        runSmsList();
    else if (m_verb == QLatin1String("sms read"))
        runSmsRead();
    else if (m_verb == QLatin1String("sms delete"))
        runSmsDelete(0);
    else if (m_verb == QLatin1String("sms watch"))
        runSmsWatch();
    else if (m_verb == QLatin1String("sbd send"))
        runSbdSend();
    else if (m_verb == QLatin1String("sbd check") || m_verb == QLatin1String("sbd watch"))
        sbdCheckRound();
    else if (m_verb == QLatin1String("status"))
        runStatus(0);
}

void CliRun::finish(int code)
{
    if (m_finished)
        return;
    m_finished = true;
    std::fflush(stdout);
    emit finished(code);
}

void CliRun::interrupt()
{
    if (m_stopping) {
        finish(exitcode::Interrupted);
        return;
    }
    m_stopping = true;
    if (m_watching) {
        stopWatch();
        return;
    }
    error(QStringLiteral("Interrupted."));
    finish(exitcode::Interrupted);
}

void CliRun::submit(std::string line, Then then, int timeoutMs)
{
    modem::Command command;
    command.line = std::move(line);
    command.shown = false;
    command.timeoutMs = commandTimeout(timeoutMs > 0 ? timeoutMs : kCommandMs);
    command.done = [self = QPointer<CliRun>(this), then = std::move(then)](const modem::Reply &r) {
        if (self && !self->m_finished)
            then(r);
    };
    m_exchange.submit(std::move(command));
}

bool CliRun::failed(const modem::Reply &reply, const QString &what)
{
    if (reply.ok())
        return false;
    // What a script most often gets wrong: an index with nothing stored at it.
    if (reply.result == modem::Result::CmsError && modem::errorNumber(reply.finalLine) == 321) {
        error(QStringLiteral("The handset holds no message at that index (%1 answered %2).")
                  .arg(what, q(reply.finalLine)));
        finish(exitcode::Failed);
        return true;
    }
    if (reply.end == modem::Reply::End::TimedOut) {
        error(QStringLiteral("The handset did not answer %1 in time. Check the handset and its "
                             "cable, or give a longer --timeout.")
                  .arg(what));
        finish(exitcode::TimedOut);
    } else if (reply.end == modem::Reply::End::CutOff) {
        finish(exitcode::PortLost);
    } else {
        error(QStringLiteral("The handset answered %1 with %2.").arg(what, q(reply.finalLine)));
        finish(exitcode::Failed);
    }
    return true;
}

void CliRun::out(const QJsonObject &object, const QString &text)
{
    const QByteArray line =
        m_options.json ? QJsonDocument(object).toJson(QJsonDocument::Compact) : text.toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void CliRun::progress(const QString &text)
{
    if (isatty(STDERR_FILENO))
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

void CliRun::error(const QString &text)
{
    std::fprintf(stderr, "tandrel-cli: %s\n", text.toUtf8().constData());
}

void CliRun::logSms(const std::string &entry)
{
    std::string why;
    if (!m_smsLog->append(entry, &why))
        error(q(why) + QStringLiteral(" The message was not logged."));
}

// ---- at ----

void CliRun::runAt(int next)
{
    if (next >= m_args.size())
        return finish(exitcode::Ok);
    const std::string line = m_args[next].toStdString();
    submit(line, [this, next, line](const modem::Reply &reply) {
        if (reply.answered()) {
            QString text;
            for (const std::string &l : reply.lines)
                text += q(l) + '\n';
            text += q(reply.finalLine);
            out({{"type", "answer"},
                 {"line", q(line)},
                 {"answer", stringArray(reply.lines)},
                 {"result", q(reply.finalLine)},
                 {"ok", reply.ok()}},
                text);
            if (!reply.ok())
                return finish(exitcode::Failed);
        } else if (failed(reply, q(line))) {
            return;
        }
        runAt(next + 1);
    });
}

// ---- SMS ----

void CliRun::runSmsSend()
{
    SmsPduCodec codec;
    codec.RequestStatusReport = m_report;
    const smsrules::MessageSize size = smsrules::MeasureMessage(m_text);
    const std::string to = m_to.toStdString();
    constexpr int relativeVp = 255; // the window's default: the longest the network keeps it
    std::vector<SmsPduCodec::Part> parts;
    if (size.units <= size.single) {
        SmsPduCodec::Part part;
        part.pdu = codec.EncodeSubmit(to, "91", m_text, relativeVp, {}, 0, part.length);
        part.text = m_text;
        parts = {part};
    } else {
        parts = codec.EncodeSubmitParts(to, "91", m_text, relativeVp, {}, 0,
                                        int(QRandomGenerator::global()->bounded(256)),
                                        SmsPduCodec::AlphabetFor(m_text));
    }
    if (parts.empty() || parts.front().pdu.empty()) {
        error(QStringLiteral("The message cannot be encoded."));
        return finish(exitcode::Usage);
    }
    const std::string entry = smsrules::SentLogEntry(
        to, "Phone number",
        "Relative VP: " + q(smsrules::RelativeVpWords(relativeVp)).trimmed().toStdString() + "\n",
        m_text);
    m_sender = new SmsSender(&m_exchange, m_smsLog.get(), this);
    connect(m_sender, &SmsSender::partConfirmed, this, [this](int part, int count, int ref) {
        if (count > 1)
            progress(QStringLiteral("Part %1 of %2 sent (reference %3).")
                         .arg(part + 1)
                         .arg(count)
                         .arg(ref));
    });
    connect(m_sender, &SmsSender::confirmedLate, this,
            [this](const std::string &line, const std::string &logError) {
                error(QStringLiteral("The handset confirmed the message late (%1): it was sent "
                                     "after all, and is logged as sent.")
                          .arg(q(line)));
                if (!logError.empty())
                    error(q(logError) + QStringLiteral(" The message was sent but not logged."));
            });
    const int count = int(parts.size());
    const std::string number = DeliveryReports::ReportNumber(codec.DecodePdu(parts[0].pdu).Address);
    connect(
        m_sender, &SmsSender::finished, this, [this, count, number](const SmsSender::Outcome &o) {
            if (!o.sent) {
                const QString part = count > 1 ? QStringLiteral(" (part %1 of %2; the parts before "
                                                                "it went out)")
                                                     .arg(o.failedPart + 1)
                                                     .arg(count)
                                               : QString();
                if (o.unprompted())
                    error(QStringLiteral("The handset did not ask for the message (no \"> \" "
                                         "prompt came), so it was not sent%1.")
                              .arg(part));
                else if (o.reply.end == modem::Reply::End::TimedOut)
                    error(
                        QStringLiteral("The handset did not confirm the message in time%1. It may "
                                       "or may not have gone out, so it was not logged as sent.")
                            .arg(part));
                else if (o.reply.end == modem::Reply::End::CutOff)
                    error(QStringLiteral("The port closed before the handset confirmed the "
                                         "message%1.")
                              .arg(part));
                else
                    error(QStringLiteral("The message was not sent%1: the handset answered %2.")
                              .arg(part, q(o.reply.finalLine)));
                return finish(o.reply.end == modem::Reply::End::TimedOut ? exitcode::TimedOut
                              : o.reply.end == modem::Reply::End::CutOff ? exitcode::PortLost
                                                                         : exitcode::Failed);
            }
            if (!o.logError.empty())
                error(q(o.logError) + QStringLiteral(" The message was sent but not logged."));
            QJsonArray refs;
            QStringList words;
            for (int r : o.references) {
                refs.append(r);
                words << QString::number(r);
            }
            out({{"type", "sent"}, {"to", m_to}, {"parts", count}, {"references", refs}},
                QStringLiteral("Sent to %1, %2, reference%3 %4")
                    .arg(m_to,
                         count > 1 ? QStringLiteral("%1 parts").arg(count)
                                   : QStringLiteral("1 part"),
                         count > 1 ? QStringLiteral("s") : QString(),
                         words.join(QStringLiteral(" "))));
            if (!m_report || !m_waitReportMs)
                finish(exitcode::Ok);
            else
                m_reportWait.start(m_waitReportMs);
            if (m_report) // a report that came before the confirmation settles it here
                m_reports.add(number, o.references,
                              QDateTime::currentDateTime()
                                  .toString(QStringLiteral("dd/MM/yy HH:mm:ss"))
                                  .toStdString(),
                              DeliveryReports::Identity(m_text));
            if (!m_finished && m_reportWait.isActive())
                progress(QStringLiteral("Waiting for the delivery report..."));
        });
    auto send = [this, parts = std::move(parts), entry] {
        progress(parts.size() > 1 ? QStringLiteral("Sending %1 parts...").arg(parts.size())
                                  : QStringLiteral("Sending..."));
        m_sender->send(parts, entry, commandTimeout(kSendMs));
    };
    if (!m_report)
        return send();
    listenForReports();
    routeReports(send);
}

// Reports come whole (ds=1), the rest of the handset's setting kept.
void CliRun::routeReports(std::function<void()> then)
{
    submit("AT+CNMI?", [this, then](const modem::Reply &reply) {
        if (!reply.answered() && failed(reply, QStringLiteral("AT+CNMI?")))
            return;
        const std::string line = ReportListener::RouteLine(reply.ok() ? infoValue(reply) : "");
        submit(line, [this, line, then](const modem::Reply &set) {
            if (!set.answered() && failed(set, q(line)))
                return;
            if (!set.ok())
                error(QStringLiteral("The handset refused to pass on delivery reports (%1 "
                                     "answered %2): they may show only in a listing.")
                          .arg(q(line), q(set.finalLine)));
            then();
        });
    });
}

void CliRun::listenForReports()
{
    m_listener = new ReportListener(&m_exchange, commandTimeout(kCommandMs), this);
    m_listener->shown = false;
    m_listener->report = [this](const smsrules::DeliveryReport &r) {
        if (m_verb == QLatin1String("sms send"))
            return m_reports.feed(r);
        // A watch matches nothing: it shows each report as it comes.
        if (r.valid)
            out({{"type", "report"},
                 {"to", q(r.number)},
                 {"references", QJsonArray{r.reference}},
                 {"final", r.final},
                 {"delivered", r.delivered},
                 {"reason", r.delivered ? QString() : q(r.status)},
                 {"time", q(r.time)}},
                q(smsrules::ReportLine(r)));
        return false;
    };
    m_reports.log = [this](const std::string &entry) {
        logSms(entry);
        return true;
    };
    m_reports.settled = [this](const DeliveryReports::Message &m) { showReport(m); };
    m_reportWait.setSingleShot(true);
    connect(&m_reportWait, &QTimer::timeout, this, [this] {
        error(QStringLiteral("No delivery report came in %1 seconds. The message was sent; "
                             "its report may still come to the window or to 'sms watch'.")
                  .arg(m_waitReportMs / 1000.0));
        finish(exitcode::TimedOut);
    });
}

void CliRun::showReport(const DeliveryReports::Message &m)
{
    const bool delivered = m.state == DeliveryReports::State::Delivered;
    QJsonArray refs;
    QStringList words;
    for (int r : m.references) {
        refs.append(r);
        words << QString::number(r);
    }
    out({{"type", "report"},
         {"to", q(m.number)},
         {"references", refs},
         {"delivered", delivered},
         {"reason", q(m.reason)},
         {"time", q(m.time)},
         {"sent", q(m.sentAt)}},
        delivered ? QStringLiteral("Delivered to %1 (reference%2 %3), %4")
                        .arg(q(m.number), words.size() > 1 ? QStringLiteral("s") : QString(),
                             words.join(' '), q(m.time))
                  : QStringLiteral("Not delivered to %1 (reference%2 %3): %4, %5")
                        .arg(q(m.number), words.size() > 1 ? QStringLiteral("s") : QString(),
                             words.join(' '), q(m.reason), q(m.time)));
    if (m_reportWait.isActive()) {
        m_reportWait.stop();
        finish(delivered ? exitcode::Ok : exitcode::Failed);
    }
}

void CliRun::runSmsList()
{
    const std::string line = m_unread ? "AT+CMGL=0" : "AT+CMGL=4";
    submit(line, [this, line](const modem::Reply &reply) {
        if (failed(reply, q(line)))
            return;
        const std::string answer = reply.text();
        if (smsrules::IsTextModeListing(answer)) {
            error(QStringLiteral("The handset lists messages as text (AT+CMGF=1). Switch it to "
                                 "PDU mode with: tandrel-cli at AT+CMGF=0"));
            return finish(exitcode::Failed);
        }
        std::vector<smsrules::ListedPdu> listed;
        for (const smsrules::ListedPdu &item : smsrules::SplitListing(answer))
            if (!item.index.empty())
                listed.push_back(item);
        std::set<std::string> unread;
        for (const std::string &index : smsrules::UnreadIndexes(answer))
            unread.insert(index);
        const std::vector<smsrules::ListedMessage> messages = smsrules::JoinListing(listed);
        // A person would otherwise not know the listing ran; a script counts zero lines.
        if (messages.empty() && !m_options.json)
            out({}, m_unread ? QStringLiteral("No unread messages.")
                             : QStringLiteral("No messages stored."));
        for (const smsrules::ListedMessage &m : messages) {
            const std::string head =
                m.parts > 1 ? m.shown.head + "\n" + smsrules::PartsLine(m.parts) : m.shown.head;
            // Listing marks an unread message read: it is logged now or never.
            const bool wasUnread =
                std::any_of(m.indexes.begin(), m.indexes.end(),
                            [&](const std::string &i) { return unread.count(i); });
            if (wasUnread)
                logSms(smsrules::ReceivedLogEntry(head, m.shown.text));
            QJsonObject o = messageObject("message", m.shown, m.parts);
            o.insert("indexes", stringArray(m.indexes));
            o.insert("unread", wasUnread);
            out(o, QStringLiteral("[%1]%2\n%3\n%4\n")
                       .arg(q(smsrules::ListLabel(m)),
                            wasUnread ? QStringLiteral(" unread") : QString(), q(head),
                            q(m.shown.text)));
        }
        finish(exitcode::Ok);
    });
}

void CliRun::runSmsRead()
{
    const std::string index = m_args[0].toStdString();
    const std::string line = "AT+CMGR=" + index;
    submit(line, [this, line, index](const modem::Reply &reply) {
        if (failed(reply, q(line)))
            return;
        const smsrules::ListedPdu item = smsrules::ReadAnswer(reply.text(), index);
        const smsrules::DisplayedMessage m = smsrules::DisplayPdu(item.pdu);
        if (item.pdu.empty() || !m.valid) {
            error(
                QStringLiteral("The handset holds no readable message at index %1.").arg(q(index)));
            return finish(exitcode::Failed);
        }
        const int parts = m.parts > 1 ? m.parts : 1;
        QJsonObject o = messageObject("message", m, parts);
        o.insert("indexes", QJsonArray{q(index)});
        if (m.parts > 1)
            o.insert("part", m.part);
        out(o, q(m.head) +
                   (m.parts > 1 ? '\n' + q(smsrules::PartLine(m.part, m.parts)) : QString()) +
                   '\n' + q(m.text));
        finish(exitcode::Ok);
    });
}

void CliRun::runSmsDelete(int next)
{
    if (next >= m_args.size())
        return finish(exitcode::Ok);
    const std::string line = "AT+CMGD=" + m_args[next].toStdString();
    submit(line, [this, next, line](const modem::Reply &reply) {
        if (failed(reply, q(line)))
            return;
        out({{"type", "deleted"}, {"index", m_args[next]}},
            QStringLiteral("Deleted %1").arg(m_args[next]));
        runSmsDelete(next + 1);
    });
}

void CliRun::runSmsWatch()
{
    listenForReports();
    m_exchange.onUnsolicited("+CMT:", 1, [this](const std::vector<std::string> &lines) {
        for (const smsrules::ListedPdu &item :
             smsrules::SplitListing(lines[0] + "\r\n" + lines[1] + "\r\n"))
            showIncoming(smsrules::DisplayPdu(item.pdu));
    });
    m_exchange.onUnsolicited("+CMTI:", 0, [this](const std::vector<std::string> &lines) {
        const size_t comma = lines[0].rfind(',');
        if (comma == std::string::npos)
            return;
        const std::string index =
            QString::fromStdString(lines[0].substr(comma + 1)).trimmed().toStdString();
        submit("AT+CMGR=" + index, [this, index](const modem::Reply &reply) {
            if (!reply.ok()) {
                error(QStringLiteral("The new message at index %1 could not be read (%2).")
                          .arg(q(index), q(reply.finalLine)));
                return;
            }
            const smsrules::ListedPdu item = smsrules::ReadAnswer(reply.text(), index);
            showIncoming(smsrules::DisplayPdu(item.pdu));
        });
    });
    // What the handset did with new messages before, to put back when the watch ends.
    submit("AT+CNMI?", [this](const modem::Reply &reply) {
        if (reply.ok()) {
            const std::string value = infoValue(reply);
            if (!value.empty())
                m_oldCnmi = value;
        } else if (reply.end != modem::Reply::End::Answered) {
            failed(reply, QStringLiteral("AT+CNMI?"));
            return;
        }
        // Reports too (ds=1), so that those arriving meanwhile are shown.
        submit("AT+CNMI=2,2,0,1", [this](const modem::Reply &set) {
            if (failed(set, QStringLiteral("AT+CNMI=2,2,0,1")))
                return;
            m_watching = true;
            // Said always, not only to a terminal: a script starts its senders on it.
            error(QStringLiteral("waiting for messages; Ctrl+C ends."));
            if (m_stopping)
                stopWatch();
        });
    });
}

void CliRun::showIncoming(const smsrules::DisplayedMessage &part)
{
    if (!part.valid)
        return;
    // As the window logs it: each part as it arrives, the whole once every part is here.
    if (part.parts <= 1) {
        logSms(smsrules::ReceivedLogEntry(part.head, part.text));
        out(messageObject("message", part, 1), q(part.head) + '\n' + q(part.text) + '\n');
        return;
    }
    logSms(smsrules::ReceivedLogEntry(part.head + "\n" + smsrules::PartLine(part.part, part.parts),
                                      part.text));
    std::string whole;
    if (!m_parts.add(part, &whole))
        return;
    const std::string head = part.head + "\n" + smsrules::PartsLine(part.parts);
    logSms(smsrules::ReceivedLogEntry(head, whole));
    smsrules::DisplayedMessage m = part;
    m.head = head;
    m.text = whole;
    out(messageObject("message", m, part.parts), q(head) + '\n' + q(whole) + '\n');
}

void CliRun::stopWatch()
{
    m_watching = false;
    if (m_verb == QLatin1String("sbd watch")) {
        m_every.stop();
        m_sbd->stopFetching();
        // A session under way is let finish: its messages are read and logged first.
        if (m_exchange.idle())
            finish(exitcode::Ok);
        return;
    }
    if (!m_oldCnmi) {
        error(QStringLiteral("The handset did not say how it reported new messages before; "
                             "it is left at AT+CNMI=2,2,0,1."));
        return finish(exitcode::Ok);
    }
    const std::string line = "AT+CNMI=" + *m_oldCnmi;
    submit(line, [this, line](const modem::Reply &reply) {
        if (!reply.ok())
            error(QStringLiteral("The handset's setting %1 could not be put back (%2).")
                      .arg(q(line), q(reply.finalLine)));
        finish(exitcode::Ok);
    });
}

// ---- SBD ----

// What the SBD steps tell, as this command says it; the steps and the log are SbdSession's.
void CliRun::setUpSbd()
{
    m_sbd = std::make_unique<SbdSession>(&m_exchange, m_sbdLog.get());
    m_sbd->setShown(false);
    m_sbd->setTimeoutMs(m_options.timeoutMs);
    connect(m_sbd.get(), &SbdSession::stepStarting, this, [this](SbdReply::Command command) {
        if (command == SbdReply::Command::Session && m_verb == QLatin1String("sbd send"))
            progress(
                QStringLiteral("Session with the satellite network; this can take a minute..."));
        else if (command == SbdReply::Command::ReadBinary)
            progress(QStringLiteral("Reading the received message..."));
    });
    connect(m_sbd.get(), &SbdSession::stepDone, this, [this](const SbdReply &reply) {
        if (m_finished)
            return;
        if (reply.command() == SbdReply::Command::Session) {
            const sbd::SessionResult &r = reply.session();
            if (m_verb == QLatin1String("sbd send") && r.sent())
                out({{"type", "sbd-sent"}, {"momsn", r.momsn}, {"bytes", int(m_bytes.size())}},
                    QStringLiteral("Sent, MOMSN %1, %2 bytes").arg(r.momsn).arg(m_bytes.size()));
            if (r.failed())
                error(q(sbd::describeSession(r)));
        } else if (reply.command() == SbdReply::Command::ReadBinary) {
            const std::string &message = reply.message();
            const int mtmsn = m_sbd->lastMtmsn();
            ++m_sbdReceived;
            out({{"type", "sbd-message"},
                 {"mtmsn", mtmsn},
                 {"bytes", int(message.size())},
                 {"text", q(sbd::printable(message))},
                 {"hex", q(sbd::toHex(message))}},
                QStringLiteral("Received, MTMSN %1, %2 bytes\nText: %3\nHex: %4")
                    .arg(mtmsn)
                    .arg(message.size())
                    .arg(q(sbd::printable(message)), q(sbd::toHex(message))));
        }
    });
    connect(m_sbd.get(), &SbdSession::fetchingMore, this, [this](int queued) {
        progress(QStringLiteral("%1 more waiting at the gateway...").arg(queued));
    });
    connect(m_sbd.get(), &SbdSession::logFailed, this, [this](const std::string &why) {
        error(q(why) + QStringLiteral(" The message was not logged."));
    });
    connect(m_sbd.get(), &SbdSession::finished, this, &CliRun::sbdEnded);
}

void CliRun::runSbdSend()
{
    progress(
        QStringLiteral("Writing the message (%1 bytes) to the handset...").arg(m_bytes.size()));
    m_sbd->send(m_bytes, m_sbdText);
}

void CliRun::sbdEnded(const SbdSession::Outcome &o)
{
    if (m_finished)
        return;
    const bool reading =
        o.command == SbdReply::Command::ReadText || o.command == SbdReply::Command::ReadBinary;
    if (o.stepFailed) {
        const bool writing = o.command == SbdReply::Command::WriteText ||
                             o.command == SbdReply::Command::WriteBinary;
        // Its status digit is all AT+SBDD0 says: any other answer is the handset's refusal.
        if (!o.answer.answered() || (o.command == SbdReply::Command::Clear && !o.answer.ok())) {
            failed(o.answer, writing ? QStringLiteral("the write of the message")
                             : reading
                                 ? QStringLiteral("the read of the received message (AT+SBDRB)")
                             : o.command == SbdReply::Command::Session
                                 ? QStringLiteral("the SBD session (AT+SBDI)")
                                 : q(o.line));
            return;
        }
        if (writing) {
            error(q(o.error) + QStringLiteral(" The message was not sent."));
            return finish(exitcode::Failed);
        }
        error(q(o.error));
    }
    // A message that could not be read ends the fetching, not the session's success.
    const bool ok = !o.sessionFailed && (!o.stepFailed || reading);
    if (m_verb == QLatin1String("sbd send"))
        return finish(ok ? exitcode::Ok : exitcode::Failed);
    sbdRoundEnded(ok, o.stepFailed ? 0 : o.queued, o.stepFailed && reading);
}

void CliRun::sbdCheckRound()
{
    const bool watch = m_verb == QLatin1String("sbd watch");
    if (watch)
        m_watching = !m_stopping;
    m_sbdReceived = 0;
    progress(QStringLiteral("Session with the satellite network; this can take a minute..."));
    m_sbd->check(true);
}

// Once no more messages wait at the gateway, or the fetching stopped: the summary.
// unread: a message arrived but could not be read; the next session overwrites it, so a check
// that leaves it behind has not done its work.
void CliRun::sbdRoundEnded(bool ok, int queued, bool unread)
{
    const bool watch = m_verb == QLatin1String("sbd watch");
    out({{"type", "sbd-check"}, {"received", m_sbdReceived}, {"queued", queued}, {"ok", ok}},
        ok ? QStringLiteral("Mailbox checked: %1 message%2 received.")
                 .arg(m_sbdReceived)
                 .arg(m_sbdReceived == 1 ? QString() : QStringLiteral("s"))
           : QStringLiteral("The session failed; %1 message%2 received.")
                 .arg(m_sbdReceived)
                 .arg(m_sbdReceived == 1 ? QString() : QStringLiteral("s")));
    if (!watch)
        return finish(ok && !unread ? exitcode::Ok : exitcode::Failed);
    if (m_stopping)
        return finish(exitcode::Ok);
    m_every.start(m_everyMinutes * 60000);
}

// ---- status ----

void CliRun::runStatus(int next)
{
    static const char *const lines[] = {"AT+CSQ", "AT+CREG?", "AT+CGMI", "AT+CGMM", "AT+CGSN"};
    static const char *const fields[] = {"signal", "registration", "manufacturer", "model", "imei"};
    if (next == 5) {
        HandsetStatus s;
        s.feed(m_status.value("signal").toString().toStdString() + "\r\n" +
               m_status.value("registration").toString().toStdString() + "\r\n");
        QJsonObject o{
            {"type", "status"},
            {"signal", s.bars() >= 0 ? QJsonValue(s.bars()) : QJsonValue()},
            {"registration", s.registration() >= 0 ? QJsonValue(s.registration()) : QJsonValue()},
            {"manufacturer", m_status.value("manufacturer")},
            {"model", m_status.value("model")},
            {"imei", m_status.value("imei")}};
        auto shown = [&](const char *field) {
            const QString v = m_status.value(field).toString();
            return v.isEmpty() ? QStringLiteral("(no answer)") : v;
        };
        out(o, QStringLiteral("Signal: %1\nRegistration: %2\nManufacturer: %3\nModel: %4\n"
                              "IMEI: %5")
                   .arg(s.bars() >= 0 ? QStringLiteral("%1 of 5").arg(s.bars())
                                      : QStringLiteral("(no answer)"),
                        s.registration() >= 0 ? q(HandsetStatus::registrationWord(s.registration()))
                                              : QStringLiteral("(no answer)"),
                        shown("manufacturer"), shown("model"), shown("imei")));
        return finish(exitcode::Ok);
    }
    submit(lines[next], [this, next](const modem::Reply &reply) {
        if (!reply.answered() && failed(reply, q(lines[next])))
            return;
        // Signal and registration keep their lines whole, for the reader that knows them.
        if (reply.ok())
            m_status.insert(fields[next],
                            next < 2 ? q(reply.lines.empty() ? std::string() : reply.lines.front())
                                     : q(infoValue(reply)));
        else
            m_status.insert(fields[next], QJsonValue());
        runStatus(next + 1);
    });
}
