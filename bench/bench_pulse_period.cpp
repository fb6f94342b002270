// Time between pulses as a subject hears it, and whether every pulse arrives
// whole. Pulses are synthesised, handed to the real output and waited for as
// a test waits (50 ms steps that end when the pulse is heard); the sink's
// monitor is recorded with parec, the onset-to-onset intervals are read from
// the recording, sample-exact, and compared with the nominal period (tone +
// pause), and every recorded pulse is compared bit for bit with its buffer.
// Both outputs run side by side: the sound server's own stream (what the
// program uses on such a server) and PortAudio (its fallback).
// Run against a sound server (tests/audio/with_pulse.sh does for ctest), and
// under bench/machine_load.sh for the figures on a busy machine.
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
#include <utility>
#include <vector>

#include "audio/alsa_mixer_platform.h"
#include "audio/portaudio_output.h"
#include "audio/pulse_stream_output.h"
#include "audio/tone_synthesis.h"

using namespace std::chrono;

namespace {

// parec on the default sink's monitor for the life of the object, read live:
// each chunk is stamped with the moment it arrived, so that a frame's place
// in the recording says when it was heard (parec's own 10 ms of latency
// make that moment a little late).
class Recorder {
  public:
    Recorder() {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            execlp("parec", "parec", "-d", "@DEFAULT_MONITOR@", "--format=s16le", "--rate=44100",
                   "--channels=2", "--latency-msec=10", (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        fd_ = fds[0];
        reader_ = std::thread([this] {
            char buf[4096];
            std::string carry;
            for (;;) {
                const ssize_t n = read(fd_, buf, sizeof buf);
                if (n <= 0)
                    return;
                const auto now = steady_clock::now();
                carry.append(buf, static_cast<size_t>(n));
                const size_t whole = carry.size() / 4;
                for (size_t i = 0; i < whole; ++i) {
                    int16_t v;
                    std::memcpy(&v, carry.data() + 4 * i, 2);
                    left_.push_back(v);
                }
                carry.erase(0, whole * 4);
                arrivals_.emplace_back(left_.size(), now);
            }
        });
        std::this_thread::sleep_for(500ms);
    }
    // The left channel of what was recorded.
    std::vector<int16_t> Stop() {
        std::this_thread::sleep_for(300ms);
        kill(pid_, SIGINT);
        waitpid(pid_, nullptr, 0);
        reader_.join();
        close(fd_);
        return left_;
    }
    // When frame `frame` of the recording was heard.
    steady_clock::time_point HeardAt(size_t frame) const {
        for (const auto& [end, at] : arrivals_)
            if (end > frame)
                return at - microseconds(static_cast<long>((end - 1 - frame) * 1e6 / 44100));
        return arrivals_.empty() ? steady_clock::time_point{} : arrivals_.back().second;
    }

  private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::vector<int16_t> left_;
    // After each read: frames recorded so far, and when the read returned.
    std::vector<std::pair<size_t, steady_clock::time_point>> arrivals_;
};

struct Figures {
    std::vector<double> periods;  // onset to onset, s
    std::vector<double> handover; // wait returned -> next pulse handed over, s
    int64_t underflows = 0;
    int damaged = 0; // recorded pulses that differ from their buffer
    // The output said done minus the listener heard the pause end, s; > 0
    // means a press late in the pause still counted for its pulse.
    std::vector<double> windowPastHeard;
};

// Plays the pulses on out, waited for as a test waits.
bool Run(tonmark::WaveOutput& out, int pulses, double tone, double pause, Figures& f) {
    std::string buffer;
    tonmark::CreateSound(1000, -20, tone, pause, buffer, true, 1, 0);
    size_t firstNonZero = 0;
    while (firstNonZero * 4 < buffer.size() &&
           (buffer[4 * firstNonZero] | buffer[4 * firstNonZero + 1]) == 0)
        ++firstNonZero;

    Recorder rec;
    if (!out.OpenPulseOutput(-1)) {
        std::fprintf(stderr, "%s\n", out.Failure().c_str());
        return false;
    }
    steady_clock::time_point returned{};
    std::vector<steady_clock::time_point> doneAt;
    for (int i = 0; i < pulses; ++i) {
        std::string pulse;
        tonmark::CreateSound(1000, -20, tone, pause, pulse, true, 1, 0);
        buffer.swap(pulse);
        out.PlayPulseBuffer(buffer);
        if (i > 0)
            f.handover.push_back(duration<double>(steady_clock::now() - returned).count());
        while (!out.WaitPulseDone(50)) {
            if (!out.Failure().empty()) {
                std::fprintf(stderr, "%s\n", out.Failure().c_str());
                return false;
            }
        }
        returned = steady_clock::now();
        doneAt.push_back(returned);
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
    // Every pulse as it was synthesised: the left channel, sample for sample.
    const size_t frames = buffer.size() / 4;
    for (size_t k = 0; k < onsets.size(); ++k)
        f.windowPastHeard.push_back(
            duration<double>(doneAt[k] - rec.HeardAt(onsets[k] + frames - 1)).count());
    for (size_t onset : onsets) {
        bool same = onset + frames <= left.size();
        for (size_t k = 0; same && k < frames; ++k) {
            int16_t want;
            std::memcpy(&want, buffer.data() + 4 * k, 2);
            same = left[onset + k] == want;
        }
        f.damaged += same ? 0 : 1;
    }
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile95(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, v.size() * 95 / 100)];
}

void Report(const char* what, double nominal, const Figures& f) {
    const auto [mn, mx] = std::minmax_element(f.periods.begin(), f.periods.end());
    std::printf("  %-16s median %.4f  95th %.4f  min %.4f  max %.4f  underflows %lld  pulses "
                "not bit-exact %d of %zu\n",
                what, Median(f.periods) / nominal, Percentile95(f.periods) / nominal, *mn / nominal,
                *mx / nominal, static_cast<long long>(f.underflows), f.damaged,
                f.periods.size() + 1);
    std::printf("  %-16s wait returned -> next pulse handed over (synthesis included): median "
                "%.3f ms, max %.3f ms\n",
                "", 1000 * Median(f.handover),
                1000 * *std::max_element(f.handover.begin(), f.handover.end()));
    const auto [early, late] =
        std::minmax_element(f.windowPastHeard.begin(), f.windowPastHeard.end());
    std::printf("  %-16s done - pause end as heard: median %+.1f ms, min %+.1f ms, max %+.1f ms\n",
                "", 1000 * Median(f.windowPastHeard), 1000 * *early, 1000 * *late);
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
    int status = 0;
    for (const auto& [tone, pause] : periods) {
        const double nominal =
            tonmark::FrameCount(tone) / 44100.0 + tonmark::FrameCount(pause) / 44100.0;
        std::printf("%.3f s tone + %.3f s pause, %d pulses; onset-to-onset / nominal:\n", tone,
                    pause, pulses);
        Figures server, portAudio;
        {
            tonmark::PulseStreamOutput out;
            if (!Run(out, pulses, tone, pause, server))
                return 1;
        }
        {
            tonmark::PortAudioOutput out;
            if (!Run(out, pulses, tone, pause, portAudio))
                return 1;
        }
        Report("server stream", nominal, server);
        Report("PortAudio", nominal, portAudio);
        if (server.damaged > 0 || server.underflows > 0)
            status = 1;
    }
    return status;
}
