#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "SerialControl.h"
#include "SignalPanel.h"
#include "TForm1.h"
#include "TPort_Frm.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"
#include "WindowPlacement.h"
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTime>

class MainWindowTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    void write(const QString &name, const QByteArray &content)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    static bool shown(QMenu *menu) { return menu->menuAction()->isVisible(); }

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
        QVERIFY(Form1->IntroScreen->isVisible());
        QVERIFY(!Form1->SaxComm1->isVisible());
        QVERIFY(!shown(Form1->File1) && !shown(Form1->Help1) && !shown(Form1->Info1));
        QVERIFY(!Form1->menuItem("ATplusPP")->isVisible());
        QVERIFY(!Form1->menuItem("ATplusPNAV")->isVisible());
        QVERIFY(Form1->menuItem("ATplusPM")->isVisible());
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM1"));
        QCOMPARE(QString::fromStdString(Form1->TermVerValue), QString("TSS"));
        QCOMPARE(QString::fromStdString(Form1->CountryCodeText), QString("1"));
        QVERIFY(Form1->AnswerCalls);
        QVERIFY(Form1->EchoB->isChecked());

        QCOMPARE(Form1->Pause->caption(), QString("pause"));
        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QCOMPARE(Form1->Pause->caption(), QString("close"));
        QVERIFY(!Form1->IntroScreenTimer->isActive());
        QVERIFY(Form1->IntroScreen->isVisible());
        QVERIFY(!Form1->SaxComm1->PortOpen());

        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        QVERIFY(!Form1->IntroScreen->isVisible());
        QVERIFY(Form1->SaxComm1->isVisible());
        // Nothing of the frame around it lies over the terminal.
        QWidget *top = Form1->centralWidget()->childAt(Form1->SaxComm1->geometry().center());
        QVERIFY(top && (top == Form1->SaxComm1 || Form1->SaxComm1->isAncestorOf(top)));
        QVERIFY(shown(Form1->File1) && shown(Form1->Options1) && shown(Form1->Info1));
        QCOMPARE(Form1->ModeTitle->text(), QString("Tandrel"));
        QVERIFY(Form1->SaxComm1->PortOpen());
        QVERIFY(!Form1->SaxComm1->AutoReceive());
    }

    // Grows with the terminal and opens next time at the size it was left at.
    void resizableWithTheTerminalAndRemembered()
    {
        QFile::remove(dir.filePath("tandrel.ini"));
        startConnected();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        TerminalScreen *screen = Form1->SaxComm1->screen();
        const QSize first = Form1->size();
        const int cols = screen->columns(), rows = screen->rows();

        Form1->resize(first + QSize(300, 200));
        QTRY_COMPARE(Form1->size(), first + QSize(300, 200));
        QTRY_VERIFY(screen->columns() > cols + 30);
        QVERIFY(screen->rows() > rows + 10);
        // The rows stay below the terminal.
        QVERIFY(Form1->RegularBase->geometry().top() > Form1->SaxComm1->geometry().bottom());
        QVERIFY(!Form1->Signal_Panel->geometry().intersects(Form1->SMS_Panel->geometry()));
        const QSize outer = placement::frameOf(Form1).size();
        Form1->close();
        finish();
        startConnected();
        QTRY_COMPARE(placement::frameOf(Form1).size(), outer);
        QFile::remove(dir.filePath("tandrel.ini"));
    }

    // Time stamps are the screen's alone: the rules, the modem and the copy without them.
    void timeStampsStartEachReceivedLine()
    {
        startConnected();
        TerminalScreen *screen = Form1->SaxComm1->screen();
        QVERIFY(!Form1->ShowTimeStamps1->isChecked()); // off unless chosen
        fake->inject("plain\r\n");
        QVERIFY(screen->screenText().split('\n').contains("plain"));
        Form1->ShowTimeStamps1->trigger();
        Form1->SaxComm1->stampClock = [] { return QTime(9, 5, 7, 42); };
        fake->inject("AT+CSQ\r\r\n+CS");
        fake->inject("Q:4\r\n\r\nOK\r\n");
        QVERIFY(screen->screenText().endsWith("\n09:05:07.042 AT+CSQ\n"
                                              "09:05:07.042 +CSQ:4\n"
                                              "09:05:07.042\n" // the blank line's own stamp
                                              "09:05:07.042 OK"));
        // What reads the received text saw it as it came: "+CSQ:4" began its line.
        QCOMPARE(Form1->Signal_Panel->bars(), 4);
        QVERIFY(fake->written.isEmpty()); // and nothing of it went to the modem
        // Echoed typing starts its line after the stamp, and a line rewritten after a bare
        // carriage return keeps its stamp.
        QTest::keyClicks(screen, "AT");
        QTest::keyClick(screen, Qt::Key_Return);
        fake->inject("\r\nOK\r\n10%\r20%\r\n");
        QVERIFY2(screen->screenText().endsWith("\n09:05:07.042 AT\n09:05:07.042 OK\n"
                                               "09:05:07.042 20%"),
                 qPrintable(screen->screenText()));
        Form1->ShowTimeStamps1->trigger();
        fake->inject("after\r\n");
        QVERIFY(screen->screenText().split('\n').contains("after"));
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
        write("echo-off.sms", "<COM>SIMULATOR<\\COM><ECHO>OFF<\\ECHO>");
        startConnected(true, "\"" + dir.filePath("echo-off.sms").toStdString() + "\"");
        QVERIFY(!Form1->EchoB->isChecked() && !Form1->Set_Echo1->isChecked());
        TerminalScreen *screen = Form1->SaxComm1->screen();
        QTest::keyClicks(screen, "ati");
        QCOMPARE(fake->written, QByteArray("ati"));
        QVERIFY(!screen->screenText().contains("ati"));
        fake->inject("Tandrel SH-2\r\nOK\r\n");
        QVERIFY(screen->screenText().contains("Tandrel SH-2"));

        Form1->EchoB->click();
        QVERIFY(Form1->EchoB->isChecked() && Form1->Set_Echo1->isChecked());
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("ON"));
        QTest::keyClicks(screen, "xyz");
        QVERIFY(screen->screenText().contains("xyz"));
        Form1->Set_Echo1->trigger();
        QVERIFY(!Form1->EchoB->isChecked() && !Form1->Set_Echo1->isChecked());
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("OFF"));
        QTest::keyClicks(screen, "uvw");
        QVERIFY(!screen->screenText().contains("uvw"));
    }

    void sessionFileIsAppliedToMembersAndControl()
    {
        write("field.sms", "<SETTINGS>9600,e,7,2<\\SETTINGS>\n<COM>COM3<\\COM>\n"
                           "<SIM>GOV<\\SIM>\n<CALL>+44(20)1234-5678<\\CALL>\n<TYPE>Land<\\TYPE>\n"
                           "<RING>OFF<\\RING>\n<FLOW>HW<\\FLOW>\n<SMS>OFF<\\SMS>\n"
                           "<IGVER>L3P0<\\IGVER>\n");
        start(dir.filePath("field.sms").toStdString());
        QCOMPARE(Form1->SaxComm1->Settings(), std::string("9600,e,7,2"));
        QCOMPARE(Form1->COM_Panel->caption(), QString("COM3"));
        QCOMPARE(Form1->SaxComm1->Handshaking(), 2);
        QCOMPARE(Form1->SIM_Panel->caption(), QString("GOV"));
        QCOMPARE(Form1->SaxComm1->PhoneNumber(), std::string("+44(20)1234-5678"));
        QVERIFY(!Form1->AnswerCalls);
        QVERIFY(!Form1->AnsB->isChecked());
        QVERIFY(!Form1->SMSB->isChecked());
        // Firmware codes are not taken from the record.
        QCOMPARE(Form1->IgVerValue, std::string());
        QVERIFY(Form1->menuItem("ATplusPM")->isVisible());

        // Values it does not know leave the switches as they were.
        write("odd.sms", "<ECHO>MAYBE<\\ECHO><RING>yes<\\RING><SMS><\\SMS>");
        Form1->OpenDialog1->fileSelected(dir.filePath("odd.sms"));
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("MAYBE"));
        QVERIFY(Form1->EchoB->isChecked() && Form1->Set_Echo1->isChecked());
        QVERIFY(!Form1->AnsB->isChecked() && !Form1->IncomingCallPanel1->isChecked());
        QVERIFY(!Form1->AnswerCalls);
        QVERIFY(!Form1->SMSB->isChecked() && !Form1->DisplaySMSImmediately1->isChecked());
    }

    void missingFileFallsBackToTheDefaultSession()
    {
        QDir().mkpath(dir.filePath("Session"));
        write("Session/default.sms", "<COM>COM7<\\COM>");
        start("no-such-file.sms");
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM7"));
        QCOMPARE(QString::fromStdString(Form1->SettingsValue), QString("19200,n,8,1"));
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
        write("field.sms", "<COM>COM3<\\COM>\n<SMS>OFF<\\SMS>\n");
        Form1->OpenDialog1->fileSelected(dir.filePath("field.sms"));
        destroyOnFakeLink(fake);
        start("");
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM3"));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QString("OFF"));
        write("other.sms", "<COM>COM9<\\COM>\n");
        destroyOnFakeLink(fake);
        start(dir.filePath("other.sms").toStdString());
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM9"));
    }

    // What the window holds goes into the file, in UTF-8 even when it was read from an old
    // Windows-1252 file; a failed save is not silent.
    void openedAndSavedFromTheMenu()
    {
        start("");
        write("old.sms", "<COM>/dev/serial/by-id/usb-Pr\xE4zision<\\COM>\n<SMS>OFF<\\SMS>\n");
        Form1->OpenSession1->trigger();
        Form1->OpenDialog1->fileSelected(dir.filePath("old.sms"));
        Form1->OpenDialog1->close();
        QCOMPARE(QString::fromStdString(Form1->ComValue),
                 QStringLiteral("/dev/serial/by-id/usb-Präzision"));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QStringLiteral("OFF"));

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
        QCOMPARE(exitStatus, 0);
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 0);
        QVERIFY(!Form1->SaxComm1->PortOpen());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
