// This program's receive path side by side with picocom, on one machine in one run.
//
//   bench_terminals [--seconds S] [--megabytes M] [--rounds R] [--stamps 1]
//                   [--only SLICE_MS]
//
// Each receiver reads the same numbered 65-byte lines from a pseudo-terminal: at line rate
// (921,600 baud, 92,160 bytes a second) written in 1, 2 and 20 ms slices for S seconds,
// and unpaced, M and 2M megabytes as fast as the pseudo-terminal takes them. This program
// runs whole (bench_receiver) under its own Xvfb, whose CPU time is counted with it;
// picocom writes to a file. Figures are medians of R alternating rounds, in CPU seconds
// per megabyte received, with the ratio to picocom, so that a slower or busier machine
// neither hides nor fakes a change. With --stamps 1 the program shows each line with its
// time (Options > Show Time Stamps). Exit status 1 when a target is missed.
// --only runs one mode (0 for unpaced), for profiling.
#include "NumberedStream.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr long LineRate = 921600 / 10;

[[noreturn]] void fail(const std::string &what)
{
    std::fprintf(stderr, "bench_terminals: %s\n", what.c_str());
    std::exit(2);
}

// CPU time of every thread of a process, in seconds (nanosecond counters).
double cpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return 0;
    double total = 0;
    while (dirent *e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        std::ifstream in(tasks + "/" + e->d_name + "/schedstat");
        unsigned long long ns = 0;
        if (in >> ns)
            total += double(ns) / 1e9;
    }
    closedir(dir);
    return total;
}

pid_t spawn(const std::vector<std::string> &argv, int in, int out, const char *display)
{
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork failed");
    if (pid == 0) {
        // picocom ends by signalling its whole process group.
        setpgid(0, 0);
        if (in >= 0)
            dup2(in, STDIN_FILENO);
        if (out >= 0)
            dup2(out, STDOUT_FILENO);
        if (display)
            setenv("DISPLAY", display, 1);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        std::fprintf(stderr, "bench_terminals: cannot run %s: %s\n", args[0], std::strerror(errno));
        _exit(127);
    }
    return pid;
}

// A line from fd, waiting up to timeoutMs; empty when none came.
std::string readLine(int fd, int timeoutMs)
{
    std::string line;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const int left =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
        if (poll(&p, 1, std::max(left, 1)) <= 0)
            continue;
        char c;
        if (read(fd, &c, 1) != 1)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return {};
}

struct Pty
{
    int master = -1;
    std::string slave;
    Pty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            fail("cannot open a pseudo-terminal");
        slave = ptsname(master);
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
    }
    ~Pty() { close(master); }
};

bool holds(pid_t pid, const std::string &path)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR *dir = opendir(fds.c_str());
    if (!dir)
        return false;
    bool found = false;
    while (dirent *e = readdir(dir)) {
        char target[256];
        const ssize_t n = readlink((fds + "/" + e->d_name).c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, size_t(n)) == path)
            found = true;
    }
    closedir(dir);
    return found;
}

// Writes the stream into the pseudo-terminal: in slices of sliceMs at line rate, or as
// fast as it is taken when sliceMs is 0.
void writeStream(int fd, const std::string &data, int sliceMs)
{
    size_t written = 0;
    const auto start = Clock::now();
    auto next = start;
    while (written < data.size()) {
        size_t due = data.size();
        if (sliceMs > 0) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
            due = std::min(data.size(), size_t(elapsed.count() * LineRate / 1'000'000));
        } else {
            due = std::min(data.size(), written + 65536);
        }
        while (written < due) {
            const ssize_t n = write(fd, data.data() + written, due - written);
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                fail("write to the pseudo-terminal failed");
            if (n > 0)
                written += size_t(n);
        }
        if (sliceMs > 0) {
            next += std::chrono::milliseconds(sliceMs);
            std::this_thread::sleep_until(next);
        }
    }
}

