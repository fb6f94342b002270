#pragma once
// The CTRL key as the response button from whichever of the program's windows
// has the keyboard focus. A click on the greyed main window during a test run
// makes the window manager give it the keyboard; without this the subject's
// presses would land there and the run would go on rising as if nothing was
// heard.
//
// Threading: user-interface thread. Ownership: the test window owns it and
// must outlive it.
#include <QObject>

namespace tonmark {

class TfrmTest;

class ResponseKeyFilter final : public QObject {
  public:
    explicit ResponseKeyFilter(TfrmTest& test) : test_(test) {}
    ~ResponseKeyFilter() override;
    ResponseKeyFilter(const ResponseKeyFilter&) = delete;
    ResponseKeyFilter& operator=(const ResponseKeyFilter&) = delete;

    // On the application while active: the test window turns it on when it
    // is shown and off when it is hidden, so that between runs the key means
    // nothing.
    void SetActive(bool active);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    TfrmTest& test_;
    bool active_ = false;
};

} // namespace tonmark
