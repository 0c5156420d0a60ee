#include "TSMS_Frm.h"

#include "DeliveryReports.h"
#include "Notice.h"
#include "Program.h"
#include "QtText.h"
#include "ReportListener.h"
#include "SerialControl.h"
#include "SmsComposePanel.h"
#include "SmsLog.h"
#include "SmsPduCodec.h"
#include "SmsRules.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <set>

using tandrel::fromQString;
using tandrel::toQString;

TSMS_Frm *SMS_Frm = nullptr;

namespace {

constexpr int MaxLength = 160;
constexpr int LogFileItem = 5;

const QString Warning = QStringLiteral("Warning");
const QString Error = QStringLiteral("Error");

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

TSMS_Frm::TSMS_Frm(QWidget *parent)
    : QWidget(parent, Qt::Window), m_incomingParts(std::make_unique<smsrules::PartCollector>()),
      m_reports(std::make_unique<DeliveryReports>())
{
    setObjectName(QStringLiteral("SMS_Frm"));
    setWindowTitle(QStringLiteral("SMS"));

    // Upper half: what is stored in the modem, and the log.
    SMS_ViewComboBox = named(new QComboBox(this), "SMS_ViewComboBox");
    SMS_ViewComboBox->addItems(
        {QStringLiteral("Received Unread Messages"), QStringLiteral("Received Read Messages"),
         QStringLiteral("Stored Unsent Messages"), QStringLiteral("Stored Sent Messages"),
         QStringLiteral("All Stored Messages"), QStringLiteral("Log File")});
    SMS_ViewComboBox->setCurrentIndex(-1);
    SMS_ViewB = named(new QPushButton(QStringLiteral("View"), this), "SMS_ViewB");
    SMS_DeleteB = named(new QPushButton(QStringLiteral("Delete"), this), "SMS_DeleteB");
    SMS_DeleteB->setEnabled(false);
    SMS_IndexListBox = named(new QListWidget(this), "SMS_IndexListBox");
    SMS_IndexListBox->setSortingEnabled(true); // as text: "10" before "9"
    SMS_IndexListBox->setMaximumWidth(110);    // room for "12 (3 parts)"
    SMS_MessageRichEdit = named(new QTextEdit(this), "SMS_MessageRichEdit");
    SMS_MessageRichEdit->setReadOnly(true);
    SMS_Status = named(new QLabel(this), "SMS_Status");
    SMS_ReportCheck =
        named(new QCheckBox(QStringLiteral("Request delivery report"), this), "SMS_ReportCheck");
    SMS_ReportCheck->setToolTip(
        QStringLiteral("Ask the network to report whether each message sent reaches the phone."));
    SMS_ReportList = named(new QListWidget(this), "SMS_ReportList");
    SMS_ReportList->setToolTip(QStringLiteral("The last messages sent with a delivery report."));
    SMS_ReportList->setFocusPolicy(Qt::NoFocus);
    SMS_ReportList->setVisible(false);

    // Lower half: one message to compose.
    Composer = new SmsComposePanel(this);
    Composer->linkReady = [this] { return linkReady(); };
    SettingsPanel = Composer;
    CallType_ComboBox = Composer->CallType_ComboBox;
    EditDA = Composer->EditDA;
    EditEA = Composer->EditEA;
    RRelativeVP = Composer->RRelativeVP;
    RAbsoluteVP = Composer->RAbsoluteVP;
    RelativePanel = Composer->RelativePanel;
    AbsolutePanel = Composer->AbsolutePanel;
    SelectVP_SpinEdit = Composer->SelectVP_SpinEdit;
    RelativeVP_calc = Composer->RelativeVP_calc;
    Month_ComboBox = Composer->Month_ComboBox;
    Day_ComboBox = Composer->Day_ComboBox;
    Year_ComboBox = Composer->Year_ComboBox;
    Time_MaskEdit = Composer->Time_MaskEdit;
    TimeZone_ComboBox = Composer->TimeZone_ComboBox;
    EditMessage = Composer->EditMessage;
    CharCounter = Composer->CharCounter;
    SMSWarningCheckBox = Composer->SMSWarningCheckBox;
    SMS_SendB = Composer->SMS_SendB;

    auto *top = new QGridLayout;
    top->addWidget(SMS_ViewComboBox, 0, 0, 1, 2);
    top->addWidget(SMS_ViewB, 0, 2);
    top->addWidget(SMS_DeleteB, 0, 3);
    top->addWidget(SMS_IndexListBox, 1, 0);
    top->addWidget(SMS_MessageRichEdit, 1, 1, 1, 3);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addWidget(SMS_Status);
    all->addWidget(SMS_ReportList);
    all->addWidget(SettingsPanel);
    Composer->addOption(SMS_ReportCheck);

    if (Form1) {
        SMS_ReportCheck->setChecked(QSettings(Form1->settingsFile(), QSettings::IniFormat)
                                        .value("SMS/deliveryReport", false)
                                        .toBool());
        connect(SMS_ReportCheck, &QCheckBox::toggled, this, [](bool on) {
            QSettings(Form1->settingsFile(), QSettings::IniFormat)
                .setValue("SMS/deliveryReport", on);
        });
    }
    m_reports->log = [this](const std::string &entry) {
        appendToLog(entry);
        if (SMS_ViewComboBox->currentIndex() == LogFileItem)
            showLogAtEnd();
        return true;
    };
    m_reports->settled = [this](const DeliveryReports::Message &) { showReportStates(); };

    // The unsolicited lines of SMS, wherever they fall among the answers.
    modem::Exchange *exchange = Form1->SaxComm1->exchange();
    exchange->onUnsolicited("+CMT:", 1, [this](const std::vector<std::string> &lines) {
        HandleIncomingSms(lines[0] + "\r\n" + lines[1] + "\r\n");
    });
    exchange->onUnsolicited("+CMTI:", 0, [this](const std::vector<std::string> &lines) {
        newMessagesStored(lines[0]);
    });
    auto *listener = new ReportListener(exchange, AnswerTimeoutMs, this);
    listener->report = [this](const smsrules::DeliveryReport &r) { return showReport(r); };
    listener->ready = [this] { return linkReady(); };
    connect(exchange, &modem::Exchange::busyChanged, this, [this] { EnableSmsButtons(); });
    connect(MsgBox->CloseBoxB, &QPushButton::clicked, this, &TSMS_Frm::waitCancelled);
    connect(exchange, &modem::Exchange::typedAnswered, this, &TSMS_Frm::typedAnswered);

    connect(SMS_ViewB, &QPushButton::clicked, this, &TSMS_Frm::SMS_ViewBClick);
    connect(SMS_DeleteB, &QPushButton::clicked, this, &TSMS_Frm::SMS_DeleteBClick);
    connect(SMS_IndexListBox, &QListWidget::itemClicked, this, &TSMS_Frm::SMS_IndexListBoxClick);
    connect(SMS_SendB, &QPushButton::clicked, this, &TSMS_Frm::SMS_SendBClick);

    resize(560, 640);
    FormCreate();
}

TSMS_Frm::~TSMS_Frm() = default;

SmsLog &TSMS_Frm::log()
{
    if (!m_log) {
        const std::string preferred = Program ? Program->smsLogPath : std::string("SMSLog.txt");
        const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        m_log = std::make_unique<SmsLog>(preferred, tandrel::toFileName(fallback));
    }
    return *m_log;
}

void TSMS_Frm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormCreate();
}

