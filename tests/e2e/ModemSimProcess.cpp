#include "ModemSimProcess.h"

#include <QDeadlineTimer>

ModemSimProcess::ModemSimProcess(const QString &logFile, const QStringList &arguments,
                                 const QStringList &modes)
{
    QStringList args = arguments;
    if (!logFile.isEmpty())
        args << QStringLiteral("--log") << logFile;
    m_process.setProgram(QStringLiteral(TANDREL_MODEMSIM));
    m_process.setArguments(args);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return;
    QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(100);
    const QString first = QString::fromUtf8(m_process.readLine()).trimmed();
    if (first.startsWith(QLatin1String("pty: ")))
        m_pty = first.mid(5);
    if (!events(modes))
        m_pty.clear();
}

ModemSimProcess::~ModemSimProcess()
{
    m_process.closeWriteChannel(); // end of input ends the simulator
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString ModemSimProcess::event(const QString &line)
{
    m_process.write((line + '\n').toUtf8());
    QDeadlineTimer deadline(5000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(50);
    return QString::fromUtf8(m_process.readLine()).trimmed();
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
