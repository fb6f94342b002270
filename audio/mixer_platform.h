#pragma once
// A sound system's mixer devices described in the mixer interface's terms,
// for the diagnostic listing (MixerListing): lines that carry controls,
// destinations (speakers, wave input) with their sources, with the
// interface's line and control types.
//
// Threading: one thread. Ownership: the listing owns its platform object.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/volume_control.h"

namespace tonmark {

// Line component types.
enum : uint32_t {
    kDstUndefined = 0,
    kDstSpeakers = 4,
    kDstWaveIn = 7,
    kSrcDigital = 0x1001,
    kSrcLine = 0x1002,
    kSrcMicrophone = 0x1003,
    kSrcSynthesizer = 0x1004,
    kSrcCompactDisc = 0x1005,
    kSrcPcSpeaker = 0x1007,
    kSrcWaveOut = 0x1008,
    kSrcAuxiliary = 0x1009,
    kSrcAnalog = 0x100A,
};

// Control types.
enum : uint32_t {
    kCtlPeakMeter = 0x10020001,
    kCtlOnOff = 0x20010001,
    kCtlMute = 0x20010002,
    kCtlMono = 0x20010003,
    kCtlLoudness = 0x20010004,
    kCtlUnsigned = 0x30030000,
    kCtlQSoundPan = 0x40020002,
    kCtlVolume = 0x50030001,
    kCtlBass = 0x50030002,
    kCtlTreble = 0x50030003,
    kCtlMixer = 0x71010001,
};

// Control flags.
enum : uint32_t {
    kCtlFlagUniform = 1u << 0,
    kCtlFlagMultiple = 1u << 1,
    kCtlFlagDisabled = 1u << 31,
};

struct MixerDeviceCaps {
    std::string name;           // product name, at most 32 characters
    uint16_t driverVersion = 0; // major in bits 8-15, minor in bits 0-7
    uint32_t destinations = 0;
};

struct MixerLineInfo {
    uint32_t destination = 0;
    uint32_t source = 0;
    uint32_t lineId = 0;
    uint32_t flags = 0;
    uint32_t componentType = 0;
    uint32_t channels = 0;
    uint32_t connections = 0; // sources of a destination
    uint32_t controls = 0;
};

struct MixerControlInfo {
    uint32_t controlId = 0;
    uint32_t controlType = 0;
    uint32_t flags = 0;
    uint32_t multipleItems = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
    uint32_t steps = 0;
    std::string shortName; // at most 16 characters
    std::string name;      // at most 64 characters
};

class MixerPlatform {
  public:
    virtual ~MixerPlatform() = default;
    virtual uint32_t DeviceCount() = 0;
    // false when the capabilities cannot be read.
    virtual bool GetCaps(uint32_t device, MixerDeviceCaps& caps) = 0;
    // Opens a device; the previous one, if any, is closed. A MixerResultCode.
    virtual int Open(uint32_t device) = 0;
    virtual int LineByDestination(uint32_t destination, MixerLineInfo& line) = 0;
    virtual int LineBySource(uint32_t destination, uint32_t source, MixerLineInfo& line) = 0;
    virtual int LineControls(uint32_t lineId, std::vector<MixerControlInfo>& controls) = 0;
};

} // namespace tonmark
