#include "FakeProgram.h"
#include "MessageBytes.h"
#include "SmsPduCodec.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include <functional>

// A send the window refuses: call type (0 number, 1 e-mail), what is filled in, the port, and
// what the warning says ("" for none).
struct Refusal
{
    int type;
    QString address, message, time;
    bool portOpen;
    QString says;
};
Q_DECLARE_METATYPE(Refusal)

// The SMS window against a fake modem, with its message boxes answered by the test.
class SmsWindowTest : public QObject, public ProgramOnFakeLink
{
    Q_OBJECT

    QString logText() const
    {
        QFile f(dir.filePath("SMSLog.txt"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void setMessage(const QString &text) { SMS_Frm->EditMessage->setPlainText(text); }
    void compose(const QString &number, const QString &text)
    {
        SMS_Frm->EditDA->setText(number);
        setMessage(text);
    }
    void pressSend()
    {
        fake->written.clear();
        SMS_Frm->SMS_SendB->click();
    }
    // The last box has this caption and says this.
    bool told(const char *caption, const QString &text) const
    {
        return !boxes.empty() && boxes.back().caption == caption && lastBox().contains(text);
    }
    // The next real box (not the recorder's) is handed to `act` once it is up.
    void onRealBox(const std::function<void(QMessageBox *)> &act)
    {
        notice::setHook({});
        QTimer::singleShot(0, this, [act] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                act(box);
        });
    }
    static inline const QString sentAbc =
        "To: 1234567 (Phone number)\nRelative VP: 63 weeks\nabc\n\n";

    // "How are you?" from +31641600986, as handed over by "+CMT:" or listed.
    static inline const std::string deliver =
        "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07";

    // Plays the modem's side of a send: the command line, the PDU, the answer.
    QByteArray sendAndConfirm()
    {
        pressSend();
        if (!fake->written.startsWith("AT+CMGS=") ||
            !QTest::qWaitFor([this] { return fake->written.endsWith('\x1A'); }, 2000))
            return {};
        const QByteArray sent = fake->written;
        fake->inject("\r\n> ");
        fake->inject("\r\n+CMGS: 7\r\n\r\nOK\r\n");
        return sent;
    }

private slots:
    void initTestCase() { prepare(); }

    // No indication request on connecting: the tests that want one ask for it.
    void init()
    {
        startConnected();
        Form1->SmsValue = "OFF";
        SMS_Frm->show();
    }

    void cleanup()
    {
        finish();
        prepare();
        QFile::remove(dir.filePath("SMSLog.txt"));
        QFile::remove(dir.filePath("SMSLog.txt.bak"));
    }

    // A refused send sends nothing and logs nothing; the box says why (no box: "").
    void refusedSendsSendNothing_data()
    {
        QTest::addColumn<Refusal>("r");
        const auto row = [](const char *name, const Refusal &r) { QTest::newRow(name) << r; };
        row("no number", {0, "", "", "", true, "Please enter the destination number."});
        row("no message", {0, "8816", "", "", true, "There is no message to send."});
        row("no e-mail address",
            {1, "", "", "", true, "Please enter the destination email address."});
        row("bad e-mail address",
            {1, "ops.example.org", "hello", "", true, "Please enter the valid email address."});
        row("# and * in a number",
            {0, "12#3*4#", "hi", "", true, "The destination number cannot contain \"#\" \"*\".\n"});
        row("unfinished time", {1, "ops@example.org", "hi", "23:5", true, ""});
        row("too long, shorter declined",
            {0, "12", QString(159, 'b') + "[", "", true,
             "Would you like to send the following message instead?\n"});
        row("port closed", {0, "8816", "hello", "", false, ""});
    }

    void refusedSendsSendNothing()
    {
        QFETCH(const Refusal, r);
        SMS_Frm->CallType_ComboBox->setCurrentIndex(r.type);
        QCOMPARE(std::pair(SMS_Frm->EditDA->isHidden(), SMS_Frm->EditEA->isHidden()),
                 std::pair(r.type == 1, r.type == 0));
        (r.type == 0 ? SMS_Frm->EditDA : SMS_Frm->EditEA)->setText(r.address);
        if (!r.time.isEmpty()) {
            SMS_Frm->RAbsoluteVP->click();
            SMS_Frm->Time_MaskEdit->setText(r.time);
        }
        setMessage(r.message);
        boxes.clear();
        fake->written.clear();
        Form1->SaxComm1->setPortOpen(r.portOpen);
        SMS_Frm->SMS_SendB->click();
        QVERIFY(!r.portOpen || fake->written.isEmpty());
        QCOMPARE(logText(), QString());
        QCOMPARE(boxes.size(), size_t(r.says.isEmpty() ? 0 : 1));
        QVERIFY2(r.says.isEmpty() || told("Warning", r.says), qPrintable(lastBox()));
    }

    // Only a send's own answers end it: a stray OK, NO CARRIER or BUSY leave it waiting for its
    // confirmation, which is then logged, once.
    void strayAnswersLeaveASendWaiting()
    {
        compose("1234567", "abc");
        pressSend();
        QCOMPARE(SMS_Frm->SMS_Status->text(), QString(" Sending..."));
        QVERIFY(!Form1->SMSB->isEnabled());
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        fake->inject("\r\nOK\r\n\r\nNO CARRIER\r\n\r\nBUSY\r\n");
        QVERIFY(!SMS_Frm->SMS_SendB->isEnabled());
        fake->inject("\r\n+CMGS: 7\r\n\r\nOK\r\n");
        fake->inject("\r\n+CMGS: 11\r\n\r\nOK\r\n");
        QCOMPARE(logText(), "[SENT]\n" + sentAbc);

        // The log is shown: Yes on deleting it clears it.
        answers = {true};
        SMS_Frm->SMS_DeleteB->click();
        QCOMPARE(logText(), QString());
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().isEmpty());
        QVERIFY(!SMS_Frm->SMS_DeleteB->isEnabled());
    }

    void emailAndAbsolutePeriod()
    {
        SMS_Frm->CallType_ComboBox->setCurrentIndex(1);
        SMS_Frm->EditEA->setText("ops@example.org");
        setMessage("hi");
        QCOMPARE(SMS_Frm->CharCounter->text(), QString("18"));
        SMS_Frm->RAbsoluteVP->click();
        QVERIFY(!SMS_Frm->AbsolutePanel->isHidden() && SMS_Frm->RelativePanel->isHidden());
        SMS_Frm->Month_ComboBox->setCurrentText("12");
        SMS_Frm->Day_ComboBox->setCurrentText("31");
        SMS_Frm->Year_ComboBox->setCurrentText("05");
        SMS_Frm->Time_MaskEdit->setText("23:59:00");
        SMS_Frm->TimeZone_ComboBox->setCurrentText("GMT+1");
        const QByteArray sent = sendAndConfirm();
        // First octet, TP-MR, the e-mail gateway's address, PID and DCS, absolute validity.
        QVERIFY2(sent.contains("190002912A000050211332950010"), sent);
        QVERIFY(logText().startsWith("[SENT]\nTo: ops@example.org (Email address)\n"
                                     "Absolute VP: 12/31/05 23:59:00 (GMT+1)\n"
                                     "ops@example.org hi\n\n"));
    }

    void typedNumbersCharactersAndLengthAreChecked()
    {
        SMS_Frm->EditDA->setFocus();
        QTest::keyClicks(SMS_Frm->EditDA, "+12a-3*#");
        QCOMPARE(SMS_Frm->EditDA->text(), QString("+123*#"));

        answers = {true};
        setMessage("a`b");
        QVERIFY(lastBox().startsWith("The following character(s) may not arrive correctly "));
        QVERIFY(lastBox().contains("destination system: `\nWould you like"));
        QCOMPARE(SMS_Frm->EditMessage->toPlainText(), QString("ab"));

        // With the real box: Greek capitals are named, and what is typed on while it is up
        // goes into the message, not to the box's buttons.
        setMessage("");
        SMS_Frm->EditMessage->setFocus();
        QString asked;
        onRealBox([&asked](QMessageBox *box) {
            asked = box->text();
            QWidget *keys = box->focusWidget() ? box->focusWidget() : box;
            QTest::keyClicks(keys, "y no");
            QTest::keyClick(keys, Qt::Key_Return);
        });
        QTest::sendKeyEvent(QTest::Click, SMS_Frm->EditMessage, Qt::Key_unknown,
                            QString::fromUtf8("\xCE\x91"), Qt::NoModifier);
        QVERIFY2(asked.contains(QString::fromUtf8(": \xCE\x91 (Greek Alpha)\nWould")),
                 qPrintable(asked));
        QTRY_COMPARE(SMS_Frm->EditMessage->toPlainText(), QString("y no"));
        prepare();

        // The e-mail check refused: back to the phone number type.
        setMessage("a[b");
        answers = {false};
        SMS_Frm->CallType_ComboBox->setCurrentIndex(1);
        QVERIFY(lastBox().startsWith("There are character(s) which cannot be sent by email"));
        QCOMPARE(SMS_Frm->CallType_ComboBox->currentIndex(), 0);
        QVERIFY(!SMS_Frm->EditDA->isHidden());

        SMS_Frm->SelectVP_SpinEdit->setValue(168);
        QCOMPARE(SMS_Frm->RelativeVP_calc->text(), QString("2 days "));

        // Too long: the shorter text is offered while typing, and again on Send.
        answers = {false, true}; // keep it while editing; take the shorter one on Send
        compose("12", QString(155, 'a') + "^^^");
        QCOMPARE(SMS_Frm->CharCounter->text(), QString("2 parts, 145 left")); // 161 septets
        QVERIFY(lastBox().contains("Would you like to adjust the message to the following?\n"));
        QVERIFY(lastBox().contains("Adjusted message:\n" + QString(155, 'a') + "^^\n"));
        sendAndConfirm();
        QVERIFY(lastBox().contains("Would you like to send the following message instead?\n"));
        QCOMPARE(SMS_Frm->EditMessage->toPlainText(), QString(155, 'a') + "^^");
        QVERIFY(logText().contains(QString(155, 'a') + "^^\n\n"));
    }

    void handsetErrorsAndSilenceAreExplained()
    {
        SMS_Frm->HandleSmsResult(-6, {});
        QCOMPARE(lastBox(), QString("Invalid memory index!\nPlease try again."));
        answers = {true};
        SMS_Frm->HandleSmsResult(-5, {});
        QCOMPARE(boxes.back().caption, QString("Failed"));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QString("OFF"));
        QVERIFY(!Form1->SMSB->isChecked());
        // Through the receive path: "+CMS ERROR:331" answering a command the operator typed,
        // with or without the space most modems write.
        for (const char *error : {"\r\n+CMS ERROR:331\r\n", "\r\n+CMS ERROR: 331\r\n"}) {
            boxes.clear();
            typeLine("AT+CMGS=20");
            fake->inject(error);
            QVERIFY(lastBox().startsWith("Error occurred while processing the SMS command.\nPos"));
            QVERIFY(told("Error", "- Invalid validity period input"));
        }

        // Two minutes for a satellite link pass in 300 ms of the test's clock.
        QElapsedTimer clock;
        clock.start();
        Form1->SaxComm1->exchange()->setClock([clock] { return clock.elapsed() * 400; });

        compose("1234567", "abc");
        SMS_Frm->SMS_SendB->click();
        QVERIFY(!SMS_Frm->SMS_SendB->isEnabled());
        QTRY_VERIFY(SMS_Frm->SMS_SendB->isEnabled());
        QCOMPARE(SMS_Frm->SMS_Status->text(), QString());
        QVERIFY(Form1->SMSB->isEnabled());
        QVERIFY(told("Warning", "The handset did not answer the send.\nThe message may or may "
                                "not have gone out"));
        QCOMPARE(logText(), QString());
        // Its confirmation after all: the handset did send it, so it is logged, marked late,
        // and the operator is told not to send it again.
        fake->inject("\r\n+CMGS: 7\r\n\r\nOK\r\n");
        QCOMPARE(logText(), "[SENT] (confirmed late: +CMGS: 7)\n" + sentAbc);
        QVERIFY(lastBox().contains("Do not send it again."));
        boxes.clear();
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(!SMS_Frm->SMS_ViewB->isEnabled());
        QTRY_VERIFY(SMS_Frm->SMS_ViewB->isEnabled());
        QTRY_VERIFY(!boxes.empty());
        QVERIFY(lastBox().startsWith("The handset did not answer the listing"));

        // A delete that is answered says nothing; one that is not, says so.
        boxes.clear();
        SMS_Frm->SMS_IndexListBox->addItem(new SmsListEntry("3", {}));
        SMS_Frm->SMS_IndexListBox->addItem(new SmsListEntry("4", {}));
        SMS_Frm->SMS_IndexListBox->setCurrentRow(0);
        SMS_Frm->SMS_DeleteB->setEnabled(true); // as a listing leaves it
        SMS_Frm->SMS_DeleteB->click();
        fake->inject("AT+CMGD=3\r\r\nOK\r\n");
        QTRY_VERIFY(SMS_Frm->SMS_DeleteB->isEnabled());
        QVERIFY(boxes.empty());
        SMS_Frm->SMS_DeleteB->click();
        QTRY_VERIFY(!boxes.empty());
        QVERIFY(lastBox().startsWith("The handset did not answer the delete"));
    }

