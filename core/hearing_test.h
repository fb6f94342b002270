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

// Runs one test run and blocks until it ends. Afterwards state.StopRequested
// tells whether it was stopped. An invalid "Start Level (dB HL)" ends the run
// with ConvertError after the output was released and the test window hidden.
// A failing sound device ends the run like a stop, with its own message first.
void RunTest(TestRunContext& ctx, const TestProperties& aliasProps, bool autoRetest);

// Evaluation at the end of a measured slot (1..12) with r >= 2 entries: writes
// threshold, spread and count, appends to retestList when the spread exceeds
// 10 dB, repaints the chart with "Show in RT".
void EvaluateSlot(TestRunContext& ctx, int ear, int slot, int r, std::string& retestList);

} // namespace tonmark
