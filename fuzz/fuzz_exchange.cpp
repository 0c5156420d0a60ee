// What a modem sends is any bytes, cut anywhere between reads. The exchange must read them
// without a crash, end every command exactly once, come to the same answer however the bytes
// are cut while one command is out, and never hold the queue once nothing waits.
//
// Input: byte 0 gives the size of the pieces the answer is cut into (1 to 64, or whole); byte
// 1 picks which commands are queued and which are typed; the rest is what the modem sends.
#include "Exchange.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

struct Run
{
    std::vector<std::string> answers; // each command's end, in the order they came
    std::string shown;
    bool busy = false;
};

Run run(uint8_t plan, const std::string &bytes, size_t piece)
{
    static const char *const lines[] = {"AT+CMGL=4", "AT+CSQ", "AT+SBDRB", "AT+CMGS=20"};
    modem::Exchange exchange;
    qint64 now = 0;
    Run r;
    exchange.setClock([&now] { return now; });
    exchange.setWriter([](const QByteArray &) {});
    exchange.setDisplay([&r](const QByteArray &b) { r.shown += b.toStdString(); });
    exchange.onUnsolicited("+CMT:", 1,
                           [](const std::vector<std::string> &l) { check(l.size() == 2); });
    exchange.opened();
    std::vector<int> ended(4, 0);
    for (int i = 0; i < 4; ++i) {
        if (!(plan >> i & 1))
            continue;
        modem::Command c;
        c.line = lines[i];
        c.shown = plan >> 4 & 1;
        if (i == 2)
            c.binary = [](const QByteArray &b) -> long long { return b.size() >= 4 ? 4 : -1; };
        if (i == 3)
            c.payload = "0011\x1a";
        c.done = [&, i](const modem::Reply &reply) {
            ++ended[i];
            r.answers.push_back(reply.finalLine + "/" + std::to_string(reply.lines.size()));
        };
        exchange.submit(std::move(c));
    }
    if (plan & 0x20)
        exchange.typed("ATI\r");
    for (size_t at = 0; at < bytes.size(); at += piece)
        exchange.received(QByteArray::fromStdString(bytes.substr(at, piece)));
    now += 24 * 3600 * 1000;
    exchange.expire();
    r.busy = exchange.busy();
    check(!exchange.busy()); // everything has ended by the clock
    for (int i = 0; i < 4; ++i)
        check(ended[i] == ((plan >> i) & 1)); // once each
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 2)
        return 0;
    const size_t piece = data[0] % 65 == 0 ? size : data[0] % 65;
    const std::string bytes(reinterpret_cast<const char *>(data + 2), size - 2);
    const Run whole = run(data[1], bytes, bytes.size() + 1);
    const Run cut = run(data[1], bytes, piece);
    // With one command out, every byte answers it or nothing; with more, where the bytes fall
    // against the sending of the next one decides, as it does on a real line.
    if (__builtin_popcount(data[1] & 0x0F) <= 1 && !(data[1] & 0x20))
        check(whole.answers == cut.answers);
    return 0;
}
