#pragma once
// The persistent home of the settings: one JSON object in a file, value name
// -> value. Flags and integers are JSON integers, texts JSON strings. The
// program never creates the file (the installer does, with {"FirstRun": 1});
// a missing file, or one that does not hold a JSON object, is a store that
// cannot be opened: reads fail and writes fail, and it is never overwritten.
// Every write replaces the file atomically.
//
// Threading: user-interface thread only.
#include <functional>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/run_services.h"
#include "core/settings.h"
#include "core/test_commands.h"

namespace tonmark {

// "Failed to get data for '%s'", "Invalid data type for '%s'",
// "Failed to set data for '%s'"; when it reaches the user, followed by a line
// with the file's path and why it failed.
class RegistryError : public TonmarkError {
  public:
    using TonmarkError::TonmarkError;
};

struct DeviceListSizes {
    int waveOut = 0; // entries in the wave output device list
    int mixer = 0;   // entries in the mixer device list
};

inline constexpr const char* kMsgRegistryDefaults =
    "Error reading Registry values! Using default settings.";
inline constexpr const char* kMsgFirstRunIntro =
    "This is the first time you run the software. It is strongly recommended that you read the "
    "introduction. Would you like to do this now?";
inline constexpr const char* kMsgFirstRunCheck =
    "As you are running the program for the first time, please also check and confirm the "
    "settings for sound card and joystick-type device.";
inline constexpr int kHelpIntroduction = 10;

class SettingsStore final : public OnceValueStore {
  public:
    explicit SettingsStore(std::string path) : path_(std::move(path)) {}

    // $XDG_CONFIG_HOME/Velbrook/Tonmark.json, XDG_CONFIG_HOME defaulting to ~/.config.
    static std::string DefaultPath();
    const std::string& Path() const { return path_; }

    // Reads the 47 settings in table order into the record, stopping at the
    // first flag or integer that is missing or of another type (then: the
    // defaults message, default colours, entry 0 in both device lists). Then
    // the first-run check: "FirstRun" == 1 asks about the introduction, tells
    // the user to check the hardware settings, writes "FirstRun" = 0 and calls
    // openSettingsOnHardwarePage. A failed read of "FirstRun" throws
    // RegistryError.
    void ReadRegistry(Settings& settings, DeviceListSizes lists, Dialogs& dialogs,
                      const std::function<void()>& openSettingsOnHardwarePage);

    // Writes every setting (not "FirstRun"); other values in the file are kept.
    // Throws RegistryError "Failed to set data for '%s'" when the store cannot
    // be opened or the file cannot be replaced; the old file then stays.
    void WriteRegistry(const Settings& settings);

    bool ValueExists(const std::string& name) override;
    // Drops the write silently when the store cannot be opened: the question
    // simply comes back next time.
    void WriteTrue(const std::string& name) override;

  private:
    std::string path_;
};

// Applies every known value present in a store-format JSON object to the
// record and leaves the rest as they are; unlike ReadRegistry it does not stop
// at a missing value. Texts may also be given as numbers, flags as booleans.
// Returns an empty string, or a one-line reason when the bytes are not a JSON
// object or a value has an unusable type.
std::string ApplySettingsOverrides(Settings& settings, std::string_view json);

} // namespace tonmark
