#include "ui/response_key_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include "ui/run_window.h"

namespace tonmark {

ResponseKeyFilter::~ResponseKeyFilter() {
    SetActive(false);
}

void ResponseKeyFilter::SetActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return; // the application has gone, and its filters with it
    if (active)
        app->installEventFilter(this);
    else
        app->removeEventFilter(this);
}

bool ResponseKeyFilter::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // Only at the top-level window: the window system hands each key to one
    // window once, which passes it on to its focus widget and from there up
    // the parents that ignore it, and an application filter sees every one
    // of those deliveries. The test window's own keys are its handlers'.
    if (!watched->isWindowType() || watched == test_.windowHandle())
        return false;
    const auto* key = static_cast<const QKeyEvent*>(e);
    if (type == QEvent::KeyPress)
        test_.FormKeyDown(key->key(), key->modifiers());
    else
        test_.FormKeyUp();
    // The window goes on with the key as it would without a run.
    return false;
}

} // namespace tonmark
