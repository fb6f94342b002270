#pragma once
// The services of a test run on the real windows and sound layers: the test
// window, the main window's enabling and chart, the response button, the
// calibration in use, the volume controls and the wave output.
//
// Threading: user-interface thread; called by the run's driver from the
// event loop, never from inside a wait.
//
// Errors: OpenTestOutput, ApplySlotLevels, PlayPulse and AwaitPulse throw
// SoundOutputError with the device's or the control's reason, or with what
// another program changed on the watched output; the run then ends as a stop
// and shows it.
#include <QWidget>
#include <functional>
#include <string>

#include "core/run_steps.h"
#include "ui/program.h"
#include "ui/run_window.h"

namespace tonmark {

// The test run's steps on the windows and the sound layers. Every call
// returns at once; the waits are the driver's (ui/run_driver_qt.h).
class QtTestRunServices final {
  public:
    // The poll interval of the response button, in milliseconds.
    static constexpr int kPollMs = 50;

    // mainWindow is disabled during the run; repaintChart redraws the
    // audiogram chart. Everything stays owned by the caller.
    QtTestRunServices(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                      std::function<void()> repaintChart);

    // Disables the main window, shows and draws the test window and readies
    // the response source: the game controller when joystickSource is set,
    // else CTRL.
    void BeginTestRun(bool joystickSource);
    void SetNextCaption(const std::string& text);
    // Prepares the sound card, fills the calibration working slots and opens
    // wave output device `device` (-1 = default).
    void OpenTestOutput(int k, int device);
    void ShowTestWindow();
    void SetTestCaption(const std::string& text);
    void BeginSlotTrace(int ear, double level);
    void ApplySlotLevels(int ear, int slot);
    // Synthesises the pulse as the run asks for it and hands it over.
    void PlayPulse(const PulseRequest& pulse);
    void DrawTraceSegment(int n);
    // Whether the pulse handed over last has been heard to its end. Throws
    // SoundOutputError when the device failed or another program changed the
    // output meanwhile.
    bool PulseDone();
    // The output broke the pulse handed over last (it reported a hole);
    // empties the pulse buffer.
    bool EndPulse();
    void RepaintChart();
    bool TestWindowVisible() const { return test_.isVisible(); }
    void CloseTestOutput();
    void EndTestRun();

    // One poll: the game controller when it is the source, then the light;
    // returns whether the button is down, or (CTRL) went down since the
    // last poll.
    bool PollResponseButton();

  private:
    // Throws SoundOutputError naming what another program changed on the
    // output since the run set its levels.
    void CheckOutputUnchanged();

    Program& p_;
    QWidget& main_;
    TfrmTest& test_;
    std::function<void()> repaintChart_;
    std::string pulse_;            // the one pulse buffer of the run
    int64_t underflowsBefore_ = 0; // the output's hole count when the pulse was handed over
    bool joystickSource_ = false;
};

} // namespace tonmark
