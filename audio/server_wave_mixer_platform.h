#pragma once
// The mixer devices of another platform, with one addition: on a sound
// server's own control (MixerPlatform::IsSoundServerControl, the ALSA control
// that alsa-lib routes to a PulseAudio-compatible server, which opens only
// while that server answers) the wave output's volume is the program's own
// stream volume (OwnStreamVolume), as a card's is its "PCM" element. Such a
// control has a master volume but no wave volume of its own.
//
// The addition is one wave output source line (SRC_WAVEOUT, two channels) at
// the end of the last speakers destination, with one volume control: bounds
// 0 ... OwnStreamVolume::kMaxvalue, OwnStreamVolume::kSteps steps, one value
// per channel (not uniform). Its line and control identifiers are the next
// free ones after the device's own. Set writes the stream volume and returns
// kMixerNoDriver when an open stream's server did not take it; Get reads it.
// On every other device (a card, hw:N) everything is the inner platform's,
// unchanged: the wave volume stays the card's "PCM".
//
// Threading: user-interface thread only, as MixerPlatform. Ownership: owns
// the inner platform; shares the stream volume with the wave output.
#include <memory>

#include "audio/mixer_platform.h"
#include "audio/own_stream_volume.h"

namespace tonmark {

class ServerWaveMixerPlatform final : public MixerPlatform {
  public:
    ServerWaveMixerPlatform(std::unique_ptr<MixerPlatform> inner,
                            std::shared_ptr<OwnStreamVolume> volume);

    uint32_t DeviceCount() override { return inner_->DeviceCount(); }
    bool GetCaps(uint32_t device, MixerDeviceCaps& caps) override {
        return inner_->GetCaps(device, caps);
    }
    int Open(uint32_t device) override;
    bool IsSoundServerControl() const override { return inner_->IsSoundServerControl(); }
    int LineByDestination(uint32_t destination, MixerLineInfo& line) override;
    int LineBySource(uint32_t destination, uint32_t source, MixerLineInfo& line) override;
    int LineControls(uint32_t lineId, std::vector<MixerControlInfo>& controls) override;
    int SetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                          const std::vector<int32_t>& values) override;
    int GetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                          std::vector<int32_t>& values) override;

    // Whether the device opened last carries the stream volume.
    bool StreamVolumeShown() const { return shown_; }
    MixerPlatform& Inner() { return *inner_; }

  private:
    void PlaceWaveLine(uint32_t device);
    MixerLineInfo WaveLine() const;
    MixerControlInfo WaveControl() const;

    std::unique_ptr<MixerPlatform> inner_;
    std::shared_ptr<OwnStreamVolume> volume_;
    bool shown_ = false;
    uint32_t destination_ = 0; // the speakers destination that carries the line
    uint32_t source_ = 0;      // its index there: after the device's own sources
    uint32_t lineId_ = 0;
    uint32_t controlId_ = 0;
};

} // namespace tonmark
