#include "CaptureFile.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// File > Capture to File over the simulated handset on a pseudo-terminal.
class CaptureOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<ModemSimProcess> sim;
    QByteArray wire; // every byte the port delivered

    void chooseCaptureFile(const QString &path)
    {
        Form1->CaptureToFile1->trigger();
        QTRY_VERIFY(Form1->CaptureDialog->isVisible());
        emit Form1->CaptureDialog->fileSelected(path);
        Form1->CaptureDialog->close();
    }

private slots:
    void init()
    {
        wire.clear();
        QDir::setCurrent(dir.path());
        sim = std::make_unique<ModemSimProcess>();
        QVERIFY(sim->started());
        if (!startOnPort(dir.path(), sim->pty(), "<ECHO>OFF<\\ECHO>\n"))
            return;
        connect(Form1->SaxComm1->link(), &ByteLink::received, this,
                [this](const QByteArray &bytes) { wire += bytes; });
    }

    void cleanup()
    {
        endProgram(dir.path());
        sim.reset();
    }

    void theFileHoldsExactlyWhatWasReceived()
    {
        const QString path = dir.filePath("session.log");
        QVERIFY(!Form1->StopCapture1->isEnabled());
        QVERIFY(!Form1->Capture_Panel->isVisible());
        chooseCaptureFile(path);
        QVERIFY(Form1->SaxComm1->capture()->running());
        QVERIFY(Form1->Capture_Panel->isVisible());
        QVERIFY(Form1->Capture_Panel->caption().contains("session.log"));
        QVERIFY(!Form1->CaptureToFile1->isEnabled());

        // Typed as a person types, the modem echoing each key as it comes.
        QTest::keyClicks(screen(), "AT");
        QTRY_VERIFY(wire.endsWith("AT"));
        QTest::keyClicks(screen(), "+CGMI");
        QTest::keyClick(screen(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(screen()->allText().contains("Tandrel"), 5000);
        // Each line is in the file once it is on the screen.
        QTRY_VERIFY(readFile(path).contains("< Tandrel\r\n"));
        // The modem's echo comes after the line it echoes.
        QVERIFY(readFile(path).indexOf("> AT+CGMI\n") < readFile(path).indexOf("< AT+CGMI\r"));
        QCOMPARE(sim->event("flood 30000"), QString("ok"));
        QCOMPARE(sim->event("say LAST LINE"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(wire.endsWith("LAST LINE\r\n"), 10000);
        QTRY_VERIFY(readFile(path).endsWith("< LAST LINE\r\n"));

        Form1->StopCapture1->trigger();
        QVERIFY(!Form1->Capture_Panel->isVisible());
        QVERIFY(Form1->CaptureToFile1->isEnabled());

        // Taking the received lines out of the file, stamps off, gives the bytes back.
        const QByteArray file = readFile(path);
        static const QRegularExpression stamp(
            QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ([<>*]) "));
        QByteArray received, sent;
        for (qsizetype from = 0; from < file.size();) {
            qsizetype nl = file.indexOf('\n', from);
            nl = nl < 0 ? file.size() : nl + 1;
            const QByteArray line = file.mid(from, nl - from);
            from = nl;
            const auto m = stamp.match(QString::fromLatin1(line.left(15)));
            QVERIFY2(m.hasMatch(), line.constData());
            if (m.captured(1) == "<")
                received += line.mid(15);
            else if (m.captured(1) == ">")
                sent += line.mid(15);
        }
        QCOMPARE(received.size(), wire.size());
        QVERIFY(received == wire);
        QCOMPARE(sent, QByteArray("AT+CGMI\n"));
    }

    void aWriteFailureStopsTheCaptureAndSaysSo()
    {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full to fill");
        chooseCaptureFile("/dev/full");
        QCOMPARE(sim->event("say FILLS THE DISK"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(!Form1->SaxComm1->capture()->running(), 5000);
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = Form1->findChild<QMessageBox *>("WarningBox")) && box->isVisible());
        // One box, saying what failed and what to do.
        QCOMPARE(Form1->findChildren<QMessageBox *>("WarningBox").size(), 1);
        QVERIFY2(box->text().contains("/dev/full") && box->text().contains("No space") &&
                     box->text().contains("Choose another file"),
                 qPrintable(box->text()));
        QVERIFY(!Form1->Capture_Panel->isVisible());
        QVERIFY(Form1->CaptureToFile1->isEnabled());
        // The terminal goes on as before.
        QTRY_VERIFY(screen()->allText().contains("FILLS THE DISK"));
    }
};

QTEST_MAIN(CaptureOverPtyTest)
#include "CaptureOverPtyTest.moc"
