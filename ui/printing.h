#pragma once
// Printing a window's picture: its client area with every child widget
// painted into it, on one page, at the physical size the window has on the
// screen, or scaled down to the printable area when it would not fit.
//
// Errors: throws TonmarkError when the print job cannot be started or the
// page not drawn; the caller restores what it changed for the print.
#include <QPrinter>
#include <QWidget>
#include <string>

#include "ui/program.h"

namespace tonmark {

// The printer choice of the run: the setup dialog's printer, paper and
// orientation hold until the program ends; nothing is stored.
class PrinterSetup {
  public:
    virtual ~PrinterSetup() = default;
    // Shows the printer setup dialog for printer; false when cancelled.
    virtual bool Setup(QPrinter& printer, QWidget* parent) = 0;
};

// The platform's print dialog (Qt's, with "Print to File (PDF)").
class QtPrinterSetup final : public PrinterSetup {
  public:
    bool Setup(QPrinter& printer, QWidget* parent) override;
};

// Size on paper of a picture of pictureSize screen pixels at screenDpi:
// physical size, or the largest proportional size within printable
// (in printer pixels) when it does not fit.
QSizeF PrintedSize(QSize pictureSize, QPointF screenDpi, QPointF printerDpi, QSizeF printable);

void PrintWindowPicture(QWidget& window, QPrinter& printer);

// "name.pdf" -> "name-2.pdf", or the next number not taken in its folder
// ("name-2.pdf" -> "name-3.pdf").
std::string FreshPrintFileName(const std::string& path);

// A print that shows no printer dialog (the results window's) must not
// silently replace an earlier printout when the printer is a file. When the
// printer's output file exists, asks for the file name with a fresh one
// proposed (the proposal itself without a dialogs object) and points the
// printer at the answer. false when the user cancelled: print nothing. A
// real printer, or a file not yet there, is left as it is.
bool KeepEarlierPrintout(QPrinter& printer, FileDialogs* files);

} // namespace tonmark
