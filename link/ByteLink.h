#pragma once

#include "PortSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The byte pipe under the serial control: a real port, the simulated handset or a test fake.
class ByteLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ByteLink() override = default;

    // False with a message for the operator (port named, system reason) in *error.
    virtual bool open(const PortSettings &settings, int handshaking, QString *error) = 0;
    virtual void close() = 0;
    virtual void write(const QByteArray &bytes) = 0;
    virtual qint64 bytesToWrite() const = 0;

    // Modem lines. A link whose device cannot report them answers CTS true and carrier
    // false, so that flow-control checks never block sending.
    virtual bool cts() const = 0;
    virtual bool carrier() const = 0;
    // True when a ring is signalled on the RI line rather than only as "RING" text.
    virtual bool reportsRing() const = 0;
    // What tells this device from another at the same name (USB serial number, vendor and
    // product); empty when nothing does.
    virtual QString deviceIdentity() const { return {}; }

signals:
    void received(const QByteArray &bytes);
    void ctsChanged();
    void carrierChanged();
    void ring();
    // The device went away while open (USB unplugged, pseudo-terminal closed).
    void lost(const QString &reason);
};
