// tonmark-tool synth and play: one tone pulse as the synthesis makes it, as
// raw bytes on stdout or played through the program's own output path.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/tone_synthesis.h"
#include "tools/back_ends.h"
#include "tools/commands.h"

namespace tonmark::tool {

namespace {

bool Number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && std::isfinite(v);
}

// A hearing test's tones and pauses last a second or two; a minute is more
// than any of them, and keeps a mistyped duration from holding the output.
// It must stay within kMaxPartSeconds, where the synthesis silently cuts.
constexpr double kMaxToolPartSeconds = 60;
static_assert(kMaxToolPartSeconds <= kMaxPartSeconds);

// The highest frequency 44100 frames per second can carry is below half of
// it: at exactly half every sample of the sine falls on a zero crossing.
constexpr double kNyquistHz = kSampleRate / 2.0;
static_assert(kNyquistHz == 22050 && kMaxToolPartSeconds == 60, "the messages give both");

struct PulseOptions {
    double freq = NAN, level = NAN, beep = NAN, pause = NAN, left = 1, right = 0;
    double count = 1, device = -1;
    bool window = true;
    bool allowClipping = false;
};

// Reads the options both commands share; play also takes --count and
// --device. Returns an empty string, or the one line that says what is wrong.
std::string Parse(const std::vector<std::string>& args, bool play, PulseOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-window" && !play) {
            o.window = false;
            continue;
        }
        if (a == "--allow-clipping") {
            o.allowClipping = true;
            continue;
        }
        double* target = a == "--freq"             ? &o.freq
                         : a == "--level"          ? &o.level
                         : a == "--beep"           ? &o.beep
                         : a == "--pause"          ? &o.pause
                         : a == "--left"           ? &o.left
                         : a == "--right"          ? &o.right
                         : a == "--count" && play  ? &o.count
                         : a == "--device" && play ? &o.device
                                                   : nullptr;
        if (!target || i + 1 >= args.size() || !Number(args[i + 1], *target))
            return "bad or incomplete option '" + a + "'";
        ++i;
    }
    if (std::isnan(o.freq) || std::isnan(o.level) || std::isnan(o.beep) || std::isnan(o.pause))
        return "--freq, --level, --beep and --pause are needed";
    if ((o.left != 0 && o.left != 1) || (o.right != 0 && o.right != 1))
        return "--left and --right take 0 or 1";
    if (o.freq != std::trunc(o.freq) || std::fabs(o.freq) > 2147483647.0)
        return "--freq takes a whole number of Hz";
    if (o.freq <= 0 || o.freq >= kNyquistHz)
        return "--freq takes more than 0 and less than 22050 Hz (half the sample rate)";
    // 0 dB re full scale is a sine whose peaks reach full scale; above it the
    // peaks are cut off, and what plays is no longer a pure tone.
    if (o.level > 0 && !o.allowClipping)
        return "--level above 0 dB (full scale) clips the tone; add --allow-clipping to play it "
               "anyway";
    if (o.beep < 0 || o.beep > kMaxToolPartSeconds || o.pause < 0 || o.pause > kMaxToolPartSeconds)
        return "--beep and --pause take 0 to 60 seconds";
    if (play && (o.count != std::trunc(o.count) || o.count < 1 || o.count > 1e6))
        return "--count takes a whole number from 1 to 1000000";
    if (play && (o.device != std::trunc(o.device) || o.device < -1 || o.device > 1e6))
        return "--device takes a device number, or -1 for the default device";
    return {};
}

std::string Pulse(const PulseOptions& o) {
    std::string data;
    CreateSound(static_cast<int32_t>(o.freq), o.level, o.beep, o.pause, data, o.window,
                static_cast<int>(o.left), static_cast<int>(o.right));
    return data;
}

} // namespace

int Synth(const std::vector<std::string>& args) {
    PulseOptions o;
    if (const std::string error = Parse(args, false, o); !error.empty()) {
        std::fprintf(
            stderr,
            "tonmark-tool synth: %s\nusage: tonmark-tool synth --freq HZ --level DB "
            "--beep S --pause S [--no-window] [--allow-clipping] [--left 0|1] "
            "[--right 0|1]; 0 < HZ < 22050, DB <= 0 unless --allow-clipping, 0 <= S <= 60\n",
            error.c_str());
        return 2;
    }
    const std::string data = Pulse(o);
    std::fwrite(data.data(), 1, data.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int Play(const std::vector<std::string>& args) {
    PulseOptions o;
    if (const std::string error = Parse(args, true, o); !error.empty()) {
        std::fprintf(stderr, "tonmark-tool play: %s\n", error.c_str());
        return 2;
    }
    const auto device = MakeWaveOutput();
    RoutedWaveOutput& output = *device;
    if (!output.OpenPulseOutput(static_cast<int>(o.device))) {
        std::fprintf(stderr, "tonmark-tool play: %s\n", output.Failure().c_str());
        return 1;
    }
    // On the sound server, the default output must stay as it is while the
    // pulses play, as in a test.
    std::unique_ptr<OutputWatch> watch;
    if (output.OnServerStream()) {
        watch = MakeOutputWatch();
        if (const SoundStatus armed = watch->Arm(); !armed.Ok()) {
            std::fprintf(stderr, "tonmark-tool play: %s\n", armed.Message().c_str());
            output.ClosePulseOutput();
            return 1;
        }
    }
    // As a test plays: each pulse synthesised just before it is handed over,
    // then waited for in 50 ms steps (a test polls its response button
    // between them) that end as soon as the pulse is done.
    std::string buffer;
    for (int n = 0; n < static_cast<int>(o.count); ++n) {
        buffer = Pulse(o);
        output.PlayPulseBuffer(buffer);
        for (bool done = false; !done;) {
            done = output.WaitPulseDone(50);
            std::string failure = output.Failure();
            if (failure.empty() && watch)
                failure = watch->Change();
            if (!failure.empty()) {
                std::fprintf(stderr, "tonmark-tool play: %s\n", failure.c_str());
                output.ClosePulseOutput();
                return 1;
            }
        }
    }
    const int64_t underflows = output.Underflows();
    output.ClosePulseOutput();
    const bool server = output.OnServerStream();
    std::fprintf(stderr, "played %d pulses on %s, %lld underflows, latency %.1f ms\n",
                 static_cast<int>(o.count), server ? "the sound server's stream" : "PortAudio",
                 static_cast<long long>(underflows),
                 1000 * (server ? output.ServerStream().ReportedLatency()
                                : output.PortAudio().OpenedLatency()));
    return 0;
}

} // namespace tonmark::tool
