#include "core/settings.h"

#include <stdexcept>

namespace tonmark {

namespace {

using T = SettingType;

const std::vector<SettingDef> kTable = {
    {"Test 125Hz", T::Flag, 0, ""},
    {"Test 250Hz", T::Flag, 1, ""},
    {"Test 500Hz", T::Flag, 1, ""},
    {"Test 750Hz", T::Flag, 0, ""},
    {"Test 1000Hz", T::Flag, 1, ""},
    {"Test 1500Hz", T::Flag, 0, ""},
    {"Test 2000Hz", T::Flag, 1, ""},
    {"Test 3000Hz", T::Flag, 1, ""},
    {"Test 4000Hz", T::Flag, 1, ""},
    {"Test 6000Hz", T::Flag, 1, ""},
    {"Test 8000Hz", T::Flag, 1, ""},
    {"Trial Run", T::Flag, 1, ""},
    {"Retest @ 1kHz", T::Flag, 1, ""},
    {"AutoRetest", T::Flag, 1, ""},
    {"First Ear", T::Flag, 1, ""},
    {"Pulse Duration(s)", T::Text, 0, "1"},
    {"Pause Duration(s)", T::Text, 0, "1"},
    {"Level Steps (dB)", T::Text, 0, "3"},
    {"Start Level (dB HL)", T::Text, 0, "0"},
    {"Max. Test time(s)", T::Text, 0, "30"},
    {"Min. Reversals", T::Text, 0, "6"},
    {"Wave Out Device Number", T::Integer, -1, ""},
    {"Mixer Device Number", T::Integer, -1, ""},
    {"Joystick", T::Flag, 0, ""},
    {"CTRL", T::Flag, 1, ""},
    {"Include Last Name", T::Flag, 1, ""},
    {"Include First Name", T::Flag, 1, ""},
    {"Include Reference No.", T::Flag, 0, ""},
    {"Include Department", T::Flag, 0, ""},
    {"Include DOB", T::Flag, 0, ""},
    {"Include Test Date", T::Flag, 1, ""},
    {"Include Test Time", T::Flag, 0, ""},
    {"Reject 1st Reversal", T::Flag, 1, ""},
    {"Show in RT", T::Flag, 1, ""},
    {"Show Reversal Graph", T::Flag, 1, ""},
    {"Show Threshold Graph", T::Flag, 1, ""},
    {"Mark Suspicious Results", T::Flag, 1, ""},
    // Before the first read the colour table is zero.
    {"Colour Audiogram Reversals Left", T::Colour, 0, ""},
    {"Colour Audiogram Reversals Right", T::Colour, 0, ""},
    {"Colour Audiogram Axes & Grid", T::Colour, 0, ""},
    {"Colour Audiogram Background", T::Colour, 0, ""},
    {"Colour Application Background", T::Colour, 0, ""},
    {"Colour Audiogram Thresholds Left", T::Colour, 0, ""},
    {"Colour Audiogram Thresholds Right", T::Colour, 0, ""},
    {"Reload Cal File", T::Flag, 0, ""},
    {"Print Cal File", T::Flag, 0, ""},
    {"Cal Filename", T::Text, 0, "No file chosen"},
};

constexpr size_t kFirstColour = 37;

} // namespace

const std::vector<SettingDef>& Settings::Table() {
    return kTable;
}

const SettingDef* Settings::Find(std::string_view name) {
    for (const auto& def : kTable)
        if (def.name == name)
            return &def;
    return nullptr;
}

void ApplyDefaultGraphColours(Settings& s) {
    s.SetGraphColour(0, 0x00800000);
    s.SetGraphColour(1, 0x00000080);
    s.SetGraphColour(2, 0x00808080);
    s.SetGraphColour(3, s.ChartColour);
    s.SetGraphColour(4, s.MainWindowColour);
    s.SetGraphColour(5, 0x00FF0000);
    s.SetGraphColour(6, 0x000000FF);
}

std::string_view GraphColourName(int index) {
    return kTable.at(kFirstColour + index).name;
}

Settings::Settings() {
    values_.reserve(kTable.size());
    for (const auto& def : kTable) {
        switch (def.type) {
        case T::Flag:
            values_.emplace_back(def.initialNumber != 0);
            break;
        case T::Integer:
        case T::Colour:
            values_.emplace_back(def.initialNumber);
            break;
        case T::Text:
            values_.emplace_back(std::string(def.initialText));
            break;
        }
    }
}

size_t Settings::IndexOf(std::string_view name, SettingType expected) const {
    for (size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i].name != name)
            continue;
        const bool numeric = expected == T::Integer || expected == T::Colour;
        const bool ok = kTable[i].type == expected ||
                        (numeric && (kTable[i].type == T::Integer || kTable[i].type == T::Colour));
        if (!ok)
            throw std::logic_error("setting '" + std::string(name) + "' has another type");
        return i;
    }
    throw std::logic_error("unknown setting '" + std::string(name) + "'");
}

bool Settings::Flag(std::string_view name) const {
    return std::get<bool>(values_[IndexOf(name, T::Flag)]);
}

void Settings::SetFlag(std::string_view name, bool on) {
    values_[IndexOf(name, T::Flag)] = on;
    // Checking one radio button unchecks its partner; unchecking leaves it.
    if (on && name == "Joystick")
        values_[IndexOf("CTRL", T::Flag)] = false;
    else if (on && name == "CTRL")
        values_[IndexOf("Joystick", T::Flag)] = false;
}

const std::string& Settings::Text(std::string_view name) const {
    return std::get<std::string>(values_[IndexOf(name, T::Text)]);
}

void Settings::SetText(std::string_view name, std::string text) {
    values_[IndexOf(name, T::Text)] = std::move(text);
}

int32_t Settings::Integer(std::string_view name) const {
    return std::get<int32_t>(values_[IndexOf(name, T::Integer)]);
}

void Settings::SetInteger(std::string_view name, int32_t value) {
    const size_t i = IndexOf(name, T::Integer);
    values_[i] = value;
    if (kTable[i].type == T::Colour) {
        if (i == kFirstColour + 3)
            ChartColour = static_cast<uint32_t>(value);
        else if (i == kFirstColour + 4)
            MainWindowColour = static_cast<uint32_t>(value);
    }
}

uint32_t Settings::GraphColour(int index) const {
    return static_cast<uint32_t>(std::get<int32_t>(values_.at(kFirstColour + index)));
}

void Settings::SetGraphColour(int index, uint32_t colour) {
    values_.at(kFirstColour + index) = static_cast<int32_t>(colour);
}

} // namespace tonmark
