#pragma once
// Putting the calibration's volume settings on the sound output, the one
// place that knows the rules, above every back end: the mixer device in use,
// the known state of the card before sound is made (PrepareSoundCard), the
// wave and master volumes per ear and frequency (ApplyCalibrationLevels),
// the calibration windows' sliders, and in core-audio mode the sound
// server's output volume as the master.
//
// Settings and control values:
// - A setting v (wave, master, gain; the calibration's values and the
//   sliders' positions counted from the bottom) is the control value
//   (Maxvalue div Steps) x v, the division in 64 bits truncating toward zero.
//   A control of 0 steps has no such value and is never set by it.
// - In core-audio mode a master setting m runs from 0 to 1000 and is the
//   server's output volume at the scalar m / 1000 (a 32-bit float) of its
//   normal volume.
// - A value above a control's Maxvalue goes out as Maxvalue; below, as it
//   is (the back end holds it within its range).
// - On the sound server's own control the wave volume is the program's own
//   stream volume, in the place of any wave control of the device's own.
//
// Threading: user-interface thread only. Ownership: owns the devices and the
// server's volume; shares the stream volume with the wave output.
//
// Errors: every set reports the first control that kept its value, named,
// with the back end's reason. Absent controls are skipped: the card lacks
// them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/volume_control.h"

namespace tonmark {

// The control value of a setting v by the rule above; nothing for 0 steps.
std::optional<int32_t> VolumeRuleValue(const VolumeControl& control, int32_t v);

// The calibration windows' volume sliders.
enum class Slider { Wave, Master, Gain };

struct SliderScale {
    bool present = false;    // there is a control (the server's master always is)
    bool adjustable = false; // present, with steps and a top above 0
    int steps = 0;           // the slider's range: 0 ... steps
    int ticks = 1;           // tick interval
    // The master is the sound server's output volume: a setting is
    // thousandths of its normal volume.
    bool serverScalar = false;
};

class OutputLevelControl {
  public:
    // streamVolume: the program's own stream volume, the wave volume on the
    // sound server's own control (may be null). serverVolume: the server's
    // output volume; given exactly in core-audio mode.
    OutputLevelControl(std::unique_ptr<VolumeDevices> devices,
                       std::shared_ptr<VolumeControl> streamVolume,
                       std::unique_ptr<VolumeControl> serverVolume);

    bool CoreAudioMode() const { return serverVolume_ != nullptr; }

    // The mixer devices: counts them (stored), and opens one in place of the
    // device in use. Opening a number outside the count, or a device that
    // fails, leaves no controls. The name and driver version ("5.10") are
    // the last device whose number was valid; empty when unreadable.
    uint32_t CountDevices();
    uint32_t DeviceCount() const { return deviceCount_; }
    MixerOpenResult OpenDevice(uint32_t device);
    const std::string& DeviceName() const { return name_; }
    const std::string& DeviceVersion() const { return version_; }

    // Outside core-audio mode mutes the other sources and sets the gain to
    // half its range; always switches the master on/off switch off and
    // centres bass and treble. Disabled controls are skipped too.
    [[nodiscard]] SoundStatus PrepareSoundCard();
    // ear 0 left, 1 right; the calibration entry's wave and master settings.
    // The master of a card whose master is not uniform goes to the ear under
    // test only. On the sound server's own control a wave setting of 0 plays
    // at the full stream volume: calibrations made before that control had a
    // wave volume store 0 there, and silence is never a calibrated level.
    [[nodiscard]] SoundStatus ApplyCalibrationLevels(int ear, int32_t waveVolume,
                                                     int32_t masterVolume);

    SliderScale Scale(Slider slider) const;
    // The position (0 at the top) that shows the control's current level:
    // (Maxvalue - L) div (Maxvalue div Steps) of its left value L, read from
    // the control (0 when unreadable); 0 without steps. Nothing for the
    // server's master, whose slider keeps its own position.
    std::optional<int> CurrentPosition(Slider slider);
    // The control value a setting gives; nothing without a control or steps.
    std::optional<int32_t> ControlValue(Slider slider, int32_t setting) const;
    // Puts a slider's setting on its control on both channels; with an ear,
    // a control that is not uniform gets it on that ear's channel and 0 on
    // the other. Nothing happens without a control or steps.
    [[nodiscard]] SoundStatus SetSetting(Slider slider, int32_t setting,
                                         std::optional<int> ear = std::nullopt);

  private:
    VolumeControl* Control(Slider slider) const;
    SoundStatus SetServerMaster(int32_t setting);

    std::unique_ptr<VolumeDevices> devices_;
    std::shared_ptr<VolumeControl> stream_;
    std::unique_ptr<VolumeControl> serverVolume_;
    uint32_t deviceCount_ = 0;
    VolumeControls controls_;
    std::string name_, version_;
};

} // namespace tonmark
