// The wave volume of the sound server's own control: the program's own stream
// volume, presented through the mixer layer; on every other device the
// device's own controls, untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "audio/mixer.h"
#include "audio/output_level.h"
#include "audio/server_wave_mixer_platform.h"
#include "support/fake_mixer_platform.h"

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
    ~ServerWave() override { volume->Detach(&stream); }

    // A control device as ALSA presents it: speakers with the master volume
    // and switch, a wave input with its capture volume; a card also has its
    // "PCM" as a wave output source.
    std::unique_ptr<FakeMixerPlatform> Device(bool serverControl, bool pcm) {
        auto p = std::make_unique<FakeMixerPlatform>(&values, &sets);
        p->devices = {{"PulseAudio", 0x010E, 2}};
        p->serverControl = serverControl;
        FakeLine speakers = LineOf(0xFFFF0000, kDstSpeakers, 2,
                                   {Ctl(1, kCtlVolume, 65536, 65536), Ctl(2, kCtlMute, 1, 0)});
        if (pcm) {
            speakers.sources = {LineOf(0x10001, kSrcWaveOut, 2, {Ctl(8, kCtlVolume, 255, 255)})};
            speakers.info.connections = 1;
        }
        FakeLine wavein = LineOf(0xFFFF0001, kDstWaveIn, 2, {Ctl(3, kCtlVolume, 65536, 65536)});
        p->destinations = {speakers, wavein};
        return p;
    }

    void Open(std::unique_ptr<FakeMixerPlatform> p,
              std::shared_ptr<OwnStreamVolume> shared = nullptr) {
        platform = p.get();
        mixer = std::make_unique<Mixer>(
            std::make_unique<ServerWaveMixerPlatform>(std::move(p), shared ? shared : volume));
        mixer->CountDevices();
        (void)mixer->OpenDevice(0);
    }

    TMixUnsignedControl& Wave() { return mixer->Controls().MixWaveVolume; }

    std::shared_ptr<OwnStreamVolume> volume = std::make_shared<OwnStreamVolume>();
    RecordingStream stream;
    std::map<uint32_t, std::vector<int32_t>> values;
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t, std::vector<int32_t>>> sets;
    FakeMixerPlatform* platform = nullptr;
    std::unique_ptr<Mixer> mixer;
};

TEST_F(ServerWave, TheServersControlHasTheStreamVolumeAsItsWaveVolume) {
    Open(Device(true, false));
    const TMixUnsignedControl& c = Wave();
    ASSERT_TRUE(c.Exist) << "a wave volume the compatibility test can pass";
    EXPECT_TRUE(c.Active);
    EXPECT_FALSE(c.Uniform) << "one value per channel";
    EXPECT_EQ(c.Channels, 2u);
    EXPECT_EQ(c.Minvalue, 0);
    EXPECT_EQ(c.Maxvalue, 65535);
    EXPECT_EQ(c.Steps, 1285u);
    EXPECT_EQ(c.OneStep, 51u);
    for (uint32_t id : {1u, 2u, 3u})
        EXPECT_NE(c.CtrlID, id) << "a control id of the device's own";
    EXPECT_NE(c.LineID, 0xFFFF0000u);
    EXPECT_NE(c.LineID, 0xFFFF0001u);
    // Nothing set yet: the stream plays at 100 %, and the slider starts there.
    int32_t l = 0, r = 0;
    EXPECT_EQ(Wave().GetLevel(l, r), MixerStatus::Ok);
    EXPECT_EQ(l, 65535);
    EXPECT_EQ(r, 65535);
    // The device's own controls still reach it.
    EXPECT_EQ(mixer->Controls().MixMasterVolume.SetLevel(100, 200), MixerStatus::Ok);
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(std::get<0>(sets.back()), 1u);
    EXPECT_TRUE(stream.applied.empty());
    // Per channel, held within its range: the layer caps the top, the stream
    // volume the bottom.
    EXPECT_EQ(Wave().SetLevel(100, 200), MixerStatus::Ok);
    EXPECT_EQ(Wave().GetLevel(l, r), MixerStatus::Ok);
    EXPECT_EQ(l, 100);
    EXPECT_EQ(r, 200);
    EXPECT_EQ(Wave().SetLevel(70000, -5), MixerStatus::Ok);
    EXPECT_EQ(volume->Current(), (OwnStreamVolume::Levels{65535, 0}));
    EXPECT_EQ(stream.applied.size(), 2u);
    EXPECT_EQ(std::get<0>(sets.back()), 1u) << "the device never sees the stream volume";
    const auto& listing = mixer->Listing();
    for (const char* line : {"+++ COMPONENTTYPE  SRC_WAVEOUT  +++",
                             "Name = Program Stream Playback Volume", " Steps: 1285"})
        EXPECT_NE(std::find(listing.begin(), listing.end(), line), listing.end()) << line;
}

