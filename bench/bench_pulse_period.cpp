// Time between pulses as a subject hears it. Pulses are synthesised, handed
// to the real output and waited for as a test waits (50 ms steps that end
// when the pulse is done); the sink's monitor is recorded with parec and the
// onset-to-onset intervals are read from the recording, sample-exact, and
// compared with the nominal period (tone + pause). For comparison the same
// pulses are also waited for with plain 50 ms sleeps between checks.
// Run against a sound server (tests/audio/with_pulse.sh does for ctest).
//
//   bench_pulse_period [PULSES [TONE_S PAUSE_S]]
//
// Without times it measures 1 s + 1 s and 0.2 s + 0.2 s.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/alsa_mixer_platform.h"
#include "audio/portaudio_output.h"
#include "audio/tone_synthesis.h"

using namespace std::chrono;

namespace {

// parec on the default sink's monitor for the life of the object.
class Recorder {
  public:
    Recorder() {
        path_ = "/tmp/bench-pulse-" + std::to_string(getpid()) + ".raw";
        pid_ = fork();
        if (pid_ == 0) {
            execlp("parec", "parec", "-d", "@DEFAULT_MONITOR@", "--format=s16le", "--rate=44100",
                   "--channels=2", "--latency-msec=20", path_.c_str(), (char*)nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(500ms);
    }
    // The left channel of what was recorded.
    std::vector<int16_t> Stop() {
        std::this_thread::sleep_for(300ms);
        kill(pid_, SIGINT);
        int st = 0;
        waitpid(pid_, &st, 0);
        std::ifstream in(path_, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::remove(path_.c_str());
        std::vector<int16_t> left(bytes.size() / 4);
        for (size_t i = 0; i < left.size(); ++i)
            std::memcpy(&left[i], bytes.data() + 4 * i, 2);
        return left;
    }

  private:
    std::string path_;
    pid_t pid_ = -1;
};

struct Figures {
    std::vector<double> periods;  // onset to onset, s
    std::vector<double> handover; // wait returned -> next pulse handed over, s
    int64_t underflows = 0;
};

// Plays the pulses; eventWait chooses the waiting of a test (true) or plain
// 50 ms sleeps between checks (false).
bool Run(int pulses, double tone, double pause, bool eventWait, Figures& f) {
    std::string buffer;
    tonmark::CreateSound(1000, -20, tone, pause, buffer, true, 1, 0);
    size_t firstNonZero = 0;
    while (firstNonZero * 4 < buffer.size() &&
           (buffer[4 * firstNonZero] | buffer[4 * firstNonZero + 1]) == 0)
        ++firstNonZero;

    Recorder rec;
    tonmark::PortAudioOutput out;
    if (!out.OpenPulseOutput(-1)) {
        std::fprintf(stderr, "%s\n", out.Failure().c_str());
        return false;
    }
    steady_clock::time_point returned{};
    for (int i = 0; i < pulses; ++i) {
        std::string pulse;
        tonmark::CreateSound(1000, -20, tone, pause, pulse, true, 1, 0);
        buffer.swap(pulse);
        out.PlayPulseBuffer(buffer);
        if (i > 0)
            f.handover.push_back(duration<double>(steady_clock::now() - returned).count());
        for (;;) {
            const bool done = eventWait ? out.WaitPulseDone(50) : out.IsPulseDone();
            if (done)
                break;
            if (!out.Failure().empty()) {
                std::fprintf(stderr, "%s\n", out.Failure().c_str());
                return false;
            }
            if (!eventWait)
                std::this_thread::sleep_for(50ms);
        }
        returned = steady_clock::now();
    }
    f.underflows = out.Underflows();
    out.ClosePulseOutput();
    const auto left = rec.Stop();

    // An onset is the first non-zero sample after at least half a pause of
    // silence, moved back to where the pulse's buffer begins.
    const size_t quiet = std::max<size_t>(1, static_cast<size_t>(pause * 44100 / 2));
    std::vector<size_t> onsets;
    size_t zeros = quiet;
    for (size_t i = 0; i < left.size(); ++i) {
        if (left[i] == 0) {
            ++zeros;
            continue;
        }
        if (zeros >= quiet)
            onsets.push_back(i - firstNonZero);
        zeros = 0;
    }
    if (static_cast<int>(onsets.size()) != pulses) {
        std::fprintf(stderr, "found %zu onsets for %d pulses\n", onsets.size(), pulses);
        return false;
    }
    for (size_t i = 1; i < onsets.size(); ++i)
        f.periods.push_back(static_cast<double>(onsets[i] - onsets[i - 1]) / 44100);
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void Report(const char* what, double nominal, const Figures& f) {
    const auto [mn, mx] = std::minmax_element(f.periods.begin(), f.periods.end());
    std::printf("  %-22s median %.4f  min %.4f  max %.4f  spread %.2f ms  underflows %lld\n", what,
                Median(f.periods) / nominal, *mn / nominal, *mx / nominal, 1000 * (*mx - *mn),
                static_cast<long long>(f.underflows));
}

} // namespace

int main(int argc, char** argv) {
    const int pulses = argc > 1 ? std::atoi(argv[1]) : 20;
    std::vector<std::pair<double, double>> periods{{1.0, 1.0}, {0.2, 0.2}};
    if (argc > 3)
        periods = {{std::atof(argv[2]), std::atof(argv[3])}};
    if (pulses < 2)
        return 2;
    tonmark::QuietAlsaErrors();
    for (const auto& [tone, pause] : periods) {
        const double nominal =
            tonmark::FrameCount(tone) / 44100.0 + tonmark::FrameCount(pause) / 44100.0;
        std::printf("%.3f s tone + %.3f s pause, %d pulses; onset-to-onset / nominal:\n", tone,
                    pause, pulses);
        Figures event, sleep;
        if (!Run(pulses, tone, pause, true, event) || !Run(pulses, tone, pause, false, sleep))
            return 1;
        Report("woken by the pulse end", nominal, event);
        Report("50 ms sleep polling", nominal, sleep);
        std::printf("  wait returned -> next pulse handed over (synthesis included): median "
                    "%.3f ms, max %.3f ms\n",
                    1000 * Median(event.handover),
                    1000 * *std::max_element(event.handover.begin(), event.handover.end()));
    }
    return 0;
}
