#include "audio/alsa_devices.h"

#include <cstdlib>
#include <strings.h>

namespace tonmark {

namespace {

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

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

std::vector<std::string> AlsaControlDevices() {
    std::vector<std::string> names;
    int card = -1;
    while (snd_card_next(&card) == 0 && card >= 0)
        names.push_back("hw:" + std::to_string(card));
    names.push_back("default");
    return names;
}

std::optional<VolumeDeviceCaps> AlsaDeviceCaps(const std::string& controlName) {
    snd_ctl_t* ctl = nullptr;
    if (snd_ctl_open(&ctl, controlName.c_str(), 0) < 0)
        return std::nullopt;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_alloca(&info);
    std::string name;
    if (snd_ctl_card_info(ctl, info) == 0 && *snd_ctl_card_info_get_name(info))
        name = snd_ctl_card_info_get_name(info);
    else
        name = controlName;
    snd_ctl_close(ctl);
    return VolumeDeviceCaps{name.substr(0, 32), AlsaLibraryVersionWord()};
}

AlsaMixer::~AlsaMixer() {
    if (mixer)
        snd_mixer_close(mixer);
}

bool OpenAlsaMixer(const std::string& controlName, AlsaMixer& out) {
    if (snd_mixer_open(&out.mixer, 0) < 0) {
        out.mixer = nullptr;
        return false;
    }
    if (snd_mixer_attach(out.mixer, controlName.c_str()) < 0 ||
        snd_mixer_selem_register(out.mixer, nullptr, nullptr) < 0 || snd_mixer_load(out.mixer) < 0)
        return false;
    snd_hctl_t* hctl = nullptr;
    if (snd_mixer_get_hctl(out.mixer, controlName.c_str(), &hctl) == 0)
        out.serverControl = IsServerControl(snd_hctl_ctl(hctl));
    return true;
}

std::string ElementName(snd_mixer_elem_t* e) {
    std::string name = snd_mixer_selem_get_name(e);
    if (const unsigned idx = snd_mixer_selem_get_index(e))
        name += "," + std::to_string(idx);
    return name;
}

ElementRole RoleOf(const std::string& name) {
    const struct {
        const char* name;
        ElementRole role;
    } table[] = {{"Master", ElementRole::Master},
                 {"Bass", ElementRole::Bass},
                 {"Tone Control - Bass", ElementRole::Bass},
                 {"Treble", ElementRole::Treble},
                 {"Tone Control - Treble", ElementRole::Treble},
                 {"PCM", ElementRole::Wave},
                 {"Mic", ElementRole::Microphone},
                 {"Line", ElementRole::Line},
                 {"CD", ElementRole::CompactDisc},
                 {"Aux", ElementRole::Auxiliary},
                 {"Synth", ElementRole::Synthesizer},
                 {"PC Speaker", ElementRole::PcSpeaker},
                 {"Beep", ElementRole::PcSpeaker},
                 {"IEC958", ElementRole::Digital}};
    for (const auto& t : table)
        if (name == t.name)
            return t.role;
    return ElementRole::Other;
}

std::vector<snd_mixer_selem_channel_id_t> ElementChannels(snd_mixer_elem_t* e, bool playback) {
    std::vector<snd_mixer_selem_channel_id_t> list;
    for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto ch = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (playback ? snd_mixer_selem_has_playback_channel(e, ch)
                     : snd_mixer_selem_has_capture_channel(e, ch))
            list.push_back(ch);
    }
    return list;
}

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

} // namespace tonmark
