#pragma once
// The adaptive test procedure: for each ear and each planned slot, pulses whose
// level follows an up-down staircase driven by the response button; the levels
// at which the staircase turns are recorded and evaluated into a threshold.
#include <string>

#include "core/audiogram.h"
#include "core/program_state.h"
#include "core/run_services.h"
#include "core/settings.h"

namespace tonmark {

struct TestRunContext {
    ProgramState& state;
    const Settings& settings;
    TestRunServices& services;
    Dialogs& dialogs;
    MessagePump& pump;
    Clock& clock;
};

// Texts the run shows.
inline constexpr const char* kPromptFamiliarisation =
    "Please prepare Subject and press OK to start familiarisation.";
inline constexpr const char* kPromptMeasurements =
    "Please prepare Subject and Press OK to start measurements. If you are testing yourself, "
    "please press the response button now and release to start the actual test.";
inline constexpr const char* kMsgStopped = "Test procedure stopped!";
inline constexpr const char* kMsgCompleted = "Test procedure completed!";
inline constexpr const char* kMsgCompletedRetest =
    "Test procedure completed! Retest recommended for the following frequencies: ";
// A pulse the output broke is played again; so many in a row mean the output
// cannot play whole pulses at all, and the run ends as on a device failure.
inline constexpr int kMaxRepeatsInARow = 5;
inline constexpr const char* kMsgOutputKeepsBreaking =
    "The sound output keeps dropping sound: five pulses in a row were played with gaps.";

// The sentence added to the end-of-run message when pulses were repeated;
// empty for none.
std::string RepeatedPulsesNote(int count);
// The sentence added to "Test procedure stopped!" when the sound output
// failed during a measurement: which slot was lost and that the rest stays.
std::string LostSlotNote(int ear, int32_t hz);

// Runs one test run and blocks until it ends. Afterwards state.StopRequested
// tells whether it was stopped. An invalid "Start Level (dB HL)" ends the run
// with ConvertError after the output was released and the test window hidden.
// A failing sound device ends the run like a stop, with its own message
// first; the slots measured before it keep their results and only the slot
// it interrupted is cleared.
void RunTest(TestRunContext& ctx, const TestProperties& aliasProps, bool autoRetest);

// Evaluation at the end of a measured slot (1..12) with r >= 2 entries: writes
// threshold, spread and count, appends to retestList when the spread exceeds
// 10 dB, repaints the chart with "Show in RT".
void EvaluateSlot(TestRunContext& ctx, int ear, int slot, int r, std::string& retestList);

} // namespace tonmark
