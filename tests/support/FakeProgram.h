#pragma once

#include "FakeLink.h"
#include "Program.h"
#include "SerialControl.h"
#include "TForm1.h"

#include <QDir>
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
