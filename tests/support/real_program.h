#pragma once
// A program on the real sound parts for end-to-end tests and benchmarks: the
// PortAudio output, the sound server's control through ALSA's pulse plugin,
// the endpoint volume, a calibration whose every entry leaves the card at
// full volume with the given level correction, and a plan of only the given
// frequencies, both ears, no familiarisation and no repeats.
#include <initializer_list>
#include <memory>

#include "audio/alsa_mixer_platform.h"
#include "audio/portaudio_output.h"
#include "audio/pulse_endpoint_volume.h"
#include "ui/program.h"

namespace tonmark::test {

inline void UseRealSoundParts(Program& program, Dialogs& dialogs, double levelCorrection,
                              std::initializer_list<const char*> frequencies) {
    program.dialogs = &dialogs;
    program.waveOutput = std::make_unique<PortAudioOutput>();
    program.mixer = std::make_unique<Mixer>(
        std::make_unique<AlsaMixerPlatform>(std::vector<std::string>{"pulse"}), dialogs);
    program.mixer->CountDevices();
    program.mixer->OpenDevice(0);
    auto endpoint = std::make_unique<PulseEndpointVolume>();
    program.coreAudioMode = endpoint->Connected();
    program.endpoint = std::move(endpoint);
    program.state.CalibrationLoaded = true;
    for (auto& ear : program.calibration)
        for (auto& e : ear)
            e = CalibrationEntry{0, 1000, 0, 0, levelCorrection};
    Settings& s = program.settings;
    ApplyDefaultGraphColours(s);
    for (const char* f : {"Test 125Hz", "Test 250Hz", "Test 500Hz", "Test 750Hz", "Test 1000Hz",
                          "Test 1500Hz", "Test 2000Hz", "Test 3000Hz", "Test 4000Hz", "Test 6000Hz",
                          "Test 8000Hz", "Trial Run", "Retest @ 1kHz", "AutoRetest"})
        s.SetFlag(f, false);
    for (const char* f : frequencies)
        s.SetFlag(f, true);
    s.SetFlag("Joystick", true);
}

} // namespace tonmark::test
