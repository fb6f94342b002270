#include <gtest/gtest.h>

#include "audio/mixer.h"
#include "audio/output_level.h"
#include "support/fake_mixer_platform.h"
#include "tools/simulation.h"
#include "ui/mixer_messages.h"

namespace tonmark::test {
namespace {

class MixerTest : public ::testing::Test {
  protected:
    // A card with a speakers destination (master volume non-uniform, mute,
    // on/off, bass, treble, gain, a pan control the layer does not know) and
    // sources (wave with six channels, mic, CD), and a wave input with a
    // selector of six items.
    std::unique_ptr<FakeMixerPlatform> MakePlatform() {
        auto p = std::make_unique<FakeMixerPlatform>(&values, &sets);
        p->devices = {{"Test Card", 0x050A, 2}};
        FakeLine speakers = LineOf(0xFFFF0000, kDstSpeakers, 2,
                                   {Ctl(1, kCtlVolume), Ctl(2, kCtlMute, 1, 0, kCtlFlagUniform),
                                    Ctl(3, kCtlOnOff, 1, 0), Ctl(4, kCtlBass, 100, 100),
                                    Ctl(5, kCtlTreble, 101, 101), Ctl(6, kCtlUnsigned, 255, 255),
                                    Ctl(7, 0x40020001 /* PAN */)});
        speakers.sources = {
            LineOf(0x10, kSrcWaveOut, 6, {Ctl(8, kCtlVolume, 255, 0)}),
            LineOf(0x11, kSrcMicrophone, 2, {Ctl(9, kCtlMute, 1, 0)}),
            LineOf(0x12, kSrcCompactDisc, 1, {Ctl(10, kCtlMute, 1, 0, kCtlFlagDisabled)})};
        speakers.info.connections = 3;
        FakeLine wavein = LineOf(0xFFFF0001, kDstWaveIn, 2,
                                 {Ctl(11, kCtlMixer, 5, 0, kCtlFlagMultiple | kCtlFlagUniform, 6)});
        wavein.sources = {LineOf(0x20, kSrcMicrophone, 2, {Ctl(12, kCtlVolume, 31, 31)})};
        wavein.info.connections = 1;
        p->destinations = {speakers, wavein};
        return p;
    }

    void Open(std::unique_ptr<FakeMixerPlatform> p, uint32_t device = 0) {
        platform = p.get();
        mixer = std::make_unique<Mixer>(std::move(p));
        mixer->CountDevices();
        ReportMixerOpen(mixer->OpenDevice(device), dialogs);
    }

