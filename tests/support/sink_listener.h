#pragma once
// A subject at the headphones: records the sound server's default monitor as
// it plays, measures every pulse (ear, frequency, level in dB HL through a
// fixed level correction), keeps every frame for a bit-exact comparison, and
// answers the pulses it hears with the response button at a set time after
// the pulse's onset as heard: a virtual SDL joystick button, or the CTRL key
// through the X server (XTest), as a person presses it.
#include <SDL2/SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/sink_recording.h"
#include "support/x_input.h"
#include "tools/simulation.h"

namespace tonmark::test {

struct HeardPulse {
    int ear;
    int32_t hz;
    double levelHL;
    bool bothChannels;
    std::chrono::steady_clock::time_point onset; // as heard, on this clock
};

enum class ResponseButton { Joystick, CtrlKey };

struct Answering {
    ResponseButton button = ResponseButton::Joystick;
    double pressAfterOnset = 0.2; // s
    double holdFor = 0.15;        // s
};

class SinkListener {
  public:
    using Clock = std::chrono::steady_clock;

    SinkListener(ThresholdSubject subject, double levelCorrection, Answering answering)
        : subject_(std::move(subject)), correction_(levelCorrection), answering_(answering) {
        if (answering_.button == ResponseButton::Joystick)
            joystick_ = SDL_JoystickOpen(
                SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 0, 1, 0));
        else
            display_ = OpenXInput();
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
        reader_ = std::thread([this] { Read(); });
        responder_ = std::thread([this] { Respond(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ~SinkListener() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        reader_.join();
        {
            std::lock_guard g(m_);
            ending_ = true;
        }
        wake_.notify_all();
        responder_.join();
        close(fd_);
        if (joystick_)
            SDL_JoystickClose(joystick_);
        if (display_) {
            XCtrl(display_, false);
            CloseXInput(display_);
        }
    }
    bool Ready() const {
        return fd_ >= 0 && (answering_.button == ResponseButton::Joystick ? joystick_ != nullptr
                                                                          : display_ != nullptr);
    }
    std::vector<HeardPulse> Pulses() {
        std::lock_guard g(m_);
        return pulses_;
    }
    Frames Recording() {
        std::lock_guard g(m_);
        return frames_;
    }
    // Called after every pulse measured (on the listener's thread).
    std::function<void(size_t count)> afterPulse;

  private:
    void Read() {
        std::string carry;
        long quiet = 100000, frames = 0, crossings = 0;
        int peak[2] = {0, 0};
        int16_t lastSample = 0;
        bool inPulse = false;
        Clock::time_point onset{};
        for (;;) {
            char raw[4096];
            const ssize_t n = read(fd_, raw, sizeof raw);
            if (n <= 0)
                return;
            const auto now = Clock::now();
            carry.append(raw, static_cast<size_t>(n));
            const size_t whole = carry.size() / 4;
            for (size_t i = 0; i < whole; ++i) {
                int16_t s[2];
                std::memcpy(s, carry.data() + 4 * i, 4);
                {
                    std::lock_guard g(m_);
                    frames_.emplace_back(s[0], s[1]);
                }
                if (s[0] == 0 && s[1] == 0) {
                    // A pulse ends with 50 ms of silence.
                    if (inPulse && ++quiet >= 2205) {
                        EndPulse(frames, crossings, peak, onset);
                        inPulse = false;
                    }
                    continue;
                }
                if (!inPulse) {
                    inPulse = true;
                    quiet = 0;
                    frames = crossings = 0;
                    peak[0] = peak[1] = 0;
                    lastSample = 0;
                    // This frame reached us with the chunk; the later frames
                    // of the chunk were heard after it.
                    onset = now -
                            std::chrono::microseconds(static_cast<long>((whole - i) * 1e6 / 44100));
                }
                frames += quiet + 1;
                quiet = 0;
                for (int c = 0; c < 2; ++c)
                    peak[c] = std::max(peak[c], std::abs(static_cast<int>(s[c])));
                const int16_t v = s[0] != 0 ? s[0] : s[1];
                if ((v > 0) != (lastSample > 0))
                    ++crossings;
                lastSample = v;
            }
            carry.erase(0, whole * 4);
        }
    }

    void EndPulse(long frames, long crossings, const int peak[2], Clock::time_point onset) {
        static constexpr int32_t kHz[] = {125,  250,  500,  750,  1000, 1500,
                                          2000, 3000, 4000, 6000, 8000};
        HeardPulse p;
        p.ear = peak[1] > peak[0] ? 1 : 0;
        p.bothChannels = peak[0] != 0 && peak[1] != 0;
        p.onset = onset;
        const double hz = crossings / 2.0 / (frames / 44100.0);
        p.hz = *std::min_element(std::begin(kHz), std::end(kHz), [hz](int32_t a, int32_t b) {
            return std::fabs(std::log(a / hz)) < std::fabs(std::log(b / hz));
        });
        p.levelHL = 20 * std::log10(peak[p.ear] / 32767.0) + 70 + correction_;
        const bool heard = subject_.Hears(PulseInfo{p.ear, 0, p.hz, std::round(p.levelHL), 0, 0});
        size_t count;
        {
            std::lock_guard g(m_);
            pulses_.push_back(p);
            count = pulses_.size();
            if (heard) {
                const auto press = onset + std::chrono::microseconds(
                                               static_cast<long>(answering_.pressAfterOnset * 1e6));
                answers_.push_back(press);
            }
        }
        wake_.notify_all();
        if (afterPulse)
            afterPulse(count);
    }

    // Presses and releases at the times the reader asked for.
    void Respond() {
        for (;;) {
            Clock::time_point press;
            {
                std::unique_lock g(m_);
                wake_.wait(g, [this] { return ending_ || !answers_.empty(); });
                if (answers_.empty())
                    return;
                press = answers_.front();
                answers_.pop_front();
            }
            std::this_thread::sleep_until(press);
            Button(true);
            std::this_thread::sleep_for(
                std::chrono::microseconds(static_cast<long>(answering_.holdFor * 1e6)));
            Button(false);
        }
    }

    void Button(bool down) {
        if (joystick_) {
            SDL_JoystickSetVirtualButton(joystick_, 0, down ? 1 : 0);
        } else if (display_) {
            XCtrl(display_, down);
        }
    }

    ThresholdSubject subject_;
    double correction_;
    Answering answering_;
    SDL_Joystick* joystick_ = nullptr;
    void* display_ = nullptr; // the X connection of the CTRL key
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_, responder_;
    std::mutex m_;
    std::condition_variable wake_;
    bool ending_ = false;
    std::deque<Clock::time_point> answers_;
    std::vector<HeardPulse> pulses_;
    Frames frames_;
};

} // namespace tonmark::test
