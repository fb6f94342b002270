#pragma once
// The calibration windows' tone: one second of a windowed sine, repeated on
// the wave output until it is stopped, and the device watched meanwhile, as
// well as the sound server's default output (Program::outputWatch, when the
// program has one): a tone at a volume the calibration did not set is
// stopped at once.
//
// Threading: user-interface thread; the watch runs on a QTimer.
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

#include "audio/output_level.h"
#include "ui/program.h"

namespace tonmark {

class LoopingTone : public QObject {
  public:
    LoopingTone(Program& program, QObject* parent);
    ~LoopingTone() override { Stop(); }

    // Starts the tone of hz at level dB re full scale on the channels whose
    // switch is 1, on the settings' wave output device, and arms the output
    // watch: the window must have set the volume by then. False when the
    // device could not start or the output cannot be watched; then nothing
    // sounds, the reason is shown and onStopped is called.
    bool Start(int32_t hz, double level, int leftOn, int rightOn);
    // Stops the tone and disarms the watch it armed.
    void Stop();
    // The window's master slider setting (Program::outputLevels): the one
    // way the windows set the master, so that a tone that sounds takes the
    // new volume of the server's output as the watched one instead of
    // reporting it as another program's. When the watch cannot be armed
    // again, the tone stops as in Start.
    [[nodiscard]] SoundStatus SetMasterSetting(int32_t setting);
    bool Sounding() const { return sounding_; }
    // The buffer that loops (the last one started).
    const std::string& Buffer() const { return buffer_; }

    // Called when the device could not start the tone, or failed or vanished
    // while it sounded, or the sound server's output changed under it: the
    // tone is stopped and the reason shown by then; the window puts itself
    // into its "tone off" state.
    std::function<void()> onStopped;

  private:
    void Watch();
    void Failed(const std::string& reason);

    Program& p_;
    QTimer watch_;
    std::string buffer_;
    bool sounding_ = false;
    bool watching_ = false; // this tone armed Program::outputWatch
};

} // namespace tonmark
