// Encode and decode of a full 160-character message; the target is 500,000 decodes a second.
// UCS2 and a 400-character message in parts are measured beside them.
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

std::string cyrillic(size_t characters)
{
    std::string text;
    for (size_t i = 0; i < characters; ++i)
        text += i % 8 == 7 ? " " : "\xD0\x96"; // Zhe
    return text;
}

void DecodeUcs2_70(benchmark::State &state)
{
    SmsPduCodec codec;
    int length = 0;
    const std::string pdu =
        codec.EncodeSubmit("881612345678", "91", cyrillic(70), 255, "", 0, length);
    for (auto _ : state)
        benchmark::DoNotOptimize(codec.DecodePdu(pdu));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodeUcs2_70);

void EncodeUcs2_70(benchmark::State &state)
{
    SmsPduCodec codec;
    int length = 0;
    const std::string text = cyrillic(70);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            codec.EncodeSubmit("881612345678", "91", text, 255, "", 0, length));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EncodeUcs2_70);

// A 400-character message: three parts encoded, decoded and joined again.
void EncodeDecodeJoin400(benchmark::State &state)
{
    SmsPduCodec codec;
    std::string text;
    while (text.size() < 400)
        text += message();
    text.resize(400);
    for (auto _ : state) {
        const auto parts = codec.EncodeSubmitParts("881612345678", "91", text, 255, "", 0, 1,
                                                   SmsPduCodec::Alphabet::Gsm7);
        std::vector<SmsPduCodec::Decoded> decoded;
        for (const auto &p : parts)
            decoded.push_back(codec.DecodePdu(p.pdu));
        benchmark::DoNotOptimize(SmsPduCodec::JoinParts(decoded));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EncodeDecodeJoin400);

} // namespace
