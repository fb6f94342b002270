#pragma once
// What the ALSA volume back end (AlsaVolumeDevices) and the diagnostic
// listing (AlsaMixerPlatform) share: the control devices offered as mixer
// devices, their names and versions, opening a simple mixer on one, and the
// roles of the simple elements by name.
//
// Threading: user-interface thread only.
#include <alsa/asoundlib.h>
#include <optional>
#include <string>
#include <vector>

#include "audio/alsa_volume.h"
#include "audio/volume_control.h"

namespace tonmark {

// The cards (hw:N), then "default", where alsa-lib routes a running sound
// server's own control.
std::vector<std::string> AlsaControlDevices();

// The card's name (the control's name when the card has none), at most 32
// characters, and the alsa-lib version; nothing when it cannot be opened.
std::optional<VolumeDeviceCaps> AlsaDeviceCaps(const std::string& controlName);

// A simple mixer on a control device, with its elements loaded; null when it
// cannot be opened. serverControl tells whether the device is the control
// plugin of a PulseAudio-compatible server ("pulse", "pipewire"), as
// "default" is while such a server runs.
struct AlsaMixer {
    snd_mixer_t* mixer = nullptr;
    bool serverControl = false;
    AlsaMixer() = default;
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;
    ~AlsaMixer();
};
bool OpenAlsaMixer(const std::string& controlName, AlsaMixer& out);

// "Name" or "Name,index".
std::string ElementName(snd_mixer_elem_t* e);

// What an element is to the program, by its name: the master, a tone control,
// the wave output ("PCM"), one of the sources the card is prepared by
// muting, or something else.
enum class ElementRole {
    Master,
    Bass,
    Treble,
    Wave,
    Microphone,
    Line,
    CompactDisc,
    Auxiliary,
    Synthesizer,
    PcSpeaker,
    Digital,
    Other,
};
ElementRole RoleOf(const std::string& elementName);

// The element's playback (or capture) channels, in ALSA's order.
std::vector<snd_mixer_selem_channel_id_t> ElementChannels(snd_mixer_elem_t* e, bool playback);

} // namespace tonmark
