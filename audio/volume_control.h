#pragma once
// The volume controls of the sound output, as a sound back end offers them:
// one small interface per control, the set of controls the program drives on
// one mixer device, and the list of mixer devices. Back ends: a card's ALSA
// simple elements (AlsaVolumeDevices), the sound server's output volume
// (PulseEndpointVolume) and the program's own stream volume on the server
// (OwnStreamVolume). The rules that put the calibration's settings on them
// live above them all, in OutputLevelControl; a back end only moves values.
//
// Units: a control's own values, Minvalue ... Maxvalue, in Steps steps (0
// steps: the control cannot be set by the program's rule), per channel.
//
// Threading: user-interface thread only. A call may wait for the card or the
// sound server to answer, at most a couple of seconds.
//
// Ownership: the back end that made a control owns it; VolumeDevices'
// controls stay valid until that object opens another device or goes.
//
// Errors: Set and Get return a SoundStatus; a refusal is ControlRefused
// with the system's reason (a control its driver has disabled: "Control
// inactive!"); the caller names the control. Nothing throws.
#include <cstdint>
#include <optional>
#include <string>

#include "core/sound_status.h"

namespace tonmark {

class VolumeControl {
  public:
    struct Levels {
        int32_t left = 0;
        int32_t right = 0;
        bool operator==(const Levels&) const = default;
    };

    virtual ~VolumeControl() = default;
    virtual int32_t Minvalue() const = 0;
    virtual int32_t Maxvalue() const = 0;
    virtual uint32_t Steps() const = 0;
    // Its channels (1 for a mono control).
    virtual uint32_t Channels() const = 0;
    // One value for all channels: a set takes the left value for every one.
    virtual bool Uniform() const = 0;
    // False when its driver has disabled it; a set or get then fails.
    virtual bool Active() const = 0;
    // Left on the left channel, right on the right; a control of more than
    // two channels takes left on the even and right on the odd ones. Values
    // outside the range are held at its ends.
    virtual SoundStatus Set(int32_t left, int32_t right) = 0;
    // The left and right (for a uniform control the same) values; untouched
    // on failure.
    virtual SoundStatus Get(Levels& levels) = 0;
};

// A mute (on = silent) or an on/off switch (on = on), every channel at once.
class SwitchControl {
  public:
    virtual ~SwitchControl() = default;
    virtual bool Active() const = 0;
    virtual SoundStatus Set(bool on) = 0;
};

// The controls the program drives on one mixer device; null where the
// device has none.
struct VolumeControls {
    VolumeControl* master = nullptr; // the output's master volume
    VolumeControl* wave = nullptr;   // the wave output's volume
    VolumeControl* gain = nullptr;   // an output gain behind the master
    VolumeControl* bass = nullptr;
    VolumeControl* treble = nullptr;
    SwitchControl* masterOnOff = nullptr;
    // The mutes of the other sources, muted before any sound is made.
    SwitchControl* auxMute = nullptr;
    SwitchControl* micMute = nullptr;
    SwitchControl* lineMute = nullptr;
    SwitchControl* cdMute = nullptr;
    SwitchControl* synthMute = nullptr;
    SwitchControl* digitalMute = nullptr;
    SwitchControl* pcSpeakerMute = nullptr;
    // The device is a sound server's own control rather than a card: its
    // wave volume is the program's own stream volume.
    bool soundServerControl = false;
};

struct VolumeDeviceCaps {
    std::string name;           // product name
    uint16_t driverVersion = 0; // major in bits 8-15, minor in bits 0-7
};

// The mixer devices of a sound system, by number.
class VolumeDevices {
  public:
    virtual ~VolumeDevices() = default;
    virtual uint32_t DeviceCount() = 0;
    // Nothing when the device's name and version cannot be read.
    virtual std::optional<VolumeDeviceCaps> Caps(uint32_t device) = 0;
    // Opens a device in place of the previous one; false when it cannot be
    // opened, and then it has no controls.
    virtual bool Open(uint32_t device) = 0;
    // The controls of the device opened last; none before the first open.
    virtual VolumeControls Controls() = 0;
};

// What opening a mixer device could not do (OutputLevelControl and the
// diagnostic listing open the same way). Without a failure the device is
// open; otherwise it offers no controls.
struct [[nodiscard]] MixerOpenResult {
    bool capsUnreadable = false; // the device's name and version could not be read
    enum class Failure { None, InvalidDevice, OpenFailed } failure = Failure::None;
};

// The driver version word as "major.minor" in decimal (0x050A is "5.10").
std::string DriverVersionText(uint16_t word);

// The answers of a card that refused a value, as the user reads them: the
// result codes of the mixer interface (0 = no error) and their texts.
enum MixerResultCode : int {
    kMixerOk = 0,
    kMixerBadDeviceId = 2,
    kMixerInvalidHandle = 5,
    kMixerNoDriver = 6,
    kMixerInvalidFlag = 10,
    kMixerInvalidParam = 11,
    kMixerInvalidLine = 1024,
    kMixerInvalidControl = 1025,
};
std::string MixerResultText(int code);
inline constexpr const char* kControlInactive = "Control inactive!";

} // namespace tonmark
