// The readers and writers against reference files made from the published
// layouts by tests/data/make_reference_files.py, not by this program: what
// is read must be what the layout says, and writing it again must give the
// same bytes.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "calibration/calibration_file.h"
#include "core/atomic_file.h"
#include "storage/audiogram_file.h"
#include "storage/settings_store.h"
#include "support/temp_folder.h"

namespace tonmark {
namespace {

const DateContext kDayFirst{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2026};

std::string Reference(const char* name) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(std::string(TONMARK_TEST_DATA) + "/" + name, bytes).Done()) << name;
    return bytes;
}

TEST(ReferenceFiles, AudiogramReadsAsItsLayoutSaysAndWritesBackByteForByte) {
    PatientFile rec;
    PersonalData pd;
    ASSERT_TRUE(
        ReadFile(std::string(TONMARK_TEST_DATA) + "/reference.aud", rec, pd, kDayFirst, 2).Done());
    EXPECT_EQ(rec.TestDateStamp, "10-12-2026");
    EXPECT_EQ(rec.TestTimeStamp, "09:30:15");
    EXPECT_EQ(pd.LastName, "Müller");
    EXPECT_EQ(pd.FirstName, "Zoë");
    EXPECT_EQ(pd.ReferenceNumber, "R-17/b");
    EXPECT_EQ(pd.Organisation, "Hörzentrum Süd");
    EXPECT_EQ(pd.DateOfBirth, (CalendarDate{1970, 1, 31}));
    EXPECT_EQ(pd.Comment, "Bezahlt: 5 €");
    // Left ear, slot 1 (125 Hz): count 2, then 40 + 7 and 40 - 4, a stale 99.
    EXPECT_EQ(rec.Reverse[0][0][0], 2);
    EXPECT_EQ(rec.Reverse[0][0][1], 47);
    EXPECT_EQ(rec.Reverse[0][0][2], 36);
    EXPECT_EQ(rec.Reverse[0][0][3], 99);
    EXPECT_EQ(rec.Reverse[0][0][21], 11);
    // Right ear, slot 12 (the repeat at 1 kHz): levels below zero.
    EXPECT_EQ(rec.Reverse[1][11][0], 4);
    EXPECT_EQ(rec.Reverse[1][11][1], -11);
    EXPECT_EQ(rec.Reverse[1][11][2], -22);
    EXPECT_EQ(rec.Reverse[1][3][0], 0);
    EXPECT_EQ(rec.Threshold[0][0], 38);
    EXPECT_EQ(rec.Threshold[1][3], NotMeasured);
    EXPECT_EQ(rec.Threshold[1][11], -20);

    EXPECT_EQ(EncodeAudiogram(rec, pd, kDayFirst), Reference("reference.aud"));
    EXPECT_EQ(EncodeTextExport(rec, pd, kDayFirst), Reference("reference.txt"));
}

TEST(ReferenceFiles, CalibrationReadsAsItsLayoutSaysAndWritesBackByteForByte) {
    CalibrationTable table{};
    CalibrationInfo info;
    ASSERT_TRUE(ReadCal(std::string(TONMARK_TEST_DATA) + "/reference.cal", table, info).Done());
    EXPECT_EQ(info.Person, "Dr. Weiß");
    EXPECT_EQ(info.Headphones, "Kopfhörer HDA 200");
    EXPECT_EQ(info.Soundcard, "Onboard-Karte");
    EXPECT_EQ(info.Comment, "Kalibriert bei 20 °C");
    EXPECT_EQ(info.CalibrationDate, "09.12.2026");
    EXPECT_EQ(info.CalibrationTime, "14:03:07");
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot) {
            SCOPED_TRACE("ear " + std::to_string(ear) + ", slot " + std::to_string(slot));
            const CalibrationEntry& e = table[ear][slot];
            EXPECT_EQ(e.WaveVolume, 120 + 10 * slot + ear);
            EXPECT_EQ(e.MasterVolume, 20 + slot);
            EXPECT_EQ(e.GainVolume, 5 * ear);
            EXPECT_EQ(e.LevelCorrection, -3.5 + 0.25 * slot - 12.125 * ear);
        }
    EXPECT_EQ(table[0][0].WaveVolume, 0) << "slots 0 and 12 are not in the file";
    EXPECT_EQ(table[1][12].WaveVolume, 0);

    EXPECT_EQ(EncodeCalibration(table, info), Reference("reference.cal"));
}

// The stored names and what each must land in, written from the published
// table, not taken from the program's own: a swapped or misspelled name in
// the program fails here.
struct StoredRow {
    const char* name;
    std::function<std::string(const Settings&)> field;
};

std::string Flag(bool b) {
    return b ? "1" : "0";
}

