#include "TSBD_Frm.h"

#include "FileTransfer.h"
#include "Notice.h"
#include "Program.h"
#include "QtText.h"
#include "SerialControl.h"
#include "SmsLog.h"
#include "TForm1.h"
#include "WindowPlacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

using tandrel::fromQString;
using tandrel::toQString;

TSBD_Frm *SBD_Frm = nullptr;

namespace {

const QString Caption = QStringLiteral("SBD");

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QString bytesWord(size_t n)
{
    return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n);
}

} // namespace

TSBD_Frm::TSBD_Frm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("SBD_Frm"));
    setWindowTitle(QStringLiteral("SBD Messaging"));

    auto *outgoing = named(new QGroupBox(QStringLiteral("Outgoing message"), this), "OutgoingBox");
    RTextMessage = named(new QRadioButton(QStringLiteral("Text"), outgoing), "RTextMessage");
    RHexMessage = named(new QRadioButton(QStringLiteral("Hex bytes"), outgoing), "RHexMessage");
    RFileMessage = named(new QRadioButton(QStringLiteral("File"), outgoing), "RFileMessage");
    RTextMessage->setChecked(true);
    auto *kinds = new QButtonGroup(this);
    for (QRadioButton *r : {RTextMessage, RHexMessage, RFileMessage})
        kinds->addButton(r);
    ByteCounter = named(new QLabel(outgoing), "ByteCounter");
    ByteCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EditSBDMessage = named(new QPlainTextEdit(outgoing), "EditSBDMessage");
    EditSBDMessage->setTabChangesFocus(true);
    FileNameEdit = named(new QLineEdit(outgoing), "FileNameEdit");
    FileNameEdit->setReadOnly(true);
    FileNameEdit->setPlaceholderText(QStringLiteral("No file chosen"));
    BrowseB = named(new QPushButton(QStringLiteral("Browse..."), outgoing), "BrowseB");
    SBD_SendB = named(new QPushButton(QStringLiteral("Send"), outgoing), "SBD_SendB");
    SBD_SendB->setToolTip(QStringLiteral("Write the message to the handset and send it in a "
                                         "session (AT+SBDWT or AT+SBDWB, then AT+SBDI)"));

    auto *kindRow = new QHBoxLayout;
    kindRow->addWidget(RTextMessage);
    kindRow->addWidget(RHexMessage);
    kindRow->addWidget(RFileMessage);
    kindRow->addStretch(1);
    kindRow->addWidget(ByteCounter);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(FileNameEdit, 1);
    fileRow->addWidget(BrowseB);
    fileRow->addWidget(SBD_SendB);
    auto *out = new QVBoxLayout(outgoing);
    out->addLayout(kindRow);
    out->addWidget(EditSBDMessage, 1);
    out->addLayout(fileRow);

    auto *sessions =
        named(new QGroupBox(QStringLiteral("Sessions and mailbox"), this), "MailboxBox");
    CheckMailboxB =
        named(new QPushButton(QStringLiteral("Check Mailbox"), sessions), "CheckMailboxB");
    CheckMailboxB->setToolTip(QStringLiteral("Start a session with an empty outgoing buffer "
                                             "(AT+SBDD0, then AT+SBDI)"));
    RetryB = named(new QPushButton(QStringLiteral("Retry Session"), sessions), "RetryB");
    RetryCheckBox = named(new QCheckBox(QStringLiteral("Retry failed sessions every"), sessions),
                          "RetryCheckBox");
    RetrySpinEdit = named(new QSpinBox(sessions), "RetrySpinEdit");
    RetrySpinEdit->setRange(1, 240);
    RetrySpinEdit->setValue(10);
    RetrySpinEdit->setSuffix(QStringLiteral(" min"));
    ReadB = named(new QPushButton(QStringLiteral("Read"), sessions), "ReadB");
    ReadFormatComboBox = named(new QComboBox(sessions), "ReadFormatComboBox");
    ReadFormatComboBox->addItems(
        {QStringLiteral("as text (AT+SBDRT)"), QStringLiteral("as bytes (AT+SBDRB)")});
    ReadFormatComboBox->setCurrentIndex(1);
    ClearB = named(new QPushButton(QStringLiteral("Clear Buffers..."), sessions), "ClearB");
    ResetMOMSNB = named(new QPushButton(QStringLiteral("Reset MOMSN..."), sessions), "ResetMOMSNB");
    ViewLogB = named(new QPushButton(QStringLiteral("View Log"), sessions), "ViewLogB");
    auto *grid = new QGridLayout(sessions);
    grid->addWidget(CheckMailboxB, 0, 0);
    grid->addWidget(RetryB, 0, 1);
    auto *retryRow = new QHBoxLayout;
    retryRow->addWidget(RetryCheckBox);
    retryRow->addWidget(RetrySpinEdit);
    retryRow->addStretch(1);
    grid->addLayout(retryRow, 0, 2, 1, 2);
    grid->addWidget(ReadB, 1, 0);
    grid->addWidget(ReadFormatComboBox, 1, 1);
    grid->addWidget(ClearB, 1, 2);
    grid->addWidget(ResetMOMSNB, 1, 3);
    grid->addWidget(ViewLogB, 2, 3);

    SBD_Status = named(new QLabel(this), "SBD_Status");
    SBD_Status->setWordWrap(true);
    SBD_Status->setMinimumHeight(SBD_Status->fontMetrics().lineSpacing() * 3);
    SBD_Status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    SBD_Status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SBD_MessageView = named(new QPlainTextEdit(this), "SBD_MessageView");
    SBD_MessageView->setReadOnly(true);

    auto *all = new QVBoxLayout(this);
    all->addWidget(outgoing, 2);
    all->addWidget(sessions);
    all->addWidget(SBD_Status);
    all->addWidget(SBD_MessageView, 3);

    RetryTimer = named(new QTimer(this), "RetryTimer");
    RetryTimer->setSingleShot(true);
    OpenDialog = new QFileDialog(this, QStringLiteral("Choose the message file"));
    OpenDialog->setObjectName(QStringLiteral("SBDOpenDialog"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);

    connect(kinds, &QButtonGroup::buttonToggled, this, [this] { updateCounter(); });
    connect(EditSBDMessage, &QPlainTextEdit::textChanged, this, &TSBD_Frm::updateCounter);
    connect(BrowseB, &QPushButton::clicked, OpenDialog, qOverload<>(&QFileDialog::open));
    connect(OpenDialog, &QFileDialog::fileSelected, this, &TSBD_Frm::chooseFile);
    connect(SBD_SendB, &QPushButton::clicked, this, &TSBD_Frm::SBD_SendBClick);
    connect(CheckMailboxB, &QPushButton::clicked, this, &TSBD_Frm::CheckMailboxBClick);
    connect(RetryB, &QPushButton::clicked, this, &TSBD_Frm::RetryBClick);
    connect(ReadB, &QPushButton::clicked, this, &TSBD_Frm::ReadBClick);
    connect(ClearB, &QPushButton::clicked, this, &TSBD_Frm::ClearBClick);
    connect(ResetMOMSNB, &QPushButton::clicked, this, &TSBD_Frm::ResetMOMSNBClick);
    connect(ViewLogB, &QPushButton::clicked, this, &TSBD_Frm::ViewLogBClick);
    // The buttons follow the exchange: free while no command waits for the handset.
    connect(Form1->SaxComm1->exchange(), &modem::Exchange::busyChanged, this,
            &TSBD_Frm::updateButtons);
    m_sbd = new SbdSession(Form1->SaxComm1->exchange(), &log(), this);
    m_sbd->setReadAsText(ReadFormatComboBox->currentIndex() == 0);
    connect(ReadFormatComboBox, &QComboBox::currentIndexChanged, m_sbd,
            [this](int index) { m_sbd->setReadAsText(index == 0); });
    connect(m_sbd, &SbdSession::stepStarting, this, &TSBD_Frm::stepStarting);
    connect(m_sbd, &SbdSession::stepDone, this, &TSBD_Frm::stepDone);
    connect(m_sbd, &SbdSession::finished, this, &TSBD_Frm::exchangeEnded);
    connect(m_sbd, &SbdSession::logFailed, this, [this](const std::string &error) {
        notice::show(this, notice::Kind::Warning, QStringLiteral("Warning"),
                     toQString(error) +
                         QStringLiteral("\nThe message was not logged. Free some space or check "
                                        "the folder's permissions."));
    });
    connect(RetryTimer, &QTimer::timeout, this, &TSBD_Frm::RetryTimerTimer);
    connect(RetryCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on && m_lastSessionFailed)
            RetryTimer->start(RetrySpinEdit->value() * 60000);
        else if (!on)
            RetryTimer->stop();
    });
    connect(RetrySpinEdit, &QSpinBox::valueChanged, this, [this](int minutes) {
        if (RetryTimer->isActive())
            RetryTimer->start(minutes * 60000);
    });

    resize(600, 560);
    updateCounter();
    updateButtons();
}

