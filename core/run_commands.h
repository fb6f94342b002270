#pragma once
// New Test and Retest as the menu commands run them, and the "show once"
// message dialog they use.
#include <functional>
#include <optional>
#include <string>

#include "core/audiogram.h"
#include "core/settings.h"
#include "core/threshold_run.h"

namespace tonmark {

// Persistent yes/no marks kept beside the settings ("Don't show this message
// again."). Implementations that cannot reach their store report every value
// as absent and drop writes.
class OnceValueStore {
  public:
    virtual ~OnceValueStore() = default;
    virtual bool ValueExists(const std::string& name) = 0;
    virtual void WriteTrue(const std::string& name) = 0;
};

inline constexpr const char* kMsgNeedCalibration =
    "The Audiometer must be calibrated before a test can be run. Would you like detailed "
    "information on how to do this?";
inline constexpr const char* kMsgInstructions =
    "WOuld you like to see instructions for the test subject?";
inline constexpr int kHelpCalibration = 11;
inline constexpr int kHelpSubjectInstructions = 14;

// Shows a message dialog with "Don't show this message again." unless valueName
// exists in the store; returns its result, or None when it was not shown.
ModalResult MessageDlgOnce(Dialogs& dialogs, OnceValueStore& store, const std::string& msg,
                           const std::string& title, DialogType type, const std::string& valueName);

// Both ear rows alike from the frequency, "Trial Run" and "Retest @ 1kHz" settings.
TestProperties BuildNewTestPlan(const Settings& settings);

// Every slot of either ear with count > 0 and spread > 10 dB, or nothing when
// no slot qualifies. The right ear's slot 12 is never planned: the procedure
// does not measure it, so planning it would repeat for ever.
std::optional<TestProperties> BuildRetestPlan(const PatientFile& record);

// One run of a command: its plan and whether it is a retest cycle.
struct RunRequest {
    TestProperties plan;
    bool autoRetest = false;
};

// New Test or Retest from its first question to its last run, one run at a
// time, so that each driver makes the runs in its own way: at once
// (RunCommand) or from the windows' event loop.
class TestCommand {
  public:
    enum class Kind { NewTest, Retest };
    // maxRetestCycles: retest runs to make at most; nullopt = until nothing
    // is flagged or the user stops (the menu command).
    explicit TestCommand(Kind kind, std::optional<int> maxRetestCycles = std::nullopt)
        : kind_(kind), maxCycles_(maxRetestCycles) {}

    // New Test's calibration check, its instructions question (modal boxes)
    // and the clearing of the record, then the first run; nothing when the
    // command ends before a run.
    std::optional<RunRequest> Begin(ProgramState& state, const Settings& settings, Dialogs& dialogs,
                                    OnceValueStore& once,
                                    const std::function<void()>& repaintChart);
    // The run to make after the one that just ended; nothing when the
    // command is over.
    std::optional<RunRequest> AfterRun(const ProgramState& state, const Settings& settings);
    // Retest runs asked for so far.
    int RetestCycles() const { return cycles_; }

  private:
    std::optional<RunRequest> NextRetest(const ProgramState& state);
    Kind kind_;
    std::optional<int> maxCycles_;
    int cycles_ = 0;
};

struct CommandContext {
    TestRunContext& run;
    OnceValueStore& once;
    // Retest cycles to run at most; nullopt = until nothing is flagged or the
    // user stops (the menu command).
    std::optional<int> maxRetestCycles;
    // Retest runs made so far, counted also when a run ends with an error.
    int retestCyclesRun = 0;
};

// Makes every run of the command at once; returns the retest runs made.
int RunCommand(CommandContext& ctx, TestCommand& command);
// Returns the number of retest runs made.
int Retest1Click(CommandContext& ctx);
// New Test, followed by the retest cycles when "AutoRetest" is set. Returns the
// number of retest runs made.
int NewTest1Click(CommandContext& ctx);

} // namespace tonmark
