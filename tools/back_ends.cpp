#include "tools/back_ends.h"

#include "audio/alsa_mixer_platform.h"
#include "audio/pulse_output_watch.h"
#include "audio/server_wave_mixer_platform.h"

namespace tonmark::tool {

// alsa-lib's own complaints would bury the tool's output.
std::unique_ptr<RoutedWaveOutput> MakeWaveOutput() {
    QuietAlsaErrors();
    return std::make_unique<RoutedWaveOutput>();
}

std::unique_ptr<OutputWatch> MakeOutputWatch() {
    return std::make_unique<PulseOutputWatch>();
}

std::unique_ptr<MixerPlatform> MakeMixerPlatform() {
    QuietAlsaErrors();
    // The tool plays nothing at it: a volume of its own, for the listing.
    return std::make_unique<ServerWaveMixerPlatform>(std::make_unique<AlsaMixerPlatform>(),
                                                     std::make_shared<OwnStreamVolume>());
}

} // namespace tonmark::tool
