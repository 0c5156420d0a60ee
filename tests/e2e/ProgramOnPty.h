#pragma once

#include "ModemSimProcess.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class QWidget;
class TerminalScreen;

// The whole program as the operator starts it, on the simulated handset's port. Failures are
// recorded with the test; a helper returning false means the test cannot go on.

// The simulator with its stable name `link`, as a handset plugged in, answering in `modes`.
bool plugIn(std::unique_ptr<ModemSimProcess> &sim, const QString &link,
            const QStringList &modes = QStringList());

// A "modes" column of simulator events, one row per answer form of real handsets.
void addAnswerFormRows();

// The program with `folder` as its program folder and working folder and the session file `session`
// (none: the defaults), shown and past the intro screen.
void startProgram(const QString &folder, const QString &session);

// Connecting sent the indication setting; the SMS window is free once it is answered.
bool indicationsAnswered();

// Closes any message box a test left open, ends the program and removes its SMS log.
void endProgram(const QString &folder);

TerminalScreen *screen();
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Types `line` into `into` and presses Return, as the operator does.
void typeLine(QWidget *into, const char *line);
// Clicks View in the SMS window, waits for `rows` rows and the window free again and clicks the
// first row: the text the window shows for it.
QString listAndOpenFirst(int rows);
int visibleMessageBoxes();
void closeMessageBoxes();
// Waits until the SMS window's controls are free again (the previous command answered).
bool smsIdle(int timeoutMs = 8000);

// The fixture of the end-to-end tests: a folder of their own as the working folder, the text of
// each message box the program shows kept in `boxes` (questions answered Yes `yesAnswers`
// times, No after), and afterwards the program ended, the simulator unplugged, the logs removed.
class ProgramOnPtyTest : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir dir;
    std::unique_ptr<ModemSimProcess> sim;
    QStringList boxes;
    int yesAnswers = 0;

    QString link() const { return dir.filePath("handset"); }
    QByteArray log(const char *name = "SMSLog.txt") const { return readFile(dir.filePath(name)); }
    QString logText() const { return QString::fromUtf8(log()); }
    // The simulator plugged in on link() answering in `modes`; the program started on it with
    // the session file pty.sms naming the port and then the `switches` lines, its port open.
    bool startOnSim(const QStringList &modes = {}, const QByteArray &switches = {});

protected slots:
    void init();
    void cleanup();
};
