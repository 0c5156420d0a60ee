#include "TATTableForm.h"

#include "AtCatalogue.h"
#include "AtComposer.h"
#include "NumberFormats.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SheetWidgets.h"
#include "SmsComposePanel.h"
#include "TForm1.h"
#include "TSMS_Frm.h"
#include "WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

using tandrel::toQString;

TATTableForm *ATTableForm = nullptr;
std::string LastShownCommand;

namespace {

constexpr int LinePitch = 16;
constexpr int LinesLeft = 200;
constexpr int LinesTop = 40;

const char *const PageFiles[] = {":/atref/pages/basic.txt", ":/atref/pages/plus1.txt",
                                 ":/atref/pages/plus2.txt", ":/atref/pages/gps_sbd_sms.txt"};

std::string resourceText(const char *path)
{
    QFile f{QString::fromLatin1(path)};
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // The pages are UTF-8; the labels take the program's code page.
    return tandrel::fromQString(QString::fromUtf8(f.readAll()));
}

const std::map<std::string, std::vector<std::string>> &allPages()
{
    static const auto pages = [] {
        std::map<std::string, std::vector<std::string>> all;
        for (const char *file : PageFiles)
            all.merge(parseAtPages(resourceText(file)));
        return all;
    }();
    return pages;
}

using sheet::boldLabel;
using sheet::named;

QWidget *spinPanel(const char *panelName, const char *label, QSpinBox *&spin, const char *spinName,
                   QWidget *parent)
{
    auto *panel = named(new QWidget(parent), panelName);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QLatin1String(label), panel));
    spin = named(new QSpinBox(panel), spinName);
    row->addWidget(spin);
    panel->hide();
    return panel;
}

QComboBox *combo(const char *name, const QStringList &items, QWidget *parent)
{
    auto *c = named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

QLineEdit *edit(const char *name, QWidget *parent)
{
    return named(new QLineEdit(parent), name);
}

// A hidden panel of labelled fields, one under the other, for the narrow column at the left
// of the description; a field too wide for its row goes under its label. A field without a
// label (a button, a note) takes the whole row.
QWidget *fieldPanel(const char *name,
                    std::initializer_list<std::pair<const char *, QWidget *>> fields,
                    QWidget *parent)
{
    auto *panel = named(new QWidget(parent), name);
    auto *form = new QFormLayout(panel);
    form->setContentsMargins(0, 0, 0, 0);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(3);
    for (const auto &[label, field] : fields) {
        field->setParent(panel);
        if (*label)
            form->addRow(new QLabel(QLatin1String(label), panel), field);
        else
            form->addRow(field);
    }
    panel->hide();
    return panel;
}

} // namespace