TSBD_Frm::~TSBD_Frm() = default;

SmsLog &TSBD_Frm::log()
{
    if (!m_log) {
        const std::string preferred = Program ? Program->sbdLogPath : std::string("SBDLog.txt");
        const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        m_log = std::make_unique<SmsLog>(preferred, fromQString(fallback), "SBD log");
    }
    return *m_log;
}

void TSBD_Frm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Over the terminal the first time; where the operator put it after that.
    if (!std::exchange(m_placed, true) && Form1)
        placement::centreOver(this, Form1);
}

void TSBD_Frm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---- The outgoing message ----

std::optional<std::string> TSBD_Frm::outgoingBytes(std::string *error) const
{
    auto fail = [&](const std::string &why) -> std::optional<std::string> {
        *error = why;
        return std::nullopt;
    };
    const std::string limit = std::to_string(sbd::MaxBinaryLength);
    if (RTextMessage->isChecked()) {
        const std::string text = fromQString(EditSBDMessage->toPlainText());
        const std::string why = sbd::textProblem(text);
        if (!why.empty())
            return fail(why);
        return text;
    }
    if (RHexMessage->isChecked()) {
        std::string bytes;
        std::string why;
        if (!sbd::parseHex(fromQString(EditSBDMessage->toPlainText()), &bytes, &why))
            return fail(why);
        if (bytes.empty())
            return fail("There is no message to send.");
        if (bytes.size() > sbd::MaxBinaryLength)
            return fail("The message is " + std::to_string(bytes.size()) +
                        " bytes; the handset takes at most " + limit + ".");
        return bytes;
    }
    const QString name = FileNameEdit->text();
    if (name.isEmpty())
        return fail("Choose the file to send with Browse.");
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return fail("Cannot read " + fromQString(name) + ": " + fromQString(f.errorString()) + ".");
    const QByteArray data = f.read(qint64(sbd::MaxBinaryLength) + 1);
    if (data.size() > qsizetype(sbd::MaxBinaryLength))
        return fail(fromQString(name) + " is " + std::to_string(f.size()) +
                    " bytes; the handset takes at most " + limit + ". Choose a smaller file.");
    if (data.isEmpty())
        return fail(fromQString(name) + " is empty.");
    return data.toStdString();
}

