#include "ui/error_handler.h"

#include <QMessageBox>
#include <QTimer>

namespace tonmark {

namespace {
std::function<void(const std::string&)>& Sink() {
    static std::function<void(const std::string&)> sink = [](const std::string& text) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Tonmark"),
                              QString::fromStdString(text));
    };
    return sink;
}
} // namespace

void SetErrorSink(std::function<void(const std::string&)> sink) {
    Sink() = std::move(sink);
}

void ReportError(const std::string& text) {
    QTimer::singleShot(0, [text] { Sink()(text); });
}

void GuardedCall(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Sink()(e.what());
    }
}

TonmarkApplication::TonmarkApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TonmarkApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("An unexpected error occurred.");
    }
    return false;
}

} // namespace tonmark
