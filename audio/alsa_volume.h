#pragma once
// The volume controls of ALSA's simple mixer. Each control device (hw:N, the
// sound server's "default", or names given explicitly) is one mixer device;
// its elements are the controls by name: "Master" the master volume, "PCM"
// the wave volume, "Bass"/"Treble" (or "Tone Control - Bass/Treble") the
// tone controls, and the playback switches of "Mic", "Line", "CD", "Aux",
// "Synth", "PC Speaker"/"Beep" and "IEC958" the source mutes. Of two elements
// for one control the later in ALSA's order counts. ALSA has no output gain
// and no master on/off switch.
//
// A mute that is on means silent; ALSA's playback switch that is on means
// sounding, so it is inverted. A control is uniform when its channels are
// joined or it has one; Active is the element's state when the device was
// opened. A value the card refuses fails with "MixerControlDetails
// INVALPARAM", a disabled control with "Control inactive!".
//
// Threading, ownership: as VolumeDevices.
#include <memory>
#include <string>
#include <vector>

#include "audio/volume_control.h"

namespace tonmark {

class AlsaVolumeDevices final : public VolumeDevices {
  public:
    // Devices: the cards, then "default".
    AlsaVolumeDevices();
    // Devices: exactly these control names (for tests and special set-ups).
    explicit AlsaVolumeDevices(std::vector<std::string> controlNames);
    ~AlsaVolumeDevices() override;

    uint32_t DeviceCount() override;
    std::optional<VolumeDeviceCaps> Caps(uint32_t device) override;
    bool Open(uint32_t device) override;
    VolumeControls Controls() override;

    struct Model;

  private:
    std::vector<std::string> names_;
    std::unique_ptr<Model> model_;
};

// alsa-lib reports every configuration it could not use on stderr; the
// program has its own messages, so the composition roots silence these.
void QuietAlsaErrors();

// The alsa-lib version as major << 8 | minor.
uint16_t AlsaLibraryVersionWord();

} // namespace tonmark
