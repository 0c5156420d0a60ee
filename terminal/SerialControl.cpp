#include "SerialControl.h"

#include "CaptureFile.h"
#include "Cp1252.h"
#include "FileTransfer.h"
#include "HexView.h"
#include "LinkFactory.h"
#include "QtText.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMap>
#include <QMessageBox>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <cctype>

namespace {

// How often a lost port is looked for: a handset is back within a second or two of being
// plugged in, and a failed open of a missing device costs nothing.
constexpr int kReconnectPollMs = 500;

// What the operator has not read yet is kept, but a handler that never reads must not
// make the program grow without end.
constexpr size_t kReceivedLimit = 1 << 20;

// Under a flood the scrollback grows with every chunk while the handle stays put, pinned to
// the bottom at its shortest length. Repainting the bar then costs more than the terminal's
// own frame (the style's gradients are filled by a thread pool, and the bar's parents paint
// behind it), so it is repainted only when what it shows changes.
class TerminalScrollBar : public QScrollBar
{
public:
    using QScrollBar::QScrollBar;

protected:
    // A range and a value are set one after the other; the bar is compared once both are.
    void sliderChange(SliderChange change) override
    {
        if (change == SliderOrientationChange) {
            QScrollBar::sliderChange(change);
            return;
        }
        if (m_checkPending)
            return;
        m_checkPending = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_checkPending = false;
                const Look now = look();
                if (now != m_shown) {
                    m_shown = now;
                    update();
                }
            },
            Qt::QueuedConnection);
    }

private:
    struct Look
    {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look &) const = default;
    };
    Look look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                value() == minimum(), value() == maximum()};
    }
    Look m_shown;
    bool m_checkPending = false;
};

} // namespace

SerialControl::SerialControl(QWidget *parent)
    : QWidget(parent), m_screen(new TerminalScreen(this)), m_factory(makeByteLink)
{
    setObjectName(QStringLiteral("SaxComm1"));
    m_screen->setObjectName(QStringLiteral("TerminalScreen"));
    // The scroll bar walks the whole scrollback; at the bottom is the live screen.
    m_scrollBar = new TerminalScrollBar(Qt::Vertical, this);
    m_scrollBar->setObjectName(QStringLiteral("TerminalScrollBar"));
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_screen);
    layout->addWidget(m_scrollBar);
    m_hex = new HexView(this);
    m_hex->setObjectName(QStringLiteral("HexView"));
    m_hex->setFont(m_screen->font());
    m_hex->setKeyTarget(m_screen);
    m_hex->hide();
    layout->addWidget(m_hex);
    // A flood moves the scrollback thousands of times a second; the bar follows at 10 Hz.
    m_scrollSync = new QTimer(this);
    m_scrollSync->setSingleShot(true);
    m_scrollSync->setInterval(100);
    connect(m_scrollSync, &QTimer::timeout, this, &SerialControl::syncScrollBar);
    connect(m_screen, &TerminalScreen::viewMoved, this, &SerialControl::syncScrollBar);
    connect(m_scrollBar, &QScrollBar::valueChanged, this,
            [this](int value) { m_screen->setViewOffset(m_scrollBar->maximum() - value); });
    syncScrollBar();
    setFocusProxy(m_screen);
    m_pacer = new QTimer(this);
    m_pacer->setInterval(1);
    connect(m_pacer, &QTimer::timeout, this, &SerialControl::paceNext);
    connect(m_screen, &TerminalScreen::keyPressed, this,
            [this](int key, Qt::KeyboardModifiers mods) {
                if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
                    if (key == Qt::Key_C)
                        DoCommand(Copy);
                    else if (key == Qt::Key_V)
                        DoCommand(Paste);
                }
                emit OnKeyDown(key, mods);
            });
    connect(m_screen, &TerminalScreen::keyBytes, this, &SerialControl::onKeyBytes);
    m_transfer = new FileTransfer(this);
    m_capture = new CaptureFile(this);
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setObjectName(QStringLiteral("ReconnectTimer"));
    m_reconnectTimer->setInterval(kReconnectPollMs);
    connect(m_reconnectTimer, &QTimer::timeout, this, &SerialControl::tryReconnect);
    m_exchange = new modem::Exchange(this);
    m_exchange->setWriter([this](const QByteArray &bytes) {
        if (m_link)
            m_capture->sent(bytes, true);
        send(bytes);
    });
    m_exchange->setDisplay([this](const QByteArray &bytes) { deliver(bytes); });
    // Devices without a ring-indicator line still say RING as a result code.
    m_exchange->onUnsolicited("RING", 0, [this](const std::vector<std::string> &) {
        if (m_link && !m_link->reportsRing())
            emit OnRing();
    });
}

