// The wave volume of the sound server's own control: the program's own stream
// volume, put by the output levels in the place of the device's wave control;
// on every other device the device's own controls, untouched.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/output_level.h"
#include "audio/own_stream_volume.h"
#include "support/fake_volume_devices.h"

namespace tonmark::test {
namespace {

class RecordingStream final : public OwnStreamVolume::Stream {
  public:
    std::vector<OwnStreamVolume::Levels> applied;
    bool takes = true;
    bool ApplyStreamVolume(const OwnStreamVolume::Levels& levels) override {
        applied.push_back(levels);
        return takes;
    }
};

class ServerWave : public ::testing::Test {
  protected:
    ServerWave() { volume->Attach(&stream); }
    ~ServerWave() override {
        levels.reset();
        volume->Detach(&stream);
    }

    // A control device as ALSA presents it: the master volume; a card also
    // has its "PCM" as the wave volume.
    void Open(bool serverControl, bool pcm, bool openFails = false, bool withVolume = true) {
        log = {};
        auto devices = std::make_unique<FakeVolumeDevices>(&log);
        devices->devices = {{"PulseAudio", 0x010E}};
        devices->serverControl = serverControl;
        devices->openFails = openFails;
        devices->Volume("master", 65536, 65536);
        if (pcm)
            devices->Volume("wave", 255, 255);
        levels = std::make_unique<OutputLevelControl>(std::move(devices),
                                                      withVolume ? volume : nullptr, nullptr);
        levels->CountDevices();
        (void)levels->OpenDevice(0);
    }

    std::shared_ptr<OwnStreamVolume> volume = std::make_shared<OwnStreamVolume>();
    RecordingStream stream;
    FakeVolumeLog log;
    std::unique_ptr<OutputLevelControl> levels;
};

TEST_F(ServerWave, TheStreamVolumeIsAControlOfItsOwn) {
    const OwnStreamVolume& c = *volume;
    EXPECT_TRUE(c.Active());
    EXPECT_FALSE(c.Uniform()) << "one value per channel";
    EXPECT_EQ(c.Channels(), 2u);
    EXPECT_EQ(c.Minvalue(), 0);
    EXPECT_EQ(c.Maxvalue(), 65535);
    EXPECT_EQ(c.Steps(), 1285u);
    // Nothing set yet: the stream plays at 100 %.
    VolumeControl::Levels l;
    EXPECT_TRUE(volume->Get(l).Ok());
    EXPECT_EQ(l, (VolumeControl::Levels{65535, 65535}));
    // Per channel, held within its range.
    EXPECT_TRUE(volume->Set(100, 200).Ok());
    EXPECT_TRUE(volume->Get(l).Ok());
    EXPECT_EQ(l, (VolumeControl::Levels{100, 200}));
    EXPECT_TRUE(volume->Set(70000, -5).Ok());
    EXPECT_EQ(volume->Current(), (OwnStreamVolume::Levels{65535, 0}));
    EXPECT_EQ(stream.applied.size(), 2u);
}

TEST_F(ServerWave, TheServersControlHasTheStreamVolumeAsItsWaveVolume) {
    Open(true, false);
    const SliderScale wave = levels->Scale(Slider::Wave);
    ASSERT_TRUE(wave.adjustable) << "a wave volume the compatibility test can pass";
    EXPECT_EQ(wave.steps, 1285);
    EXPECT_EQ(levels->CurrentPosition(Slider::Wave), 0) << "the slider starts at 100 %";
    // The device's own master still reaches the device, the wave never.
    EXPECT_TRUE(levels->SetSetting(Slider::Master, 10).Ok());
    ASSERT_EQ(log.sets.size(), 1u);
    EXPECT_EQ(log.sets.back().control, "master");
    EXPECT_TRUE(stream.applied.empty());
    EXPECT_TRUE(levels->SetSetting(Slider::Wave, 2).Ok());
    EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{102, 102}));
    EXPECT_EQ(log.sets.size(), 1u) << "the device never sees the stream volume";
}

