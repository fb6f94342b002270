#include "ui/run_services_qt.h"

#include "audio/output_level.h"
#include "audio/tone_synthesis.h"
#include "core/errors.h"
#include "core/setting_values.h"

namespace tonmark {

QtTestRunServices::QtTestRunServices(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                                     std::function<void()> repaintChart)
    : p_(program), main_(mainWindow), test_(testWindow), repaintChart_(std::move(repaintChart)) {}

void QtTestRunServices::BeginTestRun(bool joystickSource) {
    main_.setEnabled(false);
    test_.show();
    test_.raise();
    pulse_.clear();
    joystickSource_ = joystickSource;
    // The test window is drawn before anything plays.
    test_.GraphPaint();
    test_.repaint();
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

void QtTestRunServices::SetNextCaption(const std::string& text) {
    test_.Next->setText(QString::fromStdString(text));
}

void QtTestRunServices::OpenTestOutput(int k, int device) {
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
    if (!p_.waveOutput->OpenPulseOutput(device))
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

void QtTestRunServices::PlayPulse(const PulseRequest& q) {
    pulse_.clear();
    // Synthesised just before it is handed over: the output starts it a
    // fixed few milliseconds after the previous period's end.
    CreateSound(q.hz, q.amplitude, q.beepTime, q.pauseTime, pulse_, true, q.leftChannelOn,
                q.rightChannelOn);
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

bool QtTestRunServices::PulseDone() {
    const bool done = p_.waveOutput->IsPulseDone();
    if (!done && !p_.waveOutput->Failure().empty())
        throw SoundOutputError(p_.waveOutput->Failure());
    CheckOutputUnchanged();
    return done;
}

bool QtTestRunServices::EndPulse() {
    pulse_.clear();
    return p_.waveOutput->Underflows() > underflowsBefore_;
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
