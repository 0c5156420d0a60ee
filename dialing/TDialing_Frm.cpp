#include "TDialing_Frm.h"

#include "GovCallTypes.h"
#include "MaskEdit.h"
#include "NumberFormats.h"
#include "Panel.h"
#include "QtText.h"
#include "SerialControl.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "THint_Frm.h"
#include "WindowPlacement.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

TDialing_Frm *Dialing_Frm = nullptr;

namespace {

template <typename T>
T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named<QPushButton>(parent, name);
    b->setText(caption);
    return b;
}

// Panels that swap in one place keep their room, so the dialog does not jump in size.
void keepRoomWhenHidden(QWidget *w)
{
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

// The AT command table's phone-number panel mirrors what the dialog stores. Its controls are
// reached by their component names, so the dialog keeps working while that panel is absent.
template <typename T>
T *atTable(std::string_view name)
{
    if (!ATTableForm)
        return nullptr;
    return ATTableForm->findChild<T *>(QLatin1String(name.data(), qsizetype(name.size())));
}

void setAtVisible(std::string_view name, bool visible)
{
    if (auto *w = atTable<QWidget>(name))
        w->setVisible(visible);
}

void setAtText(std::string_view name, const std::string &text)
{
    if (auto *m = atTable<MaskEdit>(name))
        m->setMaskedText(text);
    else if (auto *e = atTable<QLineEdit>(name))
        e->setText(toQString(text));
    else if (auto *l = atTable<QLabel>(name))
        l->setText(toQString(text));
}

void setAtChecked(std::string_view name)
{
    if (auto *r = atTable<QRadioButton>(name))
        r->setChecked(true);
}

void setAtIndex(std::string_view name, int index)
{
    if (auto *c = atTable<QComboBox>(name))
        c->setCurrentIndex(index);
}

void showAtHelpPanel(int position)
{
    setAtVisible("GovCountryCodePanel", false);
    for (int i = 1; i <= dialing::GovCallTypeCount; ++i)
        setAtVisible(dialing::GovHelpPanelName(i), i == position);
}

} // namespace

TDialing_Frm::TDialing_Frm(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("Dialing_Frm"));
    setWindowTitle(QStringLiteral("Dialing Properties"));

    SIM_Label = named<QLabel>(this, "SIM_Label");
    SIM_Label->setText(QStringLiteral("SIM card type:"));
    SIM_ComboBox = named<QComboBox>(this, "SIM_ComboBox");
    SIM_ComboBox->addItems({QStringLiteral("Civilian"), QStringLiteral("Government")});
    SIM_ComboBox->setCurrentIndex(-1);
    SIM_Label->setBuddy(SIM_ComboBox);

    Settings_Group = named<QGroupBox>(this, "Settings_Group");
    Settings_Group->setTitle(QStringLiteral("Settings"));
    buildCivilianPanel();
    buildGovernmentPanel();
    auto *settings = new QGridLayout(Settings_Group);
    settings->addWidget(CIV_Panel, 0, 0);
    settings->addWidget(GOV_Panel, 0, 0);

    DialingSet_OKB = button(this, "DialingSet_OKB", QStringLiteral("OK"));
    DialingSet_CancelB = button(this, "DialingSet_CancelB", QStringLiteral("Cancel"));

    auto *sim = new QHBoxLayout;
    sim->addWidget(SIM_Label);
    sim->addWidget(SIM_ComboBox, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(DialingSet_OKB);
    buttons->addWidget(DialingSet_CancelB);
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(sim);
    layout->addWidget(Settings_Group);
    layout->addLayout(buttons);

    CIV_Panel->hide();
    GOV_Panel->hide();
    RadioLand->setChecked(true);
    showLandline(true);
    ResetNumberFields();

    connect(SIM_ComboBox, &QComboBox::currentIndexChanged, this, &TDialing_Frm::SIM_ComboBoxChange);
    connect(RadioLand, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioLandClick();
    });
    connect(RadioSate, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RadioSateClick();
    });
    connect(GovCallTypeComboBox, &QComboBox::activated, this,
            &TDialing_Frm::GovCallTypeComboBoxChange);
    connect(Goto_CountryB, &QPushButton::clicked, this, &TDialing_Frm::Goto_CountryBClick);
    connect(HintB, &QPushButton::clicked, this, &TDialing_Frm::HintBClick);
    connect(DialingSet_OKB, &QPushButton::clicked, this, &TDialing_Frm::DialingSet_OKBClick);
    connect(DialingSet_CancelB, &QPushButton::clicked, this,
            &TDialing_Frm::DialingSet_CancelBClick);
}

