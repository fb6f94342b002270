#pragma once
// A test run with silent services, a recording dialog box and a fixed clock.
#include <gtest/gtest.h>

#include <set>

#include "core/run_commands.h"
#include "core/threshold_run.h"
#include "tools/simulation.h"

namespace tonmark::test {

class RunFixture : public ::testing::Test {
  protected:
    RunFixture() : services(state), clock({2012, 3, 5, 9, 5, 0}) {
        state.CalibrationLoaded = true;
        services.keepLog = true;
        // Plain settings: no familiarisation, no repeat, no automatic retest.
        settings.TrialRun = false;
        settings.RetestAt1kHz = false;
        settings.AutoRetest = false;
    }

    void HearAtOrAbove(double threshold) {
        services.subject = [threshold](const PulseInfo& p) { return p.levelHL >= threshold; };
    }

    // A subject who answers by pulse number within one ear's slot at one
    // frequency and by a fixed threshold everywhere else.
    void ScriptAt(int ear, int32_t hz, std::set<int> heardPulses, double elsewhere = 20) {
        services.subject = [=](const PulseInfo& p) {
            if (p.ear == ear && p.hz == hz)
                return heardPulses.count(p.indexInSlot) > 0;
            return p.levelHL >= elsewhere;
        };
    }

    TestProperties Plan(std::initializer_list<int> slots, bool bothEars = true) {
        TestProperties plan;
        for (int s : slots) {
            plan.RunThisFreq[0][s] = true;
            if (bothEars)
                plan.RunThisFreq[1][s] = true;
        }
        return plan;
    }

    void Run(const TestProperties& plan, bool autoRetest = false) {
        RunTest(ctx, plan, autoRetest);
    }

    const int32_t* Row(int ear, int slot) const { return state.Record.Reverse[ear][slot - 1]; }
    int32_t Thr(int ear, int slot) const { return state.Record.Threshold[ear][slot - 1]; }

    std::vector<std::string> Captions() const {
        std::vector<std::string> out;
        for (const auto& e : services.log())
            if (e.rfind("Caption ", 0) == 0)
                out.push_back(e.substr(8));
        return out;
    }

    ProgramState state;
    Settings settings;
    SilentServices services;
    RecordingDialogs dialogs;
    FixedClock clock;
    MemoryOnceStore once;
    TestRunContext ctx{state, settings, services, dialogs, clock};
};

} // namespace tonmark::test
