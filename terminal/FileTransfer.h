#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>

class SerialControl;
class QProgressDialog;

// Send a File / Receive a File: an lrzsz program runs as a child process whose standard
// input and output are bridged to the open port. While it runs, received bytes go to it and
// not to the terminal screen, and typed keys are held back.
class FileTransfer : public QObject
{
    Q_OBJECT
public:
    enum Protocol
    {
        Zmodem,
        Ymodem,
        Xmodem
    };

    explicit FileTransfer(SerialControl *control);
    ~FileTransfer() override;

    // The dialogs of the menu commands: protocol and file, then progress and the result.
    void askAndStart(bool send);

    // Starts without dialogs. Sending: path is the file. Receiving: path is the folder for
    // ZMODEM and YMODEM (the sender names the file) and the file for XMODEM.
    bool start(bool send, Protocol protocol, const QString &path, QString *error);
    void cancel();
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    static QString programFor(bool send, Protocol protocol);
    static QString protocolName(Protocol protocol);

signals:
    // total is -1 while unknown.
    void progress(qint64 done, qint64 total, const QString &fileName);
    void finished(bool ok, const QString &message);

private:
    void onStandardError();
    void onFinished(int exitCode, QProcess::ExitStatus status);
    void end(bool ok, const QString &message);
    void showProgress(qint64 done, qint64 total, const QString &fileName);

    SerialControl *m_control;
    QProcess m_process;
    QString m_program;
    QString m_fileName;
    QString m_lastLine;
    QByteArray m_errorTail;
    bool m_send = false;
    bool m_cancelled = false;
    bool m_interactive = false;
    qint64 m_total = -1;
    QPointer<QProgressDialog> m_progress;
};
