// A hearing test on real parts: the program's own output into a private
// PulseAudio null sink, the endpoint volume through libpulse, and SDL's
// virtual joystick as the response button. A listener thread records the
// sink's monitor, measures every pulse (ear, frequency, level in dB HL
// through the calibration) and presses the button while the pulse period
// lasts when the level is at or above its threshold. Runs under
// tests/audio/with_pulse.sh.
#include <gtest/gtest.h>

#include <QApplication>
#include <SDL2/SDL.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/platform_helpers.h"
#include "audio/alsa_mixer_platform.h"
#include "audio/portaudio_output.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/pulse_output_watch.h"
#include "core/threshold_run.h"
#include "support/program_process.h"
#include "support/real_program.h"
#include "support/run_end.h"
#include "support/same_measurements.h"
#include "support/shell.h"
#include "support/sink_inputs.h"
#include "support/sink_listener.h"
#include "tools/simulation.h"
#include "ui/calibration_by_ear.h"
#include "ui/hardware_check_window.h"
#include "ui/looping_tone.h"
#include "ui/main_window.h"
#include "ui/run_window.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr double kLevelCorrection = -10; // dB, every ear and slot

// A subject at the sink who answers on the virtual joystick 0.2 s after each
// onset it hears, for 0.15 s: inside the pause of the 0.1 s + 0.5 s pulses.
class Listener : public SinkListener {
  public:
    explicit Listener(ThresholdSubject subject)
        : SinkListener(std::move(subject), kLevelCorrection,
                       {ResponseButton::Joystick, 0.2, 0.15}) {}
};

class RealRun : public ::testing::Test {
  protected:
    RealRun() {
        program.clock = &clock;
        program.joystick = &joystick;
        UseRealSoundParts(program, dialogs, kLevelCorrection, {1000, 3000});
        Settings& s = program.settings;
        s.PulseDuration.SetText("0.1");
        s.PauseDuration.SetText("0.5");
        s.StartLevel.SetText("30");
        s.MinReversals.SetText("4");
        subject.thresholds[0] = {{1000, 20}, {3000, 35}};
        subject.thresholds[1] = {{1000, 5}, {3000, 25}};
        main = std::make_unique<TfrmMain>(program, nullptr);
        main->show();
        test = std::make_unique<TfrmTest>(program);
        main->SetTestWindow(test.get());
    }

    RecordingDialogs dialogs;
    FixedClock clock{{2026, 12, 10, 9, 0, 0}};
    SdlJoystickReader joystick;
    Program program;
    ThresholdSubject subject;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmTest> test;
};

TEST_F(RealRun, ListenerWithAJoystickGetsTheSimulatedRecord) {
    ASSERT_TRUE(program.outputLevels->CoreAudioMode()) << "the private sound server must answer";
    std::vector<HeardPulse> heard;
    {
        Listener listener(subject);
        main->NewTest1Click();
        EXPECT_TRUE(RunEnds(*main));
        std::this_thread::sleep_for(700ms); // the last pulse reaches the monitor
        heard = listener.Pulses();
    }
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().rfind(kMsgCompleted, 0), 0u) << dialogs.messages.back();
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());

    // The same subject and settings without sound or windows.
    ProgramState state;
    state.CalibrationLoaded = true;
    SilentServices silent(state);
    std::vector<PulseInfo> played;
    silent.subject = [&](const PulseInfo& p) {
        played.push_back(p);
        return subject.Hears(p);
    };
    RecordingDialogs silentDialogs;
    MemoryOnceStore once;
    TestRunContext run{state, program.settings, silent, silentDialogs, clock};
    RunTest(run, BuildNewTestPlan(program.settings), false);
    EXPECT_TRUE(SameMeasurements(state.Record, program.state.Record));

    std::string both;
    for (size_t i = 0; i < std::max(heard.size(), played.size()); ++i) {
        both += std::to_string(i) + ": ";
        if (i < played.size())
            both += std::to_string(played[i].ear) + " " + std::to_string(played[i].hz) + " " +
                    std::to_string(played[i].levelHL) + (subject.Hears(played[i]) ? " H" : " -");
        both += " | ";
        if (i < heard.size())
            both += std::to_string(heard[i].ear) + " " + std::to_string(heard[i].hz) + " " +
                    std::to_string(heard[i].levelHL);
        both += "\n";
    }
    ASSERT_EQ(heard.size(), played.size()) << both;
    for (size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE("pulse " + std::to_string(i));
        EXPECT_EQ(heard[i].ear, played[i].ear);
        EXPECT_FALSE(heard[i].bothChannels);
        EXPECT_EQ(heard[i].hz, played[i].hz);
        EXPECT_NEAR(heard[i].levelHL, played[i].levelHL, 0.5);
    }
}