    // A long log ends on the newest entry; deleting it asks, with No as the default.
    void longLogEndsOnTheNewestEntryAndDeletingItDefaultsToNo()
    {
        QByteArray old;
        for (int i = 0; i < 2500; ++i)
            old += "[RECEIVED]\nFrom: 12 (International)\nSCTS: 01/01/26 00:00:00 (GMT)\n"
                   "old message " +
                   QByteArray::number(i) + "\n\n";
        writeFile("SMSLog.txt", old);
        QTextEdit *view = SMS_Frm->SMS_MessageRichEdit;
        auto endShown = [view] {
            QTextCursor end(view->document());
            end.movePosition(QTextCursor::End);
            return view->viewport()->rect().contains(view->cursorRect(end).center());
        };
        compose("12", "newest sent");
        QVERIFY(!sendAndConfirm().isEmpty());
        QVERIFY(view->toPlainText().endsWith("newest sent\n\n"));
        QVERIFY(endShown());

        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
        view->verticalScrollBar()->setValue(0);
        fake->inject(QByteArray::fromStdString("\r\n+CMT: ,24\r\n" + deliver + "\r\n"));
        QCOMPARE(SMS_Frm->SMS_ViewComboBox->currentIndex(), 5);
        QCOMPARE(MsgBox->T1->text(), QString("New messages have arrived"));
        QVERIFY(endShown());

        // Viewed again, then the real box: Enter takes its default, which must be No.
        const QString before = logText();
        SMS_Frm->SMS_ViewB->click();
        QString seen; // caption, default button
        onRealBox([&seen](QMessageBox *box) {
            seen = box->windowTitle() + (box->defaultButton() == box->button(QMessageBox::No)
                                             ? ", No the default"
                                             : ", No not the default");
            QTest::keyClick(box, Qt::Key_Return);
        });
        SMS_Frm->SMS_DeleteB->click();
        prepare(); // the hook back
        QCOMPARE(seen, QString("Warning, No the default"));
        QCOMPARE(logText(), before);
    }

