#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

// The SBD window through the real serial back end against the simulated handset.
class SbdOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

    QByteArray logBytes() const { return log("SBDLog.txt"); }

    static bool idle()
    {
        return QTest::qWaitFor([] { return SBD_Frm->SBD_SendB->isEnabled(); }, 15000);
    }

private slots:
    void messagesOutAndInFailuresAndUnplug_data() { addAnswerFormRows(); }

    void messagesOutAndInFailuresAndUnplug()
    {
        QFETCH(QStringList, modes);
        if (!startOnSim(modes, "<RING>OFF<\\RING>\n<SMS>OFF<\\SMS>\n"))
            return;
        Form1->menuItem("SBDMessaging1")->trigger();
        QVERIFY(idle());

        // A text message out: logged with its MOMSN once the session confirms it.
        SBD_Frm->EditSBDMessage->setPlainText("Hello from the field");
        SBD_Frm->SBD_SendB->click();
        QVERIFY(!SBD_Frm->SBD_SendB->isEnabled());
        QVERIFY(idle());
        QVERIFY2(logBytes().contains(" MOMSN 0, 20 bytes\nText: Hello from the field\n"),
                 logBytes().constData());
        QVERIFY(SBD_Frm->SBD_Status->text().startsWith("The message was sent (MOMSN 0)."));

        // 270 bytes from a file, every byte value, line breaks and all.
        QByteArray bytes;
        for (int i = 0; i < 270; ++i)
            bytes += char(i);
        QVERIFY(writeFile(dir.filePath("reading.bin"), bytes));
        SBD_Frm->RFileMessage->click();
        SBD_Frm->FileNameEdit->setText(dir.filePath("reading.bin"));
        SBD_Frm->SBD_SendB->click();
        QVERIFY(idle());
        QVERIFY2(logBytes().contains(" MOMSN 1, 270 bytes\n"), logBytes().constData());
        QVERIFY(logBytes().contains("Hex: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D"));
        QVERIFY(logBytes().contains("FC FD FE FF 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D\n\n"));

        // Two messages queued at the gateway: the first session offers the second.
        QVERIFY(sim->events({"sbd Wind 12 kn from the west, 4°C", "sbd-hex 00 01 0D 0A FF"}));
        yesAnswers = 1;
        SBD_Frm->CheckMailboxB->click();
        QTRY_COMPARE_WITH_TIMEOUT(logBytes().count("[SBD RECEIVED]"), 2, 20000);
        QVERIFY(idle());
        QVERIFY(logBytes().contains(" MTMSN 1, 30 bytes\nText: Wind 12 kn from the west, 4\xC2\xB0"
                                    "C\nHex: 57 69 6E 64"));
        QVERIFY(logBytes().contains(" MTMSN 2, 5 bytes\nText: .....\nHex: 00 01 0D 0A FF\n\n"));
        QCOMPARE(boxes, QStringList{"1 more message waits at the gateway. Fetch them now?"});
        QVERIFY(SBD_Frm->SBD_MessageView->toPlainText().contains("Hex: 00 01 0D 0A FF"));

        // A session that fails keeps the message unlogged until a retry sends it.
        QCOMPARE(sim->event("sbd-fail 2"), QString("ok"));
        SBD_Frm->RTextMessage->click();
        SBD_Frm->EditSBDMessage->setPlainText("retry me");
        SBD_Frm->SBD_SendB->click();
        QVERIFY(idle());
        QVERIFY(SBD_Frm->SBD_Status->text().contains("NOT sent (status 2"));
        QVERIFY(!logBytes().contains("retry me"));
        QVERIFY(SBD_Frm->RetryB->isEnabled());
        SBD_Frm->RetryB->click();
        QVERIFY(idle());
        QVERIFY(logBytes().contains(" MOMSN 2, 8 bytes\nText: retry me\n"));
        QVERIFY(!SBD_Frm->RetryB->isEnabled());
        QCOMPARE(boxes.size(), 1);

        // The longest text and binary messages come back whole from the mailbox, where the
        // gateway returns what the handset sent.
        QCOMPARE(sim->event("sbd-loopback on"), QString("ok"));
        const QByteArray text = QByteArray("Max length ~\\'|").repeated(8).left(120);
        QByteArray longest;
        for (int i = 0; i < 1960; ++i)
            longest += char(i * 7 + i / 256);
        QVERIFY(writeFile(dir.filePath("reading.bin"), longest));
        SBD_Frm->EditSBDMessage->setPlainText(text);
        for (QRadioButton *kind : {SBD_Frm->RTextMessage, SBD_Frm->RFileMessage}) {
            kind->click();
            SBD_Frm->SBD_SendB->click();
            QVERIFY(idle());
        }
        QVERIFY(logBytes().contains(" MTMSN 3, 120 bytes\nText: " + text + "\nHex: "));
        const QByteArray hex = longest.toHex(' ').toUpper() + "\n\n";
        QVERIFY(logBytes().contains(" MOMSN 4, 1960 bytes\n") && logBytes().endsWith(hex));
        QVERIFY(logBytes().contains(" MTMSN 4, 1960 bytes\n"));

        // A ring and a stored-message notice just before the answer to a binary read are theirs;
        // the read still takes the whole message.
        QSignalSpy rings(Form1->SaxComm1, &SerialControl::OnRing);
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SBD_Frm->ReadB->click();
        QVERIFY(sim->events({"ring", "say +CMTI: \"SM\",3", "stall off"}));
        QVERIFY(idle());
        QCOMPARE(SBD_Frm->SBD_Status->text(), QString("Message read."));
        QVERIFY(SBD_Frm->SBD_MessageView->toPlainText().endsWith(hex.trimmed()));
        QCOMPARE(rings.count(), 1);
        QVERIFY(SMS_Frm->SMS_Status->text().contains("new message is stored"));

        // Pulled off in the middle of a binary write: nothing logged as sent.
        const QByteArray before = logBytes();
        QCOMPARE(sim->event("stall on"), QString("ok"));
        SBD_Frm->SBD_SendB->click();
        QVERIFY(SBD_Frm->SBD_Status->text().startsWith("Writing the message (1960 bytes)"));
        sim->unplug();
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->PortOpen(), 5000);
        QVERIFY(SBD_Frm->SBD_Status->text().contains("not confirmed as sent"));
        QVERIFY(SBD_Frm->SBD_SendB->isEnabled());
        QCOMPARE(logBytes(), before);
    }
};

QTEST_MAIN(SbdOverPtyTest)
#include "SbdOverPtyTest.moc"
