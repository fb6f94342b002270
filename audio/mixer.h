#pragma once
// The mixer control layer: counts and opens mixer devices, discovers the
// known line controls into control objects, sets and reads them per channel,
// and keeps a diagnostic listing of the opened device.
//
// Errors: every set and get returns a MixerStatus; after Failed, the owning
// Mixer's MixerStatusText says why (absent, inactive, or the card's answer).
// OpenDevice returns what failed; the windows turn it into messages.
//
// Threading: user-interface thread only; not re-entrant.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer_platform.h"

namespace tonmark {

class Mixer;

enum class [[nodiscard]] MixerStatus{Ok, Failed};

class TMixControl {
  public:
    bool Exist = false;
    uint32_t LineID = 0;
    uint32_t Channels = 0;
    bool Active = false;
    uint32_t CtrlID = 0;
    uint32_t MultiItems = 0;
    bool Uniform = false;
    int32_t Minvalue = 0;
    int32_t Maxvalue = 0;
    uint32_t Steps = 0;
    uint32_t OneStep = 0;

    explicit TMixControl(Mixer* owner) : owner_(owner) {}

  protected:
    // Steps 1 and 2 of every set or get: absent or inactive controls fail
    // with their own texts. Returns true when the call may go on.
    bool Usable(const char* absentText, const char* inactiveText);
    uint32_t RequestChannels() const { return Uniform ? 1 : std::max<uint32_t>(Channels, 1); }
    // One request of this control's channels x items values; the result code,
    // which also goes into MixerResult and MixerStatusText.
    int Send(const std::vector<int32_t>& values, uint32_t items);
    int Fetch(std::vector<int32_t>& values, uint32_t items);
    // Two channel values (left, right). Lines of more than two channels get
    // left on even and right on odd channels; a one-value read fills both.
    MixerStatus SendPair(const int32_t pair[2]);
    MixerStatus FetchPair(int32_t pair[2]);
    Mixer* owner_;
};

// Two channel values (left, right).
class TMixLevelControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t Level[2] = {0, 0};

  protected:
    MixerStatus Set(int32_t left, int32_t right, const char* absentText, const char* inactiveText);
    MixerStatus Get(int32_t& left, int32_t& right, const char* absentText,
                    const char* inactiveText);
};

class TMixUnsignedControl : public TMixLevelControl {
  public:
    using TMixLevelControl::TMixLevelControl;
    MixerStatus SetLevel(int32_t LeftLevel, int32_t RightLevel);
    MixerStatus GetLevel(int32_t& LeftLevel, int32_t& RightLevel);
};

class TMixSignedControl : public TMixLevelControl {
  public:
    using TMixLevelControl::TMixLevelControl;
    MixerStatus SetLevel(int32_t LeftLevel, int32_t RightLevel);
    MixerStatus GetLevel(int32_t& LeftLevel, int32_t& RightLevel);
};

class TMixSwitchControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t Switch[2] = {0, 0}; // 1 = on
    MixerStatus SetSwitch(bool LeftSwitch, bool RightSwitch);
    MixerStatus GetSwitch(bool& LeftSwitch, bool& RightSwitch);
};

// Items 0..3 of the left channel, then items 0..3 of the right channel.
class TMixSrcSelectControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t ValueTable[8] = {};
    MixerStatus SetSrcSelect(int32_t Src0Li, int32_t Src1Li, int32_t Src2Li, int32_t Src3Li,
                             int32_t Src0Re, int32_t Src1Re, int32_t Src2Re, int32_t Src3Re);
    MixerStatus GetSrcSelect(int32_t& Src0Li, int32_t& Src1Li, int32_t& Src2Li, int32_t& Src3Li,
                             int32_t& Src0Re, int32_t& Src1Re, int32_t& Src2Re, int32_t& Src3Re);

  private:
    std::vector<int32_t> Request() const;
};

