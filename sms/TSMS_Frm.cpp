#include "TSMS_Frm.h"

#include "Notice.h"
#include "Program.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SmsLog.h"
#include "SmsPduCodec.h"
#include "SmsRules.h"
#include "TATTableForm.h"
#include "TForm1.h"
#include "TMsgBox.h"
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
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

TSMS_Frm *SMS_Frm = nullptr;

namespace {

constexpr int MaxLength = 160;
constexpr int LogFileItem = 5;

const QString Warning = QStringLiteral("Warning");
const QString Error = QStringLiteral("Error");

QStringList numbered(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
    return out;
}

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

} // namespace

TSMS_Frm::TSMS_Frm(QWidget *parent) : QWidget(parent, Qt::Window)
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
    SMS_IndexListBox->setMaximumWidth(70);
    SMS_MessageRichEdit = named(new QTextEdit(this), "SMS_MessageRichEdit");
    SMS_MessageRichEdit->setReadOnly(true);
    SMS_Status = named(new QLabel(this), "SMS_Status");

    // Lower half: one message to compose.
    SettingsPanel = named(new QGroupBox(QStringLiteral("Send a message"), this), "SettingsPanel");
    CallType_ComboBox = named(new QComboBox(SettingsPanel), "CallType_ComboBox");
    CallType_ComboBox->addItems({QStringLiteral("Phone number"), QStringLiteral("Email address")});
    CallType_ComboBox->setToolTip(QStringLiteral("Type of number"));
    EditDA = named(new QLineEdit(SettingsPanel), "EditDA");
    EditDA->setToolTip(QStringLiteral("Enter the phone number."));
    EditEA = named(new QLineEdit(SettingsPanel), "EditEA");
    EditEA->setToolTip(QStringLiteral(
        "The length of the message includes the length of the email address plus 1."));
    EditEA->hide();
    auto *daLabel =
        named(new QLabel(QStringLiteral("Enter the destination number:"), SettingsPanel), "DA_L");
    RRelativeVP = named(
        new QRadioButton(QStringLiteral("Relative validity period (0 - 255):"), SettingsPanel),
        "RRelativeVP");
    RAbsoluteVP =
        named(new QRadioButton(QStringLiteral("Absolute validity period:"), SettingsPanel),
              "RAbsoluteVP");
    RelativePanel = named(new QWidget(SettingsPanel), "RelativePanel");
    SelectVP_SpinEdit = named(new QSpinBox(RelativePanel), "SelectVP_SpinEdit");
    SelectVP_SpinEdit->setRange(0, 255);
    SelectVP_SpinEdit->setValue(255);
    RelativeVP_calc =
        named(new QLabel(QStringLiteral("63 weeks"), RelativePanel), "RelativeVP_calc");
    auto *relRow = new QHBoxLayout(RelativePanel);
    relRow->setContentsMargins(0, 0, 0, 0);
    relRow->addWidget(SelectVP_SpinEdit);
    relRow->addWidget(RelativeVP_calc, 1);

    AbsolutePanel = named(new QWidget(SettingsPanel), "AbsolutePanel");
    Month_ComboBox = named(new QComboBox(AbsolutePanel), "Month_ComboBox");
    Month_ComboBox->addItems(numbered(1, 12));
    Day_ComboBox = named(new QComboBox(AbsolutePanel), "Day_ComboBox");
    Day_ComboBox->addItems(numbered(1, 31));
    Year_ComboBox = named(new QComboBox(AbsolutePanel), "Year_ComboBox");
    Year_ComboBox->addItems(numbered(0, 99));
    Time_MaskEdit = named(new QLineEdit(AbsolutePanel), "Time_MaskEdit");
    Time_MaskEdit->setInputMask(QStringLiteral("90:00:00;_"));
    Time_MaskEdit->setText(QStringLiteral("00:00:00"));
    TimeZone_ComboBox = named(new QComboBox(AbsolutePanel), "TimeZone_ComboBox");
    for (int h = -12; h <= 13; ++h)
        TimeZone_ComboBox->addItem(
            h == 0 ? QStringLiteral("GMT")
                   : QStringLiteral("GMT%1%2").arg(h < 0 ? "-" : "+").arg(std::abs(h)));
    TimeZone_ComboBox->setCurrentIndex(12);
    auto *absGrid = new QGridLayout(AbsolutePanel);
    absGrid->setContentsMargins(0, 0, 0, 0);
    const char *absLabels[] = {"mm", "dd", "yy", "time", "time zone"};
    QWidget *absFields[] = {Month_ComboBox, Day_ComboBox, Year_ComboBox, Time_MaskEdit,
                            TimeZone_ComboBox};
    for (int i = 0; i < 5; ++i) {
        absGrid->addWidget(new QLabel(QLatin1String(absLabels[i]), AbsolutePanel), 0, i);
        absGrid->addWidget(absFields[i], 1, i);
    }
    AbsolutePanel->hide();
    RRelativeVP->setChecked(true);

    auto *msgLabel =
        named(new QLabel(QStringLiteral("Enter the message to send (maximum 160 characters):"),
                         SettingsPanel),
              "Msg_label");
    EditMessage = named(new QPlainTextEdit(SettingsPanel), "EditMessage");
    CharCounter = named(new QLabel(QStringLiteral("0"), SettingsPanel), "CharCounter");
    SMSWarningCheckBox = named(
        new QCheckBox(QStringLiteral("Show warning if the message contains any unsafe characters."),
                      SettingsPanel),
        "SMSWarningCheckBox");
    SMSWarningCheckBox->setChecked(true);
    SMS_SendB = named(new QPushButton(QStringLiteral("Send"), SettingsPanel), "SMS_SendB");
    SMS_SendB->setToolTip(QStringLiteral("Write to memory."));

    auto *s = new QGridLayout(SettingsPanel);
    s->addWidget(CallType_ComboBox, 0, 0);
    s->addWidget(daLabel, 0, 1);
    s->addWidget(EditDA, 1, 0, 1, 3);
    s->addWidget(EditEA, 2, 0, 1, 3);
    s->addWidget(RRelativeVP, 3, 0);
    s->addWidget(RelativePanel, 3, 1, 1, 2);
    s->addWidget(RAbsoluteVP, 4, 0);
    s->addWidget(AbsolutePanel, 5, 0, 1, 3);
    s->addWidget(msgLabel, 6, 0, 1, 3);
    s->addWidget(EditMessage, 7, 0, 1, 3);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Count ="), SettingsPanel));
    countRow->addWidget(CharCounter);
    countRow->addStretch();
    countRow->addWidget(SMS_SendB);
    s->addWidget(SMSWarningCheckBox, 8, 0, 1, 3);
    s->addLayout(countRow, 9, 0, 1, 3);

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

    connect(enableSMSBTimer, &QTimer::timeout, this, &TSMS_Frm::EnableSmsButtons);
    connect(ListSMSTimer, &QTimer::timeout, this, &TSMS_Frm::ListSMSTimerTimer);
    connect(SendPDUTimer, &QTimer::timeout, this, &TSMS_Frm::SendPDUTimerTimer);
    connect(SMS_ViewB, &QPushButton::clicked, this, &TSMS_Frm::SMS_ViewBClick);
    connect(SMS_DeleteB, &QPushButton::clicked, this, &TSMS_Frm::SMS_DeleteBClick);
    connect(SMS_IndexListBox, &QListWidget::itemClicked, this, &TSMS_Frm::SMS_IndexListBoxClick);
    connect(SMS_SendB, &QPushButton::clicked, this, &TSMS_Frm::SMS_SendBClick);
    connect(RRelativeVP, &QRadioButton::clicked, this, &TSMS_Frm::RRelativeVPClick);
    connect(RAbsoluteVP, &QRadioButton::clicked, this, &TSMS_Frm::RAbsoluteVPClick);
    connect(SelectVP_SpinEdit, &QSpinBox::textChanged, this, &TSMS_Frm::SelectVP_SpinEditChange);
    connect(CallType_ComboBox, &QComboBox::currentIndexChanged, this,
            &TSMS_Frm::CallType_ComboBoxChange);
    connect(EditDA, &QLineEdit::textEdited, this, &TSMS_Frm::EditDAChange);
    connect(EditEA, &QLineEdit::textEdited, this, &TSMS_Frm::EditEAChange);
    connect(EditMessage, &QPlainTextEdit::textChanged, this, &TSMS_Frm::EditMessageChange);
    connect(SMSWarningCheckBox, &QCheckBox::clicked, this, &TSMS_Frm::SMSWarningCheckBoxClick);

    resize(560, 640);
    FormCreate();
}

