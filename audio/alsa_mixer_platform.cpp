#include "audio/alsa_mixer_platform.h"

#include "audio/alsa_devices.h"
#include "audio/own_stream_volume.h"

namespace tonmark {

namespace {

enum class Kind { PlaybackVolume, PlaybackMute, CaptureVolume, CaptureSwitch };

struct Line {
    MixerLineInfo info;
    std::vector<MixerControlInfo> controls;
};

uint32_t SourceType(const std::string& name) {
    switch (RoleOf(name)) {
    case ElementRole::Wave:
        return kSrcWaveOut;
    case ElementRole::Microphone:
        return kSrcMicrophone;
    case ElementRole::Line:
        return kSrcLine;
    case ElementRole::CompactDisc:
        return kSrcCompactDisc;
    case ElementRole::Auxiliary:
        return kSrcAuxiliary;
    case ElementRole::Synthesizer:
        return kSrcSynthesizer;
    case ElementRole::PcSpeaker:
        return kSrcPcSpeaker;
    case ElementRole::Digital:
        return kSrcDigital;
    default:
        return kSrcAnalog;
    }
}

} // namespace

struct AlsaMixerPlatform::Model {
    AlsaMixer alsa;
    std::vector<Line> destinations; // speakers, wave input
    std::vector<std::vector<Line>> sources;
    uint32_t lastControl = 0;

    MixerControlInfo Control(snd_mixer_elem_t* e, Kind kind, uint32_t type) {
        MixerControlInfo c;
        c.controlId = ++lastControl;
        c.controlType = type;
        const std::string name = ElementName(e);
        const bool playback = kind == Kind::PlaybackVolume || kind == Kind::PlaybackMute;
        const bool volume = kind == Kind::PlaybackVolume || kind == Kind::CaptureVolume;
        bool joined = ElementChannels(e, playback).size() <= 1;
        if (kind == Kind::PlaybackVolume)
            joined = joined || snd_mixer_selem_has_playback_volume_joined(e);
        else if (kind == Kind::PlaybackMute)
            joined = joined || snd_mixer_selem_has_playback_switch_joined(e);
        else if (kind == Kind::CaptureVolume)
            joined = joined || snd_mixer_selem_has_capture_volume_joined(e);
        else
            joined = joined || snd_mixer_selem_has_capture_switch_joined(e);
        if (joined)
            c.flags |= kCtlFlagUniform;
        if (!snd_mixer_selem_is_active(e))
            c.flags |= kCtlFlagDisabled;
        if (volume) {
            long mn = 0, mx = 0;
            if (playback)
                snd_mixer_selem_get_playback_volume_range(e, &mn, &mx);
            else
                snd_mixer_selem_get_capture_volume_range(e, &mn, &mx);
            c.minimum = static_cast<int32_t>(mn);
            c.maximum = static_cast<int32_t>(mx);
            c.steps = static_cast<uint32_t>(mx - mn);
        } else {
            c.maximum = 1;
        }
        const char* what = kind == Kind::PlaybackVolume  ? " Playback Volume"
                           : kind == Kind::PlaybackMute  ? " Playback Switch"
                           : kind == Kind::CaptureVolume ? " Capture Volume"
                                                         : " Capture Switch";
        // "Capture" + " Capture Volume" would say it twice.
        if (name == "Capture" && !playback)
            what = kind == Kind::CaptureVolume ? " Volume" : " Switch";
        c.shortName = name.substr(0, 16);
        c.name = (name + what).substr(0, 64);
        return c;
    }

    // A line's channel count and its volume and switch: on the playback side
    // a mute, on the recording side an on/off switch.
    void FillLine(Line& l, snd_mixer_elem_t* e, bool playback) {
        l.info.channels = static_cast<uint32_t>(ElementChannels(e, playback).size());
        const bool volume = playback ? snd_mixer_selem_has_playback_volume(e)
                                     : snd_mixer_selem_has_capture_volume(e);
        const bool toggle = playback ? snd_mixer_selem_has_playback_switch(e)
                                     : snd_mixer_selem_has_capture_switch(e);
        if (volume)
            l.controls.push_back(
                Control(e, playback ? Kind::PlaybackVolume : Kind::CaptureVolume, kCtlVolume));
        if (toggle)
            l.controls.push_back(Control(e, playback ? Kind::PlaybackMute : Kind::CaptureSwitch,
                                         playback ? kCtlMute : kCtlOnOff));
    }

    Line SourceLine(snd_mixer_elem_t* e, const std::string& name, bool playback) {
        Line l;
        l.info.componentType = SourceType(name);
        FillLine(l, e, playback);
        return l;
    }

