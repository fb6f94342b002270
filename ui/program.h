#pragma once
// Everything the windows share: the program-wide state, the settings record,
// the calibration in use, and the services the composition root chose. One
// object, made by main (or by a test), handed to every window by reference.
#include <QDir>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/output_level.h"
#include "audio/output_watch.h"
#include "audio/wave_output.h"
#include "calibration/calibration_table.h"
#include "core/program_state.h"
#include "core/run_services.h"
#include "core/settings.h"
#include "storage/personal_data.h"
#include "storage/settings_store.h"
#include "ui/error_handler.h"

namespace tonmark {

// File choosers, so that tests can answer them by script.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The chosen file, or nothing when cancelled. Both dialogs open in
    // folder, the program's default folder.
    virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                                const std::string& folder) = 0;
    struct SaveChoice {
        std::string name;
        int fileType = 1; // 1-based index of the chosen filter
    };
    virtual std::optional<SaveChoice> SaveFile(const std::string& title, const std::string& filter,
                                               const std::string& folder,
                                               const std::string& suggestedName,
                                               const std::string& defaultSuffix) = 0;
    // A colour, or nothing when cancelled. start is 0x00BBGGRR.
    virtual std::optional<uint32_t> ChooseColour(uint32_t start) = 0;
};

// The response button's game controller, polled; no device reads as released.
class JoystickReader {
  public:
    virtual ~JoystickReader() = default;
    virtual bool AnyButtonDown() = 0;
};

// Starting outside programs (the desktop's sound settings, a controller tester).
class ProgramLauncher {
  public:
    virtual ~ProgramLauncher() = default;
    // Starts the first of the candidates that exists; false when none does.
    virtual bool StartFirst(const std::vector<std::string>& candidates) = 0;
};

struct Program {
    ProgramState state;
    Settings settings;
    CalibrationTable calibration{};
    CalibrationInfo calibrationInfo;
    // A calibration by ear that has just finished, for the Calibration
    // Information dialog to accept: the working table (slots 1..11), when it
    // was finished, and whether the dialog shows it (else the one in use).
    CalibrationTable bioCalTable{};
    std::string newCalibrationDate, newCalibrationTime;
    bool newCalibrationPending = false;
    std::string commandLineText;
    // Where the file dialogs open: the working folder at start, then the one
    // picked on the settings' File Handling page. Kept here rather than as
    // the process's working folder, so that nothing else moves with it.
    std::string defaultFolder = QDir::currentPath().toStdString();

    // Chosen by main (or a test); owned here.
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<WaveOutput> waveOutput;
    // The sound card's and the sound server's volumes and the rules that
    // set them; in core-audio mode when it holds the server's volume.
    std::unique_ptr<OutputLevelControl> outputLevels;
    // Watches the sound server's default output while a calibrated sound
    // plays; null when nothing is watched (no sound server).
    std::unique_ptr<OutputWatch> outputWatch;
    Dialogs* dialogs = nullptr;
    FileDialogs* files = nullptr;
    JoystickReader* joystick = nullptr;
    ProgramLauncher* launcher = nullptr;
    Clock* clock = nullptr;
    // The general error handler's texts.
    ErrorReporter errors;
};

inline constexpr const char* kProductName = "Tonmark";
inline constexpr const char* kVersion = TONMARK_VERSION; // from the build

} // namespace tonmark
