#pragma once
// The general error handler: an error that escapes an event handler is shown
// in a message box with its text, and the program goes on.
#include <QApplication>
#include <functional>
#include <string>

namespace tonmark {

class TonmarkApplication : public QApplication {
  public:
    TonmarkApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the message box of the general error handler once the current event
// is over (so never from inside a paint).
void ReportError(const std::string& text);
// Where ReportError's texts go; tests replace it. Default: a message box.
void SetErrorSink(std::function<void(const std::string&)> sink);
// Runs a handler and reports what escapes it.
void GuardedCall(const std::function<void()>& handler);

} // namespace tonmark
