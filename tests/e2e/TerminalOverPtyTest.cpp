#include "Panel.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TerminalOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void typedCommandReachesTheHandsetAndItsAnswerShows()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        const QString log = dir.filePath("modem.log");
        ModemSimProcess sim(log);
        QVERIFY2(sim.started(), "tandrel-modemsim gave no pseudo-terminal");
        if (!startOnPort(dir.path(), sim.pty(), "<ECHO>OFF<\\ECHO>\n"))
            return;
        QTRY_COMPARE(Form1->Status->caption(), QString("Connected"));

        TerminalScreen *screen = Form1->SaxComm1->screen();
        QTest::keyClicks(screen, "ATI");
        QTest::keyClick(screen, Qt::Key_Return);
        // The handset echoes the command and answers it.
        QTRY_VERIFY_WITH_TIMEOUT(screen->allText().contains("ATI"), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(screen->allText().contains("OK"), 5000);

        QFile modemLog(log);
        QVERIFY(modemLog.open(QIODevice::ReadOnly));
        const QString logged = QString::fromUtf8(modemLog.readAll());
        QVERIFY2(logged.contains("ATI"), qPrintable(logged));

        endProgram(dir.path());
    }
};

QTEST_MAIN(TerminalOverPtyTest)
#include "TerminalOverPtyTest.moc"
