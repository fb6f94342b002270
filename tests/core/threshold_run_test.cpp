#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "fixture.h"
#include "support/same_measurements.h"

namespace tonmark::test {
namespace {

using Proc = RunFixture;

TEST_F(Proc, SubjectWhoNeverRespondsLeavesSlotsUnmeasured) {
    ClearAudiogram(state.Record);
    services.subject = nullptr;
    Run(Plan({5, 7}));
    EXPECT_EQ(state.Run.TraceStep, 20);
    // 1000 Hz: 3, 6, ... 45 dB HL, the budget ends at the 15th pulse.
    EXPECT_EQ(Row(0, 5)[1], 45);
    // 2000 Hz goes on rising from 45 until 72 is beyond the range.
    EXPECT_EQ(Row(0, 7)[1], 72);
    EXPECT_EQ(Row(1, 5)[1], 45);
    EXPECT_EQ(Row(1, 7)[1], 72);
    EXPECT_EQ(services.pulses(), 15 + 9 + 15 + 9);
    for (int ear = 0; ear < 2; ++ear)
        for (int slot : {5, 7}) {
            EXPECT_EQ(Row(ear, slot)[0], 0);
            EXPECT_EQ(Thr(ear, slot), NotMeasured);
        }
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kPromptMeasurements, kMsgCompleted}));
    EXPECT_TRUE(state.AudiogramValid);
}

TEST_F(Proc, BeyondTheRangeReturnsToTheStartLevel) {
    settings.StartLevel.SetText("40");
    settings.LevelStep.SetText("5");
    std::vector<double> levels;
    services.subject = [&](const PulseInfo& p) {
        levels.push_back(p.levelHL);
        return false;
    };
    Run(Plan({5, 7}, false));
    const std::vector<double> slot = {45, 50, 55, 60, 65, 70, 75};
    std::vector<double> expected = slot;
    expected.insert(expected.end(), slot.begin(), slot.end());
    EXPECT_EQ(levels, expected);
    EXPECT_EQ(Row(0, 5)[1], 75);
    EXPECT_EQ(Row(0, 7)[1], 75);
    EXPECT_DOUBLE_EQ(state.Run.TestLevel, 40 - 70);
}

TEST_F(Proc, ThresholdSubjectGivesTheMeanOfTheTurns) {
    ClearAudiogram(state.Record);
    HearAtOrAbove(20);
    Run(Plan({5}));
    const std::vector<int32_t> entries = {21, 18, 21, 18, 21, 18};
    for (int ear = 0; ear < 2; ++ear) {
        EXPECT_EQ(Row(ear, 5)[0], 6);
        EXPECT_EQ(std::vector<int32_t>(Row(ear, 5) + 1, Row(ear, 5) + 7), entries);
        EXPECT_EQ(Row(ear, 5)[21], 0);
        EXPECT_EQ(Thr(ear, 5), 19); // 18, 21, 18, 21, 18: 19.2
    }
    // The right ear starts rising from where the left ear ended (18 dB HL).
    EXPECT_EQ(services.pulses(), 12 + 6);
}

TEST_F(Proc, WithoutRejectingTheFirstEntryHalvesRoundToEven) {
    settings.RejectFirstReversal = false;
    HearAtOrAbove(20);
    Run(Plan({5}, false));
    EXPECT_EQ(Thr(0, 5), 20); // 19.5
}

TEST_F(Proc, TimeRunningOutWhileFallingRecordsAnEvenEntry) {
    HearAtOrAbove(-1000);
    Run(Plan({5}, false));
    EXPECT_EQ(Row(0, 5)[0], 2);
    EXPECT_EQ(Row(0, 5)[1], 3);
    EXPECT_EQ(Row(0, 5)[2], 3 - 14 * 3);
    EXPECT_EQ(Thr(0, 5), -39); // entry 2 alone is used
    EXPECT_EQ(services.pulses(), 15);
}