struct Result
{
    double cpu = 0;  // receiver
    double xcpu = 0; // its X server
    double wall = 0;
    size_t bytes = 0;
    bool intact = false;
    double perMB() const { return (cpu + xcpu) / (double(bytes) / 1e6); }
    double mbPerSecond() const { return double(bytes) / 1e6 / wall; }
};

Result runOurs(const std::string &receiver, const std::string &data, int sliceMs, pid_t xvfb,
               const char *display, bool stamps)
{
    Pty pty;
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0)
        fail("pipe failed");
    std::vector<std::string> args = {receiver, pty.slave, std::to_string(data.size())};
    if (stamps)
        args.push_back("--stamps");
    const pid_t pid = spawn(args, toChild[0], fromChild[1], display);
    close(toChild[0]);
    close(fromChild[1]);
    if (readLine(fromChild[0], 60'000) != "ready")
        fail("bench_receiver did not start");
    // Let start-up painting settle.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));

    Result r;
    const double cpu0 = cpuSeconds(pid);
    const double x0 = cpuSeconds(xvfb);
    const auto start = Clock::now();
    writeStream(pty.master, data, sliceMs);
    const std::string done = readLine(fromChild[0], 120'000);
    r.wall = std::chrono::duration<double>(Clock::now() - start).count();
    r.cpu = cpuSeconds(pid) - cpu0;
    r.xcpu = cpuSeconds(xvfb) - x0;
    r.bytes = data.size();
    r.intact = done == "done " + std::to_string(data.size()) + " ok";
    if (!r.intact)
        std::fprintf(stderr, "bench_terminals: receiver said \"%s\"\n", done.c_str());
    close(toChild[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    close(fromChild[0]);
    return r;
}

Result runPicocom(const std::string &data, int sliceMs, const std::string &outFile)
{
    Pty pty;
    int toChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        fail("pipe failed");
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = spawn({"picocom", "-b", "921600", "-q", "--noreset", "--nolock", pty.slave},
                            toChild[0], out, nullptr);
    close(toChild[0]);
    close(out);
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (!holds(pid, pty.slave) && Clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    Result r;
    const double cpu0 = cpuSeconds(pid);
    const auto start = Clock::now();
    writeStream(pty.master, data, sliceMs);
    struct stat st
    {};
    const auto end = Clock::now() + std::chrono::seconds(120);
    while (Clock::now() < end) {
        if (stat(outFile.c_str(), &st) == 0 && size_t(st.st_size) >= data.size())
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    r.wall = std::chrono::duration<double>(Clock::now() - start).count();
    r.cpu = cpuSeconds(pid) - cpu0;
    r.bytes = data.size();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    close(toChild[1]);
    std::ifstream in(outFile, std::ios::binary);
    const std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    r.intact = got == data;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = 6;
    int megabytes = 8;
    int rounds = 3;
    bool stamps = false;
    int only = -1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--megabytes"))
            megabytes = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--stamps"))
            stamps = std::atoi(argv[i + 1]) != 0;
        else if (!std::strcmp(argv[i], "--only"))
            only = std::atoi(argv[i + 1]);
    }
    signal(SIGPIPE, SIG_IGN);
    std::string self(argv[0]);
    const std::string receiver = self.substr(0, self.rfind('/') + 1) + "bench_receiver";

    // Our own X server, so that its CPU time is known to be ours.
    int displayPipe[2];
    if (pipe(displayPipe) != 0)
        fail("pipe failed");
    const pid_t xvfb = spawn({"Xvfb", "-displayfd", std::to_string(displayPipe[1]), "-screen", "0",
                              "1280x1024x24", "-nolisten", "tcp"},
                             -1, -1, nullptr);
    close(displayPipe[1]);
    const std::string number = readLine(displayPipe[0], 20'000);
    close(displayPipe[0]);
    if (number.empty())
        fail("Xvfb did not start (install it with: apt-get install xvfb)");
    const std::string display = ":" + number;
    char tmpl[] = "/tmp/bench_terminals.XXXXXX";
    const int tmpFd = mkstemp(tmpl);
    close(tmpFd);

    struct Mode
    {
        std::string name;
        int sliceMs;
        size_t bytes;
    };
    const size_t paced = size_t(LineRate) * size_t(seconds);
    std::vector<Mode> modes = {
        {"line rate, 1 ms slices", 1, paced},
        {"line rate, 2 ms slices", 2, paced},
        {"line rate, 20 ms slices", 20, paced},
        {"unpaced, " + std::to_string(megabytes) + " MB", 0, size_t(megabytes) * 1'000'000},
        {"unpaced, " + std::to_string(2 * megabytes) + " MB", 0, size_t(2 * megabytes) * 1'000'000},
    };
    if (only >= 0)
        std::erase_if(modes, [&](const Mode &m) { return m.sliceMs != only; });
    std::map<std::string, std::vector<Result>> ours;
    std::map<std::string, std::vector<Result>> pico;
    for (int round = 0; round < rounds; ++round) {
        for (const Mode &m : modes) {
            const std::string data = numberedStream(m.bytes);
            // Alternate which goes first, so that neither always meets a warmer machine.
            for (int k = 0; k < 2; ++k) {
                if ((k == 0) == (round % 2 == 0))
                    ours[m.name].push_back(
                        runOurs(receiver, data, m.sliceMs, xvfb, display.c_str(), stamps));
                else
                    pico[m.name].push_back(runPicocom(data, m.sliceMs, tmpl));
            }
            std::fprintf(stderr, "round %d: %s done\n", round + 1, m.name.c_str());
        }
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    unlink(tmpl);

    bool ok = true;
    if (stamps)
        std::printf("with time stamps on\n");
    std::printf("%-26s %10s %10s %10s %10s %8s\n", "", "ours s/MB", "(X part)", "picocom", "ratio",
                "intact");
    std::map<std::string, double> oursMed;
    for (const Mode &m : modes) {
        std::vector<double> a, x, p, rate, prate;
        bool intact = true;
        for (const Result &r : ours[m.name]) {
            a.push_back(r.perMB());
            x.push_back(r.xcpu / (double(r.bytes) / 1e6));
            rate.push_back(r.mbPerSecond());
            intact = intact && r.intact;
        }
        for (const Result &r : pico[m.name]) {
            p.push_back(r.perMB());
            prate.push_back(r.mbPerSecond());
            intact = intact && r.intact;
        }
        oursMed[m.name] = median(a);
        std::printf("%-26s %10.3f %10.3f %10.3f %10.2f %8s\n", m.name.c_str(), median(a), median(x),
                    median(p), median(a) / median(p), intact ? "yes" : "NO");
        if (m.sliceMs == 0)
            std::printf("%-26s %10.1f MB/s displayed, picocom %.1f MB/s\n", "", median(rate),
                        median(prate));
        else
            std::printf("%-26s %10.1f%% of one core\n", "", median(a) * LineRate / 1e4);
        ok = ok && intact;
        if (m.sliceMs > 0 && median(a) > 0.45) {
            std::printf("  target missed: at most 0.45 CPU s/MB at line rate\n");
            ok = false;
        }
        if (m.sliceMs == 0 && m.bytes == size_t(megabytes) * 1'000'000 && median(rate) < 10) {
            std::printf("  target missed: at least 10 MB/s unpaced\n");
            ok = false;
        }
    }
    if (only < 0) {
        const double once = oursMed[modes[3].name] * double(modes[3].bytes);
        const double twice = oursMed[modes[4].name] * double(modes[4].bytes);
        std::printf("twice the input: %.2f times the CPU (target at most 2.1)\n", twice / once);
        ok = ok && twice / once <= 2.1;
    }
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
