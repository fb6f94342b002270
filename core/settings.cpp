#include "core/settings.h"

#include <cmath>

#include "core/errors.h"
#include "core/setting_values.h"

namespace tonmark {

void NumberSetting::SetText(std::string text) {
    text_ = std::move(text);
    strict_ = ParseStrictInteger(text_);
    const std::optional<double> real = ParseLenientReal(text_);
    real_ = real ? *real : ParseLenientReal(initial_).value_or(0.0);
    if (strict_)
        integer_ = *strict_;
    else if (real && std::fabs(*real) < 2147483647.0)
        integer_ = static_cast<int32_t>(std::trunc(*real));
    else
        integer_ = ParseStrictInteger(initial_).value_or(0);
}

int32_t NumberSetting::StrictInteger() const {
    if (!strict_)
        throw ConvertError("'" + text_ + "' is not a valid integer value");
    return *strict_;
}

void Settings::SetJoystick(bool on) {
    Joystick = on;
    if (on)
        Ctrl = false;
}

void Settings::SetCtrl(bool on) {
    Ctrl = on;
    if (on)
        Joystick = false;
}

void Settings::SetGraphColour(int index, uint32_t colour) {
    graphColours_.at(static_cast<size_t>(index)) = colour;
    if (index == 3)
        ChartColour = colour;
    else if (index == 4)
        MainWindowColour = colour;
}

void ApplyDefaultGraphColours(Settings& s) {
    // Entries 3 and 4 fall back to the colours the chart and window have now.
    const uint32_t chart = s.ChartColour, window = s.MainWindowColour;
    s.SetGraphColour(0, 0x00800000);
    s.SetGraphColour(1, 0x00000080);
    s.SetGraphColour(2, 0x00808080);
    s.SetGraphColour(3, chart);
    s.SetGraphColour(4, window);
    s.SetGraphColour(5, 0x00FF0000);
    s.SetGraphColour(6, 0x000000FF);
}

namespace {

constexpr std::string_view kColourNames[kGraphColourCount] = {
    "Colour Audiogram Reversals Left",  "Colour Audiogram Reversals Right",
    "Colour Audiogram Axes & Grid",     "Colour Audiogram Background",
    "Colour Application Background",    "Colour Audiogram Thresholds Left",
    "Colour Audiogram Thresholds Right"};

using T = SettingType;

StoredSetting Flag(std::string name, bool Settings::*field) {
    return {std::move(name), T::Flag, DeviceList::None,
            [field](const Settings& s) { return StoredValue(s.*field); },
            [field](Settings& s, const StoredValue& v) { s.*field = std::get<bool>(v); }};
}

StoredSetting Number(std::string name, NumberSetting Settings::*field) {
    return {std::move(name), T::Text, DeviceList::None,
            [field](const Settings& s) { return StoredValue((s.*field).Text()); },
            [field](Settings& s, const StoredValue& v) {
                (s.*field).SetText(std::get<std::string>(v));
            }};
}

StoredSetting Device(std::string name, int32_t Settings::*field, DeviceList list) {
    return {std::move(name), T::Integer, list,
            [field](const Settings& s) { return StoredValue(s.*field); },
            [field](Settings& s, const StoredValue& v) { s.*field = std::get<int32_t>(v); }};
}

std::vector<StoredSetting> MakeTable() {
    std::vector<StoredSetting> t;
    for (int i = 0; i < kTestFrequencyCount; ++i)
        t.push_back(
            {"Test " + std::to_string(kTestFrequencies[static_cast<size_t>(i)]) + "Hz", T::Flag,
             DeviceList::None, [i](const Settings& s) { return StoredValue(s.TestFrequency[i]); },
             [i](Settings& s, const StoredValue& v) { s.TestFrequency[i] = std::get<bool>(v); }});
    t.push_back(Flag("Trial Run", &Settings::TrialRun));
    t.push_back(Flag("Retest @ 1kHz", &Settings::RetestAt1kHz));
    t.push_back(Flag("AutoRetest", &Settings::AutoRetest));
    t.push_back(Flag("First Ear", &Settings::LeftEarFirst));
    t.push_back(Number("Pulse Duration(s)", &Settings::PulseDuration));
    t.push_back(Number("Pause Duration(s)", &Settings::PauseDuration));
    t.push_back(Number("Level Steps (dB)", &Settings::LevelStep));
    t.push_back(Number("Start Level (dB HL)", &Settings::StartLevel));
    t.push_back(Number("Max. Test time(s)", &Settings::MaxTestTime));
    t.push_back(Number("Min. Reversals", &Settings::MinReversals));
    t.push_back(Device("Wave Out Device Number", &Settings::WaveOutDevice, DeviceList::WaveOut));
    t.push_back(Device("Mixer Device Number", &Settings::MixerDevice, DeviceList::Mixer));
    t.push_back({"Joystick", T::Flag, DeviceList::None,
                 [](const Settings& s) { return StoredValue(s.Joystick); },
                 [](Settings& s, const StoredValue& v) { s.SetJoystick(std::get<bool>(v)); }});
    t.push_back({"CTRL", T::Flag, DeviceList::None,
                 [](const Settings& s) { return StoredValue(s.Ctrl); },
                 [](Settings& s, const StoredValue& v) { s.SetCtrl(std::get<bool>(v)); }});
    t.push_back(Flag("Include Last Name", &Settings::IncludeLastName));
    t.push_back(Flag("Include First Name", &Settings::IncludeFirstName));
    t.push_back(Flag("Include Reference No.", &Settings::IncludeReference));
    t.push_back(Flag("Include Department", &Settings::IncludeDepartment));
    t.push_back(Flag("Include DOB", &Settings::IncludeDateOfBirth));
    t.push_back(Flag("Include Test Date", &Settings::IncludeTestDate));
    t.push_back(Flag("Include Test Time", &Settings::IncludeTestTime));
    t.push_back(Flag("Reject 1st Reversal", &Settings::RejectFirstReversal));
    t.push_back(Flag("Show in RT", &Settings::ShowInRealTime));
    t.push_back(Flag("Show Reversal Graph", &Settings::ShowReversalGraph));
    t.push_back(Flag("Show Threshold Graph", &Settings::ShowThresholdGraph));
    t.push_back(Flag("Mark Suspicious Results", &Settings::MarkSuspiciousResults));
    for (int i = 0; i < kGraphColourCount; ++i)
        t.push_back(
            {std::string(kColourNames[i]), T::Colour, DeviceList::None,
             [i](const Settings& s) { return StoredValue(static_cast<int32_t>(s.GraphColour(i))); },
             [i](Settings& s, const StoredValue& v) {
                 s.SetGraphColour(i, static_cast<uint32_t>(std::get<int32_t>(v)));
             }});
    t.push_back(Flag("Reload Cal File", &Settings::ReloadCalFile));
    t.push_back(Flag("Print Cal File", &Settings::PrintCalFile));
    t.push_back(
        {"Cal Filename", T::Text, DeviceList::None,
         [](const Settings& s) { return StoredValue(s.CalFilename); },
         [](Settings& s, const StoredValue& v) { s.CalFilename = std::get<std::string>(v); }});
    return t;
}

} // namespace

std::string_view GraphColourName(int index) {
    return kColourNames[index];
}

const std::vector<StoredSetting>& StoredSettings() {
    static const std::vector<StoredSetting> table = MakeTable();
    return table;
}

const StoredSetting* FindStoredSetting(std::string_view name) {
    for (const auto& row : StoredSettings())
        if (row.name == name)
            return &row;
    return nullptr;
}

} // namespace tonmark
