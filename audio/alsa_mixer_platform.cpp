#include "audio/alsa_mixer_platform.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace tonmark {

namespace {

enum class Kind { PlaybackVolume, PlaybackMute, CaptureVolume, CaptureSwitch, CaptureSelect };

struct Control {
    MixerControlInfo info;
    snd_mixer_elem_t* elem = nullptr;
    Kind kind{};
};

struct Line {
    MixerLineInfo info;
    std::vector<uint32_t> controls; // indexes into Model::controls
};

uint32_t SourceType(const std::string& name) {
    const struct {
        const char* name;
        uint32_t type;
    } table[] = {{"PCM", kSrcWaveOut},          {"Mic", kSrcMicrophone}, {"Line", kSrcLine},
                 {"CD", kSrcCompactDisc},       {"Aux", kSrcAuxiliary},  {"Synth", kSrcSynthesizer},
                 {"PC Speaker", kSrcPcSpeaker}, {"Beep", kSrcPcSpeaker}, {"IEC958", kSrcDigital}};
    for (const auto& t : table)
        if (name == t.name)
            return t.type;
    return kSrcAnalog;
}

bool IsToneControl(const std::string& name, uint32_t& type) {
    if (name == "Bass" || name == "Tone Control - Bass") {
        type = kCtlBass;
        return true;
    }
    if (name == "Treble" || name == "Tone Control - Treble") {
        type = kCtlTreble;
        return true;
    }
    return false;
}

std::vector<snd_mixer_selem_channel_id_t> Channels(snd_mixer_elem_t* e, bool playback) {
    std::vector<snd_mixer_selem_channel_id_t> list;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto ch = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (playback ? snd_mixer_selem_has_playback_channel(e, ch)
                     : snd_mixer_selem_has_capture_channel(e, ch))
            list.push_back(ch);
    }
    return list;
}

// The sound servers' control plugins name themselves by their card id.
bool IsServerControl(snd_ctl_t* ctl) {
    if (!ctl || snd_ctl_type(ctl) != SND_CTL_TYPE_EXT)
        return false;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    if (snd_ctl_card_info(ctl, info) != 0)
        return false;
    const char* id = snd_ctl_card_info_get_id(info);
    return strcasecmp(id, "pulse") == 0 || strcasecmp(id, "pipewire") == 0;
}

std::string ElementName(snd_mixer_elem_t* e) {
    std::string name = snd_mixer_selem_get_name(e);
    if (const unsigned idx = snd_mixer_selem_get_index(e))
        name += "," + std::to_string(idx);
    return name;
}

} // namespace

struct AlsaMixerPlatform::Model {
    snd_mixer_t* mixer = nullptr;
    bool serverControl = false;
    std::vector<Line> destinations; // speakers, wave input
    std::vector<std::vector<Line>> sources;
    std::vector<Control> controls;
    std::vector<snd_mixer_elem_t*> selectorItems;

    ~Model() {
        if (mixer)
            snd_mixer_close(mixer);
    }

