#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// The notice boxes, the port dialog and the main window's SMS indication and call commands,
// with a fake modem behind the port.
class CommandsTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    static QString text(const std::string &s) { return QString::fromStdString(s); }

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    void statusBoxStaysOnScreenAndHonoursEnter()
    {
        startConnected();
        const QRect screen = Form1->screen()->availableGeometry();
        Form1->move(screen.right() - 100, screen.bottom() - 100);
        MsgBox->ResetMsgBox();
        MsgBox->ShowBox();
        QVERIFY(MsgBox->isVisible());
        QVERIFY(MsgBox->MsgPanel->isVisible());
        QVERIFY(screen.contains(MsgBox->frameGeometry()));

        QTest::keyClick(MsgBox, Qt::Key_Return); // the OK button is hidden: nothing happens
        QVERIFY(MsgBox->isVisible());
        MsgBox->T2->setText("Done.");
        MsgBox->CloseBoxB->show();
        QTest::keyClick(MsgBox, Qt::Key_Return);
        QVERIFY(!MsgBox->isVisible());
        QCOMPARE(MsgBox->T2->text(), QString("Please wait..."));
        QVERIFY(MsgBox->CloseBoxB->isHidden());
    }

    void informationBoxSwitchesPanelsByCaption()
    {
        startConnected();
        for (int i = 0; i < 2; ++i) {
            Form1->About2->trigger();
            QCOMPARE(InfoBox->caption(), QString("AT COMMAND TABLE"));
            QVERIFY(InfoBox->ATInfoBox->isVisible());
            QVERIFY(!InfoBox->AboutBox->isVisible());
        }
        Form1->ShowVersionInfo();
        QCOMPARE(InfoBox->caption(), QString("INFO"));
        QVERIFY(InfoBox->AboutBox->isVisible() && !InfoBox->ATInfoBox->isVisible());
        QCOMPARE(InfoBox->AboutT1->text(), QString("Tandrel Software Version 3.3.0"));
        QTest::mouseClick(InfoBox->AboutB, Qt::LeftButton);
        QVERIFY(!InfoBox->isVisible());
    }

    void portDialogWritesAtOnceButAppliesOnOk()
    {
        startConnected();
        Form1->SaxComm1->setPortOpen(false);
        Port_Frm->show();
        QCOMPARE(Port_Frm->BPS_ComboBox->currentText(), QString("19200"));
        Port_Frm->BPS_ComboBox->setCurrentText("9600");
        QCOMPARE(text(Form1->BaudText), QString("9600"));
        QTest::mouseClick(Port_Frm->PortSet_CancelB, Qt::LeftButton);
        QVERIFY(!Port_Frm->isVisible());
        QCOMPARE(text(Form1->SettingsValue), QString("19200,n,8,1"));
        QCOMPARE(text(Form1->SaxComm1->Settings()), QString("19200,n,8,1"));

        Form1->BaudText = "19200";
        Port_Frm->show();
        Port_Frm->Parity_ComboBox->setCurrentIndex(3);
        Port_Frm->FlowControl_ComboBox->setCurrentIndex(2);
        Port_Frm->COM_ComboBox->setCurrentText("");
        QTest::keyClicks(Port_Frm->COM_ComboBox, "COM4");
        QTest::keyClick(Port_Frm->COM_ComboBox, Qt::Key_Return); // as OK
        QVERIFY(!Port_Frm->isVisible());
        QCOMPARE(text(Form1->SettingsValue), QString("19200,m,8,1"));
        QCOMPARE(text(Form1->SaxComm1->Settings()), QString("19200,m,8,1"));
        QCOMPARE(text(Form1->SaxComm1->CommPort()), QString("COM4"));
        QCOMPARE(Form1->COM_Panel->caption(), QString("COM4"));
        QCOMPARE(text(Form1->FlowValue), QString("HW"));
        QCOMPARE(Form1->SaxComm1->Handshaking(), 0); // flow control waits for a session

        // A parity letter the dialog does not know leaves the selection alone.
        Form1->ParityText = "M";
        Port_Frm->Parity_ComboBox->setCurrentIndex(1);
        Form1->ParityText = "M";
        Port_Frm->show();
        QCOMPARE(Port_Frm->Parity_ComboBox->currentIndex(), 1);
        Port_Frm->close();
    }

    // Ports by the names that do not change between USB sockets, listed afresh each time.
    void portListShowsStableNamesAndRefreshes()
    {
        startConnected();
        Form1->SaxComm1->setPortOpen(false);
        QTemporaryDir byId;
        const QString handset = byId.filePath("usb-Tandrel_SH-2_A1B2-if00-port0");
        QVERIFY(QFile::link("/dev/null", handset));
        Port_Frm->byIdDirectory = byId.path();
        Form1->ComValue = "COM3";
        Port_Frm->show();
        QComboBox *ports = Port_Frm->COM_ComboBox;
        QCOMPARE(ports->currentText(), QString("COM3"));
        const int at = ports->findText(handset);
        QVERIFY(at >= 0);
        QCOMPARE(ports->itemData(at, TPort_Frm::PortDetailsRole).toString(), QString("/dev/null"));
        QVERIFY(ports->findText("SIMULATOR") >= 0);

        // Plugged in while the dialog is open: opening the list finds it.
        const QString second = byId.filePath("usb-Tandrel_SH-2_C3D4-if00-port0");
        QVERIFY(QFile::link("/dev/zero", second));
        QCOMPARE(ports->findText(second), -1);
        ports->showPopup();
        QVERIFY(ports->findText(second) >= 0);
        ports->hidePopup();
        QCOMPARE(ports->currentText(), QString("COM3")); // what was typed stays
        QCOMPARE(text(Form1->ComValue), QString("COM3"));

        ports->setCurrentIndex(ports->findText(handset));
        QCOMPARE(text(Form1->ComValue), handset);
        Port_Frm->close();
    }

    void typingWhileDisconnectedOpensThePort()
    {
        startConnected();
        Form1->Disconnect1->trigger();
        QVERIFY(!Form1->SaxComm1->PortOpen());
        // A modifier alone (Alt on the way to the menus) is no typing.
        for (Qt::Key key : {Qt::Key_Alt, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Meta})
            QTest::keyClick(Form1->SaxComm1->screen(), key);
        QVERIFY(!Form1->SaxComm1->PortOpen());
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_A);
        QVERIFY(Form1->SaxComm1->PortOpen());
    }

    void indicationRequestSendsWhenTheLineIsFree()
    {
        startConnected();
        QCOMPARE(text(Form1->SmsValue), QString("ON"));
        Form1->SMSB->click();
        QCOMPARE(text(Form1->SmsValue), QString("OFF"));
        QVERIFY(!Form1->SMSB->isChecked());
        QVERIFY(Form1->RequestSMSTimer->isActive());
        QVERIFY(MsgBox->isVisible());
        QVERIFY(!SMS_Frm->SMS_SendB->isEnabled());

        // A command the operator typed is still unanswered: the request waits for its answer.
        QTest::keyClicks(Form1->SaxComm1->screen(), "AT");
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_Return);
        fake->written.clear();
        Form1->RequestSMSTimerTimer();
        QVERIFY(fake->written.isEmpty());
        fake->inject("AT\r0\r");
        QCOMPARE(fake->written, QByteArray("AT+CNMI=0,0\r"));
        QVERIFY(!Form1->RequestSMSTimer->isActive());

        // The answer arrives split; the box closes and the buttons come back.
        fake->inject("AT+CNMI=0,0\r\r\nO");
        fake->inject("K\r\n");
        QCOMPARE(text(Form1->SmsValue), QString("OFF"));
        QVERIFY(!MsgBox->isVisible());
        QVERIFY(SMS_Frm->SMS_SendB->isEnabled());
    }

    void connectingSendsTheIndicationSetting()
    {
        // A device that reports no modem lines never changes CTS: opening the port is what
        // sends the setting.
        start();
        Form1->show();
        QCOMPARE(text(Form1->SmsValue), QString("ON"));
        Form1->EndIntroScreen();
        QVERIFY(fake);
        QVERIFY(MsgBox->isVisible());
        Form1->RequestSMSTimerTimer();
        QCOMPARE(fake->written, QByteArray("AT+CNMI=2,2\r"));
        fake->written.clear();
        fake->inject("AT+CNMI=2,2\r\r\nOK\r\n");
        QTRY_COMPARE(fake->written, QByteArray("AT+CMGL=0\r"));
        fake->inject("AT+CMGL=0\r\r\nOK\r\n");
        QVERIFY(!MsgBox->isVisible());
        QVERIFY(SMS_Frm->SMS_SendB->isEnabled());

        // Disconnected, the button only records the choice: no box, nothing waiting.
        QTRY_VERIFY(Form1->Disconnect1->isEnabled());
        Form1->Disconnect1->trigger();
        Form1->SMSB->click();
        QCOMPARE(text(Form1->SmsValue), QString("OFF"));
        QVERIFY(!Form1->SMSB->isChecked());
        QVERIFY(Form1->SMSB->isEnabled());
        QVERIFY(!MsgBox->isVisible());
        QVERIFY(!Form1->RequestSMSTimer->isActive());
        QTRY_VERIFY(Form1->Connect1->isEnabled());
        Form1->Connect1->trigger();
        QVERIFY(Form1->SaxComm1->PortOpen());
        QVERIFY(!MsgBox->isVisible() && !Form1->RequestSMSTimer->isActive());

        // Switched on while disconnected: the request goes out on connecting.
        QTRY_VERIFY(Form1->Disconnect1->isEnabled());
        Form1->Disconnect1->trigger();
        Form1->SMSB->click();
        QCOMPARE(text(Form1->SmsValue), QString("ON"));
        QVERIFY(!MsgBox->isVisible());
        QTRY_VERIFY(Form1->Connect1->isEnabled());
        Form1->Connect1->trigger();
        QVERIFY(MsgBox->isVisible() && Form1->RequestSMSTimer->isActive());
    }

    void pendingRequestKeepsTheValue()
    {
        startConnected();
        SMS_Frm->IndicationRequest = 1;
        Form1->DisplaySMSImmediately1->trigger();
        QCOMPARE(text(Form1->SmsValue), QString("ON"));
        QVERIFY(Form1->SMSB->isChecked());
        QVERIFY(Form1->RequestSMSTimer->isActive());
        Form1->RequestSMSTimerTimer();
        QCOMPARE(fake->written, QByteArray("AT+CNMI=2,2\r"));
        QCOMPARE(SMS_Frm->IndicationRequest, 0);

        // Accepted with indications on: the unread messages are read next.
        fake->written.clear();
        fake->inject("AT+CNMI=2,2\r\r\nOK\r\n");
        QCOMPARE(MsgBox->T2->text(), QString("Reading messages..."));
        QTRY_COMPARE(fake->written, QByteArray("AT+CMGL=0\r"));
    }

    void hardwareFlowWithCtsLowSendsNothing()
    {
        startConnected();
        Form1->FlowValue = "HW";
        Form1->RequestSMSTimer->setInterval(1000); // as a retry leaves it
        fake->setCts(false);
        Form1->SMSB->click();
        QCOMPARE(text(Form1->SmsValue), QString("OFF"));
        QVERIFY(!Form1->RequestSMSTimer->isActive()); // stopped before any request

        MsgBox->close();
        Form1->RequestSMSTimerTimer();
        QVERIFY(MsgBox->isVisible());
        QVERIFY(fake->written.isEmpty());
    }

    void callUpPostponesTheRequestAndDeclinedCallsHangUp()
    {
        startConnected();
        // A carrier line that reads on is no call: many built-in ports always read it so.
        fake->setCarrier(true);
        Form1->SMSB->click();
        QVERIFY(Form1->RequestSMSTimer->isActive());
        Form1->RequestSMSTimerTimer();
        QCOMPARE(fake->written, QByteArray("AT+CNMI=0,0\r"));
        fake->inject("\r\nOK\r\n");
        QVERIFY(!MsgBox->isVisible());
        // A call the handset announced holds the request, and the queue holds what is sent.
        QTest::keyClicks(Form1->SaxComm1->screen(), "ATD12345");
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_Return);
        fake->inject("\r\nCONNECT 9600\r\n");
        QVERIFY(Form1->callUp());
        fake->written.clear();
        Form1->SMSB->click();
        QVERIFY(!Form1->RequestSMSTimer->isActive());
        fake->inject("\r\nNO CARRIER\r\n");

        Form1->DisconnectTimer->start();
        Form1->DisconnectTimerTimer();
        QCOMPARE(fake->written, QByteArray("ATH0\r"));
        QVERIFY(!Form1->DisconnectTimer->isActive());
    }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
