// A full default two-ear New Test with silent services: the cost of the
// procedure itself, without synthesis or playback.
#include <benchmark/benchmark.h>

#include "core/run_commands.h"
#include "tools/simulation.h"

namespace {

void BM_DefaultTwoEarRun(benchmark::State& bench) {
    long pulses = 0;
    for (auto _ : bench) {
        tonmark::ProgramState state;
        state.CalibrationLoaded = true;
        tonmark::Settings settings;
        tonmark::SilentServices services(state);
        services.subject = [](const tonmark::PulseInfo& p) { return p.levelHL >= 20; };
        services.duringPulse = [&](const tonmark::PulseInfo& p) {
            if (p.slot == 0 && p.indexInSlot == 4)
                state.StopRequested = true;
        };
        tonmark::RecordingDialogs dialogs;
        tonmark::FixedClock clock({2026, 12, 9, 12, 0, 0});
        tonmark::MemoryOnceStore once;
        tonmark::TestRunContext run{state, settings, services, dialogs, clock};
        tonmark::CommandContext cmd{run, once, 20};
        tonmark::NewTest1Click(cmd);
        pulses = services.pulses();
        benchmark::DoNotOptimize(state.Record);
    }
    bench.counters["pulses"] = static_cast<double>(pulses);
}
BENCHMARK(BM_DefaultTwoEarRun);

} // namespace

BENCHMARK_MAIN();
