#pragma once
// The vertical volume sliders of the calibration windows: position 0 at the
// top, the setting is the slider's maximum minus its position, so the top is
// the largest volume. Up, Right, PageUp and Home make it louder; Down, Left,
// PageDown and End quieter; the handle moves the way the volume moves.
#include <QSlider>

#include "audio/output_level.h"

namespace tonmark {

class VolumeSlider : public QSlider {
  public:
    explicit VolumeSlider(QWidget* parent);
    // Range 0..steps, ticks every steps div 8 (at least 1).
    void SetSteps(int steps);
    // A control's range and ticks (OutputLevelControl::Scale).
    void SetScale(const SliderScale& scale);
    // The setting: maximum - position.
    int Setting() const { return maximum() - value(); }
    // Shows a setting, held within the range.
    void ShowSetting(int setting);
};

} // namespace tonmark
