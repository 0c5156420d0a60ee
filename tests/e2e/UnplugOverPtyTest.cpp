#include "FileTransfer.h"
#include "Notice.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The handset pulled off and plugged back in (the simulator ended and started again on the
// same link name) while the program is in the middle of its longer exchanges.
class UnplugOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ModemSimProcess> sim;
    QStringList boxes;

    QString link() const { return dir.filePath("handset"); }

    QByteArray logBytes() const { return readFile(dir.filePath("SMSLog.txt")); }

    // Pulls the handset; the port closes and says so, then the operator closes the box.
    void unplug()
    {
        sim->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->PortOpen(), 5000);
        QTRY_COMPARE(Form1->Status->caption(), QString("Disconnected"));
        QVERIFY(!Form1->SaxComm1->lastError().isEmpty());
        QVERIFY2(Form1->SaxComm1->lastError().contains(link()) ||
                     Form1->SaxComm1->lastError().contains("/dev/pts/"),
                 qPrintable(Form1->SaxComm1->lastError()));
        QVERIFY2(Form1->SaxComm1->lastError().contains("the device went away"),
                 qPrintable(Form1->SaxComm1->lastError()));
        closeMessageBoxes();
    }

    // Plugs back in and connects from the menu, as the operator would.
    void reconnect()
    {
        plugIn(sim, link());
        QVERIFY(Form1->Connect1->isEnabled());
        Form1->Connect1->trigger();
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));
        indicationsAnswered();
    }

private slots:
    void init()
    {
        boxes.clear();
        notice::setHook([this](notice::Kind, const QString &, const QString &text) {
            boxes << text;
            return false;
        });
        QDir::setCurrent(dir.path());
        plugIn(sim, link());
        if (!startOnPort(dir.path(), link(), "<SMS>OFF<\\SMS>\n"))
            return;
        // These are the operator's own reconnects; the automatic one has its own test.
        Form1->ReconnectAutomatically1->setChecked(false);
    }

    void cleanup()
    {
        endProgram(dir.path());
        sim.reset();
        notice::setHook({});
    }

    void duringAListing()
    {
        QCOMPARE(sim->event("sms 12025550100 first"), QString("ok"));
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SMS_Frm->show();
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(4);
        SMS_Frm->SMS_ViewBClick();
        QVERIFY(!SMS_Frm->SMS_ViewB->isEnabled());
        unplug();
        // Nothing will answer the listing: the window must not stay locked.
        QVERIFY(smsIdle());

        reconnect();
        QCOMPARE(sim->event("sms 12025550100 second"), QString("ok"));
        SMS_Frm->SMS_ViewBClick();
        QTRY_COMPARE_WITH_TIMEOUT(SMS_Frm->SMS_IndexListBox->count(), 1, 8000);
        QVERIFY(smsIdle());
        SMS_Frm->SMS_IndexListBox->setCurrentRow(0);
        SMS_Frm->SMS_IndexListBoxClick();
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().contains("second"));
    }

    void duringAnSmsSend()
    {
        {
            QFile log(dir.filePath("SMSLog.txt"));
            QVERIFY(log.open(QIODevice::WriteOnly));
            log.write("[SENT]\nTo: 1 (Phone number)\nearlier\n\n");
        }
        const QByteArray before = logBytes();
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SMS_Frm->show();
        SMS_Frm->EditDA->setText("8816123456");
        SMS_Frm->EditMessage->setPlainText("lost on the way");
        SMS_Frm->SMS_SendB->click();
        unplug();
        QVERIFY(smsIdle());
        QTest::qWait(200);
        // An unconfirmed message is not logged as sent, and the log is as it was.
        QCOMPARE(logBytes(), before);

        reconnect();
        SMS_Frm->EditMessage->setPlainText("sent after reconnecting");
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(logBytes().contains("sent after reconnecting\n\n"), 8000);
        QVERIFY(logBytes().startsWith(before));
        QVERIFY(!logBytes().contains("lost on the way"));
    }

    void duringAFileTransfer()
    {
        QFile out(dir.filePath("payload.bin"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(200'000, 'x'));
        out.close();
        FileTransfer *transfer = Form1->SaxComm1->fileTransfer();
        QSignalSpy done(transfer, &FileTransfer::finished);
        QString error;
        QVERIFY2(transfer->start(true, FileTransfer::Zmodem, out.fileName(), &error),
                 qPrintable(error));
        QTest::qWait(300); // the sender is waiting for a receiver that never answers
        unplug();
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 8000);
        QCOMPARE(done.at(0).at(0).toBool(), false);
        QVERIFY(!done.at(0).at(1).toString().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!transfer->running(), 5000);

        // The terminal is the terminal again once reconnected.
        reconnect();
        QCOMPARE(sim->event("say HELLO AGAIN"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("HELLO AGAIN"), 5000);
    }
};

QTEST_MAIN(UnplugOverPtyTest)
#include "UnplugOverPtyTest.moc"
