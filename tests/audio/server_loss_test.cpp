// What happens when the sound server goes away: a pulse that is playing
// reports the failure instead of never finishing, and a fresh process finds
// no output device. Runs last against its own private server.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "audio/portaudio_output.h"
#include "audio/tone_synthesis.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;

double SecondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// A stopped (not killed) server answers nothing: the wait must end with a
// reason, and closing must not hang on the server (it did for a minute).
TEST(ServerLoss, FrozenServerEndsTheWaitAndClosesWithoutHanging) {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    ASSERT_NE(pid, nullptr);
    std::string pulse;
    CreateSound(1000, -20, 5.0, 0, pulse, true, 1, 0);
    PortAudioOutput out;
    ASSERT_TRUE(out.OpenPulseOutput(-1)) << out.Failure();
    out.PlayPulseBuffer(pulse);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(kill(std::atoi(pid), SIGSTOP), 0);
    auto start = std::chrono::steady_clock::now();
    while (!out.WaitPulseDone(50) && out.Failure().empty() && SecondsSince(start) < 20)
        ;
    const double found = SecondsSince(start);
    EXPECT_FALSE(out.Failure().empty()) << "the wait must end with a reason";
    EXPECT_LT(found, 5) << "a hang, not a slow answer";
    start = std::chrono::steady_clock::now();
    out.ClosePulseOutput();
    const double closed = SecondsSince(start);
    EXPECT_LT(closed, 5) << "closing must not wait for the server";
    std::printf("failure found after %.2f s, closed in %.2f s\n", found, closed);
    kill(std::atoi(pid), SIGCONT);
    std::this_thread::sleep_for(500ms);
}

TEST(ServerLoss, RunningPulseReportsTheFailure) {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    ASSERT_NE(pid, nullptr);
    std::string pulse;
    CreateSound(1000, -20, 5.0, 0, pulse, true, 1, 0);
    PortAudioOutput out;
    ASSERT_TRUE(out.OpenPulseOutput(-1)) << out.Failure();
    out.PlayPulseBuffer(pulse);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(kill(std::atoi(pid), SIGKILL), 0);
    const auto start = std::chrono::steady_clock::now();
    while (!out.WaitPulseDone(50) && out.Failure().empty() && SecondsSince(start) < 20)
        ;
    const double found = SecondsSince(start);
    EXPECT_FALSE(out.Failure().empty()) << "the wait must end with a reason";
    EXPECT_LT(found, 5) << "a hang, not a slow answer";
    std::printf("failure found after %.2f s\n", found);
    EXPECT_FALSE(out.IsPulseDone());
    out.ClosePulseOutput();

    // A new process decides its devices afresh and finds none.
    FILE* p = popen((std::string(TONMARK_TOOL) + " devices 2>/dev/null").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string listing;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        listing.append(buf, n);
    pclose(p);
    EXPECT_EQ(listing.substr(0, listing.find("Mixer devices:")), "Wave output devices:\n");
}

} // namespace
} // namespace tonmark::test
