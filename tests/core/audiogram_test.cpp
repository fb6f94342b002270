#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/audiogram.h"

namespace tonmark {
namespace {

void SetRow(PatientFile& f, int ear, int slot, std::vector<int32_t> entries,
            std::optional<int32_t> count = std::nullopt) {
    int32_t* row = f.Reverse[ear][slot - 1];
    for (size_t i = 0; i < entries.size() && i < 21; ++i)
        row[i + 1] = entries[i];
    row[0] = count.value_or(static_cast<int32_t>(entries.size()));
}

TEST(ClearAudiogram, ResetsCountsAndThresholdsOnly) {
    PatientFile f;
    SetRow(f, 1, 7, {30, 21, 27, 24});
    f.Reverse[1][6][21] = 3;
    f.TestDateStamp = "05-03-2012";
    ClearAudiogram(f);
    for (int ear = 0; ear < 2; ++ear)
        for (int row = 0; row < 12; ++row) {
            EXPECT_EQ(f.Reverse[ear][row][0], 0);
            EXPECT_EQ(f.Threshold[ear][row], NotMeasured);
        }
    EXPECT_EQ(f.Reverse[1][6][1], 30); // stale entries stay
    EXPECT_EQ(f.Reverse[1][6][21], 3);
    EXPECT_EQ(f.TestDateStamp, "05-03-2012");
}

TEST(CalcThreshold, MeansOfTheUsedEntries) {
    const struct {
        std::vector<int32_t> entries;
        int32_t count;
        int first;
        int32_t expected;
    } cases[] = {
        {{30, 21, 27, 24}, 4, 1, 26}, // 25.5 -> 26
        {{30, 21, 27, 24}, 4, 2, 24}, // 21, 27, 24
        {{20, 25}, 2, 1, 22},         // 22.5 -> 22
        {{20, 25}, 2, 2, 25},
        {{}, 0, 1, NotMeasured},
        {{40}, -3, 1, NotMeasured}, // negative count from a file
        {{40}, 1, 1, 40},
        {{40}, 1, 2, NotMeasured}, // nothing left to average
        {{-5, -10}, 2, 1, -8},     // -7.5 -> -8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        PatientFile f;
        SetRow(f, 0, 3, c.entries, c.count);
        f.Reverse[0][2][21] = 99;
        CalcThreshold(f, c.first);
        EXPECT_EQ(f.Threshold[0][2], c.expected) << "first " << c.first << " count " << c.count;
        EXPECT_EQ(f.Reverse[0][2][21], 99) << "the spread is not recalculated";
        EXPECT_EQ(f.Threshold[1][0], NotMeasured);
    }
}

TEST(CalcThreshold, CountAboveTwentyStaysInsideTheRow) {
    PatientFile f;
    for (int k = 1; k <= 20; ++k)
        f.Reverse[0][0][k] = 10;
    f.Reverse[0][0][21] = 5000; // the spread must not be taken for an entry
    f.Reverse[0][0][0] = 2'000'000'000;
    CalcThreshold(f, 1);
    EXPECT_EQ(f.Threshold[0][0], 10);
}

TEST(CalcThreshold, ExtremeLevelsDoNotOverflowTheSum) {
    PatientFile f;
    for (int k = 1; k <= 20; ++k)
        f.Reverse[1][11][k] = 2'000'000'000;
    f.Reverse[1][11][0] = 20;
    CalcThreshold(f, 1);
    EXPECT_EQ(f.Threshold[1][11], 2'000'000'000);
}

} // namespace
} // namespace tonmark
