#include "ui/screen_saver_hold.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

namespace tonmark {

namespace {
QDBusInterface* Service() {
    static QDBusInterface* iface = [] {
        auto* i = new QDBusInterface(QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QStringLiteral("/org/freedesktop/ScreenSaver"),
                                     QStringLiteral("org.freedesktop.ScreenSaver"),
                                     QDBusConnection::sessionBus());
        return i;
    }();
    return iface->isValid() ? iface : nullptr;
}
} // namespace

ScreenSaverHold::ScreenSaverHold(std::function<bool()> wanted, QObject* parent)
    : QObject(parent), wanted_(std::move(wanted)) {
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
