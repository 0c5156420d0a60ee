// The receiving end of bench_terminals: the whole program with its main window, on the
// pseudo-terminal it is given, counting and checking what its serial back end delivers.
//
//   bench_receiver PTY BYTES [--stamps]
//
// Prints "ready" once the port is open and the window is up, then "done N ok" (or
// "done N bad AT") when BYTES have arrived and are on the screen, and ends when its
// standard input closes.
#include "NumberedStream.h"
#include "Program.h"
#include "SerialControl.h"
#include "SerialPortLink.h"
#include "TForm1.h"
#include "TerminalScreen.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <map>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// With TANDREL_BENCH_PAINTS set, every widget's paint events are counted and listed on
// standard error at the end: which widgets a stream makes the window repaint.
class PaintCounter : public QObject
{
public:
    std::map<QString, int> counts;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++counts[QString::fromLatin1(watched->metaObject()->className()) + ' ' +
                     watched->objectName()];
        return false;
    }
    ~PaintCounter() override
    {
        for (const auto &[name, n] : counts)
            std::fprintf(stderr, "paints %6d  %s\n", n, qPrintable(name));
    }
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool stamps = argc == 4 && !std::strcmp(argv[3], "--stamps");
    if (argc != 3 && !stamps) {
        std::fprintf(stderr, "usage: bench_receiver PTY BYTES [--stamps]\n");
        return 2;
    }
    const QString pty = QString::fromLocal8Bit(argv[1]);
    const size_t bytes = std::stoull(argv[2]);
    const std::string expected = numberedStream(bytes);

    PaintCounter paints;
    if (qEnvironmentVariableIsSet("TANDREL_BENCH_PAINTS"))
        app.installEventFilter(&paints);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createProgram(QDir::toNativeSeparators(dir.path() + '/').toStdString());
    createWindows("");
    Form1->show();
    Form1->EndIntroScreen();
    QElapsedTimer shown;
    shown.start();
    while (!(Form1->windowHandle() && Form1->windowHandle()->isExposed()) &&
           shown.elapsed() < 10'000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!Form1->windowHandle()->isExposed()) {
        std::fprintf(stderr, "bench_receiver: the window did not appear\n");
        return 2;
    }

    size_t received = 0;
    size_t badAt = std::string::npos;
    bool reported = false;
    SerialControl *port = Form1->SaxComm1;
    const auto check = [&](const QByteArray &chunk) {
        const size_t n = static_cast<size_t>(chunk.size());
        if (badAt == std::string::npos &&
            (received + n > bytes ||
             std::memcmp(chunk.constData(), expected.data() + received, n) != 0))
            badAt = received;
        received += n;
        if (received >= bytes && !reported) {
            reported = true;
            // After the serial control has taken this chunk: the last frame is painted
            // before the run counts as displayed.
            QTimer::singleShot(0, [&] {
                port->screen()->repaint();
                if (badAt == std::string::npos)
                    std::printf("done %zu ok\n", received);
                else
                    std::printf("done %zu bad %zu\n", received, badAt);
                std::fflush(stdout);
            });
        }
    };
    port->setPortOpen(false);
    port->setLinkFactory([&check](const QString &name) {
        auto link = std::make_unique<SerialPortLink>(name);
        QObject::connect(link.get(), &ByteLink::received, check);
        return link;
    });
    port->setCommPort(pty.toStdString());
    port->setSettings("921600,n,8,1");
    port->setTimeStamps(stamps);
    port->setPortOpen(true);
    if (!port->PortOpen()) {
        std::fprintf(stderr, "bench_receiver: %s\n", qPrintable(port->lastError()));
        return 2;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[64];
        if (read(STDIN_FILENO, buf, sizeof buf) <= 0)
            QCoreApplication::quit();
    });
    std::printf("ready\n");
    std::fflush(stdout);
    const int status = app.exec();
    destroyProgram();
    return status;
}
