#include "FakeProgram.h"
#include "SmsComposePanel.h"
#include "TATTableForm.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QWheelEvent>

#include <functional>

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

    void pagesShowTheirHeadingButtonsAndTerms()
    {
        ATTableForm->atpluscops();
        QCOMPARE(ATTableForm->Modem->text(), QString("(9505)"));
        ATTableForm->aten();
        QVERIFY(ATTableForm->ReadB->isHidden() && ATTableForm->TestB->isHidden());
        // The help menu's terms page offers nothing to send.
        Form1->TermsandAbbreviations1->trigger();
        QVERIFY(!ATTableForm->TermsAbbrevPanel->isHidden());
        QVERIFY(ATTableForm->SendCommandB->isHidden());
    }

    // What a page shows, after the operator's edits, is what its button sends; a set panel
    // reopened starts afresh together with its command.
    void pageEditsAndCommandSent()
    {
        using T = TATTableForm;
        struct Row
        {
            const char *name;
            void (T::*open)();
            std::function<void(T *)> edit;
            QByteArray sent;
            QPushButton *T::*button = &T::SendCommandB;
        };
        const auto clock = [](T *t) {
            t->Set_RealClockB->click();
            for (QComboBox *c : {t->EditRCYear, t->EditRCMonth, t->EditRCDay, t->EditRCHour,
                                 t->EditRCMinutes, t->EditRCSeconds})
                c->setCurrentIndex(5);
        };
        const Row rows[] = {
            {"echo", &T::aten, [](T *t) { t->EditNValue->setValue(1); }, "ATE1\r"},
            {"no value", &T::atpluscgmi, {}, "AT+CGMI\r"},
            {"read", &T::atpluscbst, {}, "AT+CBST?\r", &T::ReadB},
            {"test", &T::atpluscbst, {}, "AT+CBST=?\r", &T::TestB},
            {"suffix", &T::atpluscops, {}, "AT+COPS=0,0,\"IRIDIUM\"\r"},
            {"three values", &T::atpluswdldm, {}, "AT+WDLDM=0,1,1\r"},
            {"service centre", &T::atpluscsca, {}, "AT+CSCA=\"00881662900005\",129\r"},
            {"storage", &T::atpluscpbs, [](T *t) { t->EditPBStorage->setCurrentText("SM"); },
             "AT+CPBS=\"SM\"\r"},
            {"compression", &T::atplusds, [](T *t) { t->Set_DCB->click(); }, "AT+DS=,,512,6\r"},
            {"compression reopened", &T::atplusds,
             [](T *t) {
                 t->Set_DCB->click();
                 t->EditDCDirection->setCurrentIndex(3);
                 t->EditDCCompneg->setCurrentIndex(1);
                 t->EditDCMaxdict->setValue(1024);
                 t->DC_OKB->click();
                 t->atplusds();
             },
             "AT+DS=,,512,6\r"},
            {"clock, panel open", &T::atpluscclk, clock, "AT+CCLK=\"75/06/06,05:05:05\"\r"},
            {"phonebook entry", &T::atpluscpbw,
             [](T *t) {
                 t->Set_PhonebookB->click();
                 t->EditPBIndex->setCurrentText("005");
                 t->EditPBNum->setText("0088163");
             },
             "AT+CPBW=005,\"0088163\",,\r"},
        };
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake);
        for (const Row &r : rows) {
            (ATTableForm->*r.open)();
            if (r.edit)
                r.edit(ATTableForm);
            fake->written.clear();
            (ATTableForm->*r.button)->click();
            QVERIFY2(fake->written == r.sent, r.name);
            fake->inject("\r\nOK\r\n");
            QTRY_VERIFY2(ATTableForm->SendCommandB->isEnabled(), r.name);
        }
        ATTableForm->atpluscpbw();
        ATTableForm->Set_PhonebookB->click();
        QCOMPARE(ATTableForm->findChild<QLabel *>("PhonebookNote")->text(),
                 QString("To delete the phonebook entry, select the index of the entry and leave "
                         "out the other three fields."));
        QVERIFY(ATTableForm->findChild<QLabel *>("PhonebookNote")->isVisible());
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

    void sendReadAndTestGoToThePort()
    {
        ATTableForm->aten();
        ATTableForm->SendCommandB->click(); // port closed: nothing at all
        ATTableForm->ReadB->click();
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake && fake->written.isEmpty());
        ATTableForm->SendCommandB->click();
        // Send waits for the answer of what it sent, as the other windows do.
        QVERIFY(!ATTableForm->SendCommandB->isEnabled());
        fake->inject("\r\nOK\r\n");
        QVERIFY(ATTableForm->SendCommandB->isEnabled());

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

    // The wheel scrolls the page even over a value, which stays; the same page keeps its
    // place, another starts at the top.
    void wheelScrollsThePage()
    {
        const auto wheel = [](QWidget *w, int dy) {
            QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, dy), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &e);
        };
        ATTableForm->atpluscmee();
        QVERIFY(QTest::qWaitForWindowExposed(ATTableForm));
        QScrollBar *bar = ATTableForm->scrollArea()->verticalScrollBar();
        QVERIFY(bar->maximum() > 100);
        const int before = ATTableForm->EditNValue->value();
        wheel(ATTableForm->EditNValue, -120);
        QCOMPARE(bar->value(), 12);
        QCOMPARE(ATTableForm->EditNValue->value(), before);
        bar->setValue(200);
        ATTableForm->FormActivate();
        QCOMPARE(bar->value(), 200);
        ATTableForm->atplusds();
        QCOMPARE(bar->value(), 0);
        ATTableForm->Set_DCB->click();
        bar->setValue(24);
        wheel(ATTableForm->EditDCDirection, 120);
        QCOMPARE(bar->value(), 12);
        QCOMPARE(ATTableForm->EditDCDirection->currentIndex(), -1);
    }

    // F1 offers the last text selected, for typing over; Enter forgives letter case, blanks
    // and a missing "AT+", and a GPS entry stays in the window.
    void searchOpensPagesButNotGpsOnes()
    {
        const std::pair<const char *, const char *> rows[] = {
            {"AT+CSQ", "AT+CSQ"}, {" at+cpas", "AT+CPAS"}, {"cnum", "AT+CNUM"}, {"AT+PD", nullptr}};
        for (const auto &[typed, opens] : rows) {
            Form1->Search1->trigger();
            QTest::keyClicks(SearchForm->Search_ComboBox, typed);
            QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Return);
            QVERIFY2(SearchForm->isVisible() == !opens, typed);
            if (opens)
                QCOMPARE(ATTableForm->ATCommand->text(), QString(opens));
        }
        QCOMPARE(SearchForm->SearchText->text(), QString("AT GPS Command"));
        QVERIFY(!SearchForm->SearchText2->isHidden() && SearchForm->SearchB->isHidden());
        // The list is always in view and follows what is typed.
        SearchForm->Search_ComboBox->setEditText("AT+CBC ");
        QVERIFY(SearchForm->SearchText2->isHidden() && !SearchForm->SearchB->isHidden());
        QVERIFY(SearchForm->SearchList->isVisible());
        QCOMPARE(SearchForm->SearchList->currentIndex().data().toString(), QString("AT+CBC "));
        // Short of an entry the button closes the window and opens nothing.
        SearchForm->Search_ComboBox->setEditText("AT+CBC");
        QCOMPARE(SearchForm->selectedEntry(), -1);
        SearchForm->SearchB->click();
        QVERIFY(!SearchForm->isVisible());
        QCOMPARE(ATTableForm->ATCommand->text(), QString("AT+CNUM"));
        Form1->Search1->trigger();
        QTest::keyClick(SearchForm->Search_ComboBox, Qt::Key_Escape);
        QVERIFY(!SearchForm->isVisible());
    }

    void smsPagesWriteAndSendThroughTheSmsWindow()
    {
        const auto log = [this] {
            QFile f(dir.filePath("SMSLog.txt"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no log)");
        };
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
        QVERIFY(log().startsWith("[SENT]\nTo: +1234567 (Phone number)\n"));
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
        QVERIFY(log().endsWith(QByteArray(200, 'w') + "\n\n"));
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
};

QTEST_MAIN(AtTableWindowTest)
#include "AtTableWindowTest.moc"
