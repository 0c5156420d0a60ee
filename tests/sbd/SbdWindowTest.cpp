#include "CaptureFile.h"
#include "FakeProgram.h"
#include "MessageBytes.h"
#include "TATTableForm.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>

// The SBD window against a fake handset, its boxes answered by the test.
class SbdWindowTest : public QObject, public ProgramOnFakeLink
{
    Q_OBJECT

    // No indication request on connecting: the window starts free.
    void start()
    {
        startConnected();
        Form1->SmsValue = "OFF";
        Form1->menuItem("SBDMessaging1")->trigger();
        QVERIFY(SBD_Frm->isVisible());
        QVERIFY(SBD_Frm->SBD_SendB->isEnabled());
    }

    QByteArray logBytes() const
    {
        QFile f(dir.filePath("SBDLog.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The handset's answer to the last line: checks the line, clears what was written.
    void expectLine(const QByteArray &line)
    {
        QCOMPARE(fake->written, line + "\r");
        fake->written.clear();
    }

    // A mailbox check empties the send buffer first, then holds a session.
    void expectMailboxSession()
    {
        expectLine("AT+SBDD0");
        fake->inject("\r\n0\r\n\r\nOK\r\n");
        expectLine("AT+SBDI");
    }

    bool othersHeld() const
    {
        return !SMS_Frm->SMS_SendB->isEnabled() && !SMS_Frm->SMS_ViewB->isEnabled() &&
               !ATTableForm->SendCommandB->isEnabled() && !SBD_Frm->CheckMailboxB->isEnabled();
    }
    bool othersFree() const
    {
        return SMS_Frm->SMS_SendB->isEnabled() && ATTableForm->SendCommandB->isEnabled() &&
               SBD_Frm->SBD_SendB->isEnabled();
    }

private slots:
    void initTestCase() { prepare(); }

    void cleanup()
    {
        finish();
        QFile::remove(dir.filePath("SBDLog.txt"));
    }

    void textSendHoldsTheOtherSenders()
    {
        start();
        SBD_Frm->EditSBDMessage->setPlainText(QStringLiteral(u"Gr\u00fc\u00dfe"));
        QCOMPARE(SBD_Frm->ByteCounter->text(), QString("7 / 120 bytes")); // bytes, not letters
        SBD_Frm->EditSBDMessage->setPlainText("Position 12N 45W");
        SBD_Frm->SBD_SendB->click();
        expectLine("AT+SBDWT=\"Position 12N 45W\"");
        QVERIFY(!Form1->ReadyToPoll()); // and no poll while the exchange runs
        // The write's own OK must not free the SMS window or the AT table mid-exchange.
        fake->inject("AT+SBDWT=\"Position 12N 45W\"\r\r\nOK\r\n");
        expectLine("AT+SBDI");
        QVERIFY(othersHeld());
        QVERIFY(logBytes().isEmpty());
        fake->inject("AT+SBDI\r\r\n+SBDI: 1, 5, 0, 0, 0, 0\r\n");
        QVERIFY(othersHeld());
        fake->inject("\r\nOK\r\n");
        QVERIFY(othersFree());
        QVERIFY2(boxes.empty(), qPrintable(lastBox()));

        // While an SMS command is outstanding the SBD window waits too.
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
        SMS_Frm->SMS_ViewB->click();
        expectLine("AT+CMGL=0");
        QVERIFY(!SBD_Frm->SBD_SendB->isEnabled() && !SBD_Frm->ReadB->isEnabled());
        fake->inject("\r\nOK\r\n");
        QVERIFY(SBD_Frm->SBD_SendB->isEnabled());
    }

    void binaryWriteWaitsForReadyAndFailedSessionsAreRetried()
    {
        start();
        SBD_Frm->RHexMessage->click();
        SBD_Frm->EditSBDMessage->setPlainText("00 0D 0a FF");
        QCOMPARE(SBD_Frm->ByteCounter->text(), QString("4 / 1960 bytes"));
        SBD_Frm->SBD_SendB->click();
        expectLine("AT+SBDWB=4");
        fake->inject("AT+SBDWB=4\r\r\nREA");
        QVERIFY(fake->written.isEmpty()); // nothing before READY
        fake->inject("DY\r\n");
        QCOMPARE(fake->written, QByteArray("\x00\x0D\x0A\xFF\x01\x16", 6));
        fake->written.clear();
        // An SMS indication request made meanwhile waits until the session is over.
        SMS_Frm->BeginIndicationRequest();
        Form1->RequestSMSTimerTimer();
        QVERIFY(fake->written.isEmpty());
        fake->inject("\r\n0\r\n\r\nOK\r\n");
        expectLine("AT+SBDI");
        QVERIFY(!SBD_Frm->RetryB->isEnabled());
        fake->inject("\r\n+SBDI: 2, 8, 2, 0, 0, 0\r\n\r\nOK\r\n");
        expectLine("AT+CNMI=0,0");
        fake->inject("\r\nOK\r\n");
        QTRY_VERIFY(othersFree());
        QVERIFY(SBD_Frm->SBD_Status->text().contains("Press Retry Session"));
        QVERIFY(!SBD_Frm->RetryTimer->isActive()); // no schedule unless asked for

        // On a schedule: the timer repeats the session, which now succeeds.
        SBD_Frm->RetrySpinEdit->setValue(5);
        SBD_Frm->RetryCheckBox->setChecked(true);
        QVERIFY(SBD_Frm->RetryTimer->isActive());
        SBD_Frm->RetryTimerTimer();
        expectLine("AT+SBDI");
        fake->inject("\r\n+SBDI: 1, 8, 0, 0, 0, 0\r\n\r\nOK\r\n");
        QVERIFY(logBytes().endsWith(" MOMSN 8, 4 bytes\nText: ....\nHex: 00 0D 0A FF\n\n"));
        QVERIFY(!SBD_Frm->RetryB->isEnabled() && !SBD_Frm->RetryTimer->isActive());

        // A checksum the handset refuses: reported, no session, nothing logged.
        const QByteArray before = logBytes();
        SBD_Frm->SBD_SendB->click();
        expectLine("AT+SBDWB=4");
        fake->inject("\r\nREADY\r\n");
        fake->written.clear();
        fake->inject("\r\n2\r\n\r\nOK\r\n");
        QVERIFY(fake->written.isEmpty());
        QCOMPARE(int(boxes.size()), 1);
        QVERIFY(lastBox().contains("checksum does not match"));
        QVERIFY(lastBox().endsWith("The message was not sent."));
        QCOMPARE(logBytes(), before);
        QVERIFY(othersFree());
    }

    void mailboxReadsEachMessageAndOffersTheQueuedOnes()
    {
        start();
        answers = {true};
        // A capture keeps every byte, those the window reads for itself included.
        QVERIFY(Form1->SaxComm1->capture()->start(dir.filePath("capture.log"), "COM1", nullptr));
        SBD_Frm->CheckMailboxB->click();
        expectMailboxSession();
        fake->inject("\r\n+SBDI: 0, 3, 1, 7, 5, 2\r\n\r\nOK\r\n");
        QVERIFY(SBD_Frm->SBD_Status->text().contains("2 more messages wait at the gateway."));
        // Read at once, before a later session could overwrite the handset's buffer.
        expectLine("AT+SBDRB");
        QTest::keyClick(screen(), Qt::Key_A); // held back from the bytes
        QVERIFY(fake->written.isEmpty());
        fake->inject("AT+SBDRB\r" + QByteArray::fromStdString(testbytes::sbdFrame("hello")) +
                     "\r\n");
        QVERIFY(othersHeld());
        fake->inject("OK\r\n");
        QVERIFY(SBD_Frm->SBD_MessageView->toPlainText().contains("MTMSN 7, 5 bytes\nText: hello"));
        QVERIFY(logBytes().endsWith(" MTMSN 7, 5 bytes\nText: hello\nHex: 68 65 6C 6C 6F\n\n"));
        QFile capture(dir.filePath("capture.log"));
        QVERIFY(capture.open(QIODevice::ReadOnly) && capture.readAll().contains("hello"));
        // The offer comes once the exchange is over; Yes fetches the rest, each shown.
        QTRY_COMPARE(int(boxes.size()), 1);
        QCOMPARE(lastBox(), QString("2 more messages wait at the gateway. Fetch them now?"));
        expectMailboxSession();
        fake->inject("\r\n+SBDI: 0, 3, 1, 9, 2, 0\r\n\r\nOK\r\n");
        expectLine("AT+SBDRB");
        // A damaged message is reported and neither shown nor logged.
        const QByteArray before = logBytes();
        fake->inject(QByteArray::fromStdString(testbytes::sbdFrame("no", 1)) + "\r\nOK\r\n");
        QCOMPARE(int(boxes.size()), 2);
        QVERIFY(lastBox().contains("checksum does not match"));
        QCOMPARE(logBytes(), before);
        const QString view = SBD_Frm->SBD_MessageView->toPlainText();
        QVERIFY2(view.contains("MTMSN 7, 5 bytes\nText: hello") && !view.contains("Text: no"),
                 qPrintable(view));
        QVERIFY(othersFree());

        // Read again, as text this time: logged once it arrives whole.
        SBD_Frm->ReadFormatComboBox->setCurrentIndex(0);
        SBD_Frm->ReadB->click();
        expectLine("AT+SBDRT");
        fake->inject("AT+SBDRT\r\r\n+SBDRT:\r\nok\r\n\r\nOK\r\n");
        QVERIFY(logBytes().endsWith(" MTMSN 9, 2 bytes\nText: ok\nHex: 6F 6B\n\n"));
        SBD_Frm->ReadB->click();
        fake->inject("AT+SBDRT\r\r\n+SBDRT:\r\nok\r\n\r\nOK\r\n");
        QCOMPARE(logBytes().count("[SBD RECEIVED]"), 2); // not twice for one message
        QCOMPARE(int(boxes.size()), 2);
        QTest::keyClick(SBD_Frm->EditSBDMessage, Qt::Key_Escape);
        QVERIFY(!SBD_Frm->isVisible());
    }

    void endsOnAnUnwritableLogTimeOutPortLossAndRefusals()
    {
        QVERIFY(QDir(dir.path()).mkdir("SBDLog.txt")); // a folder where the file should be
        start();
        SBD_Frm->EditSBDMessage->setPlainText("lost?");
        SBD_Frm->SBD_SendB->click();
        fake->inject("\r\nOK\r\n");
        fake->inject("\r\n+SBDI: 1, 9, 0, 0, 0, 0\r\n\r\nOK\r\n");
        QCOMPARE(int(boxes.size()), 1);
        QVERIFY2(lastBox().startsWith("Cannot add to the SBD log ") &&
                     lastBox().contains("The message was not logged."),
                 qPrintable(lastBox()));
        QVERIFY(SBD_Frm->SBD_Status->text().startsWith("The message was sent (MOMSN 9)."));
        QVERIFY(othersFree());
        QVERIFY(QDir(dir.path()).rmdir("SBDLog.txt"));
        fake->written.clear();

        // Input that cannot go out is refused before anything is written.
        SBD_Frm->EditSBDMessage->setPlainText(QString(121, 'x'));
        QCOMPARE(SBD_Frm->ByteCounter->text(), QString("121 / 120 bytes"));
        SBD_Frm->SBD_SendB->click();
        QVERIFY(lastBox().contains("at most 120"));
        SBD_Frm->RHexMessage->click();
        SBD_Frm->EditSBDMessage->setPlainText("4G");
        QCOMPARE(SBD_Frm->ByteCounter->text(), QString("Not hex"));
        SBD_Frm->SBD_SendB->click();
        QVERIFY(lastBox().contains("not a hex digit"));
        SBD_Frm->RFileMessage->click();
        SBD_Frm->SBD_SendB->click();
        QVERIFY(lastBox().contains("Choose the file"));
        writeFile("big.bin", QByteArray(1961, 'b'));
        SBD_Frm->FileNameEdit->setText(dir.filePath("big.bin"));
        SBD_Frm->SBD_SendB->click();
        QVERIFY(lastBox().contains("1961 bytes; the handset takes at most 1960"));
        // Clearing and resetting ask first; No sends nothing.
        SBD_Frm->ClearB->click();
        SBD_Frm->ResetMOMSNB->click();
        QVERIFY(fake->written.isEmpty());
        QCOMPARE(int(boxes.size()), 7);

        // No answer: the time-out ends the exchange and frees the others.
        SBD_Frm->CheckMailboxB->click();
        expectMailboxSession();
        // Far past the session's two minutes.
        Form1->SaxComm1->exchange()->setClock([] { return qint64(1) << 40; });
        Form1->SaxComm1->exchange()->expire();
        Form1->SaxComm1->exchange()->setClock({});
        QVERIFY(lastBox().startsWith("The handset did not answer AT+SBDI within 120 seconds."));
        QVERIFY(othersFree());

        Form1->SaxComm1->setPortOpen(false);
        // Without a port the buttons say so rather than doing nothing.
        SBD_Frm->CheckMailboxB->click();
        QVERIFY(lastBox().contains("The port is not open"));
    }
};

QTEST_MAIN(SbdWindowTest)
#include "SbdWindowTest.moc"