std::vector<StoredRow> PublishedRows() {
    std::vector<StoredRow> rows;
    const int hz[] = {125, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000};
    static const std::string names[] = {"Test 125Hz",  "Test 250Hz",  "Test 500Hz",  "Test 750Hz",
                                        "Test 1000Hz", "Test 1500Hz", "Test 2000Hz", "Test 3000Hz",
                                        "Test 4000Hz", "Test 6000Hz", "Test 8000Hz"};
    for (size_t k = 0; k < std::size(hz); ++k)
        rows.push_back(
            {names[k].c_str(), [k](const Settings& s) { return Flag(s.TestFrequency[k]); }});
    const auto flag = [&rows](const char* name, bool Settings::*f) {
        rows.push_back({name, [f](const Settings& s) { return Flag(s.*f); }});
    };
    const auto text = [&rows](const char* name, NumberSetting Settings::*f) {
        rows.push_back({name, [f](const Settings& s) { return (s.*f).Text(); }});
    };
    const auto number = [&rows](const char* name, auto get) {
        rows.push_back({name, [get](const Settings& s) { return std::to_string(get(s)); }});
    };
    flag("Trial Run", &Settings::TrialRun);
    flag("Retest @ 1kHz", &Settings::RetestAt1kHz);
    flag("AutoRetest", &Settings::AutoRetest);
    flag("First Ear", &Settings::LeftEarFirst);
    text("Pulse Duration(s)", &Settings::PulseDuration);
    text("Pause Duration(s)", &Settings::PauseDuration);
    text("Level Steps (dB)", &Settings::LevelStep);
    text("Start Level (dB HL)", &Settings::StartLevel);
    text("Max. Test time(s)", &Settings::MaxTestTime);
    text("Min. Reversals", &Settings::MinReversals);
    number("Wave Out Device Number", [](const Settings& s) { return s.WaveOutDevice; });
    number("Mixer Device Number", [](const Settings& s) { return s.MixerDevice; });
    flag("Joystick", &Settings::Joystick);
    flag("CTRL", &Settings::Ctrl);
    flag("Include Last Name", &Settings::IncludeLastName);
    flag("Include First Name", &Settings::IncludeFirstName);
    flag("Include Reference No.", &Settings::IncludeReference);
    flag("Include Department", &Settings::IncludeDepartment);
    flag("Include DOB", &Settings::IncludeDateOfBirth);
    flag("Include Test Date", &Settings::IncludeTestDate);
    flag("Include Test Time", &Settings::IncludeTestTime);
    flag("Reject 1st Reversal", &Settings::RejectFirstReversal);
    flag("Show in RT", &Settings::ShowInRealTime);
    flag("Show Reversal Graph", &Settings::ShowReversalGraph);
    flag("Show Threshold Graph", &Settings::ShowThresholdGraph);
    flag("Mark Suspicious Results", &Settings::MarkSuspiciousResults);
    const char* colours[] = {"Colour Audiogram Reversals Left",  "Colour Audiogram Reversals Right",
                             "Colour Audiogram Axes & Grid",     "Colour Audiogram Background",
                             "Colour Application Background",    "Colour Audiogram Thresholds Left",
                             "Colour Audiogram Thresholds Right"};
    for (int k = 0; k < 7; ++k)
        number(colours[k], [k](const Settings& s) { return s.GraphColour(k); });
    // The chart and the main window take their colours from entries 3 and 4.
    number("Colour Audiogram Background", [](const Settings& s) { return s.ChartColour; });
    number("Colour Application Background", [](const Settings& s) { return s.MainWindowColour; });
    flag("Reload Cal File", &Settings::ReloadCalFile);
    flag("Print Cal File", &Settings::PrintCalFile);
    rows.push_back({"Cal Filename", [](const Settings& s) { return s.CalFilename; }});
    return rows;
}

// name -> what each row of the published table reads as.
std::multimap<std::string, std::string> Observe(const Settings& s) {
    std::multimap<std::string, std::string> seen;
    for (const StoredRow& row : PublishedRows())
        seen.emplace(row.name, row.field(s));
    return seen;
}

class ReferenceSettings : public ::testing::Test {
  protected:
    const test::TempFolder temp{"reference-settings"};
    const std::filesystem::path copy = temp / "Tonmark.json";

    // The reference file with some values replaced, read by a fresh store.
    SettingsRead ReadWith(const QJsonObject& changes, Settings& s) {
        QJsonObject key =
            QJsonDocument::fromJson(QByteArray::fromStdString(Reference("reference_settings.json")))
                .object();
        for (auto it = changes.begin(); it != changes.end(); ++it)
            key.insert(it.key(), it.value());
        EXPECT_TRUE(
            WriteFileAtomically(copy.string(), QJsonDocument(key).toJson().toStdString()).Done());
        SettingsStore store(copy.string());
        return store.ReadRegistry(s, DeviceListSizes{3, 2});
    }
};