    std::map<uint32_t, std::vector<int32_t>> values;
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t, std::vector<int32_t>>> sets;
    FakeMixerPlatform* platform = nullptr;
    RecordingDialogs dialogs;
    std::unique_ptr<Mixer> mixer;
};

TEST(MixerRules, OneStep) {
    EXPECT_EQ(OneStepOf(0, 65535, 32), 2048u);
    EXPECT_EQ(OneStepOf(0, 65535, 0), 1u);
    EXPECT_EQ(OneStepOf(-10, 10, 8), 2u); // 2.5
    EXPECT_EQ(OneStepOf(-2147483647 - 1, 2147483647, 1), 4294967295u);
}

// What the card answers to a refused set reaches the status text that the
// windows show, whatever the code.
TEST_F(MixerTest, ARefusedSetReportsTheCardsAnswer) {
    Open(MakePlatform());
    const std::pair<int, const char*> answers[] = {
        {2, "MixerControlDetails  BADDEVICEID !"},
        {5, "MixerControlDetails INVALHANDLE"},
        {6, "MixerControlDetails NODRIVER"},
        {10, "MixerControlDetails INVALFLAG"},
        {11, "MixerControlDetails INVALPARAM"},
        {1024, "MixerControlDetails INVALLINE"},
        {3, "MixerControlDetails unbekannter Rückgabecode"}};
    for (const auto& [code, text] : answers) {
        SCOPED_TRACE(code);
        platform->setResult = code;
        EXPECT_EQ(mixer->Controls().MixMasterVolume.SetLevel(1, 1), MixerStatus::Failed);
        EXPECT_EQ(mixer->MixerResult, code);
        EXPECT_EQ(mixer->MixerStatusText, text);
    }
    platform->setResult = 0;
    EXPECT_EQ(mixer->Controls().MixMasterVolume.SetLevel(1, 1), MixerStatus::Ok);
    EXPECT_EQ(mixer->MixerStatusText, "MixerControlDetails OK ");
}

TEST_F(MixerTest, DiscoveryFillsTheKnownControls) {
    Open(MakePlatform());
    EXPECT_TRUE(dialogs.messages.empty());
    const MixerControls& c = mixer->Controls();
    EXPECT_EQ(mixer->Caps().Name, "Test Card");
    EXPECT_EQ(mixer->Caps().Version, "5.10");
    EXPECT_TRUE(c.MixMasterVolume.Exist);
    EXPECT_FALSE(c.MixMasterVolume.Uniform);
    EXPECT_EQ(c.MixMasterVolume.OneStep, 2048u);
    EXPECT_EQ(c.MixMasterVolume.LineID, 0xFFFF0000u);
    EXPECT_TRUE(c.MixMasterMute.Uniform);
    EXPECT_TRUE(c.MixWaveVolume.Exist);
    EXPECT_EQ(c.MixWaveVolume.Channels, 6u);
    EXPECT_TRUE(c.MixMicMute.Exist);
    EXPECT_FALSE(c.MixMicVolume.Exist) << "the recording mic volume is not the playback one";
    EXPECT_TRUE(c.MixRecMicVolume.Exist);
    EXPECT_FALSE(c.MixCDMute.Active);
    EXPECT_TRUE(c.MixRecSelect.Exist);
    EXPECT_EQ(c.MixRecSelect.MultiItems, 6u);
    EXPECT_FALSE(c.MixQSoundPan.Exist) << "a PAN control fills no object";
    // ... but it is listed.
    const auto& l = mixer->Listing();
    EXPECT_NE(std::find(l.begin(), l.end(), "Control - Typ  =  PAN"), l.end());
}

TEST_F(MixerTest, ListingBlockFormat) {
    Open(MakePlatform());
    const auto& l = mixer->Listing();
    const std::vector<std::string> head = {"Test Card", "5.10", "Mixerleitungen : 2"};
    ASSERT_GE(l.size(), 3u + 19 + 19);
    EXPECT_EQ(std::vector<std::string>(l.begin(), l.begin() + 3), head);
    const std::vector<std::string> first = {"+++ COMPONENTTYPE  DST_SPEAKERS  +++",
                                            "Line ID : FFFF0000 Hex",
                                            "Line Flag : 00000000 Hex",
                                            "Controls  : 7",
                                            "Connections : 3",
                                            "Control - Typ  =  VOLUME",
                                            "Ctrl ID : 00000001 Hex",
                                            "Kurzname = Ctl1",
                                            "Name = Control 1",
                                            "Unsigned Minvalue: 0",
                                            "Unsigned Maxvalue: 65535",
                                            "Signed Minvalue: 0",
                                            "Signed Maxvalue: 65535",
                                            " Steps: 32",
                                            "Anzahl Kanäle : 2",
                                            "Regler pro Kanal (MultiItems) = 1 ",
                                            "Steuerelement Active",
                                            std::string(71, '-')};
    EXPECT_EQ(std::vector<std::string>(l.begin() + 3, l.begin() + 3 + first.size()), first);
    EXPECT_NE(std::find(l.begin(), l.end(), "Summenregler für beide Kanäle (Uniform)"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "Regler pro Kanal (MultiItems) = 6"), l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "Steuerelement nicht Active "), l.end());
}

TEST_F(MixerTest, LaterDestinationOfTheSameTypeWins) {
    auto p = MakePlatform();
    FakeLine second = LineOf(0xFFFF0002, kDstSpeakers, 2, {Ctl(40, kCtlVolume, 1000, 10)});
    p->destinations.push_back(second);
    p->devices[0].destinations = 3;
    Open(std::move(p));
    EXPECT_EQ(mixer->Controls().MixMasterVolume.CtrlID, 40u);
    EXPECT_EQ(mixer->Controls().MixMasterVolume.Maxvalue, 1000);
}

TEST_F(MixerTest, FailedOpensLeaveEveryControlAbsent) {
    const struct {
        int device;
        std::string name;
        int openResult;
        std::vector<std::string> messages;
    } cases[] = {
        {-1, "Test Card", 0, {"Invalid Device Number !"}},
        {1, "Test Card", 0, {"Invalid Device Number !"}},
        {0, "Test Card", 6, {"Mixer Opening Procedure failed "}},
        {0, "unreadable", 0, {"Mixereigenschaften konnten nicht ermittelt werden "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("device " + std::to_string(c.device) + ", " + c.name);
        auto p = MakePlatform();
        p->devices[0].name = c.name;
        p->openResult = c.openResult;
        dialogs = RecordingDialogs{};
        Open(std::move(p), static_cast<uint32_t>(c.device));
        EXPECT_EQ(dialogs.messages, c.messages) << c.device;
        if (c.name == "Test Card") {
            EXPECT_FALSE(mixer->Controls().MixMasterVolume.Exist);
            int32_t l = 1, r = 1;
            EXPECT_EQ(mixer->Controls().MixMasterVolume.SetLevel(5, 5), MixerStatus::Failed);
            EXPECT_EQ(mixer->MixerStatusText, "Level control not supported by sound card driver!");
            EXPECT_EQ(mixer->Controls().MixMasterVolume.GetLevel(l, r), MixerStatus::Failed);
            EXPECT_EQ(l, 1);
        }
    }
    EXPECT_EQ(dialogs.captions.back(), "Soundkarten Treiber Problem");
}

TEST_F(MixerTest, SetAndGetPerChannel) {
    Open(MakePlatform());
    MixerControls& c = mixer->Controls();
    EXPECT_EQ(c.MixMasterVolume.SetLevel(70000, -5), MixerStatus::Ok);
    EXPECT_EQ(std::get<3>(sets.back()), (std::vector<int32_t>{65535, -5}));
    EXPECT_EQ(mixer->MixerStatusText, "MixerControlDetails OK ");
    // Uniform: one value goes out, both come back.
    EXPECT_EQ(c.MixMasterMute.SetSwitch(true, false), MixerStatus::Ok);
    EXPECT_EQ(std::get<3>(sets.back()), std::vector<int32_t>{1});
    bool l = false, r = false;
    EXPECT_EQ(c.MixMasterMute.GetSwitch(l, r), MixerStatus::Ok);
    EXPECT_TRUE(l && r);
    // Six channels: the request carries six values, left on even, right on odd.
    EXPECT_EQ(c.MixWaveVolume.SetLevel(10, 20), MixerStatus::Ok);
    EXPECT_EQ(std::get<3>(sets.back()), (std::vector<int32_t>{10, 20, 10, 20, 10, 20}));
    int32_t a = 0, b = 0;
    EXPECT_EQ(c.MixWaveVolume.GetLevel(a, b), MixerStatus::Ok);
    EXPECT_EQ(a, 10);
    EXPECT_EQ(b, 20);
    // Six items on a uniform selector: six values, the last two zero.
    EXPECT_EQ(c.MixRecSelect.SetSrcSelect(0, 1, 0, 0, 1, 1, 1, 1), MixerStatus::Ok);
    EXPECT_EQ(std::get<3>(sets.back()), (std::vector<int32_t>{0, 1, 0, 0, 0, 0}));
    int32_t s[8];
    EXPECT_EQ(c.MixRecSelect.GetSrcSelect(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7]),
              MixerStatus::Ok);
    EXPECT_EQ(s[1], 1);
    // Inactive and refused.
    EXPECT_EQ(c.MixCDMute.SetSwitch(true, true), MixerStatus::Failed);
    EXPECT_EQ(mixer->MixerStatusText, "Control is inactive!");
    EXPECT_EQ(c.MixCDMute.GetSwitch(l, r), MixerStatus::Failed);
    EXPECT_EQ(mixer->MixerStatusText, "Control inactive!");
    platform->setResult = 1025;
    EXPECT_EQ(c.MixBass.SetLevel(1, 1), MixerStatus::Failed);
    EXPECT_EQ(mixer->MixerStatusText, "MixerControlDetails INVALCONTROL");
    platform->getResult = 11;
    a = b = 77;
    EXPECT_EQ(c.MixBass.GetLevel(a, b), MixerStatus::Failed);
    EXPECT_EQ(a, 77);
    EXPECT_EQ(mixer->MixerResult, 11);
}

class FakeEndpoint final : public EndpointVolume {
  public:
    std::vector<float> set;
    bool fails = false;
    bool SetMasterVolumeLevelScalar(float level) override {
        set.push_back(level);
        return !fails;
    }
    std::optional<float> GetMasterVolumeLevelScalar() override { return std::nullopt; }
};

TEST_F(MixerTest, PrepareSoundCard) {
    for (bool core : {false, true}) {
        sets.clear();
        Open(MakePlatform());
        FakeEndpoint endpoint;
        OutputLevelControl level(*mixer, &endpoint, core);
        EXPECT_TRUE(level.PrepareSoundCard().Applied());
        std::map<uint32_t, std::vector<int32_t>> sent;
        for (const auto& s : sets)
            sent[std::get<0>(s)] = std::get<3>(s);
        EXPECT_EQ(sent.count(9), core ? 0u : 1u) << "the mic is muted on the mixer path only";
        if (!core) {
            EXPECT_EQ(sent[9], (std::vector<int32_t>{1, 1}));
            EXPECT_EQ(sent[6], (std::vector<int32_t>{127, 127})); // gain at half
        }
        EXPECT_EQ(sent.count(6), core ? 0u : 1u);
        EXPECT_EQ(sent[3], (std::vector<int32_t>{0, 0}));   // on/off switched off
        EXPECT_EQ(sent[4], (std::vector<int32_t>{50, 50})); // bass centred
        EXPECT_EQ(sent[5], (std::vector<int32_t>{50, 50})); // treble: 101 div 2
        EXPECT_EQ(sent.count(1), 0u) << "volumes are left alone";
        EXPECT_EQ(sent.count(10), 0u) << "an inactive mute is not sent";
    }
}

TEST_F(MixerTest, ApplyCalibrationLevels) {
    Open(MakePlatform());
    FakeEndpoint endpoint;
    OutputLevelControl mixerPath(*mixer, &endpoint, false);
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(1, 3, 20).Applied());
    // The wave control reports 0 steps: it is left as it is.
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(std::get<0>(sets[0]), 1u);
    EXPECT_EQ(std::get<3>(sets[0]), (std::vector<int32_t>{0, 40940}));
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(0, 3, 20).Applied());
    EXPECT_EQ(std::get<3>(sets.back()), (std::vector<int32_t>{40940, 0}));
    EXPECT_TRUE(endpoint.set.empty());

