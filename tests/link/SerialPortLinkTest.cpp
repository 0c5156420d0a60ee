#include "SerialPortLink.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

// The serial back end on the slave side of a pseudo-terminal; the test writes the master.
class SerialPortLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void gathersAFastStreamAndTakesAQuietReplyWhole();
    void aMissingDeviceIsNamedOnce()
    {
        SerialPortLink link(QStringLiteral("/dev/ttyUSB97"));
        QString error;
        QVERIFY(!link.open(PortSettings{}, 0, &error));
        QVERIFY2(error.startsWith("Cannot open /dev/ttyUSB97: no such device."), qPrintable(error));
    }
};

void SerialPortLinkTest::gathersAFastStreamAndTakesAQuietReplyWhole()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
    termios raw{};
    tcgetattr(master, &raw);
    cfmakeraw(&raw);
    tcsetattr(master, TCSANOW, &raw);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    SerialPortLink link(slave);
    const PortSettings settings{.baud = 921600};
    QString error;
    QVERIFY2(link.open(settings, 0, &error), qPrintable(error));
    // Held here, the port is not shared: another program is told it is in use.
    SerialPortLink second(slave);
    QVERIFY(!second.open(settings, 0, &error));
    QVERIFY2(error.contains("in use by another program"), qPrintable(error));
    QList<QByteArray> chunks;
    QElapsedTimer clock;
    clock.start();
    connect(&link, &ByteLink::received, this, [&](const QByteArray &b) { chunks << b; });
    const auto joined = [&] { return chunks.join(); };

    // A reply after a quiet spell (nothing before it) arrives as one piece.
    QCOMPARE(write(master, "\r\nOK\r\n", 6), 6);
    QTRY_COMPARE(chunks, QList<QByteArray>{"\r\nOK\r\n"});

    // A stream written 24 bytes every millisecond for 600 ms: taken in far fewer reads than
    // writes, every byte in order.
    chunks.clear();
    QByteArray sent;
    for (int i = 0; i < 600; ++i)
        sent += QByteArray::number(100000 + i) + " stream line text \r\n";
    // All of it, however little the pseudo-terminal takes at a time.
    const auto writeAll = [master](const char *bytes, qsizetype n) {
        for (qsizetype done = 0; done < n;) {
            const ssize_t w = write(master, bytes + done, size_t(n - done));
            if (w > 0)
                done += w;
        }
    };
    std::thread writer([&] {
        const qsizetype piece = sent.size() / 600;
        auto next = std::chrono::steady_clock::now();
        for (qsizetype at = 0; at < sent.size(); at += piece) {
            writeAll(sent.constData() + at, std::min(piece, sent.size() - at));
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
    });
    // A plain event loop: QTest's waits sleep between rounds and would gather on their own.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&] {
        if (joined().size() >= sent.size() || clock.elapsed() > 60'000)
            loop.quit();
    });
    check.start(20);
    loop.exec();
    writer.join();
    QCOMPARE(joined(), sent);
    QVERIFY2(chunks.size() <= 150, qPrintable(QString::number(chunks.size())));

    // Written as fast as the pseudo-terminal takes it, a stream is never held back: waiting
    // between pieces would cap it at a device buffer per gathering (3 MB in over 5 s).
    chunks.clear();
    sent = QByteArray(3'000'000, 'x');
    writer = std::thread([&] { writeAll(sent.constData(), sent.size()); });
    QElapsedTimer burst;
    burst.start();
    loop.exec();
    writer.join();
    QCOMPARE(joined(), sent);
    QVERIFY2(burst.elapsed() < 5000, qPrintable(QString::number(burst.elapsed())));

    link.close();
    close(master);
}

QTEST_MAIN(SerialPortLinkTest)
#include "SerialPortLinkTest.moc"
