#include "ui/run_services_qt.h"

#include <QThread>

#include "audio/output_level.h"
#include "audio/tone_synthesis.h"
#include "core/errors.h"
#include "core/setting_values.h"

namespace tonmark {

QtTestRunServices::QtTestRunServices(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                                     std::function<void()> repaintChart)
    : p_(program), main_(mainWindow), test_(testWindow), repaintChart_(std::move(repaintChart)) {}

void QtTestRunServices::BeginTestRun() {
    main_.setEnabled(false);
    test_.show();
    test_.raise();
    pulse_.clear();
    // The run reads its pulse and pause once, at its start, as the procedure does.
    beepTime_ = p_.settings.PulseDuration.Real();
    pauseTime_ = p_.settings.PauseDuration.Real();
    joystickSource_ = p_.settings.Joystick;
    // The test window is drawn before anything plays.
    test_.GraphPaint();
    test_.repaint();
    ProcessMessages();
}

bool QtTestRunServices::PollResponseButton() {
    if (joystickSource_)
        p_.state.ResponsePressed = p_.joystick && p_.joystick->AnyButtonDown();
    const bool answered =
        p_.state.ResponsePressed || (!joystickSource_ && p_.state.ResponseSincePoll);
    p_.state.ResponseSincePoll = false;
    test_.SetLight(p_.state.ResponsePressed);
    return answered;
}

void QtTestRunServices::WaitForRelease() {
    do {
        ProcessMessages();
        QThread::msleep(kPollMs);
        PollResponseButton();
    } while (p_.state.ResponsePressed && test_.isVisible());
}

void QtTestRunServices::SetNextCaption(const std::string& text) {
    test_.Next->setText(QString::fromStdString(text));
}

void QtTestRunServices::OpenTestOutput(int k) {
    if (p_.outputLevels)
        if (const SoundStatus prepared = p_.outputLevels->PrepareSoundCard(); !prepared.Ok())
            throw SoundOutputError(prepared.Message());
    // The familiarisation uses the calibration of its frequency, the repeat
    // at 1000 Hz that of 1000 Hz.
    for (auto& ear : p_.calibration) {
        if (k > 0)
            ear[0] = ear[k];
        ear[12] = ear[5];
    }
    if (!p_.waveOutput)
        throw SoundOutputError("The sound output device is not available.");
    if (!p_.waveOutput->OpenPulseOutput(p_.settings.WaveOutDevice))
        throw SoundOutputError(p_.waveOutput->Failure());
}

void QtTestRunServices::ShowTestWindow() {
    test_.show();
}

void QtTestRunServices::SetTestCaption(const std::string& text) {
    test_.setWindowTitle(QString::fromStdString(text));
}

void QtTestRunServices::BeginSlotTrace(int, double) {
    // The run has set the ear and emptied the trace; the graph shows the
    // grid and the starting point only.
    test_.GraphPaint();
}

void QtTestRunServices::ApplySlotLevels(int ear, int slot) {
    if (p_.outputLevels) {
        const CalibrationEntry& e = p_.calibration[ear][slot];
        // A calibrated level that does not reach the card would test at
        // another loudness: the run stops with the control's name instead.
        if (const SoundStatus applied =
                p_.outputLevels->ApplyCalibrationLevels(ear, e.WaveVolume, e.MasterVolume);
            !applied.Ok())
            throw SoundOutputError(applied.Message());
    }
    // From here on the output must stay as the calibration left it; the
    // program's own set above is part of what is kept.
    if (p_.outputWatch)
        if (const SoundStatus armed = p_.outputWatch->Arm(); !armed.Ok())
            throw SoundOutputError(armed.Message());
}

void QtTestRunServices::CheckOutputUnchanged() {
    if (!p_.outputWatch)
        return;
    if (const std::string change = p_.outputWatch->Change(); !change.empty())
        throw SoundOutputError(change + " The test was stopped: the levels were no longer the "
                                        "calibrated ones.");
}

void QtTestRunServices::PlayPulse(int ear, int slot, double level) {
    const TestRunState& run = p_.state.Run;
    pulse_.clear();
    // Synthesised just before it is handed over: the output starts it a
    // fixed few milliseconds after the previous period's end.
    CreateSound(p_.state.SlotFrequency[slot], level - p_.calibration[ear][slot].LevelCorrection,
                beepTime_, pauseTime_, pulse_, true, run.LeftChannelOn, run.RightChannelOn);
    underflowsBefore_ = p_.waveOutput->Underflows();
    // A tap processed from here on belongs to this pulse.
    p_.state.ResponseSincePoll = false;
    p_.waveOutput->PlayPulseBuffer(pulse_);
    if (!p_.waveOutput->Failure().empty())
        throw SoundOutputError(p_.waveOutput->Failure());
}

void QtTestRunServices::DrawTraceSegment(int) {
    test_.GraphPaint();
}

PulseOutcome QtTestRunServices::AwaitPulse() {
    PulseOutcome outcome;
    for (;;) {
        outcome.heard = PollResponseButton() || outcome.heard;
        ProcessMessages();
        // Returns as soon as the pulse has been heard to its end, so the
        // poll interval does not lengthen the period.
        if (p_.waveOutput->WaitPulseDone(kPollMs))
            break;
        if (abandon && abandon())
            break;
        if (!p_.waveOutput->Failure().empty())
            throw SoundOutputError(p_.waveOutput->Failure());
        CheckOutputUnchanged();
    }
    CheckOutputUnchanged();
    // A press that came in during the last wait still belongs to this pulse:
    // its pause has only just ended for the listener.
    ProcessMessages();
    outcome.heard = PollResponseButton() || outcome.heard;
    outcome.damaged = p_.waveOutput->Underflows() > underflowsBefore_;
    pulse_.clear();
    return outcome;
}

void QtTestRunServices::RepaintChart() {
    if (repaintChart_)
        repaintChart_();
}

void QtTestRunServices::CloseTestOutput() {
    if (p_.outputWatch)
        p_.outputWatch->Disarm();
    if (p_.waveOutput)
        p_.waveOutput->ClosePulseOutput();
    pulse_.clear();
    pulse_.shrink_to_fit();
}

void QtTestRunServices::EndTestRun() {
    test_.hide();
    main_.setEnabled(true);
}

} // namespace tonmark