TEST_F(Proc, OutOfRangePulseAfterResponsesEntersTheMean) {
    settings.StartLevel.SetText("60");
    settings.LevelStep.SetText("5");
    ScriptAt(0, 1000, {1});
    Run(Plan({5}, false));
    EXPECT_EQ(Row(0, 5)[0], 3);
    EXPECT_EQ(Row(0, 5)[1], 65);
    EXPECT_EQ(Row(0, 5)[2], 60);
    EXPECT_EQ(Row(0, 5)[3], 75);
    EXPECT_EQ(Thr(0, 5), 68); // 60 and 75: 67.5
    EXPECT_EQ(Row(0, 5)[21], 0);
}

TEST_F(Proc, RightEarFirstPutsFamiliarisationAndRepeatIntoTheLeftPass) {
    settings.LeftEarFirst = false;
    HearAtOrAbove(20);
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.slot == 0 && p.indexInSlot == 4)
            state.StopRequested = true;
    };
    TestProperties plan;
    for (int ear = 0; ear < 2; ++ear)
        for (int s = 0; s < 13; ++s)
            plan.RunThisFreq[ear][s] = true;
    Run(plan);
    const int hz[] = {125, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000};
    std::vector<std::string> expected;
    for (int f : hz)
        expected.push_back("Audiogram - Testing right Ear at " + std::to_string(f) + " Hz ");
    expected.push_back("Audiogram - Familiarization left Ear at 125 Hz ");
    for (int f : hz)
        expected.push_back("Audiogram - Testing left Ear at " + std::to_string(f) + " Hz ");
    expected.push_back("Audiogram - Retest at 1000 Hz ");
    EXPECT_EQ(Captions(), expected);
    EXPECT_EQ(state.SlotFrequency[0], 125);
    EXPECT_NE(std::find(services.log().begin(), services.log().end(), "OpenTestOutput 1"),
              services.log().end());
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kPromptFamiliarisation,
                                                          kPromptMeasurements, kMsgCompleted}));
    EXPECT_EQ(Row(0, 12)[0], 6);
    EXPECT_EQ(Row(1, 12)[0], 0) << "the right ear has no repeat";
}

TEST_F(Proc, FamiliarisationWrapsItsTraceAndStoresNothing) {
    HearAtOrAbove(20);
    int maxCount = 0, famPulses = 0;
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.slot != 0)
            return;
        ++famPulses;
        maxCount = std::max(maxCount, state.Run.PulseCount);
        if (p.indexInSlot == 40)
            state.StopRequested = true;
    };
    TestProperties plan = Plan({0, 7, 9}, false);
    Run(plan);
    EXPECT_EQ(famPulses, 40);
    EXPECT_EQ(maxCount, 14) << "the count restarts when the trace reaches 300 units";
    EXPECT_EQ(state.SlotFrequency[0], 2000);
    EXPECT_EQ(services.nextCaption, "Cancel");
    for (int slot = 1; slot <= 12; ++slot)
        if (slot != 7 && slot != 9) {
            EXPECT_EQ(Row(0, slot)[1], 0) << slot;
        }
    EXPECT_EQ(Row(0, 7)[0], 6);
}

TEST_F(Proc, StopDuringANewTestClearsEveryPlannedSlot) {
    ClearAudiogram(state.Record);
    state.AudiogramValid = true;
    state.Record.Reverse[1][8][0] = 4; // 4000 Hz right, not planned
    state.Record.Threshold[1][8] = 33;
    HearAtOrAbove(20);
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.totalIndex == 20)
            state.StopRequested = true;
    };
    Run(Plan({5, 7}));
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kPromptMeasurements, kMsgStopped}));
    EXPECT_FALSE(state.AudiogramValid);
    for (int ear = 0; ear < 2; ++ear)
        for (int slot : {5, 7}) {
            EXPECT_EQ(Row(ear, slot)[0], 0);
            EXPECT_EQ(Thr(ear, slot), NotMeasured);
        }
    EXPECT_EQ(Thr(1, 9), 33);
    EXPECT_GE(services.repaints, 1);
    EXPECT_TRUE(state.Record.TestDateStamp.empty());
    EXPECT_EQ(services.closeCalls, 1);
    EXPECT_EQ(services.endCalls, 1);
}

