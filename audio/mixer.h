#pragma once
// The mixer control layer: counts and opens mixer devices, discovers the
// known line controls into control objects, sets and reads them per channel,
// and keeps a diagnostic listing of the opened device.
//
// Threading: user-interface thread only; not re-entrant.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer_platform.h"
#include "core/run_services.h"

namespace tonmark {

class Mixer;

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
    // True on failure.
    bool SendPair(const int32_t pair[2]);
    bool FetchPair(int32_t pair[2]);
    Mixer* owner_;
};

// Two channel values (left, right).
class TMixLevelControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t Level[2] = {0, 0};

  protected:
    bool Set(int32_t left, int32_t right, const char* absentText, const char* inactiveText);
    bool Get(int32_t& left, int32_t& right, const char* absentText, const char* inactiveText);
};

class TMixUnsignedControl : public TMixLevelControl {
  public:
    using TMixLevelControl::TMixLevelControl;
    bool SetLevel(int32_t LeftLevel, int32_t RightLevel);
    bool GetLevel(int32_t& LeftLevel, int32_t& RightLevel);
};

class TMixSignedControl : public TMixLevelControl {
  public:
    using TMixLevelControl::TMixLevelControl;
    bool SetLevel(int32_t LeftLevel, int32_t RightLevel);
    bool GetLevel(int32_t& LeftLevel, int32_t& RightLevel);
};

class TMixSwitchControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t Switch[2] = {0, 0}; // 1 = on
    bool SetSwitch(bool LeftSwitch, bool RightSwitch);
    bool GetSwitch(bool& LeftSwitch, bool& RightSwitch);
};

// Items 0..3 of the left channel, then items 0..3 of the right channel.
class TMixSrcSelectControl : public TMixControl {
  public:
    using TMixControl::TMixControl;
    int32_t ValueTable[8] = {};
    bool SetSrcSelect(int32_t Src0Li, int32_t Src1Li, int32_t Src2Li, int32_t Src3Li,
                      int32_t Src0Re, int32_t Src1Re, int32_t Src2Re, int32_t Src3Re);
    bool GetSrcSelect(int32_t& Src0Li, int32_t& Src1Li, int32_t& Src2Li, int32_t& Src3Li,
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

class Mixer {
  public:
    Mixer(std::unique_ptr<MixerPlatform> platform, Dialogs& dialogs);

    // Stores and returns the number of mixer devices.
    uint32_t CountDevices();
    uint32_t DeviceCount() const { return deviceCount_; }
    // Reads the capabilities, makes fresh control objects, opens the device
    // and discovers its controls. Failures show their message box and leave
    // every control absent.
    void OpenDevice(uint32_t device);

    MixerControls& Controls() { return *controls_; }
    const TMixerCapsExtended& Caps() const { return caps_; }
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
    Dialogs& dialogs_;
    uint32_t deviceCount_ = 0;
    TMixerCapsExtended caps_;
    std::unique_ptr<MixerControls> controls_;
    std::vector<std::string> listing_;
};

} // namespace tonmark
