#pragma once
// The settings record: one typed field per setting, in the units the program
// uses, and the table that maps each field to the name and kind it is stored
// under. The settings dialog edits this record and everything else reads its
// fields at the moment it needs them, so a change made in the dialog takes
// effect at once.
//
// Threading: user-interface thread only.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/audiogram.h"

namespace tonmark {

inline constexpr int kGraphColourCount = 7;
inline constexpr uint32_t kButtonFace = 0x00F0F0F0;
inline constexpr uint32_t kChartDesignColour = 0x00008080; // olive

// A number the user types in the settings dialog. The text stays exactly as
// typed, because the dialog shows it and the store writes it back; the
// number is worked out once, when the text is set, never while painting.
class NumberSetting {
  public:
    explicit NumberSetting(std::string_view initial) : initial_(initial) { SetText(initial_); }

    const std::string& Text() const { return text_; }
    void SetText(std::string text);

    // Lenient: a text that is not a finite number ('.' or ',' as decimal
    // separator) gives the initial value, so a damaged store never yields a
    // zero-length period or a zero step.
    double Real() const { return real_; }
    // Lenient integer: a whole number as it is, a decimal number truncated
    // toward zero, anything else the initial value.
    int32_t Integer() const { return integer_; }
    // Strict: the text must be a whole number (leading blanks and a sign
    // allowed); otherwise throws ConvertError "'%s' is not a valid integer
    // value" with the user's text.
    int32_t StrictInteger() const;

  private:
    std::string initial_;
    std::string text_;
    double real_ = 0;
    int32_t integer_ = 0;
    std::optional<int32_t> strict_;
};

class Settings {
  public:
    // The "Test <f>Hz" flags, indexed like kTestFrequencies.
    std::array<bool, kTestFrequencyCount> TestFrequency = {false, true, true, false, true, false,
                                                           true,  true, true, true,  true};
    bool TrialRun = true;     // a familiarisation slot before the first frequency
    bool RetestAt1kHz = true; // slot 12 repeats 1 kHz
    bool AutoRetest = true;
    bool LeftEarFirst = true;
    NumberSetting PulseDuration{"1"}; // s
    NumberSetting PauseDuration{"1"}; // s
    NumberSetting LevelStep{"3"};     // dB
    NumberSetting StartLevel{"0"};    // dB HL
    NumberSetting MaxTestTime{"30"};  // s per frequency
    NumberSetting MinReversals{"6"};
    // Index into the device lists; -1 = no selection.
    int32_t WaveOutDevice = -1;
    int32_t MixerDevice = -1;
    // The response source. The two behave as a radio pair through SetJoystick
    // and SetCtrl; both may be clear when the store says so.
    bool Joystick = false;
    bool Ctrl = true;
    // What goes into the names of saved files.
    bool IncludeLastName = true;
    bool IncludeFirstName = true;
    bool IncludeReference = false;
    bool IncludeDepartment = false;
    bool IncludeDateOfBirth = false;
    bool IncludeTestDate = true;
    bool IncludeTestTime = false;
    bool RejectFirstReversal = true;
    bool ShowInRealTime = true;
    bool ShowReversalGraph = true;
    bool ShowThresholdGraph = true;
    bool MarkSuspiciousResults = true;
    bool ReloadCalFile = false;
    bool PrintCalFile = false;
    std::string CalFilename = "No file chosen";

    // Colours of the chart box and the main window: colour entries 3 and 4
    // set them, and they are what those entries fall back to.
    uint32_t ChartColour = kChartDesignColour;
    uint32_t MainWindowColour = kButtonFace;

    // Hidden, always set and never stored.
    bool DisableScreenSaverDuringTest = true;

    // Checking one radio button unchecks its partner; unchecking leaves it.
    void SetJoystick(bool on);
    void SetCtrl(bool on);

    // Colour table entry 0..6 (see GraphColourName), 0x00BBGGRR; zero until
    // the store is read. Setting entry 3 or 4 also sets ChartColour or
    // MainWindowColour.
    uint32_t GraphColour(int index) const { return graphColours_.at(static_cast<size_t>(index)); }
    void SetGraphColour(int index, uint32_t colour);

    // The first reversal that counts toward a threshold: 2 when the first one
    // is rejected, else 1.
    int FirstUsedEntry() const { return RejectFirstReversal ? 2 : 1; }

  private:
    std::array<uint32_t, kGraphColourCount> graphColours_{};
};

// The colours used when the stored ones cannot be read: dark blue and dark
// red traces, grey grid, the chart's and the main window's own colours as
// backgrounds, blue and red thresholds.
void ApplyDefaultGraphColours(Settings& settings);

// The settings file's value name of colour entry 0..6.
std::string_view GraphColourName(int index);

// How a setting is stored.
enum class SettingType {
    Flag,    // int32 0/1, true when non-zero
    Integer, // int32 (the device numbers: -1 = no selection)
    Text,    // text (the numeric settings keep the user's text)
    Colour,  // int32 0x00BBGGRR
};

// Which device list a stored integer indexes.
enum class DeviceList { None, WaveOut, Mixer };

// A stored value: bool for flags, int32 for integers and colours, text for texts.
using StoredValue = std::variant<bool, int32_t, std::string>;

// One row of the storage table: the field's stored name, its kind, and how
// to read and write it in the record. Writing goes through the record's own
// rules (radio pair, background colours).
struct StoredSetting {
    std::string name;
    SettingType type;
    DeviceList list; // None except for the two device numbers
    std::function<StoredValue(const Settings&)> get;
    std::function<void(Settings&, const StoredValue&)> set;
};

// The 47 stored settings in the order in which they are read.
const std::vector<StoredSetting>& StoredSettings();
// The row of a stored name; null for a name that is not a setting.
const StoredSetting* FindStoredSetting(std::string_view name);

} // namespace tonmark
