#include "core/audiogram.h"

#include "core/rounding.h"

namespace tonmark {

SlotFrequencyTable InitialSlotFrequency() {
    SlotFrequencyTable table{};
    for (int slot = 1; slot <= kTestFrequencyCount; ++slot)
        table[slot] = kTestFrequencies[slot - 1];
    table[12] = 1000; // the repeat
    return table;
}

void ClearAudiogram(PatientFile& data) {
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row) {
            data.Reverse[ear][row][0] = 0;
            data.Threshold[ear][row] = NotMeasured;
        }
}

void CalcThreshold(PatientFile& data, int firstEntry) {
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row) {
            const int count = UsableCount(data.Reverse[ear][row][0]);
            const int n = count - firstEntry + 1;
            // A row of one entry with the first entry rejected has nothing to
            // average (possible only from a file): it counts as unmeasured.
            if (count <= 0 || n <= 0) {
                data.Threshold[ear][row] = NotMeasured;
                continue;
            }
            // 64 bits: levels from a file can be any int32.
            int64_t sum = 0;
            for (int k = firstEntry; k <= count; ++k)
                sum += data.Reverse[ear][row][k];
            data.Threshold[ear][row] = Round(static_cast<double>(sum) / n);
        }
}

} // namespace tonmark
