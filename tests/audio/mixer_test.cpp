// The output level rules over fake volume controls, and the diagnostic
// listing of a mixer device over a fake mixer platform.
#include <gtest/gtest.h>

#include <algorithm>

#include "audio/mixer_listing.h"
#include "audio/output_level.h"
#include "support/fake_mixer_platform.h"
#include "support/fake_volume_devices.h"
#include "tools/simulation.h"
#include "ui/mixer_messages.h"

namespace tonmark::test {
namespace {

// The sound server's output volume: one value for all its channels, in the
// server's units (65536 its normal volume).
class FakeServerVolume final : public VolumeControl {
  public:
    std::vector<int32_t> set;
    bool fails = false;
    int32_t Minvalue() const override { return 0; }
    int32_t Maxvalue() const override { return 65536; }
    uint32_t Steps() const override { return 65536; }
    uint32_t Channels() const override { return 2; }
    bool Uniform() const override { return true; }
    bool Active() const override { return true; }
    SoundStatus Set(int32_t left, int32_t) override {
        set.push_back(left);
        return fails ? SoundStatus::Failed(SoundFailure::ServerVolumeRefused, "no answer")
                     : SoundStatus::Success();
    }
    SoundStatus Get(Levels&) override {
        return SoundStatus::Failed(SoundFailure::ServerVolumeRefused, "no answer");
    }
};

class OutputLevels : public ::testing::Test {
  protected:
    // A card with a master volume (not uniform, 32 steps), the master on/off
    // switch, bass, treble, a gain, a wave volume of 0 steps, a microphone
    // mute and a CD mute its driver has disabled.
    OutputLevels() {
        devices->devices = {{"Test Card", 0x050A}};
        devices->Volume("master");
        devices->Switch("masterOnOff");
        devices->Volume("bass", 100, 100);
        devices->Volume("treble", 101, 101);
        devices->Volume("gain", 255, 255);
        devices->Volume("wave", 255, 0);
        devices->Switch("micMute");
        devices->Switch("cdMute").active = false;
    }

    // The output levels in core-audio mode (with the server's volume) or not.
    OutputLevelControl& Open(bool coreAudio, uint32_t device = 0) {
        auto server = std::make_unique<FakeServerVolume>();
        serverVolume = coreAudio ? server.get() : nullptr;
        levels = std::make_unique<OutputLevelControl>(std::move(owned), nullptr,
                                                      coreAudio ? std::move(server) : nullptr);
        levels->CountDevices();
        ReportMixerOpen(levels->OpenDevice(device), dialogs);
        return *levels;
    }

    std::map<std::string, VolumeSet> LastSets() const {
        std::map<std::string, VolumeSet> sent;
        for (const VolumeSet& s : log.sets)
            sent[s.control] = s;
        return sent;
    }

