#include "ModemSimProcess.h"
#include "Panel.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
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

        QFile session(dir.filePath("pty.sms"));
        QVERIFY(session.open(QIODevice::WriteOnly));
        session.write("<COM>" + sim.pty().toUtf8() + "<\\COM>\n<ECHO>OFF<\\ECHO>\n");
        session.close();

        createProgram(QDir::toNativeSeparators(dir.path() + '/').toStdString());
        createWindows(session.fileName().toStdString());
        Form1->show();
        Form1->EndIntroScreen();
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
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

        destroyProgram();
    }
};

QTEST_MAIN(TerminalOverPtyTest)
#include "TerminalOverPtyTest.moc"
