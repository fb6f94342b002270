#include "audio/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tonmark {

namespace {

// Which object a control of a line fills, in the order offered.
struct Binding {
    TMixControl& (*object)(MixerControls&);
    uint32_t lineType;
    uint32_t controlType;
};

#define OBJ(name) [](MixerControls& m) -> TMixControl& { return m.name; }

const std::vector<Binding>& Bindings() {
    static const std::vector<Binding> table = {
        {OBJ(MixMasterVolume), kDstSpeakers, kCtlVolume},
        {OBJ(MixOutputGain), kDstSpeakers, kCtlUnsigned},
        {OBJ(MixBass), kDstSpeakers, kCtlBass},
        {OBJ(MixTreble), kDstSpeakers, kCtlTreble},
        {OBJ(MixMasterMute), kDstSpeakers, kCtlMute},
        {OBJ(MixMasterOnOff), kDstSpeakers, kCtlOnOff},
        {OBJ(MixMono), kDstSpeakers, kCtlMono},
        {OBJ(MixLoudness), kDstSpeakers, kCtlLoudness},
        {OBJ(MixQSoundPan), kDstSpeakers, kCtlQSoundPan},
        {OBJ(MixWaveVolume), kSrcWaveOut, kCtlVolume},
        {OBJ(MixWaveMute), kSrcWaveOut, kCtlMute},
        {OBJ(MixWavePeak), kSrcWaveOut, kCtlPeakMeter},
        {OBJ(MixSynthVolume), kSrcSynthesizer, kCtlVolume},
        {OBJ(MixSynthMute), kSrcSynthesizer, kCtlMute},
        {OBJ(MixCDVolume), kSrcCompactDisc, kCtlVolume},
        {OBJ(MixCDMute), kSrcCompactDisc, kCtlMute},
        {OBJ(MixLineVolume), kSrcLine, kCtlVolume},
        {OBJ(MixLineMute), kSrcLine, kCtlMute},
        {OBJ(MixAuxVolume), kSrcAuxiliary, kCtlVolume},
        {OBJ(MixAuxMute), kSrcAuxiliary, kCtlMute},
        {OBJ(MixMicVolume), kSrcMicrophone, kCtlVolume},
        {OBJ(MixMicMute), kSrcMicrophone, kCtlMute},
        {OBJ(MixPCSpeakerVolume), kSrcPcSpeaker, kCtlVolume},
        {OBJ(MixPCSpeakerMute), kSrcPcSpeaker, kCtlMute},
        {OBJ(MixDigitalVolume), kSrcDigital, kCtlVolume},
        {OBJ(MixDigitalMute), kSrcDigital, kCtlMute},
    };
    return table;
}

// The recording side: the same source types, but under the wave input.
const std::vector<Binding>& RecordingBindings() {
    static const std::vector<Binding> table = {
        {OBJ(MixRecUnsigned), kDstWaveIn, kCtlUnsigned},
        {OBJ(MixRecVolume), kDstWaveIn, kCtlVolume},
        {OBJ(MixRecSelect), kDstWaveIn, kCtlMixer},
        {OBJ(MixRecPeak), kDstWaveIn, kCtlPeakMeter},
        {OBJ(MixRecSynthVolume), kSrcSynthesizer, kCtlVolume},
        {OBJ(MixRecCDVolume), kSrcCompactDisc, kCtlVolume},
        {OBJ(MixRecLineVolume), kSrcLine, kCtlVolume},
        {OBJ(MixRecAuxVolume), kSrcAuxiliary, kCtlVolume},
        {OBJ(MixRecMicVolume), kSrcMicrophone, kCtlVolume},
        {OBJ(MixRecMicOnOff), kSrcMicrophone, kCtlOnOff},
        {OBJ(MixRecDigitalVolume), kSrcDigital, kCtlVolume},
    };
    return table;
}

std::string Hex8(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

} // namespace

uint32_t OneStepOf(int32_t minValue, int32_t maxValue, uint32_t steps) {
    if (steps == 0)
        return 1;
    const double span =
        std::fabs(static_cast<double>(maxValue)) + std::fabs(static_cast<double>(minValue));
    return static_cast<uint32_t>(std::nearbyint(span / steps));
}

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

std::string MixerResultText(int code) {
    switch (code) {
    case 0:
        return "MixerControlDetails OK ";
    case 2:
        return "MixerControlDetails  BADDEVICEID !";
    case 5:
        return "MixerControlDetails INVALHANDLE";
    case 6:
        return "MixerControlDetails NODRIVER";
    case 10:
        return "MixerControlDetails INVALFLAG";
    case 11:
        return "MixerControlDetails INVALPARAM";
    case 1024:
        return "MixerControlDetails INVALLINE";
    case 1025:
        return "MixerControlDetails INVALCONTROL";
    default:
        return "MixerControlDetails unbekannter Rückgabecode";
    }
}

bool TMixControl::Usable(const char* absentText, const char* inactiveText) {
    if (!Exist) {
        owner_->MixerStatusText = absentText;
        return false;
    }
    if (!Active) {
        owner_->MixerStatusText = inactiveText;
        return false;
    }
    return true;
}

int TMixControl::Send(const std::vector<int32_t>& values, uint32_t items) {
    owner_->MixerResult =
        owner_->platform_->SetControlDetails(CtrlID, RequestChannels(), items, values);
    owner_->MixerStatusText = MixerResultText(owner_->MixerResult);
    return owner_->MixerResult;
}

int TMixControl::Fetch(std::vector<int32_t>& values, uint32_t items) {
    owner_->MixerResult =
        owner_->platform_->GetControlDetails(CtrlID, RequestChannels(), items, values);
    owner_->MixerStatusText = MixerResultText(owner_->MixerResult);
    return owner_->MixerResult;
}

MixerStatus TMixControl::SendPair(const int32_t pair[2]) {
    std::vector<int32_t> values(RequestChannels());
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = pair[i % 2];
    return Send(values, 0) == 0 ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus TMixControl::FetchPair(int32_t pair[2]) {
    std::vector<int32_t> values(RequestChannels());
    if (Fetch(values, 0) != 0)
        return MixerStatus::Failed;
    pair[0] = values[0];
    pair[1] = values.size() > 1 ? values[1] : values[0];
    return MixerStatus::Ok;
}

MixerStatus TMixLevelControl::Set(int32_t left, int32_t right, const char* absentText,
                                  const char* inactiveText) {
    if (!Usable(absentText, inactiveText))
        return MixerStatus::Failed;
    Level[0] = std::min(left, Maxvalue);
    Level[1] = std::min(right, Maxvalue);
    return SendPair(Level);
}

MixerStatus TMixLevelControl::Get(int32_t& left, int32_t& right, const char* absentText,
                                  const char* inactiveText) {
    if (!Usable(absentText, inactiveText) || FetchPair(Level) == MixerStatus::Failed)
        return MixerStatus::Failed;
    left = Level[0];
    right = Level[1];
    return MixerStatus::Ok;
}

MixerStatus TMixUnsignedControl::SetLevel(int32_t l, int32_t r) {
    return Set(l, r, "Level control not supported by sound card driver!", "Control inactive!");
}
MixerStatus TMixUnsignedControl::GetLevel(int32_t& l, int32_t& r) {
    return Get(l, r, "Level control not supported by sound card driver!",
               "Regler ist nicht Activeiert");
}
MixerStatus TMixSignedControl::SetLevel(int32_t l, int32_t r) {
    return Set(l, r, "Slider control not supported by sound card driver!", "Control inactive!");
}
MixerStatus TMixSignedControl::GetLevel(int32_t& l, int32_t& r) {
    return Get(l, r, "Slider control not supported by sound card driver!", "Control inactive!");
}

MixerStatus TMixSwitchControl::SetSwitch(bool l, bool r) {
    if (!Usable("Switch not supported by Sound card driver!", "Control is inactive!"))
        return MixerStatus::Failed;
    Switch[0] = l ? 1 : 0;
    Switch[1] = r ? 1 : 0;
    return SendPair(Switch);
}

MixerStatus TMixSwitchControl::GetSwitch(bool& l, bool& r) {
    if (!Usable("Switch not supported by sound card driver!", "Control inactive!") ||
        FetchPair(Switch) == MixerStatus::Failed)
        return MixerStatus::Failed;
    l = Switch[0] != 0;
    r = Switch[1] != 0;
    return MixerStatus::Ok;
}

std::vector<int32_t> TMixSrcSelectControl::Request() const {
    // The table holds four items of two channels; a selector with more items
    // or channels gets zeros for the rest rather than a longer read.
    const uint32_t ch = RequestChannels();
    const uint32_t items = std::max<uint32_t>(MultiItems, 1);
    std::vector<int32_t> values(static_cast<size_t>(ch) * items, 0);
    for (uint32_t c = 0; c < std::min<uint32_t>(ch, 2); ++c)
        for (uint32_t i = 0; i < std::min<uint32_t>(items, 4); ++i)
            values[c * items + i] = ValueTable[c * 4 + i];
    return values;
}

MixerStatus TMixSrcSelectControl::SetSrcSelect(int32_t a0, int32_t a1, int32_t a2, int32_t a3,
                                               int32_t b0, int32_t b1, int32_t b2, int32_t b3) {
    if (!Usable("Switch not supported by sound card driver!", "Control inactive"))
        return MixerStatus::Failed;
    const int32_t v[8] = {a0, a1, a2, a3, b0, b1, b2, b3};
    std::copy(v, v + 8, ValueTable);
    return Send(Request(), MultiItems) == 0 ? MixerStatus::Ok : MixerStatus::Failed;
}

MixerStatus TMixSrcSelectControl::GetSrcSelect(int32_t& a0, int32_t& a1, int32_t& a2, int32_t& a3,
                                               int32_t& b0, int32_t& b1, int32_t& b2, int32_t& b3) {
    if (!Usable("Switch not suppoted by sound card driver!", "Control not activated!"))
        return MixerStatus::Failed;
    const uint32_t ch = RequestChannels();
    const uint32_t items = std::max<uint32_t>(MultiItems, 1);
    std::vector<int32_t> values = Request();
    if (Fetch(values, MultiItems) != 0)
        return MixerStatus::Failed;
    for (uint32_t c = 0; c < std::min<uint32_t>(ch, 2); ++c)
        for (uint32_t i = 0; i < std::min<uint32_t>(items, 4); ++i)
            ValueTable[c * 4 + i] = values[c * items + i];
    int32_t* out[8] = {&a0, &a1, &a2, &a3, &b0, &b1, &b2, &b3};
    for (int i = 0; i < 8; ++i)
        *out[i] = ValueTable[i];
    return MixerStatus::Ok;
}

MixerControls::MixerControls(Mixer* m)
    : MixMasterVolume(m), MixOutputGain(m), MixBass(m), MixTreble(m), MixMasterMute(m),
      MixMasterOnOff(m), MixMono(m), MixLoudness(m), MixQSoundPan(m), MixWaveVolume(m),
      MixWaveMute(m), MixWavePeak(m), MixSynthVolume(m), MixSynthMute(m), MixCDVolume(m),
      MixCDMute(m), MixLineVolume(m), MixLineMute(m), MixAuxVolume(m), MixAuxMute(m),
      MixMicVolume(m), MixMicMute(m), MixPCSpeakerVolume(m), MixPCSpeakerMute(m),
      MixDigitalVolume(m), MixDigitalMute(m), MixRecUnsigned(m), MixRecVolume(m), MixRecSelect(m),
      MixRecPeak(m), MixRecSynthVolume(m), MixRecCDVolume(m), MixRecLineVolume(m),
      MixRecAuxVolume(m), MixRecMicVolume(m), MixRecMicOnOff(m), MixRecDigitalVolume(m) {}

Mixer::Mixer(std::unique_ptr<MixerPlatform> platform)
    : platform_(std::move(platform)), controls_(std::make_unique<MixerControls>(this)) {}

uint32_t Mixer::CountDevices() {
    deviceCount_ = platform_->DeviceCount();
    return deviceCount_;
}

bool Mixer::ReadCaps(uint32_t device) {
    listing_.clear();
    if (device >= deviceCount_)
        return false;
    caps_ = TMixerCapsExtended{};
    MixerDeviceCaps c;
    if (!platform_->GetCaps(device, c))
        return false;
    caps_.Name = c.name.substr(0, 32);
    caps_.Version =
        std::to_string(c.driverVersion >> 8) + "." + std::to_string(c.driverVersion & 0xFF);
    caps_.NumLineDestns = c.destinations;
    caps_.NumLineDestnsStr = std::to_string(c.destinations);
    listing_.push_back(caps_.Name);
    listing_.push_back(caps_.Version);
    listing_.push_back("Mixerleitungen : " + caps_.NumLineDestnsStr);
    return true;
}

MixerOpenResult Mixer::OpenDevice(uint32_t device) {
    MixerOpenResult result;
    // A device number outside the list is reported below, not as unreadable caps.
    result.capsUnreadable = !ReadCaps(device) && device < deviceCount_;
    controls_ = std::make_unique<MixerControls>(this);
    if (device >= deviceCount_) {
        result.failure = MixerOpenResult::Failure::InvalidDevice;
        return result;
    }
    MixerResult = platform_->Open(device);
    if (MixerResult != 0) {
        result.failure = MixerOpenResult::Failure::OpenFailed;
        return result;
    }
    Scan(kDstSpeakers);
    Scan(kDstWaveIn);
    AddListing();
    return result;
}

void Mixer::Scan(uint32_t destinationType) {
    const bool recording = destinationType == kDstWaveIn;
    for (uint32_t d = 0; d < caps_.NumLineDestns; ++d) {
        MixerLineInfo line;
        MixerResult = platform_->LineByDestination(d, line);
        if (MixerResult == 0 && line.componentType == destinationType)
            OfferControls(line, recording);
    }
    for (uint32_t d = 0; d < caps_.NumLineDestns; ++d) {
        MixerLineInfo dest;
        MixerResult = platform_->LineByDestination(d, dest);
        if (MixerResult != 0 || dest.componentType != destinationType)
            continue;
        for (uint32_t s = 0; s < dest.connections; ++s) {
            MixerLineInfo line;
            MixerResult = platform_->LineBySource(d, s, line);
            if (MixerResult == 0)
                OfferControls(line, recording);
        }
    }
}

void Mixer::OfferControls(const MixerLineInfo& line, bool recording) {
    std::vector<MixerControlInfo> list;
    MixerResult = platform_->LineControls(line.lineId, list);
    if (MixerResult != 0)
        return;
    // Sources under the wave input fill the recording objects.
    const auto& bindings = recording ? RecordingBindings() : Bindings();
    for (const MixerControlInfo& c : list)
        for (const Binding& b : bindings) {
            if (b.lineType != line.componentType || b.controlType != c.controlType)
                continue;
            TMixControl& o = b.object(*controls_);
            o.Exist = true;
            o.LineID = line.lineId;
            o.Channels = line.channels;
            o.CtrlID = c.controlId;
            o.MultiItems = c.multipleItems;
            o.Active = (c.flags & kCtlFlagDisabled) == 0;
            o.Uniform = (c.flags & kCtlFlagUniform) != 0;
            o.Minvalue = c.minimum;
            o.Maxvalue = c.maximum;
            o.Steps = c.steps;
            o.OneStep = OneStepOf(c.minimum, c.maximum, c.steps);
        }
}

void Mixer::ListLine(const MixerLineInfo& line) {
    std::vector<MixerControlInfo> list;
    MixerResult = platform_->LineControls(line.lineId, list);
    if (MixerResult != 0)
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

void Mixer::AddListing() {
    for (uint32_t d = 0; d < caps_.NumLineDestns; ++d) {
        MixerLineInfo dest;
        MixerResult = platform_->LineByDestination(d, dest);
        if (MixerResult != 0)
            continue;
        ListLine(dest);
        for (uint32_t s = 0; s < dest.connections; ++s) {
            MixerLineInfo line;
            MixerResult = platform_->LineBySource(d, s, line);
            if (MixerResult == 0)
                ListLine(line);
        }
    }
}

} // namespace tonmark
