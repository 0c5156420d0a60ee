// Find over a full scrollback (10,000 lines of modem talk with time stamps, plus the screen),
// as the operator meets it: each key typed into the find bar searches and counts, each
// Enter walks to the next match and counts again.
//
//   bench_find [--repeat N]
//
// Target: every answer under 50 ms, at the first window size and at 300 by 100 characters.
// Exit status 1 when it is missed.
#include "TerminalScreen.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

// What a session leaves in the scrollback: commands, answers, PDU listings, stamps.
QByteArray modemTalk(int from, int lines)
{
    QByteArray out;
    for (int i = from; i < from + lines; ++i) {
        out += "\x1b[90m" + QByteArray::number(10 + i / 3600 % 14) + ":" +
               QByteArray::number(10 + i / 60 % 50) + ":" + QByteArray::number(10 + i % 50) +
               ".123 \x1b[39m";
        switch (i % 6) {
        case 0:
            out += "AT+CMGL=4";
            break;
        case 1:
            out += "+CMGL: " + QByteArray::number(i) + ",1,,42";
            break;
        case 2:
            out += "07914477790200F3040B914477" +
                   QByteArray::number(i * 7919).rightJustified(8, '0') +
                   "0000624052017280400CC8329BFD06DDDF723619";
            break;
        case 3:
            out += "+CSQ:" + QByteArray::number(i % 6);
            break;
        case 4:
            out += "+CREG: 0,1";
            break;
        default:
            out += "OK";
        }
        out += "\r\n";
    }
    return out;
}

struct Timing
{
    double median = 0;
    double worst = 0;
};

Timing timeIt(int repeat, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return Timing{ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int repeat = 20;
    for (int i = 1; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--repeat"))
            repeat = std::max(1, std::atoi(argv[i + 1]));

    bool ok = true;
    // The terminal of the window at its first size, then grown to 300 by 100 characters.
    for (const QSize &chars : {QSize(0, 0), QSize(300, 100)}) {
        TerminalScreen screen;
        screen.resize(673 - 17, 342); // beside its scroll bar
        if (!chars.isEmpty()) {
            const QRect cell = screen.cellRect(0, 0);
            screen.resize(chars.width() * cell.width() + 4, chars.height() * cell.height() + 4);
        }
        screen.show();
        QApplication::processEvents();
        // The oldest line holds a word found nowhere else: reaching it walks every line.
        // Long PDU lines wrap, so the lines are counted as they are kept.
        screen.feed("first of the session\r\n");
        int next = 0;
        while (screen.scrollbackCount() < screen.scrollbackLimit() - 2)
            screen.feed(modemTalk(next++, 1));
        // The last few one row each, so that none pushes the oldest line out.
        while (screen.scrollbackCount() < screen.scrollbackLimit())
            screen.feed(modemTalk(5, 1));
        std::printf("%d x %d characters, %d lines kept above the screen:\n", screen.columns(),
                    screen.rows(), screen.scrollbackCount());

        struct Case
        {
            const char *what;
            QString text;
        };
        const Case cases[] = {
            {"\"OK\", in every sixth line", QStringLiteral("ok")},
            {"\"+creg: 0,1\"", QStringLiteral("+creg: 0,1")},
            {"a word in the oldest line only", QStringLiteral("first of")},
            {"a text found nowhere", QStringLiteral("no carrier")},
        };
        for (const Case &c : cases) {
            // A key typed: search from the foot of the view, count.
            const Timing typed = timeIt(repeat, [&] {
                screen.setFindText(QString());
                screen.setViewOffset(0);
                screen.setFindText(c.text);
                screen.findCount();
            });
            // Enter: the next match up, count.
            const Timing enter = timeIt(repeat, [&] {
                screen.findNext(true);
                screen.findCount();
            });
            std::printf("  %-34s typed %6.1f ms (worst %6.1f), Enter %6.1f ms (worst %6.1f), "
                        "%d found\n",
                        c.what, typed.median, typed.worst, enter.median, enter.worst,
                        screen.findCount().total);
            ok = ok && typed.worst < 50 && enter.worst < 50;
        }
    }
    std::printf("%s (target: every answer under 50 ms)\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
