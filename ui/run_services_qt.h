#pragma once
// The services of a test run on the real windows and sound layers: the test
// window, the main window's enabling and chart, the response button, the
// calibration in use, the volume controls and the wave output.
//
// Threading: user-interface thread; the run calls in from inside a menu
// command and the waits process window messages.
//
// Errors: OpenTestOutput, ApplySlotLevels, PlayPulse and AwaitPulse throw
// SoundOutputError with the device's or the control's reason, or with what
// another program changed on the watched output; the run then ends as a stop
// and shows it.
#include <QApplication>
#include <functional>
#include <string>

#include "core/run_services.h"
#include "ui/program.h"
#include "ui/run_window.h"

namespace tonmark {

// Processing of pending window messages.
class QtMessagePump final : public MessagePump {
  public:
    void ProcessMessages() override { QApplication::processEvents(); }
};

class QtTestRunServices final : public TestRunServices {
  public:
    // The poll interval of the response button, in milliseconds.
    static constexpr int kPollMs = 50;

    // mainWindow is disabled during the run; repaintChart redraws the
    // audiogram chart. Everything stays owned by the caller.
    QtTestRunServices(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                      std::function<void()> repaintChart);

    void BeginTestRun() override;
    void WaitForRelease() override;
    void SetNextCaption(const std::string& text) override;
    void OpenTestOutput(int k) override;
    void ShowTestWindow() override;
    void SetTestCaption(const std::string& text) override;
    void BeginSlotTrace(int ear, double level) override;
    void ApplySlotLevels(int ear, int slot) override;
    void PlayPulse(int ear, int slot, double level) override;
    void DrawTraceSegment(int n) override;
    PulseOutcome AwaitPulse() override;
    void RepaintChart() override;
    void CloseTestOutput() override;
    void EndTestRun() override;

    // When it returns true the wait for a pulse ends at once (the program is
    // closing); the run then ends at its stop request.
    std::function<bool()> abandon;

    // One poll: the game controller when it is the source, then the light;
    // returns whether the button is down, or (CTRL) went down since the
    // last poll.
    bool PollResponseButton();

  private:
    void ProcessMessages() { QApplication::processEvents(); }
    // Throws SoundOutputError naming what another program changed on the
    // output since the run set its levels.
    void CheckOutputUnchanged();

    Program& p_;
    QWidget& main_;
    TfrmTest& test_;
    std::function<void()> repaintChart_;
    std::string pulse_; // the one pulse buffer of the run
    double beepTime_ = 0, pauseTime_ = 0;
    int64_t underflowsBefore_ = 0; // the output's hole count when the pulse was handed over
    bool joystickSource_ = false;
};

} // namespace tonmark
