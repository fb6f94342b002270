#include <gtest/gtest.h>

#include "storage/file_names.h"

namespace tonmark {
namespace {

TEST(FileNames, SuggestedName) {
    const DateContext dayFirst{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2024};
    PersonalData pd{"Smith", "Ann", "A|7?", "R&D", CalendarDate{1970, 1, 31}, ""};
    PatientFile rec;
    rec.TestDateStamp = "31-01-2024";
    rec.TestTimeStamp = "10:35:12";
    const struct {
        std::vector<bool Settings::*> on;
        const char* expected;
    } cases[] = {
        {{&Settings::IncludeLastName, &Settings::IncludeFirstName, &Settings::IncludeTestDate},
         "Smith Ann 31-01-2024"},
        {{&Settings::IncludeLastName, &Settings::IncludeFirstName, &Settings::IncludeDateOfBirth,
          &Settings::IncludeTestDate},
         "Smith Ann 31-01-1970 31-01-2024"},
        {{}, ""},
        {{&Settings::IncludeTestTime}, "10-35-12"},
        {{&Settings::IncludeReference, &Settings::IncludeDepartment}, "A|7? R&D"},
    };
    for (const auto& c : cases) {
        Settings s;
        SCOPED_TRACE(c.expected);
        for (auto field :
             {&Settings::IncludeLastName, &Settings::IncludeFirstName, &Settings::IncludeReference,
              &Settings::IncludeDepartment, &Settings::IncludeDateOfBirth,
              &Settings::IncludeTestDate, &Settings::IncludeTestTime})
            s.*field = false;
        for (auto field : c.on)
            s.*field = true;
        EXPECT_EQ(SuggestedFileName(s, pd, rec, dayFirst), c.expected);
    }
    Settings s;
    pd.LastName = "a<b>c\"d:e/f\\g";
    const DateContext dotted{ShortDateFormat::FromPattern("dd.MM.yyyy"), 2024};
    s.IncludeFirstName = false;
    s.IncludeTestDate = false;
    s.IncludeDateOfBirth = true;
    EXPECT_EQ(SuggestedFileName(s, pd, rec, dotted), "a-b-c-d-e-f-g 31.01.1970");
}

TEST(FileNames, TextExportChoice) {
    EXPECT_TRUE(ExportsAsText("result.aud", 2));
    EXPECT_TRUE(ExportsAsText("result.txt", 1));
    EXPECT_FALSE(ExportsAsText("result.TXT", 1));
    EXPECT_FALSE(ExportsAsText("txt", 1));
}

TEST(FileNames, CommandLine) {
    const struct {
        std::vector<std::string> params;
        bool aud, cal;
        const char* name;
    } cases[] = {
        {{"x.aud"}, true, false, "x.aud"},
        {{"X.Aud"}, true, false, "X.Aud"},
        {{"/home/ann/my", "test.AUD"}, true, false, "/home/ann/my test.AUD"},
        {{"a.cal"}, false, true, "a.cal"},
        {{"a.CAL"}, false, false, "a.CAL"},
        {{"notes.txt"}, false, false, "notes.txt"},
        {{}, false, false, ""},
    };
    for (const auto& c : cases) {
        const std::string text = BuildCommandLineText(c.params);
        EXPECT_EQ(CommandLineNamesAudiogram(text), c.aud) << text;
        EXPECT_EQ(CommandLineNamesCalibration(text), c.cal) << text;
        EXPECT_EQ(CommandLineFileName(text), c.name);
    }
}

} // namespace
} // namespace tonmark
