// Time between pulses as a subject hears it: each pulse is synthesised, handed
// to the real output and waited for with the 50 ms poll a test uses; the
// interval from one start to the next is compared with the nominal period.
// Run against a sound server (tests/audio/with_pulse.sh does for ctest).
//
//   bench_pulse_period [PULSES] [TONE_S] [PAUSE_S]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "audio/portaudio_output.h"
#include "audio/tone_synthesis.h"

using namespace std::chrono;

int main(int argc, char** argv) {
    const int pulses = argc > 1 ? std::atoi(argv[1]) : 20;
    const double tone = argc > 2 ? std::atof(argv[2]) : 0.2;
    const double pause = argc > 3 ? std::atof(argv[3]) : 0.2;
    tonmark::PortAudioOutput out;
    if (!out.OpenPulseOutput(-1)) {
        std::fprintf(stderr, "%s\n", out.Failure().c_str());
        return 1;
    }
    std::vector<double> intervals, synthesis;
    auto last = steady_clock::now();
    std::string buffer;
    for (int i = 0; i < pulses; ++i) {
        const auto t0 = steady_clock::now();
        buffer.clear();
        tonmark::CreateSound(1000, -30, tone, pause, buffer, true, 1, 0);
        const auto t1 = steady_clock::now();
        synthesis.push_back(duration<double>(t1 - t0).count());
        out.PlayPulseBuffer(buffer);
        if (i > 0)
            intervals.push_back(duration<double>(t1 - last).count());
        last = t1;
        while (!out.IsPulseDone()) {
            if (!out.Failure().empty()) {
                std::fprintf(stderr, "%s\n", out.Failure().c_str());
                return 1;
            }
            std::this_thread::sleep_for(milliseconds(50));
        }
    }
    out.ClosePulseOutput();
    std::sort(intervals.begin(), intervals.end());
    double sum = 0;
    for (double v : intervals)
        sum += v;
    const double nominal = tone + pause;
    const double mean = intervals.empty() ? 0 : sum / intervals.size();
    std::printf("nominal period %.3f s, %d pulses\n", nominal, pulses);
    std::printf("interval mean %.3f s (ratio %.3f), min %.3f s, max %.3f s\n", mean, mean / nominal,
                intervals.empty() ? 0 : intervals.front(),
                intervals.empty() ? 0 : intervals.back());
    double synth = 0;
    for (double v : synthesis)
        synth += v;
    std::printf("synthesis per pulse %.3f ms\n", 1000 * synth / pulses);
    return 0;
}
