#pragma once

#include <QProcess>
#include <QString>

// tandrel-modemsim as a child process: its pseudo-terminal, its log and its event input.
class ModemSimProcess
{
public:
    explicit ModemSimProcess(const QString &logFile = QString());
    ~ModemSimProcess();

    bool started() const { return !m_pty.isEmpty(); }
    QString pty() const { return m_pty; }
    // Sends one event line ("ring", "sms ...") and waits for its answer line.
    QString event(const QString &line);

private:
    QProcess m_process;
    QString m_pty;
};
