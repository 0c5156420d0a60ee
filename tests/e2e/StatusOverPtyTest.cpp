#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "SignalPanel.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Signal, registration and call time read from the simulated handset on a pseudo-terminal.
class StatusOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ModemSimProcess> sim;

    static void type(const char *line)
    {
        QTest::keyClicks(screen(), line);
        QTest::keyClick(screen(), Qt::Key_Return);
    }

private slots:
    void init()
    {
        QDir::setCurrent(dir.path());
        sim = std::make_unique<ModemSimProcess>(dir.filePath("modem.log"));
        QVERIFY(sim->started());
        startOnPort(dir.path(), sim->pty(), "<SMS>OFF<\\SMS>\n");
    }

    void cleanup()
    {
        endProgram(dir.path());
        sim.reset();
    }

    void signalAndRegistrationFromTheHandset()
    {
        SignalPanel *signal = Form1->Signal_Panel;
        QCOMPARE(sim->event("signal 2"), QString("ok"));
        type("AT+CSQ");
        QTRY_COMPARE_WITH_TIMEOUT(signal->bars(), 2, 5000);
        QVERIFY(screen()->allText().contains("+CSQ:2"));

        // Unsolicited reports once the operator asked for them.
        type("AT+CREG=1");
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().count("OK") >= 2, 5000);
        QCOMPARE(sim->event("register searching"), QString("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(signal->word(), QString("Searching"), 5000);
        QCOMPARE(sim->event("register on"), QString("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(signal->word(), QString("Home"), 5000);

        // Polled: read, and nothing of it on the terminal.
        QCOMPARE(sim->event("signal 5"), QString("ok"));
        QCOMPARE(sim->event("register off"), QString("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(signal->word(), QString("No service"), 5000);
        QCOMPARE(sim->event("register on"), QString("ok"));
        QTRY_COMPARE_WITH_TIMEOUT(signal->word(), QString("Home"), 5000);
        type("AT+CREG=0");
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().count("OK") >= 3, 5000);
        QCOMPARE(sim->event("register searching"), QString("ok"));
        const QString before = screen()->allText();
        Form1->PollSignal1->trigger();
        Form1->PollQuietMs = 200;
        QTest::qWait(300);
        Form1->PollSignalTimerTimer();
        QTRY_COMPARE_WITH_TIMEOUT(signal->bars(), 5, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(signal->word(), QString("Searching"), 5000);
        QVERIFY(!Form1->SaxComm1->exchange()->busy());
        QCOMPARE(screen()->allText(), before);
        QFile log(dir.filePath("modem.log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("> AT+CREG?"));
    }

    void callDurationOfADataCall()
    {
        QLabel *clock = Form1->CallTime_Panel;
        type("ATD0088160000500");
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("CONNECT"), 8000);
        QVERIFY(clock->isVisible());
        QVERIFY(clock->text().startsWith("Call 00:00:0"));
        QCOMPARE(sim->event("hangup"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(clock->text().startsWith("Last call 00:00:0"), 5000);
    }
};

QTEST_MAIN(StatusOverPtyTest)
#include "StatusOverPtyTest.moc"
