#include "ui/chart_boxes.h"

#include <QPainter>

namespace tonmark {

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture.size() != size() && repaintAll)
        repaintAll();
    QPainter p(this);
    p.drawImage(0, 0, picture);
}

} // namespace tonmark
