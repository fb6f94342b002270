#include "ui/printing.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QRegularExpression>

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

std::string FreshPrintFileName(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    int n = 2;
    // A name that already ends in a number counts on from it.
    static const QRegularExpression numbered(QStringLiteral("^(.*)-(\\d{1,6})$"));
    if (const auto m = numbered.match(base); m.hasMatch()) {
        base = m.captured(1);
        n = m.captured(2).toInt() + 1;
    }
    for (;; ++n) {
        const QString candidate = info.dir().filePath(base + "-" + QString::number(n) + suffix);
        if (!QFileInfo::exists(candidate))
            return candidate.toStdString();
    }
}

bool KeepEarlierPrintout(QPrinter& printer, FileDialogs* files) {
    const QString current = printer.outputFileName();
    if (current.isEmpty() || !QFileInfo::exists(current))
        return true;
    const std::string fresh = FreshPrintFileName(current.toStdString());
    std::string chosen = fresh;
    if (files) {
        const auto choice = files->SaveFile(
            "Print to File", "PDF|*.pdf", QFileInfo(current).absolutePath().toStdString(),
            QFileInfo(QString::fromStdString(fresh)).fileName().toStdString(), "pdf");
        if (!choice)
            return false;
        chosen = choice->name;
    }
    printer.setOutputFileName(QString::fromStdString(chosen));
    return true;
}

} // namespace tonmark
