#pragma once
// One rounding rule for the whole program: to nearest, halves to the even
// neighbour (22.5 -> 22, 23.5 -> 24, -2.5 -> -2). Levels, thresholds, graph
// positions and ages all go through here so that a file written by one part
// reads the same in every other.
#include <cmath>
#include <cstdint>
#include <limits>

namespace tonmark {

// Rounds half to even. Relies on the default floating-point environment
// (FE_TONEAREST), which the program never changes.
inline double RoundHalfEvenReal(double x) {
    return std::nearbyint(x);
}

// Rounds half to even into an int32. Values beyond the int32 range saturate and
// NaN gives 0, so absurd settings can never produce undefined conversions.
inline int32_t Round(double x) {
    const double r = std::nearbyint(x);
    if (std::isnan(r))
        return 0;
    if (r >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

} // namespace tonmark
