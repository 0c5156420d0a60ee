#pragma once

#include <QProcess>
#include <QString>

// tandrel-modemsim as a child process: its pseudo-terminal and its event input.
class ModemSimProcess
{
public:
    // The simulator's pseudo-terminal under the stable name `link`. `modes` are events sent
    // before anything else, the answer forms of another handset ("echo off", "split 3"); one
    // refused leaves the simulator not started.
    ModemSimProcess(const QString &link, const QStringList &modes);
    ~ModemSimProcess();

    bool started() const { return m_started; }
    // Sends one event line ("ring", "sms ...") and waits for its answer line.
    QString event(const QString &line);
    // Sends each event in turn; true when every one was taken.
    bool events(const QStringList &lines);
    // Ends the simulator at once, as a handset pulled off the cable ends its device.
    void unplug();

private:
    QString readLine(int timeoutMs);

    QProcess m_process;
    bool m_started = false;
};