    uint32_t AddControl(snd_mixer_elem_t* e, Kind kind, uint32_t type, bool playback) {
        Control c;
        c.elem = e;
        c.kind = kind;
        c.info.controlId = static_cast<uint32_t>(controls.size()) + 1;
        c.info.controlType = type;
        const std::string name = ElementName(e);
        const auto ch = Channels(e, playback);
        const bool volume = kind == Kind::PlaybackVolume || kind == Kind::CaptureVolume;
        bool joined = ch.size() <= 1;
        if (kind == Kind::PlaybackVolume)
            joined = joined || snd_mixer_selem_has_playback_volume_joined(e);
        else if (kind == Kind::PlaybackMute)
            joined = joined || snd_mixer_selem_has_playback_switch_joined(e);
        else if (kind == Kind::CaptureVolume)
            joined = joined || snd_mixer_selem_has_capture_volume_joined(e);
        else if (kind == Kind::CaptureSwitch)
            joined = joined || snd_mixer_selem_has_capture_switch_joined(e);
        else
            joined = true; // one selection for all channels
        if (joined)
            c.info.flags |= kCtlFlagUniform;
        if (!snd_mixer_selem_is_active(e))
            c.info.flags |= kCtlFlagDisabled;
        if (volume) {
            long mn = 0, mx = 0;
            if (kind == Kind::PlaybackVolume)
                snd_mixer_selem_get_playback_volume_range(e, &mn, &mx);
            else
                snd_mixer_selem_get_capture_volume_range(e, &mn, &mx);
            c.info.minimum = static_cast<int32_t>(mn);
            c.info.maximum = static_cast<int32_t>(mx);
            c.info.steps = static_cast<uint32_t>(mx - mn);
        } else if (kind == Kind::CaptureSelect) {
            const int items = snd_mixer_selem_get_enum_items(e);
            c.info.flags |= kCtlFlagMultiple;
            c.info.multipleItems = items > 0 ? static_cast<uint32_t>(items) : 0;
            c.info.maximum = items > 0 ? items - 1 : 0;
        } else {
            c.info.maximum = 1;
        }
        const char* what = kind == Kind::PlaybackVolume  ? " Playback Volume"
                           : kind == Kind::PlaybackMute  ? " Playback Switch"
                           : kind == Kind::CaptureVolume ? " Capture Volume"
                           : kind == Kind::CaptureSwitch ? " Capture Switch"
                                                         : "";
        // "Capture" + " Capture Volume" would say it twice.
        if (name == "Capture" && (kind == Kind::CaptureVolume || kind == Kind::CaptureSwitch))
            what = kind == Kind::CaptureVolume ? " Volume" : " Switch";
        c.info.shortName = name.substr(0, 16);
        c.info.name = (name + what).substr(0, 64);
        controls.push_back(c);
        return c.info.controlId - 1;
    }

    // A line's channel count and its volume and switch: on the playback side
    // a mute, on the recording side an on/off switch.
    void FillLine(Line& l, snd_mixer_elem_t* e, bool playback) {
        l.info.channels = static_cast<uint32_t>(Channels(e, playback).size());
        const bool volume = playback ? snd_mixer_selem_has_playback_volume(e)
                                     : snd_mixer_selem_has_capture_volume(e);
        const bool toggle = playback ? snd_mixer_selem_has_playback_switch(e)
                                     : snd_mixer_selem_has_capture_switch(e);
        if (volume)
            l.controls.push_back(AddControl(
                e, playback ? Kind::PlaybackVolume : Kind::CaptureVolume, kCtlVolume, playback));
        if (toggle)
            l.controls.push_back(AddControl(e, playback ? Kind::PlaybackMute : Kind::CaptureSwitch,
                                            playback ? kCtlMute : kCtlOnOff, playback));
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
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer); e; e = snd_mixer_elem_next(e)) {
            const std::string name = ElementName(e);
            uint32_t tone = 0;
            // Playback side.
            if (name == "Master") {
                FillLine(destinations[0], e, true);
            } else if (IsToneControl(name, tone)) {
                if (snd_mixer_selem_has_playback_volume(e))
                    destinations[0].controls.push_back(
                        AddControl(e, Kind::PlaybackVolume, tone, true));
            } else if (snd_mixer_selem_has_playback_volume(e) ||
                       snd_mixer_selem_has_playback_switch(e)) {
                sources[0].push_back(SourceLine(e, name, true));
            }
            // Recording side. ALSA spreads a capture source selector over the
            // elements it selects, as exclusive capture switches; together
            // they are the wave input's selector, one item per element.
            if (snd_mixer_selem_has_capture_switch_exclusive(e))
                selectorItems.push_back(e);
            if (name == "Capture") {
                FillLine(destinations[1], e, false);
            } else if (snd_mixer_selem_has_capture_volume(e) ||
                       snd_mixer_selem_has_capture_switch(e)) {
                sources[1].push_back(SourceLine(e, name, false));
            }
        }
        if (!selectorItems.empty()) {
            Control c;
            c.elem = selectorItems.front();
            c.kind = Kind::CaptureSelect;
            c.info.controlId = static_cast<uint32_t>(controls.size()) + 1;
            c.info.controlType = kCtlMixer;
            c.info.flags = kCtlFlagUniform | kCtlFlagMultiple;
            c.info.multipleItems = static_cast<uint32_t>(selectorItems.size());
            c.info.maximum = static_cast<int32_t>(selectorItems.size()) - 1;
            c.info.shortName = "Capture Source";
            c.info.name = "Capture Source";
            controls.push_back(c);
            destinations[1].controls.push_back(c.info.controlId - 1);
        }
        for (uint32_t d = 0; d < 2; ++d) {
            Line& dest = destinations[d];
            dest.info.destination = d;
            dest.info.lineId = 0xFFFF0000u + d;
            dest.info.connections = static_cast<uint32_t>(sources[d].size());
            dest.info.controls = static_cast<uint32_t>(dest.controls.size());
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
    }

    std::vector<std::string> SelectorNames() const {
        std::vector<std::string> names;
        for (auto* e : selectorItems)
            names.push_back(ElementName(e));
        return names;
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

std::vector<std::string> AlsaMixerPlatform::SelectorItemNames() const {
    return model_ ? model_->SelectorNames() : std::vector<std::string>{};
}

namespace {
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}
} // namespace