void TSMS_Frm::FormCreate()
{
    if (m_formCreateRuns >= 2)
        return;
    ++m_formCreateRuns;
    if (Form1)
        placement::moveInside(this, placement::frameOf(Form1).topRight() + QPoint(4, 0));
    Composer->ResetComposer();
    if (isVisible())
        EditMessage->setFocus();
}

bool TSMS_Frm::linkReady() const
{
    SerialControl *port = Form1->SaxComm1;
    return port->PortOpen() && (Form1->FlowValue != "HW" || port->CtsState());
}

void TSMS_Frm::SMS_SendBClick()
{
    SmsComposePanel::Prepared prepared;
    // Only this window's own sends ask: the AT table's page keeps its PDU as it is.
    PduCodec->RequestStatusReport = SMS_ReportCheck->isChecked();
    const bool ready = Composer->Prepare(prepared);
    PduCodec->RequestStatusReport = false;
    if (!ready)
        return;
    if (SMS_ReportCheck->isChecked())
        routeReports();
    StartSend(prepared.parts, prepared.logEntry);
    m_reportAsked = SMS_ReportCheck->isChecked() && sending();
}

void TSMS_Frm::StartSend(const std::vector<SmsPduCodec::Part> &parts, const std::string &logEntry)
{
    if (parts.empty())
        return;
    if (!m_sender) {
        m_sender = new SmsSender(Form1->SaxComm1->exchange(), &log(), this);
        m_sender->setShown(true);
        connect(m_sender, &SmsSender::partStarting, this,
                [this](int part, int count, const std::string &pdu) {
                    PduText = pdu;
                    SMS_Status->setText(
                        count > 1
                            ? QStringLiteral(" Sending part %1 of %2...").arg(part + 1).arg(count)
                            : QStringLiteral(" Sending..."));
                });
        connect(m_sender, &SmsSender::finished, this, &TSMS_Frm::sendFinished);
        connect(m_sender, &SmsSender::confirmedLate, this, &TSMS_Frm::lateConfirmation);
    }
    m_reportAsked = false;
    m_keepNotice = false;
    m_awaiting = Awaiting::Send;
    if (!m_sender->send(parts, logEntry, AnswerTimeoutMs))
        m_awaiting = Awaiting::Nothing;
}

void TSMS_Frm::sendFinished(const SmsSender::Outcome &outcome)
{
    m_awaiting = Awaiting::Nothing;
    const QString failedPart = partNote(outcome);
    if (!outcome.reply.answered()) {
        commandEnded(Awaiting::Send, outcome.reply, failedPart);
        return;
    }
    if (outcome.sent) {
        if (m_reportAsked)
            registerForReports(outcome);
        SMS_Status->clear();
        m_logError = outcome.logError;
        HandleSmsResult(0, {});
        return;
    }
    const modem::Reply &reply = outcome.reply;
    SMS_Status->setText(
        QStringLiteral(" Not sent: the handset answered %1.").arg(toQString(reply.finalLine)));
    if (reply.result == modem::Result::CmsError) {
        HandleSmsResult(cmsCode(reply.finalLine), {}, failedPart);
        return;
    }
    notice::show(this, notice::Kind::Error, Error,
                 QStringLiteral("The message was not sent: the handset answered \"%1\".")
                         .arg(toQString(reply.finalLine)) +
                     failedPart);
}