    FakeVolumeLog log;
    std::unique_ptr<FakeVolumeDevices> owned = std::make_unique<FakeVolumeDevices>(&log);
    FakeVolumeDevices* devices = owned.get();
    FakeServerVolume* serverVolume = nullptr;
    RecordingDialogs dialogs;
    std::unique_ptr<OutputLevelControl> levels;
};

TEST(VolumeRule, StepsAndTruncation) {
    FakeVolumeLog log;
    FakeVolume c("wave", &log);
    c.max = 65535;
    c.steps = 32;
    EXPECT_EQ(VolumeRuleValue(c, 32), 65504);
    EXPECT_EQ(VolumeRuleValue(c, 1), 2047);
    c.max = -100;
    c.steps = 3;
    EXPECT_EQ(VolumeRuleValue(c, 2), -66);
    c.max = 2147483647;
    c.steps = 1;
    EXPECT_EQ(VolumeRuleValue(c, 3), 2147483647) << "pinned, not wrapped";
    c.steps = 0;
    EXPECT_FALSE(VolumeRuleValue(c, 5).has_value());
}

// The user's sentence for each failure, with the control and the reason.
TEST(SoundStatusText, EachFailureHasItsSentence) {
    EXPECT_TRUE(SoundStatus::Success().Ok());
    EXPECT_EQ(SoundStatus::Success().Message(), "");
    EXPECT_EQ(SoundStatus::Refused("Control inactive!").Of("bass").Message(),
              "The sound card's bass could not be set: Control inactive!");
    EXPECT_EQ(SoundStatus::Failed(SoundFailure::ServerVolumeRefused, "no answer").Message(),
              "The master volume of the sound server could not be set.");
    EXPECT_EQ(SoundStatus::Failed(SoundFailure::OutputNotWatched, "The server is gone.").Message(),
              "The server is gone.");
    EXPECT_EQ(SoundStatus::Success().Of("bass").control, "") << "success names nothing";
}

// What the card answers to a refused set reaches the message the windows
// show, whatever the code.
TEST_F(OutputLevels, ARefusedSetReportsTheCardsAnswer) {
    OutputLevelControl& level = Open(false);
    const std::pair<int, const char*> answers[] = {
        {2, "MixerControlDetails  BADDEVICEID !"},
        {5, "MixerControlDetails INVALHANDLE"},
        {6, "MixerControlDetails NODRIVER"},
        {10, "MixerControlDetails INVALFLAG"},
        {11, "MixerControlDetails INVALPARAM"},
        {1024, "MixerControlDetails INVALLINE"},
        {1025, "MixerControlDetails INVALCONTROL"},
        {3, "MixerControlDetails unbekannter Rückgabecode"}};
    for (const auto& [code, text] : answers) {
        SCOPED_TRACE(code);
        log.setResult = code;
        const SoundStatus status = level.SetSetting(Slider::Master, 1);
        EXPECT_EQ(status.failure, SoundFailure::ControlRefused);
        EXPECT_EQ(status.control, "master volume");
        EXPECT_EQ(status.reason, text);
        EXPECT_EQ(status.Message(),
                  std::string("The sound card's master volume could not be set: ") + text);
    }
    log.setResult = 0;
    EXPECT_TRUE(level.SetSetting(Slider::Master, 1).Ok());
    EXPECT_EQ(MixerResultText(0), "MixerControlDetails OK ");
}

TEST_F(OutputLevels, TheDeviceInUseIsNamedAndOffersItsControls) {
    OutputLevelControl& level = Open(false);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(level.DeviceName(), "Test Card");
    EXPECT_EQ(level.DeviceVersion(), "5.10");
    EXPECT_EQ(level.Scale(Slider::Master).steps, 32);
    EXPECT_EQ(level.Scale(Slider::Master).ticks, 4);
    EXPECT_TRUE(level.Scale(Slider::Gain).adjustable);
    EXPECT_TRUE(level.Scale(Slider::Wave).present);
    EXPECT_FALSE(level.Scale(Slider::Wave).adjustable) << "0 steps";
    EXPECT_EQ(level.Scale(Slider::Wave).ticks, 1);
}

TEST_F(OutputLevels, FailedOpensLeaveEveryControlAbsent) {
    const struct {
        int device;
        bool readable;
        bool openFails;
        std::vector<std::string> messages;
        std::string name; // what the settings list shows afterwards
    } cases[] = {
        {-1, true, false, {"Invalid Device Number !"}, "Earlier Card"},
        {1, true, false, {"Invalid Device Number !"}, "Earlier Card"},
        {0, true, true, {"Mixer Opening Procedure failed "}, "Test Card"},
        {0, false, false, {"Mixereigenschaften konnten nicht ermittelt werden "}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("device " + std::to_string(c.device));
        log = {};
        owned = std::make_unique<FakeVolumeDevices>(&log);
        devices = owned.get();
        devices->devices = {{"Earlier Card", 0x050A}};
        devices->Volume("master");
        devices->Volume("wave", 255, 255);
        devices->Switch("micMute");
        devices->serverControl = true;
        OutputLevelControl& level = Open(false);
        ASSERT_EQ(level.DeviceName(), "Earlier Card");
        devices->devices[0] = {"Test Card", 0x050A, c.readable};
        devices->openFails = c.openFails;
        dialogs = RecordingDialogs{};
        ReportMixerOpen(level.OpenDevice(static_cast<uint32_t>(c.device)), dialogs);
        EXPECT_EQ(dialogs.messages, c.messages);
        EXPECT_EQ(level.DeviceName(), c.name);
        log.sets.clear();
        EXPECT_TRUE(level.PrepareSoundCard().Ok());
        EXPECT_TRUE(level.ApplyCalibrationLevels(0, 0, 20).Ok());
        EXPECT_TRUE(level.SetSetting(Slider::Wave, 100).Ok());
        EXPECT_TRUE(log.sets.empty()) << "nothing reaches the card";
        EXPECT_FALSE(level.Scale(Slider::Master).present);
        EXPECT_EQ(level.Scale(Slider::Wave).steps, 0);
    }
    EXPECT_EQ(dialogs.captions.back(), "Soundkarten Treiber Problem");
}

TEST_F(OutputLevels, PrepareSoundCard) {
    for (bool core : {false, true}) {
        SCOPED_TRACE(core ? "core-audio mode" : "mixer mode");
        log.sets.clear();
        owned = std::make_unique<FakeVolumeDevices>(&log);
        devices = owned.get();
        devices->devices = {{"Test Card", 0x050A}};
        devices->Volume("master");
        devices->Switch("masterOnOff");
        devices->Volume("bass", 100, 100);
        devices->Volume("treble", 101, 101);
        devices->Volume("gain", 255, 255);
        devices->Switch("micMute");
        devices->Switch("cdMute").active = false;
        devices->Switch("pcSpeakerMute");
        OutputLevelControl& level = Open(core);
        EXPECT_TRUE(level.PrepareSoundCard().Ok());
        const auto sent = LastSets();
        EXPECT_EQ(sent.count("micMute"), core ? 0u : 1u) << "the mic is muted on the mixer path";
        if (!core) {
            EXPECT_EQ(sent.at("micMute"), (VolumeSet{"micMute", 1, 1}));
            EXPECT_EQ(sent.at("pcSpeakerMute"), (VolumeSet{"pcSpeakerMute", 1, 1}));
            EXPECT_EQ(sent.at("gain"), (VolumeSet{"gain", 127, 127})); // gain at half
        }
        EXPECT_EQ(sent.count("gain"), core ? 0u : 1u);
        EXPECT_EQ(sent.at("masterOnOff"), (VolumeSet{"masterOnOff", 0, 0})); // switched off
        EXPECT_EQ(sent.at("bass"), (VolumeSet{"bass", 50, 50}));             // centred
        EXPECT_EQ(sent.at("treble"), (VolumeSet{"treble", 50, 50}));         // 101 div 2
        EXPECT_EQ(sent.count("master"), 0u) << "volumes are left alone";
        EXPECT_EQ(sent.count("cdMute"), 0u) << "a disabled mute is not sent";
        EXPECT_TRUE(serverVolume == nullptr || serverVolume->set.empty());
    }
}

TEST_F(OutputLevels, ApplyCalibrationLevels) {
    OutputLevelControl& mixerPath = Open(false);
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(1, 3, 20).Ok());
    // The wave control reports 0 steps: it is left as it is.
    ASSERT_EQ(log.sets.size(), 1u);
    EXPECT_EQ(log.sets[0], (VolumeSet{"master", 0, 40940}));
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(0, 3, 20).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"master", 40940, 0}));
    devices->FindVolume("master")->uniform = true;
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(1, 3, 20).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"master", 40940, 40940}));
    devices->FindVolume("wave")->steps = 255;
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(1, 300, 40).Ok());
    EXPECT_EQ(log.sets[log.sets.size() - 2], (VolumeSet{"wave", 255, 255})) << "the top at most";
    EXPECT_EQ(log.sets.back(), (VolumeSet{"master", 65535, 65535}));
    EXPECT_TRUE(mixerPath.ApplyCalibrationLevels(1, -5, 20).Ok());
    EXPECT_EQ(log.sets[log.sets.size() - 2], (VolumeSet{"wave", -5, -5})) << "no lower limit";
}

