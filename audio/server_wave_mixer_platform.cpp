#include "audio/server_wave_mixer_platform.h"

#include <algorithm>

namespace tonmark {

ServerWaveMixerPlatform::ServerWaveMixerPlatform(std::unique_ptr<MixerPlatform> inner,
                                                 std::shared_ptr<OwnStreamVolume> volume)
    : inner_(std::move(inner)), volume_(std::move(volume)) {}

int ServerWaveMixerPlatform::Open(uint32_t device) {
    shown_ = false;
    const int result = inner_->Open(device);
    if (result == kMixerOk && volume_ && inner_->IsSoundServerControl())
        PlaceWaveLine(device);
    return result;
}

void ServerWaveMixerPlatform::PlaceWaveLine(uint32_t device) {
    MixerDeviceCaps caps;
    if (!inner_->GetCaps(device, caps))
        return;
    // The identifiers in use, so that the added ones are free.
    uint32_t lastLine = 0, lastControl = 0;
    const auto note = [&](const MixerLineInfo& line) {
        lastLine = std::max(lastLine, line.lineId);
        std::vector<MixerControlInfo> controls;
        if (inner_->LineControls(line.lineId, controls) == kMixerOk)
            for (const MixerControlInfo& c : controls)
                lastControl = std::max(lastControl, c.controlId);
    };
    bool speakers = false;
    for (uint32_t d = 0; d < caps.destinations; ++d) {
        MixerLineInfo dest;
        if (inner_->LineByDestination(d, dest) != kMixerOk)
            continue;
        note(dest);
        for (uint32_t s = 0; s < dest.connections; ++s) {
            MixerLineInfo line;
            if (inner_->LineBySource(d, s, line) == kMixerOk)
                note(line);
        }
        // The last speakers destination: the mixer layer offers its sources
        // last, so no wave line of the device's own can cover this one.
        if (dest.componentType == kDstSpeakers) {
            speakers = true;
            destination_ = d;
            source_ = dest.connections;
        }
    }
    if (!speakers || lastLine == UINT32_MAX || lastControl == UINT32_MAX)
        return;
    lineId_ = lastLine + 1;
    controlId_ = lastControl + 1;
    shown_ = true;
}

MixerLineInfo ServerWaveMixerPlatform::WaveLine() const {
    MixerLineInfo line;
    line.destination = destination_;
    line.source = source_;
    line.lineId = lineId_;
    line.componentType = kSrcWaveOut;
    line.channels = 2;
    line.controls = 1;
    return line;
}

MixerControlInfo ServerWaveMixerPlatform::WaveControl() const {
    MixerControlInfo c;
    c.controlId = controlId_;
    c.controlType = kCtlVolume;
    c.minimum = 0;
    c.maximum = OwnStreamVolume::kMaxvalue;
    c.steps = OwnStreamVolume::kSteps;
    c.shortName = "Stream Volume";
    c.name = "Program Stream Playback Volume";
    return c;
}

int ServerWaveMixerPlatform::LineByDestination(uint32_t destination, MixerLineInfo& line) {
    const int result = inner_->LineByDestination(destination, line);
    if (result == kMixerOk && shown_ && destination == destination_)
        line.connections = source_ + 1;
    return result;
}

int ServerWaveMixerPlatform::LineBySource(uint32_t destination, uint32_t source,
                                          MixerLineInfo& line) {
    if (shown_ && destination == destination_ && source == source_) {
        line = WaveLine();
        return kMixerOk;
    }
    return inner_->LineBySource(destination, source, line);
}

int ServerWaveMixerPlatform::LineControls(uint32_t lineId,
                                          std::vector<MixerControlInfo>& controls) {
    if (shown_ && lineId == lineId_) {
        controls = {WaveControl()};
        return kMixerOk;
    }
    return inner_->LineControls(lineId, controls);
}

int ServerWaveMixerPlatform::SetControlDetails(uint32_t controlId, uint32_t channels,
                                               uint32_t items, const std::vector<int32_t>& values) {
    if (!shown_ || controlId != controlId_)
        return inner_->SetControlDetails(controlId, channels, items, values);
    if (channels == 0 || values.size() < static_cast<size_t>(channels) * std::max(items, 1u))
        return kMixerInvalidParam;
    // One value for both channels, or left and right.
    const int32_t right = channels > 1 ? values[std::max(items, 1u)] : values[0];
    return volume_->Set(values[0], right) ? kMixerOk : kMixerNoDriver;
}

int ServerWaveMixerPlatform::GetControlDetails(uint32_t controlId, uint32_t channels,
                                               uint32_t items, std::vector<int32_t>& values) {
    if (!shown_ || controlId != controlId_)
        return inner_->GetControlDetails(controlId, channels, items, values);
    if (channels == 0)
        return kMixerInvalidParam;
    const uint32_t per = std::max(items, 1u);
    const OwnStreamVolume::Levels levels = volume_->Current();
    values.assign(static_cast<size_t>(channels) * per, 0);
    // Lines of more channels than two would read left on even, right on odd.
    for (uint32_t ch = 0; ch < channels; ++ch)
        for (uint32_t i = 0; i < per; ++i)
            values[ch * per + i] = ch % 2 == 0 ? levels.left : levels.right;
    return kMixerOk;
}

} // namespace tonmark
