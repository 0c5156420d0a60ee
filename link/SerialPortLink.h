#pragma once

#include "ByteLink.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

// A real serial device through Qt SerialPort.
class SerialPortLink : public ByteLink
{
    Q_OBJECT
public:
    explicit SerialPortLink(const QString &portName, QObject *parent = nullptr);

    bool open(const PortSettings &settings, int handshaking, QString *error) override;
    void close() override;
    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override;
    bool cts() const override;
    bool carrier() const override;
    bool reportsRing() const override { return m_linesReported; }
    QString deviceIdentity() const override { return m_identity; }

    // While data keeps coming, reads are this far apart at least.
    static constexpr int GatherMs = 16;
    // A stream that brings this much within a gathering period is taken without waiting.
    static constexpr qint64 FullTake = 2048;

private:
    void onReadyRead();
    void take();
    bool fastStream() const;
    void pollLines();
    void onError(QSerialPort::SerialPortError error);
    QString describe() const;

    QString m_portName;
    QSerialPort m_port;
    QTimer m_linePoll;
    QTimer m_gather;
    QElapsedTimer m_sinceTake;
    qint64 m_lastTake = 0;
    qint64 m_takeGapNs = 0;
    bool m_linesReported = false;
    bool m_taking = false;
    QSerialPort::PinoutSignals m_lines;
    QString m_identity;
};
