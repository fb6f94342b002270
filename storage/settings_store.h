#pragma once
// The persistent home of the settings: one JSON object in a file, value name
// -> value. Flags and integers are JSON integers, texts JSON strings. Reading
// and saving never create the file: the installation step does, complete
// (CreateInstallationStore). A missing file, or one that does not hold a JSON
// object, is a store that cannot be opened: reads fail and writes fail, and it
// is never overwritten. Every write reads the file afresh, changes only its
// own values and replaces the file atomically, under a lock on its folder
// shared by all the program's processes. Errors: see core/file_result.h.
//
// Threading: user-interface thread only.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_result.h"
#include "core/run_commands.h"
#include "core/settings.h"

namespace tonmark {

struct DeviceListSizes {
    int waveOut = 0; // entries in the wave output device list
    int mixer = 0;   // entries in the mixer device list
};

enum class SettingsRead {
    AllRead,
    DefaultsUsed, // a flag or integer was missing or of another type
};

class SettingsStore final : public OnceValueStore {
  public:
    explicit SettingsStore(std::string path) : path_(std::move(path)) {}

    // $XDG_CONFIG_HOME/Velbrook/Tonmark.json, XDG_CONFIG_HOME defaulting to ~/.config.
    static std::string DefaultPath();
    const std::string& Path() const { return path_; }

    // Reads the 47 settings in table order into the record, stopping at the
    // first flag or integer that is missing or of another type; then applies
    // the default colours and entry 0 of both device lists, and returns
    // DefaultsUsed. A missing or mistyped text reads as the empty text.
    // The values taken from the file become this store's baseline (below).
    [[nodiscard]] SettingsRead ReadRegistry(Settings& settings, DeviceListSizes lists);

    // Reads "FirstRun" afresh. Fails with CannotOpen when the store cannot be
    // opened, Damaged when the value is missing, WrongKind when it is not a
    // whole number.
    FileResult ReadFirstRun(int32_t& value);
    // Writes "FirstRun" = 0, keeping every other value. Fails with CannotOpen
    // or CannotWrite.
    FileResult ClearFirstRun();

    // Saves the settings this program changed onto the file as it is now, so
    // that two programs sharing the file never undo each other's saved
    // change. A setting counts as changed when the record's value differs
    // from the baseline: the value the record held right after the last
    // ReadRegistry that read it, or after the last successful WriteRegistry.
    // A setting without a baseline (never read from this file: ReadRegistry
    // stopped before it, or this store never read) is changed; so is one
    // that fell back to a default after it was read. Changed settings are
    // written from the record; the others keep what the file holds, except
    // that one the file lacks, or holds in a form ReadRegistry cannot take,
    // is written from the record, so a save always leaves all 47. "FirstRun"
    // and unknown values are kept. Success makes the record's values the new
    // baseline. Fails with CannotOpen when the store cannot be opened,
    // CannotWrite when the file cannot be replaced; the old file then stays
    // and so does the baseline.
    FileResult WriteRegistry(const Settings& settings);

    bool ValueExists(const std::string& name) override;
    // Drops the write silently when the store cannot be opened: the question
    // simply comes back next time.
    void WriteTrue(const std::string& name) override;

  private:
    std::string path_;
    // Indexed like StoredSettings(); empty until the first read or write.
    std::vector<std::optional<StoredValue>> baseline_;
};

// The settings of a new installation: every setting in the design state of
// its control, the default colours of ApplyDefaultGraphColours on the design
// colours of the chart and the main window, no wave output device selected
// (the system's default output) and entry 0 of the mixer list. Apart from the
// wave output device, these are what ReadRegistry falls back to on a fresh
// record (which selects entry 0 of both lists).
Settings InstallationDefaults();

// The installation step: creates the settings file of a new user at path,
// with the folders above it: the 47 settings of InstallationDefaults() and
// "FirstRun" = 1, written whole or not at all. An existing file (or anything
// else at path) is never touched; created then stays false. Fails with
// CannotWrite.
FileResult CreateInstallationStore(const std::string& path, bool& created);

// Applies every known value present in a store-format JSON object to the
// record and leaves the rest as they are; unlike ReadRegistry it does not stop
// at a missing value. Texts may also be given as numbers, flags as booleans.
// Returns an empty string, or a one-line reason when the bytes are not a JSON
// object or a value has an unusable type.
std::string ApplySettingsOverrides(Settings& settings, std::string_view json);

} // namespace tonmark
