#pragma once
// A wave output without sound: a list of device entries, and pulses that
// finish when the test says so.
#include <functional>

#include "audio/wave_output.h"

namespace tonmark::test {

class FakeWaveOutput final : public WaveOutput {
  public:
    std::vector<std::string> entries{"Test Device Driver Version 1.2"};
    bool openFails = false;
    bool done = true;
    int opened = -2;
    std::string lastBuffer;
    std::string failure;

    std::vector<std::string> DeviceEntries() override { return entries; }
    bool OpenPulseOutput(int device) override {
        opened = device;
        if (openFails)
            failure = "The sound output device is not available.";
        return !openFails;
    }
    void PlayPulseBuffer(std::string_view buffer) override {
        lastBuffer = std::string(buffer);
        header_ = WaveHeader{nullptr, static_cast<uint32_t>(buffer.size()), 0, 1, 0};
    }
    // When set, decides each look at whether a pulse is over instead of
    // `done` (and may act like a listener in the meantime).
    std::function<bool()> waitHook;
    bool IsPulseDone() override { return waitHook ? waitHook() : done; }
    bool WaitPulseDone(int) override { return IsPulseDone(); }
    void ClosePulseOutput() override { opened = -2; }
    bool PreparePlay(int device, std::string_view buffer, int loops) override {
        header_ = WaveHeader{nullptr, static_cast<uint32_t>(buffer.size()), loops == 1 ? 0u : 12u,
                             static_cast<uint32_t>(loops), 0};
        return OpenPulseOutput(device);
    }
    void StartPlay() override {}
    void FinishPlay() override { opened = -2; }
    std::string Failure() const override { return failure; }
    // Holes so far; a test raises it to break the pulse that is playing.
    int64_t underflows = 0;
    int64_t Underflows() const override { return underflows; }
    const WaveHeader& Header() const override { return header_; }

  private:
    WaveHeader header_;
};

} // namespace tonmark::test
