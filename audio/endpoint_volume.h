#pragma once
// The master volume of the default output of a sound server, as a scalar
// from 0 to 1 of its normal volume (1 = 100 %).
//
// Threading: user-interface thread only; each call blocks until the server
// answered, at most a couple of seconds.
#include <optional>
#include <string>

namespace tonmark {

class EndpointVolume {
  public:
    virtual ~EndpointVolume() = default;
    // Sets every channel of the default output; false when the server
    // cannot be reached. Values outside 0..1 are clipped.
    virtual bool SetMasterVolumeLevelScalar(float level) = 0;
    // The first channel's level, when the server answers.
    virtual std::optional<float> GetMasterVolumeLevelScalar() = 0;
};

} // namespace tonmark