void TSBD_Frm::updateCounter()
{
    const bool file = RFileMessage->isChecked();
    EditSBDMessage->setEnabled(!file);
    FileNameEdit->setEnabled(file);
    BrowseB->setEnabled(file);
    const size_t limit = RTextMessage->isChecked() ? sbd::MaxTextLength : sbd::MaxBinaryLength;
    QString text;
    bool bad = false;
    if (file) {
        const QFileInfo info(FileNameEdit->text());
        if (FileNameEdit->text().isEmpty()) {
            text = QStringLiteral("No file chosen");
        } else {
            text = QStringLiteral("%1 / %2 bytes").arg(info.size()).arg(limit);
            bad = !info.isFile() || info.size() > qint64(limit) || info.size() == 0;
        }
    } else if (RHexMessage->isChecked()) {
        std::string bytes;
        std::string why;
        if (sbd::parseHex(fromQString(EditSBDMessage->toPlainText()), &bytes, &why)) {
            text = QStringLiteral("%1 / %2 bytes").arg(bytes.size()).arg(limit);
            bad = bytes.size() > limit;
        } else {
            text = QStringLiteral("Not hex");
            bad = true;
        }
    } else {
        const size_t n = fromQString(EditSBDMessage->toPlainText()).size();
        text = QStringLiteral("%1 / %2 bytes").arg(n).arg(limit);
        bad = n > limit;
    }
    ByteCounter->setText(text);
    ByteCounter->setStyleSheet(bad ? QStringLiteral("color: #c00000; font-weight: bold;")
                                   : QString());
}

void TSBD_Frm::chooseFile(const QString &fileName)
{
    FileNameEdit->setText(fileName);
    RFileMessage->setChecked(true);
    updateCounter();
}

// ---- Starting an exchange ----

void TSBD_Frm::showError(const QString &text)
{
    notice::show(this, notice::Kind::Warning, Caption, text);
}

bool TSBD_Frm::ExchangeRunning() const
{
    return m_sbd->running();
}

