#pragma once
// The general error handler: an error that escapes an event handler is shown
// in a message box with its text, and the program goes on.
//
// Threading: user-interface thread only.
#include <QApplication>
#include <functional>
#include <memory>
#include <string>

namespace tonmark {

// Where the general error handler's texts go. One per program, owned by the
// Program; tests give theirs a sink that records.
class ErrorReporter {
  public:
    using Sink = std::function<void(const std::string&)>;
    // Default: a message box "Tonmark" over the active window.
    ErrorReporter();
    explicit ErrorReporter(Sink sink) : sink_(std::move(sink)) {}
    ErrorReporter(const ErrorReporter&) = delete;
    ErrorReporter& operator=(const ErrorReporter&) = delete;
    void SetSink(Sink sink) { sink_ = std::move(sink); }

    // Shows the text at once.
    void Report(const std::string& text) const;
    // Shows the text once the current event is over (so never from inside a
    // paint); dropped when the reporter is gone by then.
    void ReportLater(const std::string& text) const;
    // Runs a handler and reports what escapes it.
    void Guarded(const std::function<void()>& handler) const;

  private:
    Sink sink_;
    // Ends the delayed reports of a reporter that is destroyed.
    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
};

// The application object: reports what escapes an event handler to its
// reporter (a message box until one is set).
class TonmarkApplication : public QApplication {
  public:
    TonmarkApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // reporter stays the caller's; null goes back to the message box.
    void SetErrorReporter(const ErrorReporter* reporter) { reporter_ = reporter; }

  private:
    const ErrorReporter* reporter_ = nullptr;
    ErrorReporter fallback_;
};

} // namespace tonmark
