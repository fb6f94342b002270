// The output watch on a real sound server: a private PulseAudio server with a
// null sink (started by with_pulse.sh), changed with pactl as another program
// would change it, and the program's own volume sets through
// PulseEndpointVolume on a connection of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/pulse_endpoint_volume.h"
#include "audio/pulse_output_watch.h"
#include "support/shell.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

std::string Sink() {
    const char* s = std::getenv("TONMARK_TEST_SINK");
    return s ? s : "";
}

// The null sink's own name for itself, as the messages show it.
const std::string kShown = "\"Null Output\"";

// What Change() said, and how long after `since` it first said anything;
// empty when it said nothing within the deadline. Looks every millisecond,
// finer than any caller does, so the time is the watcher's own.
struct Seen {
    std::string change;
    double seconds = 0;
};

Seen WaitForChange(const OutputWatch& watch, SteadyClock::time_point since,
                   std::chrono::milliseconds deadline = 5000ms) {
    while (SteadyClock::now() - since < deadline) {
        if (std::string c = watch.Change(); !c.empty())
            return {c, std::chrono::duration<double>(SteadyClock::now() - since).count()};
        std::this_thread::sleep_for(1ms);
    }
    return {};
}

// Change() stays empty for the whole of `span`; else what it said.
std::string ChangeDuring(const OutputWatch& watch, std::chrono::milliseconds span) {
    const auto end = SteadyClock::now() + span;
    while (SteadyClock::now() < end) {
        if (std::string c = watch.Change(); !c.empty())
            return c;
        std::this_thread::sleep_for(5ms);
    }
    return {};
}

// Change() says something at every look for the whole of `span`.
bool ReportedThroughout(const OutputWatch& watch, std::chrono::milliseconds span) {
    const auto end = SteadyClock::now() + span;
    while (SteadyClock::now() < end) {
        if (watch.Change().empty())
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class Watch : public ::testing::Test {
  protected:
    Watch() { Reset(); }
    ~Watch() override {
        Reset();
        std::remove(spareModule_.c_str());
    }

    // The test sink as with_pulse.sh leaves it: the default, at 100 %, not muted.
    void Reset() {
        Shell("(pactl set-default-sink " + Sink() + "; pactl set-sink-volume " + Sink() +
              " 100%; pactl set-sink-mute " + Sink() + " 0) 2>/dev/null");
    }

    // A second null sink, described as "Spare", and its removal.
    std::string LoadSpare() const {
        return "pactl load-module module-null-sink sink_name=tonmark_spare "
               "sink_properties=device.description=Spare >" +
               spareModule_;
    }
    std::string UnloadSpare() const {
        return "[ -s " + spareModule_ + " ] && pactl unload-module $(cat " + spareModule_ +
               "); rm -f " + spareModule_;
    }

    const std::string spareModule_ =
        std::string(::testing::TempDir()) + "spare-module-" + std::to_string(getpid());
};

// Each row: the state before Arm, the change made by another program, and
// the sentence Change() must give. A row that must not count as a change
// ends with a change that must (the test sink muted): the watcher reads in
// order, so its report is then the mute's, not the first change's.
TEST_F(Watch, EveryChangeOfTheDefaultOutputIsReportedByName) {
    const std::string s = Sink();
    const std::string mute = "pactl set-sink-mute " + s + " 1";
    const std::string muted = "The sound output " + kShown + " was muted by another program.";
    struct Case {
        std::string what, before, change, after, expected;
    };
    const Case cases[] = {
        {"volume raised to 1000 %", "", "pactl set-sink-volume " + s + " 1000%", "",
         "The volume of the sound output " + kShown +
             " was changed by another program (from 100 % to 1000 %)."},
        {"one channel only", "", "pactl set-sink-volume " + s + " 100% 50%", "",
         "The volume of the sound output " + kShown +
             " was changed by another program (from 100 % to 100 % / 50 %)."},
        {"one step below 100 %", "", "pactl set-sink-volume " + s + " 65535", "",
         "The volume of the sound output " + kShown + " was changed by another program."},
        {"muted", "", mute, "", muted},
        {"unmuted", mute, "pactl set-sink-mute " + s + " 0", "",
         "The sound output " + kShown + " was unmuted by another program."},
        {"another sink made the default", LoadSpare(), "pactl set-default-sink tonmark_spare",
         UnloadSpare(), "The default sound output changed from " + kShown + " to \"Spare\"."},
        {"the default sink unloaded", LoadSpare() + " && pactl set-default-sink tonmark_spare",
         UnloadSpare(), "", "The sound output \"Spare\" was removed."},
        // Not changes of the output that sounds:
        {"another sink's volume", LoadSpare(),
         "pactl set-sink-volume tonmark_spare 1000% && " + mute, UnloadSpare(), muted},
        {"a sink added", "", LoadSpare() + " && " + mute, UnloadSpare(), muted},
        {"the same volume set again", "", "pactl set-sink-volume " + s + " 100% && " + mute, "",
         muted},
    };
    PulseOutputWatch watch;
    std::vector<double> seconds;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Shell(c.before);
        const SoundStatus armed = watch.Arm();
        ASSERT_TRUE(armed.Ok()) << armed.reason;
        EXPECT_EQ(watch.Change(), "") << "armed on the state as it is";
        const auto started = SteadyClock::now();
        Shell(c.change);
        const Seen seen = WaitForChange(watch, started);
        EXPECT_EQ(seen.change, c.expected);
        if (!seen.change.empty())
            seconds.push_back(seen.seconds);
        Shell(c.after);
        Reset();
    }
    watch.Disarm();
    std::sort(seconds.begin(), seconds.end());
    // From the start of the shell that runs pactl, so an upper bound.
    if (!seconds.empty())
        std::printf("from pactl's start to Change(): min %.1f ms, median %.1f ms, max %.1f ms\n",
                    1000 * seconds.front(), 1000 * seconds[seconds.size() / 2],
                    1000 * seconds.back());
}

// The program's own set, then Arm: the server's notice of that set may come
// before, during or after Arm's reading, and must never count as a change.
TEST_F(Watch, TheProgramsOwnSetThenArmReportsNothing) {
    PulseEndpointVolume endpoint;
    ASSERT_TRUE(endpoint.Connected());
    PulseOutputWatch watch;
    ASSERT_TRUE(watch.Arm().Ok());
    const int32_t levels[] = {32768, 49152, 16384, 65536}; // 50, 75, 25 and 100 %
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE("set " + std::to_string(i));
        ASSERT_TRUE(endpoint.Set(levels[i % 4], levels[i % 4]).Ok());
        const SoundStatus armed = watch.Arm();
        ASSERT_TRUE(armed.Ok()) << armed.reason;
        ASSERT_EQ(ChangeDuring(watch, 20ms), "");
    }
    EXPECT_EQ(ChangeDuring(watch, 1000ms), "");
    // Still armed and watching: another program's set is seen.
    Shell("pactl set-sink-volume " + Sink() + " 50%");
    EXPECT_EQ(WaitForChange(watch, SteadyClock::now()).change,
              "The volume of the sound output " + kShown +
                  " was changed by another program (from 100 % to 50 %).");
}

