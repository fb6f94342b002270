#include "ui/volume_sliders.h"

#include <algorithm>

namespace tonmark {

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    setInvertedAppearance(true); // position 0 at the top
    // And the keys and the wheel with it: Up, Right, PageUp and a wheel turn
    // away from the user move the handle up, to the larger volume. Without
    // this they moved the position up and the handle down: the tone got
    // quieter on Up and louder on Down.
    setInvertedControls(true);
    setTickPosition(QSlider::TicksRight);
}

void VolumeSlider::SetSteps(int steps) {
    setRange(0, std::max(steps, 0));
    setTickInterval(std::max(steps / 8, 1));
}

void VolumeSlider::SetScale(const SliderScale& scale) {
    setRange(0, std::max(scale.steps, 0));
    setTickInterval(scale.ticks);
}

void VolumeSlider::ShowSetting(int setting) {
    setValue(std::clamp(maximum() - setting, minimum(), maximum()));
}

} // namespace tonmark