struct TMixerCapsExtended {
    std::string Name;
    std::string Version;
    std::string NumLineDestnsStr;
    uint32_t NumLineDestns = 0;
};

// The control objects of one opened device; all absent until discovery.
struct MixerControls {
    explicit MixerControls(Mixer* m);
    TMixUnsignedControl MixMasterVolume, MixOutputGain, MixBass, MixTreble;
    TMixSwitchControl MixMasterMute, MixMasterOnOff, MixMono, MixLoudness;
    TMixSignedControl MixQSoundPan;
    TMixUnsignedControl MixWaveVolume;
    TMixSwitchControl MixWaveMute;
    TMixSignedControl MixWavePeak;
    TMixUnsignedControl MixSynthVolume;
    TMixSwitchControl MixSynthMute;
    TMixUnsignedControl MixCDVolume;
    TMixSwitchControl MixCDMute;
    TMixUnsignedControl MixLineVolume;
    TMixSwitchControl MixLineMute;
    TMixUnsignedControl MixAuxVolume;
    TMixSwitchControl MixAuxMute;
    TMixUnsignedControl MixMicVolume;
    TMixSwitchControl MixMicMute;
    TMixUnsignedControl MixPCSpeakerVolume;
    TMixSwitchControl MixPCSpeakerMute;
    TMixUnsignedControl MixDigitalVolume;
    TMixSwitchControl MixDigitalMute;
    TMixUnsignedControl MixRecUnsigned, MixRecVolume;
    TMixSrcSelectControl MixRecSelect;
    TMixSignedControl MixRecPeak;
    TMixUnsignedControl MixRecSynthVolume, MixRecCDVolume, MixRecLineVolume, MixRecAuxVolume;
    TMixUnsignedControl MixRecMicVolume;
    TMixSwitchControl MixRecMicOnOff;
    TMixUnsignedControl MixRecDigitalVolume;
};

std::string LineTypeText(uint32_t componentType);
std::string ControlTypeText(uint32_t controlType);
std::string MixerResultText(int code);
// round((|max| + |min|) / steps), halves to even; 1 for 0 steps.
uint32_t OneStepOf(int32_t minValue, int32_t maxValue, uint32_t steps);

// What OpenDevice could not do. Without a failure the device is open and its
// controls are discovered; otherwise every control is absent.
struct MixerOpenResult {
    bool capsUnreadable = false; // the device's capabilities could not be read
    enum class Failure { None, InvalidDevice, OpenFailed } failure = Failure::None;
};

class Mixer {
  public:
    explicit Mixer(std::unique_ptr<MixerPlatform> platform);

    // Stores and returns the number of mixer devices.
    uint32_t CountDevices();
    uint32_t DeviceCount() const { return deviceCount_; }
    // Reads the capabilities, makes fresh control objects, opens the device
    // and discovers its controls.
    [[nodiscard]] MixerOpenResult OpenDevice(uint32_t device);

    MixerControls& Controls() { return *controls_; }
    const TMixerCapsExtended& Caps() const { return caps_; }
    // Whether the open device is the sound server's own control, whose wave
    // volume is the program's own stream volume.
    bool IsSoundServerControl() const { return platform_->IsSoundServerControl(); }
    const std::vector<std::string>& Listing() const { return listing_; }

    int MixerResult = 0;
    std::string MixerStatusText;

  private:
    friend class TMixControl;
    friend class TMixLevelControl;
    friend class TMixSwitchControl;
    friend class TMixSrcSelectControl;

    bool ReadCaps(uint32_t device);
    void Scan(uint32_t destinationType);
    void OfferControls(const MixerLineInfo& line, bool recording);
    void AddListing();
    void ListLine(const MixerLineInfo& line);

    std::unique_ptr<MixerPlatform> platform_;
    uint32_t deviceCount_ = 0;
    TMixerCapsExtended caps_;
    std::unique_ptr<MixerControls> controls_;
    std::vector<std::string> listing_;
};

} // namespace tonmark
