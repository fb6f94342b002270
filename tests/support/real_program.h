#pragma once
// A program on the real sound parts for end-to-end tests and benchmarks: the
// program's own output (the sound server's stream here), the sound server's control through ALSA's
// pulse plugin with the program's own stream volume as its wave volume, the endpoint volume, a
// calibration whose every entry leaves the card at full volume (wave at the top of its range,
// master at 1000) with the given level correction, and a plan of only the given frequencies, both
// ears, no familiarisation and no repeats.
#include <initializer_list>
#include <memory>

#include "audio/alsa_mixer_platform.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/routed_wave_output.h"
#include "audio/server_wave_mixer_platform.h"
#include "ui/mixer_messages.h"
#include "ui/program.h"

namespace tonmark::test {

inline void UseRealSoundParts(Program& program, Dialogs& dialogs, double levelCorrection,
                              std::initializer_list<int> frequenciesHz) {
    program.dialogs = &dialogs;
    auto waveVolume = std::make_shared<OwnStreamVolume>();
    program.waveOutput = std::make_unique<RoutedWaveOutput>(waveVolume);
    program.mixer = std::make_unique<Mixer>(std::make_unique<ServerWaveMixerPlatform>(
        std::make_unique<AlsaMixerPlatform>(std::vector<std::string>{"pulse"}), waveVolume));
    program.mixer->CountDevices();
    ReportMixerOpen(program.mixer->OpenDevice(0), dialogs);
    const auto fullWave = static_cast<int32_t>(program.mixer->Controls().MixWaveVolume.Steps);
    auto endpoint = std::make_unique<PulseEndpointVolume>();
    program.coreAudioMode = endpoint->Connected();
    program.endpoint = std::move(endpoint);
    program.state.CalibrationLoaded = true;
    for (auto& ear : program.calibration)
        for (auto& e : ear)
            e = CalibrationEntry{fullWave, 1000, 0, 0, levelCorrection};
    Settings& s = program.settings;
    ApplyDefaultGraphColours(s);
    s.TestFrequency = {};
    s.TrialRun = s.RetestAt1kHz = s.AutoRetest = false;
    for (int hz : frequenciesHz)
        for (int i = 0; i < kTestFrequencyCount; ++i)
            if (kTestFrequencies[static_cast<size_t>(i)] == hz)
                s.TestFrequency[i] = true;
    s.SetJoystick(true);
}

} // namespace tonmark::test