    sets.clear();
    OutputLevelControl corePath(*mixer, &endpoint, true);
    EXPECT_TRUE(corePath.ApplyCalibrationLevels(1, 3, 750).Applied());
    EXPECT_TRUE(sets.empty()) << "the mixer master is not touched";
    ASSERT_EQ(endpoint.set.size(), 1u);
    EXPECT_FLOAT_EQ(endpoint.set[0], 0.75f);
}

// A calibrated level that does not reach the card must not go unnoticed: the
// test would go on at another loudness.
TEST_F(MixerTest, LevelsThatCannotBeSetAreReportedByControl) {
    Open(MakePlatform());
    FakeEndpoint endpoint;
    OutputLevelControl mixerPath(*mixer, &endpoint, false);
    platform->setResult = 1025;
    EXPECT_EQ(mixerPath.ApplyCalibrationLevels(1, 3, 20).failure,
              "The sound card's master volume could not be set: MixerControlDetails INVALCONTROL");
    EXPECT_EQ(
        mixerPath.PrepareSoundCard().failure.rfind("The sound card's microphone mute could not be "
                                                   "set: ",
                                                   0),
        0u);
    platform->setResult = 0;
    endpoint.fails = true;
    OutputLevelControl corePath(*mixer, &endpoint, true);
    EXPECT_EQ(corePath.ApplyCalibrationLevels(1, 3, 750).failure,
              "The master volume of the sound server could not be set.");
}

TEST_F(MixerTest, NoMixerDeviceChangesNothing) {
    auto p = MakePlatform();
    Open(std::move(p), static_cast<uint32_t>(-1));
    FakeEndpoint endpoint;
    OutputLevelControl level(*mixer, &endpoint, true);
    EXPECT_TRUE(level.PrepareSoundCard().Applied());
    EXPECT_TRUE(level.ApplyCalibrationLevels(0, 10, 500).Applied());
    EXPECT_TRUE(sets.empty());
    EXPECT_EQ(endpoint.set, std::vector<float>{0.5f});
}

TEST(VolumeRule, StepsAndTruncation) {
    TMixControl c(nullptr);
    c.Maxvalue = 65535;
    c.Steps = 32;
    EXPECT_EQ(VolumeRuleValue(c, 32), 65504);
    EXPECT_EQ(VolumeRuleValue(c, 1), 2047);
    c.Maxvalue = -100;
    c.Steps = 3;
    EXPECT_EQ(VolumeRuleValue(c, 2), -66);
    c.Steps = 0;
    EXPECT_FALSE(VolumeRuleValue(c, 5).has_value());
}

} // namespace
} // namespace tonmark::test
