#pragma once
// The program's wave output: on a PulseAudio-compatible sound server, the
// server's own stream, which holds every pulse whole; without one, or for a
// device that bypasses the server, PortAudio.
//
// Device numbers are PortAudio's (the settings list shows its devices); -1,
// and a device that is itself the sound server ("pulse", "default"), play
// through the server's stream when the server answers.
//
// Threading and ownership: as WaveOutput. Both back ends are owned here.
#include <memory>

#include "audio/portaudio_output.h"
#include "audio/pulse_stream_output.h"

namespace tonmark {

class RoutedWaveOutput final : public WaveOutput {
  public:
    // Both back ends start connecting at once, in the background. The sound
    // server's stream plays at waveVolume, the program's own stream volume
    // (null: 100 %); PortAudio does not follow it.
    explicit RoutedWaveOutput(std::shared_ptr<OwnStreamVolume> waveVolume = nullptr);

    std::vector<std::string> DeviceEntries() override { return portAudio_.DeviceEntries(); }
    bool OpenPulseOutput(int device) override { return Choose(device).OpenPulseOutput(device); }
    void PlayPulseBuffer(std::string_view buffer) override { active_->PlayPulseBuffer(buffer); }
    bool IsPulseDone() override { return active_->IsPulseDone(); }
    bool WaitPulseDone(int timeoutMs) override { return active_->WaitPulseDone(timeoutMs); }
    void ClosePulseOutput() override { active_->ClosePulseOutput(); }
    bool PreparePlay(int device, std::string_view buffer, int loops) override {
        return Choose(device).PreparePlay(device, buffer, loops);
    }
    void StartPlay() override { active_->StartPlay(); }
    void FinishPlay() override { active_->FinishPlay(); }
    std::string Failure() const override { return active_->Failure(); }
    const WaveHeader& Header() const override { return active_->Header(); }
    int64_t Underflows() const override { return active_->Underflows(); }

    // Whether the last open went to the sound server's stream.
    bool OnServerStream() const { return active_ == &server_; }
    PulseStreamOutput& ServerStream() { return server_; }
    PortAudioOutput& PortAudio() { return portAudio_; }

  private:
    WaveOutput& Choose(int device);

    PortAudioOutput portAudio_;
    PulseStreamOutput server_;
    WaveOutput* active_ = &portAudio_;
};

} // namespace tonmark
