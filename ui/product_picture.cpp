#include "ui/product_picture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tonmark {

QPixmap ProductPicture(int width, int height) {
    QPixmap pm(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(20, 60, 110));
    sky.setColorAt(1, QColor(10, 110, 120));
    p.fillRect(pm.rect(), sky);
    // A faint dB grid and two ears' threshold lines.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int y = 40; y < height - 30; y += 24)
        p.drawLine(30, y, width - 30, y);
    const int xs[] = {60, 120, 180, 240, 300, 360, 420};
    const int left[] = {90, 96, 100, 110, 130, 150, 170};
    const int right[] = {80, 84, 96, 104, 118, 140, 160};
    for (int ear = 0; ear < 2; ++ear) {
        QPainterPath path;
        const int* ys = ear ? right : left;
        path.moveTo(xs[0], ys[0]);
        for (int i = 1; i < 7; ++i)
            path.lineTo(xs[i], ys[i]);
        p.setPen(QPen(ear ? QColor(255, 120, 120) : QColor(140, 180, 255), 3));
        p.drawPath(path);
        for (int i = 0; i < 7; ++i) {
            if (ear)
                p.drawEllipse(QPoint(xs[i], ys[i]), 5, 5);
            else {
                p.drawLine(xs[i] - 5, ys[i] - 5, xs[i] + 5, ys[i] + 5);
                p.drawLine(xs[i] + 5, ys[i] - 5, xs[i] - 5, ys[i] + 5);
            }
        }
    }
    QFont f(QStringLiteral("Sans Serif"));
    f.setPixelSize(54);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(250, 250, 250));
    p.drawText(QRect(0, height - 110, width, 64), Qt::AlignCenter, QStringLiteral("Tonmark"));
    f.setPixelSize(16);
    f.setBold(false);
    p.setFont(f);
    p.drawText(QRect(0, height - 48, width, 24), Qt::AlignCenter,
               QStringLiteral("Pure-tone audiometry on your computer"));
    return pm;
}

} // namespace tonmark