TEST_F(Watch, AChangeStaysReportedUntilTheNextArm) {
    PulseOutputWatch watch;
    ASSERT_TRUE(watch.Arm().Ok());
    Shell("pactl set-sink-volume " + Sink() + " 1000%");
    ASSERT_NE(WaitForChange(watch, SteadyClock::now()).change, "");
    // Put back: what sounded meanwhile was not calibrated all the same.
    Shell("pactl set-sink-volume " + Sink() + " 100%");
    EXPECT_TRUE(ReportedThroughout(watch, 300ms)) << "the report must not vanish";
    ASSERT_TRUE(watch.Arm().Ok());
    EXPECT_EQ(watch.Change(), "") << "Arm forgets what was reported before";
    watch.Disarm();
    EXPECT_EQ(watch.Change(), "");
}

TEST_F(Watch, ADisarmedWatchReportsNothing) {
    PulseOutputWatch watch;
    ASSERT_TRUE(watch.Arm().Ok());
    watch.Disarm();
    Shell("pactl set-sink-volume " + Sink() + " 1000%");
    EXPECT_EQ(ChangeDuring(watch, 500ms), "");
}

// A server that stops answering (SIGSTOP) makes Arm fail with a reason
// instead of hanging; once it answers again, Arm works again.
TEST_F(Watch, ArmOnAFrozenServerFailsAndWorksOnceItAnswers) {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    ASSERT_NE(pid, nullptr);
    PulseOutputWatch watch;
    ASSERT_TRUE(watch.Arm().Ok());
    ASSERT_EQ(kill(std::atoi(pid), SIGSTOP), 0);
    const SoundStatus frozen = watch.Arm();
    kill(std::atoi(pid), SIGCONT);
    EXPECT_FALSE(frozen.Ok());
    EXPECT_EQ(frozen.failure, SoundFailure::OutputNotWatched);
    EXPECT_EQ(frozen.Message(),
              "The sound server did not answer within 2 seconds, so the sound output cannot be "
              "watched.");
    EXPECT_EQ(watch.Change(), "") << "not armed, so nothing to report";
    const SoundStatus again = watch.Arm();
    ASSERT_TRUE(again.Ok()) << again.reason;
    Shell("pactl set-sink-mute " + Sink() + " 1");
    EXPECT_EQ(WaitForChange(watch, SteadyClock::now()).change,
              "The sound output " + kShown + " was muted by another program.");
}

// Runs last: the server does not come back.
TEST_F(Watch, ZServerKilledWhileArmedIsReported) {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    ASSERT_NE(pid, nullptr);
    PulseOutputWatch watch;
    ASSERT_TRUE(watch.Arm().Ok());
    ASSERT_EQ(kill(std::atoi(pid), SIGKILL), 0);
    const Seen seen = WaitForChange(watch, SteadyClock::now());
    EXPECT_EQ(seen.change, "The sound server stopped.");
    std::printf("server loss reported after %.1f ms\n", 1000 * seen.seconds);
    const SoundStatus armed = watch.Arm();
    EXPECT_FALSE(armed.Ok());
    EXPECT_NE(armed.Message().find("could not be reached"), std::string::npos) << armed.reason;
}

} // namespace
} // namespace tonmark::test
