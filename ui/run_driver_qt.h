#pragma once
// New Test and Retest on the real windows, driven from the normal event
// loop: each step of the threshold run is carried out by QtTestRunServices
// as it comes; a wait (a pulse heard to its end, the response button's
// release) is a timer, after which the run goes on with the answer. Nothing
// here sleeps or processes messages itself, so no window handler ever runs
// inside a step. The modal boxes the run asks for (its prompts and end
// messages) are the program's Dialogs.
//
// Threading: user-interface thread only.
// Ownership: the driver refers to the Program and both windows, which must
// outlive it; destroying it ends its timers (a run still going is dropped
// where it stands, as at the end of the program).
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

#include "core/run_commands.h"
#include "core/threshold_run.h"
#include "ui/run_services_qt.h"

namespace tonmark {

class QtRunDriver final : public QObject {
  public:
    QtRunDriver(Program& program, QWidget& mainWindow, TfrmTest& testWindow,
                std::function<void()> repaintChart);
    ~QtRunDriver() override;

    // Starts the command: its questions before the first run are asked in
    // this call, the runs go on from the event loop. ended is called once,
    // when the command is over (in this call when it makes no run), with
    // what ended it with an error, or null.
    void Start(TestCommand command, OnceValueStore& once,
               std::function<void(std::exception_ptr)> ended);
    bool Running() const { return running_; }

    // When it returns true the wait for a pulse ends at once (the program is
    // closing); the run then ends at its stop request.
    std::function<bool()> abandon;

    QtTestRunServices& Services() { return services_; }

  private:
    enum class Wait { None, Yield, Pulse, Release };

    void StartRun(const RunRequest& request);
    // Carries out steps from the answer given until one has to wait.
    void Drive(StepAnswer answer);
    // Carries out one step that needs no wait; returns its answer.
    StepAnswer CarryOut(const RunStep& step);
    void WaitFor(Wait what, int ms);
    void Tick();
    void PulseTick();
    void EndRun(std::exception_ptr error);
    void End(std::exception_ptr error);

    Program& p_;
    QtTestRunServices services_;
    std::function<void()> repaintChart_;
    std::optional<TestCommand> command_;
    std::unique_ptr<ThresholdRun> run_;
    std::function<void(std::exception_ptr)> ended_;
    bool running_ = false;

    QTimer timer_; // single shot: the one wait of the run
    Wait waiting_ = Wait::None;
    PulseOutcome outcome_;
    QElapsedTimer sinceHandover_; // since the pulse went to the output
    QElapsedTimer sincePoll_;     // since the response button was last polled
    double periodMs_ = 0;         // of the pulse waited for
};

} // namespace tonmark