// The send's time-out had passed, but the handset has sent the message after all.
void TSMS_Frm::lateConfirmation(const std::string &line, const std::string &logError)
{
    if (!logError.empty())
        warnNotLogged(logError);
    SMS_Status->setText(QStringLiteral(" The handset confirmed the message late (%1): it was "
                                       "sent, and is logged as sent.")
                            .arg(toQString(line)));
    if (SMS_ViewComboBox->currentIndex() == LogFileItem)
        showLogAtEnd();
    notice::show(this, notice::Kind::Information, QStringLiteral("SMS"),
                 QStringLiteral("The handset has confirmed the message that timed out (%1).\nIt "
                                "was sent after all, and is now logged as sent (confirmed late). "
                                "Do not send it again.")
                     .arg(toQString(line)));
}

int TSMS_Frm::cmsCode(const std::string &finalLine)
{
    switch (modem::errorNumber(finalLine)) {
    case 331:
        return -2;
    case 302:
        return -3;
    case 321:
        return -6;
    default:
        return -4;
    }
}

// A command of this window ended without its answer: the port closed, or the handset kept
// silent for its whole time-out.
void TSMS_Frm::commandEnded(Awaiting what, const modem::Reply &reply, const QString &failedPart)
{
    const bool sending = what == Awaiting::Send;
    PduText.clear();
    m_awaiting = Awaiting::Nothing;
    if (reply.end == modem::Reply::End::CutOff) {
        if (Form1->RequestSMSTimer->isActive() || what == Awaiting::Indication)
            EndIndicationRequest();
        closeWaitBox();
        if (sending)
            SMS_Status->setText(QStringLiteral(" Cut off: the port closed before the handset "
                                               "confirmed the message. It may not have been "
                                               "sent.") +
                                failedPart);
        else
            SMS_Status->setText(
                QStringLiteral(" Cut off: the port closed before the handset answered."));
        m_keepNotice = true;
        EnableSmsButtons();
        return;
    }
    QString text;
    switch (what) {
    case Awaiting::Nothing:
        return;
    case Awaiting::Send:
        text = reply.sent && !reply.prompted
                   ? QStringLiteral("The handset did not ask for the message (no \"> \" prompt "
                                    "came), so it was not sent.\nCheck the handset and its "
                                    "signal (AT+CSQ), then send it again.")
                   : QStringLiteral("The handset did not answer the send.\nThe message may or "
                                    "may not have gone out, so it was not logged as sent. Check "
                                    "the handset and its signal (AT+CSQ) before sending it "
                                    "again.");
        text += failedPart;
        break;
    case Awaiting::Listing:
    case Awaiting::NewMessages:
        text = QStringLiteral("The handset did not answer the listing of messages.\nCheck the "
                              "handset and click View again.");
        break;
    case Awaiting::Delete:
        text = QStringLiteral("The handset did not answer the delete.\nThe message may not have "
                              "been deleted; view the messages again to check.");
        break;
    case Awaiting::Indication:
        Form1->RequestSMSTimer->stop();
        text = QStringLiteral("The handset did not answer the SMS indication setting.\nCheck the "
                              "handset, then click the SMS button to try again.");
        break;
    }
    SMS_Status->clear();
    EnableSmsButtons();
    closeWaitBox();
    notice::show(this, notice::Kind::Warning, Warning, text);
}

// ---- Listing, reading, deleting: the commands ----

void TSMS_Frm::submit(const std::string &line, Awaiting what,
                      std::function<void(const modem::Reply &)> answered)
{
    if (what != Awaiting::Indication && what != Awaiting::NewMessages)
        m_keepNotice = false; // the operator's next command
    modem::Command command;
    command.line = line;
    command.timeoutMs = AnswerTimeoutMs;
    command.done = [this, self = QPointer<TSMS_Frm>(this), what,
                    answered = std::move(answered)](const modem::Reply &reply) {
        if (!self)
            return;
        if (!reply.answered()) {
            commandEnded(what, reply);
            return;
        }
        m_awaiting = Awaiting::Nothing;
        answered(reply);
        m_waitCancelled = false;
    };
    m_awaiting = what;
    m_commandId = Form1->SaxComm1->exchange()->submit(std::move(command));
}

// The operator ended a wait: a request not yet sent is not sent, and an answer still to come
// changes the settings but opens no box.
void TSMS_Frm::waitCancelled()
{
    if (!Form1->RequestSMSTimer->isActive() && m_awaiting != Awaiting::Indication &&
        m_awaiting != Awaiting::NewMessages)
        return;
    Form1->RequestSMSTimer->stop();
    if (Form1->SaxComm1->exchange()->cancel(m_commandId))
        m_awaiting = Awaiting::Nothing;
    m_waitCancelled = m_awaiting != Awaiting::Nothing;
    IndicationRetryCount = 0;
    EnableSmsButtons();
}

