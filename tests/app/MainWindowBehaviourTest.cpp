#include "FakeLink.h"
#include "FakeProgram.h"
#include "Panel.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TRingBox.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"
#include <QComboBox>
#include <QLabel>

#include <QApplication>
#include <QPushButton>
#include <QTest>

// The main window's reactions to the modem's lines, its buttons and its own timers, each
// watched where the operator would see it.
class MainWindowBehaviourTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

private slots:
    void initTestCase() { prepare(false); }

    void cleanup() { finish(); }

    void introEndsByItsOwnTimer()
    {
        start();
        Form1->show();
        QVERIFY(Form1->IntroScreen->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->IntroScreen->isVisible(), 10000);
        QVERIFY(Form1->SaxComm1->isVisible());
        QVERIFY(Form1->SaxComm1->PortOpen());
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

    void toolbarButtonsOpenTheirPages()
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
    }

    void viewSmsWindowShowsTheLog()
    {
        startConnected(true);
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
};

QTEST_MAIN(MainWindowBehaviourTest)
#include "MainWindowBehaviourTest.moc"