bool TSBD_Frm::canStart(bool quiet)
{
    QString why;
    SerialControl *port = Form1->SaxComm1;
    if (ExchangeRunning())
        why = QStringLiteral("An SBD exchange is still running; wait for it to end.");
    else if (!port->PortOpen())
        why = QStringLiteral("The port is not open. Choose Options > Connect first.");
    else if (Form1->FlowValue == "HW" && !port->CtsState())
        why = QStringLiteral("The handset is not ready (CTS is off). Check the cable and the "
                             "handset, then try again.");
    else if (Form1->callUp())
        why = QStringLiteral("A call is up. Hang up before an SBD exchange.");
    else if (port->fileTransfer()->running())
        why = QStringLiteral("A file transfer is running. Wait for it to end.");

    if (why.isEmpty())
        return true;
    if (!quiet)
        showError(why);
    return false;
}

// A new exchange has no session words yet and makes a pending retry moot.
void TSBD_Frm::begin(const std::function<bool()> &start)
{
    m_sessionWords.clear();
    RetryTimer->stop();
    start();
    updateButtons();
}

void TSBD_Frm::stepStarting(SbdReply::Command command, int bytes)
{
    QString doing;
    switch (command) {
    case SbdReply::Command::WriteText:
    case SbdReply::Command::WriteBinary:
        doing = QStringLiteral("Writing the message (%1) to the handset...")
                    .arg(bytesWord(size_t(bytes)));
        break;
    case SbdReply::Command::Session:
        doing = QStringLiteral("Session with the satellite network; this can take a minute...");
        break;
    case SbdReply::Command::ReadText:
    case SbdReply::Command::ReadBinary:
        doing = QStringLiteral("Reading the received message...");
        if (!m_sessionWords.isEmpty())
            doing = m_sessionWords + ' ' + doing;
        break;
    default:
        doing = QStringLiteral("Waiting for the handset...");
        break;
    }
    SBD_Status->setStyleSheet(QString());
    SBD_Status->setText(doing);
}

void TSBD_Frm::stepDone(const SbdReply &reply)
{
    switch (reply.command()) {
    case SbdReply::Command::Session:
        sessionDone(reply.session());
        break;
    case SbdReply::Command::ReadText:
    case SbdReply::Command::ReadBinary:
        SBD_Status->setText(m_sessionWords.isEmpty() ? QStringLiteral("Message read.")
                                                     : m_sessionWords);
        readDone(reply.message());
        break;
    case SbdReply::Command::Clear:
        if (reply.commandLine() == "AT+SBDD2")
            SBD_Status->setText(QStringLiteral("Both SBD buffers of the handset are empty now."));
        break;
    case SbdReply::Command::ResetMomsn:
        SBD_Status->setText(
            QStringLiteral("The MOMSN is 0 again: the next message is sent with MOMSN 0."));
        break;
    default:
        break;
    }
}

void TSBD_Frm::exchangeEnded(const SbdSession::Outcome &o)
{
    updateButtons();
    const bool writing =
        o.command == SbdReply::Command::WriteText || o.command == SbdReply::Command::WriteBinary;
    if (!o.stepFailed) {
        // Asked once the exchange is over, outside the receive handler.
        if (o.waiting > 0)
            QTimer::singleShot(0, this, &TSBD_Frm::offerFetch);
    } else if (o.answer.end == modem::Reply::End::CutOff) {
        cutOff(writing || o.command == SbdReply::Command::Session);
    } else if (o.answer.end == modem::Reply::End::TimedOut) {
        stepFailed(QStringLiteral("The handset did not answer %1 within %2 seconds. "
                                  "Check the handset and its cable, then try again.")
                       .arg(toQString(o.line))
                       .arg(o.timeoutMs / 1000),
                   writing);
    } else {
        stepFailed(toQString(o.error), writing);
    }
}

void TSBD_Frm::stepFailed(const QString &why, bool writing)
{
    const QString text = writing ? why + QStringLiteral(" The message was not sent.") : why;
    SBD_Status->setStyleSheet(QStringLiteral("color: #c00000;"));
    SBD_Status->setText(text);
    showError(text);
}

// ---- Results ----

void TSBD_Frm::sessionDone(const sbd::SessionResult &r)
{
    QString words = toQString(sbd::describeSession(r));
    m_lastSessionFailed = r.failed();
    if (r.failed()) {
        if (RetryCheckBox->isChecked()) {
            RetryTimer->start(RetrySpinEdit->value() * 60000);
            words +=
                QStringLiteral(" The session is repeated in %1 min.").arg(RetrySpinEdit->value());
        } else {
            words += QStringLiteral(" Press Retry Session to try again.");
        }
    }
    m_sessionWords = words;
    SBD_Status->setStyleSheet(r.failed() ? QStringLiteral("color: #c00000;") : QString());
    SBD_Status->setText(words);
}

