#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "SignalPanel.h"
#include "TForm1.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <QImage>
#include <QLabel>
#include <QTest>
#include <QToolButton>

// Signal, registration and call duration in the main window, and the quiet polling.
class StatusGlanceTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    static TerminalScreen *screen() { return Form1->SaxComm1->screen(); }

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    void answersOnTheTerminalShowInTheStatusBar()
    {
        startConnected();
        SignalPanel *signal = Form1->Signal_Panel;
        QVERIFY(signal->isVisible());
        QCOMPARE(signal->bars(), -1);
        QCOMPARE(signal->word(), QString("Unknown"));
        // Asked by the operator in the terminal: shown there, and read.
        fake->inject("AT+CSQ\r\r\n+CSQ:3\r\n\r\nOK\r\n");
        QCOMPARE(signal->bars(), 3);
        fake->inject("AT+CREG?\r\r\n+CREG: 0,5\r\n\r\nOK\r\n");
        QCOMPARE(signal->word(), QString("Roaming"));
        QCOMPARE(signal->toolTip(), QString("Signal strength 3 of 5; registered, roaming."));
        fake->inject("\r\n+CREG: 2\r\n"); // unsolicited
        QCOMPARE(signal->word(), QString("Searching"));
        // Inside the status bar, clear of its neighbours.
        QVERIFY(Form1->BasePanel->rect().contains(signal->geometry()));
        QVERIFY(!signal->geometry().intersects(Form1->Close->geometry()));

        // Gone with the port: an old reading would mislead.
        Form1->SaxComm1->setPortOpen(false);
        QCOMPARE(signal->bars(), -1);
        QCOMPARE(signal->word(), QString("Unknown"));
    }

    // Each switch's panel looks different on and off, as its button does.
    void switchPanelsShowTheirState()
    {
        startConnected();
        // Disconnected, so the SMS switch needs no answer from the handset.
        QTRY_VERIFY(Form1->Disconnect1->isEnabled());
        Form1->Disconnect1->trigger();
        const std::pair<QToolButton *, Panel *> rows[] = {{Form1->EchoB, Form1->Echo_Panel},
                                                          {Form1->AnsB, Form1->Ans_Panel},
                                                          {Form1->SMSB, Form1->SMS_Panel}};
        for (auto [button, panel] : rows) {
            QTRY_VERIFY(button->isEnabled());
            button->click();
            const bool was = button->isChecked();
            const QImage before = panel->grab().toImage();
            button->click();
            QVERIFY2(button->isChecked() != was, qPrintable(button->objectName()));
            QVERIFY2(panel->grab().toImage() != before, qPrintable(panel->objectName()));
            QVERIFY(panel->toolTip().endsWith(was ? ": off" : ": on"));
        }
    }

    void callDurationFromConnectToNoCarrier()
    {
        startConnected();
        QLabel *clock = Form1->CallTime_Panel;
        QVERIFY(!clock->isVisible());
        fake->inject("ATD0088160000500\r\r\nCONNECT 9600\r\n");
        QVERIFY(clock->isVisible());
        QCOMPARE(clock->text(), QString("Call 00:00:00"));
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() == "Call 00:00:01" ||
                                     clock->text() == "Call 00:00:02",
                                 4000); // it keeps counting
        fake->inject("\r\nNO CARRIER\r\n");
        QVERIFY(clock->isVisible());
        QVERIFY2(clock->text().startsWith("Last call 00:00:0"), qPrintable(clock->text()));
        const QString last = clock->text();
        QTest::qWait(1100);
        QCOMPARE(clock->text(), last); // stopped
        QVERIFY(Form1->MenuBar3->rect().contains(clock->geometry()));
        QVERIFY(clock->fontMetrics().horizontalAdvance("Last call 00:00:00") <= clock->width());
    }

    void pollingAsksOnlyWhenNothingElseIsGoingOn()
    {
        startConnected();
        QVERIFY(!Form1->PollSignal1->isChecked()); // off unless chosen
        QVERIFY(!Form1->PollSignalTimer->isActive());
        Form1->PollSignal1->trigger();
        QVERIFY(Form1->PollSignalTimer->isActive());
        Form1->PollQuietMs = 300;

        // Something typed a moment ago: not now, but once the line has been quiet.
        QTest::keyClick(screen(), Qt::Key_A);
        fake->written.clear();
        Form1->PollSignalTimerTimer();
        QVERIFY(fake->written.isEmpty());
        QTRY_VERIFY((Form1->PollSignalTimerTimer(), !fake->written.isEmpty()));
        QCOMPARE(fake->written, QByteArray("AT+CSQ\r"));
        fake->inject("AT+CSQ\r\r\n+CSQ:2\r\n\r\nOK\r\n");
        QCOMPARE(fake->written, QByteArray("AT+CSQ\rAT+CREG?\r"));
        fake->inject("AT+CREG?\r\r\n+CREG: 0,1\r\n\r\nOK\r\n");
        QCOMPARE(Form1->Signal_Panel->bars(), 2);
        QCOMPARE(Form1->Signal_Panel->word(), QString("Home"));
        // Not taken for the operator's command by the SMS rules.
        QVERIFY(SMS_Frm->SMS_ViewB->isEnabled());

        // A call, an SMS exchange or an unanswered command: not now either, however quiet.
        Form1->PollQuietMs = 0;
        const auto polled = [this] {
            fake->written.clear();
            Form1->PollSignalTimerTimer();
            return !fake->written.isEmpty();
        };
        fake->inject("\r\nCONNECT\r\n");
        QVERIFY(!polled());
        fake->inject("\r\nNO CARRIER\r\n");
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(!polled());
        fake->inject("\r\nOK\r\n");
        QTest::keyClicks(screen(), "AT+COPS=?"); // typed, answer still to come
        QTest::keyClick(screen(), Qt::Key_Return);
        QVERIFY(!polled());
        fake->inject("\r\nOK\r\n");
        QVERIFY(polled());
        QCOMPARE(fake->written, QByteArray("AT+CSQ\r"));
    }
};

QTEST_MAIN(StatusGlanceTest)
#include "StatusGlanceTest.moc"
