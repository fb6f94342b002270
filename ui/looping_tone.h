#pragma once
// The calibration windows' tone: one second of a windowed sine, repeated on
// the wave output until it is stopped, and the device watched meanwhile.
//
// Threading: user-interface thread; the watch runs on a QTimer.
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "ui/program.h"

namespace tonmark {

class LoopingTone : public QObject {
  public:
    LoopingTone(Program& program, QObject* parent);
    ~LoopingTone() override { Stop(); }

    // Starts the tone of hz at level dB re full scale on the channels whose
    // switch is 1, on the settings' wave output device. False when the device
    // could not start; then nothing sounds, the reason is shown and
    // onStopped is called.
    bool Start(int32_t hz, double level, int leftOn, int rightOn);
    void Stop();
    bool Sounding() const { return sounding_; }
    // The buffer that loops (the last one started).
    const std::string& Buffer() const { return buffer_; }

    // Called when the device could not start the tone, or failed or vanished
    // while it sounded: the tone is stopped and the reason shown by then; the
    // window puts itself into its "tone off" state.
    std::function<void()> onStopped;

  private:
    void Watch();
    void Failed(const std::string& reason);

    Program& p_;
    QTimer watch_;
    std::string buffer_;
    bool sounding_ = false;
};

} // namespace tonmark
