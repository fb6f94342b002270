#include "core/threshold_run.h"

#include <algorithm>
#include <cstdio>

#include "core/errors.h"
#include "core/rounding.h"
#include "core/setting_values.h"

namespace tonmark {

namespace {

constexpr double kRangeTop = 70; // dB HL at TestLevel 0
constexpr int kGraphWidth = 300;

std::string SlotCaption(int ear, int slot, int32_t hz) {
    const std::string f = std::to_string(hz);
    if (ear == 0 && slot == 12)
        return "Audiogram - Retest at 1000 Hz ";
    if (ear == 0 && slot == 0)
        return "Audiogram - Familiarization left Ear at " + f + " Hz ";
    if (ear == 0)
        return "Audiogram - Testing left Ear at " + f + " Hz ";
    return "Audiogram - Testing right Ear at " + f + " Hz ";
}

double StartTestLevel(const Settings& settings) {
    return settings.StartLevel.StrictInteger() - kRangeTop;
}

struct RunParameters {
    double beepTime, pauseTime, testTime, step, period;
    int minRev;
};

class TestRun {
  public:
    TestRun(TestRunContext& ctx, const TestProperties& props, bool autoRetest)
        : ctx_(ctx), st_(ctx.state), run_(ctx.state.Run), props_(props), autoRetest_(autoRetest) {}

    void Execute();

  private:
    void Prepare();
    void EarPasses();
    // Plays one slot; returns the number of entries recorded.
    int PlaySlot(int s);
    void FinishSlot(int s, int r);
    void Finish();
    void StampDateTime();
    // The slot reads as not measured.
    void ForgetSlot(int ear, int slot) {
        st_.Record.Count(ear, slot) = 0;
        st_.Record.Threshold[ear][slot - 1] = NotMeasured;
    }
    void CloseOutputOnce() {
        if (!outputClosed_) {
            outputClosed_ = true;
            ctx_.services.CloseTestOutput();
        }
    }

