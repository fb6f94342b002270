#include "ui/splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "ui/product_picture.h"

namespace tonmark {

TfrmSplash::TfrmSplash()
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
    setFixedSize(480, 291);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TfrmSplash::SetAlpha(int alpha) {
    alphaSteps.push_back(alpha);
    setWindowOpacity(alpha / 255.0);
}

int TfrmSplash::Run(const std::function<void(int)>& sleepMs,
                    const std::function<void()>& processMessages) {
    SetAlpha(16);
    show();
    for (int i = 1; i <= 15; ++i) {
        SetAlpha(16 * i);
        sleepMs(20);
        processMessages();
    }
    repaint();
    int passes = 0;
    do {
        ++passes;
        sleepMs(50);
        processMessages();
    } while (!clicked_ && passes < 7);
    for (int i = 1; i <= 15; ++i) {
        SetAlpha(256 - 16 * i); // never 255: the window stays a blended one
        sleepMs(20);
        processMessages();
    }
    hide();
    return passes;
}

void TfrmSplash::mousePressEvent(QMouseEvent*) {
    clicked_ = true;
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, ProductPicture(width(), height()));
}

} // namespace tonmark
