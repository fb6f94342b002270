// The keyboard during a test run on a real X server under a real window
// manager: the windows of the program as it creates them, a run's display as
// QtTestRunServices makes it, and the subject's clicks and keys sent through
// the X server with xdotool. Runs under tests/ui/with_x_session.sh, which
// provides the display and the window manager.
#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QWindow>
#include <cstdlib>
#include <functional>
#include <string>

#include "support/shell.h"
#include "ui/run_services_qt.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

// Processes events until done() holds or ten seconds have passed; returns
// done(). The window manager answers in its own time.
bool EventsUntil(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    return done();
}

bool Xdotool(const std::string& args) {
    return std::system(("xdotool " + args).c_str()) == 0;
}

// The X window the window manager calls active; 0 when it names none.
unsigned long ActiveXWindow() {
    return std::strtoul(Shell("xdotool getactivewindow 2>/dev/null").c_str(), nullptr, 10);
}

unsigned long XWindow(const QWidget& w) {
    return static_cast<unsigned long>(w.winId());
}

// Counts the activations of a window, however short.
class ActivationSpy final : public QObject {
  public:
    explicit ActivationSpy(QWidget& w) : w_(w) { w_.installEventFilter(this); }
    ~ActivationSpy() override { w_.removeEventFilter(this); }
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        count += e->type() == QEvent::WindowActivate;
        return false;
    }

  private:
    QWidget& w_;
};

class FocusUnderWm : public UiFixture {
  protected:
    FocusUnderWm() {
        Start();
        test = windows->test.get();
        program.settings.SetCtrl(true); // the key, not the controller, answers
    }
    ~FocusUnderWm() override {
        // The X server keeps a key down until it is told otherwise.
        if (!Xdotool("keyup ctrl"))
            ADD_FAILURE() << "xdotool keyup ctrl failed";
    }

    // Active for Qt and for the window manager.
    static bool Active(QWidget& w) {
        return QApplication::activeWindow() == &w && ActiveXWindow() == XWindow(w);
    }

    // A run's display as the run begins it, with the test window active.
    void BeginRun(QtTestRunServices& services) {
        ASSERT_TRUE(EventsUntil([&] { return main->windowHandle()->isExposed(); }));
        services.BeginTestRun(false); // CTRL answers
        ASSERT_TRUE(EventsUntil([&] { return Active(*test); }))
            << "the test window never became active";
    }

    // A real click of the left button on w, at a point of it that the test
    // window, always on top, does not cover.
    void ClickBesideTestWindow(QWidget& w) {
        const QRect covered = test->frameGeometry().adjusted(-10, -10, 10, 10);
        const int x1 = 20, y1 = 40, x2 = w.width() - 20, y2 = w.height() - 20;
        for (const QPoint p : {QPoint(x1, y2), QPoint(x2, y2), QPoint(x1, y1), QPoint(x2, y1),
                               QPoint(w.width() / 2, w.height() / 2)}) {
            if (covered.contains(w.mapToGlobal(p)))
                continue;
            ASSERT_TRUE(Xdotool("mousemove --sync --window " + std::to_string(XWindow(w)) + " " +
                                std::to_string(p.x()) + " " + std::to_string(p.y()) + " click 1"));
            return;
        }
        FAIL() << "the test window covers the whole window to click";
    }

    TfrmTest* test = nullptr;
};

TEST_F(FocusUnderWm, CtrlReachesTheRunAfterAClickOnTheGreyedMainWindow) {
    QtTestRunServices services(program, *main, *test, [] {});
    BeginRun(services);
    ASSERT_FALSE(main->isEnabled());
    ActivationSpy mainActivations(*main);
    ClickBesideTestWindow(*main);
    // The window manager gives the greyed window the keyboard.
    ASSERT_TRUE(EventsUntil([&] { return mainActivations.count > 0; }))
        << "the click did not reach the main window";

    bool& pressed = program.state.ResponsePressed;
    ASSERT_FALSE(pressed);
    ASSERT_TRUE(Xdotool("keydown ctrl"));
    EXPECT_TRUE(EventsUntil([&] { return pressed; })) << "the subject's CTRL was lost";
    EXPECT_TRUE(EventsUntil([&] { return Active(*test); }))
        << "active: X window " << ActiveXWindow() << "; main window " << XWindow(*main);
    ASSERT_TRUE(Xdotool("keyup ctrl"));
    EXPECT_TRUE(EventsUntil([&] { return !pressed; }));
    services.EndTestRun();
}

TEST_F(FocusUnderWm, CtrlCountsInAnotherWindowUntilTheNextSlotTakesTheKeyboardBack) {
    QtTestRunServices services(program, *main, *test, [] {});
    BeginRun(services);
    // Another window of the program, as the help viewer is, clicked during
    // the run.
    QWidget other;
    other.setWindowTitle(QStringLiteral("Another window"));
    other.resize(400, 300);
    other.show();
    ASSERT_TRUE(EventsUntil([&] { return other.windowHandle()->isExposed(); }));
    ClickBesideTestWindow(other);
    ASSERT_TRUE(EventsUntil([&] { return Active(other); }))
        << "the click did not activate the other window";
    // Nothing gives the test window the keyboard back before the next slot:
    // CTRL counts where it is.
    bool& pressed = program.state.ResponsePressed;
    ASSERT_TRUE(Xdotool("keydown ctrl"));
    EXPECT_TRUE(EventsUntil([&] { return pressed; })) << "the subject's CTRL was lost";
    ASSERT_TRUE(Xdotool("keyup ctrl"));
    EXPECT_TRUE(EventsUntil([&] { return !pressed; }));
    services.ShowTestWindow();
    EXPECT_TRUE(EventsUntil([&] { return Active(*test); }))
        << "active: X window " << ActiveXWindow() << "; the other window " << XWindow(other);
    services.EndTestRun();
}

} // namespace
} // namespace tonmark::test

int main(int argc, char** argv) {
    // The real X server of with_x_session.sh, whatever the caller's platform.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "focus_under_wm: no DISPLAY; run it under with_x_session.sh\n");
        return 1;
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
