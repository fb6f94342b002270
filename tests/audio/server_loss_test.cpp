// What happens when the sound server stops answering or goes away: a pulse
// that is playing reports the failure instead of never finishing, nothing
// waits for a frozen server without bound, and a fresh process finds no
// output device. Runs against its own private server; the last test kills it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <thread>

#include "audio/portaudio_output.h"
#include "audio/pulse_stream_output.h"
#include "audio/tone_synthesis.h"
#include "support/program_process.h"

namespace tonmark::test {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

double SecondsSince(SteadyClock::time_point t) {
    return std::chrono::duration<double>(SteadyClock::now() - t).count();
}

pid_t ServerPid() {
    const char* pid = std::getenv("TONMARK_PULSE_PID");
    return pid ? static_cast<pid_t>(std::atoi(pid)) : -1;
}

// The server stopped (SIGSTOP) for the life of the object.
struct FrozenServer {
    FrozenServer() { EXPECT_EQ(kill(ServerPid(), SIGSTOP), 0); }
    ~FrozenServer() {
        kill(ServerPid(), SIGCONT);
        std::this_thread::sleep_for(300ms);
    }
};

struct CommandResult {
    int status = -1;
    std::string output;
    double seconds = 0;
};

CommandResult RunCommand(const std::string& cmd) {
    CommandResult r;
    const auto start = SteadyClock::now();
    // Standard error too, unless the command says where it goes.
    const std::string full = cmd.find("2>") == std::string::npos ? cmd + " 2>&1" : cmd;
    FILE* p = popen(full.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0)
        r.output.append(buf, n);
    const int st = p ? pclose(p) : -1;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.seconds = SecondsSince(start);
    return r;
}

std::vector<std::pair<const char*, std::function<std::unique_ptr<WaveOutput>()>>> Outputs() {
    return {{"server stream", [] { return std::make_unique<PulseStreamOutput>(); }},
            {"PortAudio", [] { return std::make_unique<PortAudioOutput>(); }}};
}

// A stopped server answers nothing: the wait must end with a reason soon
// after the pulse should have ended, and closing must not hang on the
// server (it did for a minute).
TEST(ServerLoss, FrozenServerEndsTheWaitAndClosesWithoutHanging) {
    ASSERT_GT(ServerPid(), 0);
    for (const auto& [name, make] : Outputs()) {
        SCOPED_TRACE(name);
        std::string pulse;
        CreateSound(1000, -20, 1.0, 0, pulse, true, 1, 0);
        const auto out = make();
        ASSERT_TRUE(out->OpenPulseOutput(-1)) << out->Failure();
        const auto handed = SteadyClock::now();
        out->PlayPulseBuffer(pulse);
        std::this_thread::sleep_for(300ms);
        double found = 0, closed = 0;
        {
            FrozenServer frozen;
            while (!out->WaitPulseDone(50) && out->Failure().empty() && SecondsSince(handed) < 20)
                ;
            found = SecondsSince(handed) - 1.0; // after the pulse's end
            EXPECT_FALSE(out->Failure().empty()) << "the wait must end with a reason";
            EXPECT_FALSE(out->IsPulseDone());
            EXPECT_LT(found, 4) << "a hang, not a slow answer";
            const auto start = SteadyClock::now();
            out->ClosePulseOutput();
            closed = SecondsSince(start);
            EXPECT_LT(closed, 3) << "closing must not wait for the server";
        }
        std::printf("%s: failure found %.2f s after the pulse's end, closed in %.2f s\n", name,
                    found, closed);
    }
}

// A server that is already frozen when the output is made: opening gives up
// with a reason, and the tool gives up too, in bounded time.
TEST(ServerLoss, FrozenBeforeTheStartNothingWaitsForIt) {
    ASSERT_GT(ServerPid(), 0);
    FrozenServer frozen;
    {
        const auto start = SteadyClock::now();
        PulseStreamOutput out;
        EXPECT_LT(SecondsSince(start), 0.5) << "making the output never waits";
        EXPECT_FALSE(out.OpenPulseOutput(-1));
        EXPECT_NE(out.Failure().find("not responding"), std::string::npos) << out.Failure();
        EXPECT_LT(SecondsSince(start), 4);
    }
    const std::string tool = TONMARK_TOOL;
    const struct {
        std::string args;
        std::string says;
    } cases[] = {
        {"play --freq 1000 --level -20 --beep 0.2 --pause 0.2", "not responding"},
        {"devices", "answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const CommandResult r = RunCommand("timeout -s KILL 30 " + tool + " " + c.args);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
        EXPECT_LT(r.seconds, 8) << "gives up in a few seconds, never a minute";
        std::printf("tonmark-tool %s gave up after %.2f s\n", c.args.c_str(), r.seconds);
    }
}

// The program started while the server is frozen (it then reports that no
// device answered): SIGTERM ends it within a second at every moment of its
// start-up, whatever it waits for.
TEST(ServerLoss, FrozenBeforeTheStartTheProgramEndsOnSigterm) {
    ASSERT_GT(ServerPid(), 0);
    FrozenServer frozen;
    // Ended at moments of its start-up, while it may wait for the server.
    for (int afterMs : {300, 1500, 3000}) {
        SCOPED_TRACE(afterMs);
        ProgramProcess program(TONMARK_PROGRAM, TONMARK_TEST_DATA "/full_settings.json",
                               ::testing::TempDir());
        std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
        ASSERT_TRUE(program.Running()) << "it runs until told to end";
        const ProgramProcess::Ending end = program.Terminate();
        EXPECT_TRUE(end.exited) << "ended by the program, not by the signal";
        EXPECT_LT(end.seconds, 1.5);
        std::printf("SIGTERM %d ms after the start: ended after %.2f s\n", afterMs, end.seconds);
    }
}

TEST(ServerLoss, ZRunningPulseReportsTheFailure) {
    ASSERT_GT(ServerPid(), 0);
    std::string pulse;
    CreateSound(1000, -20, 5.0, 0, pulse, true, 1, 0);
    std::vector<std::unique_ptr<WaveOutput>> outs;
    for (const auto& [name, make] : Outputs()) {
        outs.push_back(make());
        ASSERT_TRUE(outs.back()->OpenPulseOutput(-1)) << name << ": " << outs.back()->Failure();
        outs.back()->PlayPulseBuffer(pulse);
    }
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(kill(ServerPid(), SIGKILL), 0);
    const auto start = SteadyClock::now();
    for (size_t i = 0; i < outs.size(); ++i) {
        SCOPED_TRACE(Outputs()[i].first);
        WaveOutput& out = *outs[i];
        while (!out.WaitPulseDone(50) && out.Failure().empty() && SecondsSince(start) < 20)
            ;
        const double found = SecondsSince(start);
        EXPECT_FALSE(out.Failure().empty()) << "the wait must end with a reason";
        EXPECT_LT(found, 5) << "a hang, not a slow answer";
        std::printf("%s: failure found after %.2f s\n", Outputs()[i].first, found);
        EXPECT_FALSE(out.IsPulseDone());
        out.ClosePulseOutput();
    }

    // A new process decides its devices afresh and finds none.
    const CommandResult r = RunCommand(std::string(TONMARK_TOOL) + " devices 2>/dev/null");
    EXPECT_EQ(r.output.substr(0, r.output.find("Mixer devices:")), "Wave output devices:\n");
}

} // namespace
} // namespace tonmark::test
