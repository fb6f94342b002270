// The threshold run as a step machine: what it asks for next, given the
// answer to the step before.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "core/errors.h"
#include "core/threshold_run.h"

namespace tonmark::test {
namespace {

using K = RunStepKind;

class Steps : public ::testing::Test {
  protected:
    Steps() {
        state.CalibrationLoaded = true;
        settings.WaveOutDevice = 3;
        plan.RunThisFreq[0][5] = true; // 1000 Hz, left ear only
    }

    // Starts the run and answers every step plainly up to the first
    // AwaitPulse; returns the kinds of the steps handed out.
    std::vector<K> UpToFirstPulse() {
        run = std::make_unique<ThresholdRun>(state, settings, plan, false, corrections);
        std::vector<K> kinds;
        for (const RunStep* s = &run->Start(); s->kind != K::Finished; s = &run->Advance()) {
            kinds.push_back(s->kind);
            if (s->kind == K::AwaitPulse)
                break;
        }
        return kinds;
    }
    // Answers the step that is due and returns the kinds up to the next
    // AwaitPulse or the end, answering them plainly.
    std::vector<K> AnswerThenRun(const StepAnswer& a) {
        std::vector<K> kinds;
        for (const RunStep* s = &run->Advance(a); s->kind != K::Finished; s = &run->Advance()) {
            kinds.push_back(s->kind);
            if (s->kind == K::PlayPulse)
                pulses.push_back(s->pulse);
            if (s->kind == K::ShowMessage)
                messages.push_back(s->text);
            if (s->kind == K::AwaitPulse)
                break;
        }
        return kinds;
    }
    static StepAnswer Pulse(bool heard, bool damaged = false) {
        StepAnswer a;
        a.pulse.heard = heard;
        a.pulse.damaged = damaged;
        return a;
    }

