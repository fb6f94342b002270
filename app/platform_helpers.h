#pragma once
// The real game controller and program launcher.
#include <functional>

#include "ui/program.h"

namespace tonmark {

// SDL2 joystick 0: pressed while any of its buttons is down; no joystick or a
// failed read counts as released.
class SdlJoystickReader final : public JoystickReader {
  public:
    SdlJoystickReader();
    ~SdlJoystickReader() override;
    bool AnyButtonDown() override;

  private:
    bool ready_ = false;
    void* joystick_ = nullptr;
};

// Turns SIGTERM, SIGINT and SIGHUP into a call of onSignal on the
// user-interface thread, for the life of the object.
class CloseOnSignals {
  public:
    explicit CloseOnSignals(std::function<void()> onSignal);
    ~CloseOnSignals();
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

  private:
    std::function<void()> onSignal_;
    void* notifier_ = nullptr;
};

class ProcessLauncher final : public ProgramLauncher {
  public:
    bool StartFirst(const std::vector<std::string>& candidates) override;
};

} // namespace tonmark
