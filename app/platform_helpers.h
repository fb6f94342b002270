#pragma once
// The real game controller and program launcher.
#include <QString>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

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
// user-interface thread, for the life of the object. With endWithin > 0, a
// process that is still there that long after a signal ends at once (the
// user-interface thread may be waiting for a sound server that does not
// answer); the object's end counts as the program having ended.
class CloseOnSignals {
  public:
    explicit CloseOnSignals(std::function<void()> onSignal,
                            std::chrono::milliseconds endWithin = std::chrono::milliseconds(0));
    ~CloseOnSignals();
    CloseOnSignals(const CloseOnSignals&) = delete;
    CloseOnSignals& operator=(const CloseOnSignals&) = delete;

  private:
    std::function<void()> onSignal_;
    void* notifier_ = nullptr;
    std::thread watchdog_;
};

// Whether the program in programFolder runs from an installation prefix: it
// finds its help installed under share/tonmark/help (HelpFolderBeside), not
// beside it as in the build folder.
bool RunsInstalled(const QString& programFolder);

// The installation step for a user who has no settings file yet, taken by an
// installed program at its start: CreateInstallationStore at storePath. A
// program in its build folder leaves a missing file missing. A failure is
// left to the messages of the store that cannot be opened.
void SetUpNewUserSettings(const QString& programFolder, const std::string& storePath);

class ProcessLauncher final : public ProgramLauncher {
  public:
    bool StartFirst(const std::vector<std::string>& candidates) override;
};

} // namespace tonmark
