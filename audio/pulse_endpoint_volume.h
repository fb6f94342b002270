#pragma once
// The endpoint volume on a PulseAudio-compatible server (PulseAudio itself or
// PipeWire's pulse server), through libpulse: the default sink's volume, with
// the scalar taken linearly on the server's own scale (1 = PA_VOLUME_NORM).
#include <memory>

#include "audio/endpoint_volume.h"

namespace tonmark {

class PulseEndpointVolume final : public EndpointVolume {
  public:
    PulseEndpointVolume();
    ~PulseEndpointVolume() override;

    // Whether a server answered when this object connected: the program
    // drives the endpoint volume instead of the mixer master exactly then.
    bool Connected() const;

    bool SetMasterVolumeLevelScalar(float level) override;
    std::optional<float> GetMasterVolumeLevelScalar() override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tonmark
