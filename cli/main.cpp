#include "CliRun.h"
#include "PortSettings.h"
#include "SessionRecord.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const char kCommands[] =
    "Commands:\n"
    "  at LINE...                      send each line, print the answers\n"
    "  sms send --to NUMBER (--text TEXT | --file FILE | -) [--report]\n"
    "           [--wait-report S]      send a message (in linked parts when long); ask for a\n"
    "                                  delivery report, and wait up to S seconds for it\n"
    "  sms list [--unread]             list the messages the handset holds\n"
    "  sms read INDEX                  show one message\n"
    "  sms delete INDEX...             delete messages\n"
    "  sms watch                       print and log messages as they arrive, until Ctrl+C\n"
    "  sbd send (--text T | --hex H | --file F)\n"
    "                                  send an SBD message in a session\n"
    "  sbd check                       fetch every waiting SBD message\n"
    "  sbd watch --every MINUTES       check the SBD mailbox every MINUTES, until Ctrl+C\n"
    "  status                          signal, registration, manufacturer, model, IMEI\n"
    "\n"
    "Exit codes: 0 done, 1 the handset answered with an error, a session failed or the\n"
    "message was not delivered, 2 usage error, 3 time-out (no delivery report in S\n"
    "seconds included), 4 the port cannot be opened or is in use, 5 the port\n"
    "went away, 130 interrupted. See tandrel-cli(1).\n";

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The same per-user folder as the window program.
    QCoreApplication::setApplicationName(QStringLiteral("tandrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TANDREL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Drives a satellite handset on a serial port from scripts.\n\n") +
        QLatin1String(kCommands));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The port: COMn, a device path, a by-id name or "
                                                 "SIMULATOR."),
                                  QStringLiteral("P"));
    const QCommandLineOption session(QStringLiteral("session"),
                                     QStringLiteral("Take the port and its settings from a "
                                                    "session file saved by the window."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Bits per second."),
                                  QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait for each answer (default: "
                                                    "20, 120 for sends and sessions)."),
                                     QStringLiteral("S"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("One JSON object per line on standard output."));
    const QCommandLineOption logFolder(QStringLiteral("log-folder"),
                                       QStringLiteral("Where SMSLog.txt and SBDLog.txt go "
                                                      "(default: where the window keeps them)."),
                                       QStringLiteral("DIR"));
    parser.addOptions({port, session, baud, timeout, json, logFolder});
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("See Commands."),
                                 QStringLiteral("COMMAND ..."));
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "tandrel-cli: %s\nTry 'tandrel-cli --help'.\n",
                     parser.errorText().toUtf8().constData());
        return exitcode::Usage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // The parser names the program by the path it was started with.
        QString help = parser.helpText();
        const QString started = QStringLiteral("Usage: ") + app.arguments().value(0);
        if (help.startsWith(started))
            help.replace(0, started.size(), QStringLiteral("Usage: tandrel-cli"));
        std::fputs(help.toUtf8().constData(), stdout);
        return exitcode::Ok;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::puts("tandrel-cli " TANDREL_VERSION);
        return exitcode::Ok;
    }
    auto usage = [](const QString &text) {
        std::fprintf(stderr, "tandrel-cli: %s\nTry 'tandrel-cli --help'.\n",
                     text.toUtf8().constData());
        return exitcode::Usage;
    };

    CliOptions options;
    std::string settings = "19200,n,8,1";
    if (parser.isSet(session)) {
        const QString file = parser.value(session);
        // The loader falls back to the default session; a station must not talk to another
        // port than the one it named.
        if (!QFile::exists(file))
            return usage(QStringLiteral("The session file %1 does not exist.").arg(file));
        SessionRecord record;
        if (record.LoadSession(QFile::encodeName(file).toStdString()) != 0)
            return usage(QStringLiteral("The session file %1 cannot be read.").arg(file));
        options.port = QString::fromStdString(record.value(SessionTag::Com));
        settings = record.value(SessionTag::Settings);
        options.handshaking = std::max(0, handshakingForFlow(record.value(SessionTag::Flow)));
    }
    if (parser.isSet(port))
        options.port = parser.value(port);
    std::string why;
    if (!PortSettings::parse(settings, &options.settings, &why))
        return usage(QStringLiteral("The port settings %1 cannot be used: %2")
                         .arg(QString::fromStdString(settings), QString::fromStdString(why)));
    if (parser.isSet(baud)) {
        bool ok = false;
        options.settings.baud = parser.value(baud).toInt(&ok);
        if (!ok || options.settings.baud <= 0)
            return usage(QStringLiteral("--baud needs a number of bits per second."));
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 86400)
            return usage(QStringLiteral("--timeout needs a number of seconds."));
        options.timeoutMs = int(seconds * 1000);
    }
    options.json = parser.isSet(json);
    options.logFolder = parser.value(logFolder);

    CliRun run(options, parser.positionalArguments());
    if (const std::optional<int> code = run.start())
        return *code;
    QObject::connect(
        &run, &CliRun::finished, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);

    // Signals reach the event loop through a pipe, so the run ends between commands.
    if (pipe(signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &run, [&run] {
            char byte;
            if (read(signalPipe[0], &byte, 1) == 1)
                run.interrupt();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    return app.exec();
}
