#include <gtest/gtest.h>

#include "core/results.h"

namespace tonmark {
namespace {

// Both ears measured at 500-6000 Hz with the given low and high sums (spread
// over the three slots of each sum).
PatientFile WithSums(int leftLow, int leftHigh, int rightLow, int rightHigh) {
    PatientFile rec;
    ClearAudiogram(rec);
    const int sums[2][2] = {{leftLow, leftHigh}, {rightLow, rightHigh}};
    for (int ear = 0; ear < 2; ++ear) {
        const int slots[2][3] = {{3, 5, 7}, {8, 9, 10}};
        for (int band = 0; band < 2; ++band) {
            const int s = sums[ear][band];
            rec.Threshold[ear][slots[band][0] - 1] = s / 3;
            rec.Threshold[ear][slots[band][1] - 1] = s / 3;
            rec.Threshold[ear][slots[band][2] - 1] = s - 2 * (s / 3);
        }
    }
    return rec;
}

// A subject of the given age in whole years on a test date that was read.
CategoryDates Aged(double years) {
    const double test = DayNumber(2026, 6, 15);
    return CategoryDates{test - years * 365 - 10, test + 3.25, test};
}

TEST(Category, Table) {
    struct Case {
        const char* what;
        PatientFile rec;
        CategoryDates dates;
        int expected;
    };
    PatientFile unmeasured = WithSums(30, 30, 30, 30);
    unmeasured.Threshold[1][8] = NotMeasured; // right 4000 Hz
    PatientFile far = WithSums(30, 30, 30, 30);
    far.Threshold[0][2] = 2000000000;
    const Case cases[] = {
        {"ears differ in the low sums", WithSums(45, 10, 80, 10), Aged(30), 2},
        {"ears differ in the high sums", WithSums(10, 10, 10, 56), Aged(30), 2},
        {"ears differing just within their limits", WithSums(45, 10, 75, 55), Aged(70), 4},
        {"the 42-year-old", WithSums(50, 70, 50, 70), Aged(42), 4},
        {"category 3 limits exceeded", WithSums(85, 30, 85, 30), Aged(42), 3},
        {"20-24, at the category 4 limit", WithSums(45, 45, 45, 45), Aged(20), 5},
        {"20-24, one above it", WithSums(46, 45, 46, 45), Aged(24), 4},
        {"65, last column", WithSums(70, 115, 70, 115), Aged(65), 5},
        {"90, last column", WithSums(71, 115, 71, 115), Aged(90), 4},
        {"64, its own column", WithSums(66, 100, 66, 100), Aged(64), 4},
        {"under 20 uses the first column", WithSums(46, 30, 46, 30), Aged(12), 4},
        {"born after the test", WithSums(40, 40, 40, 40), Aged(-3), 5},
        {"an unmeasured frequency", unmeasured, Aged(30), -1},
        {"a far-out threshold counts as unmeasured", far, Aged(30), -1},
        {"no date of birth", WithSums(30, 30, 30, 30), CategoryDates{std::nullopt, 0, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Category(c.rec, c.dates), c.expected);
    }
}

TEST(Category, AgeIsTakenOnTheTestDateElseToday) {
    const PatientFile rec = WithSums(46, 40, 46, 40); // 4 up to 34 years, 5 from 35
    const double birth = DayNumber(1990, 1, 1);
    // Read test date: 34 years old. Unreadable: today, 36 years old.
    EXPECT_EQ(Category(rec, {birth, DayNumber(2026, 1, 1), DayNumber(2024, 6, 1)}), 4);
    EXPECT_EQ(Category(rec, {birth, DayNumber(2026, 1, 1), std::nullopt}), 5);
}

TEST(ResultsTexts, AccuracyFollowsMinReversalsAndTheSpread) {
    PatientFile rec;
    ClearAudiogram(rec);
    SlotFrequencyTable freqs = InitialSlotFrequency();
    rec.Count(0, 5) = 4;
    rec.Spread(0, 5) = 3;
    rec.Count(1, 9) = 8;
    rec.Spread(1, 9) = 15;
    rec.Count(1, 2) = 8;
    rec.Spread(1, 2) = 10;
    EXPECT_EQ(AccuracyText(rec, freqs, 6), "Retest recommended for: 1000Hz (L); 4000Hz (R); ");
    EXPECT_EQ(AccuracyText(rec, freqs, 4), "Retest recommended for: 4000Hz (R); ");
    rec.Spread(1, 9) = 10;
    EXPECT_EQ(AccuracyText(rec, freqs, 4),
              "All results are within the variation limits for accuracy");
}

TEST(ResultsTexts, RepeatDifferenceWithItsSign) {
    PatientFile rec;
    ClearAudiogram(rec);
    EXPECT_EQ(RepeatDifferenceText(rec), "");
    rec.Threshold[0][4] = 20;
    rec.Threshold[0][11] = 25;
    EXPECT_EQ(RepeatDifferenceText(rec),
              "The Threshold derived from repeat mesurement at 1kHz differs by 5dB from the "
              "first measurement.");
    rec.Threshold[0][11] = 15;
    EXPECT_NE(RepeatDifferenceText(rec).find("by -5dB"), std::string::npos);
}

} // namespace
} // namespace tonmark
