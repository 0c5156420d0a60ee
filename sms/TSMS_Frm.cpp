#include "TSMS_Frm.h"

#include "Notice.h"
#include "Program.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SmsComposePanel.h"
#include "SmsLog.h"
#include "SmsPduCodec.h"
#include "SmsRules.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TSBD_Frm.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

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
    : QWidget(parent, Qt::Window), m_incomingParts(std::make_unique<smsrules::PartCollector>())
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
    all->addWidget(SettingsPanel);

    enableSMSBTimer = named(new QTimer(this), "enableSMSBTimer");
    enableSMSBTimer->setSingleShot(true);
    enableSMSBTimer->setInterval(1000);
    ListSMSTimer = named(new QTimer(this), "ListSMSTimer");
    ListSMSTimer->setSingleShot(true);
    ListSMSTimer->setInterval(100);
    SendPDUTimer = named(new QTimer(this), "SendPDUTimer");
    SendPDUTimer->setSingleShot(true);
    SendPDUTimer->setInterval(100);
    AnswerTimer = named(new QTimer(this), "AnswerTimer");
    AnswerTimer->setSingleShot(true);
    AnswerTimer->setInterval(2 * 60 * 1000);

    connect(enableSMSBTimer, &QTimer::timeout, this, &TSMS_Frm::EnableSmsButtons);
    connect(ListSMSTimer, &QTimer::timeout, this, &TSMS_Frm::ListSMSTimerTimer);
    connect(SendPDUTimer, &QTimer::timeout, this, &TSMS_Frm::SendPDUTimerTimer);
    connect(AnswerTimer, &QTimer::timeout, this, &TSMS_Frm::AnswerTimerTimer);
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
    if (Composer->Prepare(prepared))
        StartSend(prepared.parts, prepared.logEntry);
}

void TSMS_Frm::StartSend(const std::vector<SmsPduCodec::Part> &parts, const std::string &logEntry)
{
    if (parts.empty())
        return;
    m_parts = parts;
    m_part = 0;
    m_partConfirmed = false;
    LogEntryText = logEntry;
    DisableSmsButtons();
    ATTableForm->DisableSendButtons();
    sendPart();
}

void TSMS_Frm::sendPart()
{
    const SmsPduCodec::Part &part = m_parts[m_part];
    PduText = part.pdu;
    SMS_Status->setText(
        m_parts.size() > 1
            ? QStringLiteral(" Sending part %1 of %2...").arg(m_part + 1).arg(m_parts.size())
            : QStringLiteral(" Sending..."));
    Form1->SaxComm1->setTransmitLine("AT+CMGS=" + std::to_string(part.length));
    SendPDUTimer->start();
    await(Awaiting::Send);
}

// Which part of a message in parts did not go, and that the rest were held back.
QString TSMS_Frm::partNote() const
{
    if (m_parts.size() <= 1)
        return {};
    QString note = QStringLiteral("\n\nThe message was being sent in %1 parts: part %2 was not "
                                  "confirmed, so the parts after it were not sent.")
                       .arg(m_parts.size())
                       .arg(m_part + 1);
    if (m_part > 0)
        note += m_part == 1 ? QStringLiteral(" Part 1 went out.")
                            : QStringLiteral(" Parts 1 to %1 went out.").arg(m_part);
    return note;
}