TEST_F(RealRun, SignalDuringARunStopsItAndClosesTheWindow) {
    CloseOnSignals onSignal([this] { main->RequestClose(); });
    SteadyClock::time_point sent{};
    Listener listener(subject);
    listener.afterPulse = [&](size_t count) {
        if (count == 3) {
            sent = SteadyClock::now();
            kill(getpid(), SIGTERM);
        }
    };
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - sent).count();
    EXPECT_LT(seconds, 2) << "a stop at once, not at the end of the test";
    EXPECT_EQ(dialogs.messages.back(), kMsgStopped);
    QApplication::processEvents();
    EXPECT_FALSE(main->isVisible()) << "the program closes as with its close box";
}

// The monitor's frames while a window plays, [left, right].
std::vector<std::pair<int16_t, int16_t>> RecordWhile(const std::function<void()>& play) {
    const std::string path =
        std::string(::testing::TempDir()) + "cal-rec-" + std::to_string(getpid()) + ".raw";
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("parec", "parec", "-d", "@DEFAULT_MONITOR@", "--format=s16le", "--rate=44100",
               "--channels=2", "--latency-msec=20", path.c_str(), (char*)nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(500ms);
    play();
    std::this_thread::sleep_for(300ms);
    kill(pid, SIGINT);
    waitpid(pid, nullptr, 0);
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(path.c_str());
    std::vector<std::pair<int16_t, int16_t>> frames(bytes.size() / 4);
    for (size_t i = 0; i < frames.size(); ++i) {
        std::memcpy(&frames[i].first, bytes.data() + 4 * i, 2);
        std::memcpy(&frames[i].second, bytes.data() + 4 * i + 2, 2);
    }
    return frames;
}

TEST_F(RealRun, CalibrationTonesAndSlidersOnTheRealCard) {
    ASSERT_TRUE(program.outputLevels->CoreAudioMode());
    program.settings.WaveOutDevice = -1;
    TfrmCompatibilityTest compatibility(program, *main);
    compatibility.show();
    // The master slider drives the sink's volume: three quarters.
    compatibility.MasterSlider->setValue(250);
    EXPECT_EQ(SinkVolumeRaw("@DEFAULT_SINK@"), 49152);
    compatibility.MasterSlider->setValue(0);
    EXPECT_EQ(SinkVolumeRaw("@DEFAULT_SINK@"), 65536);
    compatibility.rdoRightEar->setChecked(true);
    compatibility.Threshold->setText("-20");
    compatibility.tbrFrequency->setValue(7); // slot 5: 1000 Hz
    const auto frames = RecordWhile([&] {
        compatibility.OnButton->click();
        for (int i = 0; i < 30; ++i) { // 1.5 s of a looping one-second tone
            QApplication::processEvents();
            std::this_thread::sleep_for(50ms);
        }
        compatibility.close(); // the tone stops with its window
    });
    EXPECT_FALSE(compatibility.ToneOn());
    int peakLeft = 0, peakRight = 0;
    size_t first = 0, last = 0, run = 0, longest = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        peakLeft = std::max(peakLeft, std::abs(static_cast<int>(frames[i].first)));
        peakRight = std::max(peakRight, std::abs(static_cast<int>(frames[i].second)));
        if (frames[i].second != 0) {
            if (!first)
                first = i;
            last = i;
        }
    }
    for (size_t i = first; i <= last; ++i) {
        run = frames[i].second == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    EXPECT_EQ(peakLeft, 0) << "only the chosen ear";
    EXPECT_NEAR(peakRight, 32767 * 0.1, 5) << "-20 dB re full scale";
    EXPECT_GE(last - first, 44100u) << "it loops past its one-second buffer";
    // Where the swell of one loop meets the next, a few ms round to zero; a
    // hole in the stream would be longer.
    EXPECT_LT(longest, 400u);
}

// The largest sample of each channel, [left, right].
std::pair<int, int> PeaksOf(const std::vector<std::pair<int16_t, int16_t>>& frames) {
    std::pair<int, int> peaks{0, 0};
    for (const auto& [l, r] : frames) {
        peaks.first = std::max(peaks.first, std::abs(static_cast<int>(l)));
        peaks.second = std::max(peaks.second, std::abs(static_cast<int>(r)));
    }
    return peaks;
}

// On the sound server both calibration windows take the server's control as
// a working card, and both their sliders move the tone: the wave slider
// through the program's own stream volume (a linear factor of setting / 1285),
// the master slider through the server's output (the cube of its scalar on
// the server's scale). A tone started after a move plays at the new volume
// from its first sample; a move while it sounds changes it.
TEST_F(RealRun, BothCalibrationWindowsSlidersMoveTheToneOnTheServer) {
    ASSERT_TRUE(program.outputLevels->CoreAudioMode());
    program.settings.WaveOutDevice = -1;
    const double tone = 32767 * 0.1; // -20 dB re full scale, the windows' level below
    const auto pump = [](std::chrono::milliseconds span) {
        for (const auto end = SteadyClock::now() + span; SteadyClock::now() < end;) {
            QApplication::processEvents();
            std::this_thread::sleep_for(5ms);
        }
    };
    const auto setWave = [](VolumeSlider* s, int setting) { s->setValue(s->maximum() - setting); };
    // Phases of one tone: what moves, then the factor the tone is heard at.
    // The tone loops once a second; 1.2 s of each phase holds a whole loop.
    // The tone's start is recorded from before it; a move while it sounds,
    // from after it (the recording's lead would hold the phase before).
    const auto phases = [&](auto& window, int channel) {
        const struct {
            const char* what;
            std::function<void()> move;
            double factor;
        } steps[] = {
            {"the tone started after a wave move", [&] { window.OnButton->click(); }, 128 / 1285.0},
            {"wave to the top while it sounds", [&] { setWave(window.WaveOutSlider, 1285); }, 1},
            {"master to 0.75 while it sounds", [&] { window.MasterSlider->setValue(250); },
             0.75 * 0.75 * 0.75},
            {"wave to 13 while it sounds", [&] { setWave(window.WaveOutSlider, 13); },
             0.75 * 0.75 * 0.75 * 13 / 1285.0},
        };
        setWave(window.WaveOutSlider, 128);
        for (const auto& step : steps) {
            SCOPED_TRACE(step.what);
            const bool start = &step == &steps[0];
            if (!start) {
                step.move();
                pump(100ms);
            }
            const auto peaks = PeaksOf(RecordWhile([&] {
                if (start)
                    step.move();
                pump(1200ms);
            }));
            ASSERT_TRUE(window.ToneOn())
                << (dialogs.messages.empty() ? "" : dialogs.messages.back());
            const int heard = channel == 0 ? peaks.first : peaks.second;
            EXPECT_NEAR(heard, tone * step.factor, 2 + tone * step.factor * 0.005);
            EXPECT_EQ(channel == 0 ? peaks.second : peaks.first, 0) << "only the chosen ear";
        }
        const auto inputs = ProgramSinkInputs();
        ASSERT_EQ(inputs.size(), 1u);
        EXPECT_EQ(inputs[0].volume,
                  std::vector<pa_volume_t>(2, pa_sw_volume_from_linear(13 / 1285.0)));
        window.MasterSlider->setValue(0);
        window.close();
        EXPECT_FALSE(window.ToneOn());
    };
    const auto notCompatible = [this] {
        return std::count_if(
            dialogs.messages.begin(), dialogs.messages.end(),
            [](const std::string& m) { return m.find("not compatible") != std::string::npos; });
    };
    {
        SCOPED_TRACE("compatibility test");
        TfrmCompatibilityTest compatibility(program, *main);
        compatibility.show();
        EXPECT_EQ(notCompatible(), 0);
        EXPECT_EQ(compatibility.WaveOutSlider->maximum(), 1285);
        EXPECT_EQ(compatibility.WaveOutSlider->value(), 0) << "the stream volume starts at 100 %";
        compatibility.rdoRightEar->setChecked(true);
        compatibility.Threshold->setText("-20");
        compatibility.tbrFrequency->setValue(7); // 1000 Hz
        phases(compatibility, 1);
        EXPECT_EQ(compatibility.WaveLabel->text(), QString::number(13 * 51)) << "the control value";
    }
    {
        SCOPED_TRACE("calibration by ear");
        dialogs.confirmationAnswer = true; // a reference audiogram: the level entry shows
        TfrmBioCal bioCal(program, *main, [] {});
        bioCal.show();
        EXPECT_EQ(bioCal.WaveOutSlider->maximum(), 1285);
        bioCal.Threshold->setText("40"); // 40 dB HL - 60: -20 dB re full scale
        bioCal.MasterSlider->setValue(0);
        phases(bioCal, 0);
        EXPECT_EQ(program.bioCalTable[0][1].WaveVolume, 13);
    }
    EXPECT_EQ(notCompatible(), 0);
}

// Another program's change of the sink's volume stops a calibration tone at
// once, with a message naming it; the window's own slider, moved while the
// tone sounds, does not.
TEST_F(RealRun, CalibrationToneStopsWhenAnotherProgramChangesTheVolume) {
    ASSERT_TRUE(program.outputLevels->CoreAudioMode());
    program.outputWatch = std::make_unique<PulseOutputWatch>();
    program.settings.WaveOutDevice = -1;
    const auto last = [this] {
        return dialogs.messages.empty() ? std::string() : dialogs.messages.back();
    };
    const auto pump = [](std::chrono::milliseconds span) {
        for (const auto end = SteadyClock::now() + span; SteadyClock::now() < end;) {
            QApplication::processEvents();
            std::this_thread::sleep_for(5ms);
        }
    };
    TfrmCompatibilityTest compatibility(program, *main);
    compatibility.show();
    compatibility.Threshold->setText("-40");
    compatibility.OnButton->click();
    ASSERT_TRUE(compatibility.ToneOn()) << last();
    for (const int position : {100, 250, 0}) {
        SCOPED_TRACE("master slider at " + std::to_string(position));
        compatibility.MasterSlider->setValue(position);
        pump(200ms);
        ASSERT_TRUE(compatibility.ToneOn()) << last();
    }
    EXPECT_EQ(SinkVolumeRaw("@DEFAULT_SINK@"), 65536);
    const size_t shown = dialogs.messages.size();
    const auto changed = SteadyClock::now();
    Shell("pactl set-sink-volume @DEFAULT_SINK@ 1000%");
    while (compatibility.ToneOn() && SteadyClock::now() - changed < 5s) {
        QApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    std::printf("tone stopped %.1f ms after pactl started\n",
                std::chrono::duration<double, std::milli>(SteadyClock::now() - changed).count());
    EXPECT_FALSE(compatibility.ToneOn());
    EXPECT_FALSE(compatibility.Tone().Sounding());
    ASSERT_EQ(dialogs.messages.size(), shown + 1);
    EXPECT_EQ(last(), "The volume of the sound output \"Null Output\" was changed by another "
                      "program (from 100 % to 1000 %). The tone was stopped.");
    Shell("pactl set-sink-volume @DEFAULT_SINK@ 100%");
    compatibility.close();
}

// Runs last: the server does not come back. It goes in the middle of the
// second slot (3000 Hz, left ear): the first slot's result stays.
TEST_F(RealRun, ZServerKilledDuringARunEndsItWithAMessageAndKeepsTheFinishedSlots) {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    ASSERT_NE(pid, nullptr);
    SteadyClock::time_point killed{};
    {
        Listener listener(subject);
        int intoSecondSlot = 0;
        listener.afterPulse = [&](size_t) {
            if (listener.Pulses().back().hz == 3000 && ++intoSecondSlot == 2) {
                killed = SteadyClock::now();
                kill(std::atoi(pid), SIGKILL);
            }
        };
        main->NewTest1Click();
        EXPECT_TRUE(RunEnds(*main));
    }
    ASSERT_NE(killed, SteadyClock::time_point{}) << "the second slot was never reached";
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - killed).count();
    EXPECT_LT(seconds, 3) << "the wait ends within about a second, never hangs";
    ASSERT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages.back(), std::string(kMsgStopped) + " " + LostSlotNote(0, 3000));
    EXPECT_NE(dialogs.messages[dialogs.messages.size() - 2].find("sound output device"),
              std::string::npos)
        << dialogs.messages[dialogs.messages.size() - 2];
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
    EXPECT_TRUE(program.state.AudiogramValid) << "what was measured stays valid";
    EXPECT_GT(program.state.Record.Count(0, 5), 0) << "1000 Hz, left ear, was finished";
    EXPECT_NE(program.state.Record.Threshold[0][4], NotMeasured);
    EXPECT_EQ(program.state.Record.Count(0, 9), 0) << "3000 Hz, left ear, was cut short";
    EXPECT_EQ(program.state.Record.Threshold[0][8], NotMeasured);
}

// The real program, idle: SIGTERM ends it at once and cleanly.
TEST(RealProgram, EndsOnSigterm) {
    ProgramProcess program(TONMARK_PROGRAM, TONMARK_TEST_DATA "/full_settings.json",
                           ::testing::TempDir());
    std::this_thread::sleep_for(2s);
    ASSERT_TRUE(program.Running());
    const ProgramProcess::Ending end = program.Terminate();
    EXPECT_LT(end.seconds, 3);
    EXPECT_TRUE(end.exited) << "closed by the program, not killed by the signal";
}

} // namespace
} // namespace tonmark::test

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    tonmark::QuietAlsaErrors();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
