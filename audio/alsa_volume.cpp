#include "audio/alsa_volume.h"

#include <algorithm>

#include "audio/alsa_devices.h"

namespace tonmark {

namespace {

SoundStatus CardRefused() {
    return SoundStatus::Refused(MixerResultText(kMixerInvalidParam));
}

// An element's playback volume.
class AlsaVolume final : public VolumeControl {
  public:
    AlsaVolume(snd_mixer_t* mixer, snd_mixer_elem_t* e)
        : mixer_(mixer), e_(e), channels_(ElementChannels(e, true)) {
        snd_mixer_selem_get_playback_volume_range(e, &min_, &max_);
        uniform_ = channels_.size() <= 1 || snd_mixer_selem_has_playback_volume_joined(e);
        active_ = snd_mixer_selem_is_active(e);
    }

    int32_t Minvalue() const override { return static_cast<int32_t>(min_); }
    int32_t Maxvalue() const override { return static_cast<int32_t>(max_); }
    uint32_t Steps() const override { return static_cast<uint32_t>(max_ - min_); }
    uint32_t Channels() const override { return static_cast<uint32_t>(channels_.size()); }
    bool Uniform() const override { return uniform_; }
    bool Active() const override { return active_; }

    SoundStatus Set(int32_t left, int32_t right) override {
        if (!active_)
            return SoundStatus::Refused(kControlInactive);
        for (size_t k = 0; k < channels_.size(); ++k) {
            const long v =
                std::clamp<long>(uniform_ || k % 2 == 0 ? left : right, Minvalue(), Maxvalue());
            if (snd_mixer_selem_set_playback_volume(e_, channels_[k], v) < 0)
                return CardRefused();
        }
        return SoundStatus::Success();
    }

    SoundStatus Get(Levels& levels) override {
        if (!active_)
            return SoundStatus::Refused("Regler ist nicht Activeiert");
        snd_mixer_handle_events(mixer_); // what another program set meanwhile
        long v[2] = {0, 0};
        const size_t read = std::min<size_t>(channels_.size(), uniform_ ? 1 : 2);
        for (size_t k = 0; k < read; ++k)
            if (snd_mixer_selem_get_playback_volume(e_, channels_[k], &v[k]) < 0)
                return CardRefused();
        levels = {static_cast<int32_t>(v[0]), static_cast<int32_t>(read > 1 ? v[1] : v[0])};
        return SoundStatus::Success();
    }

  private:
    snd_mixer_t* mixer_;
    snd_mixer_elem_t* e_;
    std::vector<snd_mixer_selem_channel_id_t> channels_;
    long min_ = 0, max_ = 0;
    bool uniform_ = true;
    bool active_ = true;
};

// An element's playback switch as a mute: on = silent = the switch off.
class AlsaMute final : public SwitchControl {
  public:
    explicit AlsaMute(snd_mixer_elem_t* e)
        : e_(e), channels_(ElementChannels(e, true)), active_(snd_mixer_selem_is_active(e)) {}

    bool Active() const override { return active_; }
    SoundStatus Set(bool muted) override {
        if (!active_)
            return SoundStatus::Refused("Control is inactive!");
        for (const auto ch : channels_)
            if (snd_mixer_selem_set_playback_switch(e_, ch, muted ? 0 : 1) < 0)
                return CardRefused();
        return SoundStatus::Success();
    }

  private:
    snd_mixer_elem_t* e_;
    std::vector<snd_mixer_selem_channel_id_t> channels_;
    bool active_;
};

} // namespace

struct AlsaVolumeDevices::Model {
    AlsaMixer alsa;
    std::vector<std::unique_ptr<VolumeControl>> volumes;
    std::vector<std::unique_ptr<SwitchControl>> switches;
    VolumeControls controls;

    VolumeControl* Volume(snd_mixer_elem_t* e) {
        volumes.push_back(std::make_unique<AlsaVolume>(alsa.mixer, e));
        return volumes.back().get();
    }
    SwitchControl* Mute(snd_mixer_elem_t* e) {
        switches.push_back(std::make_unique<AlsaMute>(e));
        return switches.back().get();
    }

    void Build() {
        VolumeControls& c = controls;
        c.soundServerControl = alsa.serverControl;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(alsa.mixer); e;
             e = snd_mixer_elem_next(e)) {
            const ElementRole role = RoleOf(ElementName(e));
            const bool volume = snd_mixer_selem_has_playback_volume(e);
            const bool toggle = snd_mixer_selem_has_playback_switch(e);
            // The master's and the tone controls' switches are not driven.
            SwitchControl** mute = nullptr;
            switch (role) {
            case ElementRole::Master:
                if (volume)
                    c.master = Volume(e);
                break;
            case ElementRole::Bass:
                if (volume)
                    c.bass = Volume(e);
                break;
            case ElementRole::Treble:
                if (volume)
                    c.treble = Volume(e);
                break;
            case ElementRole::Wave:
                if (volume)
                    c.wave = Volume(e);
                break;
            case ElementRole::Microphone:
                mute = &c.micMute;
                break;
            case ElementRole::Line:
                mute = &c.lineMute;
                break;
            case ElementRole::CompactDisc:
                mute = &c.cdMute;
                break;
            case ElementRole::Auxiliary:
                mute = &c.auxMute;
                break;
            case ElementRole::Synthesizer:
                mute = &c.synthMute;
                break;
            case ElementRole::PcSpeaker:
                mute = &c.pcSpeakerMute;
                break;
            case ElementRole::Digital:
                mute = &c.digitalMute;
                break;
            case ElementRole::Other:
                break;
            }
            if (mute && toggle)
                *mute = Mute(e);
        }
    }
};

AlsaVolumeDevices::AlsaVolumeDevices() : names_(AlsaControlDevices()) {}

AlsaVolumeDevices::AlsaVolumeDevices(std::vector<std::string> controlNames)
    : names_(std::move(controlNames)) {}

AlsaVolumeDevices::~AlsaVolumeDevices() = default;

uint32_t AlsaVolumeDevices::DeviceCount() {
    return static_cast<uint32_t>(names_.size());
}

std::optional<VolumeDeviceCaps> AlsaVolumeDevices::Caps(uint32_t device) {
    if (device >= names_.size())
        return std::nullopt;
    return AlsaDeviceCaps(names_[device]);
}

bool AlsaVolumeDevices::Open(uint32_t device) {
    model_.reset();
    if (device >= names_.size())
        return false;
    auto m = std::make_unique<Model>();
    if (!OpenAlsaMixer(names_[device], m->alsa))
        return false;
    m->Build();
    model_ = std::move(m);
    return true;
}

VolumeControls AlsaVolumeDevices::Controls() {
    return model_ ? model_->controls : VolumeControls{};
}

} // namespace tonmark
