// The main window with a full scrollback, resized again and again between its first size and
// a terminal of 300 by 100 characters: the resident memory stays flat.
//
//   bench_resize [--cycles N]
//
// Target: after the first cycle (the big screen's buffers made once) the resident memory
// grows by under 1 MiB. Exit status 1 when it does not.
#include "Program.h"
#include "ResidentMemory.h"
#include "SerialControl.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int cycles = 50;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--cycles"))
            cycles = std::max(2, std::atoi(argv[i + 1]));

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createProgram(QDir::toNativeSeparators(dir.path() + '/').toStdString());
    createWindows("");
    Form1->show();
    Form1->EndIntroScreen();
    Form1->SaxComm1->setPortOpen(false);
    settle();
    TerminalScreen *screen = Form1->SaxComm1->screen();

    // A full scrollback of stamped lines of mixed length and colour.
    QByteArray text;
    for (int i = 0; i < screen->scrollbackLimit() + 200; ++i)
        text += "\x1b[90m12:34:56.789 \x1b[39m" + QByteArray(i % 97, char('A' + i % 26)) +
                (i % 5 ? "" : " \x1b[1;33mRING\x1b[0m") + "\r\n";
    screen->feed(text);
    settle();

    const QSize first = Form1->size();
    const QRect cell = screen->cellRect(0, 0);
    const QSize big = first + QSize((300 - screen->columns()) * cell.width(),
                                    (100 - screen->rows()) * cell.height());
    const auto cycle = [&] {
        Form1->resize(big);
        settle();
        Form1->resize(first);
        settle();
    };
    malloc_trim(0);
    const long before = residentKiB();
    Form1->resize(big);
    settle();
    std::printf("terminal %d x %d characters at %d x %d pixels, %d lines kept above it\n",
                screen->columns(), screen->rows(), big.width(), big.height(),
                screen->scrollbackCount());
    const bool reached = screen->columns() >= 300 && screen->rows() >= 100;
    Form1->resize(first);
    settle();
    malloc_trim(0);
    const long afterFirst = residentKiB();
    for (int i = 1; i < cycles; ++i)
        cycle();
    malloc_trim(0);
    const long afterAll = residentKiB();
    const long growth = afterAll - afterFirst;
    std::printf("resident memory: before %ld KiB, after the first resize %ld KiB, after %d "
                "resizes %ld KiB (growth %ld KiB)\n",
                before, afterFirst, cycles, afterAll, growth);
    const bool ok = reached && growth < 1024 && screen->scrollbackCount() > 0;
    std::printf("%s (target: flat, under 1 MiB of growth after the first resize)\n",
                ok ? "PASS" : "FAIL");
    destroyProgram();
    return ok ? 0 : 1;
}