void TSMS_Frm::SMS_ViewBClick()
{
    SMS_DeleteB->setEnabled(false);
    clearView();
    const int item = SMS_ViewComboBox->currentIndex();
    if (item >= 0 && item < LogFileItem) {
        if (!linkReady())
            return;
        submit("AT+CMGL=" + std::to_string(item), Awaiting::Listing,
               [this, item](const modem::Reply &reply) { listingAnswered(item, reply); });
    } else if (item == LogFileItem) {
        showLog();
    }
}

void TSMS_Frm::readNewMessages()
{
    if (!linkReady())
        return;
    submit("AT+CMGL=0", Awaiting::NewMessages,
           [this](const modem::Reply &reply) { listingAnswered(0, reply, true); });
}

void TSMS_Frm::listingAnswered(int item, const modem::Reply &reply, bool afterIndication)
{
    if (!reply.ok()) {
        if (reply.result == modem::Result::CmsError && modem::errorNumber(reply.finalLine) == 322 &&
            afterIndication) {
            HandleSmsResult(-1, {}, {}, true);
            return;
        }
        closeWaitBox();
        if (reply.result == modem::Result::CmsError) {
            HandleSmsResult(cmsCode(reply.finalLine), {});
            return;
        }
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("The handset answered \"%1\" to the listing of messages.")
                         .arg(toQString(reply.finalLine)));
        return;
    }
    const std::string text = "AT+CMGL=" + std::to_string(item) + "\r\n" + reply.text();
    if (smsrules::IsTextModeListing(text)) {
        closeWaitBox();
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("The handset listed the messages as text (AT+CMGF=1), which "
                                    "this window does not read.\nSend AT+CMGF=0 to switch it to "
                                    "PDU mode, then click View again."));
        return;
    }
    const bool listed = text.find("+CMGL:") != std::string::npos;
    if (!listed) {
        if (item == 0)
            EndIndicationRequest();
        SMS_ViewComboBox->setCurrentIndex(item);
        HandleSmsResult(5, {});
        return;
    }
    if (item >= 2)
        SMS_ViewComboBox->setCurrentIndex(item);
    HandleSmsResult(item == 0 ? 2 : item == 1 ? 3 : 4, text);
}

void TSMS_Frm::SMS_DeleteBClick()
{
    if (SMS_ViewComboBox->currentIndex() == LogFileItem) {
        const QString name = QString::fromStdString(log().path()).section(QLatin1Char('/'), -1);
        if (!notice::ask(this, Warning,
                         QStringLiteral("Delete every entry of the SMS log?\n"
                                        "The present log is kept as %1.bak, in the same folder.")
                             .arg(name),
                         notice::Default::No))
            return;
        std::string error;
        if (!log().clear(&error))
            notice::show(this, notice::Kind::Warning, Warning, toQString(error));
        SMS_ViewBClick();
        return;
    }
    QListWidgetItem *current = SMS_IndexListBox->currentItem();
    if (!linkReady() || !current)
        return;
    // The parts of a joined message go together, in one line of commands (V.250 5.4).
    std::string command;
    for (const std::string &index : static_cast<SmsListEntry *>(current)->record.indexes)
        command += (command.empty() ? "AT+CMGD=" : ";+CMGD=") + index;
    const int row = SMS_IndexListBox->row(current);
    // The row is back in its place if the handset keeps the message.
    std::shared_ptr<QListWidgetItem> taken(SMS_IndexListBox->takeItem(row));
    submit(command, Awaiting::Delete, [this, row, taken](const modem::Reply &reply) {
        if (reply.ok())
            return;
        SMS_IndexListBox->insertItem(std::min(row, SMS_IndexListBox->count()),
                                     new SmsListEntry(*static_cast<SmsListEntry *>(taken.get())));
        if (reply.result == modem::Result::CmsError) {
            HandleSmsResult(cmsCode(reply.finalLine), {});
            return;
        }
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("The handset answered \"%1\" to the delete: the message is "
                                    "still stored.")
                         .arg(toQString(reply.finalLine)));
    });
    if (SMS_IndexListBox->count() > 0) {
        SMS_IndexListBox->setCurrentRow(row < SMS_IndexListBox->count() ? row : 0);
        SMS_IndexListBoxClick();
    } else {
        SMS_MessageRichEdit->clear();
    }
}

// ---- Indications ----

void TSMS_Frm::SendIndicationRequest(bool on)
{
    // Asking for reports keeps them routed (ds=1) through every change of the setting.
    const std::string reports = SMS_ReportCheck->isChecked() ? ",0,1" : "";
    submit((on ? "AT+CNMI=2,2" : "AT+CNMI=0,0") + reports, Awaiting::Indication,
           [this, on](const modem::Reply &reply) { indicationAnswered(on, reply); });
}

