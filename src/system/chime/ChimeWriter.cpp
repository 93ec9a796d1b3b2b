// Writes the ring tone: two struck-glass notes and a pause, as a 16-bit mono WAV file
// that loops without a click. Run at build time so the repository holds no binary audio.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr double loopSeconds = 2.0;

struct Strike {
    double start;     // seconds from the start of the loop
    double frequency; // fundamental, Hz
};

// Partials of a small glass bowl: the slightly inharmonic ratios give the bell-like colour,
// and the higher ones fade faster, as on the real thing.
struct Partial {
    double ratio;
    double level;
    double decaySeconds;
};
constexpr Partial partials[] = {
    {1.00, 1.00, 0.55},
    {2.76, 0.32, 0.22},
    {5.40, 0.12, 0.10},
    {8.93, 0.05, 0.05},
};

constexpr Strike strikes[] = {{0.00, 1567.98}, {0.20, 1318.51}}; // G6, then E6

double sampleAt(double t)
{
    double value = 0.0;
    for (const Strike &strike : strikes) {
        const double local = t - strike.start;
        if (local < 0)
            continue;
        const double attack = std::min(1.0, local / 0.004); // 4 ms: no click at the onset
        for (const Partial &partial : partials) {
            const double phase = 2 * std::numbers::pi * strike.frequency * partial.ratio * local;
            value += attack * partial.level * std::exp(-local / partial.decaySeconds) * std::sin(phase);
        }
    }
    return value;
}

void put16(std::ofstream &out, std::uint16_t v)
{
    out.put(char(v & 0xff));
    out.put(char(v >> 8));
}

void put32(std::ofstream &out, std::uint32_t v)
{
    put16(out, std::uint16_t(v & 0xffff));
    put16(out, std::uint16_t(v >> 16));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    const int count = int(sampleRate * loopSeconds);
    std::vector<double> samples(count);
    double peak = 0.0;
    for (int i = 0; i < count; ++i) {
        samples[i] = sampleAt(double(i) / sampleRate);
        peak = std::max(peak, std::abs(samples[i]));
    }
    // The tail must have died away before the loop starts again.
    const double fadeStart = loopSeconds - 0.15;
    for (int i = int(fadeStart * sampleRate); i < count; ++i)
        samples[i] *= double(count - i) / (count - fadeStart * sampleRate);

    std::ofstream out(argv[1], std::ios::binary);
    const std::uint32_t dataBytes = std::uint32_t(count) * 2;
    out.write("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, sampleRate);
    put32(out, sampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, dataBytes);
    const double gain = 0.7 * 32767.0 / peak;
    for (double sample : samples)
        put16(out, std::uint16_t(std::int16_t(std::lround(sample * gain))));
    out.close();
    if (!out) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
