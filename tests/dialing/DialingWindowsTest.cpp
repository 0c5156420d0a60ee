#include "FakeProgram.h"
#include "MaskEdit.h"
#include "Panel.h"
#include "TATTableForm.h"
#include "TDialing_Frm.h"
#include "THint_Frm.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>

#include <functional>
#include <tuple>

// The Dialing Properties dialog and its hint window, driven through their controls.
class DialingWindowsTest : public QObject, ProgramOnFakeLink
{
    Q_OBJECT

    static QString q(const char *s) { return QString::fromLatin1(s); }
    static std::string text(const QLineEdit *e) { return e->text().toStdString(); }

    // Form1's dialing members in one text, so that a group of them is one compare: SIM, call
    // type, country code, local, satellite and government number, call value.
    static QString members()
    {
        const TForm1 *f = Form1;
        return str(f->SimValue + '|' + f->TypeValue + '|' + f->CountryCodeText + '|' +
                   f->LocalNumberText + '|' + f->SatelliteNumber + '|' + f->GovNumber + '|' +
                   f->CallValue);
    }

    // Opens the dialog the way the main window does, over the given members.
    void openDialog(const std::string &sim, const std::string &type)
    {
        Form1->SimValue = sim;
        Form1->TypeValue = type;
        Form1->DPropertyB->setEnabled(true);
        Form1->DPropertyB->click();
        QVERIFY(Dialing_Frm->isVisible());
    }

    // Picks a row as the operator does, from the keyboard.
    static void choose(QComboBox *box, int row)
    {
        if (row == 0) {
            box->setCurrentIndex(1);
            QTest::keyClick(box, Qt::Key_Up);
        } else {
            box->setCurrentIndex(0);
            for (int i = 0; i < row; ++i)
                QTest::keyClick(box, Qt::Key_Down);
        }
        QCOMPARE(box->currentIndex(), row);
    }

    // The panels the dialog shows, by name; the hint button only with a government call type.
    static void expectPanels(const QStringList &shown)
    {
        const std::pair<const char *, QWidget *> dialog[] = {
            {"civ", Dialing_Frm->CIV_Panel},  {"gov", Dialing_Frm->GOV_Panel},
            {"land", Dialing_Frm->LandPanel}, {"land", Dialing_Frm->Goto_CountryB},
            {"sate", Dialing_Frm->SatePanel},
        };
        for (const auto &[name, w] : dialog)
            QVERIFY2(w->isVisible() == shown.contains(name), name);
        QCOMPARE(Dialing_Frm->HintB->isHidden(),
                 Dialing_Frm->GovCallTypeComboBox->currentIndex() <= 0);
    }

private slots:
    void initTestCase() { prepare(); }

    void init()
    {
        start();
        Form1->SmsValue = "OFF"; // no indication request on connecting
        Form1->show();
    }

    void cleanup() { finish(); }

