// The exchange over a long modem stream in 4 KiB chunks. Targets: at least 50 MB/s, and twice
// the stream costs at most 2.3 times as long (compare the two sizes).
#include "Exchange.h"

#include <benchmark/benchmark.h>

namespace {

// Mostly data-call text that matches nothing (the worst case: buffers fill to their bound),
// with command exchanges, listings and incoming messages mixed in.
std::string stream(size_t bytes)
{
    const std::string text = "Position report 12.3456N 045.6789W speed 012 heading 270\r\n";
    const std::string exchanges[] = {
        "ATI\r\r\nTandrel SH-2\r\n\r\nOK\r\n",
        "AT+CMGL=4\r\r\n+CMGL: 1,1,,23\r\n07911326040000F0040B911346610089F6000020806291731408"
        "0CC8F71D14969741F977FD07\r\n\r\nOK\r\n",
        "\r\n+CMT: ,24\r\n07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F9"
        "77FD07\r\n",
        "AT+CNMI=2,2\r\r\nOK\r\n"};
    std::string s;
    s.reserve(bytes + 512);
    for (size_t i = 0; s.size() < bytes; ++i) {
        s += text;
        if (i % 400 == 399)
            s += exchanges[(i / 400) % 4];
    }
    s.resize(bytes);
    return s;
}

void Recognise(benchmark::State &state)
{
    const std::string data = stream(size_t(state.range(0)) << 20);
    for (auto _ : state) {
        modem::Exchange exchange;
        long messages = 0, shown = 0;
        exchange.setWriter([](const QByteArray &) {});
        exchange.setDisplay([&shown](const QByteArray &bytes) { shown += bytes.size(); });
        exchange.onUnsolicited("+CMT:", 1,
                               [&messages](const std::vector<std::string> &) { ++messages; });
        exchange.opened();
        for (size_t at = 0; at < data.size(); at += 4096)
            exchange.received(QByteArray::fromRawData(
                data.data() + at, qsizetype(std::min<size_t>(4096, data.size() - at))));
        benchmark::DoNotOptimize(messages);
        benchmark::DoNotOptimize(shown);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(Recognise)->Arg(10)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace
