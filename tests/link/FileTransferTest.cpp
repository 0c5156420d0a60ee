#include "FileTransfer.h"
#include "SerialControl.h"
#include "TerminalScreen.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <random>
#include <stdlib.h>
#include <unistd.h>

// The far end of the line: an lrzsz program on the master side of a pseudo-terminal whose
// slave side the control opens as its serial port.
class FileTransferTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int master = -1;
    QString slave;
    const QByteArray systemPath = qgetenv("PATH");

    // Starts program in the far folder with the pty master as its standard input and output.
    void startFarEnd(QProcess &far, const QString &program, const QStringList &args)
    {
        const int fd = master;
        far.setChildProcessModifier([fd] {
            dup2(fd, 0);
            dup2(fd, 1);
        });
        far.setWorkingDirectory(dir.filePath("far"));
        far.setStandardErrorFile(QProcess::nullDevice());
        far.start(QStandardPaths::findExecutable(program), args);
        QVERIFY(far.waitForStarted(5000));
    }

    void openControl(SerialControl &control)
    {
        control.setCommPort(slave.toStdString());
        control.setSettings("115200,n,8,1");
        control.setPortOpen(true);
        QVERIFY2(control.PortOpen(), qPrintable(control.lastError()));
    }

    // Everything the far end has been sent so far.
    QByteArray farEndRead()
    {
        QByteArray seen;
        char buf[4096];
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
        for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;)
            seen.append(buf, n);
        return seen;
    }

    static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The transfer ends well, and so does the far end, which needs our event loop to finish.
    static void succeeded(QSignalSpy &done, QProcess &far)
    {
        QVERIFY(done.wait(60000));
        QVERIFY2(done.at(0).at(0).toBool(), qPrintable(done.at(0).at(1).toString()));
        QTRY_VERIFY_WITH_TIMEOUT(far.state() == QProcess::NotRunning, 20000);
    }

private slots:
    void init()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        slave = QString::fromLocal8Bit(ptsname(master));
    }

    void cleanup()
    {
        qputenv("PATH", systemPath);
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    // A file sent to the far end comes back from it whole, on the same open port.
    void zmodemFileGoesAndComesBackByteForByte()
    {
        // setup.sh installs lrzsz: without it the transfers fail, they are not skipped.
        QVERIFY2(!QStandardPaths::findExecutable("sz").isEmpty() &&
                     !QStandardPaths::findExecutable("rz").isEmpty(),
                 "lrzsz is missing");
        // Bytes of every value, control characters included.
        std::mt19937 rng(42);
        QByteArray data(200'000, '\0');
        std::ranges::generate(data, [&] { return char(rng()); });
        QFile payload(dir.filePath("payload.bin"));
        QVERIFY(payload.open(QIODevice::WriteOnly) && payload.write(data) == data.size());
        payload.close();
        QVERIFY(QDir(dir.path()).mkpath("far") && QDir(dir.path()).mkpath("inbox"));

        SerialControl control;
        openControl(control);
        QProcess far;
        startFarEnd(far, "rz", {"-b", "-E"});

        FileTransfer *transfer = control.fileTransfer();
        QSignalSpy done(transfer, &FileTransfer::finished);
        QSignalSpy progress(transfer, &FileTransfer::progress);
        QString error;
        QVERIFY2(transfer->start(true, FileTransfer::Zmodem, dir.filePath("payload.bin"), &error),
                 qPrintable(error));
        succeeded(done, far);
        QVERIFY(done.at(0).at(1).toString().contains("payload.bin"));
        QCOMPARE(far.exitCode(), 0);
        QCOMPARE(contents(dir.filePath("far/payload.bin")), data);
        QVERIFY(progress.count() >= 2);
        QCOMPARE(progress.last().at(1).toLongLong(), qint64(data.size()));
        // The protocol never reached the terminal screen, and the terminal works again.
        QVERIFY(!control.screen()->screenText().contains("B01")); // the receiver's ZRINIT
        QCOMPARE(control.ReceivedText(), std::string());
        write(master, "hello\r\n", 7);
        QTRY_VERIFY(control.screen()->screenText().contains("hello"));

        done.clear();
        QVERIFY2(transfer->start(false, FileTransfer::Zmodem, dir.filePath("inbox"), &error),
                 qPrintable(error));
        QProcess back;
        startFarEnd(back, "sz", {"-b", dir.filePath("far/payload.bin")});
        succeeded(done, back);
        QCOMPARE(contents(dir.filePath("inbox/payload.bin")), data);
    }

    // A start that cannot work says why; a cancelled one stops both ends and says so.
    void refusedAndCancelledTransfersSaySo()
    {
        // Stand-ins for the lrzsz programs, first on the path: a receiver that never answers,
        // for what does not depend on the protocol.
        const QString bin = dir.filePath("standins");
        QDir().mkpath(bin);
        for (const char *tool : {"sz", "rz", "rb"}) {
            QFile f(bin + '/' + tool);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\nprintf started\nexec cat >/dev/null\n");
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        qputenv("PATH", (bin + ':').toLocal8Bit() + systemPath);
        SerialControl control;
        FileTransfer *transfer = control.fileTransfer();
        QString error;
        QVERIFY(!transfer->start(true, FileTransfer::Zmodem, "/nonexistent", &error));
        QVERIFY(error.contains("not open"));
        openControl(control);
        QVERIFY(!transfer->start(true, FileTransfer::Zmodem, dir.filePath("missing.bin"), &error));
        QVERIFY(error.contains("missing.bin"));
        QVERIFY(!transfer->start(false, FileTransfer::Ymodem, dir.filePath("no-folder"), &error));
        QVERIFY(error.contains("no-folder"));
        QVERIFY(!transfer->running());

        QSignalSpy done(transfer, &FileTransfer::finished);
        // Nobody answers at the far end: the receiver waits until cancelled.
        QVERIFY(QDir(dir.path()).mkpath("wait"));
        QVERIFY(transfer->start(false, FileTransfer::Zmodem, dir.filePath("wait"), &error));
        QByteArray seen;
        QTRY_VERIFY((seen += farEndRead()).contains("started"));
        QTest::keyClicks(control.screen(), "x"); // held back during the transfer
        transfer->cancel();
        QVERIFY(done.wait(10000));
        QCOMPARE(
            std::tuple(done.at(0).at(0).toBool(), done.at(0).at(1).toString(), transfer->running()),
            std::tuple(false, QString("The transfer was cancelled."), false));

        // The far end saw the cancel sequence and no typed key.
        seen += farEndRead();
        QCOMPARE(std::pair(seen.contains(QByteArray(8, '\x18')), seen.contains('x')),
                 std::pair(true, false));
    }
};

QTEST_MAIN(FileTransferTest)
#include "FileTransferTest.moc"
