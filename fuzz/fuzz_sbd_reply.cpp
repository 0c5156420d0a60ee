// The handset's SBD answers come from a serial line: any bytes, cut anywhere, must be read
// without a crash, the same whatever the cuts, and a binary read that is taken as good must
// carry a checksum that matches.
#include "SbdCodec.h"
#include "SbdReply.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const auto command = static_cast<SbdReply::Command>(data[0] % 8);
    const size_t cut = data[1];
    const std::string answer(reinterpret_cast<const char *>(data + 2), size - 2);

    SbdReply whole(command, "AT+SBD");
    whole.feed(answer);
    SbdReply split(command, "AT+SBD");
    for (size_t at = 0; at < answer.size(); at += cut + 1)
        split.feed(std::string_view(answer).substr(at, cut + 1));
    check(whole.state() == split.state());
    check(whole.message() == split.message());
    if (whole.state() == SbdReply::State::Done && command == SbdReply::Command::ReadBinary)
        check(whole.message().size() <= 0x7FF); // a length byte above 7 is no message

    // Hex out and back gives the same bytes; the session line parser takes any line.
    std::string back;
    check(sbd::parseHex(sbd::toHex(answer), &back, nullptr) && back == answer);
    sbd::parseSessionLine(answer);
    sbd::parseHex(answer, &back, nullptr);
    return 0;
}
