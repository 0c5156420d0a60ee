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
    const QDateTime now = clock ? clock() : QDateTime::currentDateTime();
    write(stamp('*') + "Capture started " +
          now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8() + " on " +
          portName.toUtf8() + "\n");
    return running();
}

void CaptureFile::stop()
{
    if (!running())
        return;
    if (m_lineOpen)
        write("\n");
    m_lineOpen = false;
    if (!m_sentLine.isEmpty())
        endSentLine();
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
    write(out);
}

void CaptureFile::sent(const QByteArray &bytes, bool whole)
{
    if (!running() || bytes.isEmpty())
        return;
    for (char c : bytes) {
        if (m_sentLine.isEmpty())
            m_sentLine = stamp('>');
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n') {
            endSentLine();
        } else if (u < 0x20 || u == 0x7f) {
            m_sentLine +=
                QByteArray("<") + QByteArray::number(u, 16).toUpper().rightJustified(2, '0') + ">";
            if (c == '\x1a') // Ctrl-Z ends an SMS
                endSentLine();
        } else {
            m_sentLine += c;
        }
    }
    if (whole && !m_sentLine.isEmpty())
        endSentLine();
    if (!m_lineOpen)
        flushSent();
}

void CaptureFile::note(const QString &text)
{
    if (!running())
        return;
    if (!m_sentLine.isEmpty())
        endSentLine();
    m_sentPending += stamp('*') + text.toUtf8() + "\n";
    if (!m_lineOpen)
        flushSent();
}

void CaptureFile::endSentLine()
{
    m_sentPending += m_sentLine + "\n";
    m_sentLine.clear();
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
        emit failed(message);
    }
}