TEST_F(Proc, StopDuringARetestClearsOnlyTheInterruptedSlot) {
    state.AudiogramValid = true;
    for (int slot : {5, 7, 9}) {
        state.Record.Reverse[0][slot - 1][0] = 6;
        state.Record.Threshold[0][slot - 1] = 50;
    }
    HearAtOrAbove(20);
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.slot == 7 && p.indexInSlot == 2)
            state.StopRequested = true;
    };
    TestProperties plan = Plan({5, 7}, false);
    plan.Retest = true;
    Run(plan, true);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kMsgStopped}) << "no start prompt";
    EXPECT_EQ(Thr(0, 5), 19);
    EXPECT_EQ(Row(0, 7)[0], 0);
    EXPECT_EQ(Thr(0, 7), NotMeasured);
    EXPECT_EQ(Thr(0, 9), 50);
    EXPECT_TRUE(state.AudiogramValid);
}

TEST_F(Proc, StopInTheFamiliarisationThenCancelEndsSilently) {
    ClearAudiogram(state.Record);
    state.AudiogramValid = true;
    dialogs.okCancelAnswer = false;
    HearAtOrAbove(20);
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.slot == 0 && p.indexInSlot == 3)
            state.StopRequested = true;
    };
    const PatientFile before = state.Record;
    Run(Plan({0, 5}));
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{kPromptFamiliarisation, kPromptMeasurements}));
    EXPECT_TRUE(state.AudiogramValid);
    EXPECT_EQ(0, std::memcmp(before.Reverse, state.Record.Reverse, sizeof before.Reverse));
    EXPECT_EQ(services.pulses(), 3);
    EXPECT_EQ(services.endCalls, 1);
}

TEST_F(Proc, CompletionListsSlotsToRetestInOrder) {
    // Answers that make the lower turning points 15 dB apart.
    const std::set<int> erratic = {4, 5, 12, 14};
    services.subject = [&](const PulseInfo& p) {
        if ((p.ear == 0 && p.hz == 4000) || (p.ear == 1 && p.hz == 8000))
            return erratic.count(p.indexInSlot) > 0;
        return p.levelHL >= 20;
    };
    Run(Plan({9, 11}));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1], std::string(kMsgCompletedRetest) + "4000Hz(L); 8000Hz(R); ");
    EXPECT_EQ(Row(0, 9)[21], 15);
    EXPECT_EQ(Row(1, 11)[21], 15);
    EXPECT_EQ(Row(1, 9)[21], 0);
}

TEST_F(Proc, AutoRetestSuppressesTheListButNotTheCompletion) {
    settings.AutoRetest = true;
    ScriptAt(0, 4000, {4, 5, 12, 14});
    Run(Plan({9}, false));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kPromptMeasurements});
    EXPECT_TRUE(state.AudiogramValid);
}

TEST_F(Proc, CompletedRunStampsDateAndTime) {
    HearAtOrAbove(20);
    Run(Plan({5}, false));
    EXPECT_EQ(state.Record.TestDateStamp, "05-03-2012");
    EXPECT_EQ(state.Record.TestTimeStamp, "9h5");
}

TEST_F(Proc, RightRowFamiliarisationAndRepeatFlagsHaveNoEffect) {
    TestProperties plan;
    plan.RunThisFreq[1][0] = true;
    plan.RunThisFreq[1][12] = true;
    HearAtOrAbove(20);
    Run(plan);
    EXPECT_EQ(services.pulses(), 0);
    EXPECT_TRUE(Captions().empty());
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kPromptMeasurements, kMsgCompleted}));
}

