#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/setting_values.h"
#include "core/settings.h"

namespace tonmark {
namespace {

TEST(Settings, DesignStateOfEveryControl) {
    Settings s;
    ASSERT_EQ(Settings::Table().size(), 47u);
    const char* on[] = {"Test 250Hz",
                        "Test 500Hz",
                        "Test 1000Hz",
                        "Test 2000Hz",
                        "Test 3000Hz",
                        "Test 4000Hz",
                        "Test 6000Hz",
                        "Test 8000Hz",
                        "Trial Run",
                        "Retest @ 1kHz",
                        "AutoRetest",
                        "First Ear",
                        "CTRL",
                        "Include Last Name",
                        "Include First Name",
                        "Include Test Date",
                        "Reject 1st Reversal",
                        "Show in RT",
                        "Show Reversal Graph",
                        "Show Threshold Graph",
                        "Mark Suspicious Results"};
    const char* off[] = {"Test 125Hz",
                         "Test 750Hz",
                         "Test 1500Hz",
                         "Joystick",
                         "Include Reference No.",
                         "Include Department",
                         "Include DOB",
                         "Include Test Time",
                         "Reload Cal File",
                         "Print Cal File"};
    for (auto n : on)
        EXPECT_TRUE(s.Flag(n)) << n;
    for (auto n : off)
        EXPECT_FALSE(s.Flag(n)) << n;
    EXPECT_EQ(s.Text("Pulse Duration(s)"), "1");
    EXPECT_EQ(s.Text("Pause Duration(s)"), "1");
    EXPECT_EQ(s.Text("Level Steps (dB)"), "3");
    EXPECT_EQ(s.Text("Start Level (dB HL)"), "0");
    EXPECT_EQ(s.Text("Max. Test time(s)"), "30");
    EXPECT_EQ(s.Text("Min. Reversals"), "6");
    EXPECT_EQ(s.Text("Cal Filename"), "No file chosen");
    EXPECT_EQ(s.Integer("Wave Out Device Number"), -1);
    EXPECT_EQ(s.Integer("Mixer Device Number"), -1);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(s.GraphColour(i), 0u);
    EXPECT_TRUE(s.DisableScreenSaverDuringTest);
}

TEST(Settings, ResponseSourceIsARadioPair) {
    Settings s;
    s.SetFlag("Joystick", true);
    EXPECT_FALSE(s.Flag("CTRL"));
    s.SetFlag("CTRL", true);
    EXPECT_FALSE(s.Flag("Joystick"));
    s.SetFlag("CTRL", false); // unchecking does not check the partner
    EXPECT_FALSE(s.Flag("Joystick"));
}

TEST(Settings, BackgroundColoursFollowTheirEntries) {
    Settings s;
    s.SetInteger("Colour Audiogram Background", 0x123456);
    s.SetInteger("Colour Application Background", 0x654321);
    EXPECT_EQ(s.ChartColour, 0x123456u);
    EXPECT_EQ(s.MainWindowColour, 0x654321u);
    EXPECT_EQ(s.GraphColour(3), 0x123456u);
}

TEST(Settings, UnknownNamesAndWrongTypesAreProgrammingErrors) {
    Settings s;
    EXPECT_THROW(s.Flag("Test 125 Hz"), std::logic_error);
    EXPECT_THROW(s.Text("Test 125Hz"), std::logic_error);
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
    s.SetText("Start Level (dB HL)", "ten");
    try {
        SettingIntegerStrict(s, "Start Level (dB HL)");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'ten' is not a valid integer value");
    }
}

TEST(SettingValues, LenientConversionFallsBackToTheInitialValue) {
    const struct {
        const char* name;
        const char* text;
        double expected;
    } cases[] = {{"Pulse Duration(s)", "0.5", 0.5}, {"Pulse Duration(s)", "0,25", 0.25},
                 {"Pulse Duration(s)", " 2 ", 2},   {"Pulse Duration(s)", "", 1},
                 {"Pause Duration(s)", "x", 1},     {"Max. Test time(s)", "1e999", 30},
                 {"Level Steps (dB)", "nan", 3},    {"Level Steps (dB)", "2.5", 2.5}};
    for (const auto& c : cases) {
        Settings s;
        s.SetText(c.name, c.text);
        EXPECT_DOUBLE_EQ(SettingReal(s, c.name), c.expected) << c.name << " '" << c.text << "'";
    }
    Settings s;
    s.SetText("Min. Reversals", "4.7");
    EXPECT_EQ(SettingInteger(s, "Min. Reversals"), 4);
    s.SetText("Min. Reversals", "many");
    EXPECT_EQ(SettingInteger(s, "Min. Reversals"), 6);
}

} // namespace
} // namespace tonmark
