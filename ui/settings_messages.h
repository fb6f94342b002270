#pragma once
// Reading and writing the settings store as the windows do: the messages of a
// first run, of values that could not be read, and of a store that fails.
//
// Threading: user-interface thread only.
#include <functional>

#include "core/run_services.h"
#include "storage/settings_store.h"

namespace tonmark {

inline constexpr const char* kMsgRegistryDefaults =
    "Error reading Registry values! Using default settings.";
inline constexpr const char* kMsgFirstRunIntro =
    "This is the first time you run the software. It is strongly recommended that you read the "
    "introduction. Would you like to do this now?";
inline constexpr const char* kMsgFirstRunCheck =
    "As you are running the program for the first time, please also check and confirm the "
    "settings for sound card and joystick-type device.";
inline constexpr int kHelpIntroduction = 10;

// Reads the settings; when a value could not be read, shows the defaults
// message. Then the first-run check: "FirstRun" == 1 asks about the
// introduction, tells the user to check the hardware settings, writes
// "FirstRun" = 0 and calls openSettingsOnHardwarePage (may be empty). Throws
// TonmarkError "Failed to get data for 'FirstRun'" (or "Invalid data type for
// 'FirstRun'") when it cannot be read, "Failed to set data for 'FirstRun'"
// when it cannot be written; each followed by a line with the file and why.
void ReadStoredSettings(SettingsStore& store, Settings& settings, DeviceListSizes lists,
                        Dialogs& dialogs, const std::function<void()>& openSettingsOnHardwarePage);

// Writes the settings; throws TonmarkError "Failed to set data for 'Test
// 125Hz'" followed by the file and why, the first value that was not written.
void WriteStoredSettings(SettingsStore& store, const Settings& settings);

} // namespace tonmark
