#include "CaptureFile.h"
#include "HexView.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

// The terminal over the simulated handset on a pseudo-terminal: typed commands, File >
// Capture to File and the hex view, every byte as the port delivered it.
class TerminalOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

    QByteArray wire; // every byte the port delivered

    void chooseCaptureFile(const QString &path)
    {
        Form1->CaptureToFile1->trigger();
        QTRY_VERIFY(Form1->CaptureDialog->isVisible());
        emit Form1->CaptureDialog->fileSelected(path);
        Form1->CaptureDialog->close();
    }

    // The bytes the rows in view show, read back from their hex columns.
    static QByteArray bytesShown(const HexView *hex)
    {
        QByteArray bytes;
        for (const QString &row : hex->visibleText().split('\n'))
            bytes += QByteArray::fromHex(row.mid(10, 49).toLatin1());
        return bytes;
    }

private slots:
    // No boxes recorded: a failing capture must show its own.
    void init()
    {
        wire.clear();
        if (!startOnSim({}, "<ECHO>OFF<\\ECHO>\n"))
            return;
        connect(Form1->SaxComm1->link(), &ByteLink::received, this,
                [this](const QByteArray &bytes) { wire += bytes; });
    }

    void theCaptureFileHoldsExactlyWhatWasReceived()
    {
        const QString path = dir.filePath("session.log");
        QVERIFY(!Form1->StopCapture1->isEnabled());
        chooseCaptureFile(path);
        QVERIFY(Form1->SaxComm1->capture()->running());
        QVERIFY(!Form1->CaptureToFile1->isEnabled());

        // Typed as a person types, the modem echoing each key as it comes.
        QTest::keyClicks(screen(), "AT");
        QTRY_VERIFY(wire.endsWith("AT"));
        typeLine(screen(), "+CGMI");
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
        QVERIFY(received == wire);
        QCOMPARE(sent, QByteArray("AT+CGMI\n"));
    }

    void aCaptureWriteFailureStopsTheCaptureAndSaysSo()
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

    // An SBD buffer read in binary, looked at in the hex view: every byte the handset sends
    // arrives in the rows as it was sent.
    void aBinaryReadShowsEveryByteInTheHexView()
    {
        Form1->ShowHex1->trigger();
        auto *hex = Form1->findChild<HexView *>(QStringLiteral("HexView"));
        QTRY_VERIFY(hex->isVisible());
        QCOMPARE(sim->event("sbd-hex 00 1B 0D 0A 7F FF"), QString("ok"));
        typeLine(hex, "AT+SBDI");
        QTRY_VERIFY_WITH_TIMEOUT(bytesShown(hex).contains(", 1, 1, 6, 0\r\n"), 15000);
        typeLine(hex, "AT+SBDRB");
        // Length, the message, its checksum (0x01B0), then the result.
        QTRY_VERIFY_WITH_TIMEOUT(
            bytesShown(hex).contains(QByteArray("AT+SBDRB\r\x00\x06\x00\x1b\r\n\x7f\xff\x01\xb0"
                                                "\r\nOK\r\n",
                                                23)),
            10000);
        // The terminal took the same bytes meanwhile.
        Form1->ShowHex1->trigger();
        QTRY_VERIFY(screen()->isVisible());
        QVERIFY(screen()->allText().contains("AT+SBDRB"));
    }
};

QTEST_MAIN(TerminalOverPtyTest)
#include "TerminalOverPtyTest.moc"
