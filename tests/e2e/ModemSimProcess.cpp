#include "ModemSimProcess.h"

#include <QDeadlineTimer>

ModemSimProcess::ModemSimProcess(const QString &link, const QStringList &modes)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(TANDREL_MODEMSIM), {QStringLiteral("--link"), link});
    // The link is in place once the simulator names its pseudo-terminal.
    m_started =
        m_process.waitForStarted(5000) && readLine(10000).startsWith("pty: ") && events(modes);
}

ModemSimProcess::~ModemSimProcess()
{
    m_process.closeWriteChannel(); // end of input ends the simulator
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString ModemSimProcess::readLine(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(50);
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

QString ModemSimProcess::event(const QString &line)
{
    m_process.write((line + '\n').toUtf8());
    return readLine(5000);
}

bool ModemSimProcess::events(const QStringList &lines)
{
    for (const QString &line : lines)
        if (event(line) != QLatin1String("ok"))
            return false;
    return true;
}

void ModemSimProcess::unplug()
{
    m_process.kill();
    m_process.waitForFinished(3000);
}