    TestRunContext& ctx_;
    ProgramState& st_;
    TestRunState& run_;
    TestProperties props_; // the run works on its own copy
    const bool autoRetest_;
    RunParameters p_{};
    std::string retestList_;
    int k_ = 0;
    int lastSlot_ = -1; // slot in which the ear passes ended
    bool outputClosed_ = false;
    std::string outputFailure_;
    int repeated_ = 0; // pulses played again in this run
};

void TestRun::Execute() {
    retestList_.clear();
    repeated_ = 0;
    run_.PulseCount = 0;
    st_.StopRequested = false;
    ctx_.services.BeginTestRun();
    st_.ResponsePressed = false;
    st_.ResponseSincePoll = false;
    try {
        Prepare();
        try {
            ctx_.services.OpenTestOutput(k_);
            run_.TestLevel = StartTestLevel(ctx_.settings);
            EarPasses();
        } catch (const SoundOutputError& e) {
            // The device is gone or never opened: end the run as a stop, so
            // that nothing waits for a pulse that cannot finish.
            outputFailure_ = e.what();
            st_.StopRequested = true;
        }
        CloseOutputOnce();
        Finish();
    } catch (...) {
        CloseOutputOnce();
        ctx_.services.EndTestRun();
        throw;
    }
    ctx_.services.EndTestRun();
}

void TestRun::Prepare() {
    const Settings& s = ctx_.settings;
    p_.beepTime = s.PulseDuration.Real();
    p_.pauseTime = s.PauseDuration.Real();
    p_.testTime = s.MaxTestTime.Real();
    // A row has room for 20 entries; more reversals cannot be stored.
    p_.minRev = std::min(s.MinReversals.Integer(), kMaxEntries);
    p_.step = s.LevelStep.Real();
    p_.period = p_.beepTime + p_.pauseTime;

    const int32_t divisor = Round(p_.testTime);
    // A test time that rounds to 0 s gives no graph width to share out.
    run_.TraceStep = divisor > 0 ? Round(kGraphWidth * p_.period) / divisor : 0;

    k_ = 0;
    if (props_.RunThisFreq[0][0]) {
        for (int slot = 1; slot < kSlots; ++slot)
            if (props_.RunThisFreq[0][slot]) {
                k_ = slot;
                break;
            }
        // With no slot to take a frequency from, there is nothing to get used
        // to: the familiarisation is dropped rather than played at 0 Hz.
        if (k_ == 0)
            props_.RunThisFreq[0][0] = false;
    }
    if (k_ > 0) {
        st_.SlotFrequency[0] = st_.SlotFrequency[k_];
        ctx_.dialogs.ShowMessage(kPromptFamiliarisation);
    } else if (!autoRetest_) {
        ctx_.dialogs.ShowMessage(kPromptMeasurements);
        ctx_.services.WaitForRelease();
        ctx_.services.SetNextCaption("Cancel");
    }
}

void TestRun::EarPasses() {
    for (int j = 0; j < 2; ++j) {
        const bool leftFirst = ctx_.settings.LeftEarFirst;
        run_.CurrentEar = ((leftFirst && j == 0) || (!leftFirst && j == 1)) ? 0 : 1;
        run_.LeftChannelOn = run_.CurrentEar == 0 ? 1 : 0;
        run_.RightChannelOn = run_.CurrentEar == 1 ? 1 : 0;
        for (int s = 0; s < kSlots; ++s) {
            lastSlot_ = s;
            ctx_.services.ShowTestWindow();
            run_.PulseCount = 0;
            const int ear = run_.CurrentEar;
            // The familiarisation and the repeat belong to the left-ear pass.
            const bool planned = props_.RunThisFreq[ear][s] && !(ear == 1 && (s == 0 || s == 12));
            if (planned) {
                ctx_.services.SetTestCaption(SlotCaption(ear, s, st_.SlotFrequency[s]));
                ctx_.pump.ProcessMessages();
                const int r = PlaySlot(s);
                FinishSlot(s, r);
            }
            if (s == 12 || st_.StopRequested)
                break;
        }
        if (j == 1 || st_.StopRequested)
            break;
    }
}

int TestRun::PlaySlot(int s) {
    const int ear = run_.CurrentEar;
    bool rising = true;
    int r = 0;
    ctx_.services.BeginSlotTrace(ear, run_.TestLevel);
    run_.LevelTrace[0] = TraceY(run_.TestLevel);
    ctx_.services.ApplySlotLevels(ear, s);
    for (;;) {
        run_.PulseCount += 1;
        st_.StopRequested = false;
        run_.TestLevel += rising ? p_.step : -p_.step;
        const bool tooLoud = run_.TestLevel > 0;
        ctx_.services.PlayPulse(ear, s, run_.TestLevel);
        // The trace holds 200 pulses; longer slots (short periods, or a
        // familiarisation that never wraps) are played but not drawn further.
        if (run_.PulseCount >= 1 && run_.PulseCount < kLevelTraceSize) {
            run_.LevelTrace[run_.PulseCount] = TraceY(run_.TestLevel);
            ctx_.services.DrawTraceSegment(run_.PulseCount);
        }
        if (s == 0 && static_cast<int64_t>(run_.TraceStep) * run_.PulseCount >= kGraphWidth) {
            run_.PulseCount = 0;
            run_.LevelTrace[0] = TraceY(run_.TestLevel);
        }
        PulseOutcome outcome = ctx_.services.AwaitPulse();
        // A broken pulse says nothing about the subject's hearing: the same
        // level again, without a step, a trace point or a share of the time.
        for (int inARow = 1; outcome.damaged && !st_.StopRequested; ++inARow) {
            if (inARow > kMaxRepeatsInARow)
                throw SoundOutputError(kMsgOutputKeepsBreaking);
            ++repeated_;
            ++st_.RepeatedPulses;
            ctx_.pump.ProcessMessages();
            ctx_.services.PlayPulse(ear, s, run_.TestLevel);
            outcome = ctx_.services.AwaitPulse();
        }
        const bool heard = outcome.heard;
        ctx_.pump.ProcessMessages();

        const bool timeLeft = run_.PulseCount * p_.period < p_.testTime;
        if (timeLeft && heard != rising && !st_.StopRequested && !tooLoud)
            continue;
        rising = !rising;
        r += 1;
        if (s >= 1 && r <= kMaxEntries)
            st_.Record.Reverse[ear][s - 1][r] = Round(run_.TestLevel + kRangeTop);
        if (run_.TestLevel > 0)
            run_.TestLevel = StartTestLevel(ctx_.settings);
        const bool budgetDone = run_.PulseCount * p_.period >= p_.testTime || r >= p_.minRev;
        if ((budgetDone && s >= 1) || st_.StopRequested || tooLoud)
            return r;
    }
}

void TestRun::FinishSlot(int s, int r) {
    if (s == 0) {
        if (ctx_.dialogs.ConfirmOkCancel(kPromptMeasurements)) {
            st_.StopRequested = false;
            ctx_.services.WaitForRelease();
            ctx_.services.SetNextCaption("Cancel");
        }
        return;
    }
    if (!st_.StopRequested && r >= 2)
        EvaluateSlot(ctx_, run_.CurrentEar, s, r, retestList_);
}

void TestRun::Finish() {
    if (!outputFailure_.empty())
        ctx_.dialogs.ShowMessage(outputFailure_);
    if (st_.StopRequested && lastSlot_ == 0)
        return; // ended in the familiarisation: the record is untouched
    PatientFile& rec = st_.Record;
    const std::string repeated = RepeatedPulsesNote(repeated_);
    if (st_.StopRequested && !outputFailure_.empty() && lastSlot_ >= 1) {
        // The machine failed, not the subject: what was measured before stays
        // and only the slot the failure cut short is lost, as when a Retest
        // is stopped.
        ctx_.dialogs.ShowMessage(std::string(kMsgStopped) + " " +
                                 LostSlotNote(run_.CurrentEar, st_.SlotFrequency[lastSlot_]) +
                                 repeated);
        ForgetSlot(run_.CurrentEar, lastSlot_);
        bool any = false;
        for (int ear = 0; ear < kEars; ++ear)
            for (int slot = 1; slot < kSlots; ++slot)
                any = any || rec.Count(ear, slot) > 0;
        if (!props_.Retest) {
            st_.AudiogramValid = any;
            if (any)
                StampDateTime();
        }
        ctx_.services.RepaintChart();
        return;
    }
    if (st_.StopRequested) {
        ctx_.dialogs.ShowMessage(std::string(kMsgStopped) + repeated);
        if (!props_.Retest) {
            st_.AudiogramValid = false;
            for (int ear = 0; ear < kEars; ++ear)
                for (int slot = 1; slot < kSlots; ++slot)
                    if (props_.RunThisFreq[ear][slot])
                        ForgetSlot(ear, slot);
        } else if (lastSlot_ >= 1) {
            ForgetSlot(run_.CurrentEar, lastSlot_);
        }
        ctx_.services.RepaintChart();
        return;
    }
    if (retestList_.empty())
        ctx_.dialogs.ShowMessage(kMsgCompleted + repeated);
    else if (!ctx_.settings.AutoRetest)
        ctx_.dialogs.ShowMessage(kMsgCompletedRetest + retestList_ + repeated);
    st_.AudiogramValid = true;
    StampDateTime();
}

void TestRun::StampDateTime() {
    const LocalDateTime now = ctx_.clock.Now();
    char date[40], time[40];
    std::snprintf(date, sizeof date, "%02d-%02d-%d", now.day, now.month, now.year);
    std::snprintf(time, sizeof time, "%dh%d", now.hour, now.minute);
    st_.Record.TestDateStamp = date;
    st_.Record.TestTimeStamp = time;
}

} // namespace

std::string RepeatedPulsesNote(int count) {
    if (count <= 0)
        return {};
    return count == 1 ? " 1 pulse was played again because the sound output dropped part of it."
                      : " " + std::to_string(count) +
                            " pulses were played again because the sound output dropped part of "
                            "them.";
}

std::string LostSlotNote(int ear, int32_t hz) {
    return "The measurement at " + std::to_string(hz) + " Hz, " + (ear == 0 ? "left" : "right") +
           " ear, was cut short by the sound output and is lost; the frequencies measured before "
           "it are kept.";
}

int32_t TraceY(double testLevel) {
    return Round((testLevel + kRangeTop) * 3 + 40);
}

void EvaluateSlot(TestRunContext& ctx, int ear, int slot, int r, std::string& retestList) {
    PatientFile& rec = ctx.state.Record;
    int32_t* row = rec.Reverse[ear][slot - 1];
    const int first = ctx.settings.FirstUsedEntry();
    const int count = std::min(r, kMaxEntries);
    const int n = count - first + 1;
    int32_t hiOdd = -100, loOdd = 100, hiEven = -100, loEven = 100;
    int64_t sum = 0;
    for (int k = first; k <= count; ++k) {
        const int32_t v = row[k];
        sum += v;
        int32_t& hi = (k % 2 == 1) ? hiOdd : hiEven;
        int32_t& lo = (k % 2 == 1) ? loOdd : loEven;
        hi = std::max(hi, v);
        lo = std::min(lo, v);
    }
    if (n > 0)
        rec.Threshold[ear][slot - 1] = Round(static_cast<double>(sum) / n);
    const int64_t oddSpan = static_cast<int64_t>(hiOdd) - loOdd;
    const int64_t evenSpan = static_cast<int64_t>(hiEven) - loEven;
    const int64_t spread = evenSpan >= oddSpan ? evenSpan : oddSpan;
    row[kSpreadIndex] = static_cast<int32_t>(spread);
    if (spread > kRetestSpread)
        retestList +=
            std::to_string(ctx.state.SlotFrequency[slot]) + (ear == 0 ? "Hz(L); " : "Hz(R); ");
    row[0] = r;
    if (ctx.settings.ShowInRealTime)
        ctx.services.RepaintChart();
}

void RunTest(TestRunContext& ctx, const TestProperties& aliasProps, bool autoRetest) {
    TestRun run(ctx, aliasProps, autoRetest);
    run.Execute();
}

} // namespace tonmark
