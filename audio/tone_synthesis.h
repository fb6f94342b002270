#pragma once
// Tone pulses: a sine of a given frequency and level, optionally shaped by a
// rise-and-fall window over a quarter of the tone at each end, followed by
// silence, in one channel of 16-bit stereo PCM at 44100 frames per second.
#include <cstdint>
#include <string>

namespace tonmark {

inline constexpr int kSampleRate = 44100;
inline constexpr int kFrameBytes = 4; // left low, left high, right low, right high

// Longest tone or pause one call makes, in seconds. Settings are kept far
// below it; it only stops an absurd value from exhausting memory.
inline constexpr double kMaxPartSeconds = 600;

// Frames of a part of the given duration: trunc(seconds x 44100) with the
// product formed at extended precision, so 0.3 s gives 13229 frames.
int64_t FrameCount(double seconds);

// Appends the tone of f Hz at a dB re full scale (0 dB = peak 32767) lasting
// beepTime seconds, then pauseTime seconds of silence, to data. A channel
// whose switch is 0 carries digital silence. Samples beyond full scale are
// clipped to +-32767, never wrapped.
void CreateSound(int32_t f, double a, double beepTime, double pauseTime, std::string& data,
                 bool applyWindow, int leftChannelOn, int rightChannelOn);

} // namespace tonmark
