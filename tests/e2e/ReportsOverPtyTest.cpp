#include "ProgramOnPty.h"
#include "TSMS_Frm.h"
#include "TerminalScreen.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

// Delivery reports asked for in the SMS window and answered by the simulated handset.
class ReportsOverPtyTest : public ProgramOnPtyTest
{
    Q_OBJECT

    QString firstState() const
    {
        auto *list = SMS_Frm->findChild<QListWidget *>("SMS_ReportList");
        return list && list->isVisible() && list->count() > 0 ? list->item(0)->text() : QString();
    }

    bool send(const char *text)
    {
        const int sent = logText().count("[SENT]");
        if (!smsIdle()) // a report still being read
            return false;
        SMS_Frm->EditMessage->setPlainText(QString::fromUtf8(text));
        SMS_Frm->findChild<QPushButton *>("SMS_SendB")->click();
        return QTest::qWaitFor([&] { return logText().count("[SENT]") > sent; }, 8000) && smsIdle();
    }

private slots:
    void reportsReachTheLogAndTheWindow_data() { addAnswerFormRows(); }

    void reportsReachTheLogAndTheWindow()
    {
        QFETCH(QStringList, modes);
        if (!startOnSim(modes) || !indicationsAnswered())
            return;
        SMS_Frm->show();
        auto *ask = SMS_Frm->findChild<QCheckBox *>("SMS_ReportCheck");
        QVERIFY(ask && !ask->isChecked());
        QTest::mouseClick(ask, Qt::LeftButton, {}, QPoint(8, ask->height() / 2));
        QVERIFY(ask->isChecked());
        SMS_Frm->EditDA->setText("+8816123456");

        // Delivered: one entry, whatever repeats the network sends.
        QVERIFY(send("Pump 3 stopped"));
        QCOMPARE(firstState().section("  ", 1), QString("+8816123456  waiting"));
        QCOMPARE(sim->event("report delivered"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("[DELIVERED]\nTo: +8816123456\n"), 8000);
        QTRY_VERIFY_WITH_TIMEOUT(firstState().contains("+8816123456  delivered "), 8000);
        QCOMPARE(sim->event("report delivered"), QString("ok"));
        QVERIFY(logText().contains("Pump 3 stopped\n\n[DELIVERED]"));

        // Not delivered, with the network's reason; this handset only stores reports (+CDSI).
        QVERIFY(send("Pump 3 running"));
        typeLine(screen(), "AT+CNMI=0,0,0,2");
        QVERIFY(smsIdle());
        QCOMPARE(sim->event("report failed expired"), QString("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("[NOT DELIVERED]"), 8000);
        QVERIFY(logText().contains("Not delivered: validity period expired, "));
        QTRY_COMPARE_WITH_TIMEOUT(firstState().section("  ", 1),
                                  QString("+8816123456  not delivered: validity period expired"),
                                  8000);
        QCOMPARE(logText().count("[DELIVERED]"), 1);

        // Not asked: the PDU goes without TP-SRR and the handset has nothing to report.
        QVERIFY(smsIdle()); // the stored report is still being read and deleted
        QTest::mouseClick(ask, Qt::LeftButton, {}, QPoint(8, ask->height() / 2));
        QVERIFY(send("Pump 3 serviced"));
        QVERIFY(sim->event("report delivered") != QString("ok"));
        QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join("\n")));
    }
};

QTEST_MAIN(ReportsOverPtyTest)
#include "ReportsOverPtyTest.moc"
