#pragma once
// Wave output on PortAudio. One stream at a time; it runs from open to close
// and plays silence between pulses, so a pulse starts without the cost of
// starting the stream.
//
// Pace: a pulse that is handed over while the previous one has just finished
// starts a fixed kGuardFrames after the previous pulse's last frame, so the
// onset-to-onset period is the buffer's length plus that guard, to the sample,
// whatever the size of the device's buffer. A pulse handed over later than
// that starts with the next block the stream asks for.
//
// Threading: as WaveOutput. PortAudio's own thread runs the callback, which
// copies frames, counts underflows and signals an eventfd; nothing else.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "audio/wave_output.h"

namespace tonmark {

class PortAudioOutput final : public WaveOutput {
  public:
    // Frames per callback: small, so that a pulse handed over just after the
    // previous one ended is picked up within a few milliseconds.
    static constexpr unsigned long kCallbackFrames = 128;
    // Frames between the end of one pulse and the start of the next when the
    // next is handed over in time: two callbacks' worth (5.8 ms).
    static constexpr int64_t kGuardFrames = 2 * kCallbackFrames;
    // Seconds of sound queued ahead of the listener. Chosen for safety, not
    // for the lowest figure: a 9 ms buffer ran dry on a busy two-core machine,
    // 35 ms did not. Latency costs nothing in pace because pulses are
    // scheduled on the stream's own frame count.
    static constexpr double kOutputLatency = 0.08;
    // A stream that has asked for no data for this long counts as failed: a
    // busy machine delays callbacks by tens of milliseconds, never by seconds.
    static constexpr std::chrono::milliseconds kStallLimit{3000};
    // A pulse overdue while no callback came for this long: the sound
    // system froze, and the wait ends within a second of the pulse's end.
    static constexpr std::chrono::milliseconds kOverdueSilence{1000};
    // The sound system's initialisation is waited for until this long after
    // the object was made, never longer; a sound server that is stopped can
    // hold it for a minute.
    static constexpr std::chrono::milliseconds kInitLimit{2000};
    // Closing a stream waits at most this long for the sound system; a
    // stopped server must not freeze the program.
    static constexpr std::chrono::milliseconds kCloseLimit{1000};

    // Starts the sound system's initialisation in the background; the first
    // call that needs it waits for it, at most kInitLimit (then it reports
    // that the sound system did not answer). Construct early to hide its cost.
    PortAudioOutput();
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    std::vector<std::string> DeviceEntries() override;
    bool OpenPulseOutput(int device) override;
    void PlayPulseBuffer(std::string_view buffer) override;
    bool IsPulseDone() override;
    bool WaitPulseDone(int timeoutMs) override;
    void ClosePulseOutput() override;
    bool PreparePlay(int device, std::string_view buffer, int loops) override;
    void StartPlay() override;
    void FinishPlay() override;
    std::string Failure() const override { return failure_; }
    const WaveHeader& Header() const override { return header_; }

    // Underflows PortAudio reported for the current (or last) stream: each is
    // a hole of silence the listener heard. 0 on a healthy stream.
    int64_t Underflows() const override;
    // Whether the sound system finished starting (waiting for it at most
    // kInitLimit), whether or not it found devices.
    bool SoundSystemAnswered();
    // The name of output device number `device` (-1: the default), empty
    // when there is none or the sound system did not answer.
    std::string DeviceName(int device);
    // The output latency in seconds that the stream reported when it was
    // opened; 0 before any stream was opened.
    double OpenedLatency() const { return openedLatency_; }

    // Shared with the audio callback; plain atomics, no locks.
    struct Shared;
    // PortAudio is not thread-safe; a close that outlives kCloseLimit goes on
    // in the background while holding this.
    struct Library;

  private:
    bool Open(int device);
    // drain: let the frames the device holds play out instead of cutting them.
    void Close(bool drain);
    void CheckStream();

    std::shared_ptr<Library> library_;
    void* stream_ = nullptr;
    std::shared_ptr<Shared> shared_;
    WaveHeader header_;
    std::string failure_;
    double openedLatency_ = 0;
    int64_t lastCallbacks_ = -1;
    std::chrono::steady_clock::time_point lastProgress_{};
    // When the pulse handed over last should have been heard to its end.
    std::chrono::steady_clock::time_point expectedEnd_{};
    // When the stream had taken the last frame of the current pulse, for a
    // host that reports no timing.
    std::chrono::steady_clock::time_point finishedAt_{};
    bool finishSeen_ = false;
};

} // namespace tonmark
