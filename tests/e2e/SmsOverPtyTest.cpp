#include "Notice.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "SignalPanel.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

// The SMS window through the real serial back end against the simulated handset.
class SmsOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

private slots:
    void sendReceiveListAndDelete_data() { addAnswerFormRows(); }

    void sendReceiveListAndDelete()
    {
        QFETCH(QStringList, modes);
        if (!startOnSim(modes, "<SMS>ON<\\SMS>\n"))
            return;

        // Indications on in the session: connecting sets them, although a pseudo-terminal
        // never changes CTS, and the handset then routes new messages straight here.
        QVERIFY(MsgBox->isVisible());
        QVERIFY(indicationsAnswered());

        // Sends the handset refuses are not logged; the next one, confirmed, is, once.
        SMS_Frm->show();
        SMS_Frm->EditDA->setText("+8816123456");
        SMS_Frm->EditMessage->setPlainText("refused by the network");
        for (const auto &[fault, told] :
             {std::pair{"cms 500", "Error occurred while processing the SMS command. Please try "
                                   "again."},
              std::pair{"cme 10", "The message was not sent: the handset answered \"+CME ERROR: "
                                  "10\"."}}) {
            QCOMPARE(sim->event(fault), QString("ok"));
            SMS_Frm->SMS_SendB->click();
            QTRY_VERIFY_WITH_TIMEOUT(boxes.contains(told), 8000);
            QVERIFY(smsIdle());
        }
        // A confirmation that belongs to no send of the window (typed by hand) logs nothing.
        QVERIFY(SMS_Frm->SMS_ViewComboBox->currentIndex() != 5);
        QCOMPARE(sim->event("say +CMGS: 42"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("+CMGS: 42"), 8000);
        QCOMPARE(logText(), QString());
        boxes.clear();
        SMS_Frm->EditMessage->setPlainText("Position 12N 45W, all well");
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("[SENT]\nTo: +8816123456 (Phone number)"),
                                 8000);
        QVERIFY(smsIdle());
        QCOMPARE(logText(), QString("[SENT]\nTo: +8816123456 (Phone number)\n"
                                    "Relative VP: 63 weeks\nPosition 12N 45W, all well\n\n"));

        // A send the handset never answers times out: the window is free again, the operator
        // is told, and the late answer logs nothing.
        // The two minutes a command waits for the handset pass in a second and a half.
        QElapsedTimer clock;
        clock.start();
        Form1->SaxComm1->exchange()->setClock([clock] { return clock.elapsed() * 80; });
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SMS_Frm->EditMessage->setPlainText("stuck in the handset");
        SMS_Frm->SMS_SendB->click();
        QVERIFY(!SMS_Frm->SMS_SendB->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(SMS_Frm->SMS_SendB->isEnabled(), 8000);
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].startsWith("The handset did not ask for the message"));
        boxes.clear();
        QCOMPARE(sim->event("stall off"), QString("ok"));
        QVERIFY(smsIdle());
        Form1->SaxComm1->exchange()->setClock({});

        // Three incoming messages are logged as they arrive.
        QVERIFY(sim->events({"sms 447700900123 message one", "sms 447700900123 message two",
                             "sms 447700900123 message three"}));
        QTRY_COMPARE_WITH_TIMEOUT(logText().count("[RECEIVED]"), 3, 8000);
        QVERIFY(logText().contains("From: 447700900123 (International)\n"));
        QVERIFY(logText().contains("message three\n\n"));
        // Whatever the handset let go of at "stall off" came before these: nothing logs the
        // message it never asked for.
        QVERIFY(!logText().contains("stuck in the handset"));

        // Two long messages to the handset's own number, one straight after the other, while a
        // ring and a long message from elsewhere arrive and the signal poll falls due all along:
        // each logged sent once and received joined, and the message from elsewhere too.
        QSignalSpy rings(Form1->SaxComm1, &SerialControl::OnRing);
        notice::setChoiceHook([](const QString &, const QString &, const QString &third) {
            return third.startsWith("Keep as") ? 2 : 1;
        });
        Form1->PollQuietMs = 0;
        Form1->PollSignalTimer->setInterval(20);
        Form1->PollSignal1->trigger();
        SMS_Frm->EditDA->setText("881631234567");
        const QStringList texts = {
            QString("Camp 4 at 5900 m, all well; ").repeated(12).trimmed(),
            QString("Camp 5 at 7100 m, wind 40 kn; ").repeated(11).trimmed()};
        for (const QString &text : texts) {
            QCOMPARE(sim->event("stall on"), QString("ok"));
            SMS_Frm->EditMessage->setPlainText(text);
            SMS_Frm->SMS_SendB->click();
            QVERIFY(sim->events({"ring", "sms 447700900123 Base: " + text, "stall off"}));
            QTRY_VERIFY_WITH_TIMEOUT(logText().contains("(3 parts)\n" + text), 20000);
            // The ring is answered once the message is out; the call is then ended.
            QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->exchange()->busy(), 8000);
            QCOMPARE(sim->event("hangup"), QString("ok"));
        }
        for (const QString &text : texts)
            QTRY_VERIFY_WITH_TIMEOUT(logText().count(text + "\n\n") == 3 &&
                                         logText().count("(3 parts)\nBase: " + text) == 1,
                                     20000);
        QCOMPARE(rings.count(), 2);
        QTRY_VERIFY(Form1->Signal_Panel->word() != "Unknown");

        // Indications off: new messages are stored and read with a listing.
        MsgBox->close();
        Form1->DisplaySMSImmediately1->trigger();
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QString("OFF"));
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->RequestSMSTimer->isActive() && !MsgBox->isVisible(), 8000);
        QVERIFY(smsIdle());
        QVERIFY(sim->events({"sms 12025550100 stored one", "sms 12025550100 stored two"}));
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(4);
        QVERIFY(listAndOpenFirst(2).contains("stored one"));

        SMS_Frm->findChild<QPushButton *>("SMS_DeleteB")->click();
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 1);
        QVERIFY(smsIdle());
        QVERIFY(listAndOpenFirst(1).contains("stored two"));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join("\n")));
    }
};

QTEST_MAIN(SmsOverPtyTest)
#include "SmsOverPtyTest.moc"
