#include "core/threshold_run.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "core/errors.h"
#include "core/rounding.h"
#include "core/setting_values.h"
#include "core/step_procedure.h"

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

RunStep Step(RunStepKind kind) {
    RunStep s;
    s.kind = kind;
    return s;
}

RunStep TextStep(RunStepKind kind, std::string text) {
    RunStep s = Step(kind);
    s.text = std::move(text);
    return s;
}

RunStep EarSlotStep(RunStepKind kind, int ear, int slot) {
    RunStep s = Step(kind);
    s.ear = ear;
    s.slot = slot;
    return s;
}

// A sound output that could not do what a step asked ends the run as a stop.
void ThrowOnFailure(const StepAnswer& a) {
    if (!a.failure.empty())
        throw SoundOutputError(a.failure);
}

} // namespace

RunRecord ReadRunRecord(const Settings& s, const LevelCorrections& corrections) {
    RunRecord p;
    p.beepTime = s.PulseDuration.Real();
    p.pauseTime = s.PauseDuration.Real();
    p.testTime = s.MaxTestTime.Real();
    // A row has room for 20 entries; more reversals cannot be stored.
    p.minRev = std::min(s.MinReversals.Integer(), kMaxEntries);
    p.step = s.LevelStep.Real();
    p.period = p.beepTime + p.pauseTime;
    const int32_t divisor = Round(p.testTime);
    // A test time that rounds to 0 s gives no graph width to share out.
    p.traceStep = divisor > 0 ? Round(kGraphWidth * p.period) / divisor : 0;
    p.firstUsedEntry = s.FirstUsedEntry();
    p.showInRealTime = s.ShowInRealTime;
    p.autoRetest = s.AutoRetest;
    p.joystick = s.Joystick;
    p.waveOutDevice = s.WaveOutDevice;
    p.levelCorrection = corrections;
    return p;
}

struct ThresholdRun::Impl {
    Impl(ProgramState& state, const Settings& settings, const TestProperties& plan, bool autoRetest,
         const LevelCorrections& corrections)
        : st_(state), settings_(settings), run_(state.Run), props_(plan), autoRetest_(autoRetest),
          p_(ReadRunRecord(settings, corrections)), body_(Execute()) {
        body_.BecomeRoot(root_);
    }

    const RunStep& Advance(const StepAnswer& answer) {
        try {
            if (!body_.Advance(answer))
                root_.step = RunStep{};
        } catch (...) {
            root_.step = RunStep{};
            throw;
        }
        return root_.step;
    }

    StepProcedure Execute();
    StepProcedure Prepare();
    StepProcedure EarPasses();
    // Plays one slot; r receives the number of entries recorded.
    StepProcedure PlaySlot(int s, int& r);
    StepProcedure FinishSlot(int s, int r);
    StepProcedure Finish();
    StepProcedure StampDateTime();
    StepProcedure CloseOutputOnce();

    // The slot reads as not measured.
    void ForgetSlot(int ear, int slot) {
        st_.Record.Count(ear, slot) = 0;
        st_.Record.Threshold[ear][slot - 1] = NotMeasured;
    }
    PulseRequest Pulse(int ear, int s, bool repeat) const {
        PulseRequest q;
        q.ear = ear;
        q.slot = s;
        q.hz = st_.SlotFrequency[s];
        q.level = run_.TestLevel;
        q.amplitude = run_.TestLevel - p_.levelCorrection[ear][s];
        q.beepTime = p_.beepTime;
        q.pauseTime = p_.pauseTime;
        q.leftChannelOn = run_.LeftChannelOn;
        q.rightChannelOn = run_.RightChannelOn;
        q.repeat = repeat;
        return q;
    }

    ProgramState& st_;
    const Settings& settings_;
    TestRunState& run_;
    TestProperties props_; // the run works on its own copy
    const bool autoRetest_;
    RunRecord p_;
    std::string retestList_;
    int k_ = 0;
    int lastSlot_ = -1; // slot in which the ear passes ended
    bool outputClosed_ = false;
    std::string outputFailure_;
    int repeated_ = 0; // pulses played again in this run
    StepProcedure::Root root_{};
    StepProcedure body_;
    bool started_ = false;
};

