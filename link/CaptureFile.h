#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>
#include <functional>

class QDateTime;

// Everything received and sent, appended to a file the operator chose. Each line starts
// with the local time and its direction: "hh:mm:ss.mmm < " for received text (line ends
// included), "hh:mm:ss.mmm > " for what was sent (its carriage return left to the file's
// line end), "hh:mm:ss.mmm * " for the capture's own notes. Both directions are kept byte for
// byte. A received line is written as it arrives, unfinished ones too, so a crash loses
// nothing already shown; a sent line waits for the received line it interrupts to end, and
// the echo of a line being typed waits for that line.
class CaptureFile : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CaptureFile() override;

    // False with the reason in *error when the file cannot be opened for appending.
    bool start(const QString &path, const QString &portName, QString *error);
    void stop();
    bool running() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }

    void received(const QByteArray &bytes);
    // `whole`: the text was sent in one piece (a command line, "+++"), so its line ends
    // with it; typed keys make up their line until Enter.
    void sent(const QByteArray &bytes, bool whole);
    // A line of the program's own ("Reconnected to ..."), in UTF-8.
    void note(const QString &text);

    // Tests give a fixed clock.
    std::function<QDateTime()> clock;

signals:
    // Writing failed; the capture has stopped. The message names the file and the reason.
    void failed(const QString &message);

private:
    QByteArray stamp(char mark) const;
    void write(const QByteArray &bytes);
    void endSentLine();
    void flushSent();
    void releaseHeld();

    QFile m_file;
    bool m_lineOpen = false; // a received line is waiting for its end
    QByteArray m_sentLine;   // the sent line being made up, with its stamp
    QByteArray m_sentPending;
    bool m_holding = false; // received text waits for the typed line it echoes
    QByteArray m_held;
};
