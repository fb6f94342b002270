// Hearing tests through the real windows on a real X server with a window
// manager, played by the program's own output into a private sound server,
// with a subject at the sink (support/sink_listener.h) who answers with the
// virtual joystick or with CTRL through the X server. Every pulse recorded
// at the sink is compared bit for bit with what the simulated run of the
// same subject asked for, and the record with the simulated record; on a
// busy machine too. Runs under tests/ui/with_x_session.sh and
// tests/audio/with_pulse.sh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "app/platform_helpers.h"
#include "audio/alsa_mixer_platform.h"
#include "audio/pulse_output_watch.h"
#include "audio/routed_wave_output.h"
#include "audio/tone_synthesis.h"
#include "core/threshold_run.h"
#include "support/real_program.h"
#include "support/run_end.h"
#include "support/same_measurements.h"
#include "support/shell.h"
#include "support/sink_listener.h"
#include "tools/simulation.h"
#include "ui/main_window.h"
#include "ui/run_window.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;

constexpr double kLevelCorrection = -10; // dB, every ear and slot

struct Simulated {
    PatientFile record;
    std::vector<PulseInfo> played;
};

Simulated Simulate(const Settings& settings, const ThresholdSubject& subject) {
    Simulated out;
    ProgramState state;
    state.CalibrationLoaded = true;
    SilentServices silent(state);
    silent.subject = [&](const PulseInfo& p) {
        out.played.push_back(p);
        return subject.Hears(p);
    };
    RecordingDialogs dialogs;
    FixedClock clock{{2026, 12, 10, 9, 0, 0}};
    TestRunContext run{state, settings, silent, dialogs, clock};
    RunTest(run, BuildNewTestPlan(settings), false);
    out.record = state.Record;
    return out;
}

// The buffers the run should have played, as the synthesis makes them.
std::vector<std::string> ExpectedPulses(const Settings& s, const std::vector<PulseInfo>& played) {
    std::vector<std::string> pulses;
    for (const PulseInfo& p : played) {
        std::string b;
        CreateSound(p.hz, p.levelHL - 70 - kLevelCorrection, s.PulseDuration.Real(),
                    s.PauseDuration.Real(), b, true, p.ear == 0 ? 1 : 0, p.ear == 1 ? 1 : 0);
        pulses.push_back(std::move(b));
    }
    return pulses;
}

std::string Side(const std::vector<PulseInfo>& played, const std::vector<HeardPulse>& heard) {
    std::string both;
    for (size_t i = 0; i < std::max(heard.size(), played.size()); ++i) {
        both += std::to_string(i) + ": ";
        if (i < played.size())
            both += std::to_string(played[i].ear) + " " + std::to_string(played[i].hz) + " " +
                    std::to_string(played[i].levelHL);
        both += " | ";
        if (i < heard.size())
            both += std::to_string(heard[i].ear) + " " + std::to_string(heard[i].hz) + " " +
                    std::to_string(heard[i].levelHL);
        both += "\n";
    }
    return both;
}

// Every measured slot: its entries, spread and threshold.
std::string Describe(const PatientFile& r) {
    std::string out;
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 12; ++slot) {
            if (r.Reverse[ear][slot - 1][0] == 0)
                continue;
            out += std::to_string(ear) + "/" + std::to_string(slot) + ":";
            for (int k = 0; k <= 21; ++k)
                out += " " + std::to_string(r.Reverse[ear][slot - 1][k]);
            out += " thr " + std::to_string(r.Threshold[ear][slot - 1]) + "\n";
        }
    return out;
}

class ListenedRun : public ::testing::Test {
  protected:
    ListenedRun() {
        program.clock = &clock;
        program.joystick = &joystick;
        UseRealSoundParts(program, dialogs, kLevelCorrection, {});
        program.outputWatch = std::make_unique<PulseOutputWatch>();
        Shell("pactl set-sink-volume @DEFAULT_SINK@ 100%");
        main = std::make_unique<TfrmMain>(program, nullptr);
        main->show();
        test = std::make_unique<TfrmTest>(program);
        main->SetTestWindow(test.get());
        for (int i = 0; i < 20; ++i) { // mapped and placed by the window manager
            QApplication::processEvents();
            QThread::msleep(10);
        }
    }

