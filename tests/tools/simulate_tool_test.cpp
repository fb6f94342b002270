#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <fstream>

#include "tool_run.h"

namespace tonmark::test {
namespace {

std::string Write(const std::string& name, const std::string& text) {
    const std::string path =
        std::string(::testing::TempDir()) + std::to_string(::getpid()) + "-" + name;
    std::ofstream(path) << text;
    return path;
}

QJsonObject Parse(const ToolResult& r) {
    QJsonParseError err{};
    const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError) << r.out;
    return doc.object();
}

const char* kEvenSubject = R"j({"thresholds": {
    "left":  {"125": 20, "250": 20, "500": 20, "750": 20, "1000": 20, "1500": 20,
              "2000": 20, "3000": 20, "4000": 20, "6000": 20, "8000": 20},
    "right": {"125": 35, "250": 35, "500": 35, "750": 35, "1000": 35, "1500": 35,
              "2000": 35, "3000": 35, "4000": 35, "6000": 35, "8000": 35}}})j";

TEST(SimulateTool, DefaultRunOfASteadySubject) {
    const auto r = RunTool("simulate --subject " + Write("even.json", kEvenSubject));
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject o = Parse(r);
    EXPECT_TRUE(o["AudiogramValid"].toBool());
    const QJsonArray thr = o["Threshold"].toArray();
    ASSERT_EQ(thr.size(), 2);
    // Planned by default: 250, 500, 1000, 2000 ... 8000 and the repeat.
    const int plannedRows[] = {1, 2, 4, 6, 7, 8, 9, 10, 11};
    for (int row : plannedRows) {
        EXPECT_EQ(thr[0].toArray()[row].toInt(), 19) << row;
        if (row != 11) {
            EXPECT_EQ(thr[1].toArray()[row].toInt(), 34) << row; // 36, 33: 34.2
        }
    }
    EXPECT_EQ(thr[0].toArray()[0].toInt(), 1000);
    EXPECT_EQ(thr[1].toArray()[11].toInt(), 1000);
    const QJsonArray rev = o["Reverse"].toArray();
    ASSERT_EQ(rev.size(), 2);
    ASSERT_EQ(rev[0].toArray().size(), 12);
    ASSERT_EQ(rev[0].toArray()[0].toArray().size(), 22);
    const QJsonArray msgs = o["messages"].toArray();
    ASSERT_EQ(msgs.size(), 3);
    EXPECT_EQ(msgs[0].toString(), "Please prepare Subject and press OK to start familiarisation.");
    EXPECT_EQ(msgs[2].toString(), "Test procedure completed!");
    EXPECT_EQ(o["retest_cycles"].toInt(), 0);
    EXPECT_GT(o["pulses"].toInt(), 100);
    EXPECT_TRUE(QRegularExpression("^\\d\\d-\\d\\d-\\d{4}$")
                    .match(o["TestDateStamp"].toString())
                    .hasMatch());
    EXPECT_TRUE(
        QRegularExpression("^\\d{1,2}h\\d{1,2}$").match(o["TestTimeStamp"].toString()).hasMatch());
}

TEST(SimulateTool, SettingsReplaceInitialValues) {
    const auto settings = Write("s.json", R"j({"Trial Run": 0, "Retest @ 1kHz": 0,
        "Test 250Hz": 0, "Test 500Hz": 0, "Test 2000Hz": 0, "Test 3000Hz": 0, "Test 4000Hz": 0,
        "Test 6000Hz": 0, "Test 8000Hz": 0, "Reject 1st Reversal": 0, "Min. Reversals": "4"})j");
    const auto r = RunTool("simulate --subject " + Write("even2.json", kEvenSubject) +
                           " --settings " + settings);
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject o = Parse(r);
    EXPECT_EQ(o["Threshold"].toArray()[0].toArray()[4].toInt(), 20); // 21, 18, 21, 18: 19.5
    EXPECT_EQ(o["Reverse"].toArray()[0].toArray()[4].toArray()[0].toInt(), 4);
    // One slot per ear, 7 + 3 pulses on the left, from 18 dB HL up to 36 on the right.
    EXPECT_EQ(o["pulses"].toInt(), 10 + 9);
    const QJsonArray msgs = o["messages"].toArray();
    ASSERT_EQ(msgs.size(), 2);
    EXPECT_TRUE(msgs[0].toString().startsWith("Please prepare Subject and Press OK"));
}

TEST(SimulateTool, RetestCyclesAreCapped) {
    // Nothing is heard at 4000 Hz left until 60 dB, and only from pulse to
    // pulse... a subject who hears at 1000 Hz only never gets a spread above
    // 10, so use the cap on a file-free case: zero cycles allowed.
    const auto r = RunTool("simulate --subject " + Write("even3.json", kEvenSubject) +
                           " --max-retest-cycles 0");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Parse(r)["retest_cycles"].toInt(), 0);
}

TEST(SimulateTool, InvalidStartLevelIsReportedInTheMessages) {
    const auto r =
        RunTool("simulate --subject " + Write("even4.json", kEvenSubject) + " --settings " +
                Write("bad.json", R"j({"Start Level (dB HL)": "ten"})j"));
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject o = Parse(r);
    const QJsonArray msgs = o["messages"].toArray();
    ASSERT_FALSE(msgs.isEmpty());
    EXPECT_EQ(msgs.last().toString(), "'ten' is not a valid integer value");
    EXPECT_EQ(o["pulses"].toInt(), 0);
    EXPECT_FALSE(o["AudiogramValid"].toBool());
}

TEST(SimulateTool, BadInputExitsWithStatusTwo) {
    const std::string cases[] = {
        "simulate",
        "simulate --subject /nonexistent/subject.json",
        "simulate --subject " + Write("bad1.json", "{not json"),
        "simulate --subject " + Write("bad2.json", R"j({"thresholds": {"middle": {}}})j"),
        "simulate --subject " + Write("bad3.json", R"j({"thresholds": {"left": {"1000": "x"}}})j"),
        "simulate --subject " + Write("ok.json", "{}") + " --settings /nonexistent.json",
        "simulate --subject " + Write("ok2.json", "{}") + " --max-retest-cycles -1",
        "simulate --subject " + Write("ok3.json", "{}") + " --bogus",
    };
    for (const auto& args : cases) {
        const auto r = RunTool(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
    }
}

} // namespace
} // namespace tonmark::test
