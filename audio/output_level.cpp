#include "audio/output_level.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tonmark {

namespace {

int32_t Pinned(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Values above the top go out as the top; the back end holds the bottom.
SoundStatus SetLevel(VolumeControl& c, int32_t left, int32_t right) {
    return c.Set(std::min(left, c.Maxvalue()), std::min(right, c.Maxvalue()));
}

// The first failure of a sequence of sets, with its control named; the sets
// after it still go out.
class FirstFailure {
  public:
    void Note(SoundStatus status, const char* control) {
        if (!status.Ok() && first_.Ok())
            first_ = std::move(status).Of(control);
    }
    SoundStatus Take() { return std::move(first_); }

  private:
    SoundStatus first_;
};

const char* NameOf(Slider slider) {
    switch (slider) {
    case Slider::Wave:
        return "wave volume";
    case Slider::Master:
        return "master volume";
    case Slider::Gain:
        return "output gain";
    }
    return "";
}

} // namespace

std::optional<int32_t> VolumeRuleValue(const VolumeControl& c, int32_t v) {
    if (c.Steps() == 0)
        return std::nullopt;
    const int64_t step = static_cast<int64_t>(c.Maxvalue()) / static_cast<int64_t>(c.Steps());
    // Settings come from files; a product beyond 32 bits is pinned, not wrapped.
    return Pinned(step * v);
}

OutputLevelControl::OutputLevelControl(std::unique_ptr<VolumeDevices> devices,
                                       std::shared_ptr<VolumeControl> streamVolume,
                                       std::unique_ptr<VolumeControl> serverVolume)
    : devices_(std::move(devices)), stream_(std::move(streamVolume)),
      serverVolume_(std::move(serverVolume)) {}

uint32_t OutputLevelControl::CountDevices() {
    deviceCount_ = devices_->DeviceCount();
    return deviceCount_;
}

MixerOpenResult OutputLevelControl::OpenDevice(uint32_t device) {
    MixerOpenResult result;
    controls_ = {};
    // An unsigned comparison: -1 is outside too. Such a number keeps the
    // name and version of the device before it.
    if (device >= deviceCount_) {
        result.failure = MixerOpenResult::Failure::InvalidDevice;
        return result;
    }
    const std::optional<VolumeDeviceCaps> caps = devices_->Caps(device);
    name_ = caps ? caps->name.substr(0, 32) : std::string();
    version_ = caps ? DriverVersionText(caps->driverVersion) : std::string();
    result.capsUnreadable = !caps;
    if (!devices_->Open(device)) {
        result.failure = MixerOpenResult::Failure::OpenFailed;
        return result;
    }
    // A device that cannot describe itself shows no lines, so no controls.
    if (!caps)
        return result;
    controls_ = devices_->Controls();
    if (controls_.soundServerControl && stream_)
        controls_.wave = stream_.get();
    return result;
}

SoundStatus OutputLevelControl::PrepareSoundCard() {
    const VolumeControls& c = controls_;
    FirstFailure result;
    // A control its driver has disabled is left alone, as if absent.
    const auto usable = [](const auto* control) { return control && control->Active(); };
    if (!CoreAudioMode()) {
        const std::pair<SwitchControl*, const char*> mutes[] = {
            {c.auxMute, "aux mute"},
            {c.micMute, "microphone mute"},
            {c.lineMute, "line-in mute"},
            {c.cdMute, "CD mute"},
            {c.synthMute, "synthesizer mute"},
            {c.digitalMute, "digital mute"},
            {c.pcSpeakerMute, "PC speaker mute"}};
        for (const auto& [mute, name] : mutes)
            if (usable(mute))
                result.Note(mute->Set(true), name);
        if (usable(c.gain))
            result.Note(SetLevel(*c.gain, c.gain->Maxvalue() / 2, c.gain->Maxvalue() / 2),
                        "output gain");
    }
    if (usable(c.masterOnOff))
        result.Note(c.masterOnOff->Set(false), "master switch");
    for (const auto& [tone, name] : {std::pair{c.bass, "bass"}, std::pair{c.treble, "treble"}})
        if (usable(tone))
            result.Note(SetLevel(*tone, tone->Maxvalue() / 2, tone->Maxvalue() / 2), name);
    return result.Take();
}

SoundStatus OutputLevelControl::ApplyCalibrationLevels(int ear, int32_t waveVolume,
                                                       int32_t masterVolume) {
    FirstFailure result;
    VolumeControl* wave = controls_.wave;
    if (waveVolume == 0 && controls_.soundServerControl)
        waveVolume = wave ? static_cast<int32_t>(wave->Steps()) : 0;
    if (wave)
        if (const auto value = VolumeRuleValue(*wave, waveVolume))
            result.Note(SetLevel(*wave, *value, *value), "wave volume");
    if (CoreAudioMode()) {
        result.Note(SetServerMaster(masterVolume), "master volume");
        return result.Take();
    }
    VolumeControl* master = controls_.master;
    const auto value = master ? VolumeRuleValue(*master, masterVolume) : std::nullopt;
    if (!value)
        return result.Take();
    if (master->Uniform())
        result.Note(SetLevel(*master, *value, *value), "master volume");
    else // the ear not under test hears nothing
        result.Note(SetLevel(*master, *value * (1 - ear), *value * ear), "master volume");
    return result.Take();
}

SoundStatus OutputLevelControl::SetServerMaster(int32_t setting) {
    const float scalar = static_cast<float>(setting / 1000.0);
    const auto value =
        Pinned(std::llround(static_cast<double>(scalar) * serverVolume_->Maxvalue()));
    return SetLevel(*serverVolume_, value, value);
}

VolumeControl* OutputLevelControl::Control(Slider slider) const {
    switch (slider) {
    case Slider::Wave:
        return controls_.wave;
    case Slider::Master:
        return CoreAudioMode() ? serverVolume_.get() : controls_.master;
    case Slider::Gain:
        return controls_.gain;
    }
    return nullptr;
}

SliderScale OutputLevelControl::Scale(Slider slider) const {
    if (slider == Slider::Master && CoreAudioMode())
        return {true, true, 1000, 100, true};
    const VolumeControl* c = Control(slider);
    if (!c)
        return {};
    SliderScale s;
    s.present = true;
    s.adjustable = c->Maxvalue() > 0 && c->Steps() > 0;
    s.steps = static_cast<int>(std::min<uint32_t>(c->Steps(), std::numeric_limits<int>::max()));
    s.ticks = std::max(s.steps / 8, 1);
    return s;
}

std::optional<int> OutputLevelControl::CurrentPosition(Slider slider) {
    if (slider == Slider::Master && CoreAudioMode())
        return std::nullopt;
    VolumeControl* c = Control(slider);
    if (!c || c->Steps() == 0)
        return 0;
    const int64_t step = static_cast<int64_t>(c->Maxvalue()) / static_cast<int64_t>(c->Steps());
    if (step == 0)
        return 0;
    VolumeControl::Levels levels;
    // An unreadable control starts its slider at the bottom.
    (void)c->Get(levels);
    return static_cast<int>((static_cast<int64_t>(c->Maxvalue()) - levels.left) / step);
}

std::optional<int32_t> OutputLevelControl::ControlValue(Slider slider, int32_t setting) const {
    if (slider == Slider::Master && CoreAudioMode())
        return std::nullopt;
    const VolumeControl* c = Control(slider);
    return c ? VolumeRuleValue(*c, setting) : std::nullopt;
}

SoundStatus OutputLevelControl::SetSetting(Slider slider, int32_t setting, std::optional<int> ear) {
    if (slider == Slider::Master && CoreAudioMode())
        return SetServerMaster(setting).Of(NameOf(slider));
    VolumeControl* c = Control(slider);
    const auto value = c ? VolumeRuleValue(*c, setting) : std::nullopt;
    if (!value)
        return SoundStatus::Success();
    if (ear && !c->Uniform())
        return SetLevel(*c, *value * (1 - *ear), *value * *ear).Of(NameOf(slider));
    return SetLevel(*c, *value, *value).Of(NameOf(slider));
}

} // namespace tonmark
