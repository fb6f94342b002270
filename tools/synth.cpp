// tonmark-tool synth: exactly the bytes one call of the tone synthesis appends.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/tone_synthesis.h"
#include "tools/commands.h"

namespace tonmark::tool {

namespace {

bool Number(const std::string& s, double& v) {
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && std::isfinite(v);
}

} // namespace

int Synth(const std::vector<std::string>& args) {
    double freq = NAN, level = NAN, beep = NAN, pause = NAN, left = 1, right = 0;
    bool window = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--no-window") {
            window = false;
            continue;
        }
        double* target = a == "--freq"    ? &freq
                         : a == "--level" ? &level
                         : a == "--beep"  ? &beep
                         : a == "--pause" ? &pause
                         : a == "--left"  ? &left
                         : a == "--right" ? &right
                                          : nullptr;
        if (!target || i + 1 >= args.size() || !Number(args[i + 1], *target)) {
            std::fprintf(stderr, "tonmark-tool synth: bad or incomplete option '%s'\n", a.c_str());
            return 2;
        }
        ++i;
    }
    if (std::isnan(freq) || std::isnan(level) || std::isnan(beep) || std::isnan(pause) ||
        (left != 0 && left != 1) || (right != 0 && right != 1) || freq != std::trunc(freq) ||
        std::fabs(freq) > 2147483647.0) {
        std::fprintf(stderr, "usage: tonmark-tool synth --freq HZ --level DB --beep S --pause S "
                             "[--no-window] [--left 0|1] [--right 0|1]\n");
        return 2;
    }
    std::string data;
    CreateSound(static_cast<int32_t>(freq), level, beep, pause, data, window,
                static_cast<int>(left), static_cast<int>(right));
    std::fwrite(data.data(), 1, data.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace tonmark::tool