TATTableForm::TATTableForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    Q_INIT_RESOURCE(atpages);
    setObjectName(QStringLiteral("ATTableForm"));
    setWindowTitle(QStringLiteral("AT Command Table"));
    if (Form1)
        connect(Form1->SaxComm1->exchange(), &modem::Exchange::busyChanged, this,
                &TATTableForm::followExchange);

    m_scroll = named(new QScrollArea(this), "ScrollBox");
    m_sheet = named(new QWidget, "Sheet");
    sheet::paintWhite(m_sheet);
    m_scroll->setWidget(m_sheet);
    m_scroll->setWidgetResizable(false);
    m_scroll->viewport()->installEventFilter(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    QWidget *s = m_sheet;
    ATCommand = boldLabel({}, s, "ATCommand");
    ATCommand->setGeometry(8, 8, 110, 18);
    boldLabel(QStringLiteral(":"), s)->setGeometry(118, 8, 8, 18);
    Modem = boldLabel({}, s, "Modem");
    Modem->setGeometry(130, 8, 90, 18);
    Command = boldLabel({}, s, "Command");
    Command->setGeometry(236, 8, 524, 18); // clear of the widest models text
    boldLabel(QStringLiteral("Description"), s)->setGeometry(112, LinesTop, 80, 16);
    boldLabel(QStringLiteral(":"), s)->setGeometry(190, LinesTop, 8, 16);
    for (size_t i = 0; i < Description.size(); ++i) {
        Description[i] = new QLabel(s);
        Description[i]->setObjectName(QStringLiteral("Description%1").arg(i + 1));
        Description[i]->setGeometry(LinesLeft, LinesTop + int(i) * LinePitch, 600, LinePitch);
        Description[i]->setTextFormat(Qt::PlainText);
    }
    ExtraDescriptionPanel = named(new QWidget(s), "ExtraDescriptionPanel");
    ExtraDescriptionPanel->setGeometry(LinesLeft, LinesTop + 30 * LinePitch, 600, 50 * LinePitch);
    for (size_t i = 0; i < eDescription.size(); ++i) {
        eDescription[i] = new QLabel(ExtraDescriptionPanel);
        eDescription[i]->setObjectName(QStringLiteral("eDescription%1").arg(i + 1));
        eDescription[i]->setGeometry(0, int(i) * LinePitch, 600, LinePitch);
        eDescription[i]->setTextFormat(Qt::PlainText);
    }
    ExtraDescriptionPanel->hide();

    SendCommandB = named(new QPushButton(QStringLiteral("Send"), s), "SendCommandB");
    SendCommandB->setGeometry(8, LinesTop, 60, 24);
    ReadB = named(new QPushButton(QStringLiteral("Read "), s), "ReadB");
    ReadB->setGeometry(620, 6, 60, 22);
    ReadB->hide();
    TestB = named(new QPushButton(QStringLiteral("Test"), s), "TestB");
    TestB->setGeometry(620, 30, 60, 22);
    TestB->hide();

    SelectNPanel = spinPanel("SelectNPanel", "n =", EditNValue, "EditNValue", s);
    SelectNPanel->setGeometry(8, LinesTop + 30, 90, 24);
    SelectVPanel = spinPanel("SelectVPanel", "v =", EditVValue, "EditVValue", s);
    SelectVPanel->setGeometry(8, LinesTop + 56, 90, 24);
    SelectDPanel = spinPanel("SelectDPanel", "d =", EditDValue, "EditDValue", s);
    SelectDPanel->setGeometry(8, LinesTop + 82, 90, 24);
    EditDValue->setRange(1, 100);
    EditDValue->setValue(1);

    auto button = [s](const char *name, const char *text, int y) {
        auto *b = named(new QPushButton(QLatin1String(text), s), name);
        b->setGeometry(8, y, 90, 24);
        b->hide();
        return b;
    };
    Change_PhoneNumberB = button("Change_PhoneNumberB", "Change ...", LinesTop + 30);
    Set_RealClockB = button("Set_RealClockB", "Set...", LinesTop + 30);
    Set_DCB = button("Set_DCB", "Set...", LinesTop + 30);
    Set_PhonebookB = button("Set_PhonebookB", "Set...", LinesTop + 30);

    // The command panels sit under the buttons, at the left of the description.
    const QRect panelArea(8, LinesTop + 110, 185, 200);
    CSTAPanel = named(new QWidget(s), "CSTAPanel");
    RCSTA129 = named(new QRadioButton(QStringLiteral("129"), CSTAPanel), "RCSTA129");
    RCSTA145 = named(new QRadioButton(QStringLiteral("145"), CSTAPanel), "RCSTA145");
    auto *cstaRow = new QVBoxLayout(CSTAPanel);
    cstaRow->addWidget(RCSTA129);
    cstaRow->addWidget(RCSTA145);
    RCSTA129->setChecked(true);
    CSTAPanel->hide();

    EditFLFac = combo("EditFLFac", {"CS", "SC"}, s);
    EditFLMode = combo("EditFLMode", {"0", "1"}, s);
    EditFLPwd = edit("EditFLPwd", s);
    EditFLPwd->setMaxLength(8);
    CLCK_Panel =
        fieldPanel("CLCK_Panel", {{"f =", EditFLFac}, {"m =", EditFLMode}, {"p =", EditFLPwd}}, s);
    EditCPFac = combo("EditCPFac", {"CS", "SC"}, s);
    EditCPOldpwd = edit("EditCPOldpwd", s);
    EditCPOldpwd->setMaxLength(8);
    EditCPNewpwd = edit("EditCPNewpwd", s);
    EditCPNewpwd->setMaxLength(8);
    CPWD_Panel = fieldPanel("CPWD_Panel",
                            {{"f =", EditCPFac}, {"o =", EditCPOldpwd}, {"n =", EditCPNewpwd}}, s);
    EditEPPin = edit("EditEPPin", s);
    EditEPPin->setMaxLength(8);
    EditEPNewpin = edit("EditEPNewpin", s);
    EditEPNewpin->setMaxLength(8);
    CPIN_Panel = fieldPanel("CPIN_Panel", {{"p =", EditEPPin}, {"n =", EditEPNewpin}}, s);

    SelectPMPanel = named(new QWidget(s), "SelectPMPanel");
    auto *pmGrid = new QGridLayout(SelectPMPanel);
    pmGrid->setContentsMargins(0, 0, 0, 0);
    pmGrid->setVerticalSpacing(2);
    static const char *const boxes[][3] = {
        {"GGACheckBox", "GGA (1) ", "1"},    {"GLLCheckBox", "GLL (2) ", "2"},
        {"GSACheckBox", "GSA (3)", "3"},     {"GSVCheckBox", "GSV (4)", "4"},
        {"GRSCheckBox", "GRS (5)", "5"},     {"RMCCheckBox", "RMC (6)", "6"},
        {"VTGCheckBox", "VTG (7)", "7"},     {"ZDACheckBox", "ZDA (8)", "8"},
        {"GSTCheckBox", "GST (9)", "9"},     {"VELCheckBox", "PUBX,00 (A)", "A"},
        {"POSCheckBox", "PUBX,01 (B)", "B"}, {"TIMECheckBox", "PUBX,04 (C)", "C"}};
    for (int i = 0; i < 12; ++i) {
        auto *box = new QCheckBox(QLatin1String(boxes[i][1]), SelectPMPanel);
        box->setObjectName(QLatin1String(boxes[i][0]));
        box->setProperty("code", QLatin1String(boxes[i][2]));
        pmGrid->addWidget(box, i, 0);
        PMCheckBoxes.push_back(box);
    }
    GGACheckBox = PMCheckBoxes.front();
    SelectPMPanel->hide();

    ModeComboBox = combo("ModeComboBox", {"0", "1", "2"}, s);
    MTComboBox = combo("MTComboBox", {"0", "1", "2", "3"}, s);
    DSComboBox = combo("DSComboBox", {"0", "1"}, s);
    BFRComboBox = combo("BFRComboBox", {"0", "1"}, s);
    for (QComboBox *c : {ModeComboBox, MTComboBox, DSComboBox, BFRComboBox})
        c->setEditable(true);
    CNMI_Panel = fieldPanel("CNMI_Panel",
                            {{"mode", ModeComboBox},
                             {"mt", MTComboBox},
                             {"ds", DSComboBox},
                             {"bfr", BFRComboBox},
                             {"", new QLabel(QStringLiteral("BM:      0"))}},
                            s);

    auto range = [](int from, int to) {
        QStringList out;
        for (int i = from; i <= to; ++i)
            out << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        return out;
    };
    EditRCYear = combo("EditRCYear", range(70, 99) + range(0, 58) + QStringList{"", "", ""}, s);
    EditRCMonth = combo("EditRCMonth", range(1, 12), s);
    EditRCDay = combo("EditRCDay", range(1, 31), s);
    EditRCHour = combo("EditRCHour", range(0, 24), s);
    EditRCMinutes = combo("EditRCMinutes", range(0, 60) + QStringList{"", "", "", "", ""}, s);
    EditRCSeconds = combo("EditRCSeconds", range(0, 60) + QStringList{"", "", "", "", ""}, s);
    RealClockB = named(new QPushButton(QStringLiteral("Done"), s), "RealClockB");
    RealClock_Panel = fieldPanel("RealClock_Panel",
                                 {{"yy", EditRCYear},
                                  {"mm", EditRCMonth},
                                  {"dd", EditRCDay},
                                  {"hh", EditRCHour},
                                  {"mm", EditRCMinutes},
                                  {"ss", EditRCSeconds},
                                  {"", RealClockB}},
                                 s);
    EditDCDirection =
        combo("EditDCDirection",
              {"0 No compression", "1 Transmit only", "2 Receive only", "3 Both directions"}, s);
    EditDCCompneg = combo("EditDCCompneg", {"0", "1"}, s);
    EditDCMaxdict = named(new QSpinBox(s), "EditDCMaxdict");
    EditDCMaxdict->setRange(512, 2048);
    EditDCMaxdict->setValue(512);
    EditDCMaxstring = named(new QSpinBox(s), "EditDCMaxstring");
    EditDCMaxstring->setRange(6, 250);
    EditDCMaxstring->setValue(6);
    DC_OKB = named(new QPushButton(QStringLiteral("Done"), s), "DC_OKB");
    DataCompression_Panel = fieldPanel("DataCompression_Panel",
                                       {{"direction", EditDCDirection},
                                        {"negotiation", EditDCCompneg},
                                        {"dictionary", EditDCMaxdict},
                                        {"string", EditDCMaxstring},
                                        {"", DC_OKB}},
                                       s);
    connect(EditDCDirection, &QComboBox::currentIndexChanged, this,
            [this](int i) { CompressionFields["direction"] = i < 0 ? "" : std::to_string(i); });
    connect(EditDCCompneg, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        CompressionFields["negotiation"] = tandrel::fromQString(t);
    });
    connect(EditDCMaxdict, &QSpinBox::textChanged, this, [this](const QString &t) {
        CompressionFields["dictionary"] = tandrel::fromQString(t);
    });
    connect(EditDCMaxstring, &QSpinBox::textChanged, this,
            [this](const QString &t) { CompressionFields["string"] = tandrel::fromQString(t); });

    QStringList indexes;
    for (int i = 1; i <= 255; ++i)
        indexes << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
    EditPBIndex = combo("EditPBIndex", QStringList{"Index"} + indexes, s);
    EditPBIndex->setToolTip(QStringLiteral("001-255"));
    EditPBType = combo("EditPBType", {"Type", "129", "145"}, s);
    EditPBType->setToolTip(QStringLiteral("129 or 145"));
    EditPBNum = edit("EditPBNum", s);
    EditPBNum->setMaxLength(32);
    EditPBNum->setToolTip(QStringLiteral("Maximum 32 characters"));
    EditPBText = edit("EditPBText", s);
    EditPBText->setMaxLength(16);
    EditPBText->setToolTip(QStringLiteral("Maximum 16  characters"));
    PhonebookB = named(new QPushButton(QStringLiteral("Done"), s), "PhonebookB");
    auto *PhonebookNote = named(new QLabel(QStringLiteral("To delete the phonebook entry, select "
                                                          "the index of the entry and leave out "
                                                          "the other three fields.")),
                                "PhonebookNote");
    PhonebookNote->setWordWrap(true);
    Phonebook_Panel = fieldPanel("Phonebook_Panel",
                                 {{"index", EditPBIndex},
                                  {"number", EditPBNum},
                                  {"type", EditPBType},
                                  {"text", EditPBText},
                                  {"", PhonebookB},
                                  {"", PhonebookNote}},
                                 s);
    EditPBIndex1 = combo("EditPBIndex1", QStringList{"Index1"} + indexes, s);
    EditPBIndex2 = combo("EditPBIndex2", QStringList{"Index2"} + indexes, s);
    PBIndex_Panel =
        fieldPanel("PBIndex_Panel", {{"first", EditPBIndex1}, {"last", EditPBIndex2}}, s);
    EditPBStorage = combo("EditPBStorage", {"Storage", "FD", "LD", "ME", "MT", "SM"}, s);
    EditPBStorage->hide();
    EditPBFindtext = edit("EditPBFindtext", s);
    EditPBFindtext->setMaxLength(32);
    EditPBFindtext->hide();
    const std::pair<QComboBox *, const char *> clock[] = {
        {EditRCYear, "year"}, {EditRCMonth, "month"},     {EditRCDay, "day"},
        {EditRCHour, "hour"}, {EditRCMinutes, "minutes"}, {EditRCSeconds, "seconds"}};
    for (const auto &[list, field] : clock)
        connect(list, &QComboBox::currentTextChanged, this,
                [this, field](const QString &t) { ClockFields[field] = tandrel::fromQString(t); });
    connect(EditPBIndex, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { EntryIndex = tandrel::fromQString(t); });
    connect(EditPBType, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { EntryType = tandrel::fromQString(t); });
    connect(EditPBNum, &QLineEdit::textChanged, this,
            [this](const QString &t) { EntryNumber = tandrel::fromQString(t); });
    connect(EditPBText, &QLineEdit::textChanged, this,
            [this](const QString &t) { EntryText = tandrel::fromQString(t); });
    connect(EditPBFindtext, &QLineEdit::textChanged, this,
            [this](const QString &t) { FindText = tandrel::fromQString(t); });
    connect(EditPBIndex1, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { FirstIndex = tandrel::fromQString(t); });
    connect(EditPBIndex2, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { SecondIndex = tandrel::fromQString(t); });
    connect(EditPBStorage, &QComboBox::currentTextChanged, this,
            [this](const QString &t) { PhonebookStorage = tandrel::fromQString(t); });
    connect(EditNValue, &QSpinBox::textChanged, this,
            [this](const QString &t) { ValueN = tandrel::fromQString(t); });
    connect(EditVValue, &QSpinBox::textChanged, this,
            [this](const QString &t) { ValueV = tandrel::fromQString(t); });
    connect(EditDValue, &QSpinBox::textChanged, this,
            [this](const QString &t) { ValueD = tandrel::fromQString(t); });
    auto csta = [this] {
        if (CommandPrefix.find("AT+CSTA") != std::string::npos)
            ValueN = RCSTA129->isChecked() ? "129" : "145";
        else if (CommandPrefix.find("AT+CSCA") != std::string::npos)
            ValueN = RCSTA129->isChecked() ? "\"00881662900005\",129" : "\"881662900005\",145";
    };
    connect(RCSTA129, &QRadioButton::clicked, this, csta);
    connect(RCSTA145, &QRadioButton::clicked, this, csta);
    connect(SendCommandB, &QPushButton::clicked, this, &TATTableForm::SendCommandBClick);
    connect(ReadB, &QPushButton::clicked, this, &TATTableForm::ReadBClick);
    connect(TestB, &QPushButton::clicked, this, &TATTableForm::TestBClick);
    connect(Set_RealClockB, &QPushButton::clicked, this, &TATTableForm::Set_RealClockBClick);
    connect(Set_DCB, &QPushButton::clicked, this, &TATTableForm::Set_DCBClick);
    connect(Set_PhonebookB, &QPushButton::clicked, this, &TATTableForm::Set_PhonebookBClick);
    connect(RealClockB, &QPushButton::clicked, this, &TATTableForm::RealClockBClick);
    connect(DC_OKB, &QPushButton::clicked, this, &TATTableForm::DC_OKBClick);
    connect(PhonebookB, &QPushButton::clicked, this, &TATTableForm::PhonebookBClick);
    SMS_SendorWrite_Panel = named(new QWidget(s), "SMS_SendorWrite_Panel");
    SmsPage = new SmsComposePanel(SMS_SendorWrite_Panel);
    SmsPage->linkReady = [] { return SMS_Frm && SMS_Frm->linkReady(); };
    // A message written to memory is one PDU; only a send can go in linked parts.
    SmsPage->partsAllowed = [this] { return CommandPrefix.find("CMGW") == std::string::npos; };
    auto *smsLayout = new QVBoxLayout(SMS_SendorWrite_Panel);
    smsLayout->setContentsMargins(0, 0, 0, 0);
    smsLayout->addWidget(SmsPage);
    connect(SmsPage->SMS_SendB, &QPushButton::clicked, this, &TATTableForm::SMS_SendBClick);
    // The warning switch is one setting for both places that compose messages.
    connect(SmsPage->SMSWarningCheckBox, &QCheckBox::clicked, this, [this](bool on) {
        if (SMS_Frm)
            SMS_Frm->SMSWarningCheckBox->setChecked(on);
    });
    SMS_SendorWrite_Panel->hide();
    SMS_SendorWrite_Panel->setGeometry(LinesLeft, LinesTop + 30 * LinePitch + 8, 600,
                                       SmsPage->sizeHint().height());
    for (QWidget *w : std::initializer_list<QWidget *>{
             CSTAPanel, CLCK_Panel, CPWD_Panel, CPIN_Panel, SelectPMPanel, CNMI_Panel,
             RealClock_Panel, DataCompression_Panel, Phonebook_Panel, PBIndex_Panel, EditPBStorage,
             EditPBFindtext})
        w->setGeometry(panelArea.x(), panelArea.y(), panelArea.width(),
                       std::max(24, w->hasHeightForWidth() ? w->heightForWidth(panelArea.width())
                                                           : w->sizeHint().height()));

    buildPhoneNumberPanel();

    TermsAbbrevPanel = named(new QWidget(s), "TermsAbbrevPanel");
    sheet::paintWhite(TermsAbbrevPanel); // over the heading and lines of the command pages
    Title = boldLabel(QStringLiteral("  Terms and Abbreviations"), TermsAbbrevPanel, "Title");
    TermsAbbrevT = named(new QLabel(TermsAbbrevPanel), "TermsAbbrevT");
    TermsAbbrevT->setTextFormat(Qt::PlainText);
    TermsAbbrevT->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *termsLayout = new QVBoxLayout(TermsAbbrevPanel);
    termsLayout->addWidget(Title);
    termsLayout->addWidget(TermsAbbrevT, 1);
    TermsAbbrevPanel->hide();

    dialLine = [] {
        if (!Form1)
            return std::string();
        return dialing::DialLine({Form1->SimValue, Form1->TypeValue, Form1->CountryCodeText,
                                  Form1->LocalNumberText, Form1->SatelliteNumber,
                                  Form1->GovNumber});
    };

    m_sheet->resize(820, LinesTop + 80 * LinePitch + 20);
    for (QComboBox *c : m_sheet->findChildren<QComboBox *>())
        c->installEventFilter(this);
    for (QAbstractSpinBox *b : m_sheet->findChildren<QAbstractSpinBox *>())
        b->installEventFilter(this);
    FormActivate();
}