void TDialing_Frm::buildCivilianPanel()
{
    CIV_Panel = named<QWidget>(Settings_Group, "CIV_Panel");
    keepRoomWhenHidden(CIV_Panel);
    RadioLand = named<QRadioButton>(CIV_Panel, "RadioLand");
    RadioLand->setText(QStringLiteral("Landline"));
    RadioSate = named<QRadioButton>(CIV_Panel, "RadioSate");
    RadioSate->setText(QStringLiteral("Satellite"));

    LandPanel = named<QWidget>(CIV_Panel, "LandPanel");
    keepRoomWhenHidden(LandPanel);
    PhoneNum_Mask = new MaskEdit(QStringLiteral("PhoneNum_Mask"), LandPanel);
    EditCountry_Code = named<QLineEdit>(LandPanel, "EditCountry_Code");
    // Calling codes are at most four digits; anything else would corrupt the dial line.
    EditCountry_Code->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,4}")), EditCountry_Code));
    EditCountry_Code->setMaxLength(4);
    auto *land = new QGridLayout(LandPanel);
    land->setContentsMargins(0, 0, 0, 0);
    land->addWidget(new QLabel(QStringLiteral("Phone number:"), LandPanel), 0, 0);
    land->addWidget(PhoneNum_Mask, 0, 1);
    land->addWidget(new QLabel(QStringLiteral("Country/region code:"), LandPanel), 1, 0);
    land->addWidget(EditCountry_Code, 1, 1);

    SatePanel = named<QWidget>(CIV_Panel, "SatePanel");
    keepRoomWhenHidden(SatePanel);
    Edit_PhoneNum = named<QLineEdit>(SatePanel, "Edit_PhoneNum");
    auto *sate = new QGridLayout(SatePanel);
    sate->setContentsMargins(0, 0, 0, 0);
    sate->addWidget(new QLabel(QStringLiteral("Dialing number:"), SatePanel), 0, 0);
    sate->addWidget(Edit_PhoneNum, 0, 1);
    sate->addWidget(new QLabel(QStringLiteral("Please enter the number to call"), SatePanel), 1, 0,
                    1, 2);

    Goto_CountryB = button(CIV_Panel, "Goto_CountryB", QStringLiteral("Hint..."));
    Goto_CountryB->setToolTip(QStringLiteral("Find Country/Region Code"));

    auto *radios = new QHBoxLayout;
    radios->addWidget(RadioLand);
    radios->addWidget(RadioSate);
    radios->addStretch();
    auto *civ = new QGridLayout(CIV_Panel);
    civ->setContentsMargins(0, 0, 0, 0);
    civ->addLayout(radios, 0, 0, 1, 2);
    civ->addWidget(LandPanel, 1, 0);
    civ->addWidget(SatePanel, 1, 0);
    civ->addWidget(Goto_CountryB, 1, 1, Qt::AlignBottom);
}