StepProcedure ThresholdRun::Impl::Execute() {
    retestList_.clear();
    repeated_ = 0;
    run_.PulseCount = 0;
    st_.StopRequested = false;
    {
        RunStep begin = Step(RunStepKind::BeginRun);
        begin.joystick = p_.joystick;
        co_yield begin;
    }
    st_.ResponsePressed = false;
    st_.ResponseSincePoll = false;
    std::exception_ptr error;
    try {
        {
            StepProcedure sub = Prepare();
            co_await std::move(sub);
        }
        try {
            // The familiarisation uses the calibration of its frequency, the
            // repeat at 1000 Hz that of 1000 Hz, as the working slots do.
            for (auto& ear : p_.levelCorrection) {
                if (k_ > 0)
                    ear[0] = ear[k_];
                ear[12] = ear[5];
            }
            RunStep open = Step(RunStepKind::OpenOutput);
            open.k = k_;
            open.device = p_.waveOutDevice;
            {
                const StepAnswer answered = co_yield open;
                ThrowOnFailure(answered);
            }
            run_.TestLevel = StartTestLevel(settings_);
            {
                StepProcedure sub = EarPasses();
                co_await std::move(sub);
            }
        } catch (const SoundOutputError& e) {
            // The device is gone or never opened: end the run as a stop, so
            // that nothing waits for a pulse that cannot finish.
            outputFailure_ = e.what();
            st_.StopRequested = true;
        }
        {
            StepProcedure sub = CloseOutputOnce();
            co_await std::move(sub);
        }
        {
            StepProcedure sub = Finish();
            co_await std::move(sub);
        }
    } catch (...) {
        error = std::current_exception();
    }
    if (error) {
        {
            StepProcedure sub = CloseOutputOnce();
            co_await std::move(sub);
        }
        co_yield Step(RunStepKind::EndRun);
        std::rethrow_exception(error);
    }
    co_yield Step(RunStepKind::EndRun);
}

StepProcedure ThresholdRun::Impl::CloseOutputOnce() {
    if (!outputClosed_) {
        outputClosed_ = true;
        co_yield Step(RunStepKind::CloseOutput);
    }
}

StepProcedure ThresholdRun::Impl::Prepare() {
    run_.TraceStep = p_.traceStep;
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
        co_yield TextStep(RunStepKind::ShowMessage, kPromptFamiliarisation);
    } else if (!autoRetest_) {
        co_yield TextStep(RunStepKind::ShowMessage, kPromptMeasurements);
        co_yield Step(RunStepKind::WaitForRelease);
        co_yield TextStep(RunStepKind::SetNextCaption, "Cancel");
    }
}

StepProcedure ThresholdRun::Impl::EarPasses() {
    for (int j = 0; j < 2; ++j) {
        const bool leftFirst = settings_.LeftEarFirst;
        run_.CurrentEar = ((leftFirst && j == 0) || (!leftFirst && j == 1)) ? 0 : 1;
        run_.LeftChannelOn = run_.CurrentEar == 0 ? 1 : 0;
        run_.RightChannelOn = run_.CurrentEar == 1 ? 1 : 0;
        for (int s = 0; s < kSlots; ++s) {
            lastSlot_ = s;
            co_yield Step(RunStepKind::ShowWindow);
            run_.PulseCount = 0;
            const int ear = run_.CurrentEar;
            // The familiarisation and the repeat belong to the left-ear pass.
            const bool planned = props_.RunThisFreq[ear][s] && !(ear == 1 && (s == 0 || s == 12));
            if (planned) {
                co_yield TextStep(RunStepKind::SetCaption,
                                  SlotCaption(ear, s, st_.SlotFrequency[s]));
                int r = 0;
                {
                    StepProcedure sub = PlaySlot(s, r);
                    co_await std::move(sub);
                }
                {
                    StepProcedure sub = FinishSlot(s, r);
                    co_await std::move(sub);
                }
            }
            if (s == 12 || st_.StopRequested)
                break;
        }
        if (j == 1 || st_.StopRequested)
            break;
    }
}

