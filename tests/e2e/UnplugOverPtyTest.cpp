#include "FileTransfer.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

// The handset pulled off and plugged back in (the simulator ended and started again on the
// same link name) while the program is in the middle of its longer exchanges: picked up by
// itself with Reconnect Automatically on, from the menu with it off.
class UnplugOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

    // As udev does, the stable name goes with the device; the port closes and says why.
    void unplug()
    {
        sim->unplug();
        QFile::remove(link());
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->PortOpen(), 5000);
        QTRY_COMPARE(Form1->Status->caption(), QString("Disconnected"));
        const QString error = Form1->SaxComm1->lastError();
        QVERIFY2(error.contains(link()) || error.contains("/dev/pts/"), qPrintable(error));
        QVERIFY2(error.contains("the device went away"), qPrintable(error));
    }

    // Plugs back in, closes the box and connects from the menu, as the operator would; with
    // Reconnect Automatically off, nothing else is due to open the port.
    void reconnectByHand()
    {
        QTRY_COMPARE(visibleMessageBoxes(), 1);
        plugIn(sim, link());
        QVERIFY(!Form1->SaxComm1->awaitingReconnect());
        QVERIFY(!Form1->SaxComm1->PortOpen());
        closeMessageBoxes();
        QVERIFY(Form1->Connect1->isEnabled());
        Form1->Connect1->trigger();
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));
        indicationsAnswered();
    }

    static void reconnectByHandOnly()
    {
        QVERIFY(Form1->ReconnectAutomatically1->isChecked()); // on unless switched off
        Form1->ReconnectAutomatically1->trigger();
        QVERIFY(!Form1->SaxComm1->reconnectAutomatically());
    }

private slots:
    void init()
    {
        ProgramOnPtyTest::init();
        if (startOnSim())
            indicationsAnswered();
    }

    void handsetBackOnTheSameLinkIsOpenedAgain()
    {
        unplug();
        QCOMPARE(visibleMessageBoxes(), 0);
        QTRY_VERIFY(
            screen()->allText().contains("Lost " + link() + "; waiting for it to come back."));
        QVERIFY(Form1->SaxComm1->awaitingReconnect());

        plugIn(sim, link());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->SaxComm1->PortOpen(), 8000);
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));
        QCOMPARE(screen()->allText().count("Reconnected to " + link() + "."), 1);
        QCOMPARE(visibleMessageBoxes(), 0);

        // The terminal works as before, both ways.
        Form1->SaxComm1->setTransmitLine("AT+CGMI");
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("Tandrel\n"), 5000);
        QCOMPARE(sim->event("say BACK AGAIN"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("BACK AGAIN"), 5000);

        // Pulled again before the indication request went out: nothing waits for it.
        unplug();
        QVERIFY(SMS_Frm->SMS_ViewB->isEnabled() && !MsgBox->isVisible());
        plugIn(sim, link());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->SaxComm1->PortOpen(), 8000);
        QCOMPARE(screen()->allText().count("Reconnected to " + link() + "."), 2);
    }

    void smsCutByTheUnplugIsReportedAsCut()
    {
        QVERIFY(writeFile(dir.filePath("SMSLog.txt"), "[SENT]\nTo: 1 (Phone number)\nearlier\n\n"));
        const QByteArray before = log();
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SMS_Frm->show();
        SMS_Frm->EditDA->setText("8816123456");
        SMS_Frm->EditMessage->setPlainText("lost on the way");
        SMS_Frm->SMS_SendB->click();
        QVERIFY(!SMS_Frm->SMS_ViewB->isEnabled());
        unplug();
        QVERIFY(smsIdle());
        QVERIFY2(SMS_Frm->SMS_Status->text().contains("Cut off"),
                 qPrintable(SMS_Frm->SMS_Status->text()));
        QVERIFY(SMS_Frm->SMS_Status->text().contains("may not have been sent"));

        plugIn(sim, link());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->SaxComm1->PortOpen(), 8000);
        // The indication setting goes out again; the notice stays until the next command.
        if (!indicationsAnswered())
            return;
        QVERIFY(SMS_Frm->SMS_Status->text().contains("Cut off")); // still not "done"
        // An unconfirmed message is not logged as sent, and the log is as it was.
        QCOMPARE(log(), before);

        SMS_Frm->EditMessage->setPlainText("sent after reconnecting");
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(log().contains("sent after reconnecting\n\n"), 8000);
        QVERIFY(log().startsWith(before));
        QVERIFY(!log().contains("lost on the way"));
    }

    void indicationRequestCutByTheUnplugLeavesNoBoxWaiting()
    {
        QCOMPARE(sim->event("stall on"), QString("ok"));
        Form1->SMSB->click();
        QTRY_VERIFY(MsgBox->isVisible());
        // The request went out and waits for an answer that will never come.
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->RequestSMSTimer->isActive(), 5000);
        unplug();
        QVERIFY(smsIdle());
        QTRY_VERIFY(!MsgBox->isVisible());
        QVERIFY(SMS_Frm->SMS_Status->text().contains("Cut off"));
    }

    void duringAListing()
    {
        reconnectByHandOnly();
        Form1->SMSB->click(); // indications off: new messages wait in the handset
        QVERIFY(indicationsAnswered());
        QCOMPARE(sim->event("sms 12025550100 first"), QString("ok"));
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SMS_Frm->show();
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(4);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(!SMS_Frm->SMS_ViewB->isEnabled());
        unplug();
        // Nothing will answer the listing: the window must not stay locked.
        QVERIFY(smsIdle());

        reconnectByHand();
        QCOMPARE(sim->event("sms 12025550100 second"), QString("ok"));
        QVERIFY(listAndOpenFirst(1).contains("second"));
    }

    void duringAFileTransfer()
    {
        reconnectByHandOnly();
        const QString payload = dir.filePath("payload.bin");
        QVERIFY(writeFile(payload, QByteArray(200'000, 'x')));
        FileTransfer *transfer = Form1->SaxComm1->fileTransfer();
        QSignalSpy done(transfer, &FileTransfer::finished);
        QString error;
        QVERIFY2(transfer->start(true, FileTransfer::Zmodem, payload, &error), qPrintable(error));
        QVERIFY(transfer->running()); // waiting for a receiver that never answers
        unplug();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 8000);
        QCOMPARE(done.at(0).at(0).toBool(), false);
        QVERIFY(!done.at(0).at(1).toString().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!transfer->running(), 5000);

        // The terminal is the terminal again once reconnected.
        reconnectByHand();
        QCOMPARE(sim->event("say HELLO AGAIN"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("HELLO AGAIN"), 5000);
    }
};

QTEST_MAIN(UnplugOverPtyTest)
#include "UnplugOverPtyTest.moc"
