#include "SmsComposePanel.h"

#include "Notice.h"
#include "QtText.h"
#include "SmsPduCodec.h"
#include "SmsRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

using tandrel::fromQString;
using tandrel::toQString;

namespace {

// What the memo holds: the longest text that still goes in linked parts.
constexpr int MemoLength = SmsPduCodec::MaxParts * SmsPduCodec::PartGsm;
const QString Warning = QStringLiteral("Warning");
const QString SendQuestion =
    QStringLiteral("Would you like to send the following message instead?\n");

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

SmsComposePanel::SmsComposePanel(QWidget *parent)
    : QGroupBox(QStringLiteral("Send a message"), parent)
{
    setObjectName(QStringLiteral("SettingsPanel"));
    CallType_ComboBox = named(new QComboBox(this), "CallType_ComboBox");
    CallType_ComboBox->addItems({QStringLiteral("Phone number"), QStringLiteral("Email address")});
    CallType_ComboBox->setToolTip(QStringLiteral("Type of number"));
    EditDA = named(new QLineEdit(this), "EditDA");
    EditDA->setToolTip(QStringLiteral("Enter the phone number."));
    EditEA = named(new QLineEdit(this), "EditEA");
    EditEA->setToolTip(QStringLiteral(
        "The length of the message includes the length of the email address plus 1."));
    EditEA->hide();
    auto *daLabel =
        named(new QLabel(QStringLiteral("Enter the destination number:"), this), "DA_L");
    RRelativeVP =
        named(new QRadioButton(QStringLiteral("Relative validity period (0 - 255):"), this),
              "RRelativeVP");
    RAbsoluteVP =
        named(new QRadioButton(QStringLiteral("Absolute validity period:"), this), "RAbsoluteVP");
    RelativePanel = named(new QWidget(this), "RelativePanel");
    SelectVP_SpinEdit = named(new QSpinBox(RelativePanel), "SelectVP_SpinEdit");
    SelectVP_SpinEdit->setRange(0, 255);
    SelectVP_SpinEdit->setValue(255);
    RelativeVP_calc =
        named(new QLabel(QStringLiteral("63 weeks"), RelativePanel), "RelativeVP_calc");
    auto *relRow = new QHBoxLayout(RelativePanel);
    relRow->setContentsMargins(0, 0, 0, 0);
    relRow->addWidget(SelectVP_SpinEdit);
    relRow->addWidget(RelativeVP_calc, 1);

    AbsolutePanel = named(new QWidget(this), "AbsolutePanel");
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

    auto *msgLabel = named(
        new QLabel(QStringLiteral("Enter the message to send (maximum 160 characters):"), this),
        "Msg_label");
    EditMessage = named(new QPlainTextEdit(this), "EditMessage");
    CharCounter = named(new QLabel(QStringLiteral("0"), this), "CharCounter");
    SMSWarningCheckBox = named(
        new QCheckBox(QStringLiteral("Show warning if the message contains any unsafe characters."),
                      this),
        "SMSWarningCheckBox");
    SMSWarningCheckBox->setChecked(true);
    SMS_SendB = named(new QPushButton(QStringLiteral("Send"), this), "SMS_SendB");
    SMS_SendB->setToolTip(QStringLiteral("Write to memory."));

    auto *s = new QGridLayout(this);
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
    countRow->addWidget(new QLabel(QStringLiteral("Count ="), this));
    countRow->addWidget(CharCounter);
    countRow->addStretch();
    countRow->addWidget(SMS_SendB);
    s->addWidget(SMSWarningCheckBox, 8, 0, 1, 3);
    s->addLayout(countRow, OptionRow + 1, 0, 1, 3);

    connect(RRelativeVP, &QRadioButton::clicked, this, &SmsComposePanel::RRelativeVPClick);
    connect(RAbsoluteVP, &QRadioButton::clicked, this, &SmsComposePanel::RAbsoluteVPClick);
    connect(SelectVP_SpinEdit, &QSpinBox::textChanged, this,
            &SmsComposePanel::SelectVP_SpinEditChange);
    connect(CallType_ComboBox, &QComboBox::currentIndexChanged, this,
            &SmsComposePanel::CallType_ComboBoxChange);
    connect(EditDA, &QLineEdit::textEdited, this, &SmsComposePanel::EditDAChange);
    connect(EditEA, &QLineEdit::textEdited, this, &SmsComposePanel::EditEAChange);
    connect(EditMessage, &QPlainTextEdit::textChanged, this, &SmsComposePanel::EditMessageChange);
    connect(SMSWarningCheckBox, &QCheckBox::clicked, this,
            &SmsComposePanel::SMSWarningCheckBoxClick);
    ResetComposer();
}

void SmsComposePanel::RRelativeVPClick()
{
    RRelativeVP->setChecked(true);
    RelativePanel->show();
    AbsolutePanel->hide();
}

void SmsComposePanel::RAbsoluteVPClick()
{
    RAbsoluteVP->setChecked(true);
    AbsolutePanel->show();
    RelativePanel->hide();
}

void SmsComposePanel::SelectVP_SpinEditChange()
{
    const QString text = SelectVP_SpinEdit->cleanText();
    RelativeVP_calc->setText(
        text.isEmpty() ? QString()
                       : toQString(smsrules::RelativeVpWords(SelectVP_SpinEdit->value())));
}

bool SmsComposePanel::emailType() const
{
    return CallType_ComboBox->currentIndex() == 1;
}

std::string SmsComposePanel::countedText() const
{
    const std::string message = fromQString(EditMessage->toPlainText());
    return emailType() ? fromQString(EditEA->text()) + " " + message : message;
}

void SmsComposePanel::setMessage(const std::string &text)
{
    const bool was = std::exchange(m_updating, true);
    EditMessage->setPlainText(toQString(text));
    EditMessage->moveCursor(QTextCursor::End);
    m_updating = was;
    showCount(smsrules::MeasureMessage(countedText()));
}

void SmsComposePanel::showCount(const smsrules::MessageSize &size)
{
    CharCounter->setText(size.parts > 1
                             ? QStringLiteral("%1 parts, %2 left").arg(size.parts).arg(size.left)
                             : QString::number(size.units));
}

bool SmsComposePanel::CheckLength(const QString &question)
{
    const std::string counted = countedText();
    const smsrules::MessageSize size = smsrules::MeasureMessage(counted);
    showCount(size);
    const bool partsPossible =
        (!partsAllowed || partsAllowed()) && size.parts <= SmsPduCodec::MaxParts;
    if (size.units <= size.single || !partsPossible)
        m_inParts = false;
    if (size.units <= size.single || m_inParts)
        return true;
    std::string adjusted = smsrules::TrimToUnits(counted, size.single, size.alphabet);
    if (emailType()) {
        const size_t prefix = fromQString(EditEA->text()).size() + 1;
        adjusted = adjusted.size() > prefix ? adjusted.substr(prefix) : std::string();
    }
    const QString note =
        size.alphabet == SmsPduCodec::Alphabet::Ucs2
            ? QStringLiteral("The message exceeded the maximum length of 70 characters!\n\n") +
                  QStringLiteral("Note:\n") +
                  QStringLiteral("A message with characters that the GSM alphabet lacks is sent "
                                 "as UCS2,\nwhich holds 70 characters.\n\n")
            : QStringLiteral("The message exceeded the maximum length of 160 characters!\n\n") +
                  QStringLiteral("Note:\n") +
                  QStringLiteral(
                      "The following characters are counted as two characters in SMS:\n") +
                  QStringLiteral("^ { }  [ ~ ] |\n") +
                  QStringLiteral("For example, the actual data length of ^^^^^ is 10.\n\n");
    QString text = note + question + QStringLiteral("Adjusted message:\n") + toQString(adjusted) +
                   QStringLiteral("\n");
    int answer = 1;
    if (partsPossible) {
        text += QStringLiteral("\nOr the whole message can go as %1 linked parts, which the "
                               "receiving phone shows as one message.\n")
                    .arg(size.parts);
        // While typing the choice keeps the text; on Send it sends it.
        answer = notice::choose(this, Warning, text,
                                (question == SendQuestion ? QStringLiteral("Send as %1 parts")
                                                          : QStringLiteral("Keep as %1 parts"))
                                    .arg(size.parts));
    } else {
        answer = notice::ask(this, Warning, text) ? 0 : 1;
    }
    if (answer == 0) {
        setMessage(adjusted);
        return true;
    }
    if (answer == 2) {
        m_inParts = true;
        return true;
    }
    EditMessage->setFocus();
    return false;
}

// The unsafe-character check; false when the operator refused an e-mail adjustment.
bool SmsComposePanel::checkUnsafe(int previousType)
{
    if (!SMSWarningCheckBox->isChecked())
        return true;
    const bool email = emailType();
    const std::string message = fromQString(EditMessage->toPlainText());
    const std::string unsafe = smsrules::UnsafeCharacters(message, email);
    if (unsafe.empty())
        return true;
    if (!email) {
        const QString text =
            QStringLiteral("The following character(s) may not arrive correctly ") +
            QStringLiteral("because they might not be supported by the SMS system ") +
            QStringLiteral("or by the destination system: ") +
            toQString(smsrules::ListUnsafe(unsafe)) +
            QStringLiteral("\nWould you like to remove the character(s) from the message?");
        // The operator may be typing on: what is typed meanwhile is kept.
        if (notice::askWhileTyping(EditMessage, Warning, text))
            setMessage(smsrules::WithoutUnsafe(fromQString(EditMessage->toPlainText()), false));
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

void SmsComposePanel::CallType_ComboBoxChange(int index)
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

void SmsComposePanel::EditDAChange()
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

void SmsComposePanel::EditEAChange()
{
    if (m_updating)
        return;
    m_updating = true;
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void SmsComposePanel::EditMessageChange()
{
    if (m_updating)
        return;
    m_updating = true;
    const QString text = EditMessage->toPlainText();
    if (text.size() > MemoLength) {
        EditMessage->setPlainText(text.left(MemoLength));
        EditMessage->moveCursor(QTextCursor::End);
    }
    checkUnsafe(-1);
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

void SmsComposePanel::addOption(QWidget *option)
{
    static_cast<QGridLayout *>(layout())->addWidget(option, OptionRow, 0, 1, 3);
}

void SmsComposePanel::SMSWarningCheckBoxClick()
{
    if (m_updating)
        return;
    m_updating = true;
    checkUnsafe(-1);
    CheckLength(QStringLiteral("Would you like to adjust the message to the following?\n"));
    m_updating = false;
}

std::string SmsComposePanel::TimeZoneCode() const
{
    return smsrules::TimeZoneCode(TimeZone_ComboBox->currentIndex() - 12);
}

void SmsComposePanel::ResetComposer()
{
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
}

// Steps of a send up to the encoding, shared by the SMS window and the AT table's SMS page.
bool SmsComposePanel::Prepare(Prepared &out)
{
    if (!EditDA->isHidden() && EditDA->text().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the destination number."));
        EditDA->setFocus();
        return false;
    }
    if (!EditDA->isHidden()) {
        const std::string refused = smsrules::AddressRefusals(fromQString(EditDA->text()));
        if (!refused.empty()) {
            QString named;
            for (char c : refused)
                named += (named.isEmpty() ? QString() : QStringLiteral(" ")) +
                         QStringLiteral("\"%1\"").arg(toQString(std::string(1, c)));
            notice::show(this, notice::Kind::Warning, Warning,
                         QStringLiteral("The destination number cannot contain %1.\n"
                                        "Use only the digits 0-9, with \"+\" or \"00\" in front "
                                        "for an international number.")
                             .arg(named));
            EditDA->setFocus();
            return false;
        }
    }
    if (!EditEA->isHidden() && EditEA->text().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the destination email address."));
        EditEA->setFocus();
        return false;
    }
    if (EditMessage->toPlainText().isEmpty()) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("There is no message to send."));
        EditMessage->setFocus();
        return false;
    }
    if (!linkReady || !linkReady())
        return false;
    if (EditDA->text().isEmpty() && EditEA->text().isEmpty())
        return false;
    if (!EditEA->isHidden() && !EditEA->text().contains(QLatin1Char('@'))) {
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("Please enter the valid email address."));
        EditEA->setFocus();
        return false;
    }
    if (RAbsoluteVP->isChecked() && (Time_MaskEdit->displayText().contains(QLatin1Char('_')) ||
                                     Time_MaskEdit->displayText().contains(QLatin1Char(' ')))) {
        Time_MaskEdit->setFocus();
        return false;
    }
    m_updating = true;
    const bool lengthOk = CheckLength(SendQuestion);
    m_updating = false;
    if (!lengthOk)
        return false;

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
    if (m_inParts) {
        static int reference = int(QDateTime::currentMSecsSinceEpoch() % 256);
        reference = (reference + 1) % 256; // a new one for every long message
        out.parts = PduCodec->EncodeSubmitParts(destination, "91", message, relative, absolute, 0,
                                                reference, SmsPduCodec::AlphabetFor(message));
    } else {
        SmsPduCodec::Part part;
        part.pdu =
            PduCodec->EncodeSubmit(destination, "91", message, relative, absolute, 0, part.length);
        part.text = message;
        out.parts = {part};
    }
    if (out.parts.empty()) { // not expected: the length check allowed only what fits
        notice::show(this, notice::Kind::Warning, Warning,
                     QStringLiteral("The message is too long to send, even in parts.\n"
                                    "Shorten it and send again."));
        EditMessage->setFocus();
        return false;
    }
    out.logEntry =
        smsrules::SentLogEntry(fromQString(email ? EditEA->text() : EditDA->text()),
                               fromQString(CallType_ComboBox->currentText()), vpLine, message);
    return true;
}
