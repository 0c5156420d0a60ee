// tandrel-modemsim: the simulated handset on a pseudo-terminal, for trying the terminal
// without hardware and for end-to-end tests.

#include "ModemSimCore.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int)
{
    stopRequested = 1;
}

int64_t nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

void usage(FILE *to)
{
    std::fprintf(to, "usage: tandrel-modemsim [--link PATH] [--log FILE]\n"
                     "Opens a pseudo-terminal that answers like a handset and prints\n"
                     "\"pty: PATH\". Events on standard input: ring, cts on|off,\n"
                     "carrier on|off, hangup, cms N, cme N, sms NUMBER TEXT, signal N,\n"
                     "register on|off|searching, say TEXT, flood N, stall on|off,\n"
                     "sbd TEXT, sbd-hex HEX, sbd-fail N, sbd-badsum, sbd-loopback on|off,\n"
                     "report delivered|failed [REASON],\n"
                     "report auto SECONDS delivered|failed [REASON], report auto off.\n"
                     "The answer forms of other\n"
                     "handsets: echo on|off, results verbose|numeric, lineends crlf|cr|lf,\n"
                     "prompt on|off, split N (output written N bytes at a time, 0: whole).\n");
}

// Writes what crosses the line, one text line per log line, marked by direction.
class TrafficLog
{
public:
    explicit TrafficLog(FILE *file) : m_file(file) {}
    ~TrafficLog()
    {
        flush('>', m_in);
        flush('<', m_out);
        if (m_file)
            std::fclose(m_file);
    }

    void received(const std::string &bytes) { add('>', m_in, bytes); }
    void sent(const std::string &bytes) { add('<', m_out, bytes); }

private:
    void add(char mark, std::string &pending, const std::string &bytes)
    {
        if (!m_file)
            return;
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                if (!pending.empty())
                    flush(mark, pending);
            } else {
                pending += c;
            }
        }
        std::fflush(m_file);
    }

    void flush(char mark, std::string &pending)
    {
        if (!m_file || pending.empty())
            return;
        std::fprintf(m_file, "%c %s\n", mark, pending.c_str());
        pending.clear();
    }

    FILE *m_file;
    std::string m_in;
    std::string m_out;
};

} // namespace

int main(int argc, char **argv)
{
    std::string linkPath;
    std::string logPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--link" || arg == "--log") && i + 1 < argc) {
            (arg == "--link" ? linkPath : logPath) = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version" || arg == "-V") {
            std::printf("tandrel-modemsim " TANDREL_VERSION "\n");
            return 0;
        } else {
            usage(stderr);
            return 2;
        }
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "tandrel-modemsim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    const char *slaveName = ptsname(master);
    if (!slaveName) {
        std::fprintf(stderr, "tandrel-modemsim: no pseudo-terminal name: %s\n",
                     std::strerror(errno));
        return 1;
    }
    const std::string ptyPath = slaveName;
    // Holding the slave open keeps the master readable while the terminal closes and
    // reopens its port.
    const int slave = open(ptyPath.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios tio{};
        if (tcgetattr(slave, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(slave, TCSANOW, &tio);
        }
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    FILE *logFile = nullptr;
    if (!logPath.empty()) {
        logFile = std::fopen(logPath.c_str(), "w");
        if (!logFile) {
            std::fprintf(stderr, "tandrel-modemsim: cannot write log %s: %s\n", logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    TrafficLog log(logFile);

    if (!linkPath.empty()) {
        unlink(linkPath.c_str()); // a stale link from an earlier run
        if (symlink(ptyPath.c_str(), linkPath.c_str()) != 0) {
            std::fprintf(stderr, "tandrel-modemsim: cannot create link %s: %s\n", linkPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    struct sigaction sa
    {};
    sa.sa_handler = onSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("pty: %s\n", ptyPath.c_str());
    std::fflush(stdout);

    tandrel::sim::ModemSimCore core;
    std::string toTerminal;
    std::string eventLine;
    bool stdinOpen = true;
    // A stalled handset reads nothing, as if busy: a command then stays unanswered.
    bool stalled = false;
    // Output cut into pieces a few milliseconds apart, so that the terminal reads each alone.
    size_t split = 0;
    constexpr int64_t SplitPauseMs = 2;
    int64_t nextWriteAt = 0;
    char buf[4096];

    auto collect = [&] {
        std::string out = core.takeOutput();
        if (!out.empty()) {
            log.sent(out);
            toTerminal += out;
        }
    };

    while (!stopRequested && stdinOpen) {
        pollfd fds[2] = {{master, short(stalled ? 0 : POLLIN), 0}, {STDIN_FILENO, POLLIN, 0}};
        const bool paused = split > 0 && nowMs() < nextWriteAt;
        if (!toTerminal.empty() && !paused)
            fds[0].events |= POLLOUT;
        int timeout = -1;
        int64_t due = core.nextDeadline();
        if (!toTerminal.empty() && paused && (due < 0 || nextWriteAt < due))
            due = nextWriteAt;
        if (due >= 0)
            timeout = static_cast<int>(std::max<int64_t>(0, due - nowMs()));
        const int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            break;

        core.advance(nowMs());
        collect();

        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) {
                const std::string bytes(buf, static_cast<size_t>(n));
                log.received(bytes);
                core.receive(bytes, nowMs());
                collect();
            }
        }
        if (!toTerminal.empty() && (fds[0].revents & POLLOUT)) {
            const size_t piece = split > 0 ? std::min(split, toTerminal.size()) : toTerminal.size();
            const ssize_t n = write(master, toTerminal.data(), piece);
            if (n > 0)
                toTerminal.erase(0, static_cast<size_t>(n));
            nextWriteAt = nowMs() + SplitPauseMs;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) {
                stdinOpen = false;
                break;
            }
            eventLine.append(buf, static_cast<size_t>(n));
            size_t nl;
            while ((nl = eventLine.find('\n')) != std::string::npos) {
                std::string line = eventLine.substr(0, nl);
                eventLine.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.find_first_not_of(" \t") == std::string::npos)
                    continue;
                std::string why;
                if (line == "stall on" || line == "stall off") {
                    stalled = line == "stall on";
                    std::printf("ok\n");
                } else if (line.rfind("split", 0) == 0) {
                    char *end = nullptr;
                    const long pieces = std::strtol(line.c_str() + 5, &end, 10);
                    const bool valid =
                        end != line.c_str() + 5 && *end == '\0' && pieces >= 0 && pieces <= 4096;
                    if (valid)
                        split = static_cast<size_t>(pieces);
                    std::printf(valid ? "ok\n" : "error: expected a piece size 0-4096\n");
                } else if (core.command(line, nowMs(), &why))
                    std::printf("ok\n");
                else
                    std::printf("error: %s\n", why.c_str());
                std::fflush(stdout);
                collect();
            }
        }
    }

    // What the handset already said still reaches the terminal.
    const int64_t drainUntil = nowMs() + 500;
    while (!toTerminal.empty() && nowMs() < drainUntil) {
        const ssize_t n = write(master, toTerminal.data(), toTerminal.size());
        if (n > 0)
            toTerminal.erase(0, static_cast<size_t>(n));
        else
            usleep(10'000);
    }
    if (!linkPath.empty())
        unlink(linkPath.c_str());
    if (slave >= 0)
        close(slave);
    close(master);
    return 0;
}
