#include "FakeLink.h"

bool FakeLink::open(const PortSettings &settings, int handshaking, QString *error)
{
    ++openCount;
    if (!failOpenWith.isEmpty()) {
        if (error)
            *error = failOpenWith;
        return false;
    }
    lastSettings = settings;
    lastHandshaking = handshaking;
    isOpen = true;
    return true;
}

void FakeLink::setCts(bool on)
{
    if (ctsLine == on)
        return;
    ctsLine = on;
    emit ctsChanged();
}

void FakeLink::setCarrier(bool on)
{
    if (carrierLine == on)
        return;
    carrierLine = on;
    emit carrierChanged();
}

void FakeLink::vanish(const QString &reason)
{
    isOpen = false;
    emit lost(reason);
}

void FakeLink::write(const QByteArray &bytes)
{
    written += bytes;
    if (promptsForMessages && bytes.endsWith('\r') &&
        (bytes.startsWith("AT+CMGS=") || bytes.startsWith("AT+CMGW=")))
        QMetaObject::invokeMethod(
            this, [this] { emit received("\r\n> "); }, Qt::QueuedConnection);
}
