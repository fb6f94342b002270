#include "ui/run_driver_qt.h"

#include <algorithm>

#include "core/errors.h"

namespace tonmark {

namespace {

// When to look at a pulse's done flag next, given the ms left to its nominal
// end: at the button's poll interval while it plays, once just before its
// end, then often (the output's own latency) until it is over. Few and long
// sleeps keep a busy machine's scheduler on the program's side: a thread
// that wakes every few milliseconds is woken late.
int NextLook(double leftMs) {
    constexpr double kBeforeEndMs = 5;
    constexpr int kEndPollMs = 2;
    if (leftMs > QtTestRunServices::kPollMs + kBeforeEndMs)
        return QtTestRunServices::kPollMs;
    if (leftMs > kBeforeEndMs + kEndPollMs)
        return static_cast<int>(leftMs - kBeforeEndMs);
    return kEndPollMs;
}

LevelCorrections CorrectionsOf(const CalibrationTable& table) {
    LevelCorrections c{};
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 0; slot < kSlots; ++slot)
            c[ear][slot] = table[ear][slot].LevelCorrection;
    return c;
}

} // namespace

QtRunDriver::QtRunDriver(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                         std::function<void()> repaintChart)
    : p_(program), services_(program, mainWindow, testWindow, repaintChart),
      repaintChart_(std::move(repaintChart)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

QtRunDriver::~QtRunDriver() = default;

void QtRunDriver::Start(TestCommand command, OnceValueStore& once,
                        std::function<void(std::exception_ptr)> ended) {
    command_.emplace(std::move(command));
    ended_ = std::move(ended);
    running_ = true;
    std::optional<RunRequest> first;
    try {
        first = command_->Begin(p_.state, p_.settings, *p_.dialogs, once, repaintChart_);
    } catch (...) {
        End(std::current_exception());
        return;
    }
    if (!first) {
        End(nullptr);
        return;
    }
    StartRun(*first);
}

void QtRunDriver::StartRun(const RunRequest& request) {
    // The calibration as it is when the run starts; the run keeps its own.
    run_ = std::make_unique<ThresholdRun>(p_.state, p_.settings, request.plan, request.autoRetest,
                                          CorrectionsOf(p_.calibration));
    const RunStep* step = nullptr;
    try {
        step = &run_->Start();
    } catch (...) {
        EndRun(std::current_exception());
        return;
    }
    Drive(CarryOut(*step));
}

StepAnswer QtRunDriver::CarryOut(const RunStep& step) {
    StepAnswer a;
    try {
        switch (step.kind) {
        case RunStepKind::BeginRun:
            services_.BeginTestRun(step.joystick);
            break;
        case RunStepKind::ShowMessage:
            p_.dialogs->ShowMessage(step.text);
            break;
        case RunStepKind::ConfirmOkCancel:
            a.ok = p_.dialogs->ConfirmOkCancel(step.text);
            break;
        case RunStepKind::SetNextCaption:
            services_.SetNextCaption(step.text);
            break;
        case RunStepKind::OpenOutput:
            services_.OpenTestOutput(step.k, step.device);
            break;
        case RunStepKind::ShowWindow:
            services_.ShowTestWindow();
            break;
        case RunStepKind::SetCaption:
            services_.SetTestCaption(step.text);
            break;
        case RunStepKind::BeginSlotTrace:
            services_.BeginSlotTrace(step.ear, step.level);
            break;
        case RunStepKind::ApplySlotLevels:
            services_.ApplySlotLevels(step.ear, step.slot);
            break;
        case RunStepKind::PlayPulse:
            services_.PlayPulse(step.pulse);
            sinceHandover_.start();
            periodMs_ = 1000 * (step.pulse.beepTime + step.pulse.pauseTime);
            break;
        case RunStepKind::DrawTrace:
            services_.DrawTraceSegment(step.n);
            break;
        case RunStepKind::RepaintChart:
            services_.RepaintChart();
            break;
        case RunStepKind::StampDate:
            a.now = p_.clock->Now();
            break;
        case RunStepKind::CloseOutput:
            services_.CloseTestOutput();
            break;
        case RunStepKind::EndRun:
            services_.EndTestRun();
            break;
        case RunStepKind::WaitForRelease:
        case RunStepKind::AwaitPulse:
        case RunStepKind::Finished:
            break; // the waits are Drive's
        }
    } catch (const SoundOutputError& e) {
        a.failure = e.what();
    } catch (...) {
        a.error = std::current_exception();
    }
    return a;
}

void QtRunDriver::Drive(StepAnswer answer) {
    for (;;) {
        const RunStep* step = nullptr;
        try {
            step = &run_->Advance(answer);
        } catch (...) {
            EndRun(std::current_exception());
            return;
        }
        switch (step->kind) {
        case RunStepKind::Finished:
            EndRun(nullptr);
            return;
        case RunStepKind::WaitForRelease:
            // At least one poll interval, then until the button is up or
            // the window was closed.
            WaitFor(Wait::Release, QtTestRunServices::kPollMs);
            return;
        case RunStepKind::AwaitPulse:
            outcome_ = {};
            outcome_.heard = services_.PollResponseButton();
            sincePoll_.start();
            WaitFor(Wait::Pulse, 0);
            return;
        case RunStepKind::BeginRun:
        case RunStepKind::SetCaption:
            answer = CarryOut(*step);
            // Back to the event loop once, so that the window is drawn
            // before the run goes on.
            if (!answer.error && answer.failure.empty()) {
                WaitFor(Wait::Yield, 0);
                return;
            }
            break;
        default:
            answer = CarryOut(*step);
            break;
        }
    }
}

void QtRunDriver::WaitFor(Wait what, int ms) {
    waiting_ = what;
    timer_.start(ms);
}

void QtRunDriver::Tick() {
    const Wait was = std::exchange(waiting_, Wait::None);
    switch (was) {
    case Wait::None:
        return;
    case Wait::Yield:
        Drive(StepAnswer{});
        return;
    case Wait::Release:
        services_.PollResponseButton();
        if (p_.state.ResponsePressed && services_.TestWindowVisible())
            WaitFor(Wait::Release, QtTestRunServices::kPollMs);
        else
            Drive(StepAnswer{});
        return;
    case Wait::Pulse:
        PulseTick();
        return;
    }
}

void QtRunDriver::PulseTick() {
    bool done = false;
    try {
        done = services_.PulseDone();
    } catch (const SoundOutputError& e) {
        services_.EndPulse();
        Drive(StepAnswer::Failed(e.what()));
        return;
    }
    if (done || (abandon && abandon())) {
        // At once: a return to the event loop first (to paint, say) would
        // put off the next pulse on a busy machine. The presses handled
        // while the pulse played are in the latch the last poll reads.
        outcome_.heard = services_.PollResponseButton() || outcome_.heard;
        outcome_.damaged = services_.EndPulse();
        StepAnswer a;
        a.pulse = outcome_;
        Drive(a);
        return;
    }
    // The button every poll interval, as long as the pulse plays.
    if (sincePoll_.elapsed() >= QtTestRunServices::kPollMs) {
        outcome_.heard = services_.PollResponseButton() || outcome_.heard;
        sincePoll_.start();
    }
    const double left = periodMs_ - static_cast<double>(sinceHandover_.elapsed());
    WaitFor(Wait::Pulse, NextLook(left));
}

void QtRunDriver::EndRun(std::exception_ptr error) {
    run_.reset();
    if (error) {
        End(error);
        return;
    }
    std::optional<RunRequest> next;
    try {
        next = command_->AfterRun(p_.state, p_.settings);
    } catch (...) {
        End(std::current_exception());
        return;
    }
    if (next)
        StartRun(*next);
    else
        End(nullptr);
}

void QtRunDriver::End(std::exception_ptr error) {
    timer_.stop();
    waiting_ = Wait::None;
    running_ = false;
    command_.reset();
    if (auto ended = std::exchange(ended_, nullptr))
        ended(error);
}

} // namespace tonmark
