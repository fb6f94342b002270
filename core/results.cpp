#include "core/results.h"

#include <cmath>
#include <cstdlib>

#include "core/rounding.h"

namespace tonmark {

double DayNumber(int year, int month, int day) {
    // Civil calendar to a day count (proleptic Gregorian).
    const int y = year - (month <= 2);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<double>(era) * 146097 + doe - 719468;
}

int Category(const PatientFile& rec, const CategoryDates& dates) {
    constexpr int kLowSlots[3] = {3, 5, 7};   // 500, 1000, 2000 Hz
    constexpr int kHighSlots[3] = {8, 9, 10}; // 3000, 4000, 6000 Hz
    int result = 0;
    int64_t sums[2][2] = {}; // [ear][low, high]
    for (int ear = 0; ear < kEars; ++ear)
        for (int band = 0; band < 2; ++band)
            for (int slot : band == 0 ? kLowSlots : kHighSlots) {
                const int32_t t = rec.Threshold[ear][slot - 1];
                if (t < NotMeasured)
                    sums[ear][band] += t;
                else
                    result = -1;
            }
    if (result == 0 &&
        (std::llabs(sums[0][0] - sums[1][0]) > 30 || std::llabs(sums[0][1] - sums[1][1]) > 45))
        result = 2;
    if (result == 0) {
        // Without a date of birth the age cannot be formed: the rule fails.
        if (!dates.dateOfBirth)
            return 0;
        const double testDate = dates.testDate ? *dates.testDate : dates.now;
        const int32_t age = Round(testDate - *dates.dateOfBirth) / 365;
        // The tables start at 20-24 years; younger subjects use that column.
        int group = age / 5 - 4;
        group = group > 9 ? 9 : group < 0 ? 0 : group;
        for (int ear = 0; ear < kEars; ++ear)
            for (int band = 0; band < 2; ++band)
                if (Category3Limits[band][group] < sums[ear][band])
                    result = 3;
        if (result == 0)
            for (int ear = 0; ear < kEars; ++ear)
                for (int band = 0; band < 2; ++band)
                    if (Category4Limits[band][group] < sums[ear][band])
                        result = 4;
    }
    return result == 0 ? 5 : result;
}

std::string AccuracyText(const PatientFile& rec, const SlotFrequencyTable& slotFrequency,
                         int minReversals) {
    std::string text = "Retest recommended for: ";
    bool any = false;
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot <= 12; ++slot) {
            const int32_t count = rec.Count(ear, slot);
            if (count <= 0)
                continue;
            if (rec.Spread(ear, slot) > kRetestSpread || count < minReversals) {
                text += std::to_string(slotFrequency[slot]) + (ear == 0 ? "Hz (L); " : "Hz (R); ");
                any = true;
            }
        }
    return any ? text : "All results are within the variation limits for accuracy";
}

std::string RepeatDifferenceText(const PatientFile& rec) {
    const int32_t repeat = rec.Threshold[0][11];
    if (repeat >= NotMeasured)
        return {};
    const int64_t difference = static_cast<int64_t>(repeat) - rec.Threshold[0][4];
    return "The Threshold derived from repeat mesurement at 1kHz differs by " +
           std::to_string(difference) + "dB from the first measurement.";
}

} // namespace tonmark
