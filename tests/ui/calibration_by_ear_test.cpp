// Calibration by ear against the fake volume controls and wave output.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/calibration_by_ear.h"
#include "ui/calibration_info.h"
#include "ui/looping_tone.h"
#include "ui/run_window.h"
#include "ui/volume_sliders.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

class BioCal : public UiFixture {
  protected:
    BioCal() {
        // Master 32 steps, wave 255 steps, a gain that is not uniform.
        volumeDevices->Volume("master");
        volumeDevices->Volume("gain", 255, 255);
        volumeDevices->Volume("wave", 255, 255);
        Start();
        program.outputLevels->CountDevices();
        EXPECT_EQ(program.outputLevels->OpenDevice(0).failure, MixerOpenResult::Failure::None);
        info = std::make_unique<TfrmCalibrationInfo>(program, *main);
        main->SetCalibrationInfo(info.get());
        window =
            std::make_unique<TfrmBioCal>(program, *main, [this] { main->ShowNewCalibration(); });
        main->SetCalibrationByEar(window.get());
    }
    ~BioCal() override {
        window.reset();
        info.reset();
    }
    void Open(bool fresh) {
        if (fresh) {
            dialogs.yesNoAnswer = false; // no compatibility test first
            main->SubjCal1Click();
        } else {
            main->SubjRecal1Click();
        }
        ASSERT_TRUE(window->isVisible());
    }
    // Moves a slider to a setting (its maximum minus its position).
    static void Set(VolumeSlider* s, int setting) { s->setValue(s->maximum() - setting); }

    std::unique_ptr<TfrmCalibrationInfo> info;
    std::unique_ptr<TfrmBioCal> window;
};

TEST_F(BioCal, PagesRunBothEarsForwardAndBack) {
    Open(true);
    EXPECT_EQ(window->windowTitle(), "Calibration by Ear- Left Ear 125 Hz");
    EXPECT_EQ(window->Previous->text(), "Cancel");
    for (int i = 0; i < 11; ++i)
        window->NextClick();
    EXPECT_EQ(window->windowTitle(), "Calibration by Ear- Right Ear 125 Hz");
    EXPECT_EQ(window->lblFreqSide->text(), "Right Ear at 125 Hz");
    EXPECT_EQ(window->Previous->text(), "<- Previous");
    window->PreviousClick();
    EXPECT_EQ(window->windowTitle(), "Calibration by Ear- Left Ear 8000 Hz");
    EXPECT_EQ(program.state.Run.LeftChannelOn, 1);
    EXPECT_EQ(program.state.Run.RightChannelOn, 0);
    window->close();
    EXPECT_TRUE(main->isEnabled());
}

// A calibration made while the card ignores a slider would store a loudness
// that never reached the headphones.
TEST_F(BioCal, AVolumeTheCardRefusesStopsTheCalibrationNamingTheControl) {
    Open(true);
    window->OnButtonClick();
    ASSERT_TRUE(window->Tone().Sounding());
    volumeLog.setResult = 11; // the card's "invalid value"
    Set(window->WaveOutSlider, 40);
    EXPECT_FALSE(window->Tone().Sounding());
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().rfind("The sound card's wave volume could not be set: ", 0),
              0u)
        << dialogs.messages.back();
    Set(window->MasterSlider, 10); // reported once
    EXPECT_EQ(dialogs.messages.back().rfind("The sound card's wave volume", 0), 0u);
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(main->isEnabled());
    EXPECT_FALSE(program.newCalibrationPending);
}

TEST_F(BioCal, SlidersStartFromTheNeighbourRules) {
    Open(true);
    // Left 125 Hz: everything at the bottom for a new calibration.
    EXPECT_EQ(window->MasterSlider->Setting(), 0);
    Set(window->MasterSlider, 20);
    Set(window->WaveOutSlider, 100);
    window->NextClick(); // left 250 Hz takes left 125 Hz
    EXPECT_EQ(window->MasterSlider->Setting(), 20);
    EXPECT_EQ(window->WaveOutSlider->Setting(), 100);
    Set(window->MasterSlider, 0); // a master of 0 counts as not visited
    window->PreviousClick();
    window->NextClick();
    EXPECT_EQ(window->MasterSlider->Setting(), 20) << "taken again from the previous page";
    for (int i = 0; i < 10; ++i)
        window->NextClick(); // to the right ear's 125 Hz
    EXPECT_EQ(window->CalEar(), 1);
    EXPECT_EQ(window->MasterSlider->Setting(), 20) << "the left ear's page of this frequency";
    window->close();
}

TEST_F(BioCal, RecalibratingReproducesTheTableWithoutCorrections) {
    program.state.CalibrationLoaded = true;
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot)
            program.calibration[ear][slot] =
                CalibrationEntry{10 + slot, 5 + ear + slot, 3, 0, -2.5};
    const CalibrationTable loaded = program.calibration;
    files.saves.push_back(std::nullopt);
    Open(false);
    for (int i = 0; i < 22; ++i)
        window->NextClick();
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(info->isVisible()) << "the new calibration goes to the information dialog";
    info->OKSave->click();
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot) {
            SCOPED_TRACE(std::to_string(ear) + "/" + std::to_string(slot));
            EXPECT_EQ(program.calibration[ear][slot].WaveVolume, loaded[ear][slot].WaveVolume);
            EXPECT_EQ(program.calibration[ear][slot].MasterVolume, loaded[ear][slot].MasterVolume);
            EXPECT_EQ(program.calibration[ear][slot].GainVolume, loaded[ear][slot].GainVolume);
            EXPECT_EQ(program.calibration[ear][slot].LevelCorrection, 0.0);
        }
}