TEST_F(OutputLevels, CoreAudioModeSetsTheServersVolume) {
    OutputLevelControl& corePath = Open(true);
    EXPECT_TRUE(corePath.CoreAudioMode());
    const struct {
        int32_t setting;
        int32_t value; // m / 1000 of 65536, rounded
    } cases[] = {{750, 49152}, {1000, 65536}, {0, 0}, {333, 21823}, {1500, 65536}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        EXPECT_TRUE(corePath.ApplyCalibrationLevels(1, 3, c.setting).Ok());
        ASSERT_FALSE(serverVolume->set.empty());
        EXPECT_EQ(serverVolume->set.back(), c.value);
    }
    EXPECT_TRUE(log.sets.empty()) << "the card's master is not touched";
    // The master slider: the range and the sets are the server's too.
    const SliderScale master = corePath.Scale(Slider::Master);
    EXPECT_TRUE(master.serverScalar);
    EXPECT_EQ(master.steps, 1000);
    EXPECT_EQ(master.ticks, 100);
    EXPECT_FALSE(corePath.CurrentPosition(Slider::Master).has_value()) << "keeps its own";
    EXPECT_TRUE(corePath.SetSetting(Slider::Master, 250).Ok());
    EXPECT_EQ(serverVolume->set.back(), 16384);
    EXPECT_TRUE(log.sets.empty());
}

