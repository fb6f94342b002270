#include "audio/output_level.h"

#include <algorithm>
#include <limits>
#include <optional>

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

void OutputLevelControl::PrepareSoundCard() {
    MixerControls& m = mixer_.Controls();
    if (!coreAudio_) {
        for (TMixSwitchControl* mute : {&m.MixAuxMute, &m.MixMicMute, &m.MixLineMute, &m.MixCDMute,
                                        &m.MixSynthMute, &m.MixDigitalMute, &m.MixPCSpeakerMute})
            if (mute->Exist)
                mute->SetSwitch(true, true);
        if (m.MixOutputGain.Exist)
            m.MixOutputGain.SetLevel(m.MixOutputGain.Maxvalue / 2, m.MixOutputGain.Maxvalue / 2);
    }
    if (m.MixMasterOnOff.Exist)
        m.MixMasterOnOff.SetSwitch(false, false);
    if (m.MixBass.Exist)
        m.MixBass.SetLevel(m.MixBass.Maxvalue / 2, m.MixBass.Maxvalue / 2);
    if (m.MixTreble.Exist)
        m.MixTreble.SetLevel(m.MixTreble.Maxvalue / 2, m.MixTreble.Maxvalue / 2);
}

void OutputLevelControl::ApplyCalibrationLevels(int ear, int32_t waveVolume, int32_t masterVolume) {
    MixerControls& m = mixer_.Controls();
    if (const auto wave = VolumeRuleValue(m.MixWaveVolume, waveVolume))
        m.MixWaveVolume.SetLevel(*wave, *wave);
    if (coreAudio_) {
        if (endpoint_)
            endpoint_->SetMasterVolumeLevelScalar(static_cast<float>(masterVolume / 1000.0));
        return;
    }
    const auto master = VolumeRuleValue(m.MixMasterVolume, masterVolume);
    if (!master)
        return;
    if (m.MixMasterVolume.Uniform)
        m.MixMasterVolume.SetLevel(*master, *master);
    else
        m.MixMasterVolume.SetLevel(*master * (1 - ear), *master * ear);
}

} // namespace tonmark