void TSBD_Frm::readDone(const std::string &message)
{
    if (message.empty()) {
        SBD_MessageView->setPlainText(QStringLiteral("The handset holds no received message."));
        return;
    }
    const int mtmsn = m_sbd->lastMtmsn();
    const std::string number = mtmsn >= 0 ? std::to_string(mtmsn) : "unknown";
    const QString shown =
        QStringLiteral("Received message, MTMSN %1, %2\nText: %3\nHex: %4")
            .arg(toQString(number), bytesWord(message.size()), toQString(sbd::printable(message)),
                 toQString(sbd::toHex(message)));
    // Messages fetched one after another stay in view together.
    if (m_sbd->fetchingAll())
        SBD_MessageView->appendPlainText(QStringLiteral("\n") + shown);
    else
        SBD_MessageView->setPlainText(shown);
}

void TSBD_Frm::offerFetch()
{
    const int queued = m_sbd->queued();
    if (ExchangeRunning() || queued <= 0)
        return;
    const QString more = queued == 1
                             ? QStringLiteral("1 more message waits at the gateway.")
                             : QStringLiteral("%1 more messages wait at the gateway.").arg(queued);
    if (!notice::ask(this, Caption, more + QStringLiteral(" Fetch them now?")))
        return;
    if (!canStart(false))
        return;
    begin([&] { return m_sbd->check(true); });
}

// ---- Buttons ----

void TSBD_Frm::updateButtons()
{
    const bool free = !ExchangeRunning() && !Form1->SaxComm1->exchange()->busy();
    for (QPushButton *b : {SBD_SendB, CheckMailboxB, ReadB, ClearB, ResetMOMSNB})
        b->setEnabled(free);
    RetryB->setEnabled(free && m_lastSessionFailed);
}

void TSBD_Frm::SBD_SendBClick()
{
    std::string why;
    const std::optional<std::string> bytes = outgoingBytes(&why);
    if (!bytes) {
        showError(toQString(why));
        return;
    }
    if (!canStart(false))
        return;
    begin([&] { return m_sbd->send(*bytes, RTextMessage->isChecked()); });
}

void TSBD_Frm::CheckMailboxBClick()
{
    if (!canStart(false))
        return;
    begin([&] { return m_sbd->check(false); });
}

void TSBD_Frm::RetryBClick()
{
    if (!canStart(false))
        return;
    begin([&] { return m_sbd->retry(); });
}

void TSBD_Frm::RetryTimerTimer()
{
    if (!m_lastSessionFailed)
        return;
    if (!canStart(true)) {
        RetryTimer->start(30000); // busy or no link now: look again shortly
        return;
    }
    begin([&] { return m_sbd->retry(); });
}

void TSBD_Frm::ReadBClick()
{
    if (!canStart(false))
        return;
    begin([&] { return m_sbd->read(); });
}

void TSBD_Frm::ClearBClick()
{
    if (!canStart(false))
        return;
    if (!notice::ask(this, Caption,
                     QStringLiteral("Clear both SBD buffers of the handset? A message waiting to "
                                    "be sent and the last message received are lost.")))
        return;
    begin([&] { return m_sbd->clearBoth(); });
}

void TSBD_Frm::ResetMOMSNBClick()
{
    if (!canStart(false))
        return;
    if (!notice::ask(this, Caption,
                     QStringLiteral("Set the MOMSN back to 0? The gateway then sees sequence "
                                    "numbers repeat.")))
        return;
    begin([&] { return m_sbd->resetMomsn(); });
}

void TSBD_Frm::ViewLogBClick()
{
    const std::string text = log().readAll();
    SBD_MessageView->setPlainText(text.empty() ? QStringLiteral("The SBD log is empty.")
                                               : toQString(text));
    SBD_MessageView->verticalScrollBar()->setValue(SBD_MessageView->verticalScrollBar()->maximum());
}

// ---- Ends that come from outside ----

// The port closed with a step waiting for its answer.
void TSBD_Frm::cutOff(bool sending)
{
    SBD_Status->setStyleSheet(QStringLiteral("color: #c00000;"));
    SBD_Status->setText(sending ? QStringLiteral("The port closed during the exchange: the message "
                                                 "was not confirmed as sent and is not logged. "
                                                 "Connect again and send it again.")
                                : QStringLiteral("The port closed during the exchange. Connect "
                                                 "again and repeat it."));
}