// A calibrated level that does not reach the card must not go unnoticed: the
// test would go on at another loudness.
TEST_F(OutputLevels, LevelsThatCannotBeSetAreReportedByControl) {
    OutputLevelControl& mixerPath = Open(false);
    log.setResult = 1025;
    EXPECT_EQ(mixerPath.ApplyCalibrationLevels(1, 3, 20).Message(),
              "The sound card's master volume could not be set: MixerControlDetails INVALCONTROL");
    const SoundStatus prepared = mixerPath.PrepareSoundCard();
    EXPECT_EQ(prepared.control, "microphone mute") << "the first of them";
    EXPECT_EQ(prepared.Message().rfind("The sound card's microphone mute could not be set: ", 0),
              0u);
    EXPECT_EQ(LastSets().count("bass"), 1u) << "the sets after the failure still go out";
    log.setResult = 0;
    devices->FindVolume("master")->active = false;
    EXPECT_EQ(mixerPath.SetSetting(Slider::Master, 3).Message(),
              "The sound card's master volume could not be set: Control inactive!");
}

TEST_F(OutputLevels, TheServersVolumeThatFailsIsReported) {
    OutputLevelControl& corePath = Open(true);
    serverVolume->fails = true;
    const SoundStatus status = corePath.ApplyCalibrationLevels(1, 3, 750);
    EXPECT_EQ(status.failure, SoundFailure::ServerVolumeRefused);
    EXPECT_EQ(status.Message(), "The master volume of the sound server could not be set.");
    EXPECT_EQ(corePath.SetSetting(Slider::Master, 10).failure, SoundFailure::ServerVolumeRefused);
}

TEST_F(OutputLevels, NoMixerDeviceChangesNothing) {
    OutputLevelControl& level = Open(true, static_cast<uint32_t>(-1));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Invalid Device Number !"});
    EXPECT_TRUE(level.PrepareSoundCard().Ok());
    EXPECT_TRUE(level.ApplyCalibrationLevels(0, 10, 500).Ok());
    EXPECT_TRUE(log.sets.empty());
    EXPECT_EQ(serverVolume->set, std::vector<int32_t>{32768});
}

// The calibration windows' sliders: the position that shows a control's
// level, and where a setting goes.
TEST_F(OutputLevels, SlidersShowAndSetTheControls) {
    OutputLevelControl& level = Open(false);
    FakeVolume& master = *devices->FindVolume("master");
    const struct {
        int32_t left;
        int position; // (65535 - left) div 2047
    } cases[] = {{0, 32}, {65535, 0}, {32000, 16}, {2047, 31}};
    for (const auto& c : cases) {
        master.levels = {c.left, 0};
        EXPECT_EQ(level.CurrentPosition(Slider::Master), c.position) << c.left;
    }
    log.getResult = 11;
    EXPECT_EQ(level.CurrentPosition(Slider::Master), 32) << "unreadable: at the bottom";
    log.getResult = 0;
    EXPECT_EQ(level.CurrentPosition(Slider::Wave), 0) << "no steps";
    EXPECT_EQ(level.ControlValue(Slider::Master, 20), 40940);
    EXPECT_FALSE(level.ControlValue(Slider::Wave, 20).has_value());
    // With an ear, a control that is not uniform hears only that ear.
    EXPECT_TRUE(level.SetSetting(Slider::Gain, 10, 1).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"gain", 0, 10}));
    EXPECT_TRUE(level.SetSetting(Slider::Gain, 10, 0).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"gain", 10, 0}));
    EXPECT_TRUE(level.SetSetting(Slider::Gain, 10).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"gain", 10, 10}));
    devices->FindVolume("gain")->uniform = true;
    EXPECT_TRUE(level.SetSetting(Slider::Gain, 10, 1).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"gain", 10, 10}));
    EXPECT_TRUE(level.SetSetting(Slider::Master, 40).Ok());
    EXPECT_EQ(log.sets.back(), (VolumeSet{"master", 65535, 65535})) << "the top at most";
    const size_t before = log.sets.size();
    EXPECT_TRUE(level.SetSetting(Slider::Wave, 10).Ok()) << "no steps: left alone";
    EXPECT_EQ(log.sets.size(), before);
}

