#pragma once
// The mixer interface on ALSA's simple mixer. Each control device (hw:N, the
// sound server's "default", or names given explicitly) is one mixer device
// with two destinations: the speakers, carrying "Master" volume and switch
// and the tone controls, with one source line per other playback element;
// and the wave input, carrying "Capture" and the capture source selector,
// with one source line per other capture element. Element names decide line
// types: "PCM" is the wave output, "Mic", "Line", "CD", "Aux", "Synth",
// "PC Speaker"/"Beep" and "IEC958" the usual sources. A mute that is on means
// silent; ALSA's playback switch that is on means sounding, so it is inverted.
// A control device is a sound server's own control when it is the external
// control plugin of PulseAudio ("pulse") or PipeWire ("pipewire"), as
// "default" is where alsa-lib routes it to a running server.
#include <memory>
#include <string>
#include <vector>

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
    bool IsSoundServerControl() const override;
    int LineByDestination(uint32_t destination, MixerLineInfo& line) override;
    int LineBySource(uint32_t destination, uint32_t source, MixerLineInfo& line) override;
    int LineControls(uint32_t lineId, std::vector<MixerControlInfo>& controls) override;
    int SetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                          const std::vector<int32_t>& values) override;
    int GetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                          std::vector<int32_t>& values) override;

    const std::vector<std::string>& ControlNames() const { return names_; }
    // The elements behind the wave input's selector items, in item order.
    std::vector<std::string> SelectorItemNames() const;

    struct Model;

  private:
    std::vector<std::string> names_;
    std::unique_ptr<Model> model_;
};

// alsa-lib reports every configuration it could not use on stderr; the
// program has its own messages, so the composition root silences these.
void QuietAlsaErrors();

// The alsa-lib version as major << 8 | minor.
uint16_t AlsaLibraryVersionWord();

} // namespace tonmark
