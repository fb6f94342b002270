#include <gtest/gtest.h>

#include <cstring>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "calibration/calibration_file.h"
#include "core/atomic_file.h"
#include "core/byte_codec.h"
#include "core/errors.h"
#include "support/temp_folder.h"
#include "tools/simulation.h"
#include "ui/file_messages.h"

namespace tonmark {
namespace {

namespace fs = std::filesystem;

CalibrationTable SampleTable() {
    CalibrationTable t{};
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 0; slot < 13; ++slot)
            t[ear][slot] = {ear * 100 + slot, 50 - slot, slot * 3, 0, -1.25 * slot};
    return t;
}

const CalibrationInfo kInfo{"Jo Smith",           "HD 280",    "Onboard",
                            "Calibration by Ear", "9.12.2026", "14:03:11"};

TEST(CalibrationFile, LayoutAndRoundTrip) {
    const std::string b = EncodeCalibration(SampleTable(), kInfo);
    EXPECT_EQ(b.substr(0, 22), std::string("\x12\0\0\0\x10"
                                           "Calibration Data\0",
                                           22));
    size_t texts = 0;
    for (const auto* s : {&kInfo.Person, &kInfo.Headphones, &kInfo.Soundcard, &kInfo.Comment,
                          &kInfo.CalibrationDate, &kInfo.CalibrationTime})
        texts += s->size() + 6;
    EXPECT_EQ(b.size(), 22 + texts + 528);
    // Reserved bytes of the first entry are written as 0.
    EXPECT_EQ(b.substr(22 + texts + 12, 4), std::string(4, '\0'));

    CalibrationTable t{};
    t[0][0].WaveVolume = 77; // working slots are not touched by reading
    t[1][12].WaveVolume = 88;
    CalibrationInfo info;
    ASSERT_EQ(DecodeCalibration(b, t, info), CalibrationReadResult::Read);
    EXPECT_EQ(info, kInfo);
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot)
            EXPECT_EQ(t[ear][slot], SampleTable()[ear][slot]);
    EXPECT_EQ(t[0][0].WaveVolume, 77);
    EXPECT_EQ(t[1][12].WaveVolume, 88);
}

TEST(CalibrationFile, EmptyTextRecord) {
    std::string out;
    PutTextRecord(out, "");
    EXPECT_EQ(out, std::string("\x02\0\0\0\0\0", 6));
}

TEST(CalibrationFile, RefusedFilesChangeNothing) {
    const std::string good = EncodeCalibration(SampleTable(), kInfo);
    std::vector<std::pair<std::string, CalibrationReadResult>> cases = {
        {std::string("\x12\0\0\0\x10"
                     "calibration data\0",
                     22) +
             good.substr(22),
         CalibrationReadResult::NotCalibration},
        {std::string("\x11\0\0\0\x0F"
                     "Calibration Dat\0",
                     21) +
             good.substr(22),
         CalibrationReadResult::NotCalibration},
        {"", CalibrationReadResult::NotCalibration},
        {std::string(600, '\0'), CalibrationReadResult::NotCalibration},
    };
    for (size_t n = 0; n < good.size(); ++n)
        cases.emplace_back(good.substr(0, n), CalibrationReadResult::Damaged);
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes");
        CalibrationTable t{};
        CalibrationInfo info{"keep", "", "", "", "", ""};
        const auto r = DecodeCalibration(bytes, t, info);
        if (bytes.size() < 21) {
            ASSERT_NE(r, CalibrationReadResult::Read) << bytes.size();
        } else {
            ASSERT_EQ(r, expected) << bytes.size();
        }
        ASSERT_EQ(info.Person, "keep");
        ASSERT_EQ(t[0][1].WaveVolume, 0);
    }
}

TEST(CalibrationFile, CountLargerThanTheTextIsAccepted) {
    std::string b = std::string("\x20\0\0\0\x10"
                                "Calibration DataXXXXXXXXXXXXXXX",
                                36);
    const std::string rest = EncodeCalibration(SampleTable(), kInfo).substr(22);
    CalibrationTable t{};
    CalibrationInfo info;
    EXPECT_EQ(DecodeCalibration(b + rest, t, info), CalibrationReadResult::Read);
    EXPECT_EQ(info, kInfo);
}

TEST(CalibrationFile, ReadCalAndWriteFailures) {
    const test::TempFolder temp("cal");
    const fs::path dir = temp.Path();
    const std::string file = (dir / "x.cal").string();
    ASSERT_TRUE(WriteCalibrationFile(file, SampleTable(), kInfo).Done());
    CalibrationTable t{};
    CalibrationInfo info;
    EXPECT_TRUE(ReadCal(file, t, info).Done());

    std::ofstream(dir / "bad.cal") << "not a calibration";
    FileResult r = ReadCal((dir / "bad.cal").string(), t, info);
    EXPECT_EQ(r.failure, FileFailure::WrongKind);
    EXPECT_EQ(ReadFailureMessage(r, kMsgNotCalibration), kMsgNotCalibration);
    r = ReadCal("No file chosen", t, info);
    EXPECT_EQ(r.failure, FileFailure::CannotOpen);
    EXPECT_EQ(ReadFailureMessage(r, kMsgNotCalibration),
              "Cannot open file \"No file chosen\". No such file or directory");

    r = WriteCalibrationFile(dir.string(), SampleTable(), kInfo);
    EXPECT_EQ(r.failure, FileFailure::CannotWrite);
    EXPECT_EQ(CannotCreateMessage(r),
              "Cannot create file \"" + dir.string() + "\". " + std::strerror(EISDIR));
}

} // namespace
} // namespace tonmark