// The listing of a card with a speakers destination (master volume, mute,
// a pan control the program does not know) with a wave source, and a wave
// input with a selector of six items and a disabled control.
class Listing : public ::testing::Test {
  protected:
    std::unique_ptr<FakeMixerPlatform> MakePlatform() {
        auto p = std::make_unique<FakeMixerPlatform>();
        p->devices = {{"Test Card", 0x050A, 2}};
        FakeLine speakers = LineOf(0xFFFF0000, kDstSpeakers, 2,
                                   {Ctl(1, kCtlVolume), Ctl(2, kCtlMute, 1, 0, kCtlFlagUniform),
                                    Ctl(7, 0x40020001 /* PAN */)});
        speakers.sources = {LineOf(0x10, kSrcWaveOut, 6, {Ctl(8, kCtlVolume, 255, 0)})};
        speakers.info.connections = 1;
        FakeLine wavein = LineOf(0xFFFF0001, kDstWaveIn, 2,
                                 {Ctl(11, kCtlMixer, 5, 0, kCtlFlagMultiple | kCtlFlagUniform, 6),
                                  Ctl(12, kCtlVolume, 31, 31, kCtlFlagDisabled)});
        p->destinations = {speakers, wavein};
        return p;
    }
    std::vector<std::string> Open(std::unique_ptr<FakeMixerPlatform> p, uint32_t device = 0) {
        MixerListing listing(std::move(p));
        listing.CountDevices();
        ReportMixerOpen(listing.OpenDevice(device), dialogs);
        name = listing.Name();
        return listing.Listing();
    }
    RecordingDialogs dialogs;
    std::string name;
};

TEST_F(Listing, BlockFormat) {
    const auto l = Open(MakePlatform());
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(name, "Test Card");
    const std::vector<std::string> head = {"Test Card", "5.10", "Mixerleitungen : 2"};
    ASSERT_GE(l.size(), 3u + 19 + 19);
    EXPECT_EQ(std::vector<std::string>(l.begin(), l.begin() + 3), head);
    const std::vector<std::string> first = {"+++ COMPONENTTYPE  DST_SPEAKERS  +++",
                                            "Line ID : FFFF0000 Hex",
                                            "Line Flag : 00000000 Hex",
                                            "Controls  : 3",
                                            "Connections : 1",
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
    for (const char* line :
         {"Summenregler für beide Kanäle (Uniform)", "Regler pro Kanal (MultiItems) = 6",
          "Steuerelement nicht Active ", "Control - Typ  =  PAN", "Anzahl Kanäle : 6",
          "+++ COMPONENTTYPE  SRC_WAVEOUT  +++", "Control - Typ  =  MIXER"})
        EXPECT_NE(std::find(l.begin(), l.end(), line), l.end()) << line;
    // Destination, its source, the next destination: 3 + 1 + 2 controls.
    EXPECT_EQ(std::count(l.begin(), l.end(), std::string(71, '-')), 6);
}

TEST_F(Listing, DevicesThatCannotBeListed) {
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
        const auto l = Open(std::move(p), static_cast<uint32_t>(c.device));
        EXPECT_EQ(dialogs.messages, c.messages);
        if (c.openResult != 0)
            EXPECT_EQ(l.size(), 3u) << "the name lines only";
        else
            EXPECT_TRUE(l.empty());
    }
}

} // namespace
} // namespace tonmark::test
