#pragma once
// Whether two audiogram records hold the same reversals and thresholds, byte
// for byte: a run through the windows against the same run simulated.
#include <cstring>

#include "core/audiogram.h"

namespace tonmark::test {

inline bool SameMeasurements(const PatientFile& a, const PatientFile& b) {
    return std::memcmp(a.Reverse, b.Reverse, sizeof a.Reverse) == 0 &&
           std::memcmp(a.Threshold, b.Threshold, sizeof a.Threshold) == 0;
}

} // namespace tonmark::test