SerialControl::~SerialControl()
{
    if (m_link) {
        m_link->disconnect(this);
        m_link->close();
    }
}

void SerialControl::setLinkFactory(LinkFactory factory)
{
    m_factory = factory ? std::move(factory) : LinkFactory(makeByteLink);
}

void SerialControl::setPortOpen(bool open)
{
    if (open == PortOpen())
        return;
    if (!open) {
        stopReconnecting();
        m_link->disconnect(this);
        m_link->close();
        m_link.reset();
        m_exchange->closed();
        emit portClosed();
        return;
    }
    const QString port = tandrel::toQString(m_commPort);
    PortSettings settings;
    std::string why;
    if (!PortSettings::parse(m_settings, &settings, &why)) {
        report(QStringLiteral("Cannot open %1: %2 Correct them in Set Port Properties.")
                   .arg(port, tandrel::toQString(why)));
        return;
    }
    if (port.trimmed().isEmpty()) {
        report(QStringLiteral("No port is chosen. Choose one in Set Port Properties."));
        return;
    }
    auto link = m_factory(port);
    QString error;
    if (!link || !link->open(settings, m_handshaking, &error)) {
        report(error.isEmpty() ? QStringLiteral("Cannot open %1.").arg(port) : error);
        return;
    }
    adopt(std::move(link));
}

void SerialControl::adopt(std::unique_ptr<ByteLink> link)
{
    stopReconnecting();
    m_link = std::move(link);
    m_lastError.clear();
    connect(m_link.get(), &ByteLink::received, this, &SerialControl::onReceived);
    connect(m_link.get(), &ByteLink::ctsChanged, this, &SerialControl::OnCTSChanged);
    connect(m_link.get(), &ByteLink::carrierChanged, this, &SerialControl::OnCarrierChanged);
    connect(m_link.get(), &ByteLink::ring, this, &SerialControl::OnRing);
    connect(m_link.get(), &ByteLink::lost, this, &SerialControl::onLost);
    m_exchange->opened();
    emit portOpened();
}

void SerialControl::setReconnectAutomatically(bool on)
{
    m_reconnect = on;
    if (!on)
        stopReconnecting();
}

bool SerialControl::awaitingReconnect() const
{
    return m_reconnectTimer->isActive();
}

void SerialControl::stopReconnecting()
{
    m_reconnectTimer->stop();
    m_lostPort.clear();
    m_lostIdentity.clear();
}

void SerialControl::tryReconnect()
{
    // The operator chose another port meanwhile: that one is opened by Connect, not by us.
    if (m_link || m_commPort != m_lostPort) {
        stopReconnecting();
        return;
    }
    PortSettings settings;
    if (!PortSettings::parse(m_settings, &settings, nullptr))
        return;
    auto link = m_factory(tandrel::toQString(m_commPort));
    if (!link || !link->open(settings, m_handshaking, nullptr))
        return; // not back yet
    // Another handset plugged in at the same name is not the one that was lost.
    const QString identity = link->deviceIdentity();
    if (!m_lostIdentity.isEmpty() && !identity.isEmpty() && identity != m_lostIdentity) {
        link->close();
        return;
    }
    adopt(std::move(link));
    say(QStringLiteral("Reconnected to %1.").arg(tandrel::toQString(m_commPort)));
    emit reconnected();
}

// A line of the program's own on the terminal, never seen by the received-text rules.
void SerialControl::say(const QString &line)
{
    m_capture->note(line);
    // The screen reads its bytes as the line's Windows-1252.
    m_screen->feed("\r\n\x1b[1;33m" +
                   QByteArray::fromStdString(tandrel::utf8ToCp1252(tandrel::fromQString(line))) +
                   "\x1b[0m\r\n");
}

int SerialControl::OutBufferCount() const
{
    return m_link ? static_cast<int>(m_link->bytesToWrite()) : 0;
}