    void maskKeepsBlankPositions()
    {
        MaskEdit *mask = Dialing_Frm->PhoneNum_Mask;
        for (const char *number : {"(123)456-7890", "(   )456-7890", "(1 3)4 6-78 0"}) {
            mask->setMaskedText(number);
            QCOMPARE(mask->maskedText(), std::string(number));
        }
        mask->setMaskedText("");
        QCOMPARE(mask->maskedText(), std::string("(   )   -    "));
        mask->setFocus();
        mask->setCursorPosition(1);
        QTest::keyClicks(mask, "x9");
        QCOMPARE(mask->maskedText().substr(0, 5), std::string("(9  )"));
        // An eleventh digit has no place: the field keeps ten and says so.
        mask->selectAll();
        QTest::keyClicks(mask, "13912345678");
        QCOMPARE(mask->maskedText(), std::string("(139)123-4567"));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains("choose Satellite, which dials a number as typed"));
    }

    void openingLoadsTheStoredNumbers()
    {
        Form1->CountryCodeText = "44";
        Form1->LocalNumberText = "(20 )123-4567";
        Form1->SatelliteNumber = "008816";
        Form1->GovNumber = "00697";
        Dialing_Frm->EditGovNumber->setText("leftover");
        openDialog("CIV", "Land");
        expectPanels({"civ", "land"});
        QVERIFY(Dialing_Frm->RadioLand->isChecked());
        QCOMPARE(Dialing_Frm->SIM_ComboBox->currentText(), q("Civilian"));
        QCOMPARE(Dialing_Frm->PhoneNum_Mask->maskedText(), std::string("(20 )123-4567"));
        QCOMPARE(text(Dialing_Frm->EditCountry_Code), std::string("44"));
        QCOMPARE(text(Dialing_Frm->Edit_PhoneNum), std::string("00"));
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string());
        QCOMPARE(Dialing_Frm->GovCallTypeComboBox->currentIndex(), 0);
        QCOMPARE(Dialing_Frm->focusWidget(), Dialing_Frm->SIM_ComboBox);
        Dialing_Frm->DialingSet_CancelB->click();

        openDialog("CIV", "Sate");
        expectPanels({"civ", "sate"});
        QVERIFY(!Dialing_Frm->RadioLand->isChecked());
        QCOMPARE(text(Dialing_Frm->Edit_PhoneNum), std::string("008816"));
        QCOMPARE(Dialing_Frm->PhoneNum_Mask->maskedText(), std::string("(000)000-0000"));
        QCOMPARE(text(Dialing_Frm->EditCountry_Code), std::string("1"));
        // Enter on Cancel cancels.
        Dialing_Frm->Edit_PhoneNum->setText("0088");
        Dialing_Frm->DialingSet_CancelB->setFocus();
        QTest::keyClick(Dialing_Frm->DialingSet_CancelB, Qt::Key_Return);
        QVERIFY(!Dialing_Frm->isVisible());
        QCOMPARE(Form1->SatelliteNumber, std::string("008816"));

        openDialog("GOV", "Sate");
        expectPanels({"gov"});
        QCOMPARE(Dialing_Frm->SIM_ComboBox->currentText(), q("Government"));
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string("00697"));
        QCOMPARE(text(Dialing_Frm->Edit_PhoneNum), std::string("00"));

        // Switching the SIM type swaps the panels; Escape keeps every member.
        choose(Dialing_Frm->SIM_ComboBox, 0);
        Dialing_Frm->RadioLand->click();
        expectPanels({"civ", "land"});
        QTest::keyClick(Dialing_Frm, Qt::Key_Escape);
        QVERIFY(!Dialing_Frm->isVisible());
        QCOMPARE(members(), q("GOV|Sate|44|(20 )123-4567|008816|00697|+1(000)000-0000"));
    }

    void okStoresTheCivilianNumbers()
    {
        openDialog("CIV", "Land");
        Form1->SaxComm1->setPhoneNumber("+1(000)000-0000");
        Dialing_Frm->PhoneNum_Mask->setMaskedText("(   )456-7890");
        Dialing_Frm->EditCountry_Code->setText("49");
        Dialing_Frm->DialingSet_OKB->click();
        QVERIFY(!Dialing_Frm->isVisible());
        QCOMPARE(members(), q("CIV|Land|49|(   )456-7890|||+49(   )456-7890"));
        QCOMPARE(Form1->SaxComm1->PhoneNumber(), Form1->CallValue);
        QCOMPARE(Form1->SIM_Panel->caption(), q("CIV"));

        // Satellite leaves the landline call value alone and drops control characters.
        openDialog("CIV", "Land");
        Dialing_Frm->RadioSate->click();
        Dialing_Frm->Edit_PhoneNum->setText(QString::fromLatin1("0088\r16\x1a"));
        Dialing_Frm->DialingSet_OKB->click();
        QCOMPARE(members(), q("CIV|Sate|49|(   )456-7890|008816||+49(   )456-7890"));
        QCOMPARE(Form1->SaxComm1->PhoneNumber(), Form1->CallValue);

        // Required digits missing: the dialog stays, with the caret where one is missing.
        openDialog("CIV", "Land");
        Dialing_Frm->PhoneNum_Mask->setMaskedText("(12 )   -    ");
        boxes.clear();
        Dialing_Frm->DialingSet_OKB->click();
        QVERIFY(Dialing_Frm->isVisible());
        QCOMPARE(boxes.size(), size_t(1));
        QVERIFY(boxes[0].text.contains("(12 )   -    "));
        QCOMPARE(Dialing_Frm->focusWidget(), Dialing_Frm->PhoneNum_Mask);
        QCOMPARE(Dialing_Frm->PhoneNum_Mask->cursorPosition(), 5);
        QCOMPARE(members(), q("CIV|Land|49|(   )456-7890|008816||+49(   )456-7890"));
        Dialing_Frm->PhoneNum_Mask->setMaskedText("(12 )345-678 ");
        Dialing_Frm->DialingSet_OKB->click();
        QVERIFY(Dialing_Frm->isVisible());
        QCOMPARE(Dialing_Frm->PhoneNum_Mask->cursorPosition(), 12);
        Dialing_Frm->PhoneNum_Mask->setMaskedText("(12 )345-6789");
        Dialing_Frm->DialingSet_OKB->click();
        QVERIFY(!Dialing_Frm->isVisible());
        QCOMPARE(Form1->CallValue, std::string("+49(12 )345-6789"));
    }

    void okStoresTheGovernmentNumberAndNothingWithoutAType()
    {
        openDialog("CIV", "Land");
        choose(Dialing_Frm->SIM_ComboBox, 1);
        choose(Dialing_Frm->GovCallTypeComboBox, 4);
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string("00"));
        QVERIFY(Dialing_Frm->HintB->isVisible());
        choose(Dialing_Frm->GovCallTypeComboBox, 7);
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string("006991800"));
        choose(Dialing_Frm->GovCallTypeComboBox, 0);
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string());
        QVERIFY(!Dialing_Frm->HintB->isVisible());
        choose(Dialing_Frm->GovCallTypeComboBox, 1);
        QTest::keyClicks(Dialing_Frm->EditGovNumber, "3141234567");
        QTest::keyClick(Dialing_Frm->EditGovNumber, Qt::Key_Return);
        QVERIFY(!Dialing_Frm->isVisible());
        QCOMPARE(members(), q("GOV|Land|1|(000)000-0000||006963141234567|+1(000)000-0000"));
        QCOMPARE(Form1->SIM_Panel->caption(), q("GOV"));

        // An unknown SIM type leaves the list unselected: OK stores nothing.
        Dialing_Frm->SIM_ComboBox->setCurrentIndex(-1);
        openDialog("", "");
        Form1->GovNumber = "kept";
        Dialing_Frm->DialingSet_OKB->click();
        QCOMPARE(members(), q("||1|(000)000-0000||kept|+1(000)000-0000"));
        QVERIFY(!Dialing_Frm->isVisible());
    }

    // Over a dialog moved off the screen the hint still opens inside it.
    void hintStaysOnTheScreenAndWritesTheCountryCode()
    {
        Form1->CountryCodeText = "7";
        openDialog("CIV", "Land");
        Dialing_Frm->move(-500, -500);
        Hint_Frm->FindCountry_ComboBox->setCurrentIndex(5);
        Dialing_Frm->Goto_CountryB->click();
        QVERIFY(Hint_Frm->isVisible());
        QVERIFY(Hint_Frm->screen()->availableGeometry().contains(Hint_Frm->frameGeometry()));
        QVERIFY(Hint_Frm->Country_Panel->isVisible() && !Hint_Frm->GovHint_Panel->isVisible());
        QCOMPARE(Hint_Frm->FindCountry_ComboBox->currentIndex(), 0);
        Hint_Frm->HintB->click(); // placeholder row: nothing written
        QVERIFY(!Hint_Frm->isVisible());
        QCOMPARE(text(Dialing_Frm->EditCountry_Code), std::string("7"));

        Dialing_Frm->Goto_CountryB->click();
        Hint_Frm->FindCountry_ComboBox->setCurrentIndex(58);
        QTest::keyClick(Hint_Frm->FindCountry_ComboBox, Qt::Key_Return);
        QVERIFY(!Hint_Frm->isVisible());
        QCOMPARE(text(Dialing_Frm->EditCountry_Code), std::string("5399"));
        QVERIFY(Dialing_Frm->isVisible()); // back in the dialog, which keeps what it wrote
        Dialing_Frm->DialingSet_OKB->click();
        QCOMPARE(Form1->CallValue, std::string("+5399(000)000-0000"));
    }

    void hintAppendsTheGovernmentFields()
    {
        openDialog("GOV", "");
        const std::tuple<int, const char *, std::function<void()>, const char *> cases[] = {
            {1, "ISUtoDSN",
             [] {
                 Hint_Frm->R314->click();
                 QTest::keyClicks(Hint_Frm->EditDSNNum, "12345678"); // at most 7 digits
             },
             "006963141234567"},
            {2, "ISUtoFTS",
             [] {
                 Hint_Frm->EditFTSArea->setText("808");
                 Hint_Frm->EditFTS7Num->setText("5551234");
             },
             "006978085551234"},
            {3, "ISUtoILD",
             [] {
                 Hint_Frm->GovFindCountryCode->setCurrentIndex(0);
                 Hint_Frm->EditNational->setText("20");
                 Hint_Frm->EditSubscriber->setText("79460000");
             },
             "006982079460000"},
            {3, "ISUtoILD", [] { Hint_Frm->GovFindCountryCode->setCurrentIndex(230); },
             "00698442079460000"},
            {4, "ISUtoISU", [] { Hint_Frm->EditIridiumNum->setText("8816314"); }, "008816314"},
            {5, "INMARSAT", [] { Hint_Frm->EditINMARSATsub->setText("7625"); }, "006987625"},
            {5, "INMARSAT",
             [] {
                 Hint_Frm->R873->click();
                 Hint_Frm->EditINMARSATsub->setText("7625");
             },
             "006988737625"},
            {6, "LocalPSTN", [] { Hint_Frm->Edit7LocalNum->setText("5550100"); }, "006995550100"},
            {7, "Toll_Free", [] { Hint_Frm->Edit7digitNum->setText("5550199"); },
             "0069918005550199"},
        };
        const QStringList panels{"ISUtoDSN", "ISUtoFTS",  "ISUtoILD", "ISUtoISU",
                                 "INMARSAT", "LocalPSTN", "Toll_Free"};
        for (const auto &[callType, panel, fill, number] : cases) {
            choose(Dialing_Frm->GovCallTypeComboBox, callType);
            Dialing_Frm->HintB->click();
            QVERIFY(Hint_Frm->GovHint_Panel->isVisible() && !Hint_Frm->Country_Panel->isVisible());
            for (const QString &name : panels)
                QCOMPARE(Hint_Frm->findChild<QWidget *>(name)->isVisible(), name == panel);
            fill();
            Hint_Frm->HintB->click();
            QVERIFY(!Hint_Frm->isVisible());
            QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string(number));
        }
        Dialing_Frm->HintB->click();
        Hint_Frm->HintB->click(); // each Done starts from the current number
        QCOMPARE(text(Dialing_Frm->EditGovNumber), std::string("0069918005550199") + "5550199");
    }

    void atTablePanelEditsTheCivilianNumbers()
    {
        TATTableForm *t = ATTableForm;
        t->show();
        t->atd();
        Form1->SimValue = "CIV";
        Form1->TypeValue = "Land";
        Form1->CountryCodeText = "44";
        Form1->LocalNumberText = "(   )456-7890";
        t->Change_PhoneNumberB->click();
        QVERIFY(t->LandPanel->isVisible() && !t->SatePanel->isVisible() &&
                !t->Gov_Panel->isVisible());
        QCOMPARE(t->PhoneNum_Mask->maskedText(), std::string("(   )456-7890"));
        QCOMPARE(text(t->EditCountry_Code), std::string("44"));
        QCOMPARE(text(t->Edit_PhoneNum), std::string("00"));

        // The country list writes its code; its placeholder row writes nothing.
        choose(t->FindCountry_ComboBox, 1);
        QCOMPARE(text(t->EditCountry_Code), std::string("93"));
        choose(t->FindCountry_ComboBox, 0);
        QCOMPARE(text(t->EditCountry_Code), std::string());
        t->EditCountry_Code->setText("49");
        t->Country_OK->click();
        QVERIFY(!t->PhoneNumber_Panel->isVisible());
        QCOMPARE(members(), q("CIV|Land|49|(   )456-7890|||+49(   )456-7890"));
        QCOMPARE(t->dialLine(), std::string("ATD0049   4567890"));
        emit Form1->SaveDialog1->fileSelected(dir.filePath("dialed.sms")); // what a save keeps
        QFile saved(dir.filePath("dialed.sms"));
        QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains("+49(   )456-7890"));

        // An incomplete number keeps the panel open.
        t->Change_PhoneNumberB->click();
        t->PhoneNum_Mask->setMaskedText("(44 )12 -3456");
        t->Country_OK->click();
        QVERIFY(t->PhoneNumber_Panel->isVisible());
        QCOMPARE(t->PhoneNum_Mask->cursorPosition(), 7);
        QCOMPARE(Form1->LocalNumberText, std::string("(   )456-7890"));
        t->PhoneNum_Mask->setMaskedText("(   )456-7890");
        t->Country_OK->click();
        QVERIFY(!t->PhoneNumber_Panel->isVisible());

        // Satellite: a control character typed or pasted never splits the dial command.
        t->Change_PhoneNumberB->click();
        t->RSate->click();
        QVERIFY(t->SatePanel->isVisible() && !t->LandPanel->isVisible());
        t->Edit_PhoneNum->setText(QString::fromLatin1("0088\r1\n6\x1a"));
        t->Country_OK->click();
        QCOMPARE(members(), q("CIV|Sate|49|(   )456-7890|008816||+49(   )456-7890"));
        QCOMPARE(Form1->SIM_Panel->caption(), q("CIV"));
        Form1->SaxComm1->setPortOpen(true);
        QVERIFY(fake);
        t->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray("ATD008816\r"));

        // No card and no call type chosen: nothing at all is written.
        Form1->SimValue.clear();
        Form1->TypeValue.clear();
        fake->written.clear();
        t->SendCommandB->click();
        QCOMPARE(fake->written, QByteArray());
        Form1->SimValue = "CIV";
        Form1->TypeValue = "Sate";

        // Opening the panel again starts from what was stored.
        t->Change_PhoneNumberB->click();
        QVERIFY(t->RSate->isChecked());
        QCOMPARE(text(t->Edit_PhoneNum), std::string("008816"));
        QCOMPARE(t->PhoneNum_Mask->maskedText(), std::string("(000)000-0000"));
        t->aten(); // another page closes the panel
        QVERIFY(!t->PhoneNumber_Panel->isVisible());
    }

    void atTablePanelAndDialogShareTheGovernmentCallType()
    {
        TATTableForm *t = ATTableForm;
        t->show();
        t->atd();
        openDialog("CIV", "Land");
        choose(Dialing_Frm->SIM_ComboBox, 1);
        choose(Dialing_Frm->GovCallTypeComboBox, 3);
        QTest::keyClicks(Dialing_Frm->EditGovNumber, "44");
        Dialing_Frm->DialingSet_OKB->click();
        QCOMPARE(t->GovCallTypeComboBox->currentIndex(), 3);
        QCOMPARE(text(t->GovDialingNum), std::string("0069844"));

        t->Change_PhoneNumberB->click();
        QWidget *ild = t->findChild<QWidget *>("ISUtoILD");
        QVERIFY(ild && ild->isVisible());

        // Find... shows the country codes; Go back shows the code on the ILD panel.
        t->GotoGovCountryCodeB->click();
        QVERIFY(t->GovCountryCodePanel->isVisible() && !ild->isVisible());
        choose(t->CountryCodeComboBox, 1);
        t->GoBackCountryB->click();
        QVERIFY(!t->GovCountryCodePanel->isVisible() && ild->isVisible());
        QCOMPARE(t->GovCountryCode->text(), q("93"));

        // Each call type shows only its own help panel and writes its prefix.
        for (int type = 1; type <= 7; ++type) {
            choose(t->GovCallTypeComboBox, type);
            for (int i = 0; i < 7; ++i)
                QCOMPARE(t->GovHelpPanels[std::size_t(i)]->isVisible(), i == type - 1);
        }
        QCOMPARE(text(t->GovDialingNum), std::string("006991800"));
        QTest::keyClicks(t->GovDialingNum, "5551234");
        t->Country_OK->click();
        QCOMPARE(Form1->SimValue, std::string("GOV"));
        QCOMPARE(Form1->GovNumber, std::string("0069918005551234"));
        QCOMPARE(Dialing_Frm->GovCallTypeComboBox->currentIndex(), 7);
        QCOMPARE(t->dialLine(), std::string("ATD0069918005551234"));

        // Back to a civilian card in the dialog: the panel opens without the government part.
        openDialog("GOV", "");
        choose(Dialing_Frm->SIM_ComboBox, 0);
        Dialing_Frm->RadioSate->click();
        Dialing_Frm->DialingSet_OKB->click();
        t->Change_PhoneNumberB->click();
        QVERIFY(!t->Gov_Panel->isVisible());
        QCOMPARE(t->GovCallTypeComboBox->currentIndex(), 0);
        QCOMPARE(text(t->GovDialingNum), std::string());
    }
};

QTEST_MAIN(DialingWindowsTest)
#include "DialingWindowsTest.moc"
