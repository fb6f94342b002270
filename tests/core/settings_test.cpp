#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/errors.h"
#include "core/setting_values.h"
#include "core/settings.h"

namespace tonmark {
namespace {

// A row wired to the wrong field would store one setting under another's
// name; each row must move its own field and nothing else.
TEST(Settings, EveryStoredRowReadsAndWritesItsOwnField) {
    const auto& rows = StoredSettings();
    ASSERT_EQ(rows.size(), 47u);
    std::set<std::string> names;
    for (const StoredSetting& row : rows)
        EXPECT_TRUE(names.insert(row.name).second) << row.name << " twice";
    const auto other = [](const StoredSetting& row, const StoredValue& v) -> StoredValue {
        switch (row.type) {
        case SettingType::Flag:
            return !std::get<bool>(v);
        case SettingType::Text:
            return std::get<std::string>(v) + "7";
        default:
            return std::get<int32_t>(v) + 2;
        }
    };
    for (const StoredSetting& row : rows) {
        SCOPED_TRACE(row.name);
        Settings design, changed;
        const StoredValue wanted = other(row, row.get(design));
        row.set(changed, wanted);
        EXPECT_EQ(row.get(changed), wanted);
        for (const StoredSetting& rest : rows) {
            // The radio pair's partner follows by design.
            const bool partner = (row.name == "Joystick" && rest.name == "CTRL") ||
                                 (row.name == "CTRL" && rest.name == "Joystick");
            if (&rest != &row && !partner) {
                EXPECT_EQ(rest.get(changed), rest.get(design)) << "also changed " << rest.name;
            }
        }
    }
    EXPECT_EQ(FindStoredSetting("Test 1500Hz"), &rows[5]);
    EXPECT_EQ(FindStoredSetting("Test 1500 Hz"), nullptr);
}

TEST(Settings, ResponseSourceIsARadioPair) {
    Settings s;
    s.SetJoystick(true);
    EXPECT_FALSE(s.Ctrl);
    s.SetCtrl(true);
    EXPECT_FALSE(s.Joystick);
    s.SetCtrl(false); // unchecking does not check the partner
    EXPECT_FALSE(s.Joystick);
}

TEST(Settings, BackgroundColoursFollowTheirEntries) {
    Settings s;
    s.SetGraphColour(3, static_cast<uint32_t>(0x123456));
    s.SetGraphColour(4, static_cast<uint32_t>(0x654321));
    EXPECT_EQ(s.ChartColour, 0x123456u);
    EXPECT_EQ(s.MainWindowColour, 0x654321u);
    EXPECT_EQ(s.GraphColour(3), 0x123456u);
}

TEST(SettingValues, StrictIntegerConversion) {
    const struct {
        const char* text;
        bool ok;
        int32_t value;
    } cases[] = {
        {"0", true, 0},    {"40", true, 40},         {"-10", true, -10},
        {"+5", true, 5},   {"  7", true, 7},         {"7 ", false, 0},
        {"", false, 0},    {"-", false, 0},          {"1.0", false, 0},
        {"abc", false, 0}, {"2147483648", false, 0}, {"-2147483648", true, -2147483647 - 1}};
    for (const auto& c : cases) {
        const auto v = ParseStrictInteger(c.text);
        EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
        if (c.ok && v) {
            EXPECT_EQ(*v, c.value) << c.text;
        }
    }
}

TEST(SettingValues, StrictConversionFailsWithTheUsersText) {
    Settings s;
    s.StartLevel.SetText("ten");
    try {
        s.StartLevel.StrictInteger();
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'ten' is not a valid integer value");
    }
}

TEST(SettingValues, LenientConversionFallsBackToTheInitialValue) {
    const struct {
        NumberSetting Settings::*field;
        const char* text;
        double expected;
    } cases[] = {{&Settings::PulseDuration, "0.5", 0.5}, {&Settings::PulseDuration, "0,25", 0.25},
                 {&Settings::PulseDuration, " 2 ", 2},   {&Settings::PulseDuration, "", 1},
                 {&Settings::PauseDuration, "x", 1},     {&Settings::MaxTestTime, "1e999", 30},
                 {&Settings::LevelStep, "nan", 3},       {&Settings::LevelStep, "2.5", 2.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        Settings s;
        (s.*c.field).SetText(c.text);
        EXPECT_DOUBLE_EQ((s.*c.field).Real(), c.expected);
        EXPECT_EQ((s.*c.field).Text(), c.text) << "the user's text is kept as typed";
    }
    Settings s;
    s.MinReversals.SetText("4.7");
    EXPECT_EQ(s.MinReversals.Integer(), 4);
    s.MinReversals.SetText("many");
    EXPECT_EQ(s.MinReversals.Integer(), 6);
}

} // namespace
} // namespace tonmark