TATTableForm::~TATTableForm() = default;

const std::vector<std::string> &TATTableForm::descriptionOf(const std::string &title)
{
    static const std::vector<std::string> none;
    const auto &pages = allPages();
    const auto it = pages.find(title);
    return it == pages.end() ? none : it->second;
}

QString TATTableForm::currentPage() const
{
    return m_page ? QLatin1String(m_page->menuItem) : QString();
}

void TATTableForm::FormActivate()
{
    ++ActivationCount;
    if (ActivationCount < 3) {
        if (Form1)
            placement::moveInside(this, placement::frameOf(Form1).topLeft() + QPoint(115, -115));
        placement::resizeOuter(this, QSize(708, 345));
        m_scroll->horizontalScrollBar()->setValue(0);
        m_scroll->verticalScrollBar()->setValue(0);
    }
    if (CommandPrefix != LastShownCommand) {
        m_scroll->horizontalScrollBar()->setValue(0);
        m_scroll->verticalScrollBar()->setValue(0);
        LastShownCommand = CommandPrefix;
    }
}

void TATTableForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

bool TATTableForm::eventFilter(QObject *watched, QEvent *event)
{
    // Over a list or spin box of the page too, the wheel scrolls the page, not the value.
    const bool onPage =
        watched == m_scroll->viewport() ||
        ((qobject_cast<QComboBox *>(watched) || qobject_cast<QAbstractSpinBox *>(watched)) &&
         m_sheet->isAncestorOf(static_cast<QWidget *>(watched)));
    if (onPage && event->type() == QEvent::Wheel) {
        const int delta = static_cast<QWheelEvent *>(event)->angleDelta().y();
        QScrollBar *bar = m_scroll->verticalScrollBar();
        if (delta < 0)
            bar->setValue(bar->value() + 12);
        else if (delta > 0)
            bar->setValue(bar->value() - 12);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TATTableForm::ResetPage()
{
    for (QLabel *l : Description)
        l->clear();
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);

    const std::string &p = CommandPrefix;
    const AtLayout l = atLayoutFor(p, Form1 ? Form1->IgVerValue : std::string());
    TermsAbbrevPanel->setVisible(l.terms);
    SelectVPanel->setVisible(l.vPanel);
    SelectDPanel->setVisible(l.dPanel);
    CSTAPanel->setVisible(l.cstaPanel);
    CNMI_Panel->setVisible(l.cnmiPanel);
    SMS_SendorWrite_Panel->setVisible(l.smsPanel);
    ReadB->setVisible(l.readB);
    TestB->setVisible(l.testB);
    EditNValue->setValue(std::stoi(l.nText));
    EditVValue->setValue(std::stoi(l.vText));
    EditDValue->setValue(std::stoi(l.dText));
    if (l.pmPanel) {
        for (QCheckBox *box : PMCheckBoxes)
            box->setChecked(box == GGACheckBox);
    } else {
        SelectPMPanel->hide();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{PhoneNumber_Panel, Phonebook_Panel,
                                                       RealClock_Panel, DataCompression_Panel})
        w->hide();
    Set_RealClockB->setVisible(l.setRealClockB);
    Set_DCB->setVisible(l.setDCB);
    CLCK_Panel->setVisible(l.clckPanel);
    CPWD_Panel->setVisible(l.cpwdPanel);
    CPIN_Panel->setVisible(l.cpinPanel);
    RCSTA129->setChecked(true);

    ValueN = !SelectNPanel->isHidden() ? tandrel::fromQString(EditNValue->text()) : std::string();
    ValueV = !SelectVPanel->isHidden() ? tandrel::fromQString(EditVValue->text()) : std::string();
    ValueD = !SelectDPanel->isHidden() ? tandrel::fromQString(EditDValue->text()) : std::string();
    if (p.find("AT+CSTA") != std::string::npos)
        ValueN = RCSTA129->isChecked() ? "129" : "145";
    else if (p.find("AT+CSCA") != std::string::npos)
        ValueN = RCSTA129->isChecked() ? "\"00881662900005\",129" : "\"881662900005\",145";

    SendCommandB->setVisible(l.sendB);
    if (l.emptySuffix)
        CommandSuffix.clear();

    Change_PhoneNumberB->setVisible(l.changePhoneNumberB);
    EditPBFindtext->setVisible(l.findText);
    PBIndex_Panel->setVisible(l.pbIndexPanel);
    EditPBStorage->setVisible(l.pbStorage);
    Set_PhonebookB->setVisible(l.setPhonebookB);
    if (l.findText) {
        EditPBFindtext->setText(QStringLiteral(" EnterText"));
        FindText.clear();
    }
    if (l.pbIndexPanel) {
        EditPBIndex1->setCurrentIndex(0);
        EditPBIndex2->setCurrentIndex(0);
        FirstIndex.clear();
        SecondIndex.clear();
    }
    if (l.pbStorage) {
        EditPBStorage->setCurrentIndex(0);
        PhonebookStorage.clear();
    }
    if (l.setPhonebookB) {
        EditPBIndex->setCurrentIndex(0);
        EditPBType->setCurrentIndex(0);
        EditPBNum->setText(QStringLiteral(" EnterNumber"));
        EditPBText->setText(QStringLiteral(" EnterText"));
        EntryIndex.clear();
        EntryNumber.clear();
        EntryType.clear();
        EntryText.clear();
    }
    if (l.clckPanel) {
        EditFLFac->setCurrentIndex(-1);
        EditFLMode->setCurrentIndex(-1);
        EditFLPwd->clear();
    }
    if (l.cpwdPanel) {
        EditCPFac->setCurrentIndex(-1);
        EditCPOldpwd->clear();
        EditCPNewpwd->clear();
    }
    if (l.cpinPanel) {
        EditEPPin->clear();
        EditEPNewpin->clear();
    }

    if (l.extraPanel) {
        for (QLabel *e : eDescription)
            e->clear();
        if (l.emptySuffix)
            CommandSuffix.clear();
        ExtraDescriptionPanel->show();
    } else {
        ExtraDescriptionPanel->hide();
    }
}

void TATTableForm::writeDescription(const std::vector<std::string> &lines)
{
    int widest = 600;
    for (size_t i = 0; i < lines.size(); ++i) {
        QLabel *line = nullptr;
        if (i < Description.size())
            line = Description[i];
        else if (i - Description.size() < eDescription.size() && !ExtraDescriptionPanel->isHidden())
            line = eDescription[i - Description.size()];
        if (line) {
            line->setText(toQString(lines[i]));
            widest = std::max(widest, line->sizeHint().width());
        }
    }
    // A long line widens the page rather than losing its end.
    for (QLabel *l : Description)
        l->resize(widest, LinePitch);
    for (QLabel *l : eDescription)
        l->resize(widest, LinePitch);
    ExtraDescriptionPanel->resize(widest, ExtraDescriptionPanel->height());
    m_sheet->resize(std::max(820, LinesLeft + widest + 20), m_sheet->height());
}

void TATTableForm::openPage(const char *title)
{
    const AtPage *page = findAtPage(title);
    if (!page)
        return;
    m_page = page;
    ATCommand->setText(QString::fromLatin1(page->title));
    Command->setText(QString::fromLatin1(page->name));
    Modem->setText(QString::fromLatin1(page->models));
    CommandPrefix = page->prefix;
    CommandSuffix = page->suffix;
    SelectNPanel->setVisible(page->n.shown);
    auto bounds = [](QSpinBox *spin, const AtRange &r) {
        if (r.lo == r.hi)
            spin->setRange(-2147483647, 2147483647); // not limited
        else
            spin->setRange(r.lo, r.hi);
    };
    bounds(EditNValue, page->n);
    if (page->v.shown)
        bounds(EditVValue, page->v);
    if (page->d.shown)
        bounds(EditDValue, page->d);
    SelectPMPanel->setVisible(CommandPrefix == "AT+PM=");
    if (CommandPrefix == "AT+CCLK=") {
        // The lists show what Send sends: nothing until the operator chooses.
        for (QComboBox *c :
             {EditRCYear, EditRCMonth, EditRCDay, EditRCHour, EditRCMinutes, EditRCSeconds})
            c->setCurrentIndex(-1);
        ClockFields.clear();
    }
    if (CommandPrefix == "AT+DS=") {
        EditDCDirection->setCurrentIndex(-1);
        EditDCCompneg->setCurrentIndex(-1);
        EditDCMaxdict->setValue(512);
        EditDCMaxstring->setValue(6);
        CompressionFields = {
            {"direction", ""}, {"negotiation", ""}, {"dictionary", "512"}, {"string", "6"}};
    }
    ResetPage();
    writeDescription(descriptionOf(page->title));
    TermsAbbrevT->clear();
    show();
    raise();
}

void TATTableForm::termsandabbreviations()
{
    m_page = nullptr;
    ATCommand->clear();
    Command->clear();
    Modem->clear();
    CommandPrefix = "NONE";
    CommandSuffix.clear();
    SelectNPanel->hide();
    SelectPMPanel->hide();
    ResetPage();
    TermsAbbrevT->setText(toQString(glossaryText(resourceText(":/atref/pages/terms.txt"))));
    TermsAbbrevPanel->setGeometry(8, 8, 780, TermsAbbrevT->sizeHint().height() + 40);
    m_sheet->resize(820, std::max(LinesTop + 80 * LinePitch + 20, TermsAbbrevPanel->height() + 20));
    show();
    raise();
}

void TATTableForm::ShowPage(const QString &menuItemName)
{
    if (menuItemName == QLatin1String("TermsandAbbreviations1")) {
        termsandabbreviations();
        return;
    }
    if (const AtPage *page = findAtPage(menuItemName.toStdString()))
        openPage(page->title);
}

// The send buttons follow the exchange: free while no command waits for the handset.
void TATTableForm::followExchange(bool busy)
{
    for (QPushButton *b : {SendCommandB, ReadB, TestB})
        b->setEnabled(!busy);
    if (QPushButton *sms = findChild<QPushButton *>(QStringLiteral("SMS_SendB")))
        sms->setEnabled(!busy);
}

void TATTableForm::SMS_SendBClick()
{
    SmsComposePanel::Prepared prepared;
    if (!SmsPage->Prepare(prepared))
        return;
    if (CommandPrefix.find("CMGW") != std::string::npos) {
        // Never more than one part here: the page keeps a message to be written to one PDU.
        sendLine("AT+CMGW=" + std::to_string(prepared.parts.front().length),
                 prepared.parts.front().pdu + '\x1A');
        return;
    }
    if (CommandPrefix.find("CMGS") != std::string::npos)
        SMS_Frm->StartSend(prepared.parts, prepared.logEntry);
}

void TATTableForm::sendLine(const std::string &text, const std::string &payload)
{
    modem::Command command;
    command.line = text;
    command.payload = payload;
    command.timeoutMs = CommandTimeoutMs;
    Form1->SaxComm1->exchange()->submit(std::move(command));
}

void TATTableForm::SendCommandBClick()
{
    SerialControl *port = Form1->SaxComm1;
    if (!port->PortOpen())
        return;
    if (Form1->FlowValue == "HW" && !port->CtsState() && !atSendableWithoutCts(CommandPrefix))
        return;
    AtCommandState st;
    st.prefix = CommandPrefix;
    st.n = ValueN;
    st.v = ValueV;
    st.d = ValueD;
    st.suffix = CommandSuffix;
    st.findText = FindText;
    st.firstIndex = FirstIndex;
    st.secondIndex = SecondIndex;
    st.phonebookStorage = PhonebookStorage;
    st.entryIndex = EntryIndex;
    st.entryNumber = EntryNumber;
    st.entryType = EntryType;
    st.entryText = EntryText;
    st.year = ClockFields["year"];
    st.month = ClockFields["month"];
    st.day = ClockFields["day"];
    st.hour = ClockFields["hour"];
    st.minutes = ClockFields["minutes"];
    st.seconds = ClockFields["seconds"];
    st.direction = CompressionFields["direction"];
    st.negotiation = CompressionFields["negotiation"];
    st.dictionary = CompressionFields["dictionary"];
    st.stringLength = CompressionFields["string"];
    st.lockFacility = tandrel::fromQString(EditFLFac->currentText());
    st.lockMode = tandrel::fromQString(EditFLMode->currentText());
    st.lockPassword = tandrel::fromQString(EditFLPwd->text());
    st.pwdFacility = tandrel::fromQString(EditCPFac->currentText());
    st.oldPassword = tandrel::fromQString(EditCPOldpwd->text());
    st.newPassword = tandrel::fromQString(EditCPNewpwd->text());
    st.pin = tandrel::fromQString(EditEPPin->text());
    st.newPin = tandrel::fromQString(EditEPNewpin->text());
    st.cnmiMode = tandrel::fromQString(ModeComboBox->currentText());
    st.cnmiMt = tandrel::fromQString(MTComboBox->currentText());
    st.cnmiDs = tandrel::fromQString(DSComboBox->currentText());
    st.cnmiBfr = tandrel::fromQString(BFRComboBox->currentText());
    if (CommandPrefix.find("AT+PM=") != std::string::npos) {
        if (std::none_of(PMCheckBoxes.begin(), PMCheckBoxes.end(),
                         [](QCheckBox *b) { return b->isChecked(); }))
            GGACheckBox->setChecked(true);
        for (QCheckBox *b : PMCheckBoxes)
            if (b->isChecked())
                st.nmeaCodes.push_back(b->property("code").toString().toStdString());
    }
    if (dialLine)
        st.dialLine = dialLine();
    // A call is known from its CONNECT: many ports read carrier on without one, and some
    // report no modem lines at all.
    st.carrier = Form1->callUp();
    std::vector<std::string> smsIndexes;
    for (int i = 0; SMS_Frm && i < SMS_Frm->SMS_IndexListBox->count(); ++i)
        for (const std::string &index :
             static_cast<SmsListEntry *>(SMS_Frm->SMS_IndexListBox->item(i))->record.indexes)
            smsIndexes.push_back(index);

    const AtOutput out = composeAtCommand(st, smsIndexes);
    if (out.setsAutoAnswer)
        AutoAnswerEnabled = out.autoAnswer;
    switch (out.kind) {
    case AtOutput::Nothing:
        break;
    case AtOutput::Line:
        sendLine(out.text);
        break;
    case AtOutput::Raw:
        port->setOutput(out.text);
        break;
    case AtOutput::Paced:
        port->sendPaced(out.text);
        break;
    case AtOutput::DeleteSms:
        for (int i = 0; i < SMS_Frm->SMS_IndexListBox->count(); ++i) {
            const auto &indexes =
                static_cast<SmsListEntry *>(SMS_Frm->SMS_IndexListBox->item(i))->record.indexes;
            if (std::find(indexes.begin(), indexes.end(), out.text) != indexes.end()) {
                SMS_Frm->SMS_IndexListBox->setCurrentRow(i);
                SMS_Frm->SMS_DeleteBClick();
                break;
            }
        }
        break;
    }
}

// Read and Test are refused like Send while the port is closed.
void TATTableForm::ReadBClick()
{
    if (Form1->SaxComm1->PortOpen())
        sendLine(atReadCommand(CommandPrefix));
}

void TATTableForm::TestBClick()
{
    if (Form1->SaxComm1->PortOpen())
        sendLine(atTestCommand(CommandPrefix));
}

void TATTableForm::Set_RealClockBClick()
{
    Set_RealClockB->hide();
    RealClock_Panel->show();
}

void TATTableForm::Set_DCBClick()
{
    Set_DCB->hide();
    DataCompression_Panel->show();
}

void TATTableForm::Set_PhonebookBClick()
{
    Set_PhonebookB->hide();
    Phonebook_Panel->show();
}

void TATTableForm::closePanel(QWidget *panel, QPushButton *setButton)
{
    panel->hide();
    setButton->show();
    if (isVisible() && SendCommandB->isVisible() && SendCommandB->isEnabled())
        SendCommandB->setFocus();
}

void TATTableForm::RealClockBClick()
{
    ClockFields = {{"year", tandrel::fromQString(EditRCYear->currentText())},
                   {"month", tandrel::fromQString(EditRCMonth->currentText())},
                   {"day", tandrel::fromQString(EditRCDay->currentText())},
                   {"hour", tandrel::fromQString(EditRCHour->currentText())},
                   {"minutes", tandrel::fromQString(EditRCMinutes->currentText())},
                   {"seconds", tandrel::fromQString(EditRCSeconds->currentText())}};
    closePanel(RealClock_Panel, Set_RealClockB);
}

void TATTableForm::DC_OKBClick()
{
    closePanel(DataCompression_Panel, Set_DCB);
}

void TATTableForm::PhonebookBClick()
{
    EntryIndex = tandrel::fromQString(EditPBIndex->currentText());
    EntryNumber = tandrel::fromQString(EditPBNum->text());
    EntryType = tandrel::fromQString(EditPBType->currentText());
    EntryText = tandrel::fromQString(EditPBText->text());
    closePanel(Phonebook_Panel, Set_PhonebookB);
}
