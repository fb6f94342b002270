#include "audio/tone_synthesis.h"

#include <algorithm>
#include <cmath>

namespace tonmark {

namespace {
constexpr double kTwoPi = 6.28318530717958647692;
}

int64_t FrameCount(double seconds) {
    if (!(seconds > 0)) // also NaN
        return 0;
    seconds = std::min(seconds, kMaxPartSeconds);
    // x87 extended precision: a duration just below a whole number of frames
    // loses that frame, as the stored pulses always have.
    const long double product = static_cast<long double>(seconds) * 44100.0L;
    return static_cast<int64_t>(product);
}

void CreateSound(int32_t f, double a, double beepTime, double pauseTime, std::string& data,
                 bool applyWindow, int leftChannelOn, int rightChannelOn) {
    const int64_t n = FrameCount(beepTime);
    const int64_t p = FrameCount(pauseTime);
    const double amplitude = std::pow(10.0, a / 20.0);
    const double peak = 32767.0 * amplitude;
    const double omega = kTwoPi * f;
    const unsigned char leftMask = leftChannelOn == 1 ? 0xFF : 0x00;
    const unsigned char rightMask = rightChannelOn == 1 ? 0xFF : 0x00;

    const size_t start = data.size();
    data.resize(start + static_cast<size_t>(n + p) * kFrameBytes, '\0');
    auto* out = reinterpret_cast<unsigned char*>(data.data() + start);
    const double dn = static_cast<double>(n);
    for (int64_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i);
        const double s = std::sin((x * omega) / kSampleRate);
        double w = 1.0;
        if (applyWindow) {
            const double r = x / dn;
            if (r < 0.25 || r > 0.75) {
                const double q = std::sin(kTwoPi * x / dn);
                w = q * q;
            }
        }
        double v = std::nearbyint(s * peak * w);
        v = std::clamp(v, -32767.0, 32767.0); // NaN stays NaN and becomes 0 below
        const auto sample = static_cast<uint16_t>(static_cast<int16_t>(std::isnan(v) ? 0 : v));
        const auto lo = static_cast<unsigned char>(sample & 0xFF);
        const auto hi = static_cast<unsigned char>(sample >> 8);
        out[0] = lo & leftMask;
        out[1] = hi & leftMask;
        out[2] = lo & rightMask;
        out[3] = hi & rightMask;
        out += kFrameBytes;
    }
    // The pause is already zero from the resize.
}

} // namespace tonmark
