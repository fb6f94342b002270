#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/rounding.h"

namespace tonmark {
namespace {

TEST(Round, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{22.5, 22}, {23.5, 24}, {-2.5, -2}, {72.5, 72},  {25.5, 26},  {0.5, 0},
                 {1.5, 2},   {-0.5, 0},  {-1.5, -2}, {2.4999, 2}, {2.5001, 3}, {-7.6, -8}};
    for (const auto& c : cases)
        EXPECT_EQ(Round(c.in), c.out) << c.in;
}

TEST(Round, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(Round(1e300), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(Round(-1e300), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Round(std::nan("")), 0);
}

} // namespace
} // namespace tonmark
