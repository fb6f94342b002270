#pragma once
// The diagnostic listing of a mixer device, as tonmark-tool devices prints
// it: the device's lines (destinations and their sources) and every control
// on them, in the mixer interface's terms (line and control types and
// identifiers), one block of text lines per control. Nothing else of the
// program reads it; the volumes themselves go through VolumeDevices and
// OutputLevelControl.
//
// Threading: one thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer_platform.h"
#include "audio/volume_control.h"

namespace tonmark {

std::string LineTypeText(uint32_t componentType);
std::string ControlTypeText(uint32_t controlType);

class MixerListing {
  public:
    explicit MixerListing(std::unique_ptr<MixerPlatform> platform);

    // Stores and returns the number of mixer devices.
    uint32_t CountDevices();
    // Reads the name and version, opens the device and lists its lines; the
    // listing is empty when the device cannot be read.
    MixerOpenResult OpenDevice(uint32_t device);

    // The last device whose number was valid; empty when unreadable.
    const std::string& Name() const { return name_; }
    const std::string& Version() const { return version_; }
    // The name, the version, the number of destinations, then the blocks.
    const std::vector<std::string>& Listing() const { return listing_; }

  private:
    void ListLine(const MixerLineInfo& line);

    std::unique_ptr<MixerPlatform> platform_;
    uint32_t deviceCount_ = 0;
    uint32_t destinations_ = 0;
    std::string name_, version_;
    std::vector<std::string> listing_;
};

} // namespace tonmark
