#include "SerialPortLink.h"

#include <QSerialPortInfo>

#include <unistd.h>

SerialPortLink::SerialPortLink(const QString &portName, QObject *parent)
    : ByteLink(parent), m_portName(portName)
{
    m_port.setPortName(QString::fromStdString(devicePathForPort(portName.toStdString())));
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortLink::onReadyRead);
    m_gather.setSingleShot(true);
    connect(&m_gather, &QTimer::timeout, this, &SerialPortLink::take);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortLink::onError);
    // Qt reports no pin-change events, so the lines are sampled.
    m_linePoll.setInterval(100);
    connect(&m_linePoll, &QTimer::timeout, this, &SerialPortLink::pollLines);
}

QString SerialPortLink::describe() const
{
    // Qt's port name drops "/dev/"; a name that is already the device's path says it all.
    const QString path = QString::fromStdString(devicePathForPort(m_portName.toStdString()));
    return path == m_portName ? m_portName : QStringLiteral("%1 (%2)").arg(m_portName, path);
}

bool SerialPortLink::open(const PortSettings &s, int handshaking, QString *error)
{
    m_port.setBaudRate(s.baud);
    m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    switch (s.parity) {
    case 'o':
        m_port.setParity(QSerialPort::OddParity);
        break;
    case 'e':
        m_port.setParity(QSerialPort::EvenParity);
        break;
    case 'm':
        m_port.setParity(QSerialPort::MarkParity);
        break;
    case 's':
        m_port.setParity(QSerialPort::SpaceParity);
        break;
    default:
        m_port.setParity(QSerialPort::NoParity);
        break;
    }
    m_port.setStopBits(s.stopBits == "2"     ? QSerialPort::TwoStop
                       : s.stopBits == "1.5" ? QSerialPort::OneAndHalfStop
                                             : QSerialPort::OneStop);
    // "Both" has no Qt equivalent; hardware flow control is the half that protects data.
    m_port.setFlowControl(handshaking == 1                         ? QSerialPort::SoftwareControl
                          : (handshaking == 2 || handshaking == 3) ? QSerialPort::HardwareControl
                                                                   : QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (error) {
            QString why;
            switch (m_port.error()) {
            case QSerialPort::PermissionError:
                // The port is locked by another program (as terminals lock a port they hold)
                // when the device itself may be opened.
                if (::access(m_port.portName().startsWith('/')
                                 ? m_port.portName().toLocal8Bit().constData()
                                 : ("/dev/" + m_port.portName()).toLocal8Bit().constData(),
                             R_OK | W_OK) == 0) {
                    why = QStringLiteral("the port is in use by another program. Close that "
                                         "program, or choose another port in Set Port "
                                         "Properties.");
                    break;
                }
                why = QStringLiteral("permission denied. Add your user to the \"dialout\" group "
                                     "(sudo usermod -aG dialout $USER), log in again and "
                                     "choose Connect.");
                break;
            case QSerialPort::DeviceNotFoundError:
                why = QStringLiteral("no such device. Check that the modem is plugged in, or "
                                     "choose another port in Set Port Properties.");
                break;
            case QSerialPort::OpenError:
                why = QStringLiteral("the port is in use by another program. Close that "
                                     "program, or choose another port in Set Port Properties.");
                break;
            default:
                why = m_port.errorString() + QStringLiteral(".");
                break;
            }
            *error = QStringLiteral("Cannot open %1: %2").arg(describe(), why);
        }
        m_port.clearError();
        return false;
    }
    // Read while the device is here: after it goes away the system no longer knows it.
    const QSerialPortInfo info(m_port);
    if (!info.serialNumber().isEmpty() || info.hasVendorIdentifier())
        m_identity = QStringLiteral("%1:%2:%3")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.serialNumber());
    // Pseudo-terminals and some USB adapters cannot report modem lines.
    m_lines = m_port.pinoutSignals();
    m_linesReported = m_port.error() == QSerialPort::NoError;
    m_port.clearError();
    if (m_linesReported)
        m_linePoll.start();
    return true;
}

