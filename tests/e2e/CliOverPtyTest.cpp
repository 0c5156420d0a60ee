#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "SmsRules.h"
#include "TForm1.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <csignal>

// tandrel-cli as a script runs it, against the simulated handset on a pseudo-terminal.
class CliOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

    struct Run
    {
        int code = -1;
        QByteArray out, err;
    };

    void startCli(QProcess &p, const QStringList &args)
    {
        p.start(TANDREL_CLI, QStringList{"--port", link(), "--log-folder", dir.path()} + args);
    }

    Run cli(const QStringList &args)
    {
        QProcess p;
        startCli(p, args);
        p.waitForFinished(60000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), p.readAllStandardError()};
    }

    // `sms watch` started and telling the operator it waits.
    bool startWatch(QProcess &watch)
    {
        startCli(watch, {"sms", "watch"});
        return QTest::qWaitFor([&] { return watch.readAllStandardError().contains("waiting"); },
                               15000);
    }

    static QList<QJsonObject> objects(const QByteArray &out)
    {
        QList<QJsonObject> all;
        for (const QByteArray &line : out.split('\n'))
            if (!line.isEmpty())
                all << QJsonDocument::fromJson(line).object();
        return all;
    }

private slots:
    void everyCommand_data() { addAnswerFormRows(); }

    void everyCommand()
    {
        QFETCH(QStringList, modes);
        if (!plugIn(sim, link(), modes))
            return;

        struct Case
        {
            QStringList args;
            int code;
            QByteArray said; // in its output or errors
        };
        const QList<Case> cases = {
            {{"at", "AT", "AT+CGMI"}, 0, "Tandrel"},
            {{"at", "AT+NOSUCH"}, 1, ""},
            {{"at"}, 2, "needs at least one"},
            {{"sms", "send", "--to", "1", "--text", "x", "--wait-report", "soon"}, 2, "seconds"},
            {{"--help"}, 0, "Usage: tandrel-cli [options]"},
            {{"sms", "read", "999"}, 1, "999"},
        };
        for (const Case &c : cases) {
            const Run r = cli(c.args);
            QVERIFY2(r.code == c.code && (r.out + r.err).contains(c.said),
                     qPrintable(c.args.join(' ') + " -> " + QString::number(r.code) + "\n" + r.out +
                                r.err));
        }

        // The status as another language reads it, each value of its own JSON type.
        QProcess py;
        py.start("python3", {"-c", "import json,sys; o=json.loads(sys.stdin.readline()); "
                                   "print(repr((o['type'], o['signal'], o['imei'])))"});
        py.write(cli({"--json", "status"}).out);
        py.closeWriteChannel();
        QVERIFY(py.waitForFinished(15000));
        QCOMPARE(py.readAllStandardOutput().trimmed(),
                 QByteArray("('status', 4, '300215010042817')"));

        // A long Unicode message goes in linked parts, reads back whole, is logged once.
        const QString text =
            QString("Füllstand Tank 3 überschritten — ") + QString("ÄÖÜ ").repeated(40);
        Run r = cli({"--json", "sms", "send", "--to", "+881631234567", "--text", text});
        QCOMPARE(r.code, 0);
        QVERIFY(objects(r.out).value(0).value("parts").toInt() > 1);
        const QByteArray sent = QByteArray::fromStdString(smsrules::SentLogEntry(
            "+881631234567", "Phone number", "Relative VP: 63 weeks\n", text.toStdString()));
        QCOMPARE(log(), sent);
        // The simulator loops a message to its own number back into its store.
        QList<QJsonObject> listed;
        QVERIFY(QTest::qWaitFor(
            [&] {
                listed = objects(cli({"--json", "sms", "list"}).out);
                return !listed.isEmpty() && listed.last().value("text").toString() == text;
            },
            20000));
        const QJsonArray indexes = listed.last().value("indexes").toArray();
        r = cli({"--json", "sms", "read", indexes.first().toString()});
        const QString part = objects(r.out).value(0).value("text").toString();
        QVERIFY2(r.code == 0 && !part.isEmpty() && text.startsWith(part), r.out + r.err);
        QStringList toDelete{"sms", "delete"};
        for (const QJsonValue &i : indexes)
            toDelete << i.toString();
        QCOMPARE(cli(toDelete).code, 0);
        QVERIFY(objects(cli({"--json", "sms", "list"}).out).isEmpty());

        // Watching: two messages printed and logged, then Ctrl+C puts the handset back.
        const QByteArray before = cli({"at", "AT+CNMI?"}).out;
        QFile::remove(dir.filePath("SMSLog.txt"));
        QProcess watch;
        QVERIFY(startWatch(watch));
        QVERIFY(sim->events({"sms 12025550143 First alarm", "sms 12025550143 Second alarm"}));
        QByteArray shown;
        QVERIFY(QTest::qWaitFor(
            [&] {
                shown += watch.readAllStandardOutput();
                return shown.contains("Second alarm");
            },
            15000));
        ::kill(pid_t(watch.processId()), SIGINT);
        QVERIFY(watch.waitForFinished(15000));
        QCOMPARE(watch.exitCode(), 0);
        QVERIFY2(shown.contains("First alarm"), shown);
        QCOMPARE(log().count("[RECEIVED]"), 2);
        QVERIFY(log().contains("First alarm") && log().contains("Second alarm"));
        QCOMPARE(cli({"at", "AT+CNMI?"}).out, before);

        // An SBD mailbox of three: fetched one session after another, each logged.
        QVERIFY(sim->events({"sbd one", "sbd two", "sbd three"}));
        r = cli({"--json", "sbd", "check"});
        QCOMPARE(r.code, 0);
        const QList<QJsonObject> got = objects(r.out);
        QCOMPARE(got.size(), 4);
        QCOMPARE(got[2].value("text").toString(), QString("three"));
        QCOMPARE(got[3].value("received").toInt(), 3);
        QCOMPARE(log("SBDLog.txt").count("MTMSN"), 3);
        r = cli({"sbd", "send", "--hex", "48 69"});
        QVERIFY2(r.code == 0 && r.out.contains("MOMSN"), r.out + r.err);
        // A message spoilt on the line is not in hand: the check fails, and says to read again.
        QVERIFY(sim->events({"sbd-badsum", "sbd spoilt"}));
        r = cli({"sbd", "check"});
        QVERIFY2(r.code == 1 && r.err.contains("checksum does not match"), r.out + r.err);

        // Delivery reports waited for: the exit code tells, the log entry is the window's.
        for (const auto &[outcome, code, reason, entry] :
             {std::tuple{"delivered", 0, "", "[DELIVERED]\nTo: +8816123456\nMessage reference: "},
              std::tuple{"failed expired", 1, "validity period expired",
                         "Not delivered: validity period expired, "}}) {
            QFile::remove(dir.filePath("SMSLog.txt"));
            QCOMPARE(sim->event(QString("report auto 1 ") + outcome), QString("ok"));
            r = cli({"--json", "sms", "send", "--to", "+8816123456", "--text", "Pump 3",
                     "--wait-report", "20"});
            QVERIFY2(r.code == code && objects(r.out).value(1).value("reason").toString() == reason,
                     r.out + r.err);
            QVERIFY2(log().contains(entry) && log().endsWith("Pump 3\n\n"), log());
        }
        QCOMPARE(sim->event("report auto off"), QString("ok"));

        // A handset that never answers: a time-out, not a hang.
        QCOMPARE(sim->event("prompt off"), QString("ok"));
        QCOMPARE(cli({"--timeout", "1", "at", "AT+CMGS=10"}).code, 3);
    }

    // The window and the command line on one port: the second is refused, either way.
    void portInUse()
    {
        if (!startOnSim())
            return;
        const Run r = cli({"at", "AT"});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("in use"), r.err);
        endProgram(dir.path());

        QProcess watch;
        QVERIFY(startWatch(watch));
        startProgram(dir.path(), dir.filePath("pty.sms"));
        QVERIFY(!Form1->SaxComm1->PortOpen());
        QVERIFY2(Form1->SaxComm1->lastError().contains("in use"),
                 qPrintable(Form1->SaxComm1->lastError()));
        ::kill(pid_t(watch.processId()), SIGINT);
        QVERIFY(watch.waitForFinished(15000));
    }
};

QTEST_MAIN(CliOverPtyTest)
#include "CliOverPtyTest.moc"
