#include "FakeProgram.h"
#include "HexView.h"
#include "Panel.h"
#include "SignalPanel.h"
#include "TATTableForm.h"
#include "TPort_Frm.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"
#include "WindowPlacement.h"
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

// The main window as the operator meets it: the intro, its menus, switches and status bar,
// its session files and its reactions to the modem's lines.
class MainWindowTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    static bool shown(QMenu *menu) { return menu->menuAction()->isVisible(); }

    // The rows of the text screen in view, scrolled back or not.
    static QStringList inView()
    {
        return screen()->allText().split('\n').mid(
            screen()->scrollbackCount() - screen()->viewOffset(), screen()->rows());
    }

private slots:
    void initTestCase() { prepare(false); }

    void cleanup()
    {
        finish();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        QDir::setCurrent(dir.path()); // the old working folder was just removed
    }

    // No session file anywhere: the built-in defaults. Pause holds the intro until Close.
    void theIntroPausesUntilClose()
    {
        start("");
        Form1->show();
        QVERIFY(Form1->IntroScreen->isVisible() && !Form1->SaxComm1->isVisible());
        QVERIFY(!shown(Form1->File1) && !shown(Form1->Help1) && !shown(Form1->Info1));
        const auto item = [](const char *name) { return Form1->menuItem(name)->isVisible(); };
        QCOMPARE(std::tuple(item("ATplusPP"), item("ATplusPNAV"), item("ATplusPM"),
                            str(Form1->ComValue), str(Form1->TermVerValue),
                            str(Form1->CountryCodeText), Form1->AnswerCalls,
                            Form1->EchoB->isChecked(), Form1->Pause->caption()),
                 std::tuple(false, false, true, "COM1", "TSS", "1", true, true, "pause"));

        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QCOMPARE(std::tuple(Form1->Pause->caption(), Form1->IntroScreenTimer->isActive(),
                            Form1->IntroScreen->isVisible(), Form1->SaxComm1->PortOpen()),
                 std::tuple("close", false, true, false));

        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        QVERIFY(!Form1->IntroScreen->isVisible() && Form1->SaxComm1->isVisible());
        // Nothing of the frame around it lies over the terminal.
        QWidget *top = Form1->centralWidget()->childAt(Form1->SaxComm1->geometry().center());
        QVERIFY(top && (top == Form1->SaxComm1 || Form1->SaxComm1->isAncestorOf(top)));
        QVERIFY(shown(Form1->File1) && shown(Form1->Options1) && shown(Form1->Info1));
        QCOMPARE(std::tuple(Form1->ModeTitle->text(), Form1->SaxComm1->PortOpen(),
                            Form1->SaxComm1->AutoReceive()),
                 std::tuple("Tandrel", true, false));
    }

    // Grows with the terminal and opens next time at the size it was left at.
    void resizableWithTheTerminalAndRemembered()
    {
        startConnected();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        const QSize first = Form1->size();
        const int cols = screen()->columns(), rows = screen()->rows();

        Form1->resize(first + QSize(300, 200));
        QTRY_COMPARE(Form1->size(), first + QSize(300, 200));
        QTRY_VERIFY(screen()->columns() > cols + 30);
        QVERIFY(screen()->rows() > rows + 10);
        // The rows stay below the terminal.
        QVERIFY(Form1->RegularBase->geometry().top() > Form1->SaxComm1->geometry().bottom());
        QVERIFY(!Form1->Signal_Panel->geometry().intersects(Form1->SMS_Panel->geometry()));
        const QSize outer = placement::frameOf(Form1).size();
        Form1->close();
        finish();
        startConnected();
        QTRY_COMPARE(placement::frameOf(Form1).size(), outer);
    }

    // Time stamps are the screen's alone: the rules, the modem and the copy without them.
    void timeStampsStartEachReceivedLine()
    {
        startConnected();
        QVERIFY(!Form1->ShowTimeStamps1->isChecked()); // off unless chosen
        fake->inject("plain\r\n");
        QVERIFY(screen()->screenText().split('\n').contains("plain"));
        Form1->ShowTimeStamps1->trigger();
        Form1->SaxComm1->stampClock = [] { return QTime(9, 5, 7, 42); };
        fake->inject("AT+CSQ\r\r\n+CS");
        fake->inject("Q:4\r\n\r\nOK\r\n");
        QVERIFY(screen()->screenText().endsWith("\n09:05:07.042 AT+CSQ\n"
                                                "09:05:07.042 +CSQ:4\n"
                                                "09:05:07.042\n" // the blank line's own stamp
                                                "09:05:07.042 OK"));
        // What reads the received text saw it as it came: "+CSQ:4" began its line; and nothing
        // of it went to the modem.
        QCOMPARE(std::tuple(Form1->Signal_Panel->bars(), fake->written), std::tuple(4, ""));
        // Echoed typing starts its line after the stamp, and a line rewritten after a bare
        // carriage return keeps its stamp.
        typeLine("AT");
        fake->inject("\r\nOK\r\n10%\r20%\r\n");
        QVERIFY2(screen()->screenText().endsWith("\n09:05:07.042 AT\n09:05:07.042 OK\n"
                                                 "09:05:07.042 20%"),
                 qPrintable(screen()->screenText()));
        Form1->ShowTimeStamps1->trigger();
        fake->inject("after\r\n");
        QVERIFY(screen()->screenText().split('\n').contains("after"));
    }

    // Port, session and property choices are open only while disconnected.
    void statusAndMenusFollowThePort()
    {
        startConnected(true);
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));
        const std::initializer_list<QObject *> closedWhileConnected = {
            Form1->SetPortProperties1, Form1->SetDialingProperties1,
            Form1->OpenSession1,       Form1->Connect1,
            Form1->PPropertyB,         Form1->DPropertyB};
        const auto enabled = [](QObject *o) { return o->property("enabled").toBool(); };
        for (QObject *o : closedWhileConnected)
            QVERIFY2(!enabled(o), qPrintable(o->objectName()));
        QVERIFY(Form1->Disconnect1->isEnabled() && Form1->SendFiles1->isEnabled());

        Form1->ReconnectAutomatically1->setChecked(false);
        fake->vanish("The port went away.");
        QTRY_COMPARE(Form1->Status->caption(), QString("Disconnected"));
        for (QObject *o : closedWhileConnected)
            QVERIFY2(enabled(o), qPrintable(o->objectName()));
        QVERIFY(!Form1->Disconnect1->isEnabled() && !Form1->Paste1->isEnabled());
        QVERIFY(!Form1->ReceiveFiles1->isEnabled());
    }

    // The session's echo setting, the toolbar button and the menu item are one switch.
    void echoSettingDecidesWhatTypedKeysShow()
    {
        writeFile("echo-off.sms", "<COM>SIMULATOR<\\COM><ECHO>OFF<\\ECHO>");
        startConnected(true, "\"" + dir.filePath("echo-off.sms").toStdString() + "\"");
        QVERIFY(!Form1->EchoB->isChecked() && !Form1->Set_Echo1->isChecked());
        QTest::keyClicks(screen(), "ati");
        QCOMPARE(fake->written, QByteArray("ati"));
        QVERIFY(!screen()->screenText().contains("ati"));
        fake->inject("Tandrel SH-2\r\nOK\r\n");
        QVERIFY(screen()->screenText().contains("Tandrel SH-2"));

        Form1->EchoB->click();
        QVERIFY(Form1->EchoB->isChecked() && Form1->Set_Echo1->isChecked());
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("ON"));
        QTest::keyClicks(screen(), "xyz");
        QVERIFY(screen()->screenText().contains("xyz"));
        Form1->Set_Echo1->trigger();
        QVERIFY(!Form1->EchoB->isChecked() && !Form1->Set_Echo1->isChecked());
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("OFF"));
        QTest::keyClicks(screen(), "uvw");
        QVERIFY(!screen()->screenText().contains("uvw"));
    }

    void sessionFileIsAppliedToMembersAndControl()
    {
        writeFile("field.sms",
                  "<SETTINGS>9600,e,7,2<\\SETTINGS>\n<COM>COM3<\\COM>\n"
                  "<SIM>GOV<\\SIM>\n<CALL>+44(20)1234-5678<\\CALL>\n<TYPE>Land<\\TYPE>\n"
                  "<RING>OFF<\\RING>\n<FLOW>HW<\\FLOW>\n<SMS>OFF<\\SMS>\n"
                  "<IGVER>L3P0<\\IGVER>\n");
        start(dir.filePath("field.sms").toStdString());
        // Firmware codes (the empty last value) are not taken from the record.
        QCOMPARE(std::tuple(str(Form1->SaxComm1->Settings()), Form1->COM_Panel->caption(),
                            Form1->SaxComm1->Handshaking(), Form1->SIM_Panel->caption(),
                            str(Form1->SaxComm1->PhoneNumber()), Form1->AnswerCalls,
                            Form1->AnsB->isChecked(), Form1->SMSB->isChecked(),
                            str(Form1->IgVerValue)),
                 std::tuple("9600,e,7,2", "COM3", 2, "GOV", "+44(20)1234-5678", false, false, false,
                            ""));
        QVERIFY(Form1->menuItem("ATplusPM")->isVisible());

        // Values it does not know leave the switches as they were.
        writeFile("odd.sms", "<ECHO>MAYBE<\\ECHO><RING>yes<\\RING><SMS><\\SMS>");
        Form1->OpenDialog1->fileSelected(dir.filePath("odd.sms"));
        QCOMPARE(std::tuple(str(Form1->EchoValue), Form1->EchoB->isChecked(),
                            Form1->Set_Echo1->isChecked(), Form1->AnsB->isChecked(),
                            Form1->IncomingCallPanel1->isChecked(), Form1->AnswerCalls,
                            Form1->SMSB->isChecked(), Form1->DisplaySMSImmediately1->isChecked()),
                 std::tuple("MAYBE", true, true, false, false, false, false, false));
    }

    void missingFileFallsBackToTheDefaultSession()
    {
        QDir().mkpath(dir.filePath("Session"));
        writeFile("Session/default.sms", "<COM>COM7<\\COM>");
        start("no-such-file.sms");
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM7"));
        // Not without a word: the operator learns which file failed and why.
        Form1->show();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = Form1->findChild<QMessageBox *>("NoticeBox")) && box->isVisible());
        QVERIFY2(
            box->text().contains("no-such-file.sms cannot be read (No such file or directory)"),
            qPrintable(box->text()));
    }

    // The port chosen, a session opened or saved: the next start comes back to it, unless
    // the command line names a session.
    void theSessionUsedLastOpensAtTheNextStart()
    {
        start("");
        Port_Frm->show();
        Port_Frm->COM_ComboBox->setCurrentText("/dev/ttyUSB5");
        Port_Frm->PortSet_OKB->click();
        destroyOnFakeLink(fake);
        start("");
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("/dev/ttyUSB5"));
        writeFile("field.sms", "<COM>COM3<\\COM>\n<SMS>OFF<\\SMS>\n");
        Form1->OpenDialog1->fileSelected(dir.filePath("field.sms"));
        destroyOnFakeLink(fake);
        start("");
        QCOMPARE(std::tuple(str(Form1->ComValue), str(Form1->SmsValue)), std::tuple("COM3", "OFF"));
        writeFile("other.sms", "<COM>COM9<\\COM>\n");
        destroyOnFakeLink(fake);
        start(dir.filePath("other.sms").toStdString());
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM9"));
    }

    // What the window holds goes into the file, in UTF-8 even when it was read from an old
    // Windows-1252 file; a failed save is not silent.
    void openedAndSavedFromTheMenu()
    {
        start("");
        writeFile("old.sms", "<COM>/dev/serial/by-id/usb-Pr\xE4zision<\\COM>\n<SMS>OFF<\\SMS>\n");
        Form1->OpenSession1->trigger();
        Form1->OpenDialog1->fileSelected(dir.filePath("old.sms"));
        Form1->OpenDialog1->close();
        QCOMPARE(std::tuple(str(Form1->ComValue), str(Form1->SmsValue)),
                 std::tuple(QStringLiteral("/dev/serial/by-id/usb-Präzision"), "OFF"));

        Form1->TypeValue = "Sate";
        Form1->SatelliteNumber = "+8816314";
        Form1->EchoValue = "OFF";
        Form1->SaxComm1->setSettings("4800,n,8,1");
        Form1->SaveSession1->trigger();
        QVERIFY(Form1->SaveDialog1->isVisible());
        Form1->SaveDialog1->fileSelected(dir.filePath("saved.sms"));
        Form1->SaveDialog1->close();
        QFile f(dir.filePath("saved.sms"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY(saved.contains("<SETTINGS>4800,n,8,1<\\SETTINGS>\n"
                               "<COM>/dev/serial/by-id/usb-Pr\xC3\xA4zision<\\COM>\n"));
        QVERIFY(saved.contains("<CALL>+8816314<\\CALL>\n<TYPE>Sate<\\TYPE>\n<ECHO>OFF<\\ECHO>"));

        // A save that fails says so in a warning box.
        Form1->SaveDialog1->fileSelected(dir.filePath("no/such/folder/x.sms"));
        QMessageBox *box = Form1->findChild<QMessageBox *>("WarningBox");
        QTRY_VERIFY(box && box->isVisible());
        QCOMPARE(box->windowTitle(), QString("Warning"));
        QVERIFY(box->text().contains("no/such/folder/x.sms"));
    }

    // The Close button and File > Exit end alike.
    void exitClosesThePortAndReleasesTheSmsState_data()
    {
        QTest::addColumn<bool>("button");
        QTest::newRow("Close button") << true;
        QTest::newRow("File > Exit") << false;
    }

    void exitClosesThePortAndReleasesTheSmsState()
    {
        QFETCH(bool, button);
        startConnected(true);
        SMS_Frm->SMS_IndexListBox->addItem(new SmsListEntry("001", {}));
        if (button)
            Form1->Close->click();
        else
            Form1->Exit1->trigger();
        QCOMPARE(
            std::tuple(exitStatus, SMS_Frm->SMS_IndexListBox->count(), Form1->SaxComm1->PortOpen()),
            std::tuple(0, 0, false));
    }

    void introEndsByItsOwnTimer()
    {
        start();
        Form1->show();
        QVERIFY(Form1->IntroScreen->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->IntroScreen->isVisible(), 10000);
        QVERIFY(Form1->SaxComm1->isVisible() && Form1->SaxComm1->PortOpen());
    }

    // The toolbar buttons open their AT table pages; View SMS Window opens on the log.
    void toolbarAndMenuOpenTheirWindows()
    {
        startConnected(true);
        const std::pair<QPushButton *, const char *> buttons[] = {
            {Form1->EscplusB, "+++"},    {Form1->ATAB, "ATA"},        {Form1->ATDB, "ATD"},
            {Form1->ATHB, "ATH0"},       {Form1->ATOB, "ATOn"},       {Form1->ATSB, "ATS0=n"},
            {Form1->ATFB, "AT&F0"},      {Form1->ATIB, "ATIn"},       {Form1->ATCREGB, "AT+CREG"},
            {Form1->ATCOPSB, "AT+COPS"}, {Form1->ATCBSTB, "AT+CBST"}, {Form1->ATCGSNB, "AT+CGSN"},
            {Form1->ATCSQB, "AT+CSQ"}};
        for (const auto &[button, title] : buttons) {
            ATTableForm->hide();
            button->click();
            QVERIFY(ATTableForm->isVisible());
            QCOMPARE(ATTableForm->ATCommand->text(), QString::fromLatin1(title));
        }
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(-1);
        Form1->ViewSMSWindow1->trigger();
        QVERIFY(SMS_Frm->isVisible());
        QCOMPARE(SMS_Frm->SMS_ViewComboBox->currentText(), QString("Log File"));
        // Another view chosen by the operator stays.
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(2);
        Form1->ViewSMSWindow1->trigger();
        QCOMPARE(SMS_Frm->SMS_ViewComboBox->currentIndex(), 2);
    }

    void searchTakesTheFocus()
    {
        startConnected(true);
        QApplication::setActiveWindow(Form1);
        Form1->Search1->trigger();
        QVERIFY(QTest::qWaitForWindowActive(SearchForm));
        // Left with the focus on its button, the window gives it back to the search field.
        SearchForm->SearchB->setFocus();
        QTRY_VERIFY(SearchForm->SearchB->hasFocus());
        SearchForm->close();
        Form1->Search1->trigger();
        QVERIFY(QTest::qWaitForWindowActive(SearchForm));
        QTRY_VERIFY(SearchForm->Search_ComboBox->hasFocus() ||
                    SearchForm->Search_ComboBox->isAncestorOf(QApplication::focusWidget()));
    }

    // Each switch's panel looks different on and off, as its button does.
    void switchPanelsShowTheirState()
    {
        startConnected();
        disconnectPort(); // so the SMS switch needs no answer from the handset
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

    // The call's duration from CONNECT to NO CARRIER. Polled or asked in the terminal, the
    // signal answers show in the status bar until the port closes.
    void callDurationAndPolledSignalInTheStatusBar()
    {
        startConnected();
        QLabel *clock = Form1->CallTime_Panel;
        QVERIFY(!clock->isVisible());
        fake->inject("ATD0088160000500\r\r\nCONNECT 9600\r\n");
        QCOMPARE(std::tuple(clock->isVisible(), clock->text()), std::tuple(true, "Call 00:00:00"));
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() == "Call 00:00:01" ||
                                     clock->text() == "Call 00:00:02",
                                 4000); // it keeps counting
        fake->inject("\r\nNO CARRIER\r\n");
        QVERIFY(clock->isVisible());
        QVERIFY2(clock->text().startsWith("Last call 00:00:0"), qPrintable(clock->text()));

        // Polling asks only when nothing else is going on.
        QCOMPARE(Form1->Signal_Panel->word(), QString("Unknown"));
        // Off unless chosen.
        QVERIFY(!Form1->PollSignal1->isChecked() && !Form1->PollSignalTimer->isActive());
        Form1->PollSignal1->trigger();
        QVERIFY(Form1->PollSignalTimer->isActive());
        Form1->PollQuietMs = 300;
        const auto polled = [this] {
            fake->written.clear();
            Form1->PollSignalTimerTimer();
            return !fake->written.isEmpty();
        };

        // Something typed a moment ago: not now, but once the line has been quiet.
        QTest::keyClick(screen(), Qt::Key_A);
        QVERIFY(!polled());
        QTRY_VERIFY((Form1->PollSignalTimerTimer(), !fake->written.isEmpty()));
        QCOMPARE(fake->written, QByteArray("AT+CSQ\r"));
        fake->inject("AT+CSQ\r\r\n+CSQ:2\r\n\r\nOK\r\n");
        QCOMPARE(fake->written, QByteArray("AT+CSQ\rAT+CREG?\r"));
        fake->inject("AT+CREG?\r\r\n+CREG: 0,5\r\n\r\nOK\r\n");
        QCOMPARE(Form1->Signal_Panel->toolTip(),
                 QString("Signal strength 2 of 5; registered, roaming."));
        // Not taken for the operator's command by the SMS rules.
        QVERIFY(SMS_Frm->SMS_ViewB->isEnabled());

        // A call, an SMS exchange or an unanswered command: not now either, however quiet.
        Form1->PollQuietMs = 0;
        fake->inject("\r\nCONNECT\r\n");
        QVERIFY(!polled());
        fake->inject("\r\nNO CARRIER\r\n");
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(0);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(!polled());
        fake->inject("\r\nOK\r\n");
        typeLine("AT+COPS=?"); // answer still to come
        QVERIFY(!polled());
        fake->inject("\r\nOK\r\n");
        QVERIFY(polled());
        QCOMPARE(fake->written, QByteArray("AT+CSQ\r"));
        fake->inject("\r\n+CREG: 2\r\n"); // unsolicited
        QCOMPARE(Form1->Signal_Panel->word(), QString("Searching"));
        QVERIFY(!Form1->Signal_Panel->geometry().intersects(Form1->Close->geometry()));
        // Gone with the port: an old reading would mislead.
        Form1->SaxComm1->setPortOpen(false);
        QCOMPARE(std::tuple(Form1->Signal_Panel->bars(), Form1->Signal_Panel->word()),
                 std::tuple(-1, "Unknown"));
    }

    // Options > Show Hex: received bytes in rows of sixteen in place of the terminal, which
    // goes on as if it had been shown all along.
    void bytesInRowsOfSixteenAndTheTextScreenKept()
    {
        startConnected(true);
        HexView *hex = Form1->findChild<HexView *>(QStringLiteral("HexView"));
        QVERIFY(!hex->isVisible()); // off unless chosen

        // An SBD binary read: the echo, the buffer with the bytes a terminal hides, the result.
        fake->inject(QByteArray("AT+SBDRB\r\r\n\x00\x1b\x7f\xff.", 16));
        fake->inject("\r\nOK\r\n");
        for (int i = 0; i < 60; ++i)
            fake->inject("line " + QByteArray::number(i) + "\r\n");
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        screen()->setFocus();

        Form1->ShowHex1->trigger();
        QTRY_VERIFY(hex->isVisible());
        QTRY_VERIFY(hex->hasFocus()); // typing goes on where it went
        QVERIFY(!screen()->isVisible() && !Form1->SaxComm1->scrollBar()->isVisible());
        // The view fills the terminal's place.
        QCOMPARE(hex->geometry(), Form1->SaxComm1->rect());

        QScrollBar *bar = hex->verticalScrollBar();
        bar->setValue(0);
        const QStringList rows = {
            "00000000  41 54 2B 53 42 44 52 42  0D 0D 0A 00 1B 7F FF 2E  |AT+SBDRB........|",
            "00000010  0D 0A 4F 4B 0D 0A 6C 69  6E 65 20 30 0D 0A 6C 69  |..OK..line 0..li|"};
        QCOMPARE(hex->visibleText().split('\n').mid(0, 2), rows);

        // At the bottom the view follows what arrives; the last row may be short.
        bar->setValue(bar->maximum());
        fake->inject("\r\nEND 01\r\n");
        QTRY_COMPARE(hex->visibleText().split('\n').last(),
                     "00000230  0D 0A" + QString(45, ' ') + "|..|");
        // The bar has taken every row in.
        QTRY_COMPARE(bar->maximum(), int(hex->endRow() - hex->firstRow() - hex->visibleRows()));
        // Scrolled back it stays where the operator put it.
        bar->setValue(1);
        const int most = bar->maximum();
        fake->inject("more more more more\r\n");
        QTRY_COMPARE(bar->maximum(), most + 1); // the bar has taken the new row in
        QCOMPARE(std::tuple(hex->visibleText().left(10), bar->value()),
                 std::tuple("00000010  ", 1));
        // Shift+Page Up and Down page through the rows and send nothing.
        bar->setValue(bar->maximum());
        QTest::keyClick(hex, Qt::Key_PageUp, Qt::ShiftModifier);
        QVERIFY(bar->value() < bar->maximum() && !hex->visibleText().contains("more"));
        QTest::keyClick(hex, Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(std::tuple(bar->value(), fake->written), std::tuple(bar->maximum(), ""));

        // Typing still goes to the modem, Enter as a carriage return, and brings the newest
        // rows back for the answer.
        bar->setValue(0);
        QTest::keyClicks(QApplication::focusWidget(), "at");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(std::tuple(fake->written, bar->value()), std::tuple("at\r", bar->maximum()));

        // A dragged selection of rows is copied as shown.
        bar->setValue(0);
        const int rowHeight = hex->fontMetrics().height();
        QTest::mousePress(hex->viewport(), Qt::LeftButton, {}, QPoint(20, 2 + rowHeight / 2));
        QTest::mouseMove(hex->viewport(), QPoint(200, 2 + rowHeight + rowHeight / 2));
        QTest::mouseRelease(hex->viewport(), Qt::LeftButton, {},
                            QPoint(200, 2 + rowHeight + rowHeight / 2));
        QApplication::clipboard()->clear();
        Form1->Copy1->trigger();
        QCOMPARE(QApplication::clipboard()->text(), rows[0] + '\n' + rows[1]);

        // Back to text.
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen()->isVisible());
        QTRY_VERIFY(screen()->hasFocus());
        QVERIFY(!hex->isVisible() && Form1->SaxComm1->scrollBar()->isVisible());

        // The text screen's scrolled-back view survives a trip through the hex view.
        screen()->setViewOffset(10);
        const QString all = screen()->allText();
        const QStringList shown = inView();
        QVERIFY(!shown.contains("more more more more") && shown.contains("line 40"));
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(hex->isVisible());
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen()->isVisible());
        QCOMPARE(std::tuple(screen()->viewOffset(), screen()->allText()), std::tuple(10, all));
        QCOMPARE(inView(), shown);
    }

    // The choice outlives the program like the other options; the bytes kept are bounded,
    // and the newest megabyte survives in order across the ring's wrap.
    void rememberedAndBounded()
    {
        startConnected(true);
        Form1->ShowHex1->trigger();
        Form1->close();
        finish();
        startConnected(true);
        QVERIFY(Form1->ShowHex1->isChecked());
        HexView *hex = Form1->findChild<HexView *>(QStringLiteral("HexView"));
        QTRY_VERIFY(hex->isVisible());

        fake->inject("ab"); // so that the ring's rows do not start at its start
        QByteArray flood(HexView::Capacity + 100, '\0');
        for (qsizetype i = 0; i < flood.size(); ++i)
            flood[i] = char(0x41 + i % 26);
        fake->inject(flood);
        const qint64 total = 2 + flood.size();
        // Past the wrap the oldest row shown is whole and its bytes are those that came.
        QScrollBar *bar = hex->verticalScrollBar();
        QTRY_COMPARE(bar->maximum(), int(hex->endRow() - hex->firstRow() - hex->visibleRows()));
        bar->setValue(0);
        const QString first = hex->visibleText().section('\n', 0, 0);
        const qint64 at = first.left(8).toLongLong(nullptr, 16);
        QVERIFY(at >= total - HexView::Capacity && at < total - HexView::Capacity + 16);
        QCOMPARE(first.section('|', 1, 1), QString::fromLatin1(flood.mid(at - 2, 16)));
        bar->setValue(bar->maximum());
        QVERIFY(hex->visibleText().section('\n', -1).endsWith(
            '|' + QString::fromLatin1(flood.right((total % 16) ? total % 16 : 16)) + '|'));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
