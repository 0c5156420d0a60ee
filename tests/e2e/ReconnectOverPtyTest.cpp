#include "Notice.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

// The handset pulled off and plugged back in (the simulator ended and started again on the
// same link name) with Reconnect Automatically on: the program picks it up by itself.
class ReconnectOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ModemSimProcess> sim;

    QString link() const { return dir.filePath("handset"); }
    QByteArray logBytes() const { return readFile(dir.filePath("SMSLog.txt")); }

    // As udev does, the stable name goes with the device.
    void unplug()
    {
        sim->unplug();
        QFile::remove(link());
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->PortOpen(), 5000);
        QTRY_COMPARE(Form1->Status->caption(), QString("Disconnected"));
    }

private slots:
    void init()
    {
        notice::setHook([](notice::Kind, const QString &, const QString &) { return false; });
        QDir::setCurrent(dir.path());
        plugIn(sim, link());
        if (!startOnPort(dir.path(), link()))
            return;
        QVERIFY(Form1->ReconnectAutomatically1->isChecked()); // on unless switched off
        indicationsAnswered();
    }

    void cleanup()
    {
        endProgram(dir.path());
        sim.reset();
        notice::setHook({});
    }

    void handsetBackOnTheSameLinkIsOpenedAgain()
    {
        unplug();
        QCOMPARE(visibleMessageBoxes(), 0);
        QTRY_VERIFY(
            screen()->allText().contains("Lost " + link() + "; waiting for it to come back."));
        QTest::qWait(700); // a retry or two while nothing is there
        QVERIFY(!Form1->SaxComm1->PortOpen());

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

        // Pulled again: the same once more.
        unplug();
        plugIn(sim, link());
        QTRY_VERIFY_WITH_TIMEOUT(Form1->SaxComm1->PortOpen(), 8000);
        QCOMPARE(screen()->allText().count("Reconnected to " + link() + "."), 2);
    }

    void smsCutByTheUnplugIsReportedAsCut()
    {
        const QByteArray before = logBytes();
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
        QTest::qWait(300);
        // The indication setting goes out again; the notice stays until the next command.
        if (!indicationsAnswered())
            return;
        QVERIFY(SMS_Frm->SMS_Status->text().contains("Cut off")); // still not "done"
        QCOMPARE(logBytes(), before);

        SMS_Frm->EditMessage->setPlainText("sent after reconnecting");
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(logBytes().contains("sent after reconnecting\n\n"), 8000);
        QVERIFY(!logBytes().contains("lost on the way"));
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

    void switchedOffItWaitsForTheOperator()
    {
        Form1->ReconnectAutomatically1->trigger();
        QVERIFY(!Form1->SaxComm1->reconnectAutomatically());
        unplug();
        QTRY_COMPARE(visibleMessageBoxes(), 1);
        plugIn(sim, link());
        QTest::qWait(1500); // several polling periods: nothing may open it
        QVERIFY(!Form1->SaxComm1->PortOpen());
    }
};

QTEST_MAIN(ReconnectOverPtyTest)
#include "ReconnectOverPtyTest.moc"
