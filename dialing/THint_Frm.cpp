#include "THint_Frm.h"

#include "CountryCodeTable.h"
#include "GovCallTypes.h"
#include "QtText.h"
#include "TDialing_Frm.h"
#include "TForm1.h"
#include "WindowPlacement.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

THint_Frm *Hint_Frm = nullptr;

namespace {

QLabel *text(QWidget *parent, const QString &caption, bool bold = false)
{
    auto *l = new QLabel(caption, parent);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QLineEdit *edit(QWidget *parent, const char *name, int maxLength = 0)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QRadioButton *radio(QWidget *parent, const char *name, const QString &caption)
{
    auto *r = new QRadioButton(caption, parent);
    r->setObjectName(QLatin1String(name));
    return r;
}

QComboBox *countryList(QWidget *parent, const char *name, dialing::CountryList rows)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    for (const std::string &row : dialing::CountryListRows(rows))
        c->addItem(toQString(row));
    c->setCurrentIndex(0);
    return c;
}

QVBoxLayout *layoutOf(QWidget *panel)
{
    return static_cast<QVBoxLayout *>(panel->layout());
}

// The code of the first checked button, "" when none is.
std::string checkedCode(std::initializer_list<std::pair<const QRadioButton *, const char *>> rs)
{
    for (const auto &[button, code] : rs)
        if (button->isChecked())
            return code;
    return {};
}

} // namespace

