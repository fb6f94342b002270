#pragma once
// The fading splash screen shown while the program starts.
#include <QWidget>
#include <functional>

namespace tonmark {

class TfrmSplash : public QWidget {
  public:
    TfrmSplash();
    bool Clicked() const { return clicked_; }

    // Fades in over 15 steps of 20 ms, waits up to seven passes of 50 ms
    // (fewer once clicked), fades out. sleepMs and processMessages are
    // the waits, so that tests can run it without time passing. Returns the
    // number of wait passes made.
    int Run(const std::function<void(int)>& sleepMs, const std::function<void()>& processMessages);
    // The opacity steps applied, for tests.
    std::vector<int> alphaSteps;

  protected:
    void mousePressEvent(QMouseEvent*) override;
    void paintEvent(QPaintEvent*) override;

  private:
    void SetAlpha(int alpha);
    bool clicked_ = false;
};

} // namespace tonmark
