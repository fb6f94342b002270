#include "core/run_commands.h"

namespace tonmark {

ModalResult MessageDlgOnce(Dialogs& dialogs, OnceValueStore& store, const std::string& msg,
                           const std::string& title, DialogType type,
                           const std::string& valueName) {
    if (store.ValueExists(valueName))
        return ModalResult::None;
    bool dontShow = false;
    const ModalResult result = dialogs.AskWithDontShowAgain(msg, title, type, dontShow);
    if (dontShow)
        store.WriteTrue(valueName);
    return result;
}

TestProperties BuildNewTestPlan(const Settings& settings) {
    TestProperties plan;
    for (int ear = 0; ear < kEars; ++ear) {
        plan.RunThisFreq[ear][0] = settings.TrialRun;
        for (int slot = 1; slot <= 11; ++slot)
            plan.RunThisFreq[ear][slot] = settings.TestFrequency[slot - 1];
        plan.RunThisFreq[ear][12] = settings.RetestAt1kHz;
    }
    plan.Retest = false;
    return plan;
}

std::optional<TestProperties> BuildRetestPlan(const PatientFile& record) {
    TestProperties plan;
    plan.Retest = true;
    bool any = false;
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot <= 12; ++slot) {
            if (ear == 1 && slot == 12)
                continue;
            if (record.Count(ear, slot) > 0 && record.Spread(ear, slot) > kRetestSpread) {
                plan.RunThisFreq[ear][slot] = true;
                any = true;
            }
        }
    if (!any)
        return std::nullopt;
    return plan;
}

std::optional<RunRequest> TestCommand::NextRetest(const ProgramState& state) {
    if (maxCycles_ && cycles_ >= *maxCycles_)
        return std::nullopt;
    auto plan = BuildRetestPlan(state.Record);
    if (!plan)
        return std::nullopt;
    ++cycles_;
    return RunRequest{*plan, true};
}

std::optional<RunRequest> TestCommand::Begin(ProgramState& st, const Settings& settings,
                                             Dialogs& dialogs, OnceValueStore& once,
                                             const std::function<void()>& repaintChart) {
    if (kind_ == Kind::Retest)
        return NextRetest(st);
    if (!st.CalibrationLoaded) {
        if (dialogs.AskYesNo(kMsgNeedCalibration, "Information"))
            dialogs.ShowHelpTopic(kHelpCalibration);
        return std::nullopt;
    }
    if (MessageDlgOnce(dialogs, once, kMsgInstructions, "Information", DialogType::Information,
                       kMsgNeedCalibration) == ModalResult::Yes)
        dialogs.ShowHelpTopicAndWait(kHelpSubjectInstructions); // read before the run starts
    ClearAudiogram(st.Record);
    st.RepeatedPulses = 0;
    if (repaintChart)
        repaintChart();
    return RunRequest{BuildNewTestPlan(settings), false};
}

std::optional<RunRequest> TestCommand::AfterRun(const ProgramState& st, const Settings& settings) {
    // After New Test's own run the retest cycles follow only with
    // "AutoRetest"; after a retest run, until one is stopped.
    if (kind_ == Kind::NewTest && cycles_ == 0 && !settings.AutoRetest)
        return std::nullopt;
    if (st.StopRequested)
        return std::nullopt;
    return NextRetest(st);
}

int RunCommand(CommandContext& ctx, TestCommand& command) {
    TestRunContext& run = ctx.run;
    std::optional<RunRequest> next = command.Begin(run.state, run.settings, run.dialogs, ctx.once,
                                                   [&run] { run.services.RepaintChart(); });
    int counted = 0;
    while (next) {
        ctx.retestCyclesRun += command.RetestCycles() - counted;
        counted = command.RetestCycles();
        RunTest(run, next->plan, next->autoRetest);
        next = command.AfterRun(run.state, run.settings);
    }
    return command.RetestCycles();
}

int Retest1Click(CommandContext& ctx) {
    TestCommand command(TestCommand::Kind::Retest, ctx.maxRetestCycles);
    return RunCommand(ctx, command);
}

int NewTest1Click(CommandContext& ctx) {
    TestCommand command(TestCommand::Kind::NewTest, ctx.maxRetestCycles);
    return RunCommand(ctx, command);
}

} // namespace tonmark