THint_Frm::THint_Frm(QWidget *parent) : QWidget(parent, placement::fixedBoxFlags())
{
    setObjectName(QStringLiteral("Hint_Frm"));
    setWindowTitle(QStringLiteral("Hint"));

    Country_Panel = new QWidget(this);
    Country_Panel->setObjectName(QStringLiteral("Country_Panel"));
    FindCountry_ComboBox =
        countryList(Country_Panel, "FindCountry_ComboBox", dialing::CountryList::HintCountry);
    FindCountry_ComboBox->installEventFilter(this);
    auto *country = new QVBoxLayout(Country_Panel);
    country->addWidget(text(Country_Panel, QStringLiteral("Country/Region code"), true));
    country->addWidget(FindCountry_ComboBox);

    GovHint_Panel = new QWidget(this);
    GovHint_Panel->setObjectName(QStringLiteral("GovHint_Panel"));
    auto *gov = new QVBoxLayout(GovHint_Panel);
    gov->addWidget(text(GovHint_Panel, QStringLiteral("Dialing Hints"), true));

    ISUtoDSN = helpPanel("ISUtoDSN", QStringLiteral("<ISU to DSN>"));
    QLabel *dsnPattern = text(
        ISUtoDSN, QStringLiteral("00696 - (DSN area code, see Remarks) - (DSN 7-digit number)"));
    // At a larger text size the pattern is wider than the window: it goes on two lines.
    dsnPattern->setWordWrap(true);
    layoutOf(ISUtoDSN)->insertWidget(2, dsnPattern);
    R312 = radio(ISUtoDSN, "R312", QStringLiteral("312 CONUS"));
    R313 = radio(ISUtoDSN, "R313", QStringLiteral("313 Caribbean"));
    R314 = radio(ISUtoDSN, "R314", QStringLiteral("314 Europe"));
    R315 = radio(ISUtoDSN, "R315", QStringLiteral("315 Pacific"));
    R317 = radio(ISUtoDSN, "R317", QStringLiteral("317 Alaska"));
    R318 = radio(ISUtoDSN, "R318", QStringLiteral("318 Southwest Asia"));
    R319 = radio(ISUtoDSN, "R319", QStringLiteral("319 Canada"));
    EditDSNNum = edit(ISUtoDSN, "EditDSNNum", 7);
    {
        auto *l = layoutOf(ISUtoDSN);
        l->addWidget(text(ISUtoDSN, QStringLiteral("Select DSN area code:")));
        auto *codes = new QGridLayout;
        int i = 0;
        for (QRadioButton *r : {R312, R313, R314, R315, R317, R318, R319}) {
            codes->addWidget(r, i % 4, i / 4);
            ++i;
        }
        l->addLayout(codes);
        l->addWidget(text(ISUtoDSN, QStringLiteral("Enter DSN 7-digit number:")));
        l->addWidget(EditDSNNum);
    }

    ISUtoFTS = helpPanel("ISUtoFTS", QStringLiteral("<ISU to FTS>"));
    layoutOf(ISUtoFTS)->insertWidget(
        2, text(ISUtoFTS,
                QStringLiteral("00697 - (U.S. area code) - (7-digit commercial US number)")));
    EditFTSArea = edit(ISUtoFTS, "EditFTSArea", 3);
    EditFTS7Num = edit(ISUtoFTS, "EditFTS7Num", 7);
    {
        auto *l = layoutOf(ISUtoFTS);
        l->addWidget(text(ISUtoFTS, QStringLiteral("Do NOT dial a \"1\" before the area code.")));
        l->addWidget(text(ISUtoFTS, QStringLiteral("Enter U.S. area code:")));
        l->addWidget(EditFTSArea);
        l->addWidget(text(ISUtoFTS, QStringLiteral("Enter 7-digit commercial US number:")));
        l->addWidget(EditFTS7Num);
    }

    ISUtoILD = helpPanel("ISUtoILD", QStringLiteral("<ISU to International Long Distance (ILD)>"));
    layoutOf(ISUtoILD)->insertWidget(
        2, text(ISUtoILD,
                QStringLiteral("00698 - (Country code) - (National destination code or City")));
    layoutOf(ISUtoILD)->insertWidget(3,
                                     text(ISUtoILD, QStringLiteral("code) - (Subscriber number)")));
    GovFindCountryCode =
        countryList(ISUtoILD, "GovFindCountryCode", dialing::CountryList::HintGovernment);
    EditNational = edit(ISUtoILD, "EditNational");
    EditSubscriber = edit(ISUtoILD, "EditSubscriber");
    {
        auto *l = layoutOf(ISUtoILD);
        l->addWidget(
            text(ISUtoILD,
                 QStringLiteral("ISU allows maximum 20 dialing digits including the \"00698\".")));
        l->addWidget(GovFindCountryCode);
        l->addWidget(
            text(ISUtoILD, QStringLiteral("Enter national destination code or city code:")));
        l->addWidget(EditNational);
        l->addWidget(text(ISUtoILD, QStringLiteral("Enter subscriber number:")));
        l->addWidget(EditSubscriber);
    }

    ISUtoISU = helpPanel("ISUtoISU", QStringLiteral("<ISU to ISU>"));
    layoutOf(ISUtoISU)->insertWidget(2,
                                     text(ISUtoISU, QStringLiteral("00 - Iridium phone number")));
    EditIridiumNum = edit(ISUtoISU, "EditIridiumNum");
    {
        auto *l = layoutOf(ISUtoISU);
        l->addWidget(text(
            ISUtoISU, QStringLiteral("Calls between two Iridium satellite modems with DoD SIMs.")));
        l->addWidget(text(ISUtoISU, QStringLiteral("Iridium phone number:")));
        l->addWidget(EditIridiumNum);
    }

    INMARSAT = helpPanel("INMARSAT", QStringLiteral("<ISU to INMARSAT>"));
    layoutOf(INMARSAT)->insertWidget(
        2, text(INMARSAT, QStringLiteral("00698 - (INMARSAT ocean region code) + (INMARSAT ")));
    layoutOf(INMARSAT)->insertWidget(3, text(INMARSAT, QStringLiteral("subscriber number)")));
    R871 = radio(INMARSAT, "R871", QStringLiteral("871 - East Atlantic"));
    R872 = radio(INMARSAT, "R872", QStringLiteral("872 - Pacific"));
    R873 = radio(INMARSAT, "R873", QStringLiteral("873 - Indian Ocean"));
    R874 = radio(INMARSAT, "R874", QStringLiteral("874 - West Atlantic"));
    EditINMARSATsub = edit(INMARSAT, "EditINMARSATsub");
    {
        auto *l = layoutOf(INMARSAT);
        l->addWidget(text(INMARSAT, QStringLiteral("Select INMARSAT ocean region code:")));
        auto *regions = new QGridLayout;
        int i = 0;
        for (QRadioButton *r : {R871, R872, R873, R874}) {
            regions->addWidget(r, i % 2, i / 2);
            ++i;
        }
        l->addLayout(regions);
        l->addWidget(text(INMARSAT, QStringLiteral("Enter INMARSAT subscriber number:")));
        l->addWidget(EditINMARSATsub);
    }

    LocalPSTN = helpPanel("LocalPSTN", QStringLiteral("<Local PSTN>"));
    layoutOf(LocalPSTN)->insertWidget(
        2, text(LocalPSTN, QStringLiteral("00699 - (7-digit local commercial number)")));
    Edit7LocalNum = edit(LocalPSTN, "Edit7LocalNum", 7);
    {
        auto *l = layoutOf(LocalPSTN);
        l->addWidget(
            text(LocalPSTN,
                 QStringLiteral("Provides commercial local access to Oahu, Hawaii PSTN only.")));
        l->addWidget(text(LocalPSTN, QStringLiteral("Enter 7-digit local commercial number:")));
        l->addWidget(Edit7LocalNum);
    }

    Toll_Free = helpPanel("Toll_Free", QStringLiteral("<1-800 toll-free>"));
    layoutOf(Toll_Free)->insertWidget(
        2, text(Toll_Free, QStringLiteral("00699 - 1 - 800 - (7-digits)")));
    Edit7digitNum = edit(Toll_Free, "Edit7digitNum", 7);
    {
        auto *l = layoutOf(Toll_Free);
        l->addWidget(text(Toll_Free, QStringLiteral("Also for 1- 877, 1 - 888 numbers.")));
        l->addWidget(text(Toll_Free, QStringLiteral("Enter 7-digit number:")));
        l->addWidget(Edit7digitNum);
    }

    for (QWidget *p : {ISUtoDSN, ISUtoFTS, ISUtoILD, ISUtoISU, INMARSAT, LocalPSTN, Toll_Free}) {
        gov->addWidget(p);
        p->hide();
    }

    HintB = new QPushButton(QStringLiteral("Done"), this);
    HintB->setObjectName(QStringLiteral("HintB"));
    HintB->setToolTip(QStringLiteral("Go back."));

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Country_Panel);
    layout->addWidget(GovHint_Panel);
    layout->addWidget(HintB, 0, Qt::AlignRight);
    GovHint_Panel->hide();

    connect(HintB, &QPushButton::clicked, this, &THint_Frm::HintBClick);

    if (Form1)
        placement::centreOver(this, Form1);
}

