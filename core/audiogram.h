#pragma once
// The audiogram record, the plan of a test run and the frequency slots.
#include <array>
#include <cstdint>
#include <string>

namespace tonmark {

inline constexpr int32_t NotMeasured = 1000;
inline constexpr int kEars = 2;   // 0 = left, 1 = right, everywhere
inline constexpr int kSlots = 13; // 0 familiarisation, 1..11 test, 12 repeat at 1 kHz
inline constexpr int kRows = 12;  // record row r belongs to slot r + 1
inline constexpr int kRowLength = 22;
inline constexpr int kMaxEntries = 20; // entries 1..20; element 21 holds the spread
inline constexpr int kSpreadIndex = 21;
inline constexpr int kRetestSpread = 10; // dB; a larger spread asks for a retest

// The frequencies in Hz of the eleven test slots 1..11, lowest first.
inline constexpr std::array<int32_t, 11> kTestFrequencies = {125,  250,  500,  750,  1000, 1500,
                                                             2000, 3000, 4000, 6000, 8000};
inline constexpr int kTestFrequencyCount = static_cast<int>(kTestFrequencies.size());

// Frequencies in Hz of slots 0..12. Slot 0 is rewritten when a test with a
// familiarisation starts, so the table lives in the program state.
using SlotFrequencyTable = std::array<int32_t, kSlots>;
SlotFrequencyTable InitialSlotFrequency();

struct PatientFile {
    // [ear][row][element]: element 0 = count, 1..count = levels in dB HL in the
    // order recorded, 21 = spread in dB; the rest is stale.
    int32_t Reverse[kEars][kRows][kRowLength] = {};
    std::string TestDateStamp;            // dd-mm-yyyy
    std::string TestTimeStamp;            // e.g. 9h5
    int32_t Threshold[kEars][kRows] = {}; // dB HL, or >= NotMeasured for none

    int32_t& Count(int ear, int slot) { return Reverse[ear][slot - 1][0]; }
    int32_t Count(int ear, int slot) const { return Reverse[ear][slot - 1][0]; }
    int32_t& Spread(int ear, int slot) { return Reverse[ear][slot - 1][kSpreadIndex]; }
    int32_t Spread(int ear, int slot) const { return Reverse[ear][slot - 1][kSpreadIndex]; }
};

struct TestProperties {
    bool RunThisFreq[kEars][kSlots] = {};
    bool Retest = false;
};

// Counts from files can be anything; every walk over entries goes through this
// so that it never leaves the 20 entries of a row.
inline int UsableCount(int32_t count) {
    if (count < 0)
        return 0;
    return count > kMaxEntries ? kMaxEntries : static_cast<int>(count);
}

// Count 0 and threshold NotMeasured in all 24 rows; entries, spreads and stamps stay.
void ClearAudiogram(PatientFile& data);

// Recomputes every threshold from the stored entries; counts, entries, spreads
// and stamps stay. firstEntry is 2 with "Reject 1st Reversal", otherwise 1.
void CalcThreshold(PatientFile& data, int firstEntry);

} // namespace tonmark
