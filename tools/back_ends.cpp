#include "tools/back_ends.h"

#include "audio/alsa_mixer_platform.h"
#include "audio/pulse_output_watch.h"

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
    return std::make_unique<AlsaMixerPlatform>();
}

} // namespace tonmark::tool
