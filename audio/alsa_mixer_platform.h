#pragma once
// The ALSA simple mixer in the mixer interface's terms, for the diagnostic
// listing. Each control device (hw:N, the sound server's "default", or names
// given explicitly) is one mixer device with two destinations: the speakers,
// carrying "Master" volume and switch and the tone controls, with one source
// line per other playback element; and the wave input, carrying "Capture"
// and the capture source selector, with one source line per other capture
// element. Element names decide line types (ElementRole): "PCM" is the wave
// output, "Mic", "Line", "CD", "Aux", "Synth", "PC Speaker"/"Beep" and
// "IEC958" the usual sources. On a sound server's own control the wave
// output is the program's own stream volume (OwnStreamVolume): one more
// source line of the speakers, after the device's own, with one volume
// control of the stream volume's range, and the next free identifiers.
#include <memory>
#include <string>
#include <vector>

#include "audio/alsa_volume.h" // QuietAlsaErrors, for the programs that list
#include "audio/mixer_platform.h"

namespace tonmark {

class AlsaMixerPlatform final : public MixerPlatform {
  public:
    // Devices: the cards, then "default".
    AlsaMixerPlatform();
    // Devices: exactly these control names (for tests and special set-ups).
    explicit AlsaMixerPlatform(std::vector<std::string> controlNames);
    ~AlsaMixerPlatform() override;

    uint32_t DeviceCount() override;
    bool GetCaps(uint32_t device, MixerDeviceCaps& caps) override;
    int Open(uint32_t device) override;
    int LineByDestination(uint32_t destination, MixerLineInfo& line) override;
    int LineBySource(uint32_t destination, uint32_t source, MixerLineInfo& line) override;
    int LineControls(uint32_t lineId, std::vector<MixerControlInfo>& controls) override;

    struct Model;

  private:
    std::vector<std::string> names_;
    std::unique_ptr<Model> model_;
};

} // namespace tonmark
