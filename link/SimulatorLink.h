#pragma once

#include "ByteLink.h"

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

namespace tandrel::sim {
class ModemSimCore;
}

// The built-in simulated handset, port name "SIMULATOR".
class SimulatorLink : public ByteLink
{
    Q_OBJECT
public:
    explicit SimulatorLink(QObject *parent = nullptr);
    ~SimulatorLink() override;

    bool open(const PortSettings &settings, int handshaking, QString *error) override;
    void close() override;
    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override { return 0; }
    bool cts() const override;
    bool carrier() const override;
    bool reportsRing() const override { return true; }

    // An operator event for the handset ("ring", "cts off", "sms NUMBER TEXT", ...).
    bool command(const QString &line, QString *error = nullptr);

private:
    void pump();
    void schedule();

    std::unique_ptr<tandrel::sim::ModemSimCore> m_core;
    QElapsedTimer m_clock;
    QTimer m_deadline;
    QTimer m_deliver;
    QByteArray m_pending;
    bool m_open = false;
    bool m_cts = true;
    bool m_carrier = false;
    quint64 m_rings = 0;
};
