#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "Program.h"
#include "SerialControl.h"
#include "SessionRecord.h"
#include "SignalPanel.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTime>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

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

    void everyWindowExistsOnceAndTheIntroShows()
    {
        start("");
        for (QWidget *w :
             std::initializer_list<QWidget *>{Form1, ATTableForm, MsgBox, SMS_Frm, InfoBox})
            QVERIFY(w);
        Form1->show();
        QCOMPARE(Form1->windowTitle(), QString("Tandrel Software"));
        QVERIFY(Form1->IntroScreen->isVisible());
        QVERIFY(Form1->Pause->isVisible());
        QCOMPARE(Form1->Pause->caption(), QString("pause"));
        QVERIFY(!Form1->SaxComm1->isVisible());
        QVERIFY(!shown(Form1->File1) && !shown(Form1->Help1) && !shown(Form1->Info1));
        QVERIFY(Form1->IntroScreenTimer->isActive());
        QVERIFY(!Form1->menuItem("ATplusPP")->isVisible());
        QVERIFY(!Form1->menuItem("ATplusPNAV")->isVisible());
        QVERIFY(Form1->menuItem("ATplusPM")->isVisible());
        // No session file anywhere: the built-in defaults.
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("COM1"));
        QCOMPARE(QString::fromStdString(Form1->TermVerValue), QString("TSS"));
        QCOMPARE(QString::fromStdString(Form1->CountryCodeText), QString("1"));
        QVERIFY(Form1->AnswerCalls);
        QVERIFY(Form1->EchoB->isChecked());
    }

    void pauseHoldsTheIntroUntilClose()
    {
        start("");
        Form1->show();
        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QCOMPARE(Form1->Pause->caption(), QString("close"));
        QVERIFY(!Form1->IntroScreenTimer->isActive());
        QVERIFY(Form1->IntroScreen->isVisible());
        QVERIFY(!Form1->SaxComm1->PortOpen());

        QTest::mouseClick(Form1->Pause, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        QVERIFY(!Form1->IntroScreen->isVisible());
        QVERIFY(Form1->SaxComm1->isVisible());
        // 673 by 342 in the 699 by 454 client area a frame leaves; offscreen there is no
        // frame, and the terminal takes the room.
        const QSize client = Form1->centralWidget()->size();
        QCOMPARE(Form1->SaxComm1->geometry(),
                 QRect(13, 24, 673 + client.width() - 699, 342 + client.height() - 454));
        // Nothing of the frame around it lies over the terminal.
        QWidget *top = Form1->centralWidget()->childAt(Form1->SaxComm1->geometry().center());
        QVERIFY(top && (top == Form1->SaxComm1 || Form1->SaxComm1->isAncestorOf(top)));
        QVERIFY(shown(Form1->File1) && shown(Form1->Options1) && shown(Form1->Info1));
        QCOMPARE(Form1->ModeTitle->text(), QString("Tandrel"));
        QVERIFY(Form1->SaxComm1->PortOpen());
        QVERIFY(!Form1->SaxComm1->AutoReceive());
    }

    // Grows from its first size with the terminal, never shrinks below it, and opens next
    // time at the size it was left at.
    void resizableWithTheTerminalAndRemembered()
    {
        QFile::remove(dir.filePath("tandrel.ini"));
        start("");
        Form1->show();
        Form1->EndIntroScreen();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        TerminalScreen *screen = Form1->SaxComm1->screen();
        const QSize first = Form1->size();
        const int cols = screen->columns(), rows = screen->rows();
        for (int i = 0; i < 200; ++i)
            fake->inject("line " + QByteArray::number(i) + "\r\n");
        const int kept = screen->scrollbackCount();

        Form1->resize(first + QSize(300, 200));
        QTRY_COMPARE(Form1->size(), first + QSize(300, 200));
        QTRY_VERIFY(screen->columns() > cols + 30);
        QVERIFY(screen->rows() > rows + 10);
        // All of the growth beyond the first size goes to the terminal.
        const QRect client = Form1->centralWidget()->rect();
        const int dx = client.width() - 699;
        const int dy = client.height() - 454;
        QVERIFY(dx >= 290 && dy >= 190);
        QCOMPARE(Form1->SaxComm1->size(), QSize(673 + dx, 342 + dy));
        // The rows stay below the terminal, at the bottom, the whole width.
        QCOMPARE(Form1->BasePanel->geometry().bottom(), client.bottom());
        QVERIFY(Form1->RegularBase->geometry().top() > Form1->SaxComm1->geometry().bottom());
        QCOMPARE(Form1->BasePanel->width(), client.width());
        QVERIFY(Form1->BasePanel->rect().contains(Form1->Close->geometry()));
        QCOMPARE(Form1->Close->geometry().right(), 685 + dx);
        QVERIFY(!Form1->Signal_Panel->geometry().intersects(Form1->SMS_Panel->geometry()));
        // Nothing scrolled away: every line is still there.
        const QString all = screen->allText();
        QVERIFY(all.contains("line 0\n") && all.contains("line 199"));
        QVERIFY(screen->scrollbackCount() + screen->rows() >= kept);

        const QSize least = Form1->minimumSize();
        QVERIFY(least.width() >= 699 && least.height() >= 454);
        Form1->resize(first - QSize(100, 100));
        QTRY_COMPARE(Form1->size(), least);

        Form1->resize(first + QSize(120, 80));
        QTRY_COMPARE(Form1->size(), first + QSize(120, 80));
        const QSize outer = placement::frameOf(Form1).size();
        Form1->close();
        destroyProgram();
        fake = nullptr;
        start("");
        Form1->show();
        Form1->EndIntroScreen();
        QTRY_COMPARE(placement::frameOf(Form1).size(), outer);
        QFile::remove(dir.filePath("tandrel.ini"));
    }

    // Time stamps are the screen's alone: the rules, the modem and the copy without them.
    void timeStampsStartEachReceivedLine()
    {
        start("");
        Form1->show();
        Form1->EndIntroScreen();
        TerminalScreen *screen = Form1->SaxComm1->screen();
        QVERIFY(!Form1->ShowTimeStamps1->isChecked()); // off unless chosen
        fake->inject("plain\r\n");
        QVERIFY(screen->screenText().split('\n').contains("plain"));
        Form1->ShowTimeStamps1->trigger();
        Form1->SaxComm1->stampClock = [] { return QTime(9, 5, 7, 42); };
        QSignalSpy received(Form1->SaxComm1, &SerialControl::OnReceive);
        fake->inject("AT+CSQ\r\r\n+CS");
        fake->inject("Q:4\r\n\r\nOK\r\n");
        QVERIFY(screen->screenText().endsWith("\n09:05:07.042 AT+CSQ\n"
                                              "09:05:07.042 +CSQ:4\n"
                                              "09:05:07.042\n" // the blank line's own stamp
                                              "09:05:07.042 OK"));
        QCOMPARE(received.count(), 2);
        // What reads the received text saw it as it came: "+CSQ:4" began its line.
        QCOMPARE(Form1->Signal_Panel->bars(), 4);
        QVERIFY(fake->written.isEmpty()); // and nothing of it went to the modem
        // Echoed typing starts its line after the stamp, and a line rewritten after a bare
        // carriage return keeps its stamp.
        QVERIFY(Form1->SaxComm1->Echo());
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

    void statusFollowsThePort()
    {
        start("");
        Form1->show();
        Form1->EndIntroScreen();
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));
        QVERIFY(!Form1->OpenSession1->isEnabled());
        QVERIFY(!Form1->PPropertyB->isEnabled());
        QVERIFY(Form1->Disconnect1->isEnabled() && Form1->SendFiles1->isEnabled());

        Form1->ReconnectAutomatically1->setChecked(false);
        fake->vanish("The port went away.");
        QTRY_COMPARE(Form1->Status->caption(), QString("Disconnected"));
        QVERIFY(Form1->OpenSession1->isEnabled() && Form1->Connect1->isEnabled());
        QVERIFY(Form1->PPropertyB->isEnabled() && Form1->DPropertyB->isEnabled());
        QVERIFY(!Form1->Disconnect1->isEnabled() && !Form1->Paste1->isEnabled());
        QVERIFY(!Form1->ReceiveFiles1->isEnabled());

        // A key typed while disconnected opens the port again.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w))
                w->close();
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_A);
        QVERIFY(Form1->SaxComm1->PortOpen());
    }

    void echoSettingDecidesWhatTypedKeysShow()
    {
        write("echo-off.sms", "<COM>SIMULATOR<\\COM><ECHO>OFF<\\ECHO>");
        start("\"" + dir.filePath("echo-off.sms").toStdString() + "\"");
        QCOMPARE(QString::fromStdString(Form1->ComValue), QString("SIMULATOR"));
        QVERIFY(!Form1->EchoB->isChecked());
        Form1->show();
        Form1->EndIntroScreen();
        QVERIFY(!Form1->SaxComm1->Echo());
        QVERIFY(Form1->SaxComm1->InputEcho());
        TerminalScreen *screen = Form1->SaxComm1->screen();
        QTest::keyClicks(screen, "ati");
        QCOMPARE(fake->written, QByteArray("ati"));
        QVERIFY(!screen->screenText().contains("ati"));
        fake->inject("Tandrel SH-2\r\nOK\r\n");
        QVERIFY(screen->screenText().contains("Tandrel SH-2"));

        Form1->Set_Echo1->trigger();
        QCOMPARE(QString::fromStdString(Form1->EchoValue), QString("ON"));
        QTest::keyClicks(screen, "xyz");
        QVERIFY(screen->screenText().contains("xyz"));
    }

    void sessionFileIsAppliedToMembersAndControl()
    {
        write("field.sms", "<SETTINGS>9600,e,7,2<\\SETTINGS>\n<COM>COM3<\\COM>\n"
                           "<SIM>GOV<\\SIM>\n<CALL>+44(20)1234-5678<\\CALL>\n<TYPE>Land<\\TYPE>\n"
                           "<RING>OFF<\\RING>\n<FLOW>HW<\\FLOW>\n<SMS>OFF<\\SMS>\n"
                           "<IGVER>L3P0<\\IGVER>\n");
        start(dir.filePath("field.sms").toStdString());
        QCOMPARE(QString::fromStdString(Form1->BaudText), QString("9600"));
        QCOMPARE(QString::fromStdString(Form1->StopBitsText), QString("2"));
        QCOMPARE(Form1->SaxComm1->Settings(), std::string("9600,e,7,2"));
        QCOMPARE(Form1->COM_Panel->caption(), QString("COM3"));
        QCOMPARE(Form1->SaxComm1->Handshaking(), 2);
        QCOMPARE(Form1->SIM_Panel->caption(), QString("GOV"));
        QCOMPARE(QString::fromStdString(Form1->CountryCodeText), QString("44"));
        QCOMPARE(QString::fromStdString(Form1->LocalNumberText), QString("(20)1234-5678"));
        QCOMPARE(QString::fromStdString(Form1->GovNumber), QString("+44(20)1234-5678"));
        QCOMPARE(Form1->SaxComm1->PhoneNumber(), std::string("+44(20)1234-5678"));
        QVERIFY(!Form1->AnswerCalls);
        QVERIFY(!Form1->AnsB->isChecked());
        QVERIFY(!Form1->SMSB->isChecked());
        // Firmware codes are not taken from the record.
        QCOMPARE(Form1->IgVerValue, std::string());
        QVERIFY(Form1->menuItem("ATplusPM")->isVisible());
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

    void saveWritesTheCurrentValues()
    {
        start("");
        Form1->SimValue = "CIV";
        Form1->TypeValue = "Sate";
        Form1->SatelliteNumber = "+8816314";
        Form1->EchoValue = "OFF";
        Form1->SaxComm1->setCommPort("/dev/ttyUSB0");
        Form1->SaxComm1->setSettings("4800,n,8,1");
        const QString file = dir.filePath("saved.sms");
        Form1->SaveSession1->trigger();
        QVERIFY(Form1->SaveDialog1->isVisible());
        Form1->SaveDialog1->fileSelected(file);
        Form1->SaveDialog1->close();
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY(saved.startsWith("<SETTINGS>4800,n,8,1<\\SETTINGS>\n<COM>/dev/ttyUSB0<\\COM>\n"));
        QVERIFY(saved.contains("<CALL>+8816314<\\CALL>\n<TYPE>Sate<\\TYPE>\n<ECHO>OFF<\\ECHO>"));
        QVERIFY(!saved.contains("MODEM"));
    }

    // The dialogs hand over file names that the file system must find as they are.
    void sessionsUnderAFolderWithAnyName()
    {
        const QString folder = dir.filePath(QStringLiteral("Сессии é"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/связь.sms");
        start("");
        Form1->SaxComm1->setCommPort("/dev/ttyUSB3");
        Form1->SaveDialog1->fileSelected(file);
        QVERIFY(QFile::exists(file));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("связь.sms")});

        // An old session file written in Windows-1252 reads as the characters it meant.
        write(QStringLiteral("Сессии é/связь.sms"),
              "<COM>/dev/serial/by-id/usb-Pr\xE4zision<\\COM>\n<SMS>OFF<\\SMS>\n");
        Form1->OpenSession1->trigger();
        Form1->OpenDialog1->fileSelected(file);
        Form1->OpenDialog1->close();
        QCOMPARE(QString::fromStdString(Form1->ComValue),
                 QStringLiteral("/dev/serial/by-id/usb-Präzision"));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QStringLiteral("OFF"));

        // Saved again, it is UTF-8.
        Form1->SaveDialog1->fileSelected(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("<COM>/dev/serial/by-id/usb-Pr\xC3\xA4zision<\\COM>"));
    }

    void failedSaveIsReportedInAWarningBox()
    {
        start("");
        Form1->SaveDialog1->fileSelected(dir.filePath("no/such/folder/x.sms"));
        QMessageBox *box = Form1->findChild<QMessageBox *>("WarningBox");
        QVERIFY(box);
        QTRY_VERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), QString("Warning"));
        QVERIFY(box->text().contains("no/such/folder/x.sms"));
    }

    void exitClosesThePort()
    {
        start("");
        Form1->EndIntroScreen();
        QVERIFY(Form1->SaxComm1->PortOpen());
        Form1->Exit1->trigger();
        QVERIFY(!Form1->SaxComm1->PortOpen());
        QCOMPARE(exitStatus, 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
