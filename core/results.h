#pragma once
// What the results window states about an audiogram: the hearing category
// from threshold sums and age, the slots whose accuracy is insufficient, and
// the difference of the repeat at 1000 Hz.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/audiogram.h"

namespace tonmark {

// Sums of three thresholds (dB) that may not be exceeded, [low or high sum]
// [age group: 20-24, 25-29, ... 60-64, 65 and over].
using CategoryLimits = std::array<std::array<int32_t, 10>, 2>;
inline constexpr CategoryLimits Category3Limits{
    {{60, 66, 72, 78, 84, 90, 90, 90, 90, 90}, {75, 87, 99, 111, 123, 135, 144, 144, 144, 144}}};
inline constexpr CategoryLimits Category4Limits{
    {{45, 45, 45, 48, 51, 54, 57, 60, 65, 70}, {45, 45, 45, 54, 60, 66, 75, 87, 100, 115}}};

// Days since 1 January 1970 of a civil date; a day's time is its fraction.
double DayNumber(int year, int month, int day);

// The moments the category's age rule needs, as day numbers.
struct CategoryDates {
    std::optional<double> dateOfBirth; // empty: no date of birth, the rule fails
    double now = 0;                    // the current date and time
    std::optional<double> testDate;    // the record's test date, when it could be read
};

// 5, 4, 3 or 2; -1 when a threshold it needs was not measured, 0 when the
// age rule fails. Subjects younger than 20 (or born after the test) use the
// first age group.
int Category(const PatientFile& record, const CategoryDates& dates);

// "Retest recommended for: 1000Hz (L); ..." or the all-within-limits text.
std::string AccuracyText(const PatientFile& record, const SlotFrequencyTable& slotFrequency,
                         int minReversals);

// The difference of the repeat at 1000 Hz, or empty without a repeat.
std::string RepeatDifferenceText(const PatientFile& record);

} // namespace tonmark
