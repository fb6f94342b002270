// tonmark-tool synth and play: the frequencies, levels and durations no
// hearing test would play are refused before anything is made or opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tool_run.h"

namespace tonmark::test {
namespace {

// Checks the left channel of an unwindowed tone of f Hz that reaches full
// scale: its crests are at +-32767, and no sample has the opposite sign of
// the sine, as one that wrapped past full scale would. Returns what is wrong,
// or an empty string.
std::string ReachesFullScaleWithoutWrapping(const std::string& pcm, double f) {
    constexpr double kTwoPi = 6.28318530717958647692;
    int peak = 0;
    for (size_t i = 0; i + 3 < pcm.size(); i += 4) {
        const auto lo = static_cast<unsigned char>(pcm[i]);
        const auto hi = static_cast<unsigned char>(pcm[i + 1]);
        const int sample = static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
        const double sine = std::sin(kTwoPi * f * static_cast<double>(i / 4) / 44100);
        // Near a zero crossing rounding may give either sign.
        if (std::fabs(sine) > 0.01 && (sample < 0) != (sine < 0))
            return "frame " + std::to_string(i / 4) + " is " + std::to_string(sample) +
                   " where the sine is " + std::to_string(sine);
        peak = std::max(peak, std::abs(sample));
    }
    return peak == 32767 ? "" : "the peak is " + std::to_string(peak);
}

TEST(PulseTool, RefusesWhatNoHearingTestPlaysAndTakesItsLimits) {
    // Refused play calls name a device that does not exist: a refusal that
    // slipped through then fails opening it (status 1) instead of sounding.
    const std::string noDevice = " --device 1000000";
    struct Case {
        std::string args;
        int status;
        std::string fragment;   // of the first line on stderr; empty for status 0
        bool fullScale = false; // an unwindowed 1000 Hz tone that reaches full scale
    };
    const std::string tone = " --beep 0.01 --pause 0";
    const Case cases[] = {
        {"synth --freq 1000 --level 0.001" + tone, 2, "--allow-clipping"},
        {"synth --freq 1000 --level 1e308" + tone, 2, "--allow-clipping"},
        {"play --freq 1000 --level 1e308" + tone + noDevice, 2, "--allow-clipping"},
        {"synth --freq 0 --level -10" + tone, 2, "less than 22050 Hz"},
        {"synth --freq -1000 --level -10" + tone, 2, "less than 22050 Hz"},
        {"synth --freq 22050 --level -10" + tone, 2, "less than 22050 Hz"},
        {"play --freq 0 --level -10" + tone + noDevice, 2, "less than 22050 Hz"},
        {"play --freq -1000 --level -10" + tone + noDevice, 2, "less than 22050 Hz"},
        {"play --freq 22050 --level -10" + tone + noDevice, 2, "less than 22050 Hz"},
        {"synth --freq 1000 --level -10 --beep -0.001 --pause 0", 2, "0 to 60 seconds"},
        {"synth --freq 1000 --level -10 --beep 60.001 --pause 0", 2, "0 to 60 seconds"},
        {"synth --freq 1000 --level -10 --beep 0 --pause -0.001", 2, "0 to 60 seconds"},
        {"synth --freq 1000 --level -10 --beep 0 --pause 60.001", 2, "0 to 60 seconds"},
        {"play --freq 1000 --level -10 --beep 61 --pause 0" + noDevice, 2, "0 to 60 seconds"},
        {"play --freq 1000 --level -10 --beep -1 --pause 0" + noDevice, 2, "0 to 60 seconds"},
        {"play --freq 1000 --level -10 --beep 0.1 --pause 61" + noDevice, 2, "0 to 60 seconds"},
        {"play --freq 1000 --level -10 --beep 0.1 --pause -1" + noDevice, 2, "0 to 60 seconds"},
        // The edges that are still taken.
        {"synth --freq 1 --level -10" + tone, 0, ""},
        {"synth --freq 22049 --level -10" + tone, 0, ""},
        {"synth --freq 1000 --level -10 --beep 60 --pause 60", 0, ""},
        {"synth --freq 1000 --level -10 --beep 0 --pause 0", 0, ""},
        {"synth --freq 1000 --level 0 --no-window" + tone, 0, "", true},
        // play takes the same edges and only then looks for the device.
        {"play --freq 22049 --level 3 --allow-clipping --beep 60 --pause 60" + noDevice, 1,
         "not available"},
        // Above full scale on request: the peaks are clipped, never wrapped
        // round to small or negative values.
        {"synth --freq 1000 --level 3 --allow-clipping --no-window" + tone, 0, "", true},
        {"synth --allow-clipping --freq 1000 --level 1e308 --no-window" + tone, 0, "", true},
    };
    // Looking for the device starts the sound system, whose plugins leave
    // allocations of their own behind; under the leak checker those would
    // decide the exit status instead of the tool.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    const std::string asanOptions = sanitizer ? sanitizer : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        if (c.status == 1)
            setenv("ASAN_OPTIONS", (asanOptions + ":detect_leaks=0").c_str(), 1);
        const ToolResult r = RunTool(c.args);
        if (c.status == 1) {
            if (sanitizer)
                setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
            else
                unsetenv("ASAN_OPTIONS");
        }
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status == 0) {
            EXPECT_EQ(r.err, "");
            if (c.fullScale) {
                EXPECT_EQ(ReachesFullScaleWithoutWrapping(r.out, 1000), "");
            }
            continue;
        }
        EXPECT_EQ(r.out, "");
        const std::string command = c.args.substr(0, c.args.find(' '));
        const std::string first = r.err.substr(0, r.err.find('\n'));
        EXPECT_EQ(first.rfind("tonmark-tool " + command + ": ", 0), 0u) << r.err;
        EXPECT_NE(first.find(c.fragment), std::string::npos) << r.err;
        // play says what is wrong in one line; synth follows it with its usage.
        const size_t lines = command == "play" ? 1 : 2;
        EXPECT_EQ(static_cast<size_t>(std::count(r.err.begin(), r.err.end(), '\n')), lines)
            << r.err;
    }
}

} // namespace
} // namespace tonmark::test
