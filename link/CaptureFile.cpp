#include "CaptureFile.h"

#include <QDateTime>
#include <utility>

CaptureFile::~CaptureFile()
{
    stop();
}

bool CaptureFile::start(const QString &path, const QString &portName, QString *error)
{
    stop();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = QStringLiteral("Cannot write to %1: %2.").arg(path, m_file.errorString());
        return false;
    }
    m_lineOpen = false;
    m_sentLine.clear();
    m_sentPending.clear();
    m_holding = false;
    m_held.clear();
    const QDateTime now = clock ? clock() : QDateTime::currentDateTime();
    const QByteArray first = stamp('*') + "Capture started " +
                             now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8() + " on " +
                             portName.toUtf8() + "\n";
    // A file that opens but takes nothing (a full disk) is refused here, in the one answer
    // the caller shows, rather than started and stopped at once.
    if (m_file.write(first) != first.size() || !m_file.flush()) {
        if (error)
            *error = QStringLiteral("Cannot write to %1: %2.").arg(path, m_file.errorString());
        m_file.close();
        return false;
    }
    return true;
}

void CaptureFile::stop()
{
    if (!running())
        return;
    if (!m_sentLine.isEmpty())
        endSentLine();
    releaseHeld();
    if (m_lineOpen)
        write("\n");
    m_lineOpen = false;
    flushSent();
    write(stamp('*') + "Capture stopped\n");
    m_file.close();
}

QByteArray CaptureFile::stamp(char mark) const
{
    const QDateTime now = clock ? clock() : QDateTime::currentDateTime();
    return now.toString(QStringLiteral("hh:mm:ss.zzz ")).toLatin1() + mark + ' ';
}

void CaptureFile::received(const QByteArray &bytes)
{
    if (!running() || bytes.isEmpty())
        return;
    // A line that begins while the operator is typing one is, as a rule, the modem's echo
    // of it: it waits, so that the typed line comes first as it did on the wire.
    if (!m_lineOpen && !m_sentLine.isEmpty())
        m_holding = true;
    QByteArray out;
    qsizetype from = 0;
    while (from < bytes.size()) {
        if (!m_lineOpen) {
            out += stamp('<');
            m_lineOpen = true;
        }
        const qsizetype nl = bytes.indexOf('\n', from);
        const qsizetype end = nl < 0 ? bytes.size() : nl + 1;
        out += bytes.mid(from, end - from);
        if (nl >= 0) {
            m_lineOpen = false;
            // What was sent meanwhile goes in at the first line end.
            out += std::exchange(m_sentPending, {});
        }
        from = end;
    }
    if (!m_holding) {
        write(out);
        return;
    }
    m_held += out;
    // A whole line came meanwhile: no echo, and no reason to keep it back.
    if (out.contains('\n'))
        releaseHeld();
}

void CaptureFile::sent(const QByteArray &bytes, bool whole)
{
    if (!running() || bytes.isEmpty())
        return;
    for (char c : bytes) {
        if (m_sentLine.isEmpty())
            m_sentLine = stamp('>');
        // Both directions are written as the bytes passed; only a sent line's end is the
        // file's own.
        if (c == '\r' || c == '\n') {
            endSentLine();
        } else {
            m_sentLine += c;
            if (c == '\x1a') // Ctrl-Z ends an SMS
                endSentLine();
        }
    }
    if (whole && !m_sentLine.isEmpty())
        endSentLine();
    if (m_sentLine.isEmpty())
        releaseHeld();
    if (!m_lineOpen)
        flushSent();
}

void CaptureFile::note(const QString &text)
{
    if (!running())
        return;
    if (!m_sentLine.isEmpty())
        endSentLine();
    releaseHeld();
    m_sentPending += stamp('*') + text.toUtf8() + "\n";
    if (!m_lineOpen)
        flushSent();
}

void CaptureFile::endSentLine()
{
    m_sentPending += m_sentLine + "\n";
    m_sentLine.clear();
}

void CaptureFile::releaseHeld()
{
    if (!std::exchange(m_holding, false))
        return;
    flushSent();
    write(std::exchange(m_held, {}));
}

void CaptureFile::flushSent()
{
    if (!m_sentPending.isEmpty())
        write(std::exchange(m_sentPending, {}));
}

void CaptureFile::write(const QByteArray &bytes)
{
    if (!m_file.isOpen())
        return;
    // Flushed at once: what the operator saw is in the file even if the program dies.
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        const QString message = QStringLiteral("The capture to %1 has stopped: %2.")
                                    .arg(m_file.fileName(), m_file.errorString());
        m_file.close();
        m_sentLine.clear();
        m_sentPending.clear();
        m_holding = false;
        m_held.clear();
        emit failed(message);
    }
}
