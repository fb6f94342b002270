#pragma once
// The program's own stream volume on a PulseAudio-compatible sound server:
// the volume of the program's playback streams (their sink-input volume),
// the server's counterpart of a sound card's wave volume. The mixer layer
// shows it as the wave output's volume control (ServerWaveMixerPlatform);
// every PulseStreamOutput that shares it opens its streams at it, so no
// sample ever plays at another volume, and follows every change at once.
// A wave device that bypasses the server (PortAudio on a card) does not
// follow it, as one card's wave volume does not reach another card.
//
// Units: per channel a control value 0 ... kMaxvalue, taken as a linear
// amplitude factor value / kMaxvalue: kMaxvalue plays the samples unchanged
// (100 %), 0 is silent, and a value c is 20 * log10(c / kMaxvalue) dB. The
// slider has kSteps steps of kMaxvalue / kSteps = 51 exactly, so a setting v
// (the calibration's WaveVolume) is the control value 51 * v and the factor
// v / kSteps, and the top of the slider is exactly 100 %: the program's
// samples then reach the server bit for bit. Why 1285 steps: from setting 9
// (-43 dB) up every step is at most 1 dB, from 18 (-37 dB) up at most 0.5 dB,
// the lowest step above silence is -62 dB; the master volume (the server's
// output) covers the range beyond that. Before any Set both channels are at
// kMaxvalue.
//
// Threading: user-interface thread only: Set, Current, Attach and Detach; an
// attached stream's ApplyStreamVolume runs inside Set, on that thread.
//
// Ownership: shared (std::shared_ptr) by the wave output whose streams follow
// it and the mixer platform that presents it; neither outlives the other's
// need. A stream attaches itself for its life and detaches before it goes.
//
// Errors: Set reports false when an open stream's server did not take the
// new volume (it did not answer in time, or refused); the value is kept
// anyway, for the streams opened after it.
#include <cstdint>
#include <vector>

namespace tonmark {

class OwnStreamVolume {
  public:
    static constexpr int32_t kMaxvalue = 65535;
    static constexpr uint32_t kSteps = 1285;
    static_assert(kMaxvalue % kSteps == 0, "the top setting must be exactly 100 %");

    // Control values, 0 ... kMaxvalue.
    struct Levels {
        int32_t left = kMaxvalue;
        int32_t right = kMaxvalue;
        bool operator==(const Levels&) const = default;
    };

    // A playback stream that plays at this volume.
    class Stream {
      public:
        virtual ~Stream() = default;
        // Puts the levels on the stream that is open now, waiting for the
        // server's answer; true when it took them, and when nothing is open.
        virtual bool ApplyStreamVolume(const Levels& levels) = 0;
    };

    Levels Current() const { return levels_; }
    // Stores the levels, each held within 0 ... kMaxvalue, and applies them
    // to every attached stream; false when one of them did not take them.
    bool Set(int32_t left, int32_t right);

    void Attach(Stream* stream);
    void Detach(Stream* stream);

    // The linear amplitude factor of a control value, 0 ... 1.
    static double Amplitude(int32_t value);

  private:
    Levels levels_;
    std::vector<Stream*> streams_;
};

} // namespace tonmark
