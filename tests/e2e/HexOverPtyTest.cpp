#include "HexView.h"
#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// An SBD buffer read in binary at the terminal, looked at in the hex view: every byte the
// handset sends arrives in the rows as it was sent, over the real serial back end.
class HexOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // The bytes the rows in view show, read back from their hex columns.
    static QByteArray bytesShown(const HexView *hex)
    {
        QByteArray bytes;
        for (const QString &row : hex->visibleText().split('\n'))
            bytes += QByteArray::fromHex(row.mid(10, 49).toLatin1());
        return bytes;
    }

    static void type(HexView *hex, const char *line)
    {
        QTest::keyClicks(hex, line);
        QTest::keyClick(hex, Qt::Key_Return);
    }

private slots:
    void binaryReadShowsEveryByte()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        ModemSimProcess sim;
        QVERIFY2(sim.started(), "tandrel-modemsim gave no pseudo-terminal");
        if (!startOnPort(dir.path(), sim.pty(), "<ECHO>OFF<\\ECHO>\n"))
            return;
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));

        Form1->ShowHex1->trigger();
        auto *hex = Form1->findChild<HexView *>(QStringLiteral("HexView"));
        QTRY_VERIFY(hex->isVisible());
        QCOMPARE(sim.event("sbd-hex 00 1B 0D 0A 7F FF"), QString("ok"));
        type(hex, "AT+SBDI");
        QTRY_VERIFY_WITH_TIMEOUT(bytesShown(hex).contains(", 1, 1, 6, 0\r\n"), 15000);
        type(hex, "AT+SBDRB");
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
        endProgram(dir.path());
    }
};

QTEST_MAIN(HexOverPtyTest)
#include "HexOverPtyTest.moc"
