#pragma once

#include "ByteLink.h"

// A link for tests: records what was written and lets the test play the modem.
class FakeLink : public ByteLink
{
    Q_OBJECT
public:
    using ByteLink::ByteLink;

    bool open(const PortSettings &settings, int handshaking, QString *error) override;
    void close() override { isOpen = false; }
    void write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override { return pendingOutput; }
    bool cts() const override { return ctsLine; }
    bool carrier() const override { return carrierLine; }
    bool reportsRing() const override { return ringLine; }
    QString deviceIdentity() const override { return identity; }

    // Playing the modem.
    void inject(const QByteArray &bytes) { emit received(bytes); }
    void setCts(bool on);
    void setCarrier(bool on);
    void fireRing() { emit ring(); }
    void vanish(const QString &reason);

    QByteArray written;
    QString failOpenWith; // non-empty: open() fails with this text
    bool isOpen = false;
    int openCount = 0;
    int lastHandshaking = -1;
    PortSettings lastSettings;
    qint64 pendingOutput = 0;
    bool ctsLine = true;
    bool carrierLine = false;
    bool ringLine = true; // false: rings only arrive as "RING" text
    QString identity;
    // Asks for the message after AT+CMGS= and AT+CMGW=, as a handset does with "> ".
    bool promptsForMessages = true;
};
