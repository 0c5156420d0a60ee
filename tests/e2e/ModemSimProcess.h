#pragma once

#include <QProcess>
#include <QString>

// tandrel-modemsim as a child process: its pseudo-terminal, its log and its event input.
class ModemSimProcess
{
public:
    explicit ModemSimProcess(const QString &logFile = QString(),
                             const QStringList &arguments = QStringList());
    ~ModemSimProcess();

    bool started() const { return !m_pty.isEmpty(); }
    QString pty() const { return m_pty; }
    // Sends one event line ("ring", "sms ...") and waits for its answer line.
    QString event(const QString &line);
    // Ends the simulator at once, as a handset pulled off the cable ends its device.
    void unplug();

private:
    QProcess m_process;
    QString m_pty;
};
