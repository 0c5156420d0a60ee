#include "FakeLink.h"
#include "FakeProgram.h"
#include "Notice.h"
#include "Program.h"
#include "SerialControl.h"
#include "SmsComposePanel.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

class AtTableWindowTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

private slots:
    void initTestCase() { prepare(false); }
    void init()
    {
        start();
        Form1->SmsValue = "OFF"; // no indication request on connecting
    }
    void cleanup() { finish(); }

    void pagesCarryHeadingValuesAndSuffix()
    {
        ATTableForm->atpluscops();
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+COPS"));
        QCOMPARE(ATTableForm->Command->text(), QString("Operator Select"));
        QCOMPARE(ATTableForm->Modem->text(), QString("(9505)"));
        QCOMPARE(QString::fromStdString(ATTableForm->CommandSuffix), QString(",\"IRIDIUM\""));
        QVERIFY(!ATTableForm->SelectVPanel->isHidden());
        QVERIFY(!ATTableForm->ExtraDescriptionPanel->isHidden());
        QCOMPARE(QString::fromStdString(ATTableForm->ValueN), QString("0"));

        ATTableForm->atpluscgmi();
        QCOMPARE(QString::fromStdString(ATTableForm->CommandSuffix), QString());
        QVERIFY(ATTableForm->SelectNPanel->isHidden() && ATTableForm->SelectVPanel->isHidden());
        QVERIFY(ATTableForm->ExtraDescriptionPanel->isHidden());
        QVERIFY(!ATTableForm->ReadB->isHidden() && !ATTableForm->TestB->isHidden());

        ATTableForm->aten();
        QVERIFY(ATTableForm->ReadB->isHidden() && ATTableForm->TestB->isHidden());
        QCOMPARE(ATTableForm->EditNValue->maximum(), 1);
        ATTableForm->atpluscmgs();
        QVERIFY(ATTableForm->SendCommandB->isHidden());
        QVERIFY(!ATTableForm->SMS_SendorWrite_Panel->isHidden());
        ATTableForm->atpluscmgw();
        QVERIFY(!ATTableForm->SendCommandB->isHidden());
        ATTableForm->atpluswdldm();
        QCOMPARE(ATTableForm->EditVValue->value(), 1);
        QCOMPARE(ATTableForm->EditDValue->value(), 1);
        ATTableForm->atpluscsca();
        QCOMPARE(QString::fromStdString(ATTableForm->ValueN), QString("\"00881662900005\",129"));
        ATTableForm->atpluscpbf();
        QCOMPARE(ATTableForm->EditPBFindtext->text(), QString(" EnterText"));
        QVERIFY(!ATTableForm->EditPBFindtext->isHidden());
    }

    void descriptionFillsBothColumnsOfLines()
    {
        ATTableForm->atpluscmgd();
        const auto &lines = TATTableForm::descriptionOf("AT+CMGD");
        QVERIFY(lines.size() >= 31); // a page resource that failed to load leaves them empty
        QCOMPARE(ATTableForm->Description[0]->text().toStdString(), lines[0]);
        QCOMPARE(ATTableForm->eDescription[0]->text().toStdString(), lines[30]);
        // A shorter long page starts from empty extra lines; a short page hides them.
        ATTableForm->atpluscmee();
        const size_t cmee = TATTableForm::descriptionOf("AT+CMEE").size();
        QCOMPARE(ATTableForm->eDescription[cmee - 30]->text(), QString());
        QCOMPARE(ATTableForm->eDescription[cmee - 31]->text().toStdString(),
                 TATTableForm::descriptionOf("AT+CMEE").back());
        ATTableForm->ata();
        QVERIFY(ATTableForm->ExtraDescriptionPanel->isHidden());
    }

    void scrollingFollowsThePage()
    {
        ATTableForm->atpluscmee();
        QVERIFY(QTest::qWaitForWindowExposed(ATTableForm));
        QScrollBar *bar = ATTableForm->scrollArea()->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ATTableForm->scrollArea()->viewport(), &down);
        QCOMPARE(bar->value(), 12);
        bar->setValue(200);
        ATTableForm->FormActivate(); // the same page: the position stays
        QCOMPARE(bar->value(), 200);
        ATTableForm->atpluscbst();
        QCOMPARE(bar->value(), 0);
    }

    void sendReadAndTestGoToThePort()
    {
        ATTableForm->aten();
        ATTableForm->EditNValue->setValue(1);
        ATTableForm->SendCommandB->click(); // port closed: nothing at all
        ATTableForm->ReadB->click();
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake);
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("ATE1\r"));
        // Send waits for the answer of what it sent, as the other windows do.
        QVERIFY(!ATTableForm->SendCommandB->isEnabled());
        fake->inject("\r\nOK\r\n");

        fake->written.clear();
        ATTableForm->atpluscbst();
        ATTableForm->ReadB->click();
        fake->inject("\r\n+CBST: 7,0,1\r\n\r\nOK\r\n");
        ATTableForm->TestB->click();
        QCOMPARE(fake->written, QByteArray("AT+CBST?\rAT+CBST=?\r"));
        fake->inject("\r\nOK\r\n");

        fake->written.clear();
        ATTableForm->atpluscpbs();
        ATTableForm->EditPBStorage->setCurrentText("SM");
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+CPBS=\"SM\"\r"));
        fake->inject("\r\nOK\r\n");

        // Hardware flow control with CTS down: only the GPS commands go.
        Form1->FlowValue = "HW";
        fake->setCts(false);
        fake->written.clear();
        ATTableForm->atpluscbst();
        ATTableForm->SendCommandB->click();
        QVERIFY(fake->written.isEmpty());
        ATTableForm->atpluspl();
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+PL\r"));
        fake->inject("\r\nOK\r\n");
        Form1->FlowValue = "NONE";

        // The NMEA list goes out a character at a time without holding the window.
        fake->written.clear();
        ATTableForm->atpluspm();
        ATTableForm->EditNValue->setValue(2);
        ATTableForm->findChild<QCheckBox *>("RMCCheckBox")->setChecked(true);
        ATTableForm->SendCommandB->click();
        QVERIFY(fake->written.size() < 12);
        // A line and a key typed meanwhile wait for the paced line instead of cutting into it.
        Form1->SaxComm1->setTransmitLine("AT");
        QTest::keyClick(Form1->SaxComm1->screen(), Qt::Key_X);
        QTRY_COMPARE(fake->written, QByteArray("AT+PM=2,1,6\rAT\rx"));

        // A delete of a listed message goes through the SMS window.
        SmsRecord listed;
        listed.indexes = {"007"};
        SMS_Frm->SMS_IndexListBox->addItem(new SmsListEntry("007", listed));
        fake->written.clear();
        ATTableForm->atpluscmgd();
        ATTableForm->EditNValue->setValue(7);
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+CMGD=007\r"));
        QCOMPARE(SMS_Frm->SMS_IndexListBox->count(), 0);
        fake->inject("\r\nOK\r\n");
        QTRY_VERIFY(ATTableForm->SendCommandB->isEnabled()); // held while the delete runs

        ATTableForm->ats0();
        ATTableForm->EditNValue->setValue(3);
        ATTableForm->SendCommandB->click();
        QVERIFY(ATTableForm->AutoAnswerEnabled);
    }

    // What a panel shows is what Send sends, while it is open and after the page is reopened.
    void setPanelsShowWhatIsSent()
    {
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake);
        ATTableForm->atplusds();
        ATTableForm->Set_DCB->click();
        QCOMPARE(ATTableForm->EditDCDirection->currentText(), QString());
        QCOMPARE(ATTableForm->EditDCCompneg->currentText(), QString());
        QCOMPARE(ATTableForm->EditDCMaxdict->value(), 512);
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+DS=,,512,6\r"));
        fake->inject("\r\nOK\r\n");
        ATTableForm->EditDCDirection->setCurrentIndex(3);
        ATTableForm->EditDCCompneg->setCurrentIndex(1);
        ATTableForm->EditDCMaxdict->setValue(1024);
        ATTableForm->DC_OKB->click();
        ATTableForm->atplusds(); // reopened: the panel and the command start afresh together
        QCOMPARE(ATTableForm->EditDCDirection->currentText(), QString());
        QCOMPARE(ATTableForm->EditDCMaxdict->value(), 512);
        fake->written.clear();
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+DS=,,512,6\r"));
        fake->inject("\r\nOK\r\n");

        ATTableForm->atpluscclk();
        ATTableForm->Set_RealClockB->click();
        QCOMPARE(ATTableForm->EditRCYear->currentText(), QString());
        for (QComboBox *c :
             {ATTableForm->EditRCYear, ATTableForm->EditRCMonth, ATTableForm->EditRCDay,
              ATTableForm->EditRCHour, ATTableForm->EditRCMinutes, ATTableForm->EditRCSeconds})
            c->setCurrentIndex(5);
        fake->written.clear();
        ATTableForm->SendCommandB->click(); // the panel is still open
        QCOMPARE(fake->written, QByteArray("AT+CCLK=\"75/06/06,05:05:05\"\r"));
        fake->inject("\r\nOK\r\n");

        ATTableForm->atpluscpbw();
        ATTableForm->Set_PhonebookB->click();
        QVERIFY(ATTableForm->findChild<QLabel *>("PhonebookNote")->isVisible());
        QCOMPARE(ATTableForm->findChild<QLabel *>("PhonebookNote")->text(),
                 QString("To delete the phonebook entry, select the index of the entry and leave "
                         "out the other three fields."));
        ATTableForm->EditPBIndex->setCurrentText("005");
        ATTableForm->EditPBNum->setText("0088163");
        fake->written.clear();
        ATTableForm->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("AT+CPBW=005,\"0088163\",,\r"));
    }

    // The wheel over a value scrolls the page and leaves the value alone.
    void wheelOverAValueScrollsThePage()
    {
        ATTableForm->atpluscmee();
        QVERIFY(QTest::qWaitForWindowExposed(ATTableForm));
        QScrollBar *bar = ATTableForm->scrollArea()->verticalScrollBar();
        const int before = ATTableForm->EditNValue->value();
        QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(ATTableForm->EditNValue, &down);
        QCOMPARE(bar->value(), 12);
        QCOMPARE(ATTableForm->EditNValue->value(), before);
        ATTableForm->atplusds();
        ATTableForm->Set_DCB->click();
        QWheelEvent up(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        bar->setValue(24);
        QApplication::sendEvent(ATTableForm->EditDCDirection, &up);
        QCOMPARE(bar->value(), 12);
        QCOMPARE(ATTableForm->EditDCDirection->currentIndex(), -1);
    }

    void searchOpensPagesButNotGpsOnes()
    {
        SearchForm->show();
        QTest::keyClicks(SearchForm->Search_ComboBox, "AT+CSQ");
        QCOMPARE(SearchForm->selectedEntry(), 67);
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QVERIFY(!SearchForm->isVisible());
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CSQ"));

        SearchForm->show();
        SearchForm->Search_ComboBox->setEditText("AT+CBC");
        QCOMPARE(SearchForm->selectedEntry(), -1);
        QVERIFY(!SearchForm->SearchB->isHidden());
        SearchForm->SearchB->click();
        QVERIFY(!SearchForm->isVisible());
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CSQ"));

        SearchForm->show();
        SearchForm->Search_ComboBox->setEditText("AT+PD");
        QCOMPARE(SearchForm->SearchText->text(), QString("AT GPS Command"));
        QVERIFY(!SearchForm->SearchText2->isHidden() && SearchForm->SearchB->isHidden());
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QVERIFY(SearchForm->isVisible());
        SearchForm->Search_ComboBox->setEditText("AT+CBC ");
        QVERIFY(SearchForm->SearchText2->isHidden() && !SearchForm->SearchB->isHidden());
        // The list is always in view and follows what is typed.
        QVERIFY(SearchForm->SearchList->isVisible());
        QCOMPARE(SearchForm->SearchList->currentIndex().data().toString(), QString("AT+CBC "));
        // Enter forgives letter case and blanks around the name; a GPS entry still waits.
        SearchForm->Search_ComboBox->setEditText(" at+cpas");
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QVERIFY(!SearchForm->isVisible());
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CPAS"));
        SearchForm->show();
        SearchForm->Search_ComboBox->setEditText("at+pd");
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QVERIFY(SearchForm->isVisible());
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Escape);
        QVERIFY(!SearchForm->isVisible());
        // A name without its "AT+" is the entry; F1 again offers it selected, for typing over.
        Form1->Search1->trigger();
        QTest::keyClicks(SearchForm->Search_ComboBox, "csq");
        QCOMPARE(SearchForm->SearchList->currentIndex().data().toString(), QString("AT+CSQ"));
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QVERIFY(!SearchForm->isVisible());
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CSQ"));
        Form1->Search1->trigger();
        QTest::keyClicks(SearchForm->Search_ComboBox, "cnum");
        QCOMPARE(SearchForm->Search_ComboBox->currentText(), QString("cnum"));
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CNUM"));
    }

    void smsPagesWriteAndSendThroughTheSmsWindow()
    {
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake && !SMS_Frm->isVisible());

        ATTableForm->atpluscmgw();
        ATTableForm->SmsPage->EditDA->setText("+1234567"); // "+" means international, as "00"
        ATTableForm->SmsPage->EditMessage->setPlainText("abc");
        ATTableForm->SmsPage->SMS_SendB->click();
        QCOMPARE(fake->written, QByteArray("AT+CMGW=24\r"));
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        QVERIFY(fake->written.contains("079188612609005011000791214365F70000FF0361F118"));
        fake->inject("\r\n+CMGW: 3\r\n\r\nOK\r\n");
        QVERIFY(ATTableForm->SendCommandB->isEnabled());
        QVERIFY(!QFile::exists(dir.filePath("SMSLog.txt")));

        fake->written.clear();
        ATTableForm->atpluscmgs();
        ATTableForm->SmsPage->SMS_SendB->click();
        QCOMPARE(fake->written, QByteArray("AT+CMGS=24\r"));
        QVERIFY(!ATTableForm->SmsPage->SMS_SendB->isEnabled());
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        fake->inject("\r\n+CMGS: 4\r\n\r\nOK\r\n");
        QFile log(dir.filePath("SMSLog.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().startsWith("[SENT]\nTo: +1234567 (Phone number)\n"));
        log.close();
        QVERIFY(ATTableForm->SmsPage->SMS_SendB->isEnabled());

        // A long text goes in linked parts from this page too; writing to memory keeps to one.
        int offered = 0;
        notice::setChoiceHook([&offered](const QString &, const QString &, const QString &) {
            ++offered;
            return 2;
        });
        ATTableForm->SmsPage->EditMessage->setPlainText(QString(200, 'w'));
        QCOMPARE(offered, 1);
        fake->written.clear();
        ATTableForm->SmsPage->SMS_SendB->click();
        QTRY_VERIFY(fake->written.endsWith('\x1A'));
        QVERIFY(fake->written.startsWith("AT+CMGS="));
        QVERIFY(fake->written.contains("050003"));
        fake->written.clear();
        fake->inject("\r\n+CMGS: 5\r\n\r\nOK\r\n");
        QTRY_VERIFY(fake->written.endsWith('\x1A')); // the second part
        fake->inject("\r\n+CMGS: 6\r\n\r\nOK\r\n");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().endsWith(QByteArray(200, 'w') + "\n\n"));
        log.close();
        ATTableForm->atpluscmgw();
        int asked = 0;
        notice::setHook([&asked](notice::Kind, const QString &, const QString &) {
            ++asked;
            return false;
        });
        fake->written.clear();
        ATTableForm->SmsPage->SMS_SendB->click(); // Yes or No only, and No sends nothing
        QCOMPARE(offered, 1);
        QCOMPARE(asked, 1);
        QVERIFY(fake->written.isEmpty());
        ATTableForm->SmsPage->EditMessage->setPlainText("abc");
        notice::setHook({});
        notice::setChoiceHook({});

        ATTableForm->SmsPage->SMSWarningCheckBox->click();
        QVERIFY(!SMS_Frm->SMSWarningCheckBox->isChecked());
    }

    void helpMenuOpensPagesByCaption()
    {
        QAction *cbst = Form1->menuItem("ATplusCBST");
        QVERIFY(cbst);
        QCOMPARE(cbst->text(), QString("AT+CBST : Select Bearer Service Type"));
        QCOMPARE(Form1->menuItem("ATampCn")->text(), QString("AT&&Cn : DCD Option"));
        cbst->trigger();
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CBST"));
        QVERIFY(ATTableForm->isVisible());
        Form1->TermsandAbbreviations1->trigger();
        QVERIFY(!ATTableForm->TermsAbbrevPanel->isHidden());
        QVERIFY(ATTableForm->SendCommandB->isHidden());
        QCOMPARE(ATTableForm->Title->text(), QString("  Terms and Abbreviations"));
    }
};

QTEST_MAIN(AtTableWindowTest)
#include "AtTableWindowTest.moc"
