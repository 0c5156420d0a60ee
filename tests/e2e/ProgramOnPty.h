#pragma once

#include "ModemSimProcess.h"

#include <QByteArray>
#include <QString>

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

// Writes pty.sms in `folder`, naming `port` and then the `switches` lines, starts the program
// on it and checks that the port opened.
bool startOnPort(const QString &folder, const QString &port, const QByteArray &switches = {});

// Connecting sent the indication setting; the SMS window is free once it is answered.
bool indicationsAnswered();

// Closes any message box a test left open, ends the program and removes its SMS log.
void endProgram(const QString &folder);

TerminalScreen *screen();
QByteArray readFile(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Types `line` into `into` and presses Return, as the operator does.
void typeLine(QWidget *into, const char *line);
// Clicks the first row of the SMS window's message list.
void clickFirstMessage();
int visibleMessageBoxes();
void closeMessageBoxes();
// Keeps the text of each message box the program shows, answering No to questions, until
// notice::setHook({}).
void recordBoxes(QStringList *boxes);
// Waits until the SMS window's controls are free again (the previous command answered).
bool smsIdle(int timeoutMs = 8000);