void TSMS_Frm::indicationAnswered(bool on, const modem::Reply &reply)
{
    if (reply.ok()) {
        Form1->RequestSMSTimer->stop();
        setSmsDisplay(on);
        if (!m_waitCancelled)
            HandleSmsResult(1, {});
        return;
    }
    if (m_waitCancelled)
        return;
    QTimer *timer = Form1->RequestSMSTimer;
    const int number = modem::errorNumber(reply.finalLine);
    if (reply.result == modem::Result::CmsError && number == 302) {
        EndIndicationRequest();
        HandleSmsResult(-3, {});
        return;
    }
    // A handset still starting up answers 322; anything else may pass too. Seven tries, then
    // the operator is told, and no box waits on.
    if (reply.result == modem::Result::CmsError && number == 322) {
        const int ms = timer->interval();
        if (ms == 8500 || ms == 1000)
            timer->setInterval(1000);
        else if (ms == 500 || ms == 5000 || ms == 1100)
            timer->setInterval(1100);
    }
    if (++IndicationRetryCount >= 7) {
        IndicationRetryCount = 0;
        timer->stop();
        MsgBox->ResetMsgBox();
        MsgBox->CloseIfShowing();
        if (reply.result == modem::Result::CmsError && number == 322) {
            HandleSmsResult(-5, {});
            return;
        }
        EnableSmsButtons();
        setSmsDisplay(false);
        notice::show(this, notice::Kind::Warning, QStringLiteral("Failed"),
                     QStringLiteral("The handset refused the SMS indication setting (it answered "
                                    "\"%1\"), so new messages are not displayed immediately.\n"
                                    "Check the handset, then click the SMS button to try again.")
                         .arg(toQString(reply.finalLine)));
        return;
    }
    MsgBox->ResetMsgBox();
    MsgBox->offerCancel();
    if (!MsgBox->isVisible())
        MsgBox->ShowBox();
    timer->start();
}

void TSMS_Frm::setSmsDisplay(bool on)
{
    Form1->SmsValue = on ? "ON" : "OFF";
    Form1->setSmsShown(on);
}

// What the operator typed keeps its effect on the window, as the program's own commands do.
void TSMS_Frm::typedAnswered(const std::string &line, const modem::Reply &reply)
{
    const std::string upper = modem::upperAscii(line);
    if (upper.rfind("AT+CNMI=", 0) == 0 && reply.ok()) {
        setSmsDisplay(upper.rfind("AT+CNMI=1,2", 0) == 0 || upper.rfind("AT+CNMI=2,2", 0) == 0);
        return;
    }
    if (upper.rfind("AT+CMGL=", 0) == 0 && upper.size() == 9 && upper[8] >= '0' &&
        upper[8] <= '4') {
        listingAnswered(upper[8] - '0', reply);
        return;
    }
    if (upper.rfind("AT+CMGR=", 0) == 0 && reply.ok()) {
        const smsrules::ListedPdu read = smsrules::ReadAnswer(reply.text(), line.substr(8));
        if (!read.pdu.empty())
            showRead(read);
        return;
    }
    if (reply.result == modem::Result::CmsError) {
        const int code = cmsCode(reply.finalLine);
        if (code != -3 || Form1->RequestSMSTimer->isActive())
            HandleSmsResult(code, {});
    }
}

// A message read with AT+CMGR: shown, and logged when the handset had not had it read before.
void TSMS_Frm::showRead(const smsrules::ListedPdu &read)
{
    const smsrules::DeliveryReport report = smsrules::ReadStatusReport(read.pdu);
    if (report.valid) {
        showReport(report);
        return;
    }
    const smsrules::DisplayedMessage m = smsrules::DisplayPdu(read.pdu);
    if (!m.valid)
        return;
    SMS_MessageRichEdit->clear();
    SMS_MessageRichEdit->setTextColor(Qt::blue);
    SMS_MessageRichEdit->insertPlainText(toQString(m.head) + QStringLiteral("\n"));
    SMS_MessageRichEdit->setTextColor(Qt::black);
    SMS_MessageRichEdit->insertPlainText(toQString(m.text));
}

// A status report tells about a message sent earlier: it is never shown as a message.
bool TSMS_Frm::showReport(const smsrules::DeliveryReport &report)
{
    if (!report.valid)
        return false;
    const bool ours = m_reports->feed(report);
    const QString line = toQString(smsrules::ReportLine(report));
    SMS_Status->setText(QLatin1Char(' ') + line);
    SMS_MessageRichEdit->setTextColor(Qt::darkGreen);
    SMS_MessageRichEdit->append(line);
    SMS_MessageRichEdit->setTextColor(Qt::black);
    return ours;
}

