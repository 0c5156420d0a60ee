#include "FakeProgram.h"
#include "Panel.h"
#include "TATTableForm.h"
#include "TChatModeAlert_Frm.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TRingBox.h"
#include "TSMS_Frm.h"
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <functional>

// The notice boxes, the port dialog, the main window's SMS indication and call commands and
// its handling of rings, with a fake modem behind the port.
using Step = std::function<void()>;
Q_DECLARE_METATYPE(Step)

class CommandsTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    // The status box stays on the screen and takes Enter only with its button shown; the
    // information box closes on OK.
    void noticeBoxesStayOnScreenAndClose()
    {
        startConnected();
        const QRect screen = Form1->screen()->availableGeometry();
        Form1->move(screen.right() - 100, screen.bottom() - 100);
        MsgBox->ResetMsgBox();
        MsgBox->ShowBox();
        QCOMPARE(std::tuple(MsgBox->isVisible(), MsgBox->MsgPanel->isVisible(),
                            screen.contains(MsgBox->frameGeometry())),
                 std::tuple(true, true, true));

        QTest::keyClick(MsgBox, Qt::Key_Return); // the OK button is hidden: nothing happens
        QVERIFY(MsgBox->isVisible());
        MsgBox->T2->setText("Done.");
        MsgBox->CloseBoxB->show();
        QTest::keyClick(MsgBox, Qt::Key_Return);
        QCOMPARE(std::tuple(MsgBox->isVisible(), MsgBox->T2->text(), MsgBox->CloseBoxB->isHidden()),
                 std::tuple(false, "Please wait...", true));

        // The captions, the menu items and the AT table's panel are watched under X.
        Form1->Version1->trigger();
        QVERIFY(InfoBox->AboutBox->isVisible() && !InfoBox->ATInfoBox->isVisible());
        QTest::mouseClick(InfoBox->AboutB, Qt::LeftButton);
        QVERIFY(!InfoBox->isVisible());
    }

    // The port dialog writes at once but applies on OK. It lists the ports by the names that
    // do not change between USB sockets, afresh each time.
    void portDialogAppliesOnOkAndListsStableNames()
    {
        startConnected();
        Form1->SaxComm1->setPortOpen(false);
        Port_Frm->show();
        QCOMPARE(Port_Frm->BPS_ComboBox->currentText(), QString("19200"));
        Port_Frm->BPS_ComboBox->setCurrentText("9600");
        QCOMPARE(str(Form1->BaudText), QString("9600"));
        QTest::mouseClick(Port_Frm->PortSet_CancelB, Qt::LeftButton);
        QCOMPARE(std::tuple(Port_Frm->isVisible(), str(Form1->SettingsValue),
                            str(Form1->SaxComm1->Settings())),
                 std::tuple(false, "19200,n,8,1", "19200,n,8,1"));

        Form1->BaudText = "19200";
        Port_Frm->show();
        Port_Frm->Parity_ComboBox->setCurrentIndex(3);
        Port_Frm->FlowControl_ComboBox->setCurrentIndex(2);
        Port_Frm->COM_ComboBox->setCurrentText("");
        QTest::keyClicks(Port_Frm->COM_ComboBox, "COM4");
        QTest::keyClick(Port_Frm->COM_ComboBox, Qt::Key_Return); // as OK
        // Flow control waits for a session: no handshaking yet.
        QCOMPARE(std::tuple(Port_Frm->isVisible(), str(Form1->SettingsValue),
                            str(Form1->SaxComm1->Settings()), str(Form1->SaxComm1->CommPort()),
                            Form1->COM_Panel->caption(), str(Form1->FlowValue),
                            Form1->SaxComm1->Handshaking()),
                 std::tuple(false, "19200,m,8,1", "19200,m,8,1", "COM4", "COM4", "HW", 0));

        QTemporaryDir byId;
        const QString handset = byId.filePath("usb-Tandrel_SH-2_A1B2-if00-port0");
        QVERIFY(QFile::link("/dev/null", handset));
        Port_Frm->byIdDirectory = byId.path();
        Form1->ComValue = "COM3";
        Port_Frm->show();
        QComboBox *ports = Port_Frm->COM_ComboBox;
        QCOMPARE(ports->currentText(), QString("COM3"));
        // Only an item listed holds the link's target.
        QCOMPARE(ports->itemData(ports->findText(handset), TPort_Frm::PortDetailsRole).toString(),
                 QString("/dev/null"));
        QVERIFY(ports->findText("SIMULATOR") >= 0);

        // Plugged in while the dialog is open: opening the list finds it.
        const QString second = byId.filePath("usb-Tandrel_SH-2_C3D4-if00-port0");
        QVERIFY(QFile::link("/dev/zero", second));
        QCOMPARE(ports->findText(second), -1);
        ports->showPopup();
        QVERIFY(ports->findText(second) >= 0);
        ports->hidePopup();
        QCOMPARE(std::tuple(ports->currentText(), str(Form1->ComValue)),
                 std::tuple("COM3", "COM3"));

        ports->setCurrentIndex(ports->findText(handset));
        QCOMPARE(str(Form1->ComValue), handset);
        Port_Frm->close();
    }

    void typingWhileDisconnectedOpensThePort()
    {
        startConnected();
        Form1->Disconnect1->trigger();
        QVERIFY(!Form1->SaxComm1->PortOpen());
        // A modifier alone (Alt on the way to the menus) is no typing.
        for (Qt::Key key : {Qt::Key_Alt, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Meta})
            QTest::keyClick(screen(), key);
        QVERIFY(!Form1->SaxComm1->PortOpen());
        QTest::keyClick(screen(), Qt::Key_A);
        QVERIFY(Form1->SaxComm1->PortOpen());
    }

    // When the SMS indication request goes out and what it sends: the operator's button or
    // menu, the port opening and CTS changing start it; a low CTS, a call or a closed port hold
    // it. When it is due, the timer fires; the answer comes split and closes the box.
    void indicationRequest_data()
    {
        QTest::addColumn<Step>("before");
        QTest::addColumn<Step>("press");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("waiting");
        QTest::addColumn<QByteArray>("sent");
        const QByteArray off = "AT+CNMI=0,0\r", on = "AT+CNMI=2,2\r", nothing;
        const Step none = [] {};
        const Step button = [] { Form1->SMSB->click(); };
        const Step disconnect = [] { disconnectPort(); };
        const Step connect = [] {
            QTRY_VERIFY(Form1->Connect1->isEnabled());
            Form1->Connect1->trigger();
            QVERIFY(Form1->SaxComm1->PortOpen());
        };
        const Step ctsLow = [this] {
            Form1->FlowValue = "HW";
            fake->setCts(false);
        };
        const Step ctsBack = [this] {
            fake->setCts(false);
            SMS_Frm->DisableSmsButtons();
            fake->setCts(true);
        };
        QTest::newRow("button, line free") << none << button << "OFF" << true << off;
        QTest::newRow("behind a typed command") << none << Step([] {
            Form1->SMSB->click();
            typeLine("AT");
        }) << "OFF" << true << off;
        QTest::newRow("menu, request pending keeps the value")
            << Step([] { SMS_Frm->IndicationRequest = 1; })
            << Step([] { Form1->DisplaySMSImmediately1->trigger(); }) << "ON" << true << on;
        QTest::newRow("carrier line on is no call")
            << Step([this] { fake->setCarrier(true); }) << button << "OFF" << true << off;
        QTest::newRow("hardware flow, CTS low") << ctsLow << button << "OFF" << false << nothing;
        // A retry still due when hardware flow is chosen with CTS low.
        QTest::newRow("retry due with CTS low") << Step([this] {
            fake->setCts(false);
            Form1->FlowValue = "NONE"; // the session the row before saved chose HW
            Form1->SMSB->click();
            Form1->FlowValue = "HW";
        }) << none << "OFF" << true << nothing;
        QTest::newRow("call up") << Step([this] {
            typeLine("ATD12345");
            fake->inject("\r\nCONNECT 9600\r\n");
            QVERIFY(Form1->callUp());
        }) << button << "OFF" << false
                                 << nothing;
        QTest::newRow("disconnected, the choice is kept")
            << disconnect << button << "OFF" << false << nothing;
        QTest::newRow("connecting, SMS on") << disconnect << connect << "ON" << true << on;
        QTest::newRow("connecting, SMS off") << Step([disconnect] {
            disconnect();
            Form1->SMSB->click();
        }) << connect << "OFF" << false << nothing;
        QTest::newRow("CTS drops mid-request") << button << Step([this] {
            SMS_Frm->SMS_Status->setText("Busy");
            SMS_Frm->IndicationRetryCount = 3;
            fake->setCts(false);
            QVERIFY(SMS_Frm->SMS_Status->text().isEmpty());
            QCOMPARE(SMS_Frm->IndicationRetryCount, 0); // a fresh count of tries when CTS returns
        }) << "OFF" << false << nothing;
        QTest::newRow("CTS back, SMS on") << none << ctsBack << "ON" << true << on;
        QTest::newRow("CTS back, SMS off") << button << ctsBack << "OFF" << false << nothing;
    }

    void indicationRequest()
    {
        QFETCH(Step, before);
        QFETCH(Step, press);
        QFETCH(QString, value);
        QFETCH(bool, waiting);
        QFETCH(QByteArray, sent);
        startConnected();
        before();
        if (Form1->SaxComm1->PortOpen()) // a closed port's link is gone
            fake->written.clear();
        press();
        QCOMPARE(std::tuple(str(Form1->SmsValue), Form1->SMSB->isChecked(),
                            Form1->RequestSMSTimer->isActive(), MsgBox->isVisible(),
                            SMS_Frm->SMS_SendB->isEnabled()),
                 std::tuple(value, value == "ON", waiting, waiting, !waiting));
        if (!waiting) {
            QVERIFY(!Form1->SaxComm1->PortOpen() || fake->written.isEmpty());
            return;
        }
        fake->written.clear(); // what the operator typed
        Form1->RequestSMSTimerTimer();
        QVERIFY(!Form1->RequestSMSTimer->isActive() && MsgBox->isVisible());
        if (fake->written.isEmpty() && !sent.isEmpty()) // waiting for the typed command's answer
            fake->inject("AT\r0\r");
        QCOMPARE(fake->written, sent);
        if (sent.isEmpty())
            return;
        fake->written.clear();
        fake->inject(sent + "\r\nO");
        fake->inject("K\r\n");
        if (sent.contains("2,2")) { // accepted with indications on: the unread messages next
            QCOMPARE(MsgBox->T2->text(), QString("Reading messages..."));
            QTRY_COMPARE(fake->written, QByteArray("AT+CMGL=0\r"));
            fake->inject("AT+CMGL=0\r\r\nOK\r\n");
        }
        QCOMPARE(
            std::tuple(str(Form1->SmsValue), MsgBox->isVisible(), SMS_Frm->SMS_SendB->isEnabled()),
            std::tuple(value, false, true));
    }

    void ringsThatAreNotAnswered()
    {
        startConnected();
        QVERIFY(Form1->AnswerCalls);
        Form1->AnsB->click(); // option off
        QCOMPARE(str(Form1->RingValue), QString("OFF"));
        fake->fireRing();
        QVERIFY(fake->written.isEmpty() && !RingBox->isVisible());
        Form1->AnsB->click();

        // A call is up: known from its CONNECT, not from a carrier line that may always read on.
        typeLine("ATD12345");
        fake->inject("\r\nCONNECT 9600\r\n");
        fake->written.clear();
        fake->fireRing();
        QVERIFY(fake->written.isEmpty());
        fake->inject("\r\nNO CARRIER\r\n");

        Form1->FlowValue = "HW";
        fake->setCts(false);
        fake->fireRing();
        QVERIFY(fake->written.isEmpty());
        Form1->FlowValue = "NONE";
        fake->setCts(true);

        ATTableForm->AutoAnswerEnabled = true; // the modem answers by itself
        fake->fireRing();
        QVERIFY(fake->written.isEmpty() && !RingBox->isVisible());
    }

    void answeredRingAsksAndYesKeepsTheCall()
    {
        startConnected();
        ChatModeAlert_Frm->setAlertFile(dir.filePath("missing.wav")); // silence is fine
        fake->fireRing();
        QCOMPARE(std::tuple(fake->written, RingBox->isVisible(), RingBox->windowTitle(),
                            RingBox->RingYes->isHidden(), RingBox->RingDisconnect->isHidden(),
                            ChatModeAlert_Frm->playCount()),
                 std::tuple(QByteArray("ATA\r"), true, "RING", false, true, 1));
        fake->fireRing(); // a second ring while asking is ignored
        QCOMPARE(fake->written, QByteArray("ATA\r"));
        RingBox->RingYes->click();
        QCOMPARE(std::tuple(RingBox->isVisible(), fake->written), std::tuple(false, "ATA\r"));
    }

    void noEscapesAtOnceAndHangsUpLater()
    {
        startConnected();
        fake->fireRing();
        fake->written.clear();
        RingBox->RingNo->click();
        QCOMPARE(fake->written, QByteArray("+++"));
        fake->inject("\r\nNO CARRIER\r\n"); // the answer the escape broke off
        QVERIFY(!RingBox->RingDisconnect->isHidden() && RingBox->RingYes->isHidden());
        QVERIFY(RingBox->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!RingBox->isVisible(), 4000);
        QCOMPARE(fake->written, QByteArray("+++ATH0\r"));
        QVERIFY(!Form1->DisconnectTimer->isActive()); // hangs up once
    }

    void carrierDropClosesTheRingBox()
    {
        startConnected(true);
        fake->fireRing();
        QVERIFY(RingBox->isVisible());
        fake->setCarrier(true);
        QVERIFY(RingBox->isVisible());
        fake->setCarrier(false);
        QVERIFY(!RingBox->isVisible());
    }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