    void storedMessagesAndAFullStorageAreTold()
    {
        Form1->SmsValue = "ON";
        fake->inject("\r\n+CMTI: \"SM\",3\r\n");
        QVERIFY(MsgBox->isVisible());
        QCOMPARE(MsgBox->T1->text(), QString("New messages have arrived.\nStored at: SM, index 3"));
        QCOMPARE(MsgBox->T2->text(), QString("Reading messages..."));
        QTRY_COMPARE(fake->written, QByteArray("AT+CMGL=0\r"));

        // The storage is full while those are read: the operator is told what to do.
        fake->inject("AT+CMGL=0\r\r\n+CMS ERROR: 322\r\n");
        QVERIFY(told("Warning", "The SMS storage in the modem is full!\n"
                                "The SMS messages will not be stored, received, or\n"
                                "displayed immediately. Please delete at least one\n"
                                "message."));
        QVERIFY(!MsgBox->isVisible());
        QVERIFY(SMS_Frm->SMS_ViewB->isEnabled());
        QVERIFY(!Form1->RequestSMSTimer->isActive()); // no indication retry loop

        // With indications off nothing pops up and nothing is read: the window only says so.
        MsgBox->close();
        Form1->SmsValue = "OFF";
        fake->written.clear();
        fake->inject("\r\n+CMTI: \"ME\",12\r\n");
        QVERIFY(!MsgBox->isVisible());
        QVERIFY(SMS_Frm->SMS_Status->text().contains("new message is stored"));
        QVERIFY(!Form1->RequestSMSTimer->isActive() && !Form1->SaxComm1->exchange()->busy());
        QVERIFY(fake->written.isEmpty());
    }

