#pragma once
// The persistent home of the settings: one JSON object in a file, value name
// -> value. Flags and integers are JSON integers, texts JSON strings. The
// program never creates the file (the installer does, with {"FirstRun": 1});
// a missing file, or one that does not hold a JSON object, is a store that
// cannot be opened: reads fail and writes fail, and it is never overwritten.
// Every write replaces the file atomically. Errors: see core/file_result.h.
//
// Threading: user-interface thread only.
#include <string>
#include <string_view>

#include "core/file_result.h"
#include "core/hearing_test_commands.h"
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
    [[nodiscard]] SettingsRead ReadRegistry(Settings& settings, DeviceListSizes lists);

    // Reads "FirstRun" afresh. Fails with CannotOpen when the store cannot be
    // opened, Damaged when the value is missing, WrongKind when it is not a
    // whole number.
    FileResult ReadFirstRun(int32_t& value);
    // Writes "FirstRun" = 0, keeping every other value. Fails with CannotOpen
    // or CannotWrite.
    FileResult ClearFirstRun();

    // Writes every setting (not "FirstRun"); other values in the file are
    // kept. Fails with CannotOpen when the store cannot be opened, CannotWrite
    // when the file cannot be replaced; the old file then stays.
    FileResult WriteRegistry(const Settings& settings);

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