void TSMS_Frm::HandleSmsResult(int code, const std::string &listing, const QString &failedPart,
                               bool readingNew)
{
    if (code >= -6 && code <= 0)
        EnableSmsButtons();
    // "+CMS ERROR:322" while new messages are read: the storage is full.
    if ((code == -1 || code == -5) && readingNew) {
        MsgBox->ResetMsgBox();
        MsgBox->CloseIfShowing();
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("The SMS storage in the modem is full!\n") +
                         QStringLiteral("The SMS messages will not be stored, received, or\n") +
                         QStringLiteral("displayed immediately. Please delete at least one\n") +
                         QStringLiteral("message."));
        return;
    }
    switch (code) {
    case 0:
        if (const std::string error = std::exchange(m_logError, {}); !error.empty())
            warnNotLogged(error);
        showLogAtEnd();
        break;
    case -2:
        SMS_SendB->setFocus();
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Error occurred while processing the SMS command.\nPossible "
                                    "causes:\n- No network service\n- Incorrect type of number\n- "
                                    "Invalid destination number\n- Invalid validity period input") +
                         failedPart);
        break;
    case -3:
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Error occurred while processing the SMS command. Please try "
                                    "again.\nIf the problem remains, please turn off the modem and "
                                    "turn it back on after 20 seconds.") +
                         failedPart);
        break;
    case -4:
        EditMessage->setFocus();
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Error occurred while processing the SMS command. Please try "
                                    "again.") +
                         failedPart);
        break;
    case -5:
        storageFull();
        break;
    case -6:
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Invalid memory index!\nPlease try again."));
        break;
    case 1:
        if (Form1->SmsValue == "ON") {
            MsgBox->T1->setText(QStringLiteral("Please wait..."));
            MsgBox->T2->setText(QStringLiteral("Reading messages..."));
            MsgBox->offerCancel();
            readNewMessages();
        } else {
            // Nothing is read when indications were switched off: the wait is over.
            EnableSmsButtons();
            MsgBox->ResetMsgBox();
            MsgBox->CloseIfShowing();
        }
        break;
    case 2:
    case 3:
    case 4: {
        const bool unread = listing.find("AT+CMGL=0") != std::string::npos;
        clearView();
        if (MsgBox->isVisible() && MsgBox->T2->text() == QLatin1String("Reading messages...")) {
            MsgBox->ResetMsgBox();
            MsgBox->CloseIfShowing();
        }
        EnableSmsButtons();
        parseAnswer(listing, unread);
        break;
    }
    case 5:
        clearView();
        if (MsgBox->isVisible() && MsgBox->T2->text() == QLatin1String("Reading messages...")) {
            MsgBox->ResetMsgBox();
            MsgBox->CloseIfShowing();
        }
        EnableSmsButtons();
        break;
    default:
        break;
    }
}

// ---- Delivery reports ----

// Reports come whole as "+CDS:" (ds=1); a handset that can only store them says "+CDSI:".
// The indication setting is sent again with the send, as the handset may have been reset.
void TSMS_Frm::routeReports()
{
    modem::Command command;
    command.line = Form1->SmsValue == "ON" ? "AT+CNMI=2,2,0,1" : "AT+CNMI=0,0,0,1";
    command.timeoutMs = AnswerTimeoutMs;
    command.done = [self = QPointer<TSMS_Frm>(this)](const modem::Reply &reply) {
        if (self && reply.answered() && !reply.ok())
            self->SMS_Status->setText(
                QStringLiteral(" The handset refused to pass on delivery reports (AT+CNMI "
                               "answered %1): they may show only in a listing.")
                    .arg(toQString(reply.finalLine)));
    };
    Form1->SaxComm1->exchange()->submit(std::move(command));
}

void TSMS_Frm::registerForReports(const SmsSender::Outcome &sent)
{
    const SmsPduCodec::Decoded first = PduCodec->DecodePdu(sent.parts.front().pdu);
    m_reports->add(DeliveryReports::ReportNumber(first.Address), sent.references,
                   fromQString(QDateTime::currentDateTime().toString("dd/MM/yy HH:mm:ss")),
                   DeliveryReports::Identity(fromQString(EditMessage->toPlainText())));
    showReportStates();
}

void TSMS_Frm::showReportStates()
{
    SMS_ReportList->clear();
    // Newest first, a handful: the log keeps the rest.
    const auto &recent = m_reports->recent();
    for (auto it = recent.rbegin(); it != recent.rend() && SMS_ReportList->count() < 5; ++it)
        SMS_ReportList->addItem(toQString(it->sentAt.substr(9, 5) + "  " + it->number + "  " +
                                          DeliveryReports::StateText(*it)));
    const int rows = std::max(1, SMS_ReportList->count());
    SMS_ReportList->setFixedHeight(SMS_ReportList->sizeHintForRow(0) * std::min(rows, 3) +
                                   2 * SMS_ReportList->frameWidth() + 2);
    SMS_ReportList->setVisible(!recent.empty());
}

// A "+CMTI:" indication: a message was stored in the modem instead of being handed over.
void TSMS_Frm::newMessagesStored(const std::string &indication)
{
    // With SMS display off the operator asked not to be interrupted by new messages.
    if (Form1->SmsValue != "ON") {
        SMS_Status->setText(QStringLiteral(" A new message is stored in the handset; click View "
                                           "to read it."));
        m_keepNotice = true; // whatever exchange it came in the middle of
        return;
    }
    // +CMTI: "SM",5
    std::string where = indication.substr(std::min(indication.size(), size_t(6)));
    where.erase(std::remove(where.begin(), where.end(), '"'), where.end());
    if (const size_t comma = where.find(','); comma != std::string::npos)
        where.replace(comma, 1, ", index ");
    where.erase(0, where.find_first_not_of(' '));
    MsgBox->setCaption(QStringLiteral("SMS"));
    MsgBox->T1->setText(QStringLiteral("New messages have arrived.\nStored at: ") +
                        toQString(where));
    const bool read = linkReady() && m_awaiting == Awaiting::Nothing;
    MsgBox->T2->setText(read ? QStringLiteral("Reading messages...") : QString());
    MsgBox->CloseBoxB->show();
    if (read)
        MsgBox->offerCancel();
    if (!MsgBox->isVisible())
        MsgBox->ShowBox();
    if (read)
        readNewMessages();
}

