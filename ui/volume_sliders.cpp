#include "ui/volume_sliders.h"

#include <algorithm>

namespace tonmark {

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    setInvertedAppearance(true); // position 0 at the top
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
