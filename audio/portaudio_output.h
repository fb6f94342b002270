#pragma once
// Wave output on PortAudio. One stream at a time; it runs from open to close
// and plays silence between pulses, so a pulse starts without the cost of
// starting the stream.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "audio/wave_output.h"

namespace tonmark {

class PortAudioOutput final : public WaveOutput {
  public:
    PortAudioOutput();
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput&) = delete;
    PortAudioOutput& operator=(const PortAudioOutput&) = delete;

    std::vector<std::string> DeviceEntries() override;
    bool OpenPulseOutput(int device) override;
    void PlayPulseBuffer(std::string_view buffer) override;
    bool IsPulseDone() override;
    void ClosePulseOutput() override;
    bool PreparePlay(int device, std::string_view buffer, int loops) override;
    void StartPlay() override;
    void FinishPlay() override;
    std::string Failure() const override { return failure_; }
    const WaveHeader& Header() const override { return header_; }

    // Shared with the audio callback; plain atomics, no locks.
    struct Shared;

  private:
    bool Open(int device);
    void Close();
    void CheckStream();

    bool initialised_ = false;
    void* stream_ = nullptr;
    std::unique_ptr<Shared> shared_;
    WaveHeader header_;
    std::string failure_;
    int64_t lastCallbacks_ = -1;
    std::chrono::steady_clock::time_point lastProgress_{};
};

} // namespace tonmark
