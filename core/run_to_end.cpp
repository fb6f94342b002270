// RunTest: the threshold run driven to its end through services whose every
// call returns at once.
#include <exception>

#include "core/errors.h"
#include "core/threshold_run.h"

namespace tonmark {

StepAnswer CarryOut(TestRunContext& ctx, const RunStep& step) {
    TestRunServices& sv = ctx.services;
    StepAnswer a;
    try {
        switch (step.kind) {
        case RunStepKind::BeginRun:
            sv.BeginTestRun();
            break;
        case RunStepKind::ShowMessage:
            ctx.dialogs.ShowMessage(step.text);
            break;
        case RunStepKind::ConfirmOkCancel:
            a.ok = ctx.dialogs.ConfirmOkCancel(step.text);
            break;
        case RunStepKind::WaitForRelease:
            sv.WaitForRelease();
            break;
        case RunStepKind::SetNextCaption:
            sv.SetNextCaption(step.text);
            break;
        case RunStepKind::OpenOutput:
            sv.OpenTestOutput(step.k);
            break;
        case RunStepKind::ShowWindow:
            sv.ShowTestWindow();
            break;
        case RunStepKind::SetCaption:
            sv.SetTestCaption(step.text);
            break;
        case RunStepKind::BeginSlotTrace:
            sv.BeginSlotTrace(step.ear, step.level);
            break;
        case RunStepKind::ApplySlotLevels:
            sv.ApplySlotLevels(step.ear, step.slot);
            break;
        case RunStepKind::PlayPulse:
            sv.PlayPulse(step.ear, step.slot, step.level);
            break;
        case RunStepKind::DrawTrace:
            sv.DrawTraceSegment(step.n);
            break;
        case RunStepKind::AwaitPulse:
            a.pulse = sv.AwaitPulse();
            break;
        case RunStepKind::RepaintChart:
            sv.RepaintChart();
            break;
        case RunStepKind::StampDate:
            a.now = ctx.clock.Now();
            break;
        case RunStepKind::CloseOutput:
            sv.CloseTestOutput();
            break;
        case RunStepKind::EndRun:
            sv.EndTestRun();
            break;
        case RunStepKind::Finished:
            break;
        }
    } catch (const SoundOutputError& e) {
        a.failure = e.what();
    } catch (...) {
        a.error = std::current_exception();
    }
    return a;
}

void RunTest(TestRunContext& ctx, const TestProperties& aliasProps, bool autoRetest) {
    ThresholdRun run(ctx.state, ctx.settings, aliasProps, autoRetest);
    for (const RunStep* step = &run.Start(); step->kind != RunStepKind::Finished;)
        step = &run.Advance(CarryOut(ctx, *step));
}

} // namespace tonmark
