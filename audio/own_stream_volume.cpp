#include "audio/own_stream_volume.h"

#include <algorithm>

namespace tonmark {

SoundStatus OwnStreamVolume::Set(int32_t left, int32_t right) {
    levels_ = {std::clamp(left, 0, kMaxvalue), std::clamp(right, 0, kMaxvalue)};
    bool all = true;
    for (Stream* s : streams_)
        all = s->ApplyStreamVolume(levels_) && all;
    // The card's answer for a driver that did not take it.
    return all ? SoundStatus::Success() : SoundStatus::Refused(MixerResultText(kMixerNoDriver));
}

void OwnStreamVolume::Attach(Stream* stream) {
    if (std::find(streams_.begin(), streams_.end(), stream) == streams_.end())
        streams_.push_back(stream);
}

void OwnStreamVolume::Detach(Stream* stream) {
    streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
}

double OwnStreamVolume::Amplitude(int32_t value) {
    return static_cast<double>(std::clamp(value, 0, kMaxvalue)) / kMaxvalue;
}

} // namespace tonmark