TEST_F(Proc, InvalidStartLevelEndsTheRunAndReleasesEverything) {
    settings.StartLevel.SetText("abc");
    EXPECT_THROW(Run(Plan({5})), ConvertError);
    EXPECT_EQ(services.openCalls, 1);
    EXPECT_EQ(services.closeCalls, 1);
    EXPECT_EQ(services.endCalls, 1);
    EXPECT_EQ(services.pulses(), 0);
}

TEST_F(Proc, StartLevelIsReadAgainAfterAnOutOfRangePulse) {
    services.duringPulse = [&](const PulseInfo& p) {
        if (p.totalIndex == 3)
            settings.StartLevel.SetText("x");
    };
    try {
        Run(Plan({5}));
        FAIL() << "expected the conversion error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
    }
    EXPECT_EQ(services.closeCalls, 1);
    EXPECT_EQ(services.endCalls, 1);
}

TEST_F(Proc, FailingOutputEndsTheRunAndKeepsWhatWasMeasured) {
    // Plan: 500 and 1000 Hz on both ears, a subject with a 20 dB threshold.
    // Where the second slot (1000 Hz left) begins, from a run that fails not.
    long second = 0;
    {
        ProgramState st;
        SilentServices s(st);
        s.duringPulse = [&](const PulseInfo& p) {
            if (!second && p.slot == 5)
                second = p.totalIndex;
        };
        RecordingDialogs d;
        TestRunContext run{st, settings, s, d, clock};
        RunTest(run, Plan({3, 5}), false);
    }
    ASSERT_GT(second, 2);
    const struct {
        long failAt;
        size_t messages;
        bool valid;
        std::set<std::pair<int, int>> kept; // (ear, slot) with results
        std::string lost;                   // the note, empty when none
    } cases[] = {
        {-1, 3, false, {}, ""}, // the device never opened
        {2, 3, false, {}, LostSlotNote(0, 500)},
        {second + 1, 3, true, {{0, 3}}, LostSlotNote(0, 1000)},
        {0, 2, true, {{0, 3}, {0, 5}, {1, 3}, {1, 5}}, ""}, // no failure
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("fail at pulse " + std::to_string(c.failAt));
        ProgramState st;
        st.CalibrationLoaded = true;
        RecordingDialogs d;
        SilentServices s(st);
        s.failAtPulse = c.failAt;
        s.subject = [](const PulseInfo& p) { return p.levelHL >= 20; };
        TestRunContext run{st, settings, s, d, clock};
        RunTest(run, Plan({3, 5}), false);
        ASSERT_EQ(d.messages.size(), c.messages);
        if (c.failAt != 0) {
            EXPECT_NE(d.messages[1].find("sound output device"), std::string::npos);
            EXPECT_EQ(d.messages[2], c.lost.empty() ? std::string(kMsgStopped)
                                                    : std::string(kMsgStopped) + " " + c.lost);
            EXPECT_TRUE(st.StopRequested) << "no automatic retest follows";
        }
        EXPECT_EQ(st.AudiogramValid, c.valid);
        for (int ear = 0; ear < 2; ++ear)
            for (int slot : {3, 5}) {
                const bool kept = c.kept.count({ear, slot}) > 0;
                EXPECT_EQ(st.Record.Count(ear, slot) > 0, kept) << ear << " " << slot;
                EXPECT_EQ(st.Record.Threshold[ear][slot - 1] != NotMeasured, kept);
            }
        EXPECT_EQ(st.Record.TestDateStamp.empty(), !c.valid);
        EXPECT_EQ(s.closeCalls, 1);
        EXPECT_EQ(s.endCalls, 1);
    }
}

