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

void VolumeSlider::ShowSetting(int setting) {
    setValue(std::clamp(maximum() - setting, minimum(), maximum()));
}

int PositionOfLevel(const TMixControl& c, int32_t left) {
    if (c.Steps == 0)
        return 0;
    const int64_t step = static_cast<int64_t>(c.Maxvalue) / static_cast<int64_t>(c.Steps);
    if (step == 0)
        return 0;
    return static_cast<int>((static_cast<int64_t>(c.Maxvalue) - left) / step);
}

} // namespace tonmark