void QuietAlsaErrors() {
    snd_lib_error_set_handler(IgnoreAlsaError);
}

uint16_t AlsaLibraryVersionWord() {
    const char* v = snd_asoundlib_version();
    char* end = nullptr;
    const long major = std::strtol(v, &end, 10);
    const long minor = (end && *end == '.') ? std::strtol(end + 1, nullptr, 10) : 0;
    return static_cast<uint16_t>(((major & 0xFF) << 8) | (minor & 0xFF));
}

AlsaMixerPlatform::AlsaMixerPlatform() {
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0)
        names_.push_back("hw:" + std::to_string(card));
    names_.push_back("default");
}

AlsaMixerPlatform::AlsaMixerPlatform(std::vector<std::string> controlNames)
    : names_(std::move(controlNames)) {}

AlsaMixerPlatform::~AlsaMixerPlatform() = default;

uint32_t AlsaMixerPlatform::DeviceCount() {
    return static_cast<uint32_t>(names_.size());
}

bool AlsaMixerPlatform::GetCaps(uint32_t device, MixerDeviceCaps& caps) {
    if (device >= names_.size())
        return false;
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, names_[device].c_str(), 0) < 0)
        return false;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    std::string name;
    if (snd_ctl_card_info(ctl, info) == 0 && *snd_ctl_card_info_get_name(info))
        name = snd_ctl_card_info_get_name(info);
    else
        name = names_[device];
    snd_ctl_close(ctl);
    caps.name = name.substr(0, 32);
    caps.driverVersion = AlsaLibraryVersionWord();
    caps.destinations = 2;
    return true;
}

int AlsaMixerPlatform::Open(uint32_t device) {
    model_.reset();
    if (device >= names_.size())
        return kMixerBadDeviceId;
    auto m = std::make_unique<Model>();
    if (snd_mixer_open(&m->mixer, 0) < 0)
        return kMixerNoDriver;
    if (snd_mixer_attach(m->mixer, names_[device].c_str()) < 0 ||
        snd_mixer_selem_register(m->mixer, nullptr, nullptr) < 0 || snd_mixer_load(m->mixer) < 0)
        return kMixerNoDriver;
    snd_hctl_t* hctl = nullptr;
    if (snd_mixer_get_hctl(m->mixer, names_[device].c_str(), &hctl) == 0)
        m->serverControl = IsServerControl(snd_hctl_ctl(hctl));
    m->Build();
    model_ = std::move(m);
    return kMixerOk;
}

bool AlsaMixerPlatform::IsSoundServerControl() const {
    return model_ && model_->serverControl;
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
    controls.clear();
    for (uint32_t i : line->controls)
        controls.push_back(model_->controls[i].info);
    return kMixerOk;
}

namespace {
// The control of an id, or null with the result code that says why not.
const Control* Lookup(const AlsaMixerPlatform::Model* model, uint32_t controlId, uint32_t channels,
                      int& code) {
    code = !model                                                 ? kMixerInvalidHandle
           : controlId == 0 || controlId > model->controls.size() ? kMixerInvalidControl
           : channels == 0                                        ? kMixerInvalidParam
                                                                  : kMixerOk;
    return code == kMixerOk ? &model->controls[controlId - 1] : nullptr;
}
} // namespace