    // Answers as handsets other than the simulator give them.
    void realModemAnswersAreRead()
    {
        // A delivery report for message 12, delivered; time stamps in GMT+2 (TS 23.040 9.2.2.3).
        // No centre (00), first octet 06, TP-MR 0C, TP-RA 0B912120550541F3, TP-SCTS
        // 62802101000080, TP-DT 62802101005080, TP-ST 00.
        const std::string report = "00060C0B912120550541F3628021010000806280210100508000";
        // Each kind of list asks the handset for its own stored state.
        const QStringList kinds = {"Received Unread Messages", "Received Read Messages",
                                   "Stored Unsent Messages", "Stored Sent Messages",
                                   "All Stored Messages"};
        for (int stat = 0; stat < kinds.size(); ++stat) {
            SMS_Frm->SMS_ViewComboBox->setCurrentText(kinds[stat]);
            fake->written.clear();
            SMS_Frm->SMS_ViewB->click();
            QCOMPARE(fake->written, "AT+CMGL=" + QByteArray::number(stat) + "\r");
            if (stat < 4)
                fake->inject("\r\nOK\r\n");
        }
        // The PDU on the header's line, a stray quote, a junk line, an unread entry, a report.
        fake->inject(QByteArray::fromStdString("\r\n+CMGL: 1,1,,24 " + deliver +
                                               "\r\n+CMGL: 2,1,,24\r\n" + deliver +
                                               "\"\r\n+CMGL: 3,0,,24\r\nVENDOR NOTE\r\n" + deliver +
                                               "\r\n+CMGL: 4,2,,25\r\n" + report + "\r\nOK\r\n"));
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 3);
        QCOMPARE(logText().count("[RECEIVED]"), 1); // the unread one, marked read by listing
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().contains(
            "Delivery report for message 12 to +12025550143: delivered"));

        // A delete the handset refuses keeps its row.
        SMS_Frm->SMS_IndexListBox->setCurrentRow(0);
        SMS_Frm->SMS_DeleteB->click();
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 2);
        fake->inject("\r\n+CME ERROR: 4\r\n");
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 3);
        QVERIFY(lastBox().contains("still stored"));
        // One it takes moves the view on to the entry now in its place.
        SMS_Frm->SMS_IndexListBox->setCurrentRow(1);
        SMS_Frm->SMS_MessageRichEdit->clear();
        SMS_Frm->SMS_DeleteB->click();
        fake->inject("\r\nOK\r\n");
        QCOMPARE(SMS_Frm->SMS_IndexListBox->currentItem()->text(), QString("3"));
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().contains("From: "));

        // A listing in text mode is refused with what to do, not boxes empty.
        SMS_Frm->SMS_ViewB->click();
        fake->inject("\r\n+CMGL: 1,\"REC READ\",\"+12025550143\",,\"26/08/12,10:00:00+08\"\r\n"
                     "Hello\r\nOK\r\n");
        QVERIFY(lastBox().contains("AT+CMGF=0"));

        // The wait for the indication setting can be cancelled; nothing is sent then.
        Form1->SMSB->click();
        QVERIFY(MsgBox->isVisible());
        QCOMPARE(MsgBox->CloseBoxB->text(), QString("Cancel"));
        fake->written.clear();
        MsgBox->CloseBoxB->click();
        QVERIFY(!MsgBox->isVisible() && !Form1->RequestSMSTimer->isActive());
        QVERIFY(SMS_Frm->SMS_SendB->isEnabled() && !Form1->SaxComm1->exchange()->busy());
        QVERIFY(fake->written.isEmpty());

        // Linked parts stored apart are listed as one entry and deleted together.
        const std::string text = std::string(153, 'a') + std::string(153, 'b') + "end";
        const auto p = testbytes::deliverParts(text, 9);
        QCOMPARE(p.size(), size_t(3));
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(1);
        SMS_Frm->SMS_ViewB->click();
        fake->inject(QByteArray::fromStdString("AT+CMGL=1\r\r\n+CMGL: 12,1,,159\r\n" + p[2] +
                                               "\r\n+CMGL: 10,1,,159\r\n" + p[0] +
                                               "\r\n\r\nOK\r\n"));
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 1);
        QCOMPARE(SMS_Frm->SMS_IndexListBox->item(0)->text(), QString("10 (3 parts)"));
        fake->written.clear();
        SMS_Frm->SMS_DeleteB->click();
        QCOMPARE(fake->written, QByteArray("AT+CMGD=10;+CMGD=12\r"));
    }

    // Linked parts go one after the other, each once the one before is confirmed; the log gets
    // one entry with the whole text after the last.
    void longMessageGoesInPartsAndIsLoggedOnce()
    {
        notice::setChoiceHook([](const QString &, const QString &, const QString &third) {
            return third == QStringLiteral("Keep as 3 parts") ? 2 : 1;
        });
        compose("12", QString(306, 'p') + "end");
        pressSend();
        for (int k = 1; k <= 3; ++k) {
            QTRY_VERIFY(fake->written.endsWith('\x1A'));
            QVERIFY2(fake->written.startsWith("AT+CMGS="), fake->written);
            QCOMPARE(SMS_Frm->SMS_Status->text(), QString(" Sending part %1 of 3...").arg(k));
            QVERIFY(!SMS_Frm->SMS_SendB->isEnabled());
            fake->written.clear();
            fake->inject("\r\n> ");
            fake->inject("\r\n+CMGS: " + QByteArray::number(k) + "\r\n");
            QCoreApplication::processEvents(); // nothing goes before the command has ended
            QCOMPARE(std::pair(fake->written, logText()), std::pair(QByteArray(), QString()));
            fake->inject("\r\nOK\r\n");
            QCOMPARE(logText().isEmpty(), k < 3);
            QVERIFY(k == 3 || !SMS_Frm->SMS_SendB->isEnabled());
        }
        QCOMPARE(std::pair(SMS_Frm->SMS_Status->text(), SMS_Frm->SMS_SendB->isEnabled()),
                 std::pair(QString(), true));

        // A part the handset refuses stops the rest, and the box says which one it was.
        pressSend();
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        fake->inject("\r\n> \r\n+CMGS: 4\r\n\r\nOK\r\n");
        QTRY_VERIFY(fake->written.count('\x1A') == 2);
        fake->written.clear();
        fake->inject("\r\n> \r\n+CMS ERROR:500\r\n");
        QVERIFY2(told("Error", "part 2 was not confirmed, so the parts after it were not sent. "
                               "Part 1 went out."),
                 qPrintable(lastBox()));
        QCoreApplication::processEvents();
        QCOMPARE(std::pair(fake->written, logText().count("[SENT]")),
                 std::pair(QByteArray(), qsizetype(1)));
        QVERIFY(SMS_Frm->SMS_SendB->isEnabled());

        // The longest message the window sends: 255 parts, the last one whole and numbered so.
        notice::setChoiceHook([](const QString &, const QString &, const QString &third) {
            return third == QStringLiteral("Send as 255 parts") ? 2 : 1;
        });
        const QString longest = QString("0123456789").repeated(3902).left(255 * 153);
        setMessage(longest);
        pressSend();
        QByteArray last;
        for (int k = 1; k <= 255; ++k) {
            QTRY_VERIFY(fake->written.endsWith('\x1A'));
            last = std::exchange(fake->written, {});
            fake->inject("\r\n> \r\n+CMGS: 9\r\n\r\nOK\r\n");
        }
        const auto d =
            SmsPduCodec().DecodePdu(last.mid(last.indexOf('\r') + 1).chopped(1).toStdString());
        QCOMPARE(std::tuple(str(d.Text), d.UdhPart, d.UdhTotal),
                 std::tuple(longest.right(153), 255, 255));
        QVERIFY(logText().endsWith("63 weeks\n" + longest + "\n\n"));

        // Declined while typing, the parts are offered again on Send, and then sent.
        notice::setChoiceHook([](const QString &, const QString &, const QString &third) {
            return third == QStringLiteral("Send as 2 parts") ? 2 : 1;
        });
        setMessage(QString(200, 'r'));
        pressSend();
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        QVERIFY(fake->written.contains("050003"));
        notice::setChoiceHook({});
    }

    void failedLogAppendIsReported()
    {
        QDir().mkpath(dir.filePath("taken"));
        Program->smsLogPath = dir.filePath("taken").toStdString(); // a folder where the file goes
        compose("1234567", "abc");
        QVERIFY(!sendAndConfirm().isEmpty());
        QTRY_VERIFY(told("Warning", "The message was not logged"));
    }
};

QTEST_MAIN(SmsWindowTest)
#include "SmsWindowTest.moc"
