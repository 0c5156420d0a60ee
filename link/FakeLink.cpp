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
