#pragma once
// A person's keys and clicks through the X server (the XTest extension), for
// tests on a real display. Kept apart from the X headers, whose macros clash
// with Qt's.
namespace tonmark::test {

// An own connection to $DISPLAY; null when there is none.
void* OpenXInput();
void CloseXInput(void* x);
// Presses or releases the left CTRL key.
void XCtrl(void* x, bool down);
// Moves the pointer to the screen position and clicks the left button.
void XClickAt(void* x, int screenX, int screenY);
// Presses and releases a key, given as its X key symbol (XK_Return is
// 0xff0d, XK_Escape 0xff1b).
void XTapKey(void* x, unsigned long keysym);

} // namespace tonmark::test