    ProgramState state;
    Settings settings;
    TestProperties plan;
    LevelCorrections corrections{};
    std::unique_ptr<ThresholdRun> run;
    std::vector<PulseRequest> pulses;
    std::vector<std::string> messages;
};

TEST_F(Steps, ARunBeginsWithItsPromptsAndItsFirstPulse) {
    corrections[0][5] = 12.5;
    const std::vector<K> kinds = UpToFirstPulse();
    EXPECT_EQ(kinds, (std::vector<K>{K::BeginRun, K::ShowMessage, K::WaitForRelease,
                                     K::SetNextCaption, K::OpenOutput, K::ShowWindow, K::ShowWindow,
                                     K::ShowWindow, K::ShowWindow, K::ShowWindow, K::ShowWindow,
                                     K::SetCaption, K::BeginSlotTrace, K::ApplySlotLevels,
                                     K::PlayPulse, K::DrawTrace, K::AwaitPulse}));
}

TEST_F(Steps, PulsesCarryTheLevelTheCorrectionAndTheRunsOwnTimes) {
    corrections[0][5] = 12.5;
    settings.PulseDuration.SetText("0.5");
    UpToFirstPulse();
    // A change of the settings during the run reaches neither the sound nor
    // the time budget.
    settings.PulseDuration.SetText("3");
    settings.PauseDuration.SetText("3");
    settings.LevelStep.SetText("10");
    AnswerThenRun(Pulse(false));
    ASSERT_EQ(pulses.size(), 1u);
    const PulseRequest& p = pulses[0];
    EXPECT_EQ(p.hz, 1000);
    EXPECT_DOUBLE_EQ(p.level, -64); // two steps of 3 dB above 0 dB HL
    EXPECT_DOUBLE_EQ(p.amplitude, -64 - 12.5);
    EXPECT_DOUBLE_EQ(p.beepTime, 0.5);
    EXPECT_DOUBLE_EQ(p.pauseTime, 1);
    EXPECT_EQ(p.leftChannelOn, 1);
    EXPECT_EQ(p.rightChannelOn, 0);
    EXPECT_FALSE(p.repeat);
    EXPECT_DOUBLE_EQ(run->Record().period, 1.5);
}

TEST_F(Steps, TheFamiliarisationAndTheRepeatTakeTheCorrectionOfTheirFrequency) {
    plan.RunThisFreq[0][0] = true; // familiarisation at the first planned slot, 5
    corrections[0][5] = 7;
    corrections[0][0] = 99; // the working slot's own value is not used
    UpToFirstPulse();
    AnswerThenRun(Pulse(false));
    ASSERT_EQ(pulses.size(), 1u);
    EXPECT_EQ(pulses[0].slot, 0);
    EXPECT_DOUBLE_EQ(pulses[0].amplitude, pulses[0].level - 7);
}

// One answer to the first pulse, and what the run asks for next.
TEST_F(Steps, TheAnswerToAPulseDecidesTheNextStep) {
    const struct {
        const char* what;
        StepAnswer answer;
        bool stop;
        std::vector<K> next;
        double nextLevel; // of the next pulse, when there is one
        bool repeat;
    } cases[] = {
        {"not heard: up again",
         Pulse(false),
         false,
         {K::PlayPulse, K::DrawTrace, K::AwaitPulse},
         -64,
         false},
        {"heard: a turn, down",
         Pulse(true),
         false,
         {K::PlayPulse, K::DrawTrace, K::AwaitPulse},
         -70,
         false},
        {"damaged: the same pulse again, no trace",
         Pulse(true, true),
         false,
         {K::PlayPulse, K::AwaitPulse},
         -67,
         true},
        {"stopped",
         Pulse(false),
         true,
         {K::CloseOutput, K::ShowMessage, K::RepaintChart, K::EndRun},
         0,
         false},
        {"output failed",
         StepAnswer::Failed("The device went away."),
         false,
         {K::CloseOutput, K::ShowMessage, K::ShowMessage, K::RepaintChart, K::EndRun},
         0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        state = ProgramState();
        state.CalibrationLoaded = true;
        pulses.clear();
        messages.clear();
        UpToFirstPulse();
        state.StopRequested = c.stop;
        EXPECT_EQ(AnswerThenRun(c.answer), c.next);
        if (!pulses.empty()) {
            EXPECT_DOUBLE_EQ(pulses[0].level, c.nextLevel);
            EXPECT_EQ(pulses[0].repeat, c.repeat);
        }
        if (c.stop) {
            EXPECT_EQ(messages, std::vector<std::string>{kMsgStopped});
        }
        if (!c.answer.failure.empty()) {
            ASSERT_EQ(messages.size(), 2u);
            EXPECT_EQ(messages[0], "The device went away.");
            EXPECT_EQ(messages[1].rfind(kMsgStopped, 0), 0u) << messages[1];
        }
    }
}

TEST_F(Steps, FiveRepeatsInARowAndTheSixthBreakageEndsTheRun) {
    UpToFirstPulse();
    for (int i = 0; i < kMaxRepeatsInARow; ++i)
        EXPECT_EQ(AnswerThenRun(Pulse(false, true)), (std::vector<K>{K::PlayPulse, K::AwaitPulse}))
            << i;
    EXPECT_EQ(AnswerThenRun(Pulse(false, true)),
              (std::vector<K>{K::CloseOutput, K::ShowMessage, K::ShowMessage, K::RepaintChart,
                              K::EndRun}));
    EXPECT_EQ(messages.front(), kMsgOutputKeepsBreaking);
    EXPECT_EQ(state.RepeatedPulses, kMaxRepeatsInARow);
    EXPECT_EQ(run->Current().kind, K::Finished);
}

TEST_F(Steps, AStepThatCannotBeCarriedOutEndsTheRunAfterReleasingTheOutput) {
    UpToFirstPulse();
    StepAnswer broken;
    broken.error = std::make_exception_ptr(std::runtime_error("no more"));
    const RunStep& close = run->Advance(broken);
    EXPECT_EQ(close.kind, K::CloseOutput);
    EXPECT_EQ(run->Advance().kind, K::EndRun);
    EXPECT_THROW(run->Advance(), std::runtime_error);
    EXPECT_EQ(run->Current().kind, K::Finished);
    EXPECT_EQ(run->Advance().kind, K::Finished) << "a finished run stays finished";
}

TEST_F(Steps, ACompletedRunStampsTheTimeItIsGiven) {
    UpToFirstPulse();
    // A subject who hears from 10 dB HL: turns at 12, 9, 12, 9, 12, 9.
    const RunStep* s = &run->Current();
    while (s->kind != K::StampDate) {
        ASSERT_NE(s->kind, K::Finished);
        if (s->kind == K::AwaitPulse)
            s = &run->Advance(Pulse(state.Run.TestLevel + 70 >= 10));
        else
            s = &run->Advance();
    }
    StepAnswer now;
    now.now = {2024, 7, 9, 14, 3, 0};
    EXPECT_EQ(run->Advance(now).kind, K::EndRun);
    EXPECT_EQ(state.Record.TestDateStamp, "09-07-2024");
    EXPECT_EQ(state.Record.TestTimeStamp, "14h3");
    EXPECT_TRUE(state.AudiogramValid);
}

TEST_F(Steps, CancelAfterAStoppedFamiliarisationEndsSilently) {
    plan.RunThisFreq[0][0] = true;
    UpToFirstPulse();
    state.StopRequested = true; // Next during the familiarisation
    const RunStep& confirm = run->Advance(Pulse(false));
    ASSERT_EQ(confirm.kind, K::ConfirmOkCancel);
    EXPECT_EQ(confirm.text, kPromptMeasurements);
    StepAnswer cancel;
    cancel.ok = false;
    EXPECT_EQ(AnswerThenRun(cancel), (std::vector<K>{K::CloseOutput, K::EndRun}));
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace tonmark::test
