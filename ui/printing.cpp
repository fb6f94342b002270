#include "ui/printing.h"

#include <QPainter>
#include <QPrintDialog>

#include "core/errors.h"

namespace tonmark {

bool QtPrinterSetup::Setup(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    return dialog.exec() == QDialog::Accepted;
}

QSizeF PrintedSize(QSize picture, QPointF screenDpi, QPointF printerDpi, QSizeF printable) {
    const QSizeF physical(picture.width() * printerDpi.x() / screenDpi.x(),
                          picture.height() * printerDpi.y() / screenDpi.y());
    if (physical.width() <= printable.width() && physical.height() <= printable.height())
        return physical;
    // Cut off at the page's edge, a portrait page would lose the right part
    // of the audiogram: scale down instead, keeping the proportions.
    return physical.scaled(printable, Qt::KeepAspectRatio);
}

void PrintWindowPicture(QWidget& window, QPrinter& printer) {
    // The client area with the children painted over the window's own
    // drawing; no menu bar, no frame.
    const QPixmap picture = window.grab();
    const QImage image = picture.toImage();
    QPainter painter;
    if (!painter.begin(&printer))
        throw TonmarkError("The printer could not start the print job.");
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QSizeF size =
        PrintedSize(image.size() / picture.devicePixelRatio(),
                    QPointF(window.logicalDpiX(), window.logicalDpiY()),
                    QPointF(printer.logicalDpiX(), printer.logicalDpiY()), page.size());
    // The painter's origin is the printable area's top-left corner.
    painter.drawImage(QRectF(QPointF(0, 0), size), image);
    if (!painter.end())
        throw TonmarkError("The print job failed.");
}

} // namespace tonmark