TEST_F(BioCal, TheGainOfARightEarPageGoesToTheRightChannelOnly) {
    Open(true);
    for (int i = 0; i < 11; ++i)
        window->NextClick();
    ASSERT_TRUE(window->GainSlider->isVisibleTo(window.get()));
    volumeLog.sets.clear();
    Set(window->GainSlider, 10);
    ASSERT_FALSE(volumeLog.sets.empty());
    EXPECT_EQ(volumeLog.sets.back(), (VolumeSet{"gain", 0, 10}));
    window->close();
}

TEST_F(BioCal, CancelAndTheCloseBoxLeaveTheCalibrationInUse) {
    program.calibration[0][1].MasterVolume = 7;
    const CalibrationTable before = program.calibration;
    for (bool closeBox : {false, true}) {
        Open(true);
        Set(window->MasterSlider, 12);
        window->NextClick();
        window->PreviousClick();
        if (closeBox)
            window->close();
        else
            window->PreviousClick(); // "Cancel" on the first page
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(info->isVisible());
        EXPECT_TRUE(main->isEnabled());
        EXPECT_EQ(program.calibration, before);
    }
}

TEST_F(BioCal, TheToneIsTheHearingLevelMinus60OnThePagesEar) {
    dialogs.confirmationAnswer = true; // a reference audiogram: the level box shows
    Open(true);
    ASSERT_TRUE(window->Threshold->isVisibleTo(window.get()));
    window->Threshold->setText("20");
    window->OnButton->click();
    ASSERT_TRUE(window->ToneOn());
    EXPECT_EQ(waveOutput->Header().loops, 0xFFFFFFFFu);
    int peakLeft = 0, peakRight = 0;
    for (size_t i = 0; i + 4 <= window->Tone().Buffer().size(); i += 4) {
        int16_t l, r;
        std::memcpy(&l, window->Tone().Buffer().data() + i, 2);
        std::memcpy(&r, window->Tone().Buffer().data() + i + 2, 2);
        peakLeft = std::max(peakLeft, std::abs(static_cast<int>(l)));
        peakRight = std::max(peakRight, std::abs(static_cast<int>(r)));
    }
    EXPECT_NEAR(peakLeft, 32767 * std::pow(10.0, -40 / 20.0), 2);
    EXPECT_EQ(peakRight, 0);
    window->NextClick(); // a page change passes through "tone off"
    EXPECT_FALSE(window->ToneOn());
    EXPECT_EQ(waveOutput->opened, -2);
    // A level that is not a whole number: a message and no tone.
    window->Threshold->setText("loud");
    window->OnButton->click();
    EXPECT_FALSE(window->ToneOn());
    EXPECT_EQ(dialogs.messages.back(), "'loud' is not a valid integer value");
    window->close();
}

TEST_F(BioCal, NewCalibrationOffersTheCompatibilityTestFirst) {
    dialogs.yesNoAnswer = true;
    main->SubjCal1Click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(windows->compatibility->isVisible());
    const auto asked = std::find_if(dialogs.messages.begin(), dialogs.messages.end(), [](auto& m) {
        return m.find("Would you like to do the compatibility test now?") != std::string::npos;
    });
    EXPECT_NE(asked, dialogs.messages.end());
    windows->compatibility->close();
}

} // namespace
} // namespace tonmark::test

namespace tonmark::test {
namespace {

// A volume slider that says where its style draws the handle.
struct WatchedSlider : VolumeSlider {
    WatchedSlider() : VolumeSlider(nullptr) {}
    // The top of the handle, in the slider's pixels.
    int HandleTop() {
        QStyleOptionSlider opt;
        initStyleOption(&opt); // as the slider paints itself
        return style()
            ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this)
            .top();
    }
};

// A user who presses a key to make the tone quieter must never make it
// louder: the keys as they look, for the volume and for the handle.
TEST(VolumeSliderKeys, LouderKeysRaiseTheVolumeAndTheHandle) {
    const struct {
        int key;
        int louder; // +1 louder, -1 quieter
    } cases[] = {
        {Qt::Key_Up, 1},    {Qt::Key_Right, 1}, {Qt::Key_PageUp, 1},    {Qt::Key_Home, 1},
        {Qt::Key_Down, -1}, {Qt::Key_Left, -1}, {Qt::Key_PageDown, -1}, {Qt::Key_End, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("key " + std::to_string(c.key));
        WatchedSlider slider;
        slider.resize(30, 200);
        slider.SetSteps(32);
        slider.ShowSetting(16);
        const int setting = slider.Setting(), top = slider.HandleTop();
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
        QApplication::sendEvent(&slider, &press);
        EXPECT_EQ(slider.Setting() > setting ? 1 : slider.Setting() < setting ? -1 : 0, c.louder);
        const int moved = slider.HandleTop();
        EXPECT_EQ(moved < top   ? 1
                  : moved > top ? -1
                                : 0,
                  c.louder)
            << "the handle goes up exactly when the volume does";
    }
}

} // namespace
} // namespace tonmark::test