bool SerialControl::CarrierDetect() const
{
    return m_link && m_link->carrier();
}

bool SerialControl::CtsState() const
{
    return m_link && m_link->cts();
}

void SerialControl::setTransmitLine(const std::string &text)
{
    QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    bytes += '\r';
    if (m_link)
        m_capture->sent(bytes, true);
    send(bytes);
}

void SerialControl::setOutput(const std::string &text)
{
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    if (m_link)
        m_capture->sent(bytes, true);
    send(bytes);
}

void SerialControl::send(const QByteArray &bytes)
{
    if (m_pacer->isActive()) {
        m_held += bytes;
        return;
    }
    if (m_link)
        m_link->write(bytes);
}

void SerialControl::sendPaced(const std::string &text)
{
    m_paced.append(text.data(), static_cast<qsizetype>(text.size()));
    if (!m_pacer->isActive() && !m_paced.isEmpty())
        m_pacer->start();
}

bool SerialControl::isPacing() const
{
    return m_pacer->isActive();
}

void SerialControl::paceNext()
{
    if (!m_link) {
        m_paced.clear();
        m_held.clear();
        m_pacer->stop();
        return;
    }
    m_link->write(m_paced.left(1));
    m_paced.remove(0, 1);
    if (m_paced.isEmpty()) {
        m_pacer->stop();
        if (!m_held.isEmpty())
            m_link->write(std::exchange(m_held, {}));
    }
}

void SerialControl::writeRaw(const QByteArray &bytes)
{
    send(bytes);
}

std::string SerialControl::ReceivedText()
{
    return std::exchange(m_received, {});
}

bool SerialControl::setReceiveDiversion(std::function<void(const QByteArray &)> hook)
{
    if (!hook) {
        m_exchange->release();
        return true;
    }
    return m_exchange->lease(std::move(hook));
}

void SerialControl::DoCommand(int command)
{
    switch (command) {
    case Copy:
        if (hexShown())
            m_hex->copySelection();
        else
            m_screen->copySelection();
        break;
    case Paste: {
        if (!m_link)
            break;
        QString text = QApplication::clipboard()->text();
        text.replace(QLatin1String("\r\n"), QLatin1String("\r"));
        text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
        onKeyBytes(QByteArray::fromStdString(tandrel::utf8ToCp1252(tandrel::fromQString(text))));
        break;
    }
    case SendFile:
    case ReceiveFile:
        emit fileTransferRequested(command == SendFile);
        m_transfer->askAndStart(command == SendFile);
        break;
    default:
        break;
    }
}

std::vector<std::string> SerialControl::CommPorts()
{
    std::vector<std::string> ports;
    for (const PortEntry &entry : CommPortEntries())
        ports.push_back(entry.name);
    return ports;
}

std::vector<PortEntry> SerialControl::CommPortEntries(const QString &byIdDir)
{
    using tandrel::fromQString;
    // udev's stable names, by the device each one points at.
    QMap<QString, QString> byId;
    const QDir dir(byIdDir);
    for (const QFileInfo &link : dir.entryInfoList(QDir::Files | QDir::System)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            byId.insert(target, link.absoluteFilePath());
    }
    std::vector<PortFacts> facts;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString location = info.systemLocation();
        facts.push_back({fromQString(location), fromQString(info.description()),
                         fromQString(info.manufacturer()), fromQString(info.serialNumber()),
                         fromQString(byId.take(QFileInfo(location).canonicalFilePath()))});
    }
    // A stable name whose device Qt did not list is still a serial device.
    for (auto it = byId.cbegin(); it != byId.cend(); ++it)
        facts.push_back({fromQString(it.key()), {}, {}, {}, fromQString(it.value())});
    std::vector<PortEntry> entries = portEntries(facts);
    entries.push_back({SimulatorPortName, "the built-in simulated handset"});
    return entries;
}

void SerialControl::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    focusProxy()->setFocus();
}

bool SerialControl::hexShown() const
{
    return !m_hex->isHidden();
}

void SerialControl::setHexShown(bool on)
{
    if (on == hexShown())
        return;
    const bool focused = focusProxy()->hasFocus();
    // The one shown goes first: shown beside the other, even for a moment, the screen
    // would be laid out at half the width.
    if (!on)
        m_hex->hide();
    m_screen->setHidden(on);
    m_scrollBar->setHidden(on);
    m_hex->setVisible(on);
    setFocusProxy(on ? static_cast<QWidget *>(m_hex) : m_screen);
    if (focused)
        focusProxy()->setFocus();
}

