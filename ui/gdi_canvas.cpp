#include "ui/gdi_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

namespace tonmark {

QColor ColourFromStored(uint32_t stored) {
    if (stored & 0x80000000u) {
        // The few system colours a stored setting can name.
        switch (stored & 0xFF) {
        case 5:
            return QColor(255, 255, 255); // window
        case 8:
            return QColor(0, 0, 0); // window text
        default:
            return QColor(240, 240, 240); // button face and the rest
        }
    }
    return QColor(stored & 0xFF, (stored >> 8) & 0xFF, (stored >> 16) & 0xFF);
}

void GdiCanvas::Plot(int x, int y, QColor c) {
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
        image_.setPixelColor(x, y, c);
}

void GdiCanvas::FillAll() {
    image_.fill(brush_);
}

void GdiCanvas::LineTo(int x1, int y1) {
    int x = pos_.x(), y = pos_.y();
    const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    int err = dx + dy;
    while (x != x1 || y != y1) { // the end pixel is left out
        Plot(x, y, pen_);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    pos_ = {x1, y1};
}

void GdiCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    for (int y = y1 + 1; y < y2 - 1; ++y)
        for (int x = x1 + 1; x < x2 - 1; ++x) {
            if (brushStyle_ == Brush::Solid)
                Plot(x, y, brush_);
            else if (((x - y) & 7) == 0) // hatch lines run down to the right
                Plot(x, y, brush_);
        }
    for (int x = x1; x < x2; ++x) {
        Plot(x, y1, pen_);
        Plot(x, y2 - 1, pen_);
    }
    for (int y = y1; y < y2; ++y) {
        Plot(x1, y, pen_);
        Plot(x2 - 1, y, pen_);
    }
}

void GdiCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    QPainter p(&image_);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(pen_, 0));
    p.setBrush(brushStyle_ == Brush::Solid ? QBrush(brush_) : QBrush(brush_, Qt::FDiagPattern));
    p.drawEllipse(QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1));
}

void GdiCanvas::TextOut(int x, int y, const QString& text) {
    QPainter p(&image_);
    p.setFont(font_);
    const QFontMetrics fm(font_);
    const QRect cell(x, y, fm.horizontalAdvance(text), fm.height());
    if (brushStyle_ == Brush::Solid)
        p.fillRect(cell, brush_);
    p.setPen(Qt::black);
    p.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

} // namespace tonmark