StepProcedure ThresholdRun::Impl::PlaySlot(int s, int& r) {
    const int ear = run_.CurrentEar;
    bool rising = true;
    r = 0;
    {
        RunStep trace = EarSlotStep(RunStepKind::BeginSlotTrace, ear, s);
        trace.level = run_.TestLevel;
        co_yield trace;
    }
    run_.LevelTrace[0] = TraceY(run_.TestLevel);
    {
        const StepAnswer answered = co_yield EarSlotStep(RunStepKind::ApplySlotLevels, ear, s);
        ThrowOnFailure(answered);
    }
    for (;;) {
        run_.PulseCount += 1;
        st_.StopRequested = false;
        run_.TestLevel += rising ? p_.step : -p_.step;
        const bool tooLoud = run_.TestLevel > 0;
        {
            RunStep play = EarSlotStep(RunStepKind::PlayPulse, ear, s);
            play.level = run_.TestLevel;
            play.pulse = Pulse(ear, s, false);
            {
                const StepAnswer answered = co_yield play;
                ThrowOnFailure(answered);
            }
        }
        // The trace holds 200 pulses; longer slots (short periods, or a
        // familiarisation that never wraps) are played but not drawn further.
        if (run_.PulseCount >= 1 && run_.PulseCount < kLevelTraceSize) {
            run_.LevelTrace[run_.PulseCount] = TraceY(run_.TestLevel);
            RunStep draw = Step(RunStepKind::DrawTrace);
            draw.n = run_.PulseCount;
            co_yield draw;
        }
        if (s == 0 && static_cast<int64_t>(run_.TraceStep) * run_.PulseCount >= kGraphWidth) {
            run_.PulseCount = 0;
            run_.LevelTrace[0] = TraceY(run_.TestLevel);
        }
        StepAnswer answer = co_yield Step(RunStepKind::AwaitPulse);
        ThrowOnFailure(answer);
        // A broken pulse says nothing about the subject's hearing: the same
        // level again, without a step, a trace point or a share of the time.
        for (int inARow = 1; answer.pulse.damaged && !st_.StopRequested; ++inARow) {
            if (inARow > kMaxRepeatsInARow)
                throw SoundOutputError(kMsgOutputKeepsBreaking);
            ++repeated_;
            ++st_.RepeatedPulses;
            RunStep again = EarSlotStep(RunStepKind::PlayPulse, ear, s);
            again.level = run_.TestLevel;
            again.pulse = Pulse(ear, s, true);
            {
                const StepAnswer answered = co_yield again;
                ThrowOnFailure(answered);
            }
            answer = co_yield Step(RunStepKind::AwaitPulse);
            ThrowOnFailure(answer);
        }
        const bool heard = answer.pulse.heard;

        const bool timeLeft = run_.PulseCount * p_.period < p_.testTime;
        if (timeLeft && heard != rising && !st_.StopRequested && !tooLoud)
            continue;
        rising = !rising;
        r += 1;
        if (s >= 1 && r <= kMaxEntries)
            st_.Record.Reverse[ear][s - 1][r] = Round(run_.TestLevel + kRangeTop);
        if (run_.TestLevel > 0)
            run_.TestLevel = StartTestLevel(settings_);
        const bool budgetDone = run_.PulseCount * p_.period >= p_.testTime || r >= p_.minRev;
        if ((budgetDone && s >= 1) || st_.StopRequested || tooLoud)
            co_return;
    }
}

StepProcedure ThresholdRun::Impl::FinishSlot(int s, int r) {
    if (s == 0) {
        const StepAnswer confirmed =
            co_yield TextStep(RunStepKind::ConfirmOkCancel, kPromptMeasurements);
        if (confirmed.ok) {
            st_.StopRequested = false;
            co_yield Step(RunStepKind::WaitForRelease);
            co_yield TextStep(RunStepKind::SetNextCaption, "Cancel");
        }
        co_return;
    }
    if (!st_.StopRequested && r >= 2)
        if (EvaluateSlotRecord(st_, p_, run_.CurrentEar, s, r, retestList_))
            co_yield Step(RunStepKind::RepaintChart);
}