// ---- Locking the controls while a command is outstanding ----

void TSMS_Frm::DisableSmsButtons()
{
    setControlsEnabled(false);
}

// The buttons follow the exchange: free while no command waits for the handset.
void TSMS_Frm::EnableSmsButtons()
{
    if (Form1->SaxComm1->exchange()->busy() || Form1->RequestSMSTimer->isActive()) {
        setControlsEnabled(false);
        return;
    }
    // A cut-off or new-message notice outlives the exchange that ends (the indication request
    // that reconnecting makes, another window's command) until the operator's next command.
    if (!m_keepNotice && !sending())
        SMS_Status->clear();
    setControlsEnabled(true);
}

void TSMS_Frm::BeginIndicationRequest()
{
    Form1->RequestSMSTimer->start();
    DisableSmsButtons();
    MsgBox->ResetMsgBox();
    MsgBox->offerCancel();
    MsgBox->ShowBox();
}

void TSMS_Frm::EndIndicationRequest()
{
    Form1->RequestSMSTimer->stop();
    EnableSmsButtons();
    MsgBox->ResetMsgBox();
    MsgBox->CloseIfShowing();
}

// Which part of a message in parts did not go, and that the rest were held back.
QString TSMS_Frm::partNote(const SmsSender::Outcome &outcome)
{
    const int failed = outcome.failedPart;
    if (outcome.parts.size() <= 1 || failed < 0)
        return {};
    QString note = QStringLiteral("\n\nThe message was being sent in %1 parts: part %2 was not "
                                  "confirmed, so the parts after it were not sent.")
                       .arg(outcome.parts.size())
                       .arg(failed + 1);
    if (failed > 0)
        note += failed == 1 ? QStringLiteral(" Part 1 went out.")
                            : QStringLiteral(" Parts 1 to %1 went out.").arg(failed);
    return note;
}

// ---- Listing, reading, deleting ----

void TSMS_Frm::clearView()
{
    SMS_IndexListBox->clear(); // the entries own their records
    SMS_MessageRichEdit->clear();
}

void TSMS_Frm::showLog()
{
    const std::string text = log().readAll();
    if (text.empty())
        return;
    SMS_MessageRichEdit->setCurrentFont(QFont(QStringLiteral("Verdana")));
    SMS_MessageRichEdit->setTextColor(Qt::black);
    SMS_MessageRichEdit->setPlainText(toQString(text));
    SMS_DeleteB->setEnabled(true);
}

void TSMS_Frm::showLogAtEnd()
{
    SMS_ViewComboBox->setCurrentIndex(LogFileItem);
    clearView();
    showLog();
    // A long log is laid out lazily, so the scroll bar's maximum is not yet its last one;
    // making the end visible lays it out that far.
    SMS_MessageRichEdit->moveCursor(QTextCursor::End);
    SMS_MessageRichEdit->ensureCursorVisible();
}

void TSMS_Frm::SMS_IndexListBoxClick()
{
    auto *entry = dynamic_cast<SmsListEntry *>(SMS_IndexListBox->currentItem());
    SMS_MessageRichEdit->clear();
    if (!entry)
        return;
    SMS_MessageRichEdit->setCurrentFont(QFont(QStringLiteral("Verdana")));
    SMS_MessageRichEdit->setTextColor(Qt::blue);
    SMS_MessageRichEdit->insertPlainText(toQString(entry->record.head) + QStringLiteral("\n"));
    SMS_MessageRichEdit->setTextColor(Qt::black);
    SMS_MessageRichEdit->insertPlainText(toQString(entry->record.text));
}

void TSMS_Frm::appendToLog(const std::string &entry)
{
    std::string error;
    if (!log().append(entry, &error))
        warnNotLogged(error);
}

void TSMS_Frm::warnNotLogged(const std::string &error)
{
    notice::show(this, notice::Kind::Warning, Warning,
                 toQString(error) + QStringLiteral("\nThe message was not logged. Free some space "
                                                   "or check the folder's permissions."));
}

