#pragma once
// The settings record: every stored setting by its value name, with its type
// and its state before anything is read. The settings dialog shows and edits
// this record; everything else reads a value by name at the moment it needs
// it, so a change made in the dialog takes effect at once.
//
// Threading: user-interface thread only.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tonmark {

enum class SettingType {
    Flag,    // stored as 0/1, true when non-zero
    Integer, // stored as int32 (the device numbers: -1 = no selection)
    Text,    // stored as text (the numeric edits keep the user's text)
    Colour,  // stored as int32 0x00BBGGRR; entries 0..6 of the colour table
};

struct SettingDef {
    std::string_view name;
    SettingType type;
    int32_t initialNumber;        // flags, integers and colours
    std::string_view initialText; // texts
};

inline constexpr int kGraphColourCount = 7;
inline constexpr uint32_t kButtonFace = 0x00F0F0F0;
inline constexpr uint32_t kChartDesignColour = 0x00008080; // olive

class Settings {
  public:
    Settings(); // the design state of every control

    // The 47 stored settings in the order in which they are read.
    static const std::vector<SettingDef>& Table();
    static const SettingDef* Find(std::string_view name);

    bool Flag(std::string_view name) const;
    // "Joystick" and "CTRL" behave as a radio pair: setting one clears the other.
    void SetFlag(std::string_view name, bool on);
    const std::string& Text(std::string_view name) const;
    void SetText(std::string_view name, std::string text);
    int32_t Integer(std::string_view name) const; // integers and colours
    void SetInteger(std::string_view name, int32_t value);

    // Colour table entry i (0..6), 0x00BBGGRR.
    uint32_t GraphColour(int index) const;
    void SetGraphColour(int index, uint32_t colour);

    // Colours of the chart box and the main window: entries 3 and 4 set them
    // when read, and they are what those entries fall back to.
    uint32_t ChartColour = kChartDesignColour;
    uint32_t MainWindowColour = kButtonFace;

    // Hidden, always set and never stored.
    bool DisableScreenSaverDuringTest = true;

  private:
    using Value = std::variant<bool, int32_t, std::string>;
    size_t IndexOf(std::string_view name, SettingType expected) const;
    std::vector<Value> values_;
};

// The colours used when the stored ones cannot be read: dark blue and dark
// red traces, grey grid, the chart's and the main window's own colours as
// backgrounds, blue and red thresholds.
void ApplyDefaultGraphColours(Settings& settings);

// Names of the colour table entries in table order.
std::string_view GraphColourName(int index);

} // namespace tonmark
