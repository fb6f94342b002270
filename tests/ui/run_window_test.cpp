// The test window and a hearing test run through the real windows, with the
// fake sound output and a scripted response button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstring>

#include "core/errors.h"
#include "core/run_commands.h"
#include "support/run_end.h"
#include "support/same_measurements.h"
#include "ui/gdi_canvas.h"
#include "ui/run_services_qt.h"
#include "ui/run_window.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

class FakeJoystick final : public JoystickReader {
  public:
    bool down = false;
    int reads = 0;
    bool AnyButtonDown() override {
        ++reads;
        return down;
    }
};

class TestWindow : public UiFixture {
  protected:
    TestWindow() {
        program.joystick = &joystick;
        Start();
        test = std::make_unique<TfrmTest>(program);
        main->SetTestWindow(test.get());
        program.state.CalibrationLoaded = true;
        // A short, quick test: 1000 Hz and 4000 Hz only, no familiarisation.
        Settings& s = program.settings;
        s.TestFrequency = {};
        s.TrialRun = s.RetestAt1kHz = s.AutoRetest = false;
        s.TestFrequency[4] = true;
        s.TestFrequency[8] = true;
        s.SetCtrl(true);
    }
    ~TestWindow() override {
        main->SetTestWindow(nullptr);
        test.reset();
    }

    void Key(QWidget* to, QEvent::Type type, int key, Qt::KeyboardModifiers mods,
             bool autoRepeat = false) {
        QKeyEvent e(type, key, mods, QString(), autoRepeat);
        QApplication::sendEvent(to, &e);
    }
    // A key as the window system hands it to a top-level window, which
    // passes it on to its focus widget.
    void WindowKey(QWidget* window, QEvent::Type type, int key, Qt::KeyboardModifiers mods) {
        QKeyEvent e(type, key, mods);
        QApplication::sendEvent(window->windowHandle(), &e);
    }
    // Processes events until done() holds or five seconds have passed;
    // returns done().
    static bool EventsUntil(const std::function<bool()>& done) {
        const QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired()) {
            QApplication::processEvents();
            QThread::msleep(5);
        }
        return done();
    }
    QtTestRunServices Services() {
        return QtTestRunServices(program, *main, *test, [] {});
    }

    FakeJoystick joystick;
    std::unique_ptr<TfrmTest> test;
};

