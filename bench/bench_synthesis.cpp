// Synthesis of a one-second windowed pulse: the program's routine against a
// straightforward per-sample version that appends each byte as it goes, in
// one run, after checking that both give the same bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/tone_synthesis.h"

namespace {

// The rules written out sample by sample, as one first would.
void ReferenceCreateSound(int32_t f, double a, double beep, double pause, std::string& data,
                          bool window, int left, int right) {
    const int64_t n = tonmark::FrameCount(beep);
    const int64_t p = tonmark::FrameCount(pause);
    const double amp = std::pow(10.0, a / 20.0);
    for (int64_t i = 0; i < n; ++i) {
        const double s = std::sin((i * (6.28318530717958647692 * f)) / 44100);
        double w = 1;
        if (window) {
            const double r = static_cast<double>(i) / n;
            if (r < 0.25 || r > 0.75)
                w = std::pow(std::sin(6.28318530717958647692 * i / n), 2);
        }
        double v = std::nearbyint(s * (32767 * amp) * w);
        if (v > 32767)
            v = 32767;
        if (v < -32767)
            v = -32767;
        const auto sample = static_cast<uint16_t>(static_cast<int16_t>(v));
        data.push_back(static_cast<char>((sample & 0xFF) * left));
        data.push_back(static_cast<char>((sample >> 8) * left));
        data.push_back(static_cast<char>((sample & 0xFF) * right));
        data.push_back(static_cast<char>((sample >> 8) * right));
    }
    for (int64_t i = 0; i < p * 4; ++i)
        data.push_back(0);
}

void CheckSame() {
    const struct {
        int f;
        double a, beep, pause;
        bool window;
    } cases[] = {{1000, -10, 1.0, 0, true},
                 {11025, 0, 0.0001, 0, false},
                 {4000, -40, 0.3, 0.7, true},
                 {125, 6, 0.15, 0, true}};
    for (const auto& c : cases) {
        std::string a, b;
        tonmark::CreateSound(c.f, c.a, c.beep, c.pause, a, c.window, 0, 1);
        ReferenceCreateSound(c.f, c.a, c.beep, c.pause, b, c.window, 0, 1);
        if (a != b) {
            std::fprintf(stderr, "synthesis differs from the reference at %d Hz\n", c.f);
            std::abort();
        }
    }
}

void BM_CreateSound_OneSecond(benchmark::State& state) {
    CheckSame();
    for (auto _ : state) {
        std::string data;
        tonmark::CreateSound(1000, -20, 1.0, 0, data, true, 1, 0);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_CreateSound_OneSecond)->Unit(benchmark::kMillisecond);

void BM_Reference_OneSecond(benchmark::State& state) {
    for (auto _ : state) {
        std::string data;
        ReferenceCreateSound(1000, -20, 1.0, 0, data, true, 1, 0);
        benchmark::DoNotOptimize(data.data());
    }
}
BENCHMARK(BM_Reference_OneSecond)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