TEST_F(ReferenceSettings, EveryRowReadsIntoItsOwnFieldAndWritesBackByteForByte) {
    Settings s;
    ASSERT_EQ(ReadWith({}, s), SettingsRead::AllRead);
    const std::multimap<std::string, std::string> expected = {
        {"Test 125Hz", "1"},
        {"Test 250Hz", "0"},
        {"Test 500Hz", "0"},
        {"Test 750Hz", "1"},
        {"Test 1000Hz", "0"},
        {"Test 1500Hz", "1"},
        {"Test 2000Hz", "0"},
        {"Test 3000Hz", "0"},
        {"Test 4000Hz", "0"},
        {"Test 6000Hz", "0"},
        {"Test 8000Hz", "0"},
        {"Trial Run", "0"},
        {"Retest @ 1kHz", "0"},
        {"AutoRetest", "0"},
        {"First Ear", "0"},
        {"Pulse Duration(s)", "0,5"},
        {"Pause Duration(s)", "1.5"},
        {"Level Steps (dB)", "5"},
        {"Start Level (dB HL)", "-10"},
        {"Max. Test time(s)", "45"},
        {"Min. Reversals", "4"},
        {"Wave Out Device Number", "1"},
        {"Mixer Device Number", "0"},
        {"Joystick", "1"},
        {"CTRL", "0"},
        {"Include Last Name", "0"},
        {"Include First Name", "0"},
        {"Include Reference No.", "1"},
        {"Include Department", "1"},
        {"Include DOB", "1"},
        {"Include Test Date", "0"},
        {"Include Test Time", "1"},
        {"Reject 1st Reversal", "0"},
        {"Show in RT", "0"},
        {"Show Reversal Graph", "0"},
        {"Show Threshold Graph", "0"},
        {"Mark Suspicious Results", "0"},
        {"Colour Audiogram Reversals Left", std::to_string(0x102030)},
        {"Colour Audiogram Reversals Right", std::to_string(0x102030 * 2)},
        {"Colour Audiogram Axes & Grid", std::to_string(0x102030 * 3)},
        {"Colour Audiogram Background", std::to_string(0x102030 * 4)},
        {"Colour Audiogram Background", std::to_string(0x102030 * 4)},
        {"Colour Application Background", "15790321"},
        {"Colour Application Background", "15790321"},
        {"Colour Audiogram Thresholds Left", "16711681"},
        {"Colour Audiogram Thresholds Right", "254"},
        {"Reload Cal File", "1"},
        {"Print Cal File", "1"},
        {"Cal Filename", "/home/zoë/Kalibrierung.cal"},
    };
    EXPECT_EQ(Observe(s), expected);
    // And none of them is what a new record holds: a value that is not read
    // at all cannot pass for one that was.
    const auto fresh = Observe(Settings{});
    for (const auto& [name, value] : expected)
        if (name.rfind("Colour", 0) != 0) { // a new record's colours are not set yet
            EXPECT_NE(fresh.find(name)->second, value) << name;
        }

    SettingsStore store(copy.string());
    ASSERT_EQ(store.ReadRegistry(s, DeviceListSizes{3, 2}), SettingsRead::AllRead);
    std::filesystem::copy_file(std::string(TONMARK_TEST_DATA) + "/reference_settings.json", copy,
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(store.WriteRegistry(s).Done());
    std::string written;
    ASSERT_TRUE(ReadWholeFile(copy.string(), written).Done());
    EXPECT_EQ(written, Reference("reference_settings.json"));
}

// One value changed at a time: exactly its own field follows, so two names
// that swap fields, even with equal values in the reference file, show.
TEST_F(ReferenceSettings, ChangingOneStoredValueChangesOnlyItsField) {
    Settings base;
    ASSERT_EQ(ReadWith({}, base), SettingsRead::AllRead);
    const auto before = Observe(base);
    for (const StoredRow& row : PublishedRows()) {
        SCOPED_TRACE(row.name);
        const std::string was = before.find(row.name)->second;
        const std::string name = row.name;
        QJsonValue other;
        std::string expect;
        if (name == "Cal Filename" || name.find("(") != std::string::npos ||
            name == "Min. Reversals") {
            other = QStringLiteral("7");
            expect = "7";
        } else if (name.rfind("Colour", 0) == 0) {
            other = 0x00123456;
            expect = std::to_string(0x00123456);
        } else if (name == "Wave Out Device Number" || name == "Mixer Device Number") {
            other = name == "Wave Out Device Number" ? 2 : 1;
            expect = name == "Wave Out Device Number" ? "2" : "1";
        } else {
            other = was == "1" ? 0 : 1;
            expect = was == "1" ? "0" : "1";
        }
        Settings s;
        ASSERT_EQ(ReadWith(QJsonObject{{QString::fromUtf8(row.name), other}}, s),
                  SettingsRead::AllRead);
        auto after = Observe(s);
        std::multimap<std::string, std::string> wanted = before;
        for (auto it = wanted.lower_bound(name); it != wanted.upper_bound(name); ++it)
            it->second = expect;
        // The response button is one of two: the key set clears the controller.
        if (name == "CTRL")
            wanted.find("Joystick")->second = "0";
        EXPECT_EQ(after, wanted);
    }
}

} // namespace
} // namespace tonmark