TEST_F(TestWindow, CtrlKeyRulesOnTheWindowAndItsButton) {
    for (QWidget* target : {static_cast<QWidget*>(test.get()), static_cast<QWidget*>(test->Next)}) {
        SCOPED_TRACE(target == test.get() ? "window" : "Next button");
        bool& pressed = program.state.ResponsePressed;
        Key(target, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        EXPECT_TRUE(pressed);
        // Another key tapped while CTRL is held: its release says released.
        Key(target, QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        EXPECT_TRUE(pressed);
        Key(target, QEvent::KeyRelease, Qt::Key_A, Qt::ControlModifier);
        EXPECT_FALSE(pressed);
        // CTRL's auto-repeat says pressed again.
        Key(target, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, true);
        EXPECT_TRUE(pressed);
        // A key pressed without CTRL says released.
        Key(target, QEvent::KeyPress, Qt::Key_B, Qt::NoModifier);
        EXPECT_FALSE(pressed);
        Key(target, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        Key(target, QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        EXPECT_FALSE(pressed);
    }
    EXPECT_FALSE(program.state.StopRequested) << "Enter and CTRL never cancel";
    Key(test->Next, QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    EXPECT_FALSE(program.state.StopRequested);
}

TEST_F(TestWindow, LightChangesAtPollsOnlyAndJoystickModeIgnoresCtrl) {
    auto services = Services();
    services.BeginTestRun(program.settings.Joystick);
    EXPECT_FALSE(main->isEnabled());
    EXPECT_TRUE(test->isVisible());
    services.PollResponseButton();
    EXPECT_FALSE(test->LightShown());
    Key(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(test->LightShown()) << "the key itself does not change the light";
    EXPECT_TRUE(services.PollResponseButton());
    EXPECT_TRUE(test->LightShown());
    EXPECT_EQ(joystick.reads, 0) << "CTRL mode reads no controller";
    services.EndTestRun();

    program.settings.SetJoystick(true);
    services.BeginTestRun(program.settings.Joystick);
    Key(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(services.PollResponseButton()) << "the controller decides";
    EXPECT_FALSE(test->LightShown());
    joystick.down = true;
    EXPECT_TRUE(services.PollResponseButton());
    EXPECT_TRUE(test->LightShown());
    services.EndTestRun();
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
}

// A busy machine can hand the press and the release of a short tap to the
// program together, between two polls: the tap still answers, once.
TEST_F(TestWindow, ATapBetweenTwoPollsStillAnswers) {
    auto services = Services();
    services.BeginTestRun(program.settings.Joystick);
    services.PollResponseButton();
    Key(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    Key(test.get(), QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_TRUE(services.PollResponseButton());
    EXPECT_FALSE(test->LightShown()) << "the light shows the button as it is";
    EXPECT_FALSE(services.PollResponseButton()) << "one tap, one answer";
    services.EndTestRun();

    program.settings.SetJoystick(true);
    services.BeginTestRun(program.settings.Joystick);
    Key(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    Key(test.get(), QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(services.PollResponseButton()) << "the controller decides";
    services.EndTestRun();
}

TEST_F(TestWindow, CtrlCountsFromTheProgramsOtherWindowsWhileTheTestWindowShows) {
    bool& pressed = program.state.ResponsePressed;
    auto services = Services();
    services.BeginTestRun(program.settings.Joystick);
    // Another window of the program whose focus widget takes every key.
    QLineEdit other;
    other.show();
    for (QWidget* window : {static_cast<QWidget*>(main), static_cast<QWidget*>(&other)}) {
        SCOPED_TRACE(window == main ? "main window" : "a text field's window");
        WindowKey(window, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        EXPECT_TRUE(pressed);
        WindowKey(window, QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
        EXPECT_FALSE(pressed);
        WindowKey(window, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        WindowKey(window, QEvent::KeyPress, Qt::Key_B, Qt::NoModifier);
        EXPECT_FALSE(pressed) << "a key without CTRL says released";
    }
    // The test window's own keys still count.
    WindowKey(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(pressed);
    WindowKey(test.get(), QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    EXPECT_FALSE(pressed);
    services.EndTestRun();
    // Between runs CTRL elsewhere is a plain key again; so too after the
    // close box has hidden the test window.
    WindowKey(main, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(pressed);
    test->show();
    test->close();
    WindowKey(&other, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_FALSE(pressed);
}

TEST_F(TestWindow, TheDisabledMainWindowHandsActivationBackToTheTestWindow) {
    // Counts the activations of the main window, however short.
    struct ActivationSpy : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            count += e->type() == QEvent::WindowActivate;
            return false;
        }
    } mainActivations;
    main->installEventFilter(&mainActivations);
    auto services = Services();
    services.BeginTestRun(program.settings.Joystick);
    ASSERT_TRUE(EventsUntil([&] { return QApplication::activeWindow() == test.get(); }));
    // What a click on the greyed main window makes the window manager do.
    mainActivations.count = 0;
    main->activateWindow();
    ASSERT_TRUE(EventsUntil([&] { return mainActivations.count > 0; }));
    EXPECT_TRUE(EventsUntil([&] { return QApplication::activeWindow() == test.get(); }));
    services.EndTestRun();
    main->removeEventFilter(&mainActivations);
}

TEST_F(TestWindow, TheNextSlotTakesTheKeyboardBackFromAnotherWindow) {
    auto services = Services();
    services.BeginTestRun(program.settings.Joystick);
    ASSERT_TRUE(EventsUntil([&] { return QApplication::activeWindow() == test.get(); }));
    // Another of the program's windows, as the help viewer is, takes the
    // keyboard while the test window stays up.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(EventsUntil([&] { return QApplication::activeWindow() == &other; }));
    services.ShowTestWindow();
    EXPECT_TRUE(EventsUntil([&] { return QApplication::activeWindow() == test.get(); }));
    services.EndTestRun();
}

TEST_F(TestWindow, EscapeNextAndTheCloseBoxAskToStop) {
    const std::function<void()> ways[] = {
        [&] { Key(test.get(), QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier); },
        [&] { test->Next->click(); },
        [&] { test->close(); },
    };
    for (const auto& way : ways) {
        program.state.StopRequested = false;
        test->show();
        way();
        EXPECT_TRUE(program.state.StopRequested);
    }
    EXPECT_FALSE(test->isVisible()) << "the close box hides the window";
}

TEST_F(TestWindow, RepaintShowsTheGridAndOnlyTheCurrentSlotsTrace) {
    TestRunState& run = program.state.Run;
    run.CurrentEar = 1;
    run.TraceStep = 20;
    run.PulseCount = 3;
    run.LevelTrace[0] = 160; // 40 dB HL
    run.LevelTrace[1] = 175;
    run.LevelTrace[2] = 190;
    run.LevelTrace[3] = 175;
    run.LevelTrace[4] = 250; // beyond PulseCount: an earlier slot's, not drawn
    test->GraphPaint();
    const QImage& g = test->Graph->picture;
    const QColor right = ColourFromStored(program.settings.GraphColour(1));
    const QColor grid = ColourFromStored(program.settings.GraphColour(2));
    EXPECT_EQ(g.pixelColor(100, 10), grid);  // the -10 dB line
    EXPECT_EQ(g.pixelColor(200, 280), grid); // the x axis
    EXPECT_EQ(g.pixelColor(24, 150), grid);  // the y axis
    EXPECT_EQ(g.pixelColor(25, 160), right); // the trace starts at x 25
    EXPECT_EQ(g.pixelColor(65, 190), right); // pulse 2
    EXPECT_EQ(g.pixelColor(84, 176), right); // on its way back up to pulse 3
    for (int y = 195; y < 279; ++y)
        ASSERT_NE(g.pixelColor(95, y), right) << y; // nothing towards the old level
    // The colour follows the settings at the next repaint.
    program.settings.SetGraphColour(1, 0x0000FF00);
    main->ApplyColours();
    EXPECT_EQ(test->Graph->picture.pixelColor(25, 160), QColor(0, 255, 0));
}

// A subject behind the CTRL key: pressed during every pulse at or above the
// threshold of its ear and frequency. Each pulse of the fake output ends at
// its second wait, so the poll after the first sees the press made there.
TEST_F(TestWindow, NewTestThroughTheWindowsMatchesTheSimulatedRun) {
    ThresholdSubject model;
    model.thresholds[0] = {{1000, 20}, {4000, 35}};
    model.thresholds[1] = {{1000, 5}, {4000, 50}};
    int wait = 0;
    waveOutput->waitHook = [&] {
        if (++wait % 2 == 0) {
            // Let go when the pulse ends, before the next one's first poll.
            Key(test.get(), QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
            return true;
        }
        const TestRunState& run = program.state.Run;
        // The level of the pulse that plays, in dB HL, at the slot's frequency.
        const double hl = run.TestLevel + 70;
        const int32_t hz = std::stoi(test->windowTitle().section(' ', -3, -3).toStdString());
        PulseInfo p{run.CurrentEar, 0, hz, hl, 0, 0};
        if (model.Hears(p))
            Key(test.get(), QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
        return false;
    };
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
    EXPECT_TRUE(program.state.AudiogramValid);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().rfind(kMsgCompleted, 0), 0u) << dialogs.messages.back();

    // The same subject and settings without windows or sound.
    ProgramState state;
    state.CalibrationLoaded = true;
    SilentServices silent(state);
    silent.subject = [&](const PulseInfo& p) { return model.Hears(p); };
    RecordingDialogs silentDialogs;
    MemoryOnceStore once;
    TestRunContext run{state, program.settings, silent, silentDialogs, clock};
    CommandContext cmd{run, once, std::nullopt};
    ::tonmark::NewTest1Click(cmd);
    EXPECT_TRUE(SameMeasurements(state.Record, program.state.Record));
    EXPECT_NEAR(program.state.Record.Threshold[0][4], 20, 5); // left, 1000 Hz
    EXPECT_NEAR(program.state.Record.Threshold[1][4], 5, 5);  // right, 1000 Hz
}

TEST_F(TestWindow, StoppedAndFailedRunsLeaveTheProgramUsable) {
    // Escape during the fourth pulse.
    int wait = 0;
    waveOutput->waitHook = [&] {
        if (++wait == 4)
            Key(test.get(), QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        return true;
    };
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    EXPECT_EQ(dialogs.messages.back(), kMsgStopped);
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
    EXPECT_FALSE(program.state.AudiogramValid);
    EXPECT_EQ(waveOutput->opened, -2) << "the device was released";

    // The device vanishes in the middle of a pulse.
    wait = 0;
    waveOutput->waitHook = [&] {
        if (++wait == 3)
            waveOutput->failure = "The sound output device stopped working.";
        return wait < 3;
    };
    dialogs.messages.clear();
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    ASSERT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[dialogs.messages.size() - 2],
              "The sound output device stopped working.");
    EXPECT_EQ(dialogs.messages.back(), std::string(kMsgStopped) + " " + LostSlotNote(0, 1000));
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
    EXPECT_EQ(waveOutput->opened, -2);

    // A device that cannot be opened.
    waveOutput->failure.clear();
    waveOutput->openFails = true;
    dialogs.messages.clear();
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    ASSERT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[dialogs.messages.size() - 2],
              "The sound output device is not available.");
    EXPECT_TRUE(main->isEnabled());

    // A start level that is not a number: the error reaches the handler,
    // the display ends all the same.
    waveOutput->openFails = false;
    waveOutput->waitHook = nullptr;
    program.settings.StartLevel.SetText("loud");
    // (The chart's own paint reports the setting too, while the run goes on.)
    std::vector<std::string> afterTheRun;
    program.errors.SetSink([&](const std::string& text) {
        if (!main->TestRunning())
            afterTheRun.push_back(text);
    });
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    EXPECT_EQ(afterTheRun, std::vector<std::string>{"'loud' is not a valid integer value"});
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
}

TEST_F(TestWindow, SettingsDialogLightsWithTheControllerOnTheHardwarePageOnly) {
    settings->show();
    QApplication::processEvents();
    settings->SettingsPages->setCurrentWidget(settings->SoundCard);
    settings->rdoJoystick->click();
    for (QWidget* w :
         std::initializer_list<QWidget*>{settings->light, settings->lblJoystickState,
                                         settings->lblJoystickHelp, settings->btnGamingOptions})
        EXPECT_TRUE(w->isVisibleTo(settings));
    EXPECT_TRUE(settings->tmrJoystickLight->isActive());
    EXPECT_EQ(settings->tmrJoystickLight->interval(), 50);
    auto lightAfterTicks = [&] {
        const int before = joystick.reads;
        EXPECT_TRUE(EventsUntil([&] { return joystick.reads >= before + 2; }))
            << "the light's timer reads the controller";
        return settings->light->styleSheet();
    };
    joystick.down = true;
    EXPECT_NE(lightAfterTicks().indexOf("red"), -1);
    joystick.down = false;
    EXPECT_NE(lightAfterTicks().indexOf("black"), -1);
    settings->rdoCTRL->click();
    EXPECT_FALSE(settings->light->isVisibleTo(settings));
    EXPECT_FALSE(settings->btnGamingOptions->isVisibleTo(settings));
    settings->SelectGraphPage();
    EXPECT_FALSE(settings->tmrJoystickLight->isActive());
    settings->CancelClick();
}

// The run goes on from the event loop: New Test returns while its first
// pulse plays, the windows keep working, and the run ends from a pulse's end.
TEST_F(TestWindow, NewTestReturnsWhileItsPulsesPlay) {
    waveOutput->done = false; // the first pulse does not end until told
    main->NewTest1Click();
    ASSERT_TRUE(main->TestRunning());
    ASSERT_TRUE(EventsUntil([&] { return test->isVisible() && !waveOutput->lastBuffer.empty(); }));
    EXPECT_FALSE(main->isEnabled());
    int ticks = 0;
    QTimer other;
    QObject::connect(&other, &QTimer::timeout, [&] { ++ticks; });
    other.start(5);
    EXPECT_TRUE(EventsUntil([&] { return ticks >= 3; })) << "other timers run during a pulse";
    Key(test.get(), QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_TRUE(main->TestRunning()) << "a stop counts at the end of the pulse";
    waveOutput->done = true;
    EXPECT_TRUE(RunEnds(*main, 10));
    EXPECT_EQ(dialogs.messages.back(), kMsgStopped);
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(test->isVisible());
}

TEST_F(TestWindow, ALevelTheCardRefusesStopsTheRun) {
    // A card with a master volume, whose every set fails.
    volumeDevices->Volume("master");
    program.outputLevels->CountDevices();
    ASSERT_EQ(program.outputLevels->OpenDevice(0).failure, MixerOpenResult::Failure::None);
    ASSERT_TRUE(program.outputLevels->Scale(Slider::Master).present);
    volumeLog.setResult = 1025;
    waveOutput->waitHook = [] { return true; };
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    ASSERT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[dialogs.messages.size() - 2],
              "The sound card's master volume could not be set: MixerControlDetails INVALCONTROL");
    EXPECT_EQ(dialogs.messages.back(), std::string(kMsgStopped) + " " + LostSlotNote(0, 1000));
    EXPECT_FALSE(program.state.AudiogramValid);
    EXPECT_TRUE(main->isEnabled());
    EXPECT_EQ(waveOutput->opened, -2) << "the device was released";
}

TEST_F(TestWindow, CommandsNeedACalibrationAndFollowTheMenuRule) {
    program.state.CalibrationLoaded = false;
    main->NewTest1Click();
    EXPECT_TRUE(RunEnds(*main));
    EXPECT_EQ(dialogs.messages.back(), kMsgNeedCalibration);
    main->Test1Click();
    EXPECT_TRUE(main->NewTest1->isEnabled());
    EXPECT_FALSE(main->Retest1->isEnabled());
    program.state.CalibrationLoaded = true;
    program.state.AudiogramValid = true;
    main->Test1Click();
    EXPECT_TRUE(main->Retest1->isEnabled());
}

} // namespace
} // namespace tonmark::test
