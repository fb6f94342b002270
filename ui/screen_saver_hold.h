#pragma once
// Keeps the screen saver off while no stop of a test has been asked for and
// "Disable screensaver during test" is set, through the desktop's
// org.freedesktop.ScreenSaver service. Without a session bus it does nothing.
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QDBusInterface;

namespace tonmark {

class ScreenSaverHold : public QObject {
  public:
    // wanted is asked once a second.
    explicit ScreenSaverHold(std::function<bool()> wanted, QObject* parent = nullptr);
    ~ScreenSaverHold() override;
    void Sync();

  private:
    // The service, or null without a session bus or screen saver.
    QDBusInterface* Service() const;

    std::function<bool()> wanted_;
    std::unique_ptr<QDBusInterface> service_;
    QTimer timer_;
    uint cookie_ = 0;
    bool held_ = false;
};

} // namespace tonmark
