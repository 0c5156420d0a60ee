#include "TForm1.h"

#include "AtMenuItems.h"
#include "CaptureFile.h"
#include "FileTransfer.h"
#include "FindBar.h"
#include "Notice.h"
#include "Panel.h"
#include "Program.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SessionRecord.h"
#include "SessionValues.h"
#include "SignalPanel.h"
#include "TATTableForm.h"
#include "TChatModeAlert_Frm.h"
#include "TDialing_Frm.h"
#include "TInfoBox.h"
#include "TMsgBox.h"
#include "TPort_Frm.h"
#include "TRingBox.h"
#include "TSBD_Frm.h"
#include "TSMS_Frm.h"
#include "TSearchForm.h"
#include "TandrelArt.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QToolButton>

using tandrel::fromQString;
using tandrel::toQString;

TForm1 *Form1 = nullptr;

namespace {

const char *const kNavy = "#0b1f4b";

QString groupComponent(const QString &group)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("Basic AT Commands"), QStringLiteral("BasicAT")},
        {QStringLiteral("AT% Commands"), QStringLiteral("ATPerc")},
        {QStringLiteral("AT& Commands"), QStringLiteral("ATAmps")},
        {QStringLiteral("AT* Commands"), QStringLiteral("ATAstr")},
        {QStringLiteral("AT+ Commands"), QStringLiteral("ATPlus")},
        {QStringLiteral("AT- Commands"), QStringLiteral("ATMinus")},
        {QStringLiteral("AT\\ Commands"), QStringLiteral("ATBSlash")},
        {QStringLiteral("AT SMS Commands"), QStringLiteral("ATSMSCommands1")},
        {QStringLiteral("AT SBD Commands"), QStringLiteral("ATSBDCommands1")},
        {QStringLiteral("AT GPS Commands"), QStringLiteral("ATGPSCommands1")},
    };
    return names.value(group, group);
}

QFrame *bar(const char *name, QWidget *parent)
{
    auto *f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

QToolButton *speedButton(const char *name, const char *caption, const char *hint, QWidget *parent)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(QLatin1String(caption));
    b->setToolTip(QLatin1String(hint));
    b->setCheckable(true);
    b->setEnabled(false);
    return b;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

// A switch's panel in the status bar looks pressed while the switch is on, as its toolbar
// button does.
void showSwitch(Panel *panel, const QString &what, bool on)
{
    panel->setFrameShadow(on ? QFrame::Sunken : QFrame::Raised);
    QFont font = panel->font();
    font.setBold(on);
    panel->setFont(font);
    panel->setAutoFillBackground(on);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, QColor(0xd4, 0xe8, 0xd4));
    panel->setPalette(colours);
    panel->setToolTip(what + (on ? QStringLiteral(": on") : QStringLiteral(": off")));
}

} // namespace

TForm1::TForm1(const std::string &commandLine, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    exitProgram = [](int status) { QCoreApplication::exit(status); };
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);

    SaxComm1 = new SerialControl(central);
    StatusTimer = new QTimer(this);
    StatusTimer->setObjectName(QStringLiteral("StatusTimer"));
    StatusTimer->setInterval(50);
    IntroScreenTimer = new QTimer(this);
    IntroScreenTimer->setObjectName(QStringLiteral("IntroScreenTimer"));
    RequestSMSTimer = new QTimer(this);
    RequestSMSTimer->setObjectName(QStringLiteral("RequestSMSTimer"));
    RequestSMSTimer->setInterval(8500);
    DisconnectTimer = new QTimer(this);
    DisconnectTimer->setObjectName(QStringLiteral("DisconnectTimer"));
    DisconnectTimer->setInterval(1500);
    connect(StatusTimer, &QTimer::timeout, this, &TForm1::RefreshConnectionStatus);
    connect(IntroScreenTimer, &QTimer::timeout, this, &TForm1::EndIntroScreen);
    connect(RequestSMSTimer, &QTimer::timeout, this, &TForm1::RequestSMSTimerTimer);
    connect(DisconnectTimer, &QTimer::timeout, this, &TForm1::DisconnectTimerTimer);
    connect(SaxComm1, &SerialControl::OnReceive, this, &TForm1::SaxComm1Receive);
    // Whatever waited for an answer hears "cut off" from the exchange itself.
    connect(SaxComm1, &SerialControl::portClosed, this, [this] {
        Handset.forget();
        showHandsetStatus();
        // An indication request still waiting to go out can never be answered; it goes out
        // again when the port opens.
        if (RequestSMSTimer->isActive())
            SMS_Frm->EndIndicationRequest();
    });
    modem::Exchange *exchange = SaxComm1->exchange();
    exchange->onLine([this](const std::string &line) {
        if (Handset.feed(line + "\r\n"))
            showHandsetStatus();
    });
    connect(exchange, &modem::Exchange::callChanged, this, [this] { showHandsetStatus(); });
    connect(SaxComm1, &SerialControl::portOpened, this, &TForm1::SaxComm1PortOpened);
    connect(SaxComm1, &SerialControl::OnKeyDown, this, &TForm1::SaxComm1KeyDown);
    connect(SaxComm1, &SerialControl::OnCTSChanged, this, &TForm1::SaxComm1CTSChanged);
    connect(SaxComm1, &SerialControl::OnCarrierChanged, this, &TForm1::SaxComm1CarrierChanged);
    connect(SaxComm1, &SerialControl::OnRing, this, &TForm1::SaxComm1Ring);

    buildPanels();
    buildMenus();
    buildStatusGlance();
    buildCapture();
    Find_Bar = new FindBar(SaxComm1->screen(), central);
    connect(Find_Bar, &FindBar::opened, this, &TForm1::layoutTerminalRows);
    connect(Find_Bar, &FindBar::closed, this, [this] {
        layoutTerminalRows();
        SaxComm1->setFocus();
    });
    // Find searches the text screen, which the hex view takes the place of.
    connect(ShowHex1, &QAction::toggled, this, [this](bool on) {
        Find1->setEnabled(!on);
        if (on && !Find_Bar->isHidden())
            Find_Bar->end();
    });
    loadUserSettings();

    const QString sessionDir =
        tandrel::fromFileName(Program->dataDirectory) + QStringLiteral("Session");
    // Away from the program folder the folder is ours to make, so the dialogs open in it.
    const bool ownDataFolder = Program->dataDirectory != Program->programDirectory;
    if (ownDataFolder)
        QDir().mkpath(sessionDir);
    OpenDialog1 = new QFileDialog(this, QStringLiteral("Open Session"), sessionDir,
                                  QStringLiteral("Session files (*.sms)"));
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    SaveDialog1 = new QFileDialog(this, QStringLiteral("Save Session"), sessionDir,
                                  QStringLiteral("Session files (*.sms)"));
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setDefaultSuffix(QStringLiteral("sms"));
    connect(OpenDialog1, &QFileDialog::fileSelected, this, &TForm1::sessionChosenForOpen);
    connect(SaveDialog1, &QFileDialog::fileSelected, this, &TForm1::sessionChosenForSave);

    // The program's title is its main window's caption. No display name: X11 would append
    // it to every caption ("RING", "SMS") that the operator must read as it is.
    setWindowTitle(QStringLiteral("Tandrel Software"));

    const std::string fileName = sessionvalues::sessionArgument(commandLine);
    if (const QFileInfo named(tandrel::fromFileName(fileName)); !fileName.empty()) {
        QFile file(named.filePath());
        const QString why = named.isDir()                     ? QStringLiteral("it is a folder")
                            : !file.open(QIODevice::ReadOnly) ? file.errorString()
                                                              : QString();
        if (!why.isEmpty())
            QTimer::singleShot(0, this, [this, path = named.absoluteFilePath(), why] {
                notice::show(this, notice::Kind::Warning, QStringLiteral("Warning"),
                             QStringLiteral("The session file %1 cannot be read (%2).\nThe "
                                            "default session is used instead; open another "
                                            "from the File menu.")
                                 .arg(QDir::toNativeSeparators(path), why));
            });
    }
    const QSettings last(settingsFile(), QSettings::IniFormat);
    int loaded = -1;
    // The session used last, unless the command line names one.
    if (fileName.empty() && last.childGroups().contains(QStringLiteral("LastSession"))) {
        for (int i = 0; i < SessionRecord::TagCount; ++i) {
            const auto tag = static_cast<SessionTag>(i);
            const QString key = QStringLiteral("LastSession/") +
                                QString::fromStdString(SessionRecord::tagName(tag));
            Program->session->setValue(tag, last.contains(key)
                                                ? fromQString(last.value(key).toString())
                                                : SessionRecord::defaultValue(tag));
        }
        loaded = 0;
    }
    if (loaded == -1)
        loaded = Program->session->LoadSession(fileName);
    // Started from the desktop menu the current folder is the home folder, so the default
    // session saved through the dialogs is looked for in their folder too.
    if (loaded == -1 && ownDataFolder)
        loaded = Program->session->LoadSession(Program->dataDirectory +
                                               SessionRecord::defaultSessionFile());
    if (loaded != -1)
        ApplySession();
    else
        ApplyDefaultSession();

    LayoutMainWindow();
    StatusTimer->start();
}

