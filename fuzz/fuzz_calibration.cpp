// Any bytes through the calibration reader; an accepted file must survive a
// write and a second read unchanged (level corrections compared bit for bit).
#include <cstdlib>
#include <cstring>
#include <string>

#include "calibration/calibration_file.h"

using namespace tonmark;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CalibrationTable t{};
    CalibrationInfo info;
    if (DecodeCalibration(bytes, t, info) != CalibrationReadResult::Read)
        return 0;
    CalibrationTable t2{};
    CalibrationInfo info2;
    if (DecodeCalibration(EncodeCalibration(t, info), t2, info2) != CalibrationReadResult::Read)
        std::abort();
    if (!(info == info2))
        std::abort();
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot) {
            const auto& a = t[ear][slot];
            const auto& b = t2[ear][slot];
            if (a.WaveVolume != b.WaveVolume || a.MasterVolume != b.MasterVolume ||
                a.GainVolume != b.GainVolume ||
                std::memcmp(&a.LevelCorrection, &b.LevelCorrection, 8))
                std::abort();
        }
    return 0;
}
