// Sound output, mixer and endpoint volume on real components: a private
// PulseAudio server with a null sink (started by with_pulse.sh), its monitor
// recorded with parec, the ALSA pulse control plugin and a fake ALSA control
// plugin built with the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <alsa/asoundlib.h>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "audio/alsa_mixer_platform.h"
#include "audio/alsa_volume.h"
#include "audio/mixer_listing.h"
#include "audio/output_level.h"
#include "audio/own_stream_volume.h"
#include "audio/portaudio_output.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/pulse_stream_output.h"
#include "audio/tone_synthesis.h"
#include "support/shell.h"
#include "support/sink_inputs.h"
#include "support/sink_recording.h"
#include "tools/simulation.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Sink() {
    const char* s = std::getenv("TONMARK_TEST_SINK");
    return s ? s : "";
}

// parec on the null sink's monitor, into a file, for the life of the object.
class Recorder {
  public:
    Recorder() {
        path_ = std::string(::testing::TempDir()) + "rec-" + std::to_string(getpid()) + "-" +
                std::to_string(counter_++) + ".raw";
        pid_ = fork();
        if (pid_ == 0) {
            const std::string device = Sink() + ".monitor";
            execlp("parec", "parec", "-d", device.c_str(), "--format=s16le", "--rate=44100",
                   "--channels=2", "--latency-msec=20", path_.c_str(), (char*)nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(500ms); // let the recording stream settle
    }
    // Stops recording and returns the frames as [left, right] pairs.
    std::vector<std::pair<int16_t, int16_t>> Stop() {
        std::this_thread::sleep_for(300ms);
        kill(pid_, SIGINT);
        int st = 0;
        waitpid(pid_, &st, 0);
        std::ifstream in(path_, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::remove(path_.c_str());
        std::vector<std::pair<int16_t, int16_t>> frames(bytes.size() / 4);
        for (size_t i = 0; i < frames.size(); ++i) {
            std::memcpy(&frames[i].first, bytes.data() + 4 * i, 2);
            std::memcpy(&frames[i].second, bytes.data() + 4 * i + 2, 2);
        }
        return frames;
    }

  private:
    static inline int counter_ = 0;
    std::string path_;
    pid_t pid_ = -1;
};

// The first channel of the test sink's volume, raw on the server's scale.
long SinkVolumeRaw() {
    return test::SinkVolumeRaw(Sink());
}

void ResetSinkVolume() {
    Shell("pactl set-sink-volume " + Sink() + " 65536");
}

// Both ways the program plays: the sound server's own stream (its path on
// such a server) and PortAudio (its path without one).
std::vector<std::pair<const char*, std::function<std::unique_ptr<WaveOutput>()>>> Outputs() {
    return {{"server stream", [] { return std::make_unique<PulseStreamOutput>(); }},
            {"PortAudio", [] { return std::make_unique<PortAudioOutput>(); }}};
}

TEST(RealAudio, PulseComesBackSampleForSampleInTheRightChannelOnceHeard) {
    for (const auto& [name, make] : Outputs()) {
        SCOPED_TRACE(name);
        ResetSinkVolume();
        std::string pulse;
        CreateSound(1000, -10, 0.3, 0.1, pulse, true, 0, 1);
        Recorder rec;
        const auto out = make();
        ASSERT_TRUE(out->OpenPulseOutput(-1)) << out->Failure();
        const auto start = Clock::now();
        out->PlayPulseBuffer(pulse);
        EXPECT_FALSE(out->IsPulseDone());
        while (!out->IsPulseDone() && Clock::now() - start < 5s && out->Failure().empty())
            std::this_thread::sleep_for(1ms);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_TRUE(out->IsPulseDone());
        EXPECT_TRUE(out->Failure().empty()) << out->Failure();
        // Done means heard: not before the whole period has played, so a
        // late press in the pause still belongs to this pulse.
        EXPECT_GE(elapsed, 0.4);
        EXPECT_EQ(out->Underflows(), 0);
        out->ClosePulseOutput();
        const auto frames = rec.Stop();

        const size_t n = pulse.size() / 4;
        std::vector<int16_t> expected(n);
        for (size_t i = 0; i < n; ++i)
            std::memcpy(&expected[i], pulse.data() + 4 * i + 2, 2);
        size_t firstExpected = 0;
        while (firstExpected < n && expected[firstExpected] == 0)
            ++firstExpected;
        size_t first = 0;
        while (first < frames.size() && frames[first].second == 0)
            ++first;
        ASSERT_LT(first, frames.size()) << "nothing was played";
        ASSERT_GE(frames.size() - first, n - firstExpected);
        size_t mismatches = 0;
        for (size_t i = firstExpected; i < n; ++i) {
            const auto& f = frames[first + i - firstExpected];
            mismatches += f.second != expected[i] || f.first != 0;
        }
        EXPECT_EQ(mismatches, 0u);
    }
}

TEST(RealAudio, PulsesOfMixedLengthArriveWholeOnABusyMachine) {
    ResetSinkVolume();
    const int freqs[] = {125, 250, 500, 750, 1000, 1500, 2000, 3000, 4000, 6000, 8000};
    const double tones[] = {0.05, 0.1, 0.15, 0.2, 0.3, 0.5};
    const double pauses[] = {0.03, 0.05, 0.1, 0.2};
    std::vector<std::string> pulses;
    for (int i = 0; i < 110; ++i) {
        std::string pulse;
        const int ear = (i / 3) % 2;
        CreateSound(freqs[i % 11], -10 - (i % 7), tones[i % 6], pauses[i % 4], pulse, true, 1 - ear,
                    ear);
        pulses.push_back(std::move(pulse));
    }
    Recorder rec;
    PulseStreamOutput out;
    int64_t underflows = -1;
    std::string loadAverage;
    {
        MachineLoad load(::testing::TempDir());
        ASSERT_TRUE(out.OpenPulseOutput(-1)) << out.Failure();
        for (const std::string& pulse : pulses) {
            out.PlayPulseBuffer(pulse);
            while (!out.WaitPulseDone(50))
                ASSERT_TRUE(out.Failure().empty()) << out.Failure();
        }
        underflows = out.Underflows();
        out.ClosePulseOutput();
        loadAverage = Shell("cut -d' ' -f1 /proc/loadavg");
    }
    std::printf("load average while playing: %s", loadAverage.c_str());
    EXPECT_EQ(underflows, 0);
    EXPECT_EQ(CompareWithPulses(rec.Stop(), pulses), "");
}

// A pulse that reaches the server in two parts, the second too late: the
// server really runs dry inside it, and the output says so for that pulse
// alone.
TEST(RealAudio, AHoleInsideAPulseIsReportedForThatPulse) {
    ResetSinkVolume();
    std::string pulse;
    CreateSound(1000, -10, 0.2, 0.1, pulse, true, 1, 0);
    Recorder rec;
    PulseStreamOutput out;
    ASSERT_TRUE(out.OpenPulseOutput(-1)) << out.Failure();
    std::vector<int64_t> counts;
    for (int i = 0; i < 3; ++i) {
        if (i == 1)
            out.SplitNextPulse(400); // the first half lasts 150 ms
        out.PlayPulseBuffer(pulse);
        const auto start = Clock::now();
        while (!out.WaitPulseDone(50) && Clock::now() - start < 5s)
            ASSERT_TRUE(out.Failure().empty()) << out.Failure();
        counts.push_back(out.Underflows());
    }
    out.ClosePulseOutput();
    EXPECT_EQ(counts, (std::vector<int64_t>{0, 1, 1}));
    const std::string heard = CompareWithPulses(rec.Stop(), {pulse, pulse, pulse});
    EXPECT_NE(heard, "") << "the broken pulse differs from what was asked";
}

TEST(RealAudio, PlayCommandPlaysWhatSynthMakes) {
    ResetSinkVolume();
    const std::string pulse =
        Shell(std::string(TONMARK_TOOL) +
              " synth --freq 3000 --level -12 --beep 0.1 --pause 0.05 --left 0 --right 1");
    ASSERT_EQ(pulse.size(), 4u * (4410 + 2205));
    Recorder rec;
    const std::string status =
        Shell(std::string(TONMARK_TOOL) + " play --freq 3000 --level -12 --beep 0.1 --pause 0.05 "
                                          "--left 0 --right 1 --count 3 2>&1; echo \"exit $?\"");
    EXPECT_NE(status.find("played 3 pulses on the sound server's stream, 0 underflows"),
              std::string::npos)
        << status;
    EXPECT_NE(status.find("exit 0"), std::string::npos) << status;
    EXPECT_EQ(CompareWithPulses(rec.Stop(), {pulse, pulse, pulse}), "");
}

TEST(RealAudio, PlayCommandStopsWhenAnotherProgramChangesTheVolume) {
    ResetSinkVolume();
    const std::string out = Shell(
        "(" + std::string(TONMARK_TOOL) +
        " play --freq 1000 --level -20 --beep 0.1 --pause 0.1 --count 50 2>&1; echo \"exit $?\") "
        "& sleep 1; pactl set-sink-volume " +
        Sink() + " 1000%; wait");
    ResetSinkVolume();
    EXPECT_NE(out.find("volume"), std::string::npos) << out;
    EXPECT_NE(out.find("exit 1"), std::string::npos) << out;
    EXPECT_EQ(out.find("played 50"), std::string::npos) << out;
}

TEST(RealAudio, PlayCommandRefusesBadArgumentsAndMissingDevices) {
    const std::string tool = TONMARK_TOOL;
    struct Case {
        std::string args;
        std::string status;
    };
    const Case cases[] = {
        {"play --freq 1000 --level -10 --beep 0.1", "exit 2"},
        {"play --freq 1000 --level -10 --beep 0.1 --pause 0.1 --count 0", "exit 2"},
        {"play --freq 1000.5 --level -10 --beep 0.1 --pause 0.1", "exit 2"},
        {"play --freq 1000 --level x --beep 0.1 --pause 0.1", "exit 2"},
        {"play --freq 1000 --level -10 --beep 0.1 --pause 0.1 --device 999", "exit 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const std::string out = Shell(tool + " " + c.args + " 2>&1 >/dev/null; echo \"exit $?\"");
        EXPECT_NE(out.find(c.status), std::string::npos) << out;
        // One line of explanation, then the status.
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
        EXPECT_EQ(out.rfind("tonmark-tool play: ", 0), 0u) << out;
    }
}

TEST(RealAudio, LoopingToneSoundsUntilFinishPlay) {
    for (const auto& [name, make] : Outputs()) {
        SCOPED_TRACE(name);
        ResetSinkVolume();
        std::string tone;
        CreateSound(1000, -6, 0.1, 0, tone, false, 1, 0); // 100 whole cycles: seamless
        Recorder rec;
        const auto made = make();
        WaveOutput& out = *made;
        ASSERT_TRUE(out.PreparePlay(-1, tone, -1)) << out.Failure();
        EXPECT_EQ(out.Header().flags, 12u);
        EXPECT_EQ(out.Header().loops, 0xFFFFFFFFu);
        out.StartPlay();
        std::this_thread::sleep_for(1000ms);
        out.FinishPlay();
        const auto frames = rec.Stop();
        size_t first = 0, last = 0;
        for (size_t i = 0; i < frames.size(); ++i)
            if (frames[i].first != 0) {
                if (!first)
                    first = i;
                last = i;
            }
        ASSERT_GT(last, first);
        // Continuous: a 1 kHz sine is zero at isolated samples only.
        size_t run = 0, longest = 0;
        for (size_t i = first; i <= last; ++i) {
            run = frames[i].first == 0 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        EXPECT_LE(longest, 1u);
        const double seconds = static_cast<double>(last - first) / 44100;
        EXPECT_GE(seconds, 0.8);
        EXPECT_LE(seconds, 1.5) << "the tone must stop when FinishPlay returns";
        for (size_t i = first; i <= last; ++i)
            ASSERT_EQ(frames[i].second, 0) << "the right channel stays silent";
    }
}

TEST(RealAudio, SinglePlayHeaderAndDeviceList) {
    PortAudioOutput out;
    const auto devices = out.DeviceEntries();
    ASSERT_FALSE(devices.empty());
    for (const auto& d : devices)
        EXPECT_NE(d.find(" Driver Version "), std::string::npos) << d;
    std::string tone;
    CreateSound(500, -20, 0.05, 0, tone, true, 1, 0);
    ASSERT_TRUE(out.PreparePlay(0, tone, 1));
    EXPECT_EQ(out.Header().flags, 0u);
    EXPECT_EQ(out.Header().loops, 1u);
    out.FinishPlay();
    EXPECT_FALSE(out.OpenPulseOutput(static_cast<int>(devices.size())));
    EXPECT_FALSE(out.Failure().empty());
}

TEST(RealAudio, EndpointVolumeIsTheDefaultSinksVolume) {
    PulseEndpointVolume endpoint;
    ASSERT_TRUE(endpoint.Connected());
    EXPECT_EQ(endpoint.Maxvalue(), 65536) << "the server's normal volume";
    EXPECT_EQ(endpoint.Channels(), 2u);
    EXPECT_TRUE(endpoint.Set(49152, 0).Ok()) << "one value for every channel";
    EXPECT_EQ(SinkVolumeRaw(), 49152);
    VolumeControl::Levels levels;
    EXPECT_TRUE(endpoint.Get(levels).Ok());
    EXPECT_EQ(levels, (VolumeControl::Levels{49152, 49152}));
    EXPECT_TRUE(endpoint.Set(100000, 100000).Ok()); // held at the normal volume
    EXPECT_EQ(SinkVolumeRaw(), 65536);
    // Core-audio mode's master: a setting m is the scalar m / 1000.
    OutputLevelControl levels750(std::make_unique<AlsaVolumeDevices>(std::vector<std::string>{}),
                                 nullptr, std::make_unique<PulseEndpointVolume>());
    EXPECT_TRUE(levels750.ApplyCalibrationLevels(0, 0, 750).Ok());
    EXPECT_EQ(SinkVolumeRaw(), 49152);
    ResetSinkVolume();
}

TEST(RealAudio, PulseControlPluginMovesTheSink) {
    ResetSinkVolume();
    AlsaVolumeDevices devices(std::vector<std::string>{"pulse"});
    ASSERT_EQ(devices.DeviceCount(), 1u);
    EXPECT_TRUE(devices.Caps(0).has_value());
    ASSERT_TRUE(devices.Open(0));
    VolumeControl* master = devices.Controls().master;
    ASSERT_NE(master, nullptr);
    const SoundStatus set = master->Set(master->Maxvalue() / 2, master->Maxvalue() / 2);
    EXPECT_TRUE(set.Ok()) << set.reason;
    EXPECT_EQ(SinkVolumeRaw(), master->Maxvalue() / 2);
    ResetSinkVolume();
}

// Which control devices are the sound server's own: its plugin, and
// "default" while a server runs; not a card, though the fake card is an
// external plugin too. A card's wave volume stays its "PCM". The listing
// shows the same wave volume.
TEST(RealAudio, TheServersControlIsToldFromACard) {
    const std::pair<const char*, bool> devices[] = {
        {"pulse", true}, {"default", true}, {"tonmarkfake", false}};
    for (const auto& [name, server] : devices) {
        SCOPED_TRACE(name);
        OutputLevelControl levels(
            std::make_unique<AlsaVolumeDevices>(std::vector<std::string>{name}),
            std::make_shared<OwnStreamVolume>(), nullptr);
        levels.CountDevices();
        ASSERT_EQ(levels.OpenDevice(0).failure, MixerOpenResult::Failure::None);
        EXPECT_TRUE(levels.Scale(Slider::Wave).present);
        EXPECT_EQ(levels.Scale(Slider::Wave).steps, server ? 1285 : 255);
        EXPECT_EQ(levels.ControlValue(Slider::Wave, 1), server ? 51 : 1);
        MixerListing listing(std::make_unique<AlsaMixerPlatform>(std::vector<std::string>{name}));
        listing.CountDevices();
        ASSERT_EQ(listing.OpenDevice(0).failure, MixerOpenResult::Failure::None);
        const auto& l = listing.Listing();
        EXPECT_EQ(std::find(l.begin(), l.end(), "Name = Program Stream Playback Volume") != l.end(),
                  server);
    }
}

// The runs of sound of a recording, parted by at least 50 ms of silence, with
// each channel's peak.
struct RecordedPulse {
    int peak[2] = {0, 0};
};
std::vector<RecordedPulse> PulsesOf(const std::vector<std::pair<int16_t, int16_t>>& frames) {
    std::vector<RecordedPulse> pulses;
    size_t quiet = 2205;
    for (const auto& [l, r] : frames) {
        if (l == 0 && r == 0) {
            ++quiet;
            continue;
        }
        if (quiet >= 2205)
            pulses.emplace_back();
        quiet = 0;
        pulses.back().peak[0] = std::max(pulses.back().peak[0], std::abs(static_cast<int>(l)));
        pulses.back().peak[1] = std::max(pulses.back().peak[1], std::abs(static_cast<int>(r)));
    }
    return pulses;
}

// The wave volume of the sound server's control is the program's own stream
// volume: a stream opens at it (the server holds it before a sample plays),
// follows a change while it is open, and every sample reaches the sink scaled
// by the setting's linear factor v / 1285, channel by channel.
TEST(RealAudio, TheServersWaveVolumeIsTheProgramsStreamVolume) {
    ResetSinkVolume();
    auto volume = std::make_shared<OwnStreamVolume>();
    PulseStreamOutput out(volume);
    OutputLevelControl levels(
        std::make_unique<AlsaVolumeDevices>(std::vector<std::string>{"pulse"}), volume, nullptr);
    levels.CountDevices();
    ASSERT_EQ(levels.OpenDevice(0).failure, MixerOpenResult::Failure::None);
    ASSERT_EQ(levels.Scale(Slider::Wave).steps, 1285);
    // The wave slider is the stream volume; left and right apart, on it directly.
    ASSERT_TRUE(levels.SetSetting(Slider::Wave, 1285).Ok());
    ASSERT_EQ(volume->Current(), OwnStreamVolume::kFull);
    const auto set = [&](int32_t left, int32_t right) {
        return volume->Set(*VolumeRuleValue(*volume, left), *VolumeRuleValue(*volume, right));
    };
    const auto expectOnServer = [](int32_t left, int32_t right) {
        const auto inputs = ProgramSinkInputs();
        ASSERT_EQ(inputs.size(), 1u) << "the program's one stream";
        EXPECT_EQ(inputs[0].volume,
                  (std::vector<pa_volume_t>{pa_sw_volume_from_linear(left / 1285.0),
                                            pa_sw_volume_from_linear(right / 1285.0)}));
        EXPECT_FALSE(inputs[0].muted);
    };
    const auto playOne = [&out](const std::string& pulse) {
        out.PlayPulseBuffer(pulse);
        const auto start = Clock::now();
        while (!out.WaitPulseDone(50) && Clock::now() - start < 5s)
            ASSERT_TRUE(out.Failure().empty()) << out.Failure();
    };
    std::string pulse;
    CreateSound(1000, -10, 0.3, 0.1, pulse, true, 1, 1);
    int bufferPeak = 0;
    for (size_t i = 0; i < pulse.size() / 4; ++i)
        bufferPeak = std::max(bufferPeak, std::abs(static_cast<int>(PulseSample(pulse, i, 0))));
    // Settings [left, right]: each stream opens at the first pair, plays a
    // pulse, takes the second pair while open and plays another.
    const std::pair<int32_t, int32_t> streams[][2] = {{{1285, 1285}, {128, 13}},
                                                      {{642, 13}, {1285, 26}}};
    std::vector<std::pair<int32_t, int32_t>> played;
    Recorder rec;
    for (const auto& [opening, live] : streams) {
        SCOPED_TRACE("opened at " + std::to_string(opening.first));
        EXPECT_TRUE(set(opening.first, opening.second).Ok());
        ASSERT_TRUE(out.OpenPulseOutput(-1)) << out.Failure();
        expectOnServer(opening.first, opening.second);
        playOne(pulse);
        EXPECT_TRUE(set(live.first, live.second).Ok());
        expectOnServer(live.first, live.second);
        playOne(pulse);
        out.ClosePulseOutput();
        played.push_back(opening);
        played.push_back(live);
    }
    const auto heard = PulsesOf(rec.Stop());
    ASSERT_EQ(heard.size(), played.size());
    for (size_t p = 0; p < heard.size(); ++p)
        for (int ch = 0; ch < 2; ++ch) {
            SCOPED_TRACE("pulse " + std::to_string(p) + ", channel " + std::to_string(ch));
            const double factor = (ch == 0 ? played[p].first : played[p].second) / 1285.0;
            // The server scales in 16-bit fixed point and truncates: a sample
            // may come out one step low.
            EXPECT_NEAR(heard[p].peak[ch], bufferPeak * factor, 1.5);
            const double dB = 20 * std::log10(heard[p].peak[ch] / static_cast<double>(bufferPeak));
            EXPECT_NEAR(dB, 20 * std::log10(factor), 0.15);
            std::printf("setting %4d: peak %5d of %d, %7.3f dB (%7.3f dB expected)\n",
                        ch == 0 ? played[p].first : played[p].second, heard[p].peak[ch], bufferPeak,
                        dB, 20 * std::log10(factor));
        }
}

TEST(RealAudio, DevicesCommandListsWhatTheSettingsWillShow) {
    const std::string out = Shell(std::string(TONMARK_TOOL) + " devices 2>/dev/null");
    EXPECT_NE(out.find("Wave output devices:\n0: "), std::string::npos) << out;
    EXPECT_NE(out.find(" Driver Version "), std::string::npos);
    EXPECT_NE(out.find("Mixer devices:\n0: PulseAudio Driver Version "), std::string::npos) << out;
    EXPECT_NE(out.find("+++ COMPONENTTYPE  DST_SPEAKERS  +++"), std::string::npos);
    EXPECT_NE(out.find("Name = Master Playback Volume"), std::string::npos);
}

class FakeCard : public ::testing::Test {
  protected:
    FakeCard() {
        state_ = std::string(::testing::TempDir()) + "fakectl-" + std::to_string(getpid());
        std::remove(state_.c_str());
        setenv("TONMARK_FAKE_CTL_STATE", state_.c_str(), 1);
        auto owned = std::make_unique<AlsaVolumeDevices>(std::vector<std::string>{"tonmarkfake"});
        devices = owned.get();
        levels = std::make_unique<OutputLevelControl>(std::move(owned), nullptr, nullptr);
        levels->CountDevices();
        const MixerOpenResult opened = levels->OpenDevice(0);
        EXPECT_FALSE(opened.capsUnreadable);
        EXPECT_EQ(opened.failure, MixerOpenResult::Failure::None);
    }
    ~FakeCard() override { std::remove(state_.c_str()); }

    // A raw value of the card read through a separate ALSA open.
    long Raw(const char* name, int index = 0) {
        snd_ctl_t* ctl = nullptr;
        EXPECT_EQ(snd_ctl_open(&ctl, "tonmarkfake", 0), 0);
        snd_ctl_elem_value_t* v;
        snd_ctl_elem_value_alloca(&v);
        snd_ctl_elem_value_set_interface(v, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_value_set_name(v, name);
        EXPECT_EQ(snd_ctl_elem_read(ctl, v), 0) << name;
        snd_ctl_elem_info_t* info;
        snd_ctl_elem_info_alloca(&info);
        snd_ctl_elem_info_set_interface(info, SND_CTL_ELEM_IFACE_MIXER);
        snd_ctl_elem_info_set_name(info, name);
        snd_ctl_elem_info(ctl, info);
        const auto type = snd_ctl_elem_info_get_type(info);
        long r = type == SND_CTL_ELEM_TYPE_ENUMERATED ? snd_ctl_elem_value_get_enumerated(v, index)
                 : type == SND_CTL_ELEM_TYPE_BOOLEAN  ? snd_ctl_elem_value_get_boolean(v, index)
                                                      : snd_ctl_elem_value_get_integer(v, index);
        snd_ctl_close(ctl);
        return r;
    }

    std::string state_;
    AlsaVolumeDevices* devices = nullptr;
    std::unique_ptr<OutputLevelControl> levels;
};

TEST_F(FakeCard, ElementsAreTheControlsByName) {
    EXPECT_EQ(levels->DeviceName(), "Tonmark Test Card");
    const VolumeControls c = devices->Controls();
    ASSERT_NE(c.master, nullptr);
    EXPECT_FALSE(c.master->Uniform());
    EXPECT_EQ(c.master->Maxvalue(), 65535);
    EXPECT_EQ(c.master->Steps(), 65535u);
    EXPECT_EQ(c.master->Channels(), 2u);
    ASSERT_NE(c.wave, nullptr) << "the PCM";
    EXPECT_EQ(c.wave->Maxvalue(), 255);
    EXPECT_EQ(c.wave->Steps(), 255u);
    EXPECT_NE(c.bass, nullptr);
    EXPECT_NE(c.treble, nullptr);
    EXPECT_NE(c.micMute, nullptr);
    EXPECT_NE(c.lineMute, nullptr);
    EXPECT_NE(c.cdMute, nullptr);
    ASSERT_NE(c.pcSpeakerMute, nullptr) << "the Beep";
    EXPECT_FALSE(c.pcSpeakerMute->Active()) << "disabled by the driver";
    EXPECT_EQ(c.auxMute, nullptr) << "the card's Aux has no switch";
    EXPECT_EQ(c.gain, nullptr) << "ALSA has no output gain";
    EXPECT_EQ(c.masterOnOff, nullptr);
    EXPECT_FALSE(c.soundServerControl);
}

TEST_F(FakeCard, TheListingShowsEveryElement) {
    MixerListing listing(
        std::make_unique<AlsaMixerPlatform>(std::vector<std::string>{"tonmarkfake"}));
    listing.CountDevices();
    ASSERT_EQ(listing.OpenDevice(0).failure, MixerOpenResult::Failure::None);
    EXPECT_EQ(listing.Name(), "Tonmark Test Card");
    const auto& l = listing.Listing();
    // The card's capture sources, Mix included, are the selector's items.
    for (const char* expected :
         {"+++ COMPONENTTYPE  SRC_WAVEOUT  +++", "+++ COMPONENTTYPE  SRC_ANALOG  +++",
          "+++ COMPONENTTYPE  SRC_PCSPEAKER  +++", "Control - Typ  =  MIXER",
          "Regler pro Kanal (MultiItems) = 5", "Steuerelement nicht Active ", "Anzahl Kanäle : 6",
          "Name = Line Playback Volume", "Name = Mic Capture Switch"})
        EXPECT_NE(std::find(l.begin(), l.end(), expected), l.end()) << expected;
    // A mono element is one value for all: its block says so.
    const auto line = std::find(l.begin(), l.end(), "Name = Line Playback Volume");
    ASSERT_NE(line, l.end());
    EXPECT_EQ(*(line + 7), "Summenregler für beide Kanäle (Uniform)");
}

TEST_F(FakeCard, ValuesReachTheCard) {
    const VolumeControls c = devices->Controls();
    ASSERT_NE(c.master, nullptr);
    SoundStatus set = c.master->Set(10000, 20000);
    EXPECT_TRUE(set.Ok()) << set.reason;
    EXPECT_EQ(Raw("Master Playback Volume", 0), 10000);
    EXPECT_EQ(Raw("Master Playback Volume", 1), 20000);
    VolumeControl::Levels read;
    EXPECT_TRUE(c.master->Get(read).Ok());
    EXPECT_EQ(read, (VolumeControl::Levels{10000, 20000}));
    // Held within the range.
    EXPECT_TRUE(c.wave->Set(300, -4).Ok());
    EXPECT_EQ(Raw("PCM Playback Volume", 0), 255);
    EXPECT_EQ(Raw("PCM Playback Volume", 1), 0);
    // Muted means the playback switch is off, on every channel.
    EXPECT_TRUE(c.micMute->Set(true).Ok());
    EXPECT_EQ(Raw("Mic Playback Switch", 0), 0);
    EXPECT_EQ(Raw("Mic Playback Switch", 1), 0);
    EXPECT_TRUE(c.micMute->Set(false).Ok());
    EXPECT_EQ(Raw("Mic Playback Switch", 1), 1);
    // Disabled: refused with its text, the card keeps its value.
    const long beep = Raw("Beep Playback Switch");
    set = c.pcSpeakerMute->Set(true);
    EXPECT_EQ(set.failure, SoundFailure::ControlRefused);
    EXPECT_EQ(set.reason, "Control is inactive!");
    EXPECT_EQ(Raw("Beep Playback Switch"), beep);
}

TEST_F(FakeCard, OutputLevelsOnTheMixerPath) {
    EXPECT_TRUE(levels->PrepareSoundCard().Ok());
    EXPECT_EQ(Raw("Mic Playback Switch"), 0);
    EXPECT_EQ(Raw("Line Playback Switch"), 0);
    EXPECT_EQ(Raw("CD Playback Switch"), 0);
    EXPECT_EQ(Raw("Beep Playback Switch"), 1) << "a disabled mute is left alone";
    EXPECT_EQ(Raw("Master Playback Switch"), 1) << "the master mute is left alone";
    EXPECT_EQ(Raw("Bass Playback Volume"), 50);
    EXPECT_EQ(Raw("Treble Playback Volume", 1), 50);
    EXPECT_TRUE(levels->ApplyCalibrationLevels(1, 100, 20).Ok());
    EXPECT_EQ(Raw("PCM Playback Volume"), 100); // 255 div 255 x 100
    EXPECT_EQ(Raw("Master Playback Volume", 0), 0);
    EXPECT_EQ(Raw("Master Playback Volume", 1), 20); // 65535 div 65535 x 20
    // The sliders start where the card is.
    EXPECT_EQ(levels->CurrentPosition(Slider::Wave), 155);
    EXPECT_EQ(levels->CurrentPosition(Slider::Master), 65535) << "the left channel: 0";
}

} // namespace
} // namespace tonmark::test
