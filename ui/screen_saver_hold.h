#pragma once
// Keeps the screen saver off while no stop of a test has been asked for and
// "Disable screensaver during test" is set, through the desktop's
// org.freedesktop.ScreenSaver service. Without a session bus it does nothing.
#include <QObject>
#include <QTimer>
#include <functional>

namespace tonmark {

class ScreenSaverHold : public QObject {
  public:
    // wanted is asked once a second.
    explicit ScreenSaverHold(std::function<bool()> wanted, QObject* parent = nullptr);
    ~ScreenSaverHold() override;
    void Sync();

  private:
    std::function<bool()> wanted_;
    QTimer timer_;
    uint cookie_ = 0;
    bool held_ = false;
};

} // namespace tonmark