// Adapters and UARTs hand over a fast stream tens of bytes at a time, and every read wakes
// the whole program. So while data keeps coming, a read buffer of one byte stops the port
// from reading further until the next gathering is due: the rest waits in the device's
// buffers (1.5 KB at 921,600 baud, where a tty holds 4 KB and more), and is then taken in
// one piece. A reply after a quiet spell is still taken at once, and so is a stream that
// fills the device's buffers faster than that: waiting would only slow it down.
void SerialPortLink::onReadyRead()
{
    if (m_gather.isActive() || m_taking)
        return;
    if (!fastStream() && m_sinceTake.isValid() && m_sinceTake.elapsed() < GatherMs)
        m_gather.start(static_cast<int>(GatherMs - m_sinceTake.elapsed()));
    else
        take();
}

// The last piece came at a rate that fills FullTake within a gathering period.
bool SerialPortLink::fastStream() const
{
    return m_lastTake >= FullTake ||
           (m_takeGapNs > 0 && m_lastTake * GatherMs * 1'000'000 >= FullTake * m_takeGapNs);
}

void SerialPortLink::take()
{
    m_gather.stop();
    if (!m_port.isOpen())
        return;
    const bool held = m_port.readBufferSize() != 0;
    m_port.setReadBufferSize(0);
    QByteArray bytes = m_port.readAll();
    // The byte that closed the buffer came first; what followed it is still in the device.
    // Reading it signals readyRead again, which must not take a piece of its own.
    m_taking = true;
    if (held && m_port.waitForReadyRead(0))
        bytes += m_port.readAll();
    m_taking = false;
    if (m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    if (!m_port.isOpen())
        return;
    if (bytes.isEmpty())
        return;
    m_takeGapNs = m_sinceTake.isValid() ? m_sinceTake.nsecsElapsed() : 0;
    m_sinceTake.start();
    m_lastTake = bytes.size();
    m_port.setReadBufferSize(1);
    emit received(bytes);
}

void SerialPortLink::close()
{
    m_gather.stop();
    m_linePoll.stop();
    if (m_port.isOpen())
        m_port.close();
}

void SerialPortLink::write(const QByteArray &bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

qint64 SerialPortLink::bytesToWrite() const
{
    return m_port.isOpen() ? m_port.bytesToWrite() : 0;
}

bool SerialPortLink::cts() const
{
    return !m_linesReported || m_lines.testFlag(QSerialPort::ClearToSendSignal);
}

bool SerialPortLink::carrier() const
{
    return m_linesReported && m_lines.testFlag(QSerialPort::DataCarrierDetectSignal);
}

void SerialPortLink::pollLines()
{
    const auto now = m_port.pinoutSignals();
    if (m_port.error() != QSerialPort::NoError) {
        m_port.clearError();
        return;
    }
    const auto changed = now ^ m_lines;
    m_lines = now;
    if (changed.testFlag(QSerialPort::ClearToSendSignal))
        emit ctsChanged();
    if (changed.testFlag(QSerialPort::DataCarrierDetectSignal))
        emit carrierChanged();
    if (changed.testFlag(QSerialPort::RingIndicatorSignal) &&
        now.testFlag(QSerialPort::RingIndicatorSignal))
        emit ring();
}

void SerialPortLink::onError(QSerialPort::SerialPortError error)
{
    // A device that went away reports a failed read or write as often as not (a closed
    // pseudo-terminal reads end of file for ever); left open, the read would spin.
    const bool gone = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                      error == QSerialPort::WriteError;
    if (gone && m_port.isOpen()) {
        // The system's words for it ("Resource temporarily unavailable") mislead: the
        // device is gone, not busy.
        const QString reason = QStringLiteral("The connection to %1 was lost: the device went "
                                              "away. Check the cable or adapter, then choose "
                                              "Connect.")
                                   .arg(describe());
        m_port.clearError();
        close();
        emit lost(reason);
    }
}