void SerialControl::onReceived(const QByteArray &bytes)
{
    // Everything the port gives, file transfers and the program's own questions included.
    m_hex->append(bytes);
    m_capture->received(bytes);
    m_exchange->received(bytes);
}

void SerialControl::deliver(const QByteArray &bytes)
{
    if (m_inputEcho) {
        m_screen->feed(m_timeStamps ? stamped(bytes) : bytes);
        if (!m_scrollSync->isActive())
            m_scrollSync->start();
    }
    m_received.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (m_received.size() > kReceivedLimit)
        m_received.erase(0, m_received.size() - kReceivedLimit);
    emit OnReceive();
}

void SerialControl::syncScrollBar()
{
    const QSignalBlocker quiet(m_scrollBar);
    const int lines = m_screen->scrollbackCount();
    m_scrollBar->setRange(0, lines);
    m_scrollBar->setPageStep(std::max(1, m_screen->rows()));
    m_scrollBar->setValue(lines - m_screen->viewOffset());
}

// The stamp goes in front of a line's first byte, so a line that is still arriving carries
// the time it began. Typed text echoed here passes through too: a line the operator starts
// is stamped before what was typed, not split by the modem's echo. Text after a bare
// carriage return overwrites the line from its start, so the line's stamp is written again.
QByteArray SerialControl::stamped(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 32);
    qsizetype from = 0;
    while (from < bytes.size()) {
        const char c = bytes.at(from);
        if (m_atLineStart) {
            m_lineStamp = "\x1b[90m" +
                          (stampClock ? stampClock() : QTime::currentTime())
                              .toString(QStringLiteral("hh:mm:ss.zzz "))
                              .toLatin1() +
                          "\x1b[39m";
            out += m_lineStamp;
            m_atLineStart = false;
        } else if (m_afterReturn && c != '\r' && c != '\n') {
            out += m_lineStamp;
        }
        m_afterReturn = false;
        qsizetype end = from;
        while (end < bytes.size() && bytes.at(end) != '\r' && bytes.at(end) != '\n')
            ++end;
        if (end < bytes.size()) {
            m_afterReturn = bytes.at(end) == '\r';
            m_atLineStart = bytes.at(end) == '\n';
            ++end;
        }
        out += QByteArrayView(bytes).sliced(from, end - from);
        from = end;
    }
    return out;
}

void SerialControl::onLost(const QString &reason)
{
    QString identity;
    if (m_link) {
        identity = m_link->deviceIdentity();
        m_link->disconnect(this);
        m_link.release()->deleteLater();
        m_exchange->closed();
        emit portClosed();
    }
    if (!m_reconnect) {
        report(reason);
        return;
    }
    // No box: the port comes back by itself, and a box would wait for nothing.
    m_lastError = reason;
    emit portFailed(reason);
    say(QStringLiteral("Lost %1; waiting for it to come back.")
            .arg(tandrel::toQString(m_commPort)));
    m_lostPort = m_commPort;
    m_lostIdentity = identity;
    m_reconnectTimer->start();
}

void SerialControl::onKeyBytes(const QByteArray &bytes)
{
    // During a file transfer or a binary answer a stray key would corrupt the bytes.
    if (!m_link || m_exchange->exclusive())
        return;
    if (m_echo)
        m_screen->feed(m_timeStamps ? stamped(bytes) : bytes);
    m_capture->sent(bytes, false);
    send(bytes);
    m_exchange->typed(bytes);
}

void SerialControl::report(const QString &message)
{
    m_lastError = message;
    emit portFailed(message);
    // One box at a time: every key typed while closed retries the open.
    if (m_errorBox)
        return;
    m_errorBox = new QMessageBox(QMessageBox::Warning, QStringLiteral("Port"), message,
                                 QMessageBox::Ok, window());
    m_errorBox->setObjectName(QStringLiteral("PortErrorBox"));
    m_errorBox->setAttribute(Qt::WA_DeleteOnClose);
    m_errorBox->setWindowModality(Qt::ApplicationModal);
    m_errorBox->show();
}
