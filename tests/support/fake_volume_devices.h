#pragma once
// Mixer devices in memory: the controls a test declares, every set recorded
// in order with the values it carried, and refusals with the card's answer.
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "audio/volume_control.h"

namespace tonmark::test {

// One set that reached a control: its role ("wave", "micMute", ...) and the
// values (a switch: 1 on, 0 off, on both).
struct VolumeSet {
    std::string control;
    int32_t left = 0, right = 0;
    bool operator==(const VolumeSet&) const = default;
};

struct FakeVolumeLog {
    std::vector<VolumeSet> sets;
    int setResult = 0; // a mixer result code every set gets back; 0 takes the value
    int getResult = 0; // the same for every get
};

class FakeVolume final : public VolumeControl {
  public:
    FakeVolume(std::string role, FakeVolumeLog* log) : role_(std::move(role)), log_(log) {}
    int32_t min = 0, max = 65535;
    uint32_t steps = 32, channels = 2;
    bool uniform = false, active = true;
    Levels levels; // what the card holds

    int32_t Minvalue() const override { return min; }
    int32_t Maxvalue() const override { return max; }
    uint32_t Steps() const override { return steps; }
    uint32_t Channels() const override { return channels; }
    bool Uniform() const override { return uniform; }
    bool Active() const override { return active; }
    SoundStatus Set(int32_t left, int32_t right) override {
        if (!active)
            return SoundStatus::Refused(kControlInactive);
        log_->sets.push_back({role_, left, right});
        if (log_->setResult != 0)
            return SoundStatus::Refused(MixerResultText(log_->setResult));
        levels = {left, uniform ? left : right};
        return SoundStatus::Success();
    }
    SoundStatus Get(Levels& out) override {
        if (!active)
            return SoundStatus::Refused(kControlInactive);
        if (log_->getResult != 0)
            return SoundStatus::Refused(MixerResultText(log_->getResult));
        out = levels;
        return SoundStatus::Success();
    }

  private:
    std::string role_;
    FakeVolumeLog* log_;
};

class FakeSwitch final : public SwitchControl {
  public:
    FakeSwitch(std::string role, FakeVolumeLog* log) : role_(std::move(role)), log_(log) {}
    bool active = true;
    bool on = false;
    bool Active() const override { return active; }
    SoundStatus Set(bool value) override {
        if (!active)
            return SoundStatus::Refused("Control is inactive!");
        log_->sets.push_back({role_, value ? 1 : 0, value ? 1 : 0});
        if (log_->setResult != 0)
            return SoundStatus::Refused(MixerResultText(log_->setResult));
        on = value;
        return SoundStatus::Success();
    }

  private:
    std::string role_;
    FakeVolumeLog* log_;
};

// The controls of the device opened last are the ones declared: by role,
// "master", "wave", "gain", "bass", "treble" (volumes) and "masterOnOff",
// "auxMute", "micMute", "lineMute", "cdMute", "synthMute", "digitalMute",
// "pcSpeakerMute" (switches). The log outlives the devices.
class FakeVolumeDevices final : public VolumeDevices {
  public:
    struct Device {
        std::string name;
        uint16_t version = 0x0102;
        bool readable = true;
    };
    explicit FakeVolumeDevices(FakeVolumeLog* log) : log_(log) {}

    std::vector<Device> devices;
    bool openFails = false;
    bool serverControl = false;
    std::vector<uint32_t> opened; // every device number opened

    FakeVolume& Volume(const std::string& role, int32_t max = 65535, uint32_t steps = 32) {
        auto& v = volumes_[role];
        v = std::make_unique<FakeVolume>(role, log_);
        v->max = max;
        v->steps = steps;
        return *v;
    }
    FakeSwitch& Switch(const std::string& role) {
        auto& s = switches_[role];
        s = std::make_unique<FakeSwitch>(role, log_);
        return *s;
    }
    FakeVolume* FindVolume(const std::string& role) {
        const auto it = volumes_.find(role);
        return it == volumes_.end() ? nullptr : it->second.get();
    }

    uint32_t DeviceCount() override { return static_cast<uint32_t>(devices.size()); }
    std::optional<VolumeDeviceCaps> Caps(uint32_t d) override {
        if (d >= devices.size() || !devices[d].readable)
            return std::nullopt;
        return VolumeDeviceCaps{devices[d].name, devices[d].version};
    }
    bool Open(uint32_t d) override {
        opened.push_back(d);
        open_ = !openFails;
        return open_;
    }
    VolumeControls Controls() override {
        VolumeControls c;
        if (!open_)
            return c;
        c.master = FindVolume("master");
        c.wave = FindVolume("wave");
        c.gain = FindVolume("gain");
        c.bass = FindVolume("bass");
        c.treble = FindVolume("treble");
        const std::pair<SwitchControl**, const char*> switches[] = {
            {&c.masterOnOff, "masterOnOff"}, {&c.auxMute, "auxMute"},
            {&c.micMute, "micMute"},         {&c.lineMute, "lineMute"},
            {&c.cdMute, "cdMute"},           {&c.synthMute, "synthMute"},
            {&c.digitalMute, "digitalMute"}, {&c.pcSpeakerMute, "pcSpeakerMute"}};
        for (const auto& [slot, role] : switches) {
            const auto it = switches_.find(role);
            *slot = it == switches_.end() ? nullptr : it->second.get();
        }
        c.soundServerControl = serverControl;
        return c;
    }

  private:
    FakeVolumeLog* log_;
    bool open_ = false;
    std::map<std::string, std::unique_ptr<FakeVolume>> volumes_;
    std::map<std::string, std::unique_ptr<FakeSwitch>> switches_;
};

} // namespace tonmark::test
