#pragma once
// Wave output on a PulseAudio-compatible sound server (PulseAudio, or
// PipeWire's pulse server) through a libpulse playback stream.
//
// Whole pulses: every pulse (tone and pause) is written to the server in one
// piece and only then started, so that the program's own scheduling can never
// make a hole in it: once started, the server plays it from its own memory.
// The server's buffer holds about 23 s of sound; a longer buffer is topped up
// as the server asks for more.
//
// Done means heard: a pulse is done when the server has played its last
// frame and the sink's own latency (the sound still on its way to the
// headphones) has passed, so a response up to the end of the pause as the
// listener hears it counts for this pulse.
//
// Faults: a server that goes away, a stream the server kills (its sink
// removed) and a pulse that is overdue while the server answers nothing for a
// second fail the output with a sentence in Failure(). A server that answers
// but makes no progress for kStallLimit fails it too. A busy machine delays
// answers by milliseconds, never by seconds.
//
// Volume: every stream connects at the program's own stream volume
// (OwnStreamVolume, 100 % without one), unmuted and fixed to its output, so
// that a volume the server remembered from elsewhere, or another output the
// stream was moved to, never applies; a change of that volume while a stream
// is open is put on it at once, and the change waits for the server's answer.
//
// Threading: as WaveOutput. libpulse's own thread (a threaded main loop) runs
// the callbacks, which copy frames, record what the server reported and wake
// the waiting user-interface thread; nothing else. No call waits longer than
// kConnectLimit for the server.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/own_stream_volume.h"
#include "audio/wave_output.h"

namespace tonmark {

class PulseStreamOutput final : public WaveOutput, private OwnStreamVolume::Stream {
  public:
    // The server's share of the latency to the headphones that the stream asks
    // for; each pulse after the first starts about this long after the
    // previous one was heard to its end.
    static constexpr std::chrono::milliseconds kSinkLatency{5};
    // Connecting to the server and opening a stream wait at most this long.
    static constexpr std::chrono::milliseconds kConnectLimit{2000};
    // A server that answers but plays nothing for this long has stopped.
    static constexpr std::chrono::milliseconds kStallLimit{3000};
    // A pulse this late, while the server has not answered for as long, means
    // the server froze.
    static constexpr std::chrono::milliseconds kSilenceLimit{1000};

    // Starts connecting in the background; never waits. volume is the
    // program's own stream volume, followed for the life of this object (null:
    // 100 %). server is the server's address as libpulse takes it, or empty
    // for the usual one ($PULSE_SERVER, the user's own server).
    explicit PulseStreamOutput(std::shared_ptr<OwnStreamVolume> volume = nullptr,
                               const std::string& server = {});
    ~PulseStreamOutput() override;
    PulseStreamOutput(const PulseStreamOutput&) = delete;
    PulseStreamOutput& operator=(const PulseStreamOutput&) = delete;

    // Whether the server answers, waiting for it at most timeout; a
    // connection that failed earlier is tried again.
    bool WaitConnected(std::chrono::milliseconds timeout);
    // True when the connection failed for good (no server, or it went away)
    // rather than still waiting for a server that does not answer yet.
    bool ConnectionFailed() const;

    // One entry, the server's default output: the device numbers of the
    // program are those of its other back end, which decides where -1 goes.
    std::vector<std::string> DeviceEntries() override;
    // device is ignored: the stream plays on the server's default sink.
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
    int64_t Underflows() const override;

    // The sink latency the server reported for the last finished pulse, in
    // seconds; 0 before any.
    double ReportedLatency() const;
    // For tests of the output's own fault handling: the next pulse is handed
    // to the server in two halves, the second one gapMs after the first has
    // started, so that the server really runs dry inside it. Callable from
    // any thread.
    void SplitNextPulse(int gapMs) { splitGapMs_ = gapMs; }

    struct Impl;

  private:
    bool ApplyStreamVolume(const OwnStreamVolume::Levels& levels) override;
    bool Open(bool looping);
    void Close(bool drain);
    void Check();

    std::shared_ptr<OwnStreamVolume> volume_;
    std::unique_ptr<Impl> impl_;
    WaveHeader header_;
    std::string failure_;
    std::atomic<int> splitGapMs_{0}; // set from a test's own thread
};

} // namespace tonmark
