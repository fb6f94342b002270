// Draws the program's icon from the product picture: the whole picture on a
// square of its own background colour, 256 x 256 pixels. Run by the build; writes the PNG named on
// the command line.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>

#include "ui/product_picture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUT.png\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QImage picture = tonmark::ProductPicture(480, 291).toImage();
    QImage icon(256, 256, QImage::Format_ARGB32);
    icon.fill(picture.pixelColor(0, 0));
    const QImage scaled = picture.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter p(&icon);
    p.drawImage((256 - scaled.width()) / 2, (256 - scaled.height()) / 2, scaled);
    p.end();
    return icon.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
