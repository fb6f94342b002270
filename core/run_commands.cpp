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

int Retest1Click(CommandContext& ctx) {
    int cycles = 0;
    for (;;) {
        if (ctx.maxRetestCycles && cycles >= *ctx.maxRetestCycles)
            break;
        const auto plan = BuildRetestPlan(ctx.run.state.Record);
        if (!plan)
            break;
        ++cycles;
        ++ctx.retestCyclesRun;
        RunTest(ctx.run, *plan, true);
        if (ctx.run.state.StopRequested)
            break;
    }
    return cycles;
}

int NewTest1Click(CommandContext& ctx) {
    ProgramState& st = ctx.run.state;
    Dialogs& dialogs = ctx.run.dialogs;
    if (!st.CalibrationLoaded) {
        if (dialogs.AskYesNo(kMsgNeedCalibration, "Information"))
            dialogs.ShowHelpTopic(kHelpCalibration);
        return 0;
    }
    if (MessageDlgOnce(dialogs, ctx.once, kMsgInstructions, "Information", DialogType::Information,
                       kMsgNeedCalibration) == ModalResult::Yes)
        dialogs.ShowHelpTopic(kHelpSubjectInstructions);
    ClearAudiogram(st.Record);
    st.RepeatedPulses = 0;
    ctx.run.services.RepaintChart();
    RunTest(ctx.run, BuildNewTestPlan(ctx.run.settings), false);
    if (ctx.run.settings.AutoRetest && !st.StopRequested)
        return Retest1Click(ctx);
    return 0;
}

} // namespace tonmark