void TSMS_Frm::parseAnswer(const std::string &answer, bool logEvery)
{
    bool logged = false;
    auto logReceived = [&](const std::string &head, const std::string &text) {
        appendToLog("[RECEIVED]\n" + head + "\n" + text + "\n\n");
        logged = true;
    };
    const std::vector<smsrules::ListedPdu> items = smsrules::SplitListing(answer);
    std::vector<smsrules::DeliveryReport> reports; // shown under whatever else is shown
    for (const smsrules::ListedPdu &item : items) {
        // A status report tells what became of a message sent earlier, wherever it is listed.
        if (const smsrules::DeliveryReport report = smsrules::ReadStatusReport(item.pdu);
            report.valid) {
            reports.push_back(report);
            continue;
        }
        if (!item.index.empty())
            continue;
        // A "+CMT:" delivery: a part is logged as it arrives, the whole once all are here.
        const smsrules::DisplayedMessage part = smsrules::DisplayPdu(item.pdu);
        if (!part.valid)
            continue;
        if (part.parts <= 1) {
            logReceived(part.head, part.text);
            continue;
        }
        logReceived(part.head + "\n" + smsrules::PartLine(part.part, part.parts), part.text);
        std::string joined;
        if (m_incomingParts->add(part, &joined))
            logReceived(part.head + "\n" + smsrules::PartsLine(part.parts), joined);
    }
    std::vector<smsrules::ListedPdu> listed;
    std::copy_if(items.begin(), items.end(), std::back_inserter(listed),
                 [](const smsrules::ListedPdu &item) { return !item.index.empty(); });
    // The handset marks an unread message read once it has listed it, in any listing: it is
    // logged now or never.
    std::set<std::string> unread;
    for (const std::string &index : smsrules::UnreadIndexes(answer))
        unread.insert(index);
    for (const smsrules::ListedMessage &m : smsrules::JoinListing(listed)) {
        const std::string head =
            m.parts > 1 ? m.shown.head + "\n" + smsrules::PartsLine(m.parts) : m.shown.head;
        if (logEvery || std::any_of(m.indexes.begin(), m.indexes.end(),
                                    [&](const std::string &i) { return unread.count(i) > 0; }))
            logReceived(head, m.shown.text);
        SmsRecord record{head, m.shown.text, 0,
                         static_cast<unsigned char>(m.shown.received ? 0 : 1), m.indexes};
        SMS_IndexListBox->addItem(new SmsListEntry(toQString(smsrules::ListLabel(m)), record));
    }
    // Unread ones in a listing the operator looks at are logged, and the listing stays.
    if (logged && !logEvery)
        SMS_Status->setText(QStringLiteral(" The unread messages listed here are now in the "
                                           "log."));
    else if (logged) {
        showLogAtEnd();
        MsgBox->setCaption(QStringLiteral("SMS"));
        MsgBox->T1->setText(QStringLiteral("New messages have arrived"));
        MsgBox->T2->setText(QStringLiteral("and have been logged to the log file."));
        MsgBox->CloseBoxB->show();
        MsgBox->ShowBox();
        for (const smsrules::DeliveryReport &report : reports)
            showReport(report);
        return;
    }
    if (SMS_IndexListBox->count() > 0) {
        SMS_IndexListBox->setCurrentRow(0);
        SMS_IndexListBoxClick();
        SMS_DeleteB->setEnabled(true);
    }
    for (const smsrules::DeliveryReport &report : reports)
        showReport(report);
}

void TSMS_Frm::storageFull()
{
    setSmsDisplay(false);
    const QString text =
        QStringLiteral("The SMS storage in the modem is either full or not available.\n") +
        QStringLiteral(
            "The SMS messages will not be stored, received or displayed immediately.\n") +
        QStringLiteral("\n") +
        QStringLiteral("Please check if a valid SIM is being used first. If not, choose 'NO',\n") +
        QStringLiteral("turn off the modem, insert a valid SIM, and then restart the software.\n") +
        QStringLiteral("\n") +
        QStringLiteral("If using a valid SIM already, run AT+CPMS? to see the capacity of the\n") +
        QStringLiteral("SMS storage in the modem. If the storage is full, in order to display\n") +
        QStringLiteral("SMS immediately, delete at least one message, and then click the SMS\n") +
        QStringLiteral("button. Would you like to delete any messages now?");
    if (notice::ask(this, QStringLiteral("Failed"), text)) {
        show();
        raise();
    }
}

void TSMS_Frm::HandleIncomingSms(const std::string &text)
{
    parseAnswer(text, true);
}

// ---- Locking the controls while a command is outstanding ----

bool TSMS_Frm::somethingToDelete() const
{
    if (SMS_ViewComboBox->currentIndex() == LogFileItem)
        return !SMS_MessageRichEdit->toPlainText().isEmpty();
    return SMS_IndexListBox->currentItem() != nullptr;
}

void TSMS_Frm::setControlsEnabled(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{SMS_ViewComboBox, SMS_ViewB,
                                                       SMS_IndexListBox, SMS_MessageRichEdit,
                                                       EditMessage, SettingsPanel, SMS_SendB})
        w->setEnabled(on);
    SMS_DeleteB->setEnabled(on && somethingToDelete());
    if (Form1) {
        Form1->SMSB->setEnabled(on);
        Form1->DisplaySMSImmediately1->setEnabled(on);
    }
}

void TSMS_Frm::ReleaseSmsState()
{
    SMS_IndexListBox->clear();
}

// A "please wait" (the box with no button, or with Cancel) would wait for ever.
void TSMS_Frm::closeWaitBox()
{
    if (MsgBox->isVisible() &&
        (!MsgBox->CloseBoxB->isVisible() || MsgBox->CloseBoxB->text() == QLatin1String("Cancel"))) {
        MsgBox->ResetMsgBox();
        MsgBox->CloseIfShowing();
    }
}