void TSMS_Frm::SendPDUTimerTimer()
{
    SendPDUTimer->stop();
    if (!Form1->SaxComm1->PortOpen())
        return;
    Form1->SaxComm1->setOutput(PduText);
    Form1->SaxComm1->setOutput(std::string(1, '\x1A'));
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

void TSMS_Frm::SMS_ViewBClick()
{
    SMS_DeleteB->setEnabled(false);
    clearView();
    const int item = SMS_ViewComboBox->currentIndex();
    if (item >= 0 && item < LogFileItem) {
        if (!linkReady())
            return;
        DisableSmsButtons();
        ATTableForm->DisableSendButtons();
        Form1->SaxComm1->setTransmitLine("AT+CMGL=" + std::to_string(item));
        await(Awaiting::Listing);
    } else if (item == LogFileItem) {
        showLog();
    }
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
    DisableSmsButtons();
    ATTableForm->DisableSendButtons();
    enableSMSBTimer->setInterval(500);
    enableSMSBTimer->start();
    // The parts of a joined message go together, in one line of commands (V.250 5.4).
    std::string command;
    for (const std::string &index : static_cast<SmsListEntry *>(current)->record.indexes)
        command += (command.empty() ? "AT+CMGD=" : ";+CMGD=") + index;
    Form1->SaxComm1->setTransmitLine(command);
    await(Awaiting::Delete);
    const int row = SMS_IndexListBox->row(current);
    delete SMS_IndexListBox->takeItem(row);
    if (SMS_IndexListBox->count() > 0) {
        SMS_IndexListBox->setCurrentRow(row < SMS_IndexListBox->count() ? row : 0);
        SMS_IndexListBoxClick();
    } else {
        SMS_MessageRichEdit->clear();
    }
}

void TSMS_Frm::ListSMSTimerTimer()
{
    ListSMSTimer->stop();
    if (!linkReady())
        return;
    if (Form1->SaxComm1->OutBufferCount() == 0) {
        Form1->SaxComm1->setTransmitLine("AT+CMGL=0");
        await(Awaiting::NewMessages);
    } else {
        ListSMSTimer->start();
    }
}

void TSMS_Frm::appendToLog(const std::string &entry)
{
    std::string error;
    if (!log().append(entry, &error))
        notice::show(this, notice::Kind::Warning, Warning,
                     toQString(error) +
                         QStringLiteral("\nThe message was not logged. Free some space or check "
                                        "the folder's permissions."));
}

void TSMS_Frm::parseAnswer(const std::string &answer, bool logEvery)
{
    bool logged = false;
    auto logReceived = [&](const std::string &head, const std::string &text) {
        appendToLog("[RECEIVED]\n" + head + "\n" + text + "\n\n");
        logged = true;
    };
    const std::vector<smsrules::ListedPdu> items = smsrules::SplitListing(answer);
    for (const smsrules::ListedPdu &item : items) {
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
    for (const smsrules::ListedMessage &m : smsrules::JoinListing(listed)) {
        const std::string head =
            m.parts > 1 ? m.shown.head + "\n" + smsrules::PartsLine(m.parts) : m.shown.head;
        if (logEvery)
            logReceived(head, m.shown.text);
        SmsRecord record{head, m.shown.text, 0,
                         static_cast<unsigned char>(m.shown.received ? 0 : 1), m.indexes};
        SMS_IndexListBox->addItem(new SmsListEntry(toQString(smsrules::ListLabel(m)), record));
    }
    if (logged) {
        showLogAtEnd();
        MsgBox->setCaption(QStringLiteral("SMS"));
        MsgBox->T1->setText(QStringLiteral("New messages have arrived"));
        MsgBox->T2->setText(QStringLiteral("and have been logged to the log file."));
        MsgBox->CloseBoxB->show();
        MsgBox->ShowBox();
        return;
    }
    if (SMS_IndexListBox->count() > 0) {
        SMS_IndexListBox->setCurrentRow(0);
        SMS_IndexListBoxClick();
        SMS_DeleteB->setEnabled(true);
    }
}

void TSMS_Frm::storageFull()
{
    Form1->SmsValue = "OFF";
    Form1->SMSB->setChecked(false);
    Form1->DisplaySMSImmediately1->setChecked(false);
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

void TSMS_Frm::HandleSmsResult(int code, const std::string &listing)
{
    if (code == 0 && m_awaiting == Awaiting::Send && m_part + 1 < m_parts.size()) {
        m_partConfirmed = true; // the next part follows once this command has ended
        return;
    }
    // The part that failed, said before the send's state is let go.
    const QString failedPart =
        code >= -6 && code < 0 && m_awaiting == Awaiting::Send ? partNote() : QString();
    if (code >= -6 && code <= 0) {
        m_parts.clear();
        EnableSmsButtons();
    }
    // "+CMS ERROR:322" (given as -1 or -5) while new messages are read: the storage is full.
    if ((code == -1 || code == -5) && m_awaiting == Awaiting::NewMessages) {
        answered();
        MsgBox->ResetMsgBox();
        MsgBox->CloseIfShowing();
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("The SMS storage in the modem is full!\n") +
                         QStringLiteral("The SMS messages will not be stored, received, or\n") +
                         QStringLiteral("displayed immediately. Please delete at least one\n") +
                         QStringLiteral("message."));
        return;
    }
    if (code >= -6 && code <= 5 && code != 1)
        answered();
    // Whatever the result, the pending log entry belongs to this answer and no later one.
    const std::string sent =
        code >= -6 && code <= 0 ? std::exchange(LogEntryText, {}) : std::string();
    switch (code) {
    case 0:
        if (!sent.empty()) // empty when no send of this window was waiting for it
            appendToLog(sent);
        showLogAtEnd();
        break;
    case -1:
        // An indication request to be retried; its interval is already set.
        if (!Form1->RequestSMSTimer->isActive() && MsgBox->isVisible())
            Form1->RequestSMSTimer->start();
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
        if (m_awaiting == Awaiting::Indication)
            answered();
        if (Form1->SmsValue == "ON") {
            MsgBox->T1->setText(QStringLiteral("Please wait..."));
            MsgBox->T2->setText(QStringLiteral("Reading messages..."));
            ListSMSTimer->start();
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
        parseAnswer(listing, unread);
        EnableSmsButtons();
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
    case 6:
        newMessagesStored(listing);
        break;
    default:
        break;
    }
}

// A "+CMTI:" indication: a message was stored in the modem instead of being handed over.
void TSMS_Frm::newMessagesStored(const std::string &indication)
{
    // +CMTI: "SM",5
    std::string where = indication.substr(std::min(indication.size(), size_t(6)));
    where.erase(std::remove(where.begin(), where.end(), '"'), where.end());
    if (const size_t comma = where.find(','); comma != std::string::npos)
        where.replace(comma, 1, ", index ");
    where.erase(0, where.find_first_not_of(' '));
    MsgBox->setCaption(QStringLiteral("SMS"));
    MsgBox->T1->setText(QStringLiteral("New messages have arrived.\nStored at: ") +
                        toQString(where));
    const bool read = Form1->SmsValue == "ON" && linkReady() && m_awaiting == Awaiting::Nothing;
    MsgBox->T2->setText(read ? QStringLiteral("Reading messages...") : QString());
    MsgBox->CloseBoxB->setVisible(!read);
    if (!MsgBox->isVisible())
        MsgBox->ShowBox();
    if (read)
        ListSMSTimer->start();
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
    if (SBD_Frm)
        SBD_Frm->setHeldBySms(!on);
}

void TSMS_Frm::DisableSmsButtons()
{
    setControlsEnabled(false);
}

void TSMS_Frm::EnableSmsButtons()
{
    if (SBD_Frm && SBD_Frm->ExchangeRunning())
        return; // one exchange at a time: the SBD window releases the buttons when it ends
    // A cut-off notice outlives the indication request that reconnecting makes.
    if (!m_cutOff)
        SMS_Status->clear();
    setControlsEnabled(true);
    if (ATTableForm)
        ATTableForm->EnableSendButtons();
}

void TSMS_Frm::BeginIndicationRequest()
{
    Form1->RequestSMSTimer->start();
    DisableSmsButtons();
    ATTableForm->DisableSendButtons();
    MsgBox->ResetMsgBox();
    MsgBox->ShowBox();
}

void TSMS_Frm::EndIndicationRequest()
{
    Form1->RequestSMSTimer->stop();
    EnableSmsButtons();
    MsgBox->ResetMsgBox();
    MsgBox->CloseIfShowing();
}

void TSMS_Frm::ReleaseSmsState()
{
    SMS_IndexListBox->clear();
}

void TSMS_Frm::AbandonSmsCommand()
{
    const bool sending = m_awaiting == Awaiting::Send || SendPDUTimer->isActive();
    const QString failedPart = sending ? partNote() : QString();
    m_parts.clear();
    const bool waiting = sending || !SMS_ViewB->isEnabled() || ListSMSTimer->isActive();
    for (QTimer *t : {SendPDUTimer, ListSMSTimer, enableSMSBTimer})
        t->stop();
    answered();
    LogEntryText.clear();
    PduText.clear();
    if (Form1->RequestSMSTimer->isActive())
        EndIndicationRequest();
    else
        EnableSmsButtons();
    closeWaitBox();
    if (sending)
        SMS_Status->setText(QStringLiteral(" Cut off: the port closed before the handset "
                                           "confirmed the message. It may not have been sent.") +
                            failedPart);
    else if (waiting)
        SMS_Status->setText(
            QStringLiteral(" Cut off: the port closed before the handset answered."));
    m_cutOff = sending || waiting;
}

void TSMS_Frm::await(Awaiting what)
{
    if (what != Awaiting::Indication && what != Awaiting::NewMessages)
        m_cutOff = false; // the operator's next command
    m_awaiting = what;
    AnswerTimer->start();
}

void TSMS_Frm::answered()
{
    if (m_awaiting == Awaiting::Send)
        SendPDUTimer->stop(); // refused before its PDU went: the PDU must not follow
    m_awaiting = Awaiting::Nothing;
    AnswerTimer->stop();
}

void TSMS_Frm::CommandAnswered()
{
    if (m_awaiting == Awaiting::Send && std::exchange(m_partConfirmed, false)) {
        ++m_part;
        sendPart();
        return;
    }
    // A send ends with "+CMGS:" before its "OK", so an entry still here was not confirmed.
    if (m_awaiting == Awaiting::Send)
        LogEntryText.clear();
    answered();
}

void TSMS_Frm::IndicationRequestSent()
{
    await(Awaiting::Indication);
}

void TSMS_Frm::AnswerTimerTimer()
{
    const Awaiting what = m_awaiting;
    answered();
    QString text;
    switch (what) {
    case Awaiting::Nothing:
        return;
    case Awaiting::Send:
        LogEntryText.clear();
        PduText.clear();
        text = QStringLiteral("The handset did not answer the send.\nThe message may or may not "
                              "have gone out, so it was not logged as sent. Check the handset "
                              "and its signal (AT+CSQ) before sending it again.") +
               partNote();
        m_parts.clear();
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
    ListSMSTimer->stop();
    SMS_Status->clear();
    EnableSmsButtons();
    closeWaitBox();
    notice::show(this, notice::Kind::Warning, Warning, text);
}

// A "please wait" (the box without its OK button) would wait for ever.
void TSMS_Frm::closeWaitBox()
{
    if (MsgBox->isVisible() && !MsgBox->CloseBoxB->isVisible()) {
        MsgBox->ResetMsgBox();
        MsgBox->CloseIfShowing();
    }
}
