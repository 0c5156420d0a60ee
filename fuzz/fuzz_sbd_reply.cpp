// The handset's SBD answers come from a serial line: any bytes, cut anywhere, must be read
// without a crash, the same whatever the cuts, and a binary read that is taken as good must
// carry a checksum that matches.
#include "Exchange.h"
#include "SbdCodec.h"
#include "SbdReply.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// The answer through the exchange as the SBD window sends the command, in pieces.
std::shared_ptr<SbdReply> through(SbdReply::Command command, const std::string &answer,
                                  size_t piece)
{
    modem::Exchange exchange;
    exchange.setWriter([](const QByteArray &) {});
    exchange.opened();
    auto reply = std::make_shared<SbdReply>(command, "AT+SBD");
    modem::Command c;
    c.line = "AT+SBD";
    c.claims = [reply](const std::string &l) { return reply->line(l); };
    if (command == SbdReply::Command::ReadBinary)
        c.binary = [reply](const QByteArray &b) {
            return reply->binary(std::string_view(b.constData(), size_t(b.size())));
        };
    if (command == SbdReply::Command::WriteBinary) {
        c.payload = "x";
        c.prompt = "READY";
    }
    c.done = [reply](const modem::Reply &a) {
        if (a.answered())
            reply->finish(a.ok(), a.finalLine);
    };
    exchange.submit(std::move(c));
    for (size_t at = 0; at < answer.size(); at += piece)
        exchange.received(QByteArray::fromStdString(answer.substr(at, piece)));
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const auto command = static_cast<SbdReply::Command>(data[0] % 8);
    const size_t cut = data[1];
    const std::string answer(reinterpret_cast<const char *>(data + 2), size - 2);

    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const auto whole = through(command, answer, answer.size() + 1);
    const auto split = through(command, answer, cut + 1);
    check(whole->state() == split->state());
    check(whole->message() == split->message());
    if (whole->state() == SbdReply::State::Done && command == SbdReply::Command::ReadBinary)
        check(whole->message().size() <= 0x7FF); // a length byte above 7 is no message

    // Hex out and back gives the same bytes; the session line parser takes any line.
    std::string back;
    check(sbd::parseHex(sbd::toHex(answer), &back, nullptr) && back == answer);
    sbd::parseSessionLine(answer);
    sbd::parseHex(answer, &back, nullptr);
    return 0;
}
