// The dial page's phone-number panel of the AT command table. It edits the same dialing
// members as the Dialing Properties dialog and keeps that dialog's call type in step.

#include "TATTableForm.h"

#include "CountryCodeTable.h"
#include "GovCallTypes.h"
#include "MaskEdit.h"
#include "NumberFormats.h"
#include "Panel.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SheetWidgets.h"
#include "TDialing_Frm.h"
#include "TForm1.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

namespace {

constexpr int IldPosition = 3; // "ISU to ILD", the help panel with the country code finder

using sheet::named;

QString qs(std::string_view text)
{
    return toQString(std::string(text));
}

QLabel *label(const QString &text, QWidget *parent, bool bold = false)
{
    QLabel *l = bold ? sheet::boldLabel(text, parent) : new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QWidget *sheetPanel(const char *name, QWidget *parent)
{
    auto *w = named(new QWidget(parent), name);
    sheet::paintWhite(w);
    return w;
}

QComboBox *countryList(const char *name, dialing::CountryList rows, QWidget *parent)
{
    auto *c = named(new QComboBox(parent), name);
    for (const std::string &row : dialing::CountryListRows(rows))
        c->addItem(toQString(row));
    c->setMaxVisibleItems(20);
    c->setCurrentIndex(0);
    return c;
}

// What the operator typed, without the control characters that would split a command line.
std::string typed(const QLineEdit *e)
{
    return dialing::WithoutControlCharacters(fromQString(e->text()));
}

} // namespace

void TATTableForm::buildPhoneNumberPanel()
{
    // Over the whole visible page, under the heading.
    PhoneNumber_Panel = sheetPanel("PhoneNumber_Panel", m_sheet);
    PhoneNumber_Panel->setGeometry(0, 32, 700, 300);
    QWidget *p = PhoneNumber_Panel;

    RSate = named(new QRadioButton(QStringLiteral("Satellite"), p), "RSate");
    RLand = named(new QRadioButton(QStringLiteral("Landline"), p), "RLand");
    RSate->setGeometry(112, 8, 100, 22);
    RLand->setGeometry(220, 8, 100, 22);
    RLand->setChecked(true);
    connect(RSate, &QRadioButton::clicked, this, &TATTableForm::RSateClick);
    connect(RLand, &QRadioButton::clicked, this, &TATTableForm::RLandClick);

    LandPanel = sheetPanel("LandPanel", p);
    LandPanel->setGeometry(112, 40, 560, 110);
    {
        PhoneNum_Mask = new MaskEdit(QStringLiteral("PhoneNum_Mask"), LandPanel);
        EditCountry_Code = named(new QLineEdit(LandPanel), "EditCountry_Code");
        EditCountry_Code->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[0-9]{0,4}")), EditCountry_Code));
        EditCountry_Code->setMaxLength(4);
        FindCountry_ComboBox =
            countryList("FindCountry_ComboBox", dialing::CountryList::AtTableLandline, LandPanel);
        connect(FindCountry_ComboBox, &QComboBox::activated, this,
                &TATTableForm::FindCountry_ComboBoxChange);
        auto *g = new QGridLayout(LandPanel);
        g->setContentsMargins(0, 0, 0, 0);
        g->addWidget(label(QStringLiteral("Phone number:"), LandPanel), 0, 0);
        g->addWidget(PhoneNum_Mask, 0, 1);
        g->addWidget(label(QStringLiteral("Country/region:"), LandPanel), 1, 0);
        g->addWidget(EditCountry_Code, 1, 1);
        g->addWidget(FindCountry_ComboBox, 2, 1, 1, 2);
        g->setColumnStretch(2, 1);
    }

    SatePanel = sheetPanel("SatePanel", p);
    SatePanel->setGeometry(112, 40, 560, 110);
    {
        Edit_PhoneNum = named(new QLineEdit(SatePanel), "Edit_PhoneNum");
        Edit_PhoneNum->setMaxLength(40);
        auto *g = new QGridLayout(SatePanel);
        g->setContentsMargins(0, 0, 0, 0);
        g->addWidget(label(QStringLiteral("Dialing number:"), SatePanel), 0, 0);
        g->addWidget(Edit_PhoneNum, 0, 1);
        g->addWidget(label(QStringLiteral("Please enter the number to call"), SatePanel), 1, 1);
        g->setColumnStretch(2, 1);
        g->setRowStretch(2, 1);
    }
    SatePanel->hide();

    // The government panel lies over the civilian controls.
    Gov_Panel = sheetPanel("Gov_Panel", p);
    Gov_Panel->setGeometry(0, 0, 700, 260);
    {
        GovCallTypeComboBox = named(new QComboBox(Gov_Panel), "GovCallTypeComboBox");
        GovCallTypeComboBox->addItem(qs(dialing::GovCallTypePlaceholderAtTable));
        for (int i = 1; i <= dialing::GovCallTypeCount; ++i)
            GovCallTypeComboBox->addItem(qs(dialing::GovCallTypeName(i)));
        connect(GovCallTypeComboBox, &QComboBox::activated, this,
                &TATTableForm::GovCallTypeComboBoxChange);
        GovDialingNum = named(new QLineEdit(Gov_Panel), "GovDialingNum");
        GovDialingNum->setMaxLength(40);
        label(QStringLiteral("Call Type:"), Gov_Panel)->setGeometry(112, 8, 90, 22);
        GovCallTypeComboBox->setGeometry(200, 8, 380, 24);
        label(QStringLiteral("Number: "), Gov_Panel)->setGeometry(112, 40, 90, 22);
        GovDialingNum->setGeometry(200, 40, 240, 24);

        const QRect helpArea(200, 72, 480, 184);
        for (int i = 1; i <= dialing::GovCallTypeCount; ++i) {
            const dialing::GovHelpText *help = dialing::GovHelpAt(i);
            QWidget *panel =
                sheetPanel(std::string(dialing::GovHelpPanelName(i)).c_str(), Gov_Panel);
            panel->setGeometry(helpArea);
            auto *v = new QVBoxLayout(panel);
            v->setContentsMargins(0, 0, 0, 0);
            v->setSpacing(2);
            v->addWidget(label(qs(help->sequence), panel, true));
            for (std::string_view line : help->lines)
                v->addWidget(label(qs(line), panel));
            if (!help->listTitle.empty())
                v->addWidget(label(qs(help->listTitle), panel, true));
            for (std::string_view line : help->list)
                v->addWidget(label(qs(line), panel));
            if (help->countryCodeFinder) {
                auto *row = new QHBoxLayout;
                GovCountryCode = named(label({}, panel, true), "GovCountryCode");
                GovCountryCode->setMinimumWidth(60);
                GotoGovCountryCodeB =
                    named(new QPushButton(QStringLiteral("Find..."), panel), "GotoGovCountryCodeB");
                connect(GotoGovCountryCodeB, &QPushButton::clicked, this,
                        &TATTableForm::GotoGovCountryCodeBClick);
                row->addWidget(GovCountryCode);
                row->addWidget(GotoGovCountryCodeB);
                row->addStretch();
                v->addLayout(row);
            }
            v->addStretch();
            panel->hide();
            GovHelpPanels[std::size_t(i - 1)] = panel;
        }

        GovCountryCodePanel = sheetPanel("GovCountryCodePanel", Gov_Panel);
        GovCountryCodePanel->setGeometry(helpArea);
        CountryCodeComboBox = countryList(
            "CountryCodeComboBox", dialing::CountryList::AtTableGovernment, GovCountryCodePanel);
        GoBackCountryB = named(new QPushButton(QStringLiteral("Go back..."), GovCountryCodePanel),
                               "GoBackCountryB");
        connect(GoBackCountryB, &QPushButton::clicked, this, &TATTableForm::GoBackCountryBClick);
        auto *v = new QVBoxLayout(GovCountryCodePanel);
        v->setContentsMargins(0, 0, 0, 0);
        v->addWidget(label(QStringLiteral("Country/region code:"), GovCountryCodePanel, true));
        v->addWidget(CountryCodeComboBox);
        auto *row = new QHBoxLayout;
        row->addWidget(GoBackCountryB);
        row->addStretch();
        v->addLayout(row);
        v->addStretch();
        GovCountryCodePanel->hide();
    }
    Gov_Panel->hide();

    Country_OK = named(new QPushButton(QStringLiteral("Done"), p), "Country_OK");
    Country_OK->setGeometry(112, 264, 80, 26);
    connect(Country_OK, &QPushButton::clicked, this, &TATTableForm::Country_OKClick);
    connect(Change_PhoneNumberB, &QPushButton::clicked, this,
            &TATTableForm::Change_PhoneNumberBClick);

    ResetNumberFields();
    PhoneNumber_Panel->hide();
}

void TATTableForm::ResetNumberFields()
{
    resetLandlineFields();
    Edit_PhoneNum->setText(qs(dialing::DefaultSatelliteNumber));
    resetGovernmentFields();
}

void TATTableForm::resetLandlineFields()
{
    FindCountry_ComboBox->setCurrentIndex(0);
    PhoneNum_Mask->setMaskedText(std::string(dialing::DefaultLocalNumber));
    EditCountry_Code->setText(qs(dialing::DefaultCountryCode));
}

void TATTableForm::resetGovernmentFields()
{
    GovCallTypeComboBox->setCurrentIndex(0);
    CountryCodeComboBox->setCurrentIndex(0);
    GovCountryCode->clear();
    GovDialingNum->clear();
    showGovHelpPanel(0);
}

void TATTableForm::showLandline(bool land)
{
    (land ? RLand : RSate)->setChecked(true);
    LandPanel->setVisible(land);
    SatePanel->setVisible(!land);
}

void TATTableForm::showGovHelpPanel(int position)
{
    GovCountryCodePanel->hide();
    for (int i = 1; i <= dialing::GovCallTypeCount; ++i)
        GovHelpPanels[std::size_t(i - 1)]->setVisible(i == position);
}

void TATTableForm::Change_PhoneNumberBClick()
{
    PhoneNumber_Panel->show();
    PhoneNumber_Panel->raise();
    const bool visible = isVisible();
    if (Form1 && Form1->SimValue == "GOV") {
        Gov_Panel->show();
        resetLandlineFields();
        Edit_PhoneNum->setText(qs(dialing::DefaultSatelliteNumber));
        CountryCodeComboBox->setCurrentIndex(0);
        GovCountryCode->clear();
        const int callType = Dialing_Frm ? Dialing_Frm->GovCallTypeComboBox->currentIndex() : 0;
        GovCallTypeComboBox->setCurrentIndex(std::max(0, callType));
        GovDialingNum->setText(toQString(Form1->GovNumber));
        showGovHelpPanel(GovCallTypeComboBox->currentIndex());
        if (visible)
            GovDialingNum->setFocus();
        return;
    }
    resetGovernmentFields();
    Gov_Panel->hide();
    if (Form1 && Form1->TypeValue == "Sate") {
        showLandline(false);
        Edit_PhoneNum->setText(toQString(Form1->SatelliteNumber));
        resetLandlineFields();
        if (visible)
            Edit_PhoneNum->setFocus();
    } else {
        showLandline(true);
        PhoneNum_Mask->setMaskedText(Form1 ? Form1->LocalNumberText
                                           : std::string(dialing::DefaultLocalNumber));
        EditCountry_Code->setText(Form1 ? toQString(Form1->CountryCodeText) : QString());
        Edit_PhoneNum->setText(qs(dialing::DefaultSatelliteNumber));
        if (visible)
            PhoneNum_Mask->setFocus();
    }
}

void TATTableForm::RLandClick()
{
    showLandline(true);
    if (isVisible() && !(Dialing_Frm && Dialing_Frm->isVisible()))
        PhoneNum_Mask->setFocus();
}

void TATTableForm::RSateClick()
{
    showLandline(false);
    if (isVisible() && !(Dialing_Frm && Dialing_Frm->isVisible()))
        Edit_PhoneNum->setFocus();
}

void TATTableForm::FindCountry_ComboBoxChange()
{
    EditCountry_Code->setText(
        toQString(dialing::CountryCodeAt(FindCountry_ComboBox->currentIndex())));
}

void TATTableForm::GovCallTypeComboBoxChange()
{
    const int position = GovCallTypeComboBox->currentIndex();
    showGovHelpPanel(position);
    // The placeholder row names no prefix; what was typed stays.
    if (position >= 1 && position <= dialing::GovCallTypeCount)
        GovDialingNum->setText(qs(dialing::GovCallTypePrefix(position)));
}

void TATTableForm::GotoGovCountryCodeBClick()
{
    for (QWidget *panel : GovHelpPanels)
        panel->hide();
    GovCountryCodePanel->show();
    GovCountryCodePanel->raise();
}

void TATTableForm::GoBackCountryBClick()
{
    GovCountryCode->setText(toQString(dialing::CountryCodeAt(CountryCodeComboBox->currentIndex())));
    showGovHelpPanel(IldPosition);
}

void TATTableForm::Country_OKClick()
{
    if (Gov_Panel->isHidden() && RLand->isChecked() && !PhoneNum_Mask->checkComplete())
        return;
    if (Form1) {
        if (!Gov_Panel->isHidden()) {
            Form1->SimValue = "GOV";
            Form1->GovNumber = typed(GovDialingNum);
            if (Dialing_Frm)
                Dialing_Frm->GovCallTypeComboBox->setCurrentIndex(
                    GovCallTypeComboBox->currentIndex());
        } else {
            Form1->SimValue = "CIV";
            if (RLand->isChecked()) {
                Form1->TypeValue = "Land";
                Form1->CountryCodeText = typed(EditCountry_Code);
                Form1->LocalNumberText = PhoneNum_Mask->maskedText();
                // What is dialed is what Save Session writes.
                Form1->CallValue =
                    dialing::CallValueOf(Form1->CountryCodeText, Form1->LocalNumberText);
                Form1->SaxComm1->setPhoneNumber(Form1->CallValue);
            } else if (RSate->isChecked()) {
                Form1->TypeValue = "Sate";
                Form1->SatelliteNumber = typed(Edit_PhoneNum);
            }
        }
        // The status bar shows the card type; it must not keep the old one.
        if (Form1->SIM_Panel)
            Form1->SIM_Panel->setCaption(toQString(Form1->SimValue));
    }
    PhoneNumber_Panel->hide();
    if (isVisible())
        SendCommandB->setFocus();
}
