#pragma once
// New Test and Retest go on from the event loop after their menu command
// returned: a test that starts one processes events until it is over.
#include <QApplication>
#include <QDeadlineTimer>

#include "ui/main_window.h"

namespace tonmark::test {

// Processes events until the main window's test command is over, at most
// `seconds`; returns whether it ended.
inline bool RunEnds(const TfrmMain& main, int seconds = 900) {
    const QDeadlineTimer deadline(seconds * 1000LL);
    while (main.TestRunning() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return !main.TestRunning();
}

} // namespace tonmark::test
