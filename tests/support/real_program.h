#pragma once
// A program on the real sound parts for end-to-end tests and benchmarks: the
// program's own output (the sound server's stream here), the sound server's control through ALSA's
// pulse plugin with the program's own stream volume as its wave volume, the endpoint volume, a
// calibration whose every entry leaves the card at full volume (wave at the top of its range,
// master at 1000) with the given level correction, and a plan of only the given frequencies, both
// ears, no familiarisation and no repeats.
#include <initializer_list>
#include <memory>

#include "audio/alsa_volume.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/routed_wave_output.h"
#include "ui/mixer_messages.h"
#include "ui/program.h"

namespace tonmark::test {

inline void UseRealSoundParts(Program& program, Dialogs& dialogs, double levelCorrection,
                              std::initializer_list<int> frequenciesHz) {
    program.dialogs = &dialogs;
    auto waveVolume = std::make_shared<OwnStreamVolume>();
    program.waveOutput = std::make_unique<RoutedWaveOutput>(waveVolume);
    auto endpoint = std::make_unique<PulseEndpointVolume>();
    const bool coreAudioMode = endpoint->Connected();
    program.outputLevels = std::make_unique<OutputLevelControl>(
        std::make_unique<AlsaVolumeDevices>(std::vector<std::string>{"pulse"}), waveVolume,
        coreAudioMode ? std::move(endpoint) : nullptr);
    program.outputLevels->CountDevices();
    ReportMixerOpen(program.outputLevels->OpenDevice(0), dialogs);
    const int32_t fullWave = program.outputLevels->Scale(Slider::Wave).steps;
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
