#include "ui/gdi_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
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

namespace {

// Lines whose ends lie within this many pixels around the image are walked
// pixel for pixel from their true ends; longer ones are first cut to that
// margin, so no value in a file can make a line take unbounded time.
constexpr int64_t kWalkMargin = 4096;

// Liang-Barsky: cuts the segment to [lo, hi] on both axes. False when nothing
// of it lies inside.
bool Clip(double& x0, double& y0, double& x1, double& y1, double loX, double loY, double hiX,
          double hiY) {
    double t0 = 0, t1 = 1;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double sx = x0, sy = y0;
    x0 = sx + t0 * dx;
    y0 = sy + t0 * dy;
    x1 = sx + t1 * dx;
    y1 = sy + t1 * dy;
    return true;
}

} // namespace

void GdiCanvas::LineTo(int xEnd, int yEnd) {
    int64_t x = pos_.x(), y = pos_.y(), x1 = xEnd, y1 = yEnd;
    pos_ = {xEnd, yEnd};
    const int64_t loX = -kWalkMargin, loY = -kWalkMargin;
    const int64_t hiX = image_.width() + kWalkMargin, hiY = image_.height() + kWalkMargin;
    auto inside = [&](int64_t px, int64_t py) {
        return px >= loX && px <= hiX && py >= loY && py <= hiY;
    };
    if (!inside(x, y) || !inside(x1, y1)) {
        double cx0 = static_cast<double>(x), cy0 = static_cast<double>(y);
        double cx1 = static_cast<double>(x1), cy1 = static_cast<double>(y1);
        if (!Clip(cx0, cy0, cx1, cy1, static_cast<double>(loX), static_cast<double>(loY),
                  static_cast<double>(hiX), static_cast<double>(hiY)))
            return;
        // The true end pixel is left out; a cut end lies outside the image
        // anyway, so drawing up to it changes nothing that can be seen.
        x = std::llround(cx0);
        y = std::llround(cy0);
        x1 = std::llround(cx1);
        y1 = std::llround(cy1);
    }
    const int64_t dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    const int64_t sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    int64_t err = dx + dy;
    while (x != x1 || y != y1) { // the end pixel is left out
        Plot(static_cast<int>(x), static_cast<int>(y), pen_);
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void GdiCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    // Loops run over the visible part only; the edges stay where they are.
    const int w = image_.width(), h = image_.height();
    const int fillX0 = std::max(x1 + 1, 0), fillX1 = std::min(x2 - 1, w);
    const int fillY0 = std::max(y1 + 1, 0), fillY1 = std::min(y2 - 1, h);
    for (int y = fillY0; y < fillY1; ++y)
        for (int x = fillX0; x < fillX1; ++x) {
            if (brushStyle_ == Brush::Solid)
                Plot(x, y, brush_);
            else if (((x - y) & 7) == 0) // hatch lines run down to the right
                Plot(x, y, brush_);
        }
    for (int x = std::max(x1, 0); x < std::min(x2, w); ++x) {
        Plot(x, y1, pen_);
        Plot(x, y2 - 1, pen_);
    }
    for (int y = std::max(y1, 0); y < std::min(y2, h); ++y) {
        Plot(x1, y, pen_);
        Plot(x2 - 1, y, pen_);
    }
}

void GdiCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1)
        return;
    // Nothing of it can show, and its size might not fit an int.
    if (x2 <= 0 || y2 <= 0 || x1 >= image_.width() || y1 >= image_.height() ||
        static_cast<int64_t>(x2) - x1 > 1 << 24 || static_cast<int64_t>(y2) - y1 > 1 << 24)
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