TForm1::~TForm1() = default;

std::string TForm1::ProgramDirectory()
{
    return tandrel::toFileName(
        QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + '/'));
}

void TForm1::buildPanels()
{
    QWidget *c = centralWidget();
    auto panel = [c](const char *name, const QString &caption = QString()) {
        auto *p = new Panel(QLatin1String(name), c);
        p->setCaption(caption);
        return p;
    };
    IntroScreen = panel("IntroScreen");
    IntroImage = new TandrelArt(QStringLiteral("IntroImage"), true, IntroScreen);
    Pause = panel("Pause", QStringLiteral("pause"));
    Pause->setStyleSheet(QStringLiteral("color: #c8d8f0; border: 1px solid #46608c;"));
    Pause->setCursor(Qt::PointingHandCursor);
    connect(Pause, &Panel::clicked, this, &TForm1::PauseClick);

    CoverSaxComm = panel("CoverSaxComm");
    CoverSaxComm0 = panel("CoverSaxComm0");
    CoverSaxComm2 = panel("CoverSaxComm2");
    CoverSaxComm2->setFrameShape(QFrame::StyledPanel);
    CoverSaxComm2->setStyleSheet(QStringLiteral("background: #0f1b2d; border: 1px solid #55657d;"));
    DisableEditPanel = panel("DisableEditPanel");
    DisablePastePanel = panel("DisablePastePanel");
    DisableFileTransfer = panel("DisableFileTransfer");

    MenuBar3 = panel("MenuBar3");
    MenuBar3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ModeTitle = new QLabel(MenuBar3);
    ModeTitle->setObjectName(QStringLiteral("ModeTitle"));
    QFont bold = ModeTitle->font();
    bold.setBold(true);
    ModeTitle->setFont(bold);
    Edit = new QLabel(QStringLiteral("Edit"), MenuBar3);
    Edit->setObjectName(QStringLiteral("Edit"));
    Transfer = new QLabel(QStringLiteral("Transfer"), MenuBar3);
    Transfer->setObjectName(QStringLiteral("Transfer"));

    RegularBase = panel("RegularBase");
    struct Tool
    {
        QPushButton **slot;
        const char *name;
        const char *caption;
        const char *item;
    };
    const Tool tools[] = {
        {&EscplusB, "EscplusB", "+++", "EscPlus"},
        {&ATAB, "ATAB", "ATA", "ATA"},
        {&ATDB, "ATDB", "ATD", "ATD"},
        {&ATHB, "ATHB", "ATH0", "ATHn"},
        {&ATOB, "ATOB", "ATOn", "ATOn"},
        {&ATSB, "ATSB", "ATS0", "ATS0"},
        {&ATFB, "ATFB", "AT&&F0", "ATampFn"},
        {&ATIB, "ATIB", "ATIn", "ATIn"},
        {&ATCREGB, "ATCREGB", "+CREG", "ATplusCREG"},
        {&ATCOPSB, "ATCOPSB", "+COPS", "ATplusCOPS"},
        {&ATCBSTB, "ATCBSTB", "+CBST", "ATplusCBST"},
        {&ATCGSNB, "ATCGSNB", "+CGSN", "ATplusCGSN"},
        {&ATCSQB, "ATCSQB", "+CSQ", "ATplusCSQ"},
    };
    int x = 13;
    for (const Tool &t : tools) {
        *t.slot = button(t.name, QString::fromLatin1(t.caption), RegularBase);
        (*t.slot)->setGeometry(x, 2, 50, 26);
        x += 52;
        const QString item = QLatin1String(t.item);
        connect(*t.slot, &QPushButton::clicked, this, [this, item] {
            if (QAction *a = menuItem(item))
                a->trigger();
        });
    }

    Property_Panel = panel("Property_Panel");
    EchoB = speedButton("EchoB", "ECHO", "Echo typed characters locally. ", Property_Panel);
    AnsB = speedButton("AnsB", "ANS", "Answer incoming calls immediately. ", Property_Panel);
    SMSB = speedButton("SMSB", "SMS", "Display SMS immediately. ", Property_Panel);
    PPropertyB = button("PPropertyB", QStringLiteral("Port..."), Property_Panel);
    PPropertyB->setToolTip(QStringLiteral("Set port properties."));
    DPropertyB = button("DPropertyB", QStringLiteral("Dialing..."), Property_Panel);
    DPropertyB->setToolTip(QStringLiteral("Set dialing properties."));
    Bar2 = bar("Bar2", Property_Panel);
    Bar3 = bar("Bar3", Property_Panel);
    Bar4 = bar("Bar4", Property_Panel);
    Bar5 = bar("Bar5", Property_Panel);
    Bar6 = bar("Bar6", BasePanel = panel("BasePanel"));
    Bar7 = bar("Bar7", BasePanel);
    Bar8 = bar("Bar8", BasePanel);
    EchoB->setGeometry(13, 2, 52, 24);
    Bar2->setGeometry(69, 2, 4, 24);
    AnsB->setGeometry(77, 2, 52, 24);
    Bar3->setGeometry(133, 2, 4, 24);
    SMSB->setGeometry(141, 2, 52, 24);
    Bar4->setGeometry(197, 2, 4, 24);
    PPropertyB->setGeometry(205, 2, 80, 24);
    Bar5->setGeometry(289, 2, 4, 24);
    DPropertyB->setGeometry(297, 2, 80, 24);
    connect(EchoB, &QToolButton::clicked, this, &TForm1::Set_Echo1Click);
    connect(AnsB, &QToolButton::clicked, this, &TForm1::IncomingCallPanel1Click);
    connect(SMSB, &QToolButton::clicked, this, &TForm1::DisplaySMSImmediately1Click);
    connect(PPropertyB, &QPushButton::clicked, this, [] { placement::showModal(Port_Frm); });
    connect(DPropertyB, &QPushButton::clicked, this, [] { placement::showModal(Dialing_Frm); });

    Status = panel("Status", QStringLiteral("Disconnected"));
    Status->setParent(BasePanel);
    COM_Panel = panel("COM_Panel");
    COM_Panel->setParent(BasePanel);
    SIM_Panel = panel("SIM_Panel");
    SIM_Panel->setParent(BasePanel);
    Echo_Panel = panel("Echo_Panel", QStringLiteral("Echo"));
    Echo_Panel->setParent(BasePanel);
    Ans_Panel = panel("Ans_Panel", QStringLiteral("Answer"));
    Ans_Panel->setParent(BasePanel);
    SMS_Panel = panel("SMS_Panel", QStringLiteral("SMS"));
    SMS_Panel->setParent(BasePanel);
    Close = button("Close", QStringLiteral("Close"), BasePanel);
    for (Panel *p : {Status, COM_Panel, SIM_Panel, Echo_Panel, Ans_Panel, SMS_Panel})
        p->setFrameShape(QFrame::Panel), p->setFrameShadow(QFrame::Sunken);
    Status->setGeometry(13, 2, 110, 24);
    Bar6->setGeometry(127, 2, 4, 24);
    COM_Panel->setGeometry(135, 2, 120, 24);
    SIM_Panel->setGeometry(259, 2, 50, 24);
    Bar7->setGeometry(313, 2, 4, 24);
    Echo_Panel->setGeometry(321, 2, 60, 24);
    Ans_Panel->setGeometry(385, 2, 60, 24);
    SMS_Panel->setGeometry(449, 2, 60, 24);
    Bar8->setGeometry(513, 2, 4, 24);
    Close->setGeometry(606, 2, 80, 24);
    connect(Status, &Panel::clicked, this, &TForm1::RefreshConnectionStatus);
    connect(BasePanel, &Panel::clicked, this, &TForm1::RefreshConnectionStatus);
    connect(Echo_Panel, &Panel::clicked, this, &TForm1::Set_Echo1Click);
    connect(Ans_Panel, &Panel::clicked, this, &TForm1::IncomingCallPanel1Click);
    connect(Close, &QPushButton::clicked, this, &TForm1::Exit1Click);

    TerminalCheck = new QCheckBox(c);
    TerminalCheck->setObjectName(QStringLiteral("TerminalCheck"));
    // Left over from the version box layout; kept so every window finds them.
    for (const char *name : {"Complete1", "Complete2", "Trying4"})
        panel(name)->hide();
}

