// What one frame of a flood costs the terminal screen: a screenful of new lines arrives,
// and the whole screen is painted. Run under callgrind for a repeatable count:
//
//   QT_QPA_PLATFORM=offscreen valgrind --tool=callgrind bench_paint 200
#include "NumberedStream.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    TerminalScreen screen;
    screen.resize(screen.sizeHint());
    screen.show();
    const std::string stream = numberedStream(65 * 20 * size_t(frames + 1));
    size_t at = 0;
    const auto nextScreenful = [&] {
        const size_t n = 65 * 20;
        screen.feed(QByteArray(stream.data() + at, static_cast<qsizetype>(n)));
        at += n;
    };
    nextScreenful();
    screen.repaint();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i) {
        nextScreenful();
        screen.repaint();
    }
    const double us = double(timer.nsecsElapsed()) / 1000.0 / frames;
    std::printf("%d frames of %dx%d, %.1f us a frame (feed and paint)\n", frames, screen.columns(),
                screen.rows(), us);
    return 0;
}
