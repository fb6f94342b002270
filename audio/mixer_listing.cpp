#include "audio/mixer_listing.h"

#include <cstdio>

namespace tonmark {

namespace {

std::string Hex8(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

} // namespace

std::string LineTypeText(uint32_t t) {
    static const char* dst[] = {"DST_UNDEFINED", "DST_DIGITAL",  "DST_LINE",
                                "DST_MONITOR",   "DST_SPEAKERS", "DST_HEADPHONES",
                                "DST_TELEPHONE", "DST_WAVEIN",   "DST_VOICEIN"};
    static const char* src[] = {"SRC_UNDEFINED",  "SRC_DIGITAL",     "SRC_LINE",
                                "SRC_MICROPHONE", "SRC_SYNTHESIZER", "SRC_COMPACTDISC",
                                "SRC_TELEPHONE",  "SRC_PCSPEAKER",   "SRC_WAVEOUT",
                                "SRC_AUXILIARY",  "SRC_ANALOG"};
    if (t <= 8)
        return dst[t];
    if (t >= 0x1000 && t <= 0x100A)
        return src[t - 0x1000];
    return "";
}

std::string ControlTypeText(uint32_t t) {
    switch (t) {
    case 0:
        return "CUSTOM";
    case 0x10010000:
        return "BOOLEANMETER";
    case 0x10020000:
        return "SIGNEDMETER";
    case 0x10020001:
        return "PEAKMETER";
    case 0x10030000:
        return "UNSIGNEDMETER";
    case 0x20010000:
        return "BOOLEAN";
    case 0x20010001:
        return "ONOFF";
    case 0x20010002:
        return "MUTE";
    case 0x20010003:
        return "MONO";
    case 0x20010004:
        return "LOUDNESS";
    case 0x21010000:
        return "BUTTON";
    case 0x30020000:
        return "SIGNED";
    case 0x30030000:
        return "UNSIGNED";
    case 0x30040000:
        return "DECIBELS";
    case 0x30050000:
        return "PERCENT";
    case 0x40020000:
        return "SLIDER";
    case 0x40020001:
        return "PAN";
    case 0x40020002:
        return "QSOUNDPAN";
    case 0x50030000:
        return "FADER";
    case 0x50030001:
        return "VOLUME";
    case 0x50030002:
        return "BASS";
    case 0x50030003:
        return "TREBLE";
    case 0x50030004:
        return "EQUALIZER";
    case 0x60030000:
        return "MICROTIME";
    case 0x61030000:
        return "MILLITIME";
    case 0x70010000:
        return "SINGLESELECT";
    case 0x70010001:
        return "MUX";
    case 0x71010000:
        return "MULTIPLESELECT";
    case 0x71010001:
        return "MIXER";
    default:
        return "";
    }
}

MixerListing::MixerListing(std::unique_ptr<MixerPlatform> platform)
    : platform_(std::move(platform)) {}

uint32_t MixerListing::CountDevices() {
    deviceCount_ = platform_->DeviceCount();
    return deviceCount_;
}

MixerOpenResult MixerListing::OpenDevice(uint32_t device) {
    MixerOpenResult result;
    listing_.clear();
    destinations_ = 0;
    if (device >= deviceCount_) {
        result.failure = MixerOpenResult::Failure::InvalidDevice;
        return result;
    }
    MixerDeviceCaps caps;
    result.capsUnreadable = !platform_->GetCaps(device, caps);
    name_ = result.capsUnreadable ? std::string() : caps.name.substr(0, 32);
    version_ = result.capsUnreadable ? std::string() : DriverVersionText(caps.driverVersion);
    if (!result.capsUnreadable) {
        destinations_ = caps.destinations;
        listing_ = {name_, version_, "Mixerleitungen : " + std::to_string(destinations_)};
    }
    if (platform_->Open(device) != kMixerOk) {
        result.failure = MixerOpenResult::Failure::OpenFailed;
        return result;
    }
    for (uint32_t d = 0; d < destinations_; ++d) {
        MixerLineInfo dest;
        if (platform_->LineByDestination(d, dest) != kMixerOk)
            continue;
        ListLine(dest);
        for (uint32_t s = 0; s < dest.connections; ++s) {
            MixerLineInfo line;
            if (platform_->LineBySource(d, s, line) == kMixerOk)
                ListLine(line);
        }
    }
    return result;
}

void MixerListing::ListLine(const MixerLineInfo& line) {
    std::vector<MixerControlInfo> list;
    if (platform_->LineControls(line.lineId, list) != kMixerOk)
        return;
    for (const MixerControlInfo& c : list) {
        listing_.push_back("+++ COMPONENTTYPE  " + LineTypeText(line.componentType) + "  +++");
        listing_.push_back("Line ID : " + Hex8(line.lineId) + " Hex");
        listing_.push_back("Line Flag : " + Hex8(line.flags) + " Hex");
        listing_.push_back("Controls  : " + std::to_string(line.controls));
        listing_.push_back("Connections : " + std::to_string(line.connections));
        listing_.push_back("Control - Typ  =  " + ControlTypeText(c.controlType));
        listing_.push_back("Ctrl ID : " + Hex8(c.controlId) + " Hex");
        listing_.push_back("Kurzname = " + c.shortName.substr(0, 16));
        listing_.push_back("Name = " + c.name.substr(0, 64));
        listing_.push_back("Unsigned Minvalue: " +
                           std::to_string(static_cast<uint32_t>(c.minimum)));
        listing_.push_back("Unsigned Maxvalue: " +
                           std::to_string(static_cast<uint32_t>(c.maximum)));
        listing_.push_back("Signed Minvalue: " + std::to_string(c.minimum));
        listing_.push_back("Signed Maxvalue: " + std::to_string(c.maximum));
        listing_.push_back(" Steps: " + std::to_string(c.steps));
        listing_.push_back("Anzahl Kanäle : " + std::to_string(line.channels));
        if (c.flags & kCtlFlagUniform)
            listing_.push_back("Summenregler für beide Kanäle (Uniform)");
        listing_.push_back((c.flags & kCtlFlagMultiple)
                               ? "Regler pro Kanal (MultiItems) = " +
                                     std::to_string(c.multipleItems)
                               : std::string("Regler pro Kanal (MultiItems) = 1 "));
        listing_.push_back((c.flags & kCtlFlagDisabled) ? "Steuerelement nicht Active "
                                                        : "Steuerelement Active");
        listing_.push_back(std::string(71, '-'));
    }
}

} // namespace tonmark