    // A plan of these frequencies, both ears, with the response button.
    void Plan(std::initializer_list<int> hz, const char* tone, const char* pause,
              ResponseButton button, const char* minReversals = "6") {
        Settings& s = program.settings;
        s.TestFrequency = {};
        for (int f : hz)
            for (int i = 0; i < kTestFrequencyCount; ++i)
                if (kTestFrequencies[static_cast<size_t>(i)] == f)
                    s.TestFrequency[i] = true;
        s.PulseDuration.SetText(tone);
        s.PauseDuration.SetText(pause);
        s.StartLevel.SetText("30");
        s.MinReversals.SetText(minReversals);
        if (button == ResponseButton::Joystick)
            s.SetJoystick(true);
        else
            s.SetCtrl(true);
    }

    // Runs New Test with a listener; returns how many pulses it played.
    size_t RunAndCompare(const ThresholdSubject& subject, Answering answering,
                         const std::function<void(SinkListener&, size_t)>& afterPulse = {}) {
        const Simulated sim = Simulate(program.settings, subject);
        std::vector<HeardPulse> heard;
        Frames recording;
        dialogs.messages.clear();
        program.state.RepeatedPulses = 0;
        // As fresh as the simulation's: New Test clears the thresholds, not
        // the entries an earlier run left in slots this one does not plan.
        program.state.Record = ProgramState().Record;
        // The runs are compared, not kept: no question about saving the last.
        program.state.UnsavedResults = false;
        {
            SinkListener listener(subject, kLevelCorrection, answering);
            EXPECT_TRUE(listener.Ready());
            if (afterPulse)
                listener.afterPulse = [&](size_t n) { afterPulse(listener, n); };
            main->NewTest1Click();
            EXPECT_TRUE(RunEnds(*main));
            std::this_thread::sleep_for(400ms); // the last pause reaches the monitor
            heard = listener.Pulses();
            recording = listener.Recording();
        }
        EXPECT_EQ(dialogs.messages.empty() ? std::string() : dialogs.messages.back(),
                  kMsgCompleted);
        EXPECT_EQ(program.state.RepeatedPulses, 0);
        EXPECT_TRUE(SameMeasurements(sim.record, program.state.Record))
            << "simulated:\n"
            << Describe(sim.record) << "through the windows:\n"
            << Describe(program.state.Record) << Side(sim.played, heard);
        EXPECT_EQ(heard.size(), sim.played.size()) << Side(sim.played, heard);
        EXPECT_EQ(CompareWithPulses(recording, ExpectedPulses(program.settings, sim.played)), "");
        return sim.played.size();
    }

    RecordingDialogs dialogs;
    FixedClock clock{{2026, 12, 10, 9, 0, 0}};
    SdlJoystickReader joystick;
    Program program;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmTest> test;
};

// Ten frequencies and two pulse lengths on a machine kept busy, one run
// answered with the joystick and one with CTRL through the X server, with a
// click on the greyed main window in the middle of the second.
TEST_F(ListenedRun, OnABusyMachineEveryPulseArrivesWholeAndEveryAnswerCounts) {
    ThresholdSubject subject;
    subject.thresholds[0] = {{500, 15}, {1000, 20}, {1500, 12}, {3000, 5}, {4000, 35},
                             {125, 20}, {250, 25},  {2000, 10}, {6000, 0}, {8000, 40}};
    subject.thresholds[1] = {{500, 5},  {1000, 0}, {1500, 18}, {3000, 25}, {4000, 20},
                             {125, 35}, {250, 30}, {2000, 15}, {6000, 10}, {8000, 30}};
    const QPoint click = main->mapToGlobal(main->rect().center());
    size_t pulses = 0;
    {
        MachineLoad load(::testing::TempDir());
        Plan({500, 1000, 1500, 3000, 4000}, "0.1", "0.5", ResponseButton::Joystick, "12");
        pulses += RunAndCompare(subject, {ResponseButton::Joystick, 0.2, 0.15});

        Plan({125, 250, 2000, 6000, 8000}, "0.2", "0.3", ResponseButton::CtrlKey, "12");
        std::atomic<bool> clicked{false};
        pulses += RunAndCompare(subject, {ResponseButton::CtrlKey, 0.28, 0.12},
                                [&](SinkListener&, size_t n) {
                                    if (n != 40)
                                        return;
                                    // Where a person would click: on the main window.
                                    void* x = OpenXInput();
                                    XClickAt(x, click.x(), click.y());
                                    CloseXInput(x);
                                    clicked = true;
                                });
        EXPECT_TRUE(clicked);
        std::printf("load average at the end: %s", Shell("cut -d' ' -f1-3 /proc/loadavg").c_str());
    }
    std::printf("%zu pulses compared bit for bit\n", pulses);
    EXPECT_GE(pulses, 300u);
}

