#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// This process's resident memory in KiB, as the kernel counts it; -1 when it cannot say.
inline long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}
