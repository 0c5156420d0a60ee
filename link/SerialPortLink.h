#pragma once

#include "ByteLink.h"

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

private:
    void pollLines();
    void onError(QSerialPort::SerialPortError error);
    QString describe() const;

    QString m_portName;
    QSerialPort m_port;
    QTimer m_linePoll;
    bool m_linesReported = false;
    QSerialPort::PinoutSignals m_lines;
    QString m_identity;
};
