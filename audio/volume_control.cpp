#include "audio/volume_control.h"

namespace tonmark {

std::string DriverVersionText(uint16_t word) {
    return std::to_string(word >> 8) + "." + std::to_string(word & 0xFF);
}

std::string MixerResultText(int code) {
    switch (code) {
    case kMixerOk:
        return "MixerControlDetails OK ";
    case kMixerBadDeviceId:
        return "MixerControlDetails  BADDEVICEID !";
    case kMixerInvalidHandle:
        return "MixerControlDetails INVALHANDLE";
    case kMixerNoDriver:
        return "MixerControlDetails NODRIVER";
    case kMixerInvalidFlag:
        return "MixerControlDetails INVALFLAG";
    case kMixerInvalidParam:
        return "MixerControlDetails INVALPARAM";
    case kMixerInvalidLine:
        return "MixerControlDetails INVALLINE";
    case kMixerInvalidControl:
        return "MixerControlDetails INVALCONTROL";
    default:
        return "MixerControlDetails unbekannter Rückgabecode";
    }
}

} // namespace tonmark
