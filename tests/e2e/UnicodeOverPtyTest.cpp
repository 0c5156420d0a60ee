#include "Notice.h"
#include "ProgramOnPty.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TSMS_Frm.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

// Text in any language and files of older versions, through the real program against the
// simulated handset on a pseudo-terminal.
class UnicodeOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

private slots:
    // A session and a log written by an older version in Windows-1252 read as they were
    // meant, the session under a folder whose name is not ASCII naming a port under another.
    void oldFilesAndFoldersWithAnyName()
    {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Port é")));
        if (!plugIn(sim, dir.filePath(QStringLiteral("Port é/handset"))))
            return;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Сессии é")));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("Сессии é/связь.sms")),
                          "<COM>" + QFile::encodeName(dir.path()) +
                              "/Port \xE9/handset<\\COM>\n"
                              "<SMS>OFF<\\SMS>\n"));
        QVERIFY(writeFile(dir.filePath(QStringLiteral("SMSLog.txt")),
                          "[RECEIVED]\nFrom: 4930 (International)\n\n"
                          "Gr\xFC\xDF"
                          "e aus K\xF6ln, 5 \x80\n\n"));
        startProgram(dir.path(), dir.filePath(QStringLiteral("Сессии é/связь.sms")));
        QVERIFY2(Form1->SaxComm1->PortOpen(), qPrintable(Form1->SaxComm1->lastError()));
        QCOMPARE(QString::fromStdString(Form1->ComValue), dir.filePath("Port é/handset"));
        QCOMPARE(QString::fromStdString(Form1->SmsValue), QStringLiteral("OFF"));

        SMS_Frm->show();
        SMS_Frm->SMS_ViewComboBox->setCurrentIndex(5);
        SMS_Frm->SMS_ViewB->click();
        QVERIFY(SMS_Frm->SMS_MessageRichEdit->toPlainText().contains("Grüße aus Köln, 5 €"));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join("\n")));
    }

    // Sent to the handset's own number, messages come back through the network: a Russian one
    // as UCS2 and a 400-character one in three linked parts, each logged sent once and
    // received joined.
    void messagesInAnyLanguageAndInPartsComeBack()
    {
        if (!startOnSim({}, "<SMS>ON<\\SMS>\n"))
            return;
        // Connecting sets the indications, so new messages come straight to the terminal.
        QVERIFY(indicationsAnswered());

        SMS_Frm->show();
        SMS_Frm->EditDA->setText(QStringLiteral("881631234567"));
        const QString russian = QStringLiteral("Привет из лагеря! Всё хорошо, ждём на связи.");
        boxes.clear();
        SMS_Frm->EditMessage->setPlainText(russian); // the warning lists them; No keeps them
        QCOMPARE(boxes.size(), 1);
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            logText().contains("[RECEIVED]\nFrom: 881631234567 (International)\n"), 10000);
        QVERIFY(logText().startsWith(
            QStringLiteral("[SENT]\nTo: 881631234567 (Phone number)\nRelative VP: 63 weeks\n") +
            russian + "\n\n"));
        QVERIFY(logText().endsWith(russian + "\n\n"));
        QVERIFY(smsIdle(10000));

        // 400 characters: the length box's third choice sends them as linked parts.
        QString report;
        while (report.size() < 400)
            report += QStringLiteral("Position 47.61N 122.33W, course 270, all well [ok]. ");
        report.truncate(400);
        int asked = 0;
        notice::setChoiceHook([&asked](const QString &, const QString &, const QString &third) {
            ++asked;
            return third == QStringLiteral("Keep as 3 parts") ? 2 : 1;
        });
        SMS_Frm->EditMessage->setPlainText(report);
        QCOMPARE(asked, 1);
        // 414 septets: the brackets are escape plus code.
        QCOMPARE(SMS_Frm->CharCounter->text(), QStringLiteral("3 parts, 45 left"));
        const int before = logText().size();
        SMS_Frm->SMS_SendB->click();
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains(QStringLiteral("(3 parts)\n") + report), 15000);
        const QString added = logText().mid(before);
        QCOMPARE(added.count(QStringLiteral("[SENT]")), 1);
        QVERIFY(added.startsWith(QStringLiteral("[SENT]\nTo: 881631234567 (Phone number)\n")));
        QVERIFY(added.contains(report + "\n\n[RECEIVED]"));
        for (int k = 1; k <= 3; ++k)
            QVERIFY(added.contains(QStringLiteral("Part %1 of 3\n").arg(k)));
        QVERIFY(smsIdle(10000));
        QCOMPARE(asked, 1);
        boxes.removeAll(QString()); // nothing but the warning of the Russian message
        QVERIFY2(boxes.size() == 1, qPrintable(boxes.join("\n")));
    }
};

QTEST_MAIN(UnicodeOverPtyTest)
#include "UnicodeOverPtyTest.moc"