int AlsaMixerPlatform::SetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                                         const std::vector<int32_t>& values) {
    int code = kMixerOk;
    const Control* found = Lookup(model_.get(), controlId, channels, code);
    if (!found)
        return code;
    const Control& c = *found;
    if (values.size() < static_cast<size_t>(channels) * std::max<uint32_t>(items, 1))
        return kMixerInvalidParam;
    snd_mixer_elem_t* e = c.elem;
    const bool playback = c.kind == Kind::PlaybackVolume || c.kind == Kind::PlaybackMute;
    int err = 0;
    if (c.kind == Kind::CaptureSelect) {
        // The sources are exclusive: switching one on switches the others off.
        const auto& sel = model_->selectorItems;
        for (uint32_t i = 0; i < items && i < sel.size(); ++i)
            if (values[i]) {
                err = snd_mixer_selem_set_capture_switch_all(sel[i], 1);
                break;
            }
        return err < 0 ? kMixerInvalidParam : kMixerOk;
    }
    const auto ch = Channels(e, playback);
    for (size_t k = 0; k < ch.size() && err >= 0; ++k) {
        // One value for all channels, or one per channel; channels beyond the
        // request take the last value given.
        const int32_t v = values[std::min<size_t>(k, channels - 1)];
        switch (c.kind) {
        case Kind::PlaybackVolume:
            err = snd_mixer_selem_set_playback_volume(
                e, ch[k], std::clamp<long>(v, c.info.minimum, c.info.maximum));
            break;
        case Kind::CaptureVolume:
            err = snd_mixer_selem_set_capture_volume(
                e, ch[k], std::clamp<long>(v, c.info.minimum, c.info.maximum));
            break;
        case Kind::PlaybackMute:
            err = snd_mixer_selem_set_playback_switch(e, ch[k], v ? 0 : 1);
            break;
        case Kind::CaptureSwitch:
            err = snd_mixer_selem_set_capture_switch(e, ch[k], v ? 1 : 0);
            break;
        default:
            break;
        }
    }
    return err < 0 ? kMixerInvalidParam : kMixerOk;
}

int AlsaMixerPlatform::GetControlDetails(uint32_t controlId, uint32_t channels, uint32_t items,
                                         std::vector<int32_t>& values) {
    int code = kMixerOk;
    const Control* found = Lookup(model_.get(), controlId, channels, code);
    if (!found)
        return code;
    const Control& c = *found;
    const size_t needed = static_cast<size_t>(channels) * std::max<uint32_t>(items, 1);
    values.assign(needed, 0);
    snd_mixer_elem_t* e = c.elem;
    snd_mixer_handle_events(model_->mixer);
    if (c.kind == Kind::CaptureSelect) {
        const auto& sel = model_->selectorItems;
        const uint32_t per = std::max<uint32_t>(items, 1);
        for (uint32_t i = 0; i < items && i < sel.size(); ++i) {
            int on = 0;
            if (snd_mixer_selem_get_capture_switch(sel[i], SND_MIXER_SCHN_FRONT_LEFT, &on) < 0)
                return kMixerInvalidParam;
            for (uint32_t ch = 0; ch < channels; ++ch)
                values[ch * per + i] = on ? 1 : 0;
        }
        return kMixerOk;
    }
    const bool playback = c.kind == Kind::PlaybackVolume || c.kind == Kind::PlaybackMute;
    const auto ch = Channels(e, playback);
    for (uint32_t k = 0; k < channels && k < ch.size(); ++k) {
        long v = 0;
        int sw = 0, err = 0;
        switch (c.kind) {
        case Kind::PlaybackVolume:
            err = snd_mixer_selem_get_playback_volume(e, ch[k], &v);
            break;
        case Kind::CaptureVolume:
            err = snd_mixer_selem_get_capture_volume(e, ch[k], &v);
            break;
        case Kind::PlaybackMute:
            err = snd_mixer_selem_get_playback_switch(e, ch[k], &sw);
            v = sw ? 0 : 1;
            break;
        case Kind::CaptureSwitch:
            err = snd_mixer_selem_get_capture_switch(e, ch[k], &sw);
            v = sw ? 1 : 0;
            break;
        default:
            break;
        }
        if (err < 0)
            return kMixerInvalidParam;
        values[k] = static_cast<int32_t>(v);
    }
    return kMixerOk;
}

} // namespace tonmark
