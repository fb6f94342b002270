#pragma once
// The program's own stream volume on a PulseAudio-compatible sound server:
// the volume of the program's playback streams (their sink-input volume),
// the server's counterpart of a sound card's wave volume. On the sound
// server's own control it is the wave volume (OutputLevelControl puts it in
// the place of the device's own); every PulseStreamOutput that shares it
// opens its streams at it, so no
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
// Threading: user-interface thread only: Set, Get, Current, Attach and
// Detach; an attached stream's ApplyStreamVolume runs inside Set, on that
// thread.
//
// Ownership: shared (std::shared_ptr) by the wave output whose streams follow
// it and the output levels that set it; neither outlives the other's need. A
// stream attaches itself for its life and detaches before it goes.
//
// Errors: Set fails (ControlRefused, "MixerControlDetails NODRIVER") when an
// open stream's server did not take the new volume (it did not answer in
// time, or refused); the value is kept anyway, for the streams opened after
// it.
#include <cstdint>
#include <vector>

#include "audio/volume_control.h"

namespace tonmark {

class OwnStreamVolume final : public VolumeControl {
  public:
    static constexpr int32_t kMaxvalue = 65535;
    static constexpr uint32_t kSteps = 1285;
    static_assert(kMaxvalue % kSteps == 0, "the top setting must be exactly 100 %");
    static constexpr Levels kFull{kMaxvalue, kMaxvalue}; // 100 % on both channels

    // A playback stream that plays at this volume.
    class Stream {
      public:
        virtual ~Stream() = default;
        // Puts the levels on the stream that is open now, waiting for the
        // server's answer; true when it took them, and when nothing is open.
        virtual bool ApplyStreamVolume(const Levels& levels) = 0;
    };

    // Two channels of one value each, 0 ... kMaxvalue in kSteps steps.
    int32_t Minvalue() const override { return 0; }
    int32_t Maxvalue() const override { return kMaxvalue; }
    uint32_t Steps() const override { return kSteps; }
    uint32_t Channels() const override { return 2; }
    bool Uniform() const override { return false; }
    bool Active() const override { return true; }
    // Stores the levels, each held within 0 ... kMaxvalue, and applies them
    // to every attached stream; fails when one of them did not take them.
    SoundStatus Set(int32_t left, int32_t right) override;
    SoundStatus Get(Levels& levels) override {
        levels = levels_;
        return SoundStatus::Success();
    }

    // Control values, 0 ... kMaxvalue.
    Levels Current() const { return levels_; }

    void Attach(Stream* stream);
    void Detach(Stream* stream);

    // The linear amplitude factor of a control value, 0 ... 1.
    static double Amplitude(int32_t value);

  private:
    Levels levels_ = kFull;
    std::vector<Stream*> streams_;
};

} // namespace tonmark
