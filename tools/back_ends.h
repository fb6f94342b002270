#pragma once
// The tool's own composition root: the one place in tonmark-tool that picks
// the real sound back ends, as app/main.cpp does for the program. Every
// other part of the tool works on the interfaces or on no device at all.
#include <memory>

#include "audio/mixer_platform.h"
#include "audio/output_watch.h"
#include "audio/routed_wave_output.h"

namespace tonmark::tool {

// The program's own output (the sound server's stream where one answers,
// else PortAudio); the concrete type, for the figures the play command
// reports (which path, latency).
std::unique_ptr<RoutedWaveOutput> MakeWaveOutput();
// The watch of the sound server's default output (volume, mute, port).
std::unique_ptr<OutputWatch> MakeOutputWatch();
// The ALSA mixer of every card and of the sound server's control, in the
// mixer interface's terms, for the diagnostic listing. Both silence
// alsa-lib's own messages.
std::unique_ptr<MixerPlatform> MakeMixerPlatform();

} // namespace tonmark::tool