void TForm1::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QMenu *menu, const char *name, const QString &caption) {
        auto *a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    File1 = bar->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    OpenSession1 = action(File1, "OpenSession1", QStringLiteral("&Open Session..."));
    SaveSession1 = action(File1, "SaveSession1", QStringLiteral("&Save Session..."));
    File1->addSeparator();
    CaptureToFile1 = action(File1, "CaptureToFile1", QStringLiteral("&Capture to File..."));
    StopCapture1 = action(File1, "StopCapture1", QStringLiteral("S&top Capture"));
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", QStringLiteral("E&xit"));

    Edit1 = bar->addMenu(QStringLiteral("&Edit"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Copy1 = action(Edit1, "Copy1", QStringLiteral("&Copy"));
    Copy1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    Paste1 = action(Edit1, "Paste1", QStringLiteral("&Paste"));
    Paste1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    Find1 = action(Edit1, "Find1", QStringLiteral("&Find..."));
    Find1->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+F")));
    connect(Find1, &QAction::triggered, this, &TForm1::Find1Click);
    Edit1->addSeparator();
    Transfer1 = Edit1->addMenu(QStringLiteral("&Transfer"));
    Transfer1->setObjectName(QStringLiteral("Transfer1"));
    SendFiles1 = action(Transfer1, "SendFiles1", QStringLiteral("Send a File ..."));
    ReceiveFiles1 = action(Transfer1, "ReceiveFiles1", QStringLiteral("Receive a File ..."));

    Options1 = bar->addMenu(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));
    Connect1 = action(Options1, "Connect1", QStringLiteral("&Connect"));
    Disconnect1 = action(Options1, "Disconnect1", QStringLiteral("&Disconnect"));
    Options1->addSeparator();
    SetPortProperties1 =
        action(Options1, "SetPortProperties1", QStringLiteral("Set Port Properties..."));
    Properties1 = Options1->addMenu(QStringLiteral("&Properties"));
    Properties1->setObjectName(QStringLiteral("Properties1"));
    SetDialingProperties1 =
        action(Properties1, "SetDialingProperties1", QStringLiteral("Set Dialing Properties..."));
    Properties1->addSeparator();
    Set_Echo1 = action(Properties1, "Set_Echo1", QStringLiteral("Echo Typed Characters Locally"));
    IncomingCallPanel1 = action(Properties1, "IncomingCallPanel1",
                                QStringLiteral("Answer Incoming Call Immediately"));
    DisplaySMSImmediately1 =
        action(Properties1, "DisplaySMSImmediately1", QStringLiteral("Display SMS Immediately"));
    for (QAction *a : {Set_Echo1, IncomingCallPanel1, DisplaySMSImmediately1}) {
        a->setCheckable(true);
        a->setEnabled(false);
    }
    ReconnectAutomatically1 =
        action(Options1, "ReconnectAutomatically1", QStringLiteral("Reconnect Automatically"));
    ReconnectAutomatically1->setCheckable(true);
    ReconnectAutomatically1->setChecked(SaxComm1->reconnectAutomatically());
    connect(ReconnectAutomatically1, &QAction::toggled, SaxComm1,
            &SerialControl::setReconnectAutomatically);
    PollSignal1 = action(Options1, "PollSignal1", QStringLiteral("Poll Signal"));
    PollSignal1->setCheckable(true);
    ShowTimeStamps1 = action(Options1, "ShowTimeStamps1", QStringLiteral("Show Time Stamps"));
    ShowTimeStamps1->setCheckable(true);
    connect(ShowTimeStamps1, &QAction::toggled, SaxComm1, &SerialControl::setTimeStamps);
    ShowHex1 = action(Options1, "ShowHex1", QStringLiteral("Show Hex"));
    ShowHex1->setCheckable(true);
    connect(ShowHex1, &QAction::toggled, SaxComm1, &SerialControl::setHexShown);
    Options1->addSeparator();
    ViewSMSWindow1 = action(Options1, "ViewSMSWindow1", QStringLiteral("View SMS Window"));
    ViewSMSWindow1->setShortcut(QKeySequence(Qt::Key_F3));
    SBDMessaging1 = action(Options1, "SBDMessaging1", QStringLiteral("SBD Messaging..."));
    SBDMessaging1->setShortcut(QKeySequence(Qt::Key_F4));

    Help1 = bar->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Search1 = action(Help1, "Search1", QStringLiteral("Search..."));
    Search1->setShortcut(QKeySequence(Qt::Key_F1));
    Help1->addSeparator();
    QMenu *group = nullptr;
    QString groupName;
    for (const AtMenuItem &item : atMenuItems()) {
        if (groupName != QLatin1String(item.group)) {
            groupName = QLatin1String(item.group);
            group = Help1->addMenu(QString(groupName).replace('&', QStringLiteral("&&")));
            group->setObjectName(groupComponent(groupName));
        }
        QAction *a = action(group, item.objectName, QString::fromLatin1(item.caption));
        const QString page = QLatin1String(item.objectName);
        const bool silentGps = group->objectName() == QLatin1String("ATGPSCommands1") &&
                               page != QLatin1String("ATplusPA");
        if (!silentGps)
            connect(a, &QAction::triggered, this, [page] { ATTableForm->ShowPage(page); });
    }
    if (QMenu *gps = Help1->findChild<QMenu *>(QStringLiteral("ATGPSCommands1")))
        gps->menuAction()->setVisible(false);
    TermsandAbbreviations1 =
        action(Help1, "TermsandAbbreviations1", QStringLiteral("Terms and Abbreviations"));
    connect(TermsandAbbreviations1, &QAction::triggered, this,
            [] { ATTableForm->ShowPage(QStringLiteral("TermsandAbbreviations1")); });
    Help1->addSeparator();
    About2 = action(Help1, "About2", QStringLiteral("About..."));

    Info1 = bar->addMenu(QStringLiteral("&Info"));
    Info1->setObjectName(QStringLiteral("Info1"));
    Version1 = action(Info1, "Version1", QStringLiteral("Version"));

    connect(OpenSession1, &QAction::triggered, this, &TForm1::OpenSession1Click);
    connect(SaveSession1, &QAction::triggered, this, &TForm1::SaveSession1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
    connect(Copy1, &QAction::triggered, this, [this] { SaxComm1->DoCommand(SerialControl::Copy); });
    connect(Paste1, &QAction::triggered, this,
            [this] { SaxComm1->DoCommand(SerialControl::Paste); });
    connect(Connect1, &QAction::triggered, this, [this] { SaxComm1->setPortOpen(true); });
    connect(Disconnect1, &QAction::triggered, this, [this] { SaxComm1->setPortOpen(false); });
    connect(SetPortProperties1, &QAction::triggered, this, [] { placement::showModal(Port_Frm); });
    connect(SetDialingProperties1, &QAction::triggered, this,
            [] { placement::showModal(Dialing_Frm); });
    connect(Set_Echo1, &QAction::triggered, this, &TForm1::Set_Echo1Click);
    connect(IncomingCallPanel1, &QAction::triggered, this, &TForm1::IncomingCallPanel1Click);
    connect(DisplaySMSImmediately1, &QAction::triggered, this,
            &TForm1::DisplaySMSImmediately1Click);
    connect(SendFiles1, &QAction::triggered, this,
            [this] { SaxComm1->DoCommand(SerialControl::SendFile); });
    connect(ReceiveFiles1, &QAction::triggered, this,
            [this] { SaxComm1->DoCommand(SerialControl::ReceiveFile); });
    connect(ViewSMSWindow1, &QAction::triggered, this, &TForm1::ViewSMSWindow1Click);
    connect(SBDMessaging1, &QAction::triggered, this, &TForm1::SBDMessaging1Click);
    connect(Search1, &QAction::triggered, this, &TForm1::Search1Click);
    connect(About2, &QAction::triggered, this, &TForm1::About2Click);
    connect(Version1, &QAction::triggered, this, &TForm1::ShowVersionInfo);
}

QAction *TForm1::menuItem(const QString &objectName) const
{
    return menuBar()->findChild<QAction *>(objectName);
}

void TForm1::EnableAtCommandItems()
{
    for (const AtMenuItem &item : atMenuItems()) {
        if (QAction *a = menuItem(QLatin1String(item.objectName)))
            a->setEnabled(true);
    }
    TermsandAbbreviations1->setEnabled(true);
}

void TForm1::setEchoShown(bool on)
{
    EchoB->setChecked(on);
    Set_Echo1->setChecked(on);
    showSwitch(Echo_Panel, QStringLiteral("Echo typed characters locally"), on);
}

void TForm1::setAnswerShown(bool on)
{
    AnswerCalls = on;
    AnsB->setChecked(on);
    IncomingCallPanel1->setChecked(on);
    showSwitch(Ans_Panel, QStringLiteral("Answer incoming calls immediately"), on);
}

void TForm1::setSmsShown(bool on)
{
    SMSB->setChecked(on);
    DisplaySMSImmediately1->setChecked(on);
    showSwitch(SMS_Panel, QStringLiteral("Display SMS immediately"), on);
}

// A by-id path is far wider than the panel: the device's own name, middle elided, says
// more than its folder.
void TForm1::showPortName()
{
    const QString port = toQString(ComValue);
    COM_Panel->setCaption(port);
    COM_Panel->setToolTip(port);
    if (const int over = COM_Panel->sizeHint().width() - COM_Panel->width(); over > 0) {
        const QFontMetrics fm = COM_Panel->fontMetrics();
        COM_Panel->setCaption(fm.elidedText(QFileInfo(port).fileName(), Qt::ElideMiddle,
                                            fm.horizontalAdvance(port) - over));
    }
}

void TForm1::ApplySession()
{
    const SessionRecord &s = *Program->session;
    SettingsValue = BaudText = ParityText = DataBitsText = StopBitsText = std::string();
    ComValue = SimValue = CallValue = TypeValue = CountryCodeText = LocalNumberText = std::string();
    EchoValue = RingValue = FlowValue = IgVerValue = TermVerValue = SmsValue = std::string();

    ComValue = s.value(SessionTag::Com);
    showPortName();
    SaxComm1->setCommPort(ComValue);
    SettingsValue = s.value(SessionTag::Settings);
    const auto fields = sessionvalues::splitSettings(SettingsValue);
    BaudText = fields[0];
    ParityText = fields[1];
    DataBitsText = fields[2];
    StopBitsText = fields[3];
    SaxComm1->setSettings(SettingsValue);
    FlowValue = s.value(SessionTag::Flow);
    if (const int h = handshakingForFlow(FlowValue); h >= 0)
        SaxComm1->setHandshaking(h);
    SimValue = s.value(SessionTag::Sim);
    SIM_Panel->setCaption(toQString(SimValue));
    TypeValue = s.value(SessionTag::Type);
    if (TypeValue == "Land") {
        CallValue = s.value(SessionTag::Call);
        const auto number = sessionvalues::splitLandNumber(CallValue);
        CountryCodeText = number.countryCode;
        LocalNumberText = number.localNumber;
        SaxComm1->setPhoneNumber(CallValue);
    }
    if (TypeValue == "Sate")
        SatelliteNumber = s.value(SessionTag::Call);
    if (SimValue == "GOV")
        GovNumber = s.value(SessionTag::Call);
    EchoValue = s.value(SessionTag::Echo);
    if (EchoValue == "ON" || EchoValue == "OFF")
        setEchoShown(EchoValue == "ON");
    RingValue = s.value(SessionTag::Ring);
    if (RingValue == "ON" || RingValue == "OFF")
        setAnswerShown(RingValue == "ON");
    SmsValue = s.value(SessionTag::Sms);
    if (SmsValue == "ON" || SmsValue == "OFF")
        setSmsShown(SmsValue == "ON");
    EnableAtCommandItems();
}

void TForm1::ApplyDefaultSession()
{
    SettingsValue = "19200,n,8,1";
    BaudText = "19200";
    ParityText = "n";
    DataBitsText = "8";
    StopBitsText = "1";
    ComValue = "COM1";
    SimValue = "CIV";
    CallValue = "+1(000)000-0000";
    TypeValue = "Land";
    CountryCodeText = "1";
    LocalNumberText = "(000)000-0000";
    EchoValue = "ON";
    RingValue = "ON";
    FlowValue = "NONE";
    IgVerValue = "E3P2";
    TermVerValue = "TSS";
    SmsValue = "ON";
    showPortName();
    SaxComm1->setCommPort(ComValue);
    SaxComm1->setSettings(SettingsValue);
    SaxComm1->setHandshaking(handshakingForFlow(FlowValue));
    SIM_Panel->setCaption(toQString(SimValue));
    SaxComm1->setPhoneNumber(CallValue);
    setEchoShown(true);
    setAnswerShown(true);
    setSmsShown(true);
    EnableAtCommandItems();
}

void TForm1::setTerminalLayoutVisible(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{
             MenuBar3,       SaxComm1,    Edit,          Transfer,  Close,     Status,
             SIM_Panel,      COM_Panel,   Echo_Panel,    Ans_Panel, SMS_Panel, Bar2,
             Bar3,           Bar4,        Bar5,          Bar6,      Bar7,      Bar8,
             Property_Panel, RegularBase, CoverSaxComm2, BasePanel})
        w->setVisible(on);
}

void TForm1::LayoutMainWindow()
{
    setWindowFlag(Qt::FramelessWindowHint, true);
    setFixedSize(700, 480);
    setWindowTitle(QStringLiteral("Tandrel Software"));
    centralWidget()->setStyleSheet(QStringLiteral("#Client { background: %1; }").arg(kNavy));
    IntroScreen->setGeometry(0, 0, 700, 480);
    IntroImage->setGeometry(0, 0, 700, 480);
    Pause->setGeometry(620, 444, 64, 22);
    Pause->raise();
    for (Panel *p :
         {CoverSaxComm, CoverSaxComm0, DisableEditPanel, DisablePastePanel, DisableFileTransfer})
        p->setGeometry(0, 0, 0, 0);
    MenuBar3->setGeometry(0, 0, 699, 22);
    ModeTitle->setGeometry(13, 2, 120, 18);
    Edit->setGeometry(560, 2, 40, 18);
    Transfer->setGeometry(610, 2, 70, 18);
    CoverSaxComm2->setGeometry(11, 22, 677, 346);
    // The frame is made after the terminal; it must lie under it, not over it.
    CoverSaxComm2->stackUnder(SaxComm1);
    RegularBase->setGeometry(0, 368, 699, 30);
    Property_Panel->setGeometry(0, 398, 699, 28);
    BasePanel->setGeometry(0, 426, 699, 28);
    setTerminalLayoutVisible(false);
    IntroScreen->show();
    Pause->show();

    SaxComm1->setEnabled(true);
    SaxComm1->hide();
    SaxComm1->setGeometry(13, 24, 673, 342);
    IntroScreenTimer->setInterval(3000);
    IntroScreenTimer->start();
    TerminalCheck->hide();
    if (IgVerValue == "L3P0") {
        for (const char *name : {"ATplusPM", "ATplusPLOC", "ATplusPVEL"})
            if (QAction *a = menuItem(QLatin1String(name)))
                a->setVisible(false);
    }
    for (const char *name : {"ATplusPP", "ATplusPNAV"})
        if (QAction *a = menuItem(QLatin1String(name)))
            a->setVisible(false);
    for (QMenu *m : {File1, Edit1, Options1, Help1, Info1})
        m->menuAction()->setVisible(false);
}

void TForm1::PauseClick()
{
    if (Pause->caption() != QLatin1String("close")) {
        Pause->setCaption(QStringLiteral("close"));
        IntroScreenTimer->stop();
        return;
    }
    EndIntroScreen();
}

void TForm1::EndIntroScreen()
{
    const bool wasVisible = isVisible();
    const int menuHeight = menuBar()->sizeHint().height();
    setWindowFlag(Qt::FramelessWindowHint, false);
    SaxComm1->setInputEcho(true);
    SaxComm1->setEcho(false);
    for (QWidget *w :
         std::initializer_list<QWidget *>{IntroScreen, Pause, DisableEditPanel, DisablePastePanel,
                                          DisableFileTransfer, CoverSaxComm, CoverSaxComm0})
        w->hide();
    Edit1->setEnabled(true);
    Copy1->setEnabled(true);
    Paste1->setEnabled(true);
    Transfer1->setEnabled(true);
    Set_Echo1->setEnabled(true);
    IncomingCallPanel1->setEnabled(true);
    DisplaySMSImmediately1->setEnabled(true);
    setTerminalLayoutVisible(true);
    EchoB->setEnabled(true);
    AnsB->setEnabled(true);
    SMSB->setEnabled(true);
    ApplyEchoSetting();
    ModeTitle->setText(QStringLiteral("Tandrel"));
    centralWidget()->setStyleSheet(QString());
    for (QMenu *m : {File1, Edit1, Info1, Help1, Options1})
        m->menuAction()->setVisible(true);
    // It opens at 705 by 497 and may grow, never shrink below that: the rows end at 454, and
    // a title bar taller than usual makes the window taller, not the rows clipped. The
    // menu bar is measured as the window is framed at that size; with its menus still hidden
    // during the intro it measures nothing, so the taller of the two counts. The rows can
    // give up 2 pixels of margin, which a menu bar a pixel taller than it shows may take.
    setMinimumSize(699, 452 + std::max(menuHeight, menuBar()->sizeHint().height()));
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QSize remembered =
        QSettings(settingsFile(), QSettings::IniFormat).value("MainWindow/size").toSize();
    placement::resizeOuter(this, remembered.isValid() ? remembered.expandedTo(QSize(705, 497))
                                                      : QSize(705, 497));
    m_terminalLayout = true;
    // The rows follow their room, whether the window changed it or a menu bar that settled
    // taller.
    centralWidget()->installEventFilter(this);
    layoutTerminalRows();
    IntroScreenTimer->stop();
    // Changing window flags hides a window; show it again in its new frame.
    if (wasVisible)
        show();
    SaxComm1->setFocus();
    SaxComm1->setPortOpen(true);
    SaxComm1->setAutoReceive(false);
}

void TForm1::RefreshConnectionStatus()
{
    const bool open = SaxComm1->PortOpen();
    Status->setCaption(open ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
    for (QAction *a : {OpenSession1, Connect1, SetPortProperties1, SetDialingProperties1})
        a->setEnabled(!open);
    PPropertyB->setEnabled(!open);
    DPropertyB->setEnabled(!open);
    for (QAction *a : {Disconnect1, Paste1, SendFiles1, ReceiveFiles1})
        a->setEnabled(open);
}

void TForm1::ApplyEchoSetting()
{
    SaxComm1->setInputEcho(true);
    if (EchoValue == "ON")
        SaxComm1->setEcho(true);
    else if (EchoValue == "OFF")
        SaxComm1->setEcho(false);
}

void TForm1::ShowVersionInfo()
{
    InfoBox->AboutT1->setText(QStringLiteral("Tandrel Software Version 3.3.0"));
    InfoBox->setCaption(QStringLiteral("INFO"));
    for (const char *name : {"Complete1", "Complete2", "Trying4"})
        if (auto *p = centralWidget()->findChild<Panel *>(QLatin1String(name)))
            p->hide();
    InfoBox->ShowBox();
}

void TForm1::About2Click()
{
    InfoBox->setCaption(QStringLiteral("AT COMMAND TABLE"));
    InfoBox->ShowBox();
}

void TForm1::OpenSession1Click()
{
    Dialing_Frm->ResetNumberFields();
    ATTableForm->ResetNumberFields();
    OpenDialog1->open();
}

void TForm1::sessionChosenForOpen(const QString &fileName)
{
    if (Program->session->LoadSession(tandrel::toFileName(QDir::toNativeSeparators(fileName))) !=
        -1) {
        ApplySession();
        rememberSession();
    }
}

void TForm1::SaveSession1Click()
{
    QDir().mkpath(SaveDialog1->directory().absolutePath());
    SaveDialog1->open();
}

void TForm1::sessionChosenForSave(const QString &fileName)
{
    fillSessionRecord();
    std::string error;
    if (!Program->session->SaveSession(tandrel::toFileName(QDir::toNativeSeparators(fileName)),
                                       &error))
        showWarning(QStringLiteral("The session was not saved.\n%1\nChoose another folder or "
                                   "free some space, then save again.")
                        .arg(toQString(error)));
    rememberSession();
}

void TForm1::rememberSession()
{
    fillSessionRecord();
    QSettings settings(settingsFile(), QSettings::IniFormat);
    for (int i = 0; i < SessionRecord::TagCount; ++i) {
        const auto tag = static_cast<SessionTag>(i);
        settings.setValue(QStringLiteral("LastSession/") +
                              QString::fromStdString(SessionRecord::tagName(tag)),
                          toQString(Program->session->value(tag)));
    }
}

void TForm1::fillSessionRecord()
{
    SessionRecord &s = *Program->session;
    s.setValue(SessionTag::Com, SaxComm1->CommPort());
    s.setValue(SessionTag::Sim, SimValue);
    s.setValue(SessionTag::Type, TypeValue);
    if (SimValue == "GOV")
        s.setValue(SessionTag::Call, GovNumber);
    else if (TypeValue == "Land")
        s.setValue(SessionTag::Call, SaxComm1->PhoneNumber());
    else if (TypeValue == "Sate")
        s.setValue(SessionTag::Call, SatelliteNumber);
    s.setValue(SessionTag::Echo, EchoValue);
    s.setValue(SessionTag::Ring, RingValue);
    s.setValue(SessionTag::Flow, FlowValue);
    s.setValue(SessionTag::Sms, SmsValue);
    s.setValue(SessionTag::Settings, SaxComm1->Settings());
}

void TForm1::showWarning(const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Warning"), text,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("WarningBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TForm1::Exit1Click()
{
    saveUserSettings();
    SaxComm1->setPortOpen(false);
    SMS_Frm->ReleaseSmsState();
    exitProgram(0);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    saveUserSettings();
    SaxComm1->setPortOpen(false);
    SMS_Frm->ReleaseSmsState();
    event->accept();
    QApplication::closeAllWindows();
}

void TForm1::Set_Echo1Click()
{
    if (EchoValue == "ON") {
        EchoValue = "OFF";
        setEchoShown(false);
    } else if (EchoValue == "OFF") {
        EchoValue = "ON";
        setEchoShown(true);
    }
    ApplyEchoSetting();
}

void TForm1::IncomingCallPanel1Click()
{
    setAnswerShown(!AnswerCalls);
    RingValue = AnswerCalls ? "ON" : "OFF";
}

void TForm1::DisplaySMSImmediately1Click()
{
    if (SMS_Frm->IndicationRequest == 0) {
        if (SmsValue == "ON") {
            SmsValue = "OFF";
            setSmsShown(false);
        } else if (SmsValue == "OFF") {
            SmsValue = "ON";
            setSmsShown(true);
        }
    } else {
        // The buttons follow the value, not the click.
        setSmsShown(SmsValue == "ON");
    }
    // Nothing can answer a request now; it goes out when the port opens.
    if (!SaxComm1->PortOpen())
        return;
    if (FlowValue == "HW" && !SaxComm1->CtsState())
        return;
    // A carrier line that always reads on (many built-in ports) is no call.
    if (callUp())
        return;
    RequestSMSTimer->setInterval(500);
    SMS_Frm->BeginIndicationRequest();
}

void TForm1::ViewSMSWindow1Click()
{
    SMS_Frm->show();
    SMS_Frm->raise();
    const int item = SMS_Frm->SMS_ViewComboBox->currentIndex();
    if (item < 0 || item == 5) {
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(5);
        SMS_Frm->SMS_ViewBClick();
    }
}

void TForm1::SBDMessaging1Click()
{
    SBD_Frm->show();
    SBD_Frm->raise();
    SBD_Frm->activateWindow();
}

void TForm1::Search1Click()
{
    SearchForm->show();
    if (SearchForm->isVisible()) {
        SearchForm->Search_ComboBox->setFocus();
        // The last name stays for another look; typing replaces it.
        SearchForm->Search_ComboBox->lineEdit()->selectAll();
    }
}

void TForm1::Find1Click()
{
    // The terminal is not there to search before the intro ends.
    if (!m_terminalLayout)
        return;
    Find_Bar->open();
}

void TForm1::SaxComm1Receive()
{
    // The answers are read by the exchange; here only that something arrived counts.
    SaxComm1->ReceivedText();
    Find_Bar->textArrived();
    m_sinceReceive.start();
}

bool TForm1::callUp() const
{
    return SaxComm1->exchange()->callUp();
}

void TForm1::SaxComm1KeyDown(int key, Qt::KeyboardModifiers)
{
    // A modifier alone is the start of a shortcut or of Alt into the menus, not typing.
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
        return;
    default:
        break;
    }
    m_sinceKey.start();
    if (!SaxComm1->PortOpen())
        SaxComm1->setPortOpen(true);
}

void TForm1::SaxComm1CTSChanged()
{
    SMS_Frm->IndicationRetryCount = 0;
    SMS_Frm->SMS_Status->clear();
    if (!SaxComm1->CtsState()) {
        RequestSMSTimer->setInterval(8500);
        SMS_Frm->EndIndicationRequest();
        return;
    }
    SMS_Frm->EnableSmsButtons();
    if (SmsValue == "ON")
        SMS_Frm->BeginIndicationRequest();
}

// Devices that cannot report modem lines never change CTS, so the indication setting goes
// out whenever the port opens, as it does when CTS comes up.
void TForm1::SaxComm1PortOpened()
{
    SMS_Frm->EnableSmsButtons();
    if (SmsValue != "ON" || (FlowValue == "HW" && !SaxComm1->CtsState()))
        return;
    // At the pace of a CTS change: a handset that has just opened may still be starting up.
    RequestSMSTimer->setInterval(8500);
    SMS_Frm->BeginIndicationRequest();
}

void TForm1::SaxComm1CarrierChanged()
{
    if (!SaxComm1->CarrierDetect() && RingBox->isVisible())
        RingBox->close();
}

void TForm1::SaxComm1Ring()
{
    if (!AnswerCalls)
        return;
    if (FlowValue == "HW" && !SaxComm1->CtsState())
        return;
    if (callUp())
        return;
    if (ATTableForm->AutoAnswerEnabled || RingBox->isVisible())
        return;
    modem::Command answer;
    answer.line = "ATA";
    answer.timeoutMs = AnswerTimeoutMs;
    SaxComm1->exchange()->submit(std::move(answer));
    RingBox->setWindowTitle(QStringLiteral("RING"));
    for (QWidget *w : std::initializer_list<QWidget *>{RingBox->RingText1, RingBox->RingText2,
                                                       RingBox->RingYes, RingBox->RingNo})
        w->show();
    RingBox->RingDisconnect->hide();
    ChatModeAlert_Frm->PlayAlert();
    placement::showModal(RingBox);
}

void TForm1::RequestSMSTimerTimer()
{
    RequestSMSTimer->stop();
    auto showBox = [] {
        if (!MsgBox->isVisible())
            MsgBox->ShowBox();
    };
    if (!SaxComm1->PortOpen()) {
        // No answer can come; the request goes out again when the port opens.
        SMS_Frm->EndIndicationRequest();
        return;
    }
    if (FlowValue == "HW" && !SaxComm1->CtsState()) {
        showBox();
        return;
    }
    // The exchange sends it when what is before it has its answer.
    const int request = SMS_Frm->IndicationRequest;
    const bool on = request == 1 || (request == 0 && SmsValue == "ON");
    SMS_Frm->IndicationRequest = 0;
    SMS_Frm->SendIndicationRequest(on);
    showBox();
}

void TForm1::DisconnectTimerTimer()
{
    modem::Command hangUp;
    hangUp.line = "ATH0";
    SaxComm1->exchange()->submit(std::move(hangUp));
    if (RingBox->isVisible())
        RingBox->close();
    DisconnectTimer->stop();
    SaxComm1->setFocus();
}

void TForm1::buildStatusGlance()
{
    Signal_Panel = new SignalPanel(BasePanel);
    Signal_Panel->setGeometry(521, 2, 81, 24);
    QStringList words;
    for (int stat = -1; stat <= 5; ++stat)
        words << toQString(HandsetStatus::registrationWord(stat));
    Signal_Panel->setWords(words);
    CallTime_Panel = new QLabel(MenuBar3);
    CallTime_Panel->setObjectName(QStringLiteral("CallTime_Panel"));
    CallTime_Panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CallTime_Panel->setGeometry(380, 2, 170, 18);
    CallTime_Panel->hide();

    PollSignalTimer = new QTimer(this);
    PollSignalTimer->setObjectName(QStringLiteral("PollSignalTimer"));
    PollSignalTimer->setInterval(30000);
    connect(PollSignalTimer, &QTimer::timeout, this, &TForm1::PollSignalTimerTimer);
    connect(PollSignal1, &QAction::toggled, this, [this](bool on) {
        if (on)
            PollSignalTimer->start();
        else
            PollSignalTimer->stop();
    });
    CallClockTimer = new QTimer(this);
    CallClockTimer->setObjectName(QStringLiteral("CallClockTimer"));
    // Often enough that no second is skipped on a busy machine.
    CallClockTimer->setInterval(250);
    connect(CallClockTimer, &QTimer::timeout, this, &TForm1::showHandsetStatus);
    showHandsetStatus();
}

namespace {

QString duration(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void TForm1::showHandsetStatus()
{
    Signal_Panel->setReading(
        Handset.bars(), toQString(HandsetStatus::registrationWord(Handset.registration())),
        toQString(HandsetStatus::describe(Handset.bars(), Handset.registration())));
    if (callUp() && !m_callClock.isValid()) {
        m_callClock.start();
        CallClockTimer->start();
    } else if (!callUp() && m_callClock.isValid()) {
        m_lastCallMs = m_callClock.elapsed();
        m_callClock.invalidate();
        CallClockTimer->stop();
    }
    if (m_callClock.isValid())
        CallTime_Panel->setText(QStringLiteral("Call ") + duration(m_callClock.elapsed()));
    else if (m_lastCallMs >= 0)
        CallTime_Panel->setText(QStringLiteral("Last call ") + duration(m_lastCallMs));
    CallTime_Panel->setVisible(m_lastCallMs >= 0 || m_callClock.isValid());
}

bool TForm1::ReadyToPoll() const
{
    auto quietFor = [](const QElapsedTimer &t, qint64 ms) {
        return !t.isValid() || t.elapsed() >= ms;
    };
    // The exchange is busy while a command, typed or not, waits for its result.
    return SaxComm1->PortOpen() && SaxComm1->exchange()->idle() &&
           SaxComm1->OutBufferCount() == 0 && (FlowValue != "HW" || SaxComm1->CtsState()) &&
           !callUp() && !SaxComm1->fileTransfer()->running() && quietFor(m_sinceKey, PollQuietMs) &&
           quietFor(m_sinceReceive, PollQuietMs) && !RequestSMSTimer->isActive();
}

void TForm1::PollSignalTimerTimer()
{
    if (ReadyToPoll())
        pollNext("AT+CSQ");
}

// The two questions go one after the other; the second only while it is still quiet.
void TForm1::pollNext(const char *command)
{
    // The answers are read as they pass, like any other; they are not shown.
    modem::Command poll;
    poll.line = command;
    poll.shown = false;
    poll.timeoutMs = PollTimeoutMs;
    poll.done = [this, command](const modem::Reply &reply) {
        if (reply.ok() && qstrcmp(command, "AT+CSQ") == 0 && ReadyToPoll())
            pollNext("AT+CREG?");
    };
    SaxComm1->exchange()->submit(std::move(poll));
}

void TForm1::buildCapture()
{
    CaptureDialog =
        new QFileDialog(this, QStringLiteral("Capture to File"),
                        toQString(Program->dataDirectory) + QStringLiteral("capture.log"),
                        QStringLiteral("Capture files (*.log *.txt);;All files (*)"));
    CaptureDialog->setObjectName(QStringLiteral("CaptureDialog"));
    CaptureDialog->setAcceptMode(QFileDialog::AcceptSave);
    // Appending to an existing capture is the point, not something to warn about.
    CaptureDialog->setOption(QFileDialog::DontConfirmOverwrite);
    connect(CaptureDialog, &QFileDialog::fileSelected, this, &TForm1::captureChosen);
    connect(CaptureToFile1, &QAction::triggered, CaptureDialog, qOverload<>(&QFileDialog::open));
    connect(StopCapture1, &QAction::triggered, this, [this] {
        SaxComm1->capture()->stop();
        showCaptureState();
    });
    connect(SaxComm1->capture(), &CaptureFile::failed, this, [this](const QString &message) {
        showCaptureState();
        showWarning(message + QStringLiteral("\nWhat was received is still on the terminal. Free "
                                             "some space or choose another file, then choose "
                                             "File > Capture to File... again."));
    });

    Capture_Panel = new Panel(QStringLiteral("Capture_Panel"), Property_Panel);
    Capture_Panel->setGeometry(385, 2, 300, 24);
    Capture_Panel->setStyleSheet(QStringLiteral("color: #b71c1c;"));
    showCaptureState();
}

void TForm1::captureChosen(const QString &fileName)
{
    QString error;
    if (!SaxComm1->capture()->start(fileName, toQString(SaxComm1->CommPort()), &error))
        showWarning(error + QStringLiteral("\nChoose another file or folder."));
    showCaptureState();
}

void TForm1::showCaptureState()
{
    CaptureFile *capture = SaxComm1->capture();
    const bool on = capture->running();
    CaptureToFile1->setEnabled(!on);
    StopCapture1->setEnabled(on);
    Capture_Panel->setVisible(on);
    if (on) {
        const QString name = QFileInfo(capture->fileName()).fileName();
        Capture_Panel->setCaption(
            Capture_Panel->fontMetrics().elidedText(QStringLiteral("\u25CF Capturing to ") + name,
                                                    Qt::ElideMiddle, Capture_Panel->width()));
        Capture_Panel->setToolTip(QStringLiteral("Everything received and sent is appended to ") +
                                  QDir::toNativeSeparators(capture->fileName()));
    }
}

QString TForm1::settingsFile() const
{
    return toQString(Program->dataDirectory) + QStringLiteral("tandrel.ini");
}

void TForm1::loadUserSettings()
{
    const QSettings settings(settingsFile(), QSettings::IniFormat);
    ReconnectAutomatically1->setChecked(settings.value("Options/reconnect", true).toBool());
    PollSignal1->setChecked(settings.value("Options/pollSignal", false).toBool());
    ShowTimeStamps1->setChecked(settings.value("Options/timeStamps", false).toBool());
    ShowHex1->setChecked(settings.value("Options/hex", false).toBool());
}

void TForm1::saveUserSettings()
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue("Options/reconnect", ReconnectAutomatically1->isChecked());
    settings.setValue("Options/pollSignal", PollSignal1->isChecked());
    settings.setValue("Options/timeStamps", ShowTimeStamps1->isChecked());
    settings.setValue("Options/hex", ShowHex1->isChecked());
    if (m_terminalLayout)
        settings.setValue("MainWindow/size", placement::frameOf(this).size());
    // Echo, answer and the dialing choices count as much as the port.
    rememberSession();
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == centralWidget() && event->type() == QEvent::Resize && m_terminalLayout)
        layoutTerminalRows();
    return QMainWindow::eventFilter(watched, event);
}

// The terminal takes what the window gains; the rows below it keep their height and move
// down with the bottom edge, and what sits at the right edge stays there.
void TForm1::layoutTerminalRows()
{
    // At the first size the client area is 699 by 454 under a window manager's frame.
    const QSize area = centralWidget()->size();
    const int dx = std::max(0, area.width() - 699);
    const int dy = std::max(0, area.height() - 454);
    MenuBar3->setGeometry(0, 0, 699 + dx, 22);
    Edit->move(560 + dx, 2);
    Transfer->move(610 + dx, 2);
    CallTime_Panel->move(380 + dx, 2);
    CoverSaxComm2->setGeometry(11, 22, 677 + dx, 346 + dy);
    // An open find bar takes the bottom of the terminal's room.
    const int findHeight = Find_Bar->isHidden() ? 0 : Find_Bar->sizeHint().height();
    SaxComm1->setGeometry(13, 24, 673 + dx, 342 + dy - findHeight);
    Find_Bar->setGeometry(13, 24 + 342 + dy - findHeight, 673 + dx, findHeight);
    // A frame or menu bar a pixel or two taller than usual leaves the rows that much less at
    // the first size: the tool buttons' row gives up its bottom margin, not the status bar.
    const int tight = std::clamp(454 - area.height(), 0, 2);
    RegularBase->setGeometry(0, 368 + dy, 699 + dx, 30 - tight);
    Property_Panel->setGeometry(0, 398 + dy - tight, 699 + dx, 28);
    BasePanel->setGeometry(0, 426 + dy - tight, 699 + dx, 28);
    Capture_Panel->resize(300 + dx, 24);
    // The signal panel takes what the window gains, and its word grows back to full size.
    Signal_Panel->resize(81 + dx, 24);
    Close->move(606 + dx, 2);
    showCaptureState();
}
