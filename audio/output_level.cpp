#include "audio/output_level.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace tonmark {

std::optional<int32_t> VolumeRuleValue(const TMixControl& c, int32_t v) {
    if (c.Steps == 0)
        return std::nullopt;
    const int64_t step = static_cast<int64_t>(c.Maxvalue) / static_cast<int64_t>(c.Steps);
    const int64_t value = step * v;
    // Settings come from files; a product beyond 32 bits is pinned, not wrapped.
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::string ControlFailureText(const Mixer& mixer, const char* control) {
    return std::string("The sound card's ") + control +
           " could not be set: " + mixer.MixerStatusText;
}

LevelResult SetVolumeControl(Mixer& mixer, TMixUnsignedControl& control, const char* name,
                             int32_t left, int32_t right) {
    if (!control.Exist || control.SetLevel(left, right) == MixerStatus::Ok)
        return {};
    return {ControlFailureText(mixer, name)};
}

LevelResult SetEndpointVolume(EndpointVolume& endpoint, float level) {
    if (endpoint.SetMasterVolumeLevelScalar(level))
        return {};
    return {kEndpointFailure};
}

namespace {

// The first failure of a sequence of sets, with the mixer's reason.
class FirstFailure {
  public:
    explicit FirstFailure(Mixer& mixer) : mixer_(mixer) {}
    void Check(MixerStatus status, const char* control) {
        if (status == MixerStatus::Failed && text_.empty())
            text_ = ControlFailureText(mixer_, control);
    }
    void Fail(const std::string& text) {
        if (text_.empty())
            text_ = text;
    }
    LevelResult Result() const { return {text_}; }

  private:
    Mixer& mixer_;
    std::string text_;
};

} // namespace

LevelResult OutputLevelControl::PrepareSoundCard() {
    MixerControls& m = mixer_.Controls();
    FirstFailure result(mixer_);
    if (!coreAudio_) {
        const std::pair<TMixSwitchControl*, const char*> mutes[] = {
            {&m.MixAuxMute, "aux mute"},
            {&m.MixMicMute, "microphone mute"},
            {&m.MixLineMute, "line-in mute"},
            {&m.MixCDMute, "CD mute"},
            {&m.MixSynthMute, "synthesizer mute"},
            {&m.MixDigitalMute, "digital mute"},
            {&m.MixPCSpeakerMute, "PC speaker mute"}};
        // A control its driver has disabled is left alone, as if absent.
        for (const auto& [mute, name] : mutes)
            if (mute->Exist && mute->Active)
                result.Check(mute->SetSwitch(true, true), name);
        if (m.MixOutputGain.Exist && m.MixOutputGain.Active)
            result.Check(m.MixOutputGain.SetLevel(m.MixOutputGain.Maxvalue / 2,
                                                  m.MixOutputGain.Maxvalue / 2),
                         "output gain");
    }
    if (m.MixMasterOnOff.Exist && m.MixMasterOnOff.Active)
        result.Check(m.MixMasterOnOff.SetSwitch(false, false), "master switch");
    if (m.MixBass.Exist && m.MixBass.Active)
        result.Check(m.MixBass.SetLevel(m.MixBass.Maxvalue / 2, m.MixBass.Maxvalue / 2), "bass");
    if (m.MixTreble.Exist && m.MixTreble.Active)
        result.Check(m.MixTreble.SetLevel(m.MixTreble.Maxvalue / 2, m.MixTreble.Maxvalue / 2),
                     "treble");
    return result.Result();
}

LevelResult OutputLevelControl::ApplyCalibrationLevels(int ear, int32_t waveVolume,
                                                       int32_t masterVolume) {
    MixerControls& m = mixer_.Controls();
    FirstFailure result(mixer_);
    if (waveVolume == 0 && mixer_.IsSoundServerControl())
        waveVolume = static_cast<int32_t>(m.MixWaveVolume.Steps);
    if (m.MixWaveVolume.Exist)
        if (const auto wave = VolumeRuleValue(m.MixWaveVolume, waveVolume))
            result.Check(m.MixWaveVolume.SetLevel(*wave, *wave), "wave volume");
    if (coreAudio_) {
        if (endpoint_ &&
            !endpoint_->SetMasterVolumeLevelScalar(static_cast<float>(masterVolume / 1000.0)))
            result.Fail(kEndpointFailure);
        return result.Result();
    }
    const auto master = VolumeRuleValue(m.MixMasterVolume, masterVolume);
    if (!master || !m.MixMasterVolume.Exist)
        return result.Result();
    if (m.MixMasterVolume.Uniform)
        result.Check(m.MixMasterVolume.SetLevel(*master, *master), "master volume");
    else
        result.Check(m.MixMasterVolume.SetLevel(*master * (1 - ear), *master * ear),
                     "master volume");
    return result.Result();
}

} // namespace tonmark
