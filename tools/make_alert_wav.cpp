// Writes the incoming-call alert: a short rising three-note chime, 16-bit mono PCM WAV.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<uint8_t> &b, uint16_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t> &b, uint32_t v)
{
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_alert_wav OUTPUT.wav\n");
        return 2;
    }
    const int rate = 22050;
    const double notes[] = {659.25, 783.99, 987.77}; // E5, G5, B5
    const double noteSeconds = 0.16;
    std::vector<int16_t> samples;
    for (double f : notes) {
        const int n = int(rate * noteSeconds);
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            const double attack = std::min(1.0, t / 0.01);
            const double decay = std::exp(-t * 9.0);
            const double tone = std::sin(2 * M_PI * f * t) + 0.3 * std::sin(4 * M_PI * f * t);
            samples.push_back(int16_t(tone * attack * decay * 0.45 * 32767));
        }
    }
    std::vector<uint8_t> wav;
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    for (char c : {'R', 'I', 'F', 'F'})
        wav.push_back(uint8_t(c));
    put32(wav, 36 + dataBytes);
    for (char c : {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '})
        wav.push_back(uint8_t(c));
    put32(wav, 16);
    put16(wav, 1); // PCM
    put16(wav, 1); // mono
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    for (char c : {'d', 'a', 't', 'a'})
        wav.push_back(uint8_t(c));
    put32(wav, dataBytes);
    for (int16_t s : samples)
        put16(wav, uint16_t(s));
    FILE *f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size()) {
        std::perror(argv[1]);
        return 1;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