void TDialing_Frm::buildGovernmentPanel()
{
    GOV_Panel = named<QWidget>(Settings_Group, "GOV_Panel");
    keepRoomWhenHidden(GOV_Panel);
    GovCallTypeComboBox = named<QComboBox>(GOV_Panel, "GovCallTypeComboBox");
    GovCallTypeComboBox->addItem(toQString(std::string(dialing::GovCallTypePlaceholderDialog)));
    for (int i = 1; i <= dialing::GovCallTypeCount; ++i)
        GovCallTypeComboBox->addItem(toQString(std::string(dialing::GovCallTypeName(i))));
    EditGovNumber = named<QLineEdit>(GOV_Panel, "EditGovNumber");
    HintB = button(GOV_Panel, "HintB", QStringLiteral("Hint..."));
    HintB->setToolTip(QStringLiteral("Dialing hints for the call type"));
    keepRoomWhenHidden(HintB);

    auto *gov = new QGridLayout(GOV_Panel);
    gov->setContentsMargins(0, 0, 0, 0);
    gov->addWidget(new QLabel(QStringLiteral("Call Type:"), GOV_Panel), 0, 0);
    gov->addWidget(GovCallTypeComboBox, 0, 1, 1, 2);
    gov->addWidget(new QLabel(QStringLiteral("Number: "), GOV_Panel), 1, 0);
    gov->addWidget(EditGovNumber, 1, 1);
    gov->addWidget(HintB, 1, 2);
}

void TDialing_Frm::ResetNumberFields()
{
    resetLandlineFields();
    Edit_PhoneNum->setText(toQString(std::string(dialing::DefaultSatelliteNumber)));
    resetGovernmentFields();
}

void TDialing_Frm::resetLandlineFields()
{
    if (Hint_Frm)
        Hint_Frm->FindCountry_ComboBox->setCurrentIndex(0);
    PhoneNum_Mask->setMaskedText(std::string(dialing::DefaultLocalNumber));
    EditCountry_Code->setText(toQString(std::string(dialing::DefaultCountryCode)));
}

void TDialing_Frm::resetGovernmentFields()
{
    GovCallTypeComboBox->setCurrentIndex(0);
    if (Hint_Frm)
        Hint_Frm->GovFindCountryCode->setCurrentIndex(0);
    EditGovNumber->clear();
    HintB->hide();
}

void TDialing_Frm::showLandline(bool land)
{
    LandPanel->setVisible(land);
    Goto_CountryB->setVisible(land);
    SatePanel->setVisible(!land);
}

void TDialing_Frm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (Form1)
        placement::centreOver(this, Form1);
    // Only on opening: returning from the hint window must not reload what it just wrote.
    FormActivate();
}

void TDialing_Frm::FormActivate()
{
    if (!Form1)
        return;
    if (Form1->SimValue == "CIV") {
        SIM_ComboBox->setCurrentIndex(0);
        CIV_Panel->show();
        GOV_Panel->hide();
        resetGovernmentFields();
        if (Form1->TypeValue == "Land") {
            showLandline(true);
            RadioLand->setChecked(true);
            PhoneNum_Mask->setMaskedText(Form1->LocalNumberText);
            EditCountry_Code->setText(toQString(Form1->CountryCodeText));
            Edit_PhoneNum->setText(toQString(std::string(dialing::DefaultSatelliteNumber)));
        } else if (Form1->TypeValue == "Sate") {
            showLandline(false);
            RadioSate->setChecked(true);
            Edit_PhoneNum->setText(toQString(Form1->SatelliteNumber));
            resetLandlineFields();
        }
    } else if (Form1->SimValue == "GOV") {
        SIM_ComboBox->setCurrentIndex(1);
        GOV_Panel->show();
        CIV_Panel->hide();
        Edit_PhoneNum->setText(toQString(std::string(dialing::DefaultSatelliteNumber)));
        resetLandlineFields();
        if (Hint_Frm)
            Hint_Frm->GovFindCountryCode->setCurrentIndex(0);
        if (auto *atCallType = atTable<QComboBox>("GovCallTypeComboBox"))
            GovCallTypeComboBox->setCurrentIndex(atCallType->currentIndex());
        EditGovNumber->setText(toQString(Form1->GovNumber));
        HintB->setVisible(GovCallTypeComboBox->currentIndex() > 0);
    }
    if (isVisible() && SIM_ComboBox->isVisible())
        SIM_ComboBox->setFocus();
}

