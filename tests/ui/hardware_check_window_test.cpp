// The hardware compatibility test against the fake volume controls and wave output.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>
#include <cstring>

#include "ui/hardware_check_window.h"
#include "ui/looping_tone.h"
#include "ui/run_window.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

// The largest sample of one channel, and how often it changes sign.
struct ChannelReading {
    int peak = 0;
    int crossings = 0;
};
ChannelReading Read(const std::string& buffer, int channel) {
    ChannelReading r;
    int16_t last = 0;
    for (size_t i = 0; i + 4 <= buffer.size(); i += 4) {
        int16_t v;
        std::memcpy(&v, buffer.data() + i + 2 * channel, 2);
        r.peak = std::max(r.peak, std::abs(static_cast<int>(v)));
        r.crossings += (v > 0) != (last > 0);
        last = v;
    }
    return r;
}

class Compatibility : public UiFixture {
  protected:
    Compatibility() {
        // A card with a master volume (32 steps) and a wave volume (255 steps).
        volumeDevices->Volume("master");
        volumeDevices->Volume("wave", 255, 255);
        Start();
        program.outputLevels->CountDevices();
        EXPECT_EQ(program.outputLevels->OpenDevice(0).failure, MixerOpenResult::Failure::None);
        window = std::make_unique<TfrmCompatibilityTest>(program, *main);
        main->SetCompatibilityTest(window.get());
    }
    ~Compatibility() override {
        main->SetCompatibilityTest(nullptr);
        window.reset();
    }
    std::unique_ptr<TfrmCompatibilityTest> window;
};

TEST_F(Compatibility, WarnsThenSetsUpTheSlidersFromTheCard) {
    main->TestCompatibility1->trigger();
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(main->isEnabled());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.front().rfind("Depending on your hardware", 0), 0u);
    EXPECT_EQ(window->WaveOutSlider->maximum(), 255);
    EXPECT_FALSE(window->GainSlider->isVisibleTo(window.get())) << "the card has no gain";
    EXPECT_TRUE(window->Label9->text().startsWith("Selected output device: "));
    // Moving the wave slider sets the card; the label shows the control value.
    volumeLog.sets.clear();
    window->WaveOutSlider->setValue(255 - 100); // setting 100
    ASSERT_FALSE(volumeLog.sets.empty());
    EXPECT_EQ(volumeLog.sets.back(), (VolumeSet{"wave", 100, 100}));
    EXPECT_EQ(window->WaveLabel->text(), "100");
    window->close();
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(Compatibility, ZeroStepControlsAreReported) {
    volumeDevices->FindVolume("wave")->steps = 0;
    ASSERT_EQ(program.outputLevels->OpenDevice(0).failure, MixerOpenResult::Failure::None);
    window->show();
    bool reported = false;
    for (const std::string& m : dialogs.messages)
        reported =
            reported || m.find("zero possible levels on the wave volume") != std::string::npos;
    EXPECT_TRUE(reported);
    volumeLog.sets.clear();
    window->WaveOutSlider->setValue(0); // nothing to divide by: the card is left alone
    EXPECT_TRUE(volumeLog.sets.empty());
    window->close();
}

TEST_F(Compatibility, TheLevelIsHeldWithinItsRange) {
    const std::pair<const char*, const char*> cases[] = {
        {"-75", "-60"}, {"5", "0"}, {"abc", "0"}, {"-30", "-30"}, {"", "0"}};
    for (const auto& [typed, shown] : cases) {
        SCOPED_TRACE(typed);
        window->Threshold->setText(typed);
        window->ThresholdExit();
        EXPECT_EQ(window->Threshold->text(), shown);
    }
}

TEST_F(Compatibility, TheToneIsOnTheChosenEarAtItsLevelAndFollowsTheFrequency) {
    window->show();
    window->rdoRightEar->setChecked(true);
    window->Threshold->setText("-20");
    window->OnButton->click();
    EXPECT_TRUE(window->ToneOn());
    EXPECT_EQ(window->shpLED->Colour(), QColor(Qt::green));
    EXPECT_FALSE(window->rdoLeftEar->isEnabled());
    EXPECT_EQ(waveOutput->Header().loops, 0xFFFFFFFFu) << "looping";
    EXPECT_EQ(Read(window->Tone().Buffer(), 0).peak, 0) << "the left channel is silent";
    const ChannelReading right = Read(window->Tone().Buffer(), 1);
    EXPECT_NEAR(right.peak, 32767 * std::pow(10.0, -20 / 20.0), 40);
    EXPECT_NEAR(right.crossings, 2 * 125, 4) << "125 Hz at the bottom of the bar";
    // To the top while the tone sounds: 8000 Hz at once, button and light as they were.
    window->tbrFrequency->setValue(1);
    EXPECT_EQ(window->Label8->text(), "8000");
    // (the quiet ends of the swell round to zero now and then)
    EXPECT_NEAR(Read(window->Tone().Buffer(), 1).crossings, 2 * 8000, 160);
    EXPECT_TRUE(window->ToneOn());
    // Closing with the tone on leaves it off.
    window->close();
    EXPECT_FALSE(window->ToneOn());
    EXPECT_EQ(waveOutput->opened, -2) << "the device was closed";
    EXPECT_TRUE(window->rdoLeftEar->isEnabled());
    EXPECT_EQ(window->shpLED->Colour(), QColor(Qt::red));
}

TEST_F(Compatibility, ADeviceThatCannotOpenLeavesTheToneOffWithAMessage) {
    window->show();
    waveOutput->openFails = true;
    window->OnButton->click();
    EXPECT_FALSE(window->ToneOn());
    EXPECT_EQ(dialogs.messages.back(), "The sound output device is not available.");
    EXPECT_TRUE(window->rdoLeftEar->isEnabled());
    window->close();
}

TEST_F(Compatibility, ADeviceThatVanishesWhileTheToneSoundsEndsIt) {
    window->show();
    window->OnButton->click();
    ASSERT_TRUE(window->ToneOn());
    waveOutput->failure = "The sound output device stopped working.";
    QElapsedTimer waited;
    waited.start();
    while (window->ToneOn() && waited.elapsed() < 2000) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    EXPECT_FALSE(window->ToneOn());
    EXPECT_EQ(dialogs.messages.back(), "The sound output device stopped working.");
    EXPECT_EQ(window->shpLED->Colour(), QColor(Qt::red));
    window->close();
}

} // namespace
} // namespace tonmark::test
