#pragma once
// The program-wide state: the one audiogram record, its flags, the slot
// frequencies and what the running test shares with its window and services.
// One object, owned by the composition root and passed to whoever needs it,
// so that every test can start from a fresh one.
//
// Threading: user-interface thread only; the handlers that run while a test
// processes messages only read it or set StopRequested / ResponsePressed.
#include <array>
#include <cstdint>

#include "core/audiogram.h"

namespace tonmark {

inline constexpr int kLevelTraceSize = 201; // starting point + 200 pulses

struct TestRunState {
    double TestLevel = 0;                              // dB HL - 70; 0 is the top of the range
    int32_t CurrentEar = 0;                            // 0 left, 1 right
    int32_t PulseCount = 0;                            // pulses of the current slot so far
    int32_t TraceStep = 0;                             // graph units per pulse
    std::array<int32_t, kLevelTraceSize> LevelTrace{}; // y of the level after each pulse
    int32_t LeftChannelOn = 0;                         // 0 or 1: the tone goes to the left channel
    int32_t RightChannelOn = 0;                        // 0 or 1: the tone goes to the right channel
};

struct ProgramState {
    // The record starts empty (no thresholds), so that nothing is drawn
    // before the main window's New has run.
    ProgramState() { ClearAudiogram(Record); }

    PatientFile Record;
    SlotFrequencyTable SlotFrequency = InitialSlotFrequency();
    bool AudiogramValid = false;
    // The record holds results that a test or retest measured and that have
    // not been saved as an audiogram file since: New Test, New, Open and Exit
    // ask before they drop them. A save as audiogram file, New and a
    // successful Open clear it.
    bool UnsavedResults = false;
    bool CalibrationLoaded = false;
    bool StopRequested = false;
    bool ResponsePressed = false;
    // CTRL went down since the response button was last polled: a tap that
    // is over before the next poll (a busy machine processes the press and
    // the release together) still answers the pulse.
    bool ResponseSincePoll = false;
    // Pulses of the test that made the current record that had to be played
    // again because the sound output broke them; 0 for a record read from a
    // file.
    int32_t RepeatedPulses = 0;
    TestRunState Run;
};

// Vertical graph position of a level given as TestLevel (dB HL - 70):
// 3 units per dB, 0 dB HL at 40.
int32_t TraceY(double testLevel);

} // namespace tonmark
