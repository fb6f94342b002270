#pragma once
// What a test run needs from the world around it when it is driven to its
// end at once (RunTest): the sound card, the test window, the response button
// and the chart (TestRunServices); modal messages (Dialogs); the local date
// and time (Clock). The windows carry out the run's steps themselves
// (ui/run_driver_qt.h) and use only Dialogs and Clock of these.
//
// Threading: every call is made on one thread, the driver's; a call that
// waits (WaitForRelease, AwaitPulse) returns at once in a silent run.
//
// Ownership: the caller of RunTest owns every implementation and keeps it
// alive for the whole run.
#include <string>

namespace tonmark {

// What became of one pulse period.
struct PulseOutcome {
    // The response button was seen pressed at a poll during the period.
    bool heard = false;
    // The output reported a hole (an underflow) inside the period: the
    // listener heard a broken tone or pause, so the answer means nothing and
    // the pulse is played again.
    bool damaged = false;
};

class TestRunServices {
  public:
    virtual ~TestRunServices() = default;

    // Disables the main window, shows and draws the test window, creates an
    // empty pulse buffer and readies the response source.
    virtual void BeginTestRun() = 0;
    // Returns once the response button is seen released or the test window was
    // closed; waits at least one poll interval (50 ms).
    virtual void WaitForRelease() = 0;
    virtual void SetNextCaption(const std::string& text) = 0;
    // Prepares the sound card, fills the calibration working slots (slot 0 from
    // slot k when k > 0, slot 12 from slot 5, both ears) and opens the wave
    // output device. May throw SoundOutputError.
    virtual void OpenTestOutput(int k) = 0;
    virtual void ShowTestWindow() = 0;
    virtual void SetTestCaption(const std::string& text) = 0;
    // Clears the graph and puts the ear's pen at y(level); level is TestLevel.
    virtual void BeginSlotTrace(int ear, double level) = 0;
    // Sets the volume controls to the calibration of this ear and slot.
    virtual void ApplySlotLevels(int ear, int slot) = 0;
    // Starts one pulse period (tone, then pause) at level (TestLevel, dB HL - 70)
    // and returns at once. May throw SoundOutputError.
    virtual void PlayPulse(int ear, int slot, double level) = 0;
    // Draws the trace from pulse n - 1 to pulse n (n is 1..200).
    virtual void DrawTraceSegment(int n) = 0;
    // Returns when the pulse period has been heard to its end: whether the
    // response button was seen pressed at any poll meanwhile, and whether
    // the output broke the pulse. Throws SoundOutputError when the device
    // fails or vanishes instead of waiting.
    virtual PulseOutcome AwaitPulse() = 0;
    virtual void RepaintChart() = 0;
    // Releases the wave output device and the pulse buffer; safe to call when
    // OpenTestOutput failed or never ran.
    virtual void CloseTestOutput() = 0;
    // Hides the test window and enables the main window again.
    virtual void EndTestRun() = 0;
};

// Answers of modal dialogs, numbered as the platform's modal results are.
enum class ModalResult { None = 0, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

enum class DialogType { Warning, Error, Information, Confirmation, Custom };

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A message box with one OK button.
    virtual void ShowMessage(const std::string& text) = 0;
    // A warning dialog with OK and Cancel; true on OK.
    virtual bool ConfirmOkCancel(const std::string& text) = 0;
    // A box with Yes and No, no icon, the given caption; true on Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // A question with Yes, No and Cancel; Cancel also when the box is closed
    // or Escape is pressed.
    virtual ModalResult AskYesNoCancel(const std::string& text, const std::string& caption) = 0;
    // A confirmation box with Yes and No whose help button opens helpContext.
    virtual bool AskConfirmation(const std::string& text, int helpContext) = 0;
    // A Yes/No message dialog of the given type and caption with the check box
    // "Don't show this message again."; dontShowAgain receives its state.
    virtual ModalResult AskWithDontShowAgain(const std::string& text, const std::string& title,
                                             DialogType type, bool& dontShowAgain) = 0;
    // A message box with an error icon, the given caption and one OK button.
    virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;
    // Opens the help viewer at a topic context number.
    virtual void ShowHelpTopic(int context) = 0;
    // Help asked for in the answer to a question, before the program goes
    // on with more: shows the topic and returns when the user has closed it,
    // so that what comes next is not opened under it.
    virtual void ShowHelpTopicAndWait(int context) = 0;
};

struct LocalDateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() = 0;
};

// The machine's local time.
class SystemClock final : public Clock {
  public:
    LocalDateTime Now() override;
};

} // namespace tonmark
