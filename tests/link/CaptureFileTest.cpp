#include "CaptureFile.h"

#include <QDateTime>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class CaptureFileTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void linesWithTimeAndDirection()
    {
        const QString path = dir.filePath("one.log");
        CaptureFile capture;
        capture.clock = [] { return QDateTime(QDate(2026, 12, 7), QTime(17, 5, 9, 42)); };
        QVERIFY(capture.start(path, "/dev/ttyUSB0", nullptr));
        capture.sent("AT+CSQ\r", true);
        capture.received("AT+CSQ\r\r\n+CS");
        // Each piece is in the file as soon as it arrived, unfinished line and all.
        QVERIFY(read(path).endsWith("17:05:09.042 < AT+CSQ\r\r\n17:05:09.042 < +CS"));
        // A key typed meanwhile waits for the received line to end.
        capture.sent("A", false);
        capture.sent("T\r", false);
        capture.received("Q:4\r\n\r\nOK\r\n> ");
        capture.sent(QByteArray("00\x1b\xe9\x1a", 5), true); // bytes as they passed, as received
        capture.note("Reconnected to /dev/ttyUSB0.");
        capture.received("\r\n+CMGS: 1\r\n");
        capture.stop();
        QVERIFY(!capture.running());
        const QByteArray first("17:05:09.042 * Capture started 2026-12-07 17:05:09 on "
                               "/dev/ttyUSB0\n"
                               "17:05:09.042 > AT+CSQ\n"
                               "17:05:09.042 < AT+CSQ\r\r\n"
                               "17:05:09.042 < +CSQ:4\r\n"
                               "17:05:09.042 > AT\n"
                               "17:05:09.042 < \r\n"
                               "17:05:09.042 < OK\r\n"
                               "17:05:09.042 < > \r\n"
                               "17:05:09.042 > 00\x1b\xe9\x1a\n"
                               "17:05:09.042 * Reconnected to /dev/ttyUSB0.\n"
                               "17:05:09.042 < +CMGS: 1\r\n"
                               "17:05:09.042 * Capture stopped\n");
        QCOMPARE(read(path), first);

        // Started again on the same file: appended, nothing lost.
        QVERIFY(capture.start(path, "SIMULATOR", nullptr));
        capture.received("RING");
        capture.stop();
        QCOMPARE(read(path), first + "17:05:09.042 * Capture started 2026-12-07 17:05:09 on "
                                     "SIMULATOR\n17:05:09.042 < RING\n"
                                     "17:05:09.042 * Capture stopped\n");
    }

    void writeFailureStopsAndSaysWhy()
    {
        CaptureFile capture;
        QString error;
        QVERIFY(!capture.start(dir.filePath("no/such/folder/x.log"), "COM1", &error));
        QVERIFY2(error.contains("no/such/folder/x.log"), qPrintable(error));
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full to fill");
        QSignalSpy failed(&capture, &CaptureFile::failed);
        // /dev/full opens, and every write to it finds the disk full: refused at the start,
        // in the one answer, not also by a failure signal.
        QVERIFY(!capture.start("/dev/full", "COM1", &error));
        QVERIFY2(error.contains("/dev/full"), qPrintable(error));
        QVERIFY(!capture.running());
        capture.received("more\r\n");
        QCOMPARE(failed.count(), 0);
    }
};

QTEST_GUILESS_MAIN(CaptureFileTest)
#include "CaptureFileTest.moc"
