#pragma once

#include <QProcess>
#include <QString>

// tandrel-modemsim as a child process: its pseudo-terminal, its log and its event input.
class ModemSimProcess
{
public:
    // `modes` are events sent before anything else, the answer forms of another handset
    // ("echo off", "split 3"); one refused leaves the simulator not started.
    explicit ModemSimProcess(const QString &logFile = QString(),
                             const QStringList &arguments = QStringList(),
                             const QStringList &modes = QStringList());
    ~ModemSimProcess();

    bool started() const { return !m_pty.isEmpty(); }
    QString pty() const { return m_pty; }
    // Sends one event line ("ring", "sms ...") and waits for its answer line.
    QString event(const QString &line);
    // Sends each event in turn; true when every one was taken.
    bool events(const QStringList &lines);
    // Ends the simulator at once, as a handset pulled off the cable ends its device.
    void unplug();

private:
    QProcess m_process;
    QString m_pty;
};
