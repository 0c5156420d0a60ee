#pragma once

#include "FakeLink.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QString>

#include <memory>

// Creates the program's windows with `folder` as the program folder and a fake modem behind
// the port; `fake` follows the link each time the port opens. Exit leaves the test running.
inline void createOnFakeLink(const QString &folder, FakeLink *&fake)
{
    createProgram(QDir::toNativeSeparators(folder + '/').toStdString());
    createWindows("");
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