// A stored wave setting v (the calibration's WaveVolume) is the control
// value 51 v and the linear amplitude factor v / 1285 on both channels.
TEST_F(ServerWave, AWaveSettingIsALinearFactorOfTheStream) {
    Open(true, false);
    const struct {
        int32_t setting;
        int32_t value;
        double dB;
    } cases[] = {
        {1285, 65535, 0.0},
        {642, 32742, -6.03},
        {128, 6528, -20.03},
        {1, 51, -62.18},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        EXPECT_TRUE(levels->ApplyCalibrationLevels(1, c.setting, 1000).Ok());
        ASSERT_FALSE(stream.applied.empty());
        EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{c.value, c.value}));
        const double factor = OwnStreamVolume::Amplitude(stream.applied.back().right);
        EXPECT_DOUBLE_EQ(factor, c.setting / 1285.0);
        if (c.setting > 0) {
            EXPECT_NEAR(20 * std::log10(factor), c.dB, 0.005);
        }
    }
}

// Calibrations made on the server before its control had a wave volume
// store 0 there; a test with them plays at the full stream volume, as they
// always did, not in silence. A card's 0 is the card's.
TEST_F(ServerWave, AStoredWaveOfZeroIsTheFullStreamOnTheServerOnly) {
    Open(true, false);
    EXPECT_TRUE(levels->ApplyCalibrationLevels(0, 0, 500).Ok());
    ASSERT_FALSE(stream.applied.empty());
    EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{65535, 65535}));
    // The slider itself still goes down to silence.
    EXPECT_TRUE(levels->SetSetting(Slider::Wave, 0).Ok());
    EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{0, 0}));

    Open(false, true);
    EXPECT_TRUE(levels->ApplyCalibrationLevels(0, 0, 0).Ok());
    ASSERT_FALSE(log.sets.empty());
    EXPECT_EQ(log.sets.front(), (VolumeSet{"wave", 0, 0})) << "the card's PCM";
}

TEST_F(ServerWave, AStreamThatDoesNotTakeTheVolumeFailsTheSet) {
    Open(true, false);
    stream.takes = false;
    EXPECT_EQ(levels->SetSetting(Slider::Wave, 128).Message(),
              "The sound card's wave volume could not be set: MixerControlDetails NODRIVER");
    EXPECT_EQ(volume->Current(), (OwnStreamVolume::Levels{6528, 6528}))
        << "kept for the next stream";
    EXPECT_EQ(levels->ApplyCalibrationLevels(0, 1, 500).Message(),
              "The sound card's wave volume could not be set: MixerControlDetails NODRIVER");
    stream.takes = true;
    EXPECT_TRUE(levels->SetSetting(Slider::Wave, 1).Ok());
}

TEST_F(ServerWave, OnlyTheServersControlIsChanged) {
    const struct {
        const char* device;
        bool serverControl, pcm, openFails, withVolume;
        bool streamVolume; // the wave control is the stream volume
        int steps;
    } cases[] = {
        {"a card", false, true, false, true, false, 255},
        {"a card without PCM", false, false, false, true, false, 0},
        {"the server's control, failed to open", true, false, true, true, false, 0},
        {"the server's control, no stream volume", true, false, false, false, false, 0},
        {"the server's control with a PCM of its own", true, true, false, true, true, 1285},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        stream.applied.clear();
        Open(c.serverControl, c.pcm, c.openFails, c.withVolume);
        EXPECT_EQ(levels->Scale(Slider::Wave).steps, c.steps);
        if (!levels->Scale(Slider::Wave).present)
            continue;
        EXPECT_TRUE(levels->SetSetting(Slider::Wave, 1).Ok());
        EXPECT_EQ(stream.applied.size(), c.streamVolume ? 1u : 0u);
        ASSERT_EQ(log.sets.size(), c.streamVolume ? 0u : 1u);
        if (!c.streamVolume) {
            EXPECT_EQ(log.sets.back().control, "wave") << "the card's PCM";
        }
    }
}

} // namespace
} // namespace tonmark::test
