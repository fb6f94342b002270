#include "ui/error_handler.h"

#include <QMessageBox>
#include <QTimer>

namespace tonmark {

ErrorReporter::ErrorReporter()
    : sink_([](const std::string& text) {
          QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Tonmark"),
                                QString::fromStdString(text));
      }) {}

void ErrorReporter::Report(const std::string& text) const {
    sink_(text);
}

void ErrorReporter::ReportLater(const std::string& text) const {
    QTimer::singleShot(0, context_.get(), [this, text] { Report(text); });
}

void ErrorReporter::Guarded(const std::function<void()>& handler) const {
    try {
        handler();
    } catch (const std::exception& e) {
        Report(e.what());
    }
}

TonmarkApplication::TonmarkApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TonmarkApplication::notify(QObject* receiver, QEvent* event) {
    const ErrorReporter& errors = reporter_ ? *reporter_ : fallback_;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        errors.ReportLater(e.what());
    } catch (...) {
        errors.ReportLater("An unexpected error occurred.");
    }
    return false;
}

} // namespace tonmark
