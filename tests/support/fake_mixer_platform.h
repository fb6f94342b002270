#pragma once
// A mixer platform in memory, for the diagnostic listing: lines and controls
// as a test declares them.
#include <string>
#include <vector>

#include "audio/mixer_platform.h"

namespace tonmark::test {

struct FakeLine {
    MixerLineInfo info;
    std::vector<MixerControlInfo> controls;
    std::vector<FakeLine> sources; // destinations only
};

class FakeMixerPlatform final : public MixerPlatform {
  public:
    std::vector<MixerDeviceCaps> devices;
    std::vector<FakeLine> destinations;
    int openResult = 0;

    uint32_t DeviceCount() override { return static_cast<uint32_t>(devices.size()); }
    bool GetCaps(uint32_t d, MixerDeviceCaps& caps) override {
        if (d >= devices.size() || devices[d].name == "unreadable")
            return false;
        caps = devices[d];
        return true;
    }
    int Open(uint32_t) override { return openResult; }
    int LineByDestination(uint32_t d, MixerLineInfo& line) override {
        if (d >= destinations.size())
            return kMixerInvalidLine;
        line = destinations[d].info;
        return 0;
    }
    int LineBySource(uint32_t d, uint32_t s, MixerLineInfo& line) override {
        if (d >= destinations.size() || s >= destinations[d].sources.size())
            return kMixerInvalidLine;
        line = destinations[d].sources[s].info;
        return 0;
    }
    int LineControls(uint32_t lineId, std::vector<MixerControlInfo>& out) override {
        for (const auto& d : destinations) {
            if (d.info.lineId == lineId) {
                out = d.controls;
                return 0;
            }
            for (const auto& s : d.sources)
                if (s.info.lineId == lineId) {
                    out = s.controls;
                    return 0;
                }
        }
        return kMixerInvalidLine;
    }
};

inline MixerControlInfo Ctl(uint32_t id, uint32_t type, int32_t max = 65535, uint32_t steps = 32,
                            uint32_t flags = 0, uint32_t items = 0) {
    MixerControlInfo c;
    c.controlId = id;
    c.controlType = type;
    c.maximum = max;
    c.steps = steps;
    c.flags = flags;
    c.multipleItems = items;
    c.shortName = "Ctl" + std::to_string(id);
    c.name = "Control " + std::to_string(id);
    return c;
}

inline FakeLine LineOf(uint32_t id, uint32_t type, uint32_t channels,
                       std::vector<MixerControlInfo> controls) {
    FakeLine l;
    l.info.lineId = id;
    l.info.componentType = type;
    l.info.channels = channels;
    l.info.controls = static_cast<uint32_t>(controls.size());
    l.controls = std::move(controls);
    return l;
}

} // namespace tonmark::test
