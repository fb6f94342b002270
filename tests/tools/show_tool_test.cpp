#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "tool_run.h"

namespace tonmark::test {
namespace {

std::string TempPath(const std::string& name) {
    return std::string(::testing::TempDir()) + std::to_string(::getpid()) + "-" + name;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ShowTool, SimulatedAudiogramReadsBackAsSimulated) {
    const std::string subject = TempPath("subject.json");
    std::ofstream(subject) << R"({"thresholds": {"left": {"1000": 20}, "right": {"1000": 5}}})";
    const std::string aud = TempPath("sim.aud");
    const auto sim = RunTool("simulate --subject " + subject + " --aud " + aud);
    ASSERT_EQ(sim.status, 0) << sim.err;
    const auto show = RunTool("show " + aud);
    ASSERT_EQ(show.status, 0) << show.err;
    const QJsonObject a = QJsonDocument::fromJson(QByteArray::fromStdString(sim.out)).object();
    const QJsonObject b = QJsonDocument::fromJson(QByteArray::fromStdString(show.out)).object();
    for (const char* key : {"Reverse", "Threshold", "TestDateStamp", "TestTimeStamp"})
        EXPECT_EQ(a[key], b[key]) << key;
    EXPECT_EQ(b["LastName"].toString(), "");
    EXPECT_TRUE(b["DateOfBirth"].isNull());

    const std::string txt = TempPath("sim.txt");
    const auto exp = RunTool("export-txt " + aud + " " + txt);
    ASSERT_EQ(exp.status, 0) << exp.err;
    const std::string text = Slurp(txt);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 560);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 560);
}

TEST(ShowTool, CalibrationFile) {
    // Identification, six texts, 22 entries: the first entry's level
    // correction is -2.5 dB, its wave volume 7.
    std::string b("\x12\0\0\0\x10"
                  "Calibration Data\0",
                  22);
    for (const char* t : {"Jo", "HD", "Card", "C", "1.1.2026", "10:00:00"}) {
        const size_t l = std::strlen(t);
        b += std::string(1, static_cast<char>(l + 2)) + std::string(3, '\0');
        b += static_cast<char>(l);
        b += t;
        b += '\0';
    }
    for (int i = 0; i < 22; ++i) {
        std::string e(24, '\0');
        if (i == 0) {
            e[0] = 7;
            const double v = -2.5;
            std::memcpy(&e[16], &v, 8);
        }
        b += e;
    }
    const std::string cal = TempPath("x.cal");
    std::ofstream(cal, std::ios::binary) << b;
    const auto r = RunTool("show " + cal);
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(o["Person"].toString(), "Jo");
    EXPECT_EQ(o["CalibrationTime"].toString(), "10:00:00");
    const QJsonArray t = o["CalibrationTable"].toArray();
    ASSERT_EQ(t.size(), 2);
    ASSERT_EQ(t[0].toArray().size(), 11);
    EXPECT_EQ(t[0].toArray()[0].toObject()["WaveVolume"].toInt(), 7);
    EXPECT_EQ(t[0].toArray()[0].toObject()["LevelCorrection"].toDouble(), -2.5);

    std::ofstream(cal, std::ios::binary) << b.substr(0, 100);
    const auto bad = RunTool("show " + cal);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Not a valid Calibration Data File\n");
}

TEST(ShowTool, RejectedAudiograms) {
    const std::string f = TempPath("bad.aud");
    for (const std::string& bytes : {std::string("hello"), std::string("\x0BPatientFile", 12),
                                     std::string("\x0BPatientFile\0\xFF\xFF\0\0", 17)}) {
        std::ofstream(f, std::ios::binary | std::ios::trunc) << bytes;
        const auto r = RunTool("show " + f);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "File is not a valid Audiogram!\n");
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(RunTool("show /nonexistent/x.aud").status, 2);
}

} // namespace
} // namespace tonmark::test

namespace tonmark::test {
namespace {

TEST(SynthTool, WritesExactlyTheSynthesisedBytes) {
    const auto r = RunTool("synth --freq 11025 --level 0 --beep 0.0001 --pause 0 --no-window");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("\0\0\0\0\xFF\x7F\0\0\0\0\0\0\x01\x80\0\0", 16));
    const auto right = RunTool("synth --freq 1000 --level -10 --beep 0.3 --pause 0.15 --left 0 "
                               "--right 1");
    ASSERT_EQ(right.status, 0);
    EXPECT_EQ(right.out.size(), (13229u + 6614u) * 4);
    EXPECT_EQ(RunTool("synth --freq 1000").status, 2);
    EXPECT_EQ(RunTool("synth --freq 1000 --level 0 --beep 1 --pause 0 --left 2").status, 2);
}

} // namespace
} // namespace tonmark::test
