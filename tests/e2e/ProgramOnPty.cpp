#include "ProgramOnPty.h"

#include "Notice.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TMsgBox.h"
#include "TSMS_Frm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

bool plugIn(std::unique_ptr<ModemSimProcess> &sim, const QString &link, const QStringList &modes)
{
    sim = std::make_unique<ModemSimProcess>(link, modes);
    return QTest::qVerify(sim->started(), "sim->started()", "", __FILE__, __LINE__);
}

void addAnswerFormRows()
{
    QTest::addColumn<QStringList>("modes");
    QTest::newRow("default") << QStringList();
    QTest::newRow("echo off") << QStringList{"echo off"};
    QTest::newRow("numeric results") << QStringList{"results numeric"};
    QTest::newRow("lineends cr") << QStringList{"lineends cr"};
    QTest::newRow("lineends lf") << QStringList{"lineends lf"};
    QTest::newRow("split 1") << QStringList{"split 1"};
    QTest::newRow("split 3") << QStringList{"split 3"};
    QTest::newRow("all at once") << QStringList{"echo off", "results numeric", "lineends lf",
                                                "split 2"};
}

void startProgram(const QString &folder, const QString &session)
{
    QDir::setCurrent(folder);
    createProgram(QDir::toNativeSeparators(folder + '/').toStdString());
    createWindows(QFile::encodeName(session).toStdString());
    Form1->show();
    Form1->EndIntroScreen();
}

bool indicationsAnswered()
{
    // Opening the port gives the handset a start-up pause before the request; no need to sit
    // through it here.
    if (Form1->RequestSMSTimer->isActive())
        Form1->RequestSMSTimerTimer();
    const bool answered = QTest::qWaitFor(
        [] {
            return !Form1->RequestSMSTimer->isActive() && !MsgBox->isVisible() &&
                   SMS_Frm->SMS_ViewB->isEnabled();
        },
        8000);
    return QTest::qVerify(answered, "indications answered", "", __FILE__, __LINE__);
}

void endProgram(const QString &folder)
{
    closeMessageBoxes();
    destroyProgram();
    QFile::remove(folder + "/SMSLog.txt");
}

TerminalScreen *screen()
{
    return Form1->SaxComm1->screen();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return QTest::qVerify(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(),
                          "writeFile", qPrintable(path), __FILE__, __LINE__);
}

void typeLine(QWidget *into, const char *line)
{
    QTest::keyClicks(into, line);
    QTest::keyClick(into, Qt::Key_Return);
}

QString listAndOpenFirst(int rows)
{
    QListWidget *list = SMS_Frm->SMS_IndexListBox;
    SMS_Frm->SMS_ViewB->click();
    const bool listed = QTest::qWaitFor([&] { return list->count() == rows; }, 8000);
    if ((!listed &&
         !QTest::qCompare(list->count(), rows, "rows listed", "rows", __FILE__, __LINE__)) ||
        !QTest::qVerify(smsIdle(), "smsIdle()", "", __FILE__, __LINE__))
        return {};
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    return SMS_Frm->SMS_MessageRichEdit->toPlainText();
}

int visibleMessageBoxes()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(w) && w->isVisible())
            ++n;
    return n;
}

void closeMessageBoxes()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(w))
            w->close();
}

bool smsIdle(int timeoutMs)
{
    return QTest::qWaitFor([] { return SMS_Frm->SMS_ViewB->isEnabled(); }, timeoutMs);
}

bool ProgramOnPtyTest::startOnSim(const QStringList &modes, const QByteArray &switches)
{
    const QString session = dir.filePath("pty.sms");
    if (!plugIn(sim, link(), modes) ||
        !writeFile(session, "<COM>" + QFile::encodeName(link()) + "<\\COM>\n" + switches))
        return false;
    startProgram(dir.path(), session);
    return QTest::qVerify(Form1->SaxComm1->PortOpen(), "Form1->SaxComm1->PortOpen()",
                          qPrintable(Form1->SaxComm1->lastError()), __FILE__, __LINE__);
}

void ProgramOnPtyTest::init()
{
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
    boxes.clear();
    yesAnswers = 0;
    notice::setHook([this](notice::Kind kind, const QString &, const QString &text) {
        boxes << text;
        return kind == notice::Kind::Question && yesAnswers-- > 0;
    });
}

void ProgramOnPtyTest::cleanup()
{
    if (Form1)
        endProgram(dir.path());
    sim.reset();
    notice::setHook({});
    notice::setChoiceHook({});
    QFile::remove(dir.filePath("SMSLog.txt"));
    QFile::remove(dir.filePath("SBDLog.txt"));
}
