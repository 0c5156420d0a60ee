#include "ModemSimProcess.h"
#include "Notice.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TSMS_Frm.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

// Text in any language and files of older versions, through the real program against the
// simulated handset on a pseudo-terminal.
class UnicodeOverPtyTest : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QStringList boxes;

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    void startProgram(const QString &sessionFile)
    {
        createProgram(QDir::toNativeSeparators(dir.path() + '/').toStdString());
        createWindows(QFile::encodeName(sessionFile).toStdString());
        Form1->show();
        Form1->EndIntroScreen();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        notice::setHook([this](notice::Kind, const QString &, const QString &text) {
            boxes << text;
            return false;
        });
    }

    void cleanupTestCase() { notice::setHook({}); }

    // A session and a log written by an older version in Windows-1252 read as they were
    // meant; sessions save and open under a folder whose name is not ASCII.
    void oldFilesAndFoldersWithAnyName()
    {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Port é")));
        ModemSimProcess sim(
            QString(), {QStringLiteral("--link"), dir.filePath(QStringLiteral("Port é/handset"))});
        QVERIFY(sim.started());
        write(QStringLiteral("old.sms"), "<COM>" + QFile::encodeName(dir.path()) +
                                             "/Port \xE9/handset<\\COM>\n"
                                             "<SMS>OFF<\\SMS>\n");
        write(QStringLiteral("SMSLog.txt"), "[RECEIVED]\nFrom: 4930 (International)\n\n"
                                            "Gr\xFC\xDF"
                                            "e aus K\xF6ln, 5 \x80\n\n");
        startProgram(dir.filePath(QStringLiteral("old.sms")));
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
        QCOMPARE(QString::fromStdString(Form1->ComValue),
                 dir.filePath(QStringLiteral("Port é/handset")));

        SMS_Frm->show();
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(5);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().contains(
            QStringLiteral("Grüße aus Köln, 5 €")));

        // Saved under "Сессии é", the session opens the port again in a new start.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Сессии é")));
        const QString saved = dir.filePath(QStringLiteral("Сессии é/связь.sms"));
        Form1->SaveDialog1->fileSelected(saved);
        QVERIFY(QFile::exists(saved));
        destroyProgram();
        startProgram(saved);
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QStringLiteral("OFF"));

        // And through Open Session, after a start on the defaults.
        destroyProgram();
        startProgram(QString());
        Form1->OpenSession1Click();
        Form1->OpenDialog1->fileSelected(saved);
        Form1->OpenDialog1->close();
        QCOMPARE(QString::fromStdString(Form1->ComValue),
                 dir.filePath(QStringLiteral("Port é/handset")));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join("\n")));
        destroyProgram();
    }
};

QTEST_MAIN(UnicodeOverPtyTest)
#include "UnicodeOverPtyTest.moc"
