#pragma once
// Putting the calibration's volume settings on the sound card: the known
// state before sound is made, and the wave and master volumes per ear and
// frequency.
#include <cstdint>
#include <optional>
#include <string>

#include "audio/endpoint_volume.h"
#include "audio/mixer.h"

namespace tonmark {

// The control value of a slider setting v: (Maxvalue div Steps) x v, in 64
// bits. A control that reports 0 steps has no such value: returns nullopt and
// the control is left as it is.
std::optional<int32_t> VolumeRuleValue(const TMixControl& control, int32_t v);

// What a change of the sound card's levels reports. Errors: failure is empty
// when every control took its level, otherwise the message naming the control
// and the card's reason, which the windows show as it stands. A test or a
// calibration must not go on at a loudness other than the calibrated one.
struct [[nodiscard]] LevelResult {
    std::string failure;
    bool Applied() const { return failure.empty(); }
};

inline constexpr const char* kEndpointFailure =
    "The master volume of the sound server could not be set.";

// "The sound card's <control> could not be set: <the mixer's reason>".
std::string ControlFailureText(const Mixer& mixer, const char* control);

// One slider's control set to (left, right) control values, as the
// calibration windows do while the user moves it. Applied also when the card
// lacks the control; else ControlFailureText naming it.
LevelResult SetVolumeControl(Mixer& mixer, TMixUnsignedControl& control, const char* name,
                             int32_t left, int32_t right);
// The sound server's master volume, 0..1; else kEndpointFailure.
LevelResult SetEndpointVolume(EndpointVolume& endpoint, float level);

class OutputLevelControl {
  public:
    // endpoint is used exactly when coreAudioMode is true; it may be null
    // otherwise. Both objects stay owned by the caller.
    OutputLevelControl(Mixer& mixer, EndpointVolume* endpoint, bool coreAudioMode)
        : mixer_(mixer), endpoint_(endpoint), coreAudio_(coreAudioMode) {}

    bool CoreAudioMode() const { return coreAudio_; }

    // Both report the first control that could not be set. Absent controls
    // are skipped, as the card simply lacks them.
    LevelResult PrepareSoundCard();
    // ear 0 left, 1 right; volumes are the calibration entry's slider settings
    // (master 0..1000 in core-audio mode). On the sound server's own control
    // a wave setting of 0 plays at the full stream volume: calibrations made
    // before that control had a wave volume store 0 there, and silence is
    // never a calibrated level.
    LevelResult ApplyCalibrationLevels(int ear, int32_t waveVolume, int32_t masterVolume);

  private:
    Mixer& mixer_;
    EndpointVolume* endpoint_;
    bool coreAudio_;
};

} // namespace tonmark