TSMS_Frm::~TSMS_Frm() = default;

SmsLog &TSMS_Frm::log()
{
    if (!m_log) {
        const std::string preferred = Program ? Program->smsLogPath : std::string("SMSLog.txt");
        const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        m_log = std::make_unique<SmsLog>(preferred, fromQString(fallback));
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
        placement::moveInside(this, Form1->frameGeometry().topRight() + QPoint(4, 0));
    RRelativeVP->setChecked(true);
    RelativePanel->show();
    AbsolutePanel->hide();
    SelectVP_SpinEdit->setValue(255);
    RelativeVP_calc->setText(QStringLiteral("63 weeks"));
    Month_ComboBox->setCurrentIndex(0);
    Day_ComboBox->setCurrentIndex(0);
    Year_ComboBox->setCurrentIndex(0);
    Time_MaskEdit->setText(QStringLiteral("00:00:00"));
    TimeZone_ComboBox->setCurrentIndex(12);
    if (isVisible())
        EditMessage->setFocus();
}

// ---- Composing ----

void TSMS_Frm::RRelativeVPClick()
{
    RRelativeVP->setChecked(true);
    RelativePanel->show();
    AbsolutePanel->hide();
}

void TSMS_Frm::RAbsoluteVPClick()
{
    RAbsoluteVP->setChecked(true);
    AbsolutePanel->show();
    RelativePanel->hide();
}

void TSMS_Frm::SelectVP_SpinEditChange()
{
    const QString text = SelectVP_SpinEdit->cleanText();
    RelativeVP_calc->setText(
        text.isEmpty() ? QString()
                       : toQString(smsrules::RelativeVpWords(SelectVP_SpinEdit->value())));
}

bool TSMS_Frm::emailType() const
{
    return CallType_ComboBox->currentIndex() == 1;
}

std::string TSMS_Frm::countedText() const
{
    const std::string message = fromQString(EditMessage->toPlainText());
    return emailType() ? fromQString(EditEA->text()) + " " + message : message;
}

void TSMS_Frm::setMessage(const std::string &text)
{
    const bool was = std::exchange(m_updating, true);
    EditMessage->setPlainText(toQString(text));
    EditMessage->moveCursor(QTextCursor::End);
    m_updating = was;
    CharCounter->setText(QString::number(smsrules::CountedLength(countedText())));
}

bool TSMS_Frm::CheckLength(const QString &question)
{
    const std::string counted = countedText();
    const int n = smsrules::CountedLength(counted);
    CharCounter->setText(QString::number(n));
    if (n <= MaxLength)
        return true;
    std::string adjusted = smsrules::TrimToCountedLength(counted, MaxLength);
    if (emailType()) {
        const size_t prefix = fromQString(EditEA->text()).size() + 1;
        adjusted = adjusted.size() > prefix ? adjusted.substr(prefix) : std::string();
    }
    const QString text =
        QStringLiteral("The message exceeded the maximum length of 160 characters!\n\n") +
        QStringLiteral("Note:\n") +
        QStringLiteral("The following characters are counted as two characters in SMS:\n") +
        QStringLiteral("^ { }  [ ~ ] |\n") +
        QStringLiteral("For example, the actual data length of ^^^^^ is 10.\n\n") + question +
        QStringLiteral("Adjusted message:\n") + toQString(adjusted) + QStringLiteral("\n");
    if (notice::ask(this, Warning, text)) {
        setMessage(adjusted);
        return true;
    }
    EditMessage->setFocus();
    return false;
}

// The unsafe-character check; false when the operator refused an e-mail adjustment.
bool TSMS_Frm::checkUnsafe(int previousType)
{
    if (!SMSWarningCheckBox->isChecked())
        return true;
    const bool email = emailType();
    const std::string message = fromQString(EditMessage->toPlainText());
    const std::string unsafe = smsrules::UnsafeCharacters(message, email);
    if (unsafe.empty())
        return true;
    if (!email) {
        QString listed;
        for (size_t i = 0; i < unsafe.size(); ++i)
            listed += (i ? QStringLiteral(" ") : QString()) + toQString(unsafe.substr(i, 1));
        const QString text =
            QStringLiteral("The following character(s) may not arrive correctly ") +
            QStringLiteral("because they might not be supported by the SMS system ") +
            QStringLiteral("or by the destination system: ") + listed +
            QStringLiteral("\nWould you like to remove the character(s) from the message?");
        if (notice::ask(this, Warning, text))
            setMessage(smsrules::WithoutUnsafe(message, false));
        return true;
    }
    const std::string adjusted = smsrules::WithoutUnsafe(message, true);
    const QString text =
        QStringLiteral("There are character(s) which cannot be sent by email in the message.\n") +
        QStringLiteral("Would you like to adjust the message to the following?\n") +
        QStringLiteral("Adjusted message:\n") + toQString(adjusted) + QStringLiteral("\n");
    if (notice::ask(this, Warning, text)) {
        setMessage(adjusted);
        return true;
    }
    if (previousType >= 0 && previousType != CallType_ComboBox->currentIndex()) {
        const bool was = std::exchange(m_updating, true);
        CallType_ComboBox->setCurrentIndex(previousType);
        EditDA->setVisible(previousType == 0);
        EditEA->setVisible(previousType == 1);
        m_callType = previousType;
        m_updating = was;
    }
    return false;
}

void TSMS_Frm::CallType_ComboBoxChange(int index)
{
    if (m_updating)
        return;
    const int previous = m_callType;
    m_callType = index;
    EditDA->setVisible(index == 0);
    EditEA->setVisible(index == 1);
    m_updating = true;
    if (checkUnsafe(previous))
        CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void TSMS_Frm::EditDAChange()
{
    const QString text = EditDA->text();
    QString kept;
    for (QChar c : text)
        if (c.isDigit() ? c.unicode() < 128 : QStringLiteral("#+;*").contains(c))
            kept += c;
    if (kept != text) {
        const int removed = int(text.size() - kept.size());
        const int caret = EditDA->cursorPosition();
        EditDA->setText(kept);
        EditDA->setCursorPosition(std::max(0, caret - removed));
    }
    if (m_updating)
        return;
    m_updating = true;
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void TSMS_Frm::EditEAChange()
{
    if (m_updating)
        return;
    m_updating = true;
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void TSMS_Frm::EditMessageChange()
{
    if (m_updating)
        return;
    m_updating = true;
    const QString text = EditMessage->toPlainText();
    if (text.size() > MaxLength) { // the memo holds at most 160 characters
        EditMessage->setPlainText(text.left(MaxLength));
        EditMessage->moveCursor(QTextCursor::End);
    }
    checkUnsafe(-1);
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void TSMS_Frm::SMSWarningCheckBoxClick()
{
    if (m_updating)
        return;
    m_updating = true;
    checkUnsafe(-1);
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

std::string TSMS_Frm::TimeZoneCode() const
{
    return smsrules::TimeZoneCode(TimeZone_ComboBox->currentIndex() - 12);
}

bool TSMS_Frm::linkReady() const
{
    SerialControl *port = Form1->SaxComm1;
    return port->PortOpen() && (Form1->FlowValue != "HW" || port->CtsState());
}

void TSMS_Frm::SMS_SendBClick()
{
    // "Visible" is the field's own state: the window itself may be hidden.
    if (!EditDA->isHidden() && EditDA->text().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the destination number."));
        EditDA->setFocus();
        return;
    }
    if (!EditEA->isHidden() && EditEA->text().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the destination email address."));
        EditEA->setFocus();
        return;
    }
    if (EditMessage->toPlainText().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("There is no message to send."));
        EditMessage->setFocus();
        return;
    }
    if (!linkReady())
        return;
    if (EditDA->text().isEmpty() && EditEA->text().isEmpty())
        return;
    if (!EditEA->isHidden() && !EditEA->text().contains(QLatin1Char('@'))) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the valid email address."));
        EditEA->setFocus();
        return;
    }
    if (RAbsoluteVP->isChecked() && (Time_MaskEdit->displayText().contains(QLatin1Char('_')) ||
                                     Time_MaskEdit->displayText().contains(QLatin1Char(' ')))) {
        Time_MaskEdit->setFocus();
        return;
    }
    m_updating = true;
    const bool lengthOk =
        CheckLength(QStringLiteral("Would you like to send the following message instead?\n"));
    m_updating = false;
    if (!lengthOk)
        return;

    const bool email = emailType();
    const std::string destination = email ? std::string("A2") : fromQString(EditDA->text());
    const std::string message =
        email ? fromQString(EditEA->text()) + " " + fromQString(EditMessage->toPlainText())
              : fromQString(EditMessage->toPlainText());
    int relative = 0;
    std::string absolute;
    std::string vpLine;
    if (RRelativeVP->isChecked()) {
        relative = SelectVP_SpinEdit->value();
        vpLine = "Relative VP: " + fromQString(RelativeVP_calc->text()) + "\n";
    } else {
        const QString t = Time_MaskEdit->displayText();
        absolute =
            fromQString(Year_ComboBox->currentText() + Month_ComboBox->currentText() +
                        Day_ComboBox->currentText() + t.mid(0, 2) + t.mid(3, 2) + t.mid(6, 2)) +
            TimeZoneCode();
        vpLine = "Absolute VP: " +
                 fromQString(Month_ComboBox->currentText() + "/" + Day_ComboBox->currentText() +
                             "/" + Year_ComboBox->currentText() + " " + t + " (" +
                             TimeZone_ComboBox->currentText() + ")") +
                 "\n";
    }
    int length = 0;
    PduText = PduCodec->EncodeSubmit(destination, "91", message, relative, absolute, 0, length);
    LogEntryText = "[SENT]\nTo: " + fromQString(email ? EditEA->text() : EditDA->text()) + " (" +
                   fromQString(CallType_ComboBox->currentText()) + ")\n" + vpLine + message +
                   "\n\n";
    SMS_Status->setText(QStringLiteral(" Sending..."));
    DisableSmsButtons();
    ATTableForm->DisableSendButtons();
    Form1->SaxComm1->setTransmitLine("AT+CMGS=" + std::to_string(length));
    SendPDUTimer->start();
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
    Form1->SaxComm1->setTransmitLine("AT+CMGD=" + fromQString(current->text()));
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
    if (Form1->SaxComm1->OutBufferCount() == 0)
        Form1->SaxComm1->setTransmitLine("AT+CMGL=0");
    else
        ListSMSTimer->start();
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
    for (const smsrules::ListedPdu &item : smsrules::SplitListing(answer)) {
        const smsrules::DisplayedMessage shown = smsrules::DisplayPdu(item.pdu);
        if (!shown.valid)
            continue; // an unreadable message does not hide the others
        SmsRecord record{shown.head, shown.text, 0,
                         static_cast<unsigned char>(shown.received ? 0 : 1)};
        if (logEvery) {
            appendToLog("[RECEIVED]\n" + shown.head + "\n" + shown.text + "\n\n");
            logged = true;
        }
        if (!item.index.empty())
            SMS_IndexListBox->addItem(new SmsListEntry(toQString(item.index), record));
    }
    if (logged) {
        SMS_ViewComboBox->setCurrentIndex(LogFileItem);
        clearView();
        showLog();
        SMS_MessageRichEdit->verticalScrollBar()->setValue(
            SMS_MessageRichEdit->verticalScrollBar()->maximum());
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
    if (code >= -6 && code <= 0) {
        SMS_Status->clear();
        EnableSmsButtons();
    }
    switch (code) {
    case 0:
        appendToLog(LogEntryText);
        clearView();
        SMS_ViewComboBox->setCurrentIndex(LogFileItem);
        showLog();
        SMS_MessageRichEdit->verticalScrollBar()->setValue(
            SMS_MessageRichEdit->verticalScrollBar()->maximum());
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
                                    "Invalid destination number\n- Invalid validity period input"));
        break;
    case -3:
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Error occurred while processing the SMS command. Please try "
                                    "again.\nIf the problem remains, please turn off the modem and "
                                    "turn it back on after 20 seconds."));
        break;
    case -4:
        EditMessage->setFocus();
        notice::show(this, notice::Kind::Error, Error,
                     QStringLiteral("Error occurred while processing the SMS command. Please try "
                                    "again."));
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
    default:
        break;
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

void TSMS_Frm::DisableSmsButtons()
{
    setControlsEnabled(false);
}

void TSMS_Frm::EnableSmsButtons()
{
    SMS_Status->clear();
    setControlsEnabled(true);
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