    void Build() {
        destinations.assign(2, Line{});
        sources.assign(2, {});
        destinations[0].info.componentType = kDstSpeakers;
        destinations[1].info.componentType = kDstWaveIn;
        uint32_t selectorItems = 0;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(alsa.mixer); e;
             e = snd_mixer_elem_next(e)) {
            const std::string name = ElementName(e);
            const ElementRole role = RoleOf(name);
            // Playback side.
            if (role == ElementRole::Master) {
                FillLine(destinations[0], e, true);
            } else if (role == ElementRole::Bass || role == ElementRole::Treble) {
                if (snd_mixer_selem_has_playback_volume(e))
                    destinations[0].controls.push_back(
                        Control(e, Kind::PlaybackVolume,
                                role == ElementRole::Bass ? kCtlBass : kCtlTreble));
            } else if (snd_mixer_selem_has_playback_volume(e) ||
                       snd_mixer_selem_has_playback_switch(e)) {
                sources[0].push_back(SourceLine(e, name, true));
            }
            // Recording side. ALSA spreads a capture source selector over the
            // elements it selects, as exclusive capture switches; together
            // they are the wave input's selector, one item per element.
            if (snd_mixer_selem_has_capture_switch_exclusive(e))
                ++selectorItems;
            if (name == "Capture") {
                FillLine(destinations[1], e, false);
            } else if (snd_mixer_selem_has_capture_volume(e) ||
                       snd_mixer_selem_has_capture_switch(e)) {
                sources[1].push_back(SourceLine(e, name, false));
            }
        }
        if (selectorItems > 0) {
            MixerControlInfo c;
            c.controlId = ++lastControl;
            c.controlType = kCtlMixer;
            c.flags = kCtlFlagUniform | kCtlFlagMultiple;
            c.multipleItems = selectorItems;
            c.maximum = static_cast<int32_t>(selectorItems) - 1;
            c.shortName = "Capture Source";
            c.name = "Capture Source";
            destinations[1].controls.push_back(c);
        }
        for (uint32_t d = 0; d < 2; ++d) {
            Line& dest = destinations[d];
            dest.info.destination = d;
            dest.info.lineId = 0xFFFF0000u + d;
            if (dest.info.channels == 0)
                dest.info.channels = 2;
            for (uint32_t s = 0; s < sources[d].size(); ++s) {
                Line& l = sources[d][s];
                l.info.destination = d;
                l.info.source = s;
                l.info.lineId = (d << 16) | (s + 1);
                l.info.controls = static_cast<uint32_t>(l.controls.size());
            }
        }
        if (alsa.serverControl)
            AddStreamVolumeLine();
        for (Line& dest : destinations) {
            dest.info.connections = static_cast<uint32_t>(sources[dest.info.destination].size());
            dest.info.controls = static_cast<uint32_t>(dest.controls.size());
        }
    }

    // After the speakers' own sources, with identifiers after every one of
    // the device's own (the wave input's line is the highest so far).
    void AddStreamVolumeLine() {
        Line l;
        l.info.destination = 0;
        l.info.source = static_cast<uint32_t>(sources[0].size());
        l.info.lineId = destinations[1].info.lineId + 1;
        l.info.componentType = kSrcWaveOut;
        l.info.channels = 2;
        l.info.controls = 1;
        MixerControlInfo c;
        c.controlId = ++lastControl;
        c.controlType = kCtlVolume;
        c.maximum = OwnStreamVolume::kMaxvalue;
        c.steps = OwnStreamVolume::kSteps;
        c.shortName = "Stream Volume";
        c.name = "Program Stream Playback Volume";
        l.controls.push_back(c);
        sources[0].push_back(l);
    }

    const Line* FindLine(uint32_t lineId) const {
        for (uint32_t d = 0; d < destinations.size(); ++d) {
            if (destinations[d].info.lineId == lineId)
                return &destinations[d];
            for (const Line& l : sources[d])
                if (l.info.lineId == lineId)
                    return &l;
        }
        return nullptr;
    }
};

AlsaMixerPlatform::AlsaMixerPlatform() : names_(AlsaControlDevices()) {}

AlsaMixerPlatform::AlsaMixerPlatform(std::vector<std::string> controlNames)
    : names_(std::move(controlNames)) {}

AlsaMixerPlatform::~AlsaMixerPlatform() = default;

uint32_t AlsaMixerPlatform::DeviceCount() {
    return static_cast<uint32_t>(names_.size());
}

bool AlsaMixerPlatform::GetCaps(uint32_t device, MixerDeviceCaps& caps) {
    if (device >= names_.size())
        return false;
    const auto c = AlsaDeviceCaps(names_[device]);
    if (!c)
        return false;
    caps.name = c->name;
    caps.driverVersion = c->driverVersion;
    caps.destinations = 2;
    return true;
}

int AlsaMixerPlatform::Open(uint32_t device) {
    model_.reset();
    if (device >= names_.size())
        return kMixerBadDeviceId;
    auto m = std::make_unique<Model>();
    if (!OpenAlsaMixer(names_[device], m->alsa))
        return kMixerNoDriver;
    m->Build();
    model_ = std::move(m);
    return kMixerOk;
}

int AlsaMixerPlatform::LineByDestination(uint32_t destination, MixerLineInfo& line) {
    if (!model_)
        return kMixerInvalidHandle;
    if (destination >= model_->destinations.size())
        return kMixerInvalidLine;
    line = model_->destinations[destination].info;
    return kMixerOk;
}

int AlsaMixerPlatform::LineBySource(uint32_t destination, uint32_t source, MixerLineInfo& line) {
    if (!model_)
        return kMixerInvalidHandle;
    if (destination >= model_->sources.size() || source >= model_->sources[destination].size())
        return kMixerInvalidLine;
    line = model_->sources[destination][source].info;
    return kMixerOk;
}

int AlsaMixerPlatform::LineControls(uint32_t lineId, std::vector<MixerControlInfo>& controls) {
    if (!model_)
        return kMixerInvalidHandle;
    const Line* line = model_->FindLine(lineId);
    if (!line)
        return kMixerInvalidLine;
    controls = line->controls;
    return kMixerOk;
}

} // namespace tonmark
