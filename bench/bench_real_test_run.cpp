// What the subject and the operator feel in a real hearing test: a New Test
// through the real windows and the PortAudio output into the sound server,
// with SDL's virtual joystick as the response button.
// - Pace: the sink's monitor is recorded and the onset-to-onset time of
//   consecutive pulses of a slot is compared with tone + pause.
// - Response: a presser thread presses the virtual joystick at odd moments;
//   the delay from each press to the first poll that sees it (which also
//   lights the test window's light and latches the pulse) is reported.
// Run against a sound server: tests/audio/with_pulse.sh build/bench_real_test_run
//
//   bench_real_test_run [TONE_S PAUSE_S]   (default: 1 1, then 0.2 0.2)
#include <QApplication>
#include <SDL2/SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/platform_helpers.h"
#include "audio/alsa_mixer_platform.h"
#include "audio/portaudio_output.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/tone_synthesis.h"
#include "support/real_program.h"
#include "support/run_end.h"
#include "tools/simulation.h"
#include "ui/main_window.h"
#include "ui/run_window.h"

using namespace tonmark;
using namespace std::chrono;
using SteadyClock = steady_clock;

namespace {

// The real controller, remembering when each press was first seen.
class TimedJoystick final : public JoystickReader {
  public:
    bool AnyButtonDown() override {
        const bool down = real.AnyButtonDown();
        std::lock_guard lock(mutex);
        if (down && pressedAt && !seen) {
            seen = true;
            delays.push_back(duration<double, std::milli>(SteadyClock::now() - *pressedAt).count());
        }
        return down;
    }
    void Pressed() {
        std::lock_guard lock(mutex);
        pressedAt = SteadyClock::now();
        seen = false;
    }
    SdlJoystickReader real;
    std::mutex mutex;
    std::optional<SteadyClock::time_point> pressedAt;
    bool seen = true;
    std::vector<double> delays; // ms
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

void RunOnce(double tone, double pause) {
    RecordingDialogs dialogs;
    FixedClock clock({2026, 12, 10, 9, 0, 0});
    TimedJoystick joystick;
    Program program;
    program.clock = &clock;
    program.joystick = &joystick;
    // Loud enough to read every level back from the recording.
    test::UseRealSoundParts(program, dialogs, -40, {1000});
    Settings& s = program.settings;
    s.PulseDuration.SetText(std::to_string(tone));
    s.PauseDuration.SetText(std::to_string(pause));
    s.MaxTestTime.SetText(std::to_string(static_cast<int>(12 * (tone + pause)) + 1));
    s.MinReversals.SetText("20");
    TfrmMain main(program, nullptr);
    main.show();
    TfrmTest test(program);
    main.SetTestWindow(&test);

    const std::string raw = "/tmp/bench-run-" + std::to_string(getpid()) + ".raw";
    const pid_t rec = fork();
    if (rec == 0) {
        execlp("parec", "parec", "-d", "@DEFAULT_MONITOR@", "--format=s16le", "--rate=44100",
               "--channels=2", "--latency-msec=20", raw.c_str(), (char*)nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(500ms);

    // Presses at odd moments, each held 120 ms.
    std::atomic<bool> stop{false};
    SDL_Joystick* virt =
        SDL_JoystickOpen(SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 1, 0));
    std::thread presser([&] {
        std::mt19937 random(7);
        // About every other pulse of a 2 s period is answered, so the level
        // stays where every pulse can be read back from the recording.
        std::uniform_int_distribution<int> gap(400, 2600);
        while (!stop) {
            std::this_thread::sleep_for(milliseconds(gap(random)));
            joystick.Pressed();
            SDL_JoystickSetVirtualButton(virt, 0, 1);
            std::this_thread::sleep_for(120ms);
            SDL_JoystickSetVirtualButton(virt, 0, 0);
        }
    });
    main.NewTest1Click();
    tonmark::test::RunEnds(main);
    stop = true;
    presser.join();
    SDL_JoystickClose(virt);
    std::this_thread::sleep_for(500ms);
    kill(rec, SIGINT);
    waitpid(rec, nullptr, 0);

    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(raw.c_str());
    // Onsets: the first non-zero frame after half a pause of silence, moved
    // back by the silent frames the window leaves at the start of a tone of
    // that level (read from its peak) and frequency.
    const size_t quiet = static_cast<size_t>(pause * 44100 / 2);
    const size_t frames = bytes.size() / 4;
    auto sample = [&](size_t f, int c) {
        int16_t v;
        std::memcpy(&v, bytes.data() + 4 * f + 2 * c, 2);
        return v;
    };
    std::vector<size_t> onsets;
    size_t zeros = quiet;
    for (size_t i = 0; i < frames; ++i) {
        if (sample(i, 0) == 0 && sample(i, 1) == 0) {
            ++zeros;
            continue;
        }
        if (zeros >= quiet) {
            const size_t toneFrames = static_cast<size_t>(FrameCount(tone));
            const int channel = sample(i, 0) != 0 ? 0 : 1;
            int peak = 0;
            long crossings = 0;
            int16_t last = 0;
            for (size_t k = i; k < std::min(frames, i + toneFrames); ++k) {
                const int16_t v = sample(k, channel);
                peak = std::max(peak, std::abs(static_cast<int>(v)));
                crossings += (v > 0) != (last > 0);
                last = v;
            }
            const double level = std::round(20 * std::log10(peak / 32767.0));
            const int32_t hz =
                static_cast<int32_t>(std::lround(crossings / 2.0 / tone / 250)) * 250;
            std::string pulse;
            CreateSound(hz, level, tone, 0, pulse, true, 1, 0);
            size_t lead = 0;
            while (4 * lead < pulse.size() && (pulse[4 * lead] | pulse[4 * lead + 1]) == 0)
                ++lead;
            // Below a peak of about 30 the level, and with it the silent
            // start, cannot be read back exactly: such pulses are left out.
            onsets.push_back(peak >= 30 ? i - lead : 0);
        }
        zeros = 0;
    }
    const double nominal = FrameCount(tone) / 44100.0 + FrameCount(pause) / 44100.0;
    std::vector<double> ratios;
    for (size_t i = 1; i < onsets.size(); ++i) {
        if (onsets[i] == 0 || onsets[i - 1] == 0)
            continue;
        const double period = (onsets[i] - onsets[i - 1]) / 44100.0;
        if (period < 2 * nominal) // within a slot; a new slot starts after a pause of its own
            ratios.push_back(period / nominal);
    }
    std::printf("%.2f s + %.2f s: %zu pulses; onset-to-onset / nominal: median %.4f, min %.4f, "
                "max %.4f\n",
                tone, pause, onsets.size(), Percentile(ratios, 0.5), Percentile(ratios, 0),
                Percentile(ratios, 1));
    std::printf("  joystick press -> seen by the poll (light and latch), %zu presses: median %.1f "
                "ms, p95 %.1f ms, max %.1f ms\n",
                joystick.delays.size(), Percentile(joystick.delays, 0.5),
                Percentile(joystick.delays, 0.95), Percentile(joystick.delays, 1));
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QuietAlsaErrors();
    std::vector<std::pair<double, double>> runs{{1, 1}, {0.2, 0.2}};
    if (argc > 2)
        runs = {{std::atof(argv[1]), std::atof(argv[2])}};
    for (const auto& [tone, pause] : runs)
        RunOnce(tone, pause);
    return 0;
}