void TDialing_Frm::SIM_ComboBoxChange()
{
    const int i = SIM_ComboBox->currentIndex();
    if (i < 0)
        return;
    GOV_Panel->setVisible(i == 1);
    CIV_Panel->setVisible(i == 0);
}

void TDialing_Frm::RadioLandClick()
{
    showLandline(true);
}

void TDialing_Frm::RadioSateClick()
{
    showLandline(false);
}

void TDialing_Frm::GovCallTypeComboBoxChange()
{
    const int position = GovCallTypeComboBox->currentIndex();
    if (position >= 1 && position <= dialing::GovCallTypeCount) {
        HintB->show();
        EditGovNumber->setText(toQString(std::string(dialing::GovCallTypePrefix(position))));
    } else {
        resetGovernmentFields();
    }
}

void TDialing_Frm::Goto_CountryBClick()
{
    Hint_Frm->FindCountry_ComboBox->setCurrentIndex(0);
    Hint_Frm->Country_Panel->show();
    Hint_Frm->GovHint_Panel->hide();
    placement::showModal(Hint_Frm);
}

void TDialing_Frm::HintBClick()
{
    Hint_Frm->Country_Panel->hide();
    Hint_Frm->GovHint_Panel->show();
    Hint_Frm->ShowHelpPanel(GovCallTypeComboBox->currentIndex());
    placement::showModal(Hint_Frm);
}

void TDialing_Frm::DialingSet_OKBClick()
{
    // Stored numbers go into command lines and the session file, where a control character
    // would split a line; the edits can receive them from a loaded session.
    auto typed = [](const QLineEdit *e) {
        return dialing::WithoutControlCharacters(fromQString(e->text()));
    };
    const int sim = SIM_ComboBox->currentIndex();
    if (sim == 0 && !RadioSate->isChecked() && !PhoneNum_Mask->checkComplete())
        return;
    if (sim == 0) {
        Form1->SimValue = "CIV";
        setAtVisible("Gov_Panel", false);
        if (RadioSate->isChecked()) {
            Form1->TypeValue = "Sate";
            Form1->SatelliteNumber = typed(Edit_PhoneNum);
            setAtChecked("RSate");
            setAtVisible("SatePanel", true);
            setAtVisible("LandPanel", false);
            setAtText("Edit_PhoneNum", Form1->SatelliteNumber);
        } else {
            Form1->TypeValue = "Land";
            Form1->CountryCodeText = typed(EditCountry_Code);
            Form1->LocalNumberText = PhoneNum_Mask->maskedText();
            Form1->CallValue = dialing::CallValueOf(Form1->CountryCodeText, Form1->LocalNumberText);
            Form1->SaxComm1->setPhoneNumber(Form1->CallValue);
            setAtChecked("RLand");
            setAtVisible("LandPanel", true);
            setAtVisible("SatePanel", false);
            setAtText("EditCountry_Code", Form1->CountryCodeText);
            setAtText("PhoneNum_Mask", Form1->LocalNumberText);
        }
    } else if (sim == 1) {
        Form1->SimValue = "GOV";
        Form1->GovNumber = typed(EditGovNumber);
        const int callType = GovCallTypeComboBox->currentIndex();
        setAtVisible("Gov_Panel", true);
        setAtIndex("GovCallTypeComboBox", callType);
        setAtText("GovDialingNum", Form1->GovNumber);
        showAtHelpPanel(callType);
        setAtIndex("CountryCodeComboBox", 0);
        setAtText("GovCountryCode", std::string());
    }
    Form1->SIM_Panel->setCaption(toQString(Form1->SimValue));
    if (Form1->SaxComm1->isVisible())
        Form1->SaxComm1->setFocus();
    close();
}

void TDialing_Frm::DialingSet_CancelBClick()
{
    close();
}

void TDialing_Frm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        DialingSet_CancelBClick();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter on a focused button presses that button, Cancel included.
        if (auto *b = qobject_cast<QPushButton *>(focusWidget()))
            b->click();
        else
            DialingSet_OKBClick();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}
