// The readers and writers against reference files made from the published
// layouts by tests/data/make_reference_files.py, not by this program: what
// is read must be what the layout says, and writing it again must give the
// same bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "calibration/calibration_file.h"
#include "core/atomic_file.h"
#include "storage/audiogram_file.h"
#include "storage/settings_store.h"

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

TEST(ReferenceFiles, SettingsReadIntoTheirFieldsAndWriteBackByteForByte) {
    namespace fs = std::filesystem;
    const fs::path copy = fs::temp_directory_path() /
                          ("tonmark-reference-settings-" + std::to_string(getpid()) + ".json");
    fs::copy_file(std::string(TONMARK_TEST_DATA) + "/reference_settings.json", copy,
                  fs::copy_options::overwrite_existing);
    SettingsStore store(copy.string());
    Settings s;
    ASSERT_EQ(store.ReadRegistry(s, DeviceListSizes{2, 1}), SettingsRead::AllRead);
    EXPECT_EQ(s.TestFrequency, (std::array<bool, 11>{false, false, true, false, true, false, false,
                                                     false, true, false, false}));
    EXPECT_FALSE(s.TrialRun);
    EXPECT_FALSE(s.LeftEarFirst);
    EXPECT_EQ(s.PulseDuration.Text(), "0,5");
    EXPECT_DOUBLE_EQ(s.PulseDuration.Real(), 0.5);
    EXPECT_DOUBLE_EQ(s.PauseDuration.Real(), 1.5);
    EXPECT_EQ(s.StartLevel.StrictInteger(), -10);
    EXPECT_EQ(s.MinReversals.Integer(), 4);
    EXPECT_EQ(s.WaveOutDevice, 1);
    EXPECT_EQ(s.MixerDevice, 0);
    EXPECT_TRUE(s.Joystick);
    EXPECT_FALSE(s.Ctrl);
    EXPECT_FALSE(s.IncludeFirstName);
    EXPECT_TRUE(s.IncludeTestTime);
    EXPECT_EQ(s.FirstUsedEntry(), 1);
    EXPECT_EQ(s.GraphColour(0), 0x102030u);
    EXPECT_EQ(s.ChartColour, 0x102030u * 4);
    EXPECT_EQ(s.MainWindowColour, 15790320u);
    EXPECT_EQ(s.CalFilename, "/home/zoë/Kalibrierung.cal");

    ASSERT_TRUE(store.WriteRegistry(s).Done());
    std::string written;
    ASSERT_TRUE(ReadWholeFile(copy.string(), written).Done());
    EXPECT_EQ(written, Reference("reference_settings.json"));
    fs::remove(copy);
}

} // namespace
} // namespace tonmark