// A subject who answers late, in the last part of the pause as heard, gets
// the same record as one who answers at once: a press belongs to the pulse
// whose pause the listener is hearing, never to the next.
TEST_F(ListenedRun, LateAnswersCountForThePulseTheyFollow) {
    ThresholdSubject subject;
    subject.thresholds[0] = {{1000, 32}, {3000, 20}};
    subject.thresholds[1] = {{1000, 12}, {3000, 25}};
    Plan({1000, 3000}, "0.3", "0.7", ResponseButton::Joystick);
    RunAndCompare(subject, {ResponseButton::Joystick, 0.8, 0.12});
}

// Another program turns the sink up during the run: the run stops within
// the pulse that was playing, keeps what it had measured and says why.
TEST_F(ListenedRun, AVolumeChangedByAnotherProgramStopsTheRunWithinOnePulse) {
    ThresholdSubject subject;
    subject.thresholds[0] = {{1000, 20}, {3000, 35}};
    subject.thresholds[1] = {{1000, 5}, {3000, 25}};
    Plan({1000, 3000}, "0.1", "0.5", ResponseButton::Joystick);
    size_t changedAt = 0;
    std::vector<HeardPulse> heard;
    {
        SinkListener listener(subject, kLevelCorrection, {ResponseButton::Joystick, 0.2, 0.15});
        listener.afterPulse = [&](size_t n) {
            if (n == 6) {
                changedAt = n;
                Shell("pactl set-sink-volume @DEFAULT_SINK@ 1000%");
            }
        };
        main->NewTest1Click();
        EXPECT_TRUE(RunEnds(*main));
        std::this_thread::sleep_for(400ms);
        heard = listener.Pulses();
    }
    Shell("pactl set-sink-volume @DEFAULT_SINK@ 100%");
    ASSERT_EQ(changedAt, 6u);
    EXPECT_LE(heard.size(), changedAt + 1) << "at most the pulse that was playing";
    ASSERT_GE(dialogs.messages.size(), 2u);
    const std::string why = dialogs.messages[dialogs.messages.size() - 2];
    EXPECT_NE(why.find("volume"), std::string::npos) << why;
    EXPECT_NE(why.find("another program"), std::string::npos) << why;
    EXPECT_EQ(dialogs.messages.back().rfind(kMsgStopped, 0), 0u);
    EXPECT_TRUE(main->isEnabled());
}

// A pulse the server really runs dry in (handed over in two parts, the
// second late): the run notices, plays it again and says so; the record is
// the simulation's.
TEST_F(ListenedRun, APulseWithAHoleIsPlayedAgainAndTheRunSaysSo) {
    auto* output = dynamic_cast<RoutedWaveOutput*>(program.waveOutput.get());
    ASSERT_NE(output, nullptr);
    ThresholdSubject subject;
    subject.thresholds[0] = {{1000, 20}};
    subject.thresholds[1] = {{1000, 5}};
    Plan({1000}, "0.1", "0.5", ResponseButton::Joystick);
    const Simulated sim = Simulate(program.settings, subject);
    std::vector<HeardPulse> heard;
    {
        SinkListener listener(subject, kLevelCorrection, {ResponseButton::Joystick, 0.2, 0.15});
        listener.afterPulse = [&](size_t n) {
            if (n == 3)
                output->ServerStream().SplitNextPulse(600);
        };
        main->NewTest1Click();
        EXPECT_TRUE(RunEnds(*main));
        std::this_thread::sleep_for(400ms);
        heard = listener.Pulses();
    }
    EXPECT_TRUE(output->OnServerStream());
    EXPECT_EQ(program.state.RepeatedPulses, 1);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), std::string(kMsgCompleted) + RepeatedPulsesNote(1));
    EXPECT_TRUE(SameMeasurements(sim.record, program.state.Record)) << Side(sim.played, heard);
    EXPECT_EQ(heard.size(), sim.played.size() + 1) << Side(sim.played, heard);
}

} // namespace
} // namespace tonmark::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tonmark::QuietAlsaErrors();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
