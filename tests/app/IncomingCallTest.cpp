#include "FakeLink.h"
#include "FakeProgram.h"
#include "TATTableForm.h"
#include "TChatModeAlert_Frm.h"
#include "TForm1.h"
#include "TRingBox.h"
#include "TerminalScreen.h"
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <QTest>

// Ring handling: which rings are answered, and what "Yes" and "No" do.
class IncomingCallTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

private slots:
    void initTestCase() { prepare(false); }
    void cleanup() { finish(); }

    void ringsThatAreNotAnswered()
    {
        startConnected();
        QVERIFY(Form1->AnswerCalls);
        Form1->AnsB->click(); // option off
        QCOMPARE(QString::fromStdString(Form1->RingValue), QString("OFF"));
        fake->fireRing();
        QVERIFY(fake->written.isEmpty() && !RingBox->isVisible());
        Form1->AnsB->click();

        // A call is up: known from its CONNECT, not from a carrier line that may always read on.
        QTest::keyClicks(Form1->SaxComm1->screen(), "ATD12345");
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_Return);
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
        QCOMPARE(fake->written, QByteArray("ATA\r"));
        QVERIFY(RingBox->isVisible());
        QCOMPARE(RingBox->windowTitle(), QString("RING"));
        QVERIFY(!RingBox->RingYes->isHidden() && RingBox->RingDisconnect->isHidden());
        QCOMPARE(ChatModeAlert_Frm->playCount(), 1);
        fake->fireRing(); // a second ring while asking is ignored
        QCOMPARE(fake->written, QByteArray("ATA\r"));
        RingBox->RingYes->click();
        QVERIFY(!RingBox->isVisible());
        QCOMPARE(fake->written, QByteArray("ATA\r"));
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
        QVERIFY(Form1->DisconnectTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!RingBox->isVisible(), 4000);
        QCOMPARE(fake->written, QByteArray("+++ATH0\r"));
        QVERIFY(!Form1->DisconnectTimer->isActive());
    }
};

QTEST_MAIN(IncomingCallTest)
#include "IncomingCallTest.moc"