// A help panel: its title, "Dialing Sequence" (the sequence labels go in at index 2), then
// "Remarks" with the prompts and entry fields.
QWidget *THint_Frm::helpPanel(const char *name, const QString &title)
{
    auto *panel = new QWidget(GovHint_Panel);
    panel->setObjectName(QLatin1String(name));
    auto *l = new QVBoxLayout(panel);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(text(panel, title, true));
    l->addWidget(text(panel, QStringLiteral("Dialing Sequence"), true));
    l->addWidget(text(panel, QStringLiteral("Remarks"), true));
    return panel;
}

void THint_Frm::ShowHelpPanel(int position)
{
    const std::string wanted(dialing::GovHelpPanelName(position));
    for (QWidget *p : {ISUtoDSN, ISUtoFTS, ISUtoILD, ISUtoISU, INMARSAT, LocalPSTN, Toll_Free})
        p->setVisible(fromQString(p->objectName()) == wanted);
}

std::string THint_Frm::governmentNumber() const
{
    auto typed = [](const QLineEdit *e) { return fromQString(e->text()); };
    std::string number = fromQString(Dialing_Frm->EditGovNumber->text());
    switch (Dialing_Frm->GovCallTypeComboBox->currentIndex()) {
    case 1:
        number += checkedCode({{R312, "312"},
                               {R313, "313"},
                               {R314, "314"},
                               {R315, "315"},
                               {R317, "317"},
                               {R318, "318"},
                               {R319, "319"}});
        number += typed(EditDSNNum);
        break;
    case 2:
        number += typed(EditFTSArea) + typed(EditFTS7Num);
        break;
    case 3:
        number += dialing::CountryCodeAt(GovFindCountryCode->currentIndex());
        number += typed(EditNational) + typed(EditSubscriber);
        break;
    case 4:
        number += typed(EditIridiumNum);
        break;
    case 5:
        number += checkedCode({{R871, "871"}, {R872, "872"}, {R873, "873"}, {R874, "874"}});
        number += typed(EditINMARSATsub);
        break;
    case 6:
        number += typed(Edit7LocalNum);
        break;
    case 7:
        number += typed(Edit7digitNum);
        break;
    default:
        break;
    }
    return number;
}

void THint_Frm::HintBClick()
{
    if (GovHint_Panel->isVisibleTo(this)) {
        Dialing_Frm->EditGovNumber->setText(toQString(governmentNumber()));
    } else if (Country_Panel->isVisibleTo(this)) {
        const std::string code = dialing::CountryCodeAt(FindCountry_ComboBox->currentIndex());
        if (!code.empty())
            Dialing_Frm->EditCountry_Code->setText(toQString(code));
    }
    if (isVisible())
        close();
}

void THint_Frm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormActivate();
}

void THint_Frm::FormActivate()
{
    if (!Dialing_Frm)
        return;
    // Halves round toward zero, as integer division does.
    const QRect owner = placement::frameOf(Dialing_Frm);
    const QSize own = placement::outerSize(this);
    placement::moveInside(this, QPoint(owner.left() + owner.width() / 2 - own.width() / 2,
                                       owner.top() + owner.height() / 2 - own.height() / 2));
}

bool THint_Frm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FindCountry_ComboBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            HintBClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
