#pragma once
// New Test and Retest as the menu commands run them, and the "show once"
// message dialog they use.
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

struct CommandContext {
    TestRunContext& run;
    OnceValueStore& once;
    // Retest cycles to run at most; nullopt = until nothing is flagged or the
    // user stops (the menu command).
    std::optional<int> maxRetestCycles;
    // Retest runs made so far, counted also when a run ends with an error.
    int retestCyclesRun = 0;
};

// Returns the number of retest runs made.
int Retest1Click(CommandContext& ctx);
// New Test, followed by the retest cycles when "AutoRetest" is set. Returns the
// number of retest runs made.
int NewTest1Click(CommandContext& ctx);

} // namespace tonmark
