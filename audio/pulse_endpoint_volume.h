#pragma once
// The sound server's output volume (core-audio mode's master volume) on a
// PulseAudio-compatible server (PulseAudio itself or PipeWire's pulse
// server), through libpulse: the default sink's volume, in the server's own
// units, 0 ... PA_VOLUME_NORM (its normal volume, 100 %), one value for every
// channel. Which sink is the default is asked at every call, so a change of
// the default output is followed.
//
// Threading: user-interface thread only; each call blocks until the server
// answered, at most a couple of seconds.
//
// Errors: a set or get the server does not answer or refuses fails with
// ServerVolumeRefused and what went wrong.
#include <memory>

#include "audio/volume_control.h"

namespace tonmark {

class PulseEndpointVolume final : public VolumeControl {
  public:
    PulseEndpointVolume();
    ~PulseEndpointVolume() override;

    // Whether a server answered when this object connected: the program
    // drives the endpoint volume instead of the mixer master exactly then.
    bool Connected() const;

    int32_t Minvalue() const override { return 0; }
    int32_t Maxvalue() const override;
    uint32_t Steps() const override;
    // The default sink's channels; 0 when the server does not answer.
    uint32_t Channels() const override;
    bool Uniform() const override { return true; }
    bool Active() const override { return true; }
    SoundStatus Set(int32_t left, int32_t right) override;
    SoundStatus Get(Levels& levels) override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tonmark
