// Encode and decode of a full 160-character message; the target is 500,000 decodes a second.
#include "SmsPduCodec.h"

#include <benchmark/benchmark.h>

namespace {

std::string message()
{
    std::string text;
    while (text.size() < 160)
        text += "Position 12.345N 67.890W, all well [ok] ";
    text.resize(150);
    return text;
}

void Decode160(benchmark::State &state)
{
    SmsPduCodec codec;
    int length = 0;
    std::string text = message();
    text.resize(160);
    for (char &c : text)
        if (c == '[' || c == ']')
            c = '-';
    const std::string pdu = codec.EncodeSubmit("881612345678", "91", text, 255, "", 0, length);
    for (auto _ : state)
        benchmark::DoNotOptimize(codec.DecodePdu(pdu));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Decode160);

void Encode160(benchmark::State &state)
{
    SmsPduCodec codec;
    int length = 0;
    const std::string text = message();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            codec.EncodeSubmit("881612345678", "91", text, 255, "", 0, length));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Encode160);

} // namespace
