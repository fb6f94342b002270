#include "ui/screen_saver_hold.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace tonmark {

ScreenSaverHold::ScreenSaverHold(std::function<bool()> wanted, QObject* parent)
    : QObject(parent), wanted_(std::move(wanted)),
      service_(std::make_unique<QDBusInterface>(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                QStringLiteral("org.freedesktop.ScreenSaver"),
                                                QDBusConnection::sessionBus())) {
    timer_.setInterval(1000);
    connect(&timer_, &QTimer::timeout, this, [this] { Sync(); });
    timer_.start();
    Sync();
}

ScreenSaverHold::~ScreenSaverHold() {
    if (held_)
        if (QDBusInterface* s = Service())
            s->call(QStringLiteral("UnInhibit"), cookie_);
}

QDBusInterface* ScreenSaverHold::Service() const {
    return service_->isValid() ? service_.get() : nullptr;
}

void ScreenSaverHold::Sync() {
    const bool want = wanted_();
    if (want == held_)
        return;
    QDBusInterface* s = Service();
    if (!s)
        return;
    if (want) {
        QDBusReply<uint> reply = s->call(QStringLiteral("Inhibit"), QStringLiteral("Tonmark"),
                                         QStringLiteral("A hearing test is running"));
        if (reply.isValid()) {
            cookie_ = reply.value();
            held_ = true;
        }
    } else {
        s->call(QStringLiteral("UnInhibit"), cookie_);
        held_ = false;
    }
}

} // namespace tonmark
