#pragma once

#include "FakeLink.h"
#include "Notice.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <memory>
#include <vector>

// Creates the program's windows with `folder` as the program folder and a fake modem behind
// the port; `fake` follows the link each time the port opens. Exit leaves the test running.
inline void createOnFakeLink(const QString &folder, FakeLink *&fake,
                             const std::string &commandLine = "")
{
    createProgram(QDir::toNativeSeparators(folder + '/').toStdString());
    createWindows(commandLine);
    Form1->exitProgram = [](int) {};
    Form1->SaxComm1->setLinkFactory([&fake](const QString &) {
        auto link = std::make_unique<FakeLink>();
        fake = link.get();
        return link;
    });
}

// Ends what createOnFakeLink made, closing any message box a test left open.
inline void destroyOnFakeLink(FakeLink *&fake)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox *>(w))
            w->close();
    destroyProgram();
    fake = nullptr;
}

// The shared fixture of the window tests: the program on the fake link in a folder of its
// own, the message boxes it asks recorded and answered from a queue, and whatever a test left
// open closed afterwards. Call prepare() from initTestCase and finish() from cleanup.
class ProgramOnFakeLink
{
public:
    struct Box
    {
        notice::Kind kind;
        QString caption;
        QString text;
    };

    QTemporaryDir dir;
    FakeLink *fake = nullptr;
    int exitStatus = -1;
    std::vector<Box> boxes;
    std::deque<bool> answers; // for questions in turn; No once they run out

    // The folder is also the working folder: the default session file is relative to it.
    void prepare(bool recordBoxes = true)
    {
        QVERIFY(dir.isValid());
        QDir::setCurrent(dir.path());
        if (recordBoxes)
            notice::setHook([this](notice::Kind kind, const QString &caption, const QString &text) {
                boxes.push_back({kind, caption, text});
                if (kind != notice::Kind::Question || answers.empty())
                    return false;
                const bool yes = answers.front();
                answers.pop_front();
                return yes;
            });
    }

    void start(const std::string &commandLine = "")
    {
        createOnFakeLink(dir.path(), fake, commandLine);
        Form1->exitProgram = [this](int status) { exitStatus = status; };
    }

    // Shown, past the intro, the port open and nothing written yet. Without smsOnConnect the
    // SMS indication request that connecting makes is left out; the setting stays as it was.
    void startConnected(bool smsOnConnect = false, const std::string &commandLine = "")
    {
        start(commandLine);
        Form1->show();
        const std::string sms = Form1->SmsValue;
        if (!smsOnConnect)
            Form1->SmsValue = "OFF";
        Form1->EndIntroScreen();
        Form1->SmsValue = sms;
        QVERIFY(fake && Form1->SaxComm1->PortOpen());
        fake->written.clear();
    }

    QString lastBox() const { return boxes.empty() ? QString() : boxes.back().text; }

    static QString str(const std::string &s) { return QString::fromStdString(s); }
    static TerminalScreen *screen() { return Form1->SaxComm1->screen(); }

    // Typed into the terminal and sent with Enter, as the operator does.
    static void typeLine(const QString &line)
    {
        QTest::keyClicks(screen(), line);
        QTest::keyClick(screen(), Qt::Key_Return);
    }

    // From the menu, once the port has settled enough to offer it.
    static void disconnectPort()
    {
        QTRY_VERIFY(Form1->Disconnect1->isEnabled());
        Form1->Disconnect1->trigger();
    }

    void writeFile(const QString &name, const QByteArray &content)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    void finish()
    {
        destroyOnFakeLink(fake);
        exitStatus = -1;
        boxes.clear();
        answers.clear();
    }

    ~ProgramOnFakeLink() { notice::setHook({}); }
};