// A stored wave setting v (the calibration's WaveVolume) is the control
// value 51 v and the linear amplitude factor v / 1285 on both channels.
TEST_F(ServerWave, AWaveSettingIsALinearFactorOfTheStream) {
    Open(Device(true, false));
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
    OutputLevelControl level(*mixer, nullptr, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        EXPECT_TRUE(level.ApplyCalibrationLevels(1, c.setting, 1000).Applied());
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
    Open(Device(true, false));
    OutputLevelControl level(*mixer, nullptr, true);
    EXPECT_TRUE(level.ApplyCalibrationLevels(0, 0, 500).Applied());
    ASSERT_FALSE(stream.applied.empty());
    EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{65535, 65535}));
    // The slider itself still goes down to silence.
    EXPECT_TRUE(SetVolumeControl(*mixer, Wave(), "wave volume", 0, 0).Applied());
    EXPECT_EQ(stream.applied.back(), (OwnStreamVolume::Levels{0, 0}));

    Open(Device(false, true));
    sets.clear();
    OutputLevelControl card(*mixer, nullptr, false);
    EXPECT_TRUE(card.ApplyCalibrationLevels(0, 0, 0).Applied());
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(std::get<0>(sets.front()), 8u) << "the card's PCM";
    EXPECT_EQ(std::get<3>(sets.front()), (std::vector<int32_t>{0, 0}));
}

TEST_F(ServerWave, AStreamThatDoesNotTakeTheVolumeFailsTheSet) {
    Open(Device(true, false));
    stream.takes = false;
    EXPECT_EQ(SetVolumeControl(*mixer, Wave(), "wave volume", 6528, 6528).failure,
              "The sound card's wave volume could not be set: MixerControlDetails NODRIVER");
    EXPECT_EQ(volume->Current(), (OwnStreamVolume::Levels{6528, 6528}))
        << "kept for the next stream";
    stream.takes = true;
    EXPECT_TRUE(SetVolumeControl(*mixer, Wave(), "wave volume", 51, 51).Applied());
}

TEST_F(ServerWave, OnlyTheServersControlIsChanged) {
    const struct {
        const char* device;
        bool serverControl, pcm;
        int openResult;
        bool withVolume;
        bool streamVolume; // the wave control is the stream volume
        uint32_t steps;
    } cases[] = {
        {"a card", false, true, 0, true, false, 255},
        {"a card without PCM", false, false, 0, true, false, 0},
        {"the server's control, failed to open", true, false, 6, true, false, 0},
        {"the server's control, no stream volume", true, false, 0, false, false, 0},
        {"the server's control with a PCM of its own", true, true, 0, true, true, 1285},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        sets.clear();
        stream.applied.clear();
        auto p = Device(c.serverControl, c.pcm);
        p->openResult = c.openResult;
        if (c.withVolume) {
            Open(std::move(p));
        } else {
            platform = p.get();
            mixer = std::make_unique<Mixer>(
                std::make_unique<ServerWaveMixerPlatform>(std::move(p), nullptr));
            mixer->CountDevices();
            (void)mixer->OpenDevice(0);
        }
        EXPECT_EQ(Wave().Steps, c.steps);
        if (!Wave().Exist)
            continue;
        EXPECT_EQ(Wave().SetLevel(17, 17), MixerStatus::Ok);
        EXPECT_EQ(stream.applied.size(), c.streamVolume ? 1u : 0u);
        ASSERT_EQ(sets.size(), c.streamVolume ? 0u : 1u);
        if (!c.streamVolume) {
            EXPECT_EQ(std::get<0>(sets.back()), 8u) << "the card's PCM";
        }
    }
}

} // namespace
} // namespace tonmark::test
