#pragma once
// What the tests on real sound compare: a busy machine (MachineLoad) and a
// recording of the sink's monitor against the pulses that should have been
// played (CompareWithPulses).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tonmark::test {

using Frames = std::vector<std::pair<int16_t, int16_t>>; // [left, right]

// A busy machine for the life of the object, as a user's can be: two
// CPU-bound processes per core and one that writes and syncs 200 MB files.
class MachineLoad {
  public:
    explicit MachineLoad(const std::string& folder)
        : file_(folder + "/load-" + std::to_string(getpid()) + ".bin") {
        const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
        for (long i = 0; i < 2 * cores; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                volatile unsigned long x = 0;
                for (;;)
                    x = x + 1;
            }
            children_.push_back(pid);
        }
        const pid_t writer = fork();
        if (writer == 0) {
            const std::string cmd = "while :; do dd if=/dev/zero of='" + file_ +
                                    "' bs=1M count=200 conv=fsync status=none; rm -f '" + file_ +
                                    "'; done";
            execl("/bin/sh", "sh", "-c", cmd.c_str(), (char*)nullptr);
            _exit(127);
        }
        children_.push_back(writer);
        std::this_thread::sleep_for(std::chrono::seconds(1)); // let the load build up
    }
    ~MachineLoad() {
        for (pid_t pid : children_) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        std::remove(file_.c_str());
    }
    MachineLoad(const MachineLoad&) = delete;
    MachineLoad& operator=(const MachineLoad&) = delete;

  private:
    std::vector<pid_t> children_;
    std::string file_;
};

inline int16_t PulseSample(const std::string& buffer, size_t frame, int channel) {
    int16_t v;
    std::memcpy(&v, buffer.data() + 4 * frame + 2 * channel, 2);
    return v;
}

// Walks the recording pulse by pulse: each pulse's buffer must appear whole
// and exact, after nothing but silence. Returns "" or what went wrong.
inline std::string CompareWithPulses(const Frames& frames, const std::vector<std::string>& pulses) {
    size_t cursor = 0;
    for (size_t p = 0; p < pulses.size(); ++p) {
        const std::string& pulse = pulses[p];
        const size_t n = pulse.size() / 4;
        size_t lead = 0;
        while (lead < n && PulseSample(pulse, lead, 0) == 0 && PulseSample(pulse, lead, 1) == 0)
            ++lead;
        size_t onset = cursor;
        while (onset < frames.size() && frames[onset].first == 0 && frames[onset].second == 0)
            ++onset;
        if (onset == frames.size())
            return "pulse " + std::to_string(p) + " was not played";
        if (onset < cursor + lead)
            return "pulse " + std::to_string(p) + " starts too early";
        const size_t start = onset - lead;
        if (start + n > frames.size())
            return "pulse " + std::to_string(p) + " is cut off";
        for (size_t i = 0; i < n; ++i)
            if (frames[start + i].first != PulseSample(pulse, i, 0) ||
                frames[start + i].second != PulseSample(pulse, i, 1))
                return "pulse " + std::to_string(p) + " differs at frame " + std::to_string(i) +
                       " of " + std::to_string(n);
        cursor = start + n;
    }
    for (size_t i = cursor; i < frames.size(); ++i)
        if (frames[i].first != 0 || frames[i].second != 0)
            return "sound after the last pulse";
    return {};
}

} // namespace tonmark::test
