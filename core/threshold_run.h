#pragma once
// The adaptive test procedure: for each ear and each planned slot, pulses whose
// level follows an up-down staircase driven by the response button; the levels
// at which the staircase turns are recorded and evaluated into a threshold.
//
// ThresholdRun is the procedure as a step machine: it hands out what to do
// next (play this pulse, show this prompt, draw this trace point, ...) and
// goes on with the answer; it never waits, sleeps or processes messages.
// The windows drive it from their event loop (ui/run_driver_qt.h); RunTest
// drives it to its end through TestRunServices whose every call returns at
// once (the simulation, the tests, the benchmarks).
//
// Threading: one thread, the driver's. Ownership: a ThresholdRun refers to
// the ProgramState and Settings it was made with; both must outlive it.
#include <memory>
#include <string>

#include "core/audiogram.h"
#include "core/program_state.h"
#include "core/run_services.h"
#include "core/run_steps.h"
#include "core/settings.h"

namespace tonmark {

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

// What one run uses of the settings and the calibration, read once at its
// start: the same pulse and pause make the time budget and the sound.
// "Start Level (dB HL)" is converted where the level is set (at the start and
// after a level beyond the range) and "First Ear" at each ear pass.
struct RunRecord {
    double beepTime = 0;    // "Pulse Duration(s)", s
    double pauseTime = 0;   // "Pause Duration(s)", s
    double testTime = 0;    // "Max. Test time(s)", s
    double period = 0;      // beepTime + pauseTime, s
    double step = 0;        // "Level Steps (dB)", dB
    int minRev = 0;         // "Min. Reversals", at most 20
    int32_t traceStep = 0;  // graph units per pulse
    int firstUsedEntry = 1; // 2 with "Reject 1st Reversal"
    bool showInRealTime = true;
    bool autoRetest = false;
    bool joystick = false; // the response source
    int32_t waveOutDevice = -1;
    LevelCorrections levelCorrection{}; // dB, as the calibration holds them
};
RunRecord ReadRunRecord(const Settings& settings, const LevelCorrections& corrections);

class ThresholdRun {
  public:
    ThresholdRun(ProgramState& state, const Settings& settings, const TestProperties& plan,
                 bool autoRetest, const LevelCorrections& corrections = {});
    ~ThresholdRun();
    ThresholdRun(const ThresholdRun&) = delete;
    ThresholdRun& operator=(const ThresholdRun&) = delete;

    // The first step.
    const RunStep& Start();
    // The next step, given the answer to the one just carried out. An invalid
    // "Start Level (dB HL)" comes out of here as ConvertError, after the
    // steps that release the output and end the display. After Finished it
    // stays Finished.
    const RunStep& Advance(const StepAnswer& answer = {});
    const RunStep& Current() const;
    const RunRecord& Record() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The silent world of a run that is driven to its end at once.
struct TestRunContext {
    ProgramState& state;
    const Settings& settings;
    TestRunServices& services;
    Dialogs& dialogs;
    Clock& clock;
};

// Carries out one step through the context's services, dialogs and clock;
// a SoundOutputError of a service becomes the answer's failure.
StepAnswer CarryOut(TestRunContext& ctx, const RunStep& step);

// Runs one test run to its end. Afterwards state.StopRequested tells whether
// it was stopped. An invalid "Start Level (dB HL)" ends the run with
// ConvertError after the output was released and the test window hidden.
// A failing sound device ends the run like a stop, with its own message
// first; the slots measured before it keep their results and only the slot
// it interrupted is cleared.
void RunTest(TestRunContext& ctx, const TestProperties& aliasProps, bool autoRetest);

// Evaluation at the end of a measured slot (1..12) with r >= 2 entries: writes
// threshold, spread and count, appends to retestList when the spread exceeds
// 10 dB. Returns whether the chart is to be repainted ("Show in RT").
bool EvaluateSlotRecord(ProgramState& state, const RunRecord& record, int ear, int slot, int r,
                        std::string& retestList);
// The same, repainting through the context's services.
void EvaluateSlot(TestRunContext& ctx, int ear, int slot, int r, std::string& retestList);

} // namespace tonmark
