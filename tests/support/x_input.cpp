#include "support/x_input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace tonmark::test {

void* OpenXInput() {
    return XOpenDisplay(nullptr);
}

void CloseXInput(void* x) {
    if (x)
        XCloseDisplay(static_cast<Display*>(x));
}

void XCtrl(void* x, bool down) {
    auto* d = static_cast<Display*>(x);
    if (!d)
        return;
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, XK_Control_L), down ? True : False, 0);
    XFlush(d);
}

void XTapKey(void* x, unsigned long keysym) {
    auto* d = static_cast<Display*>(x);
    if (!d)
        return;
    const KeyCode code = XKeysymToKeycode(d, static_cast<KeySym>(keysym));
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 0);
    XFlush(d);
}

void XClickAt(void* x, int screenX, int screenY) {
    auto* d = static_cast<Display*>(x);
    if (!d)
        return;
    XTestFakeMotionEvent(d, -1, screenX, screenY, 0);
    XTestFakeButtonEvent(d, 1, True, 0);
    XTestFakeButtonEvent(d, 1, False, 0);
    XFlush(d);
}

} // namespace tonmark::test
