#pragma once
// The calibration in use: per ear and slot the volume control settings at
// which a tone is just audible to a listener of normal hearing, and the texts
// that describe the calibration.
#include <array>
#include <cstdint>
#include <string>

#include "core/audiogram.h"

namespace tonmark {

struct CalibrationEntry {
    int32_t WaveVolume = 0;     // slider steps from the bottom of the wave control's range
    int32_t MasterVolume = 0;   // slider steps of the master (or endpoint) volume
    int32_t GainVolume = 0;     // slider steps of the output gain; stored, not applied by tests
    int32_t Reserved = 0;       // kept from the file, never used
    double LevelCorrection = 0; // dB subtracted from the test level before synthesis
    bool operator==(const CalibrationEntry&) const = default;
};

// [ear][slot], slots 0..12; the file holds slots 1..11, the test procedure
// fills 0 and 12 as working copies.
using CalibrationTable = std::array<std::array<CalibrationEntry, kSlots>, kEars>;

struct CalibrationInfo {
    std::string Person;
    std::string Headphones;
    std::string Soundcard;
    std::string Comment;
    std::string CalibrationDate;
    std::string CalibrationTime;
    bool operator==(const CalibrationInfo&) const = default;
};

} // namespace tonmark