StepProcedure ThresholdRun::Impl::Finish() {
    if (!outputFailure_.empty())
        co_yield TextStep(RunStepKind::ShowMessage, outputFailure_);
    if (st_.StopRequested && lastSlot_ == 0)
        co_return; // ended in the familiarisation: the record is untouched
    PatientFile& rec = st_.Record;
    const std::string repeated = RepeatedPulsesNote(repeated_);
    if (st_.StopRequested && !outputFailure_.empty() && lastSlot_ >= 1) {
        // The machine failed, not the subject: what was measured before stays
        // and only the slot the failure cut short is lost, as when a Retest
        // is stopped.
        co_yield TextStep(RunStepKind::ShowMessage,
                          std::string(kMsgStopped) + " " +
                              LostSlotNote(run_.CurrentEar, st_.SlotFrequency[lastSlot_]) +
                              repeated);
        ForgetSlot(run_.CurrentEar, lastSlot_);
        bool any = false;
        for (int ear = 0; ear < kEars; ++ear)
            for (int slot = 1; slot < kSlots; ++slot)
                any = any || rec.Count(ear, slot) > 0;
        if (!props_.Retest) {
            st_.AudiogramValid = any;
            if (any) {
                StepProcedure sub = StampDateTime();
                co_await std::move(sub);
            }
        }
        co_yield Step(RunStepKind::RepaintChart);
        co_return;
    }
    if (st_.StopRequested) {
        co_yield TextStep(RunStepKind::ShowMessage, std::string(kMsgStopped) + repeated);
        if (!props_.Retest) {
            st_.AudiogramValid = false;
            for (int ear = 0; ear < kEars; ++ear)
                for (int slot = 1; slot < kSlots; ++slot)
                    if (props_.RunThisFreq[ear][slot])
                        ForgetSlot(ear, slot);
        } else if (lastSlot_ >= 1) {
            ForgetSlot(run_.CurrentEar, lastSlot_);
        }
        co_yield Step(RunStepKind::RepaintChart);
        co_return;
    }
    if (retestList_.empty())
        co_yield TextStep(RunStepKind::ShowMessage, kMsgCompleted + repeated);
    else if (!p_.autoRetest)
        co_yield TextStep(RunStepKind::ShowMessage, kMsgCompletedRetest + retestList_ + repeated);
    st_.AudiogramValid = true;
    {
        StepProcedure sub = StampDateTime();
        co_await std::move(sub);
    }
}

StepProcedure ThresholdRun::Impl::StampDateTime() {
    const StepAnswer stamped = co_yield Step(RunStepKind::StampDate);
    const LocalDateTime now = stamped.now;
    char date[40], time[40];
    std::snprintf(date, sizeof date, "%02d-%02d-%d", now.day, now.month, now.year);
    std::snprintf(time, sizeof time, "%dh%d", now.hour, now.minute);
    st_.Record.TestDateStamp = date;
    st_.Record.TestTimeStamp = time;
}

ThresholdRun::ThresholdRun(ProgramState& state, const Settings& settings,
                           const TestProperties& plan, bool autoRetest,
                           const LevelCorrections& corrections)
    : impl_(std::make_unique<Impl>(state, settings, plan, autoRetest, corrections)) {}

ThresholdRun::~ThresholdRun() = default;

const RunStep& ThresholdRun::Start() {
    if (impl_->started_)
        return impl_->root_.step;
    impl_->started_ = true;
    return impl_->Advance(StepAnswer{});
}

const RunStep& ThresholdRun::Advance(const StepAnswer& answer) {
    if (!impl_->started_)
        return Start();
    return impl_->Advance(answer);
}

const RunStep& ThresholdRun::Current() const {
    return impl_->root_.step;
}

const RunRecord& ThresholdRun::Record() const {
    return impl_->p_;
}

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

bool EvaluateSlotRecord(ProgramState& state, const RunRecord& record, int ear, int slot, int r,
                        std::string& retestList) {
    PatientFile& rec = state.Record;
    int32_t* row = rec.Reverse[ear][slot - 1];
    const int first = record.firstUsedEntry;
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
            std::to_string(state.SlotFrequency[slot]) + (ear == 0 ? "Hz(L); " : "Hz(R); ");
    row[0] = r;
    return record.showInRealTime;
}

void EvaluateSlot(TestRunContext& ctx, int ear, int slot, int r, std::string& retestList) {
    if (EvaluateSlotRecord(ctx.state, ReadRunRecord(ctx.settings, {}), ear, slot, r, retestList))
        ctx.services.RepaintChart();
}

} // namespace tonmark
