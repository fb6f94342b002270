#pragma once
// What a test run asks of the world around it, one step at a time, and what
// the world answers. The run (ThresholdRun) never waits and never calls out:
// it hands out a RunStep, its driver carries it out (on the windows and the
// sound card, or silently in a simulation) and hands back a StepAnswer.
//
// Units: levels named `level` are TestLevel (dB HL - 70); `amplitude` is the
// synthesis level in dB re full scale; times are seconds; frequencies Hz.
#include <array>
#include <cstdint>
#include <exception>
#include <string>

#include "core/audiogram.h"
#include "core/run_services.h"

namespace tonmark {

// dB subtracted from the test level before synthesis, per ear and slot, as
// the calibration in use holds them.
using LevelCorrections = std::array<std::array<double, kSlots>, kEars>;

// One pulse period to play: the tone, then silence.
struct PulseRequest {
    int ear = 0;
    int slot = 0;
    int32_t hz = 0;             // the slot's frequency when played
    double level = 0;           // TestLevel of the pulse
    double amplitude = 0;       // level - the slot's level correction
    double beepTime = 0;        // tone, s
    double pauseTime = 0;       // silence after it, s
    int32_t leftChannelOn = 0;  // 0 or 1
    int32_t rightChannelOn = 0; // 0 or 1
    bool repeat = false;        // the same pulse again after the output broke it
};

enum class RunStepKind {
    // Disable the main window, show and draw the test window, ready the
    // response source (`joystick`: the game controller rather than CTRL).
    BeginRun,
    // A message box with one OK button; `text`.
    ShowMessage,
    // A warning dialog with OK and Cancel; `text`. Answer: ok.
    ConfirmOkCancel,
    // Answer once the response button is seen released or the test window
    // was closed, at least one poll interval (50 ms) later.
    WaitForRelease,
    SetNextCaption, // `text` on the test window's Next button
    // Prepare the sound card, fill the calibration working slots (slot 0
    // from slot `k` when k > 0, slot 12 from slot 5) and open wave output
    // device `device` (-1 = default). Answer: failure when it cannot.
    OpenOutput,
    ShowWindow, // the test window visible again
    SetCaption, // `text` as the test window's caption
    // Clear the graph and set the pen of `ear` at y(`level`).
    BeginSlotTrace,
    // The volume controls to the calibration of `ear`, `slot`. Answer:
    // failure when a level does not reach the card.
    ApplySlotLevels,
    // Start playing `pulse` and go on at once. Answer: failure when the
    // output refused it.
    PlayPulse,
    // Draw the trace from pulse `n` - 1 to `n` (1..200) of the run's state.
    DrawTrace,
    // Answer when the pulse period just started has been heard to its end:
    // the outcome (heard, damaged), or failure when the output failed or
    // changed meanwhile.
    AwaitPulse,
    RepaintChart,
    // Answer: the local date and time, for the record's test date stamp.
    StampDate,
    // Release the wave output device and the pulse buffer.
    CloseOutput,
    // Hide the test window and enable the main window.
    EndRun,
    // The run is over; nothing more to do.
    Finished,
};

struct RunStep {
    RunStepKind kind = RunStepKind::Finished;
    std::string text;
    int ear = 0;
    int slot = 0;
    int k = 0;
    int n = 0;
    int device = -1;
    bool joystick = false;
    double level = 0;
    PulseRequest pulse;
};

// The driver's answer to the step it just carried out; fields that the step
// does not name are ignored.
struct StepAnswer {
    bool ok = true;
    PulseOutcome pulse;
    // Why the sound output could not do what the step asked; empty when it
    // did.
    std::string failure;
    LocalDateTime now;
    // The step could not be carried out at all (not a sound output failure):
    // the run ends with it as with an error of its own, after releasing the
    // output and ending its display.
    std::exception_ptr error;

    static StepAnswer Failed(std::string why) {
        StepAnswer a;
        a.failure = std::move(why);
        return a;
    }
};

} // namespace tonmark