TEST_F(Proc, BrokenPulsesArePlayedAgainAndLeaveTheResultAsItWas) {
    HearAtOrAbove(20);
    ProgramState whole;
    whole.CalibrationLoaded = true;
    long wholePulses = 0;
    {
        SilentServices s(whole);
        s.subject = services.subject;
        RecordingDialogs d;
        TestRunContext run{whole, settings, s, d, clock};
        RunTest(run, Plan({3, 5}), false);
        wholePulses = s.pulses();
    }
    // A broken pulse answered as heard must not move the staircase.
    services.subject = [](const PulseInfo& p) { return p.totalIndex == 2 || p.levelHL >= 20; };
    services.damagedPulses = {2, 7, 8};
    Run(Plan({3, 5}));
    EXPECT_TRUE(SameMeasurements(whole.Record, state.Record));
    EXPECT_EQ(state.RepeatedPulses, 3);
    EXPECT_EQ(services.pulses(), wholePulses + 3);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), std::string(kMsgCompleted) + RepeatedPulsesNote(3));
    EXPECT_TRUE(state.AudiogramValid);
}

TEST_F(Proc, AnOutputThatBreaksEveryPulseEndsTheRun) {
    HearAtOrAbove(20);
    // Pulses 1-3 whole (the first slot begins), then every one broken.
    for (long i = 4; i < 100; ++i)
        services.damagedPulses.insert(i);
    Run(Plan({3, 5}));
    ASSERT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[dialogs.messages.size() - 2], kMsgOutputKeepsBreaking);
    EXPECT_EQ(dialogs.messages.back().rfind(kMsgStopped, 0), 0u);
    EXPECT_EQ(state.RepeatedPulses, kMaxRepeatsInARow);
    EXPECT_EQ(services.pulses(), 3 + 1 + kMaxRepeatsInARow);
}

TEST_F(Proc, LongSlotsNeverWritePastTheTrace) {
    settings.PulseDuration.SetText("0.05");
    settings.PauseDuration.SetText("0.05");
    settings.MaxTestTime.SetText("60");
    HearAtOrAbove(-1e9);
    int maxCount = 0;
    services.duringPulse = [&](const PulseInfo&) {
        maxCount = std::max(maxCount, state.Run.PulseCount);
    };
    Run(Plan({5}, false));
    EXPECT_EQ(maxCount, 600);
    EXPECT_EQ(state.Run.TraceStep, 0);
    EXPECT_EQ(Row(0, 5)[0], 2);
}

TEST_F(Proc, MoreReversalsThanTheRowHoldsStopAtTwenty) {
    settings.MinReversals.SetText("30");
    settings.MaxTestTime.SetText("1000");
    HearAtOrAbove(20);
    Run(Plan({5}, false));
    EXPECT_EQ(Row(0, 5)[0], 20);
    EXPECT_EQ(Row(0, 5)[20], 18);
    EXPECT_EQ(Row(0, 5)[21], 0) << "the spread, not an entry";
}

TEST_F(Proc, EvaluateSlotSpreadAndRetestList) {
    const struct {
        std::vector<int32_t> entries;
        bool reject;
        int32_t threshold, spread;
        bool listed;
    } cases[] = {
        {{30, 21, 27, 24}, false, 26, 3, false},  {{30, 21, 27, 24}, true, 24, 3, false},
        {{20, 25}, false, 22, 0, false},          {{10, 30, 25, 40}, false, 26, 15, true},
        {{10, 20, 20, 30}, false, 20, 10, false}, // exactly 10 is not listed
        {{10, 20}, true, 20, 0, false},           // no odd entry used
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        settings.RejectFirstReversal = c.reject;
        int32_t* row = state.Record.Reverse[1][8];
        for (size_t i = 0; i < c.entries.size(); ++i)
            row[i + 1] = c.entries[i];
        std::string list;
        const int repaints = services.repaints;
        EvaluateSlot(ctx, 1, 9, static_cast<int>(c.entries.size()), list);
        EXPECT_EQ(Thr(1, 9), c.threshold);
        EXPECT_EQ(row[21], c.spread);
        EXPECT_EQ(row[0], static_cast<int32_t>(c.entries.size()));
        EXPECT_EQ(list, c.listed ? "4000Hz(R); " : "");
        EXPECT_EQ(services.repaints, repaints + 1);
    }
}

} // namespace
} // namespace tonmark::test
