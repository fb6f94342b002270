// The help viewer and the program's modal boxes on a real X server under a
// real window manager, with the real dialogs and help, and a person's clicks
// and keys sent through the X server (XTest). Runs under
// tests/ui/with_x_session.sh, which provides the display and the window
// manager.
#include <X11/keysym.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/atomic_file.h"
#include "core/run_commands.h"
#include "support/shell.h"
#include "support/x_input.h"
#include "ui/help_viewer.h"
#include "ui/qt_dialogs.h"
#include "ui/settings_messages.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

// Processes events until done() holds or ten seconds have passed; returns
// done(). The window manager answers in its own time.
bool EventsUntil(const std::function<bool()>& done, int ms = 10000) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    return done();
}

// The X window the window manager calls active; 0 when it names none.
unsigned long ActiveXWindow() {
    return std::strtoul(Shell("xdotool getactivewindow 2>/dev/null").c_str(), nullptr, 10);
}

// Shown, and active for Qt and for the window manager: it has the keys.
bool HasTheKeys(QWidget& w) {
    return w.isVisible() && QApplication::activeWindow() == &w &&
           ActiveXWindow() == static_cast<unsigned long>(w.winId());
}

// The message box that is open with this text, if any.
QMessageBox* OpenBox(const char* text) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w))
            if (box->isVisible() && box->text() == QString::fromUtf8(text))
                return box;
    return nullptr;
}

class HelpUnderWm : public UiFixture {
  protected:
    HelpUnderWm() : help(TONMARK_HELP_DIR), realDialogs(&help), x(OpenXInput()) {
        program.dialogs = &realDialogs;
    }
    ~HelpUnderWm() override {
        windows.reset(); // before the help and the dialogs they use
        CloseXInput(x);
    }

    void ClickCentreOf(QWidget& w) {
        const QPoint p = w.mapToGlobal(w.rect().center());
        XClickAt(x, p.x(), p.y());
    }
    // The close box in the title bar the window manager puts on a window, at
    // its right end; the frame's size as the window manager gives it (Qt
    // forgets it when a window is shown again).
    void ClickCloseBox(QWidget& window) {
        int left = 0, right = 0, top = 0, bottom = 0;
        EXPECT_TRUE(EventsUntil([&] {
            const std::string extents =
                Shell("xprop -id " + std::to_string(window.winId()) + " _NET_FRAME_EXTENTS");
            const auto equals = extents.find('=');
            return equals != std::string::npos &&
                   std::sscanf(extents.c_str() + equals + 1, "%d, %d, %d, %d", &left, &right, &top,
                               &bottom) == 4 &&
                   top > 0;
        })) << "the window has no title bar";
        const QRect inside = window.geometry();
        XClickAt(x, inside.right() + right - top / 2 - 1, inside.top() - top / 2);
    }
    // A link of the topic on screen to another topic; false when there is none.
    bool ClickALink() {
        auto* browser = help.findChild<QTextBrowser*>();
        for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                const QString href = f.charFormat().anchorHref();
                if (!f.charFormat().isAnchor() || href.isEmpty() || href == help.CurrentTopic())
                    continue;
                QTextCursor c(browser->document());
                c.setPosition(f.position() + f.length() / 2);
                const QRect r = browser->cursorRect(c);
                if (!browser->viewport()->rect().contains(r.center()))
                    continue;
                const QPoint p = browser->viewport()->mapToGlobal(r.center());
                XClickAt(x, p.x(), p.y());
                return true;
            }
        return false;
    }
    QUrl Topic() { return help.findChild<QTextBrowser*>()->source(); }

    HelpViewer help;
    QtDialogs realDialogs;
    void* x;
};

// A step of what a person does while the program waits in a box: when its
// condition holds, its action runs, then the next step waits for its own.
struct Step {
    const char* what;
    std::function<bool()> ready;
    std::function<void()> act;
};

// Runs the steps from a timer, inside whatever modal loop the program is
// in. A step that is not ready within ten seconds ends the script, and a box
// still open ten seconds after the last step is left open: what the program
// still asks is then answered as its close box would, so that the test ends.
class Person : public QObject {
  public:
    explicit Person(std::vector<Step> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        timer_.start(20);
        deadline_ = QDeadlineTimer(10000);
    }
    bool Done() const { return next_ == steps_.size(); }
    bool GaveUp() const { return gaveUp_; }
    bool LeftOpen() const { return leftOpen_; }
    std::string Stuck() const { return Done() ? "" : steps_[next_].what; }

  private:
    void Tick() {
        if (!Done() && !gaveUp_ && steps_[next_].ready()) {
            steps_[next_].act();
            ++next_;
            deadline_ = QDeadlineTimer(10000);
            return;
        }
        if (!deadline_.hasExpired())
            return;
        QWidget* modal = QApplication::activeModalWidget();
        gaveUp_ = gaveUp_ || !Done();
        leftOpen_ = leftOpen_ || (Done() && modal);
        if (modal)
            modal->close();
    }
    std::vector<Step> steps_;
    size_t next_ = 0;
    bool gaveUp_ = false;
    bool leftOpen_ = false;
    QTimer timer_;
    QDeadlineTimer deadline_;
};

// The first start: Yes to the introduction opens the help over nothing that
// waits; its link and close box work; then the hardware box comes on top
// with the keys, and then the settings dialog.
TEST_F(HelpUnderWm, TheFirstStartsIntroductionComesBeforeTheNextBox) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(storePath, bytes).Done());
    bytes.replace(bytes.find("\"FirstRun\": 0"), 13, "\"FirstRun\": 1");
    WriteStore(bytes);
    QUrl introduction, linked;
    bool checkWaited = false;
    Person person({
        {"the introduction question has the keys",
         [] {
             QMessageBox* q = OpenBox(kMsgFirstRunIntro);
             return q && HasTheKeys(*q);
         },
         [&] { ClickCentreOf(*OpenBox(kMsgFirstRunIntro)->button(QMessageBox::Yes)); }},
        {"the help has the keys", [&] { return HasTheKeys(help); },
         [&] {
             introduction = Topic();
             checkWaited = OpenBox(kMsgFirstRunCheck) == nullptr;
             ASSERT_TRUE(ClickALink()) << "no link on screen";
         }},
        {"the link was followed", [&] { return Topic() != introduction; },
         [&] {
             linked = Topic();
             ClickCloseBox(help);
         }},
        {"the hardware box has the keys",
         [] {
             QMessageBox* box = OpenBox(kMsgFirstRunCheck);
             return box && HasTheKeys(*box);
         },
         [&] { XTapKey(x, XK_Return); }},
        {"Return answered the hardware box", [] { return !OpenBox(kMsgFirstRunCheck); }, [] {}},
    });
    Start();
    EXPECT_TRUE(EventsUntil([&] { return person.Done() || person.GaveUp(); }, 60000));
    EXPECT_TRUE(person.Done()) << "stuck at: " << person.Stuck();
    EXPECT_TRUE(checkWaited) << "the next box opened while the help was up";
    EXPECT_TRUE(introduction.toString().endsWith("introduction.html"))
        << introduction.toString().toStdString();
    EXPECT_NE(linked, introduction);
    EXPECT_FALSE(help.isVisible());
    EXPECT_TRUE(EventsUntil([&] { return HasTheKeys(*settings); }))
        << "the settings dialog is not the active window";
}

// Help asked for from a box that stays open: the help comes above the box and
// works; once it is closed the box has the keys again.
TEST_F(HelpUnderWm, HelpFromAnOpenBoxWorksAboveIt) {
    Start();
    const char* question = "Do you want help with this?";
    QUrl first;
    Person person({
        {"the question has the keys",
         [&] {
             QMessageBox* q = OpenBox(question);
             return q && HasTheKeys(*q);
         },
         [&] { ClickCentreOf(*OpenBox(question)->button(QMessageBox::Help)); }},
        {"the help has the keys", [&] { return HasTheKeys(help); },
         [&] {
             first = Topic();
             ASSERT_TRUE(ClickALink()) << "no link on screen";
         }},
        {"the link was followed", [&] { return Topic() != first; }, [&] { ClickCloseBox(help); }},
        {"the question has the keys again",
         [&] {
             QMessageBox* q = OpenBox(question);
             return !help.isVisible() && q && HasTheKeys(*q);
         },
         [&] { XTapKey(x, XK_Escape); }},
    });
    realDialogs.AskConfirmation(question, kHelpIntroduction);
    EXPECT_TRUE(person.Done()) << "stuck at: " << person.Stuck();
    EXPECT_FALSE(person.LeftOpen()) << "Escape did not answer the question";
}

// A box that opens while the help is up is not hidden under it: the user
// reads the help, goes back to the main window and gives a command that
// asks; the box has the keys and its button takes a click where the help
// was. The help comes back afterwards and its close box works.
TEST_F(HelpUnderWm, ABoxOpenedWhileTheHelpIsUpComesFirst) {
    Start();
    realDialogs.ShowHelpTopic(1);
    ASSERT_TRUE(EventsUntil([&] { return HasTheKeys(help); }));
    // The help over the middle of the main window, where the box opens.
    help.move(main->frameGeometry().center() - help.rect().center());
    ASSERT_TRUE(
        EventsUntil([&] { return help.frameGeometry().contains(main->frameGeometry().center()); }));
    const QPoint beside = main->mapToGlobal(QPoint(30, 60));
    ASSERT_FALSE(help.frameGeometry().contains(beside));
    XClickAt(x, beside.x(), beside.y());
    ASSERT_TRUE(EventsUntil([&] { return HasTheKeys(*main); }));
    ASSERT_TRUE(help.isVisible());
    Person person({
        {"the calibration question has the keys",
         [&] {
             QMessageBox* box = OpenBox(kMsgNeedCalibration);
             return box && HasTheKeys(*box);
         },
         [&] { ClickCentreOf(*OpenBox(kMsgNeedCalibration)->button(QMessageBox::No)); }},
        {"the click answered the question", [] { return !OpenBox(kMsgNeedCalibration); }, [] {}},
    });
    XTapKey(x, XK_F5); // New Test, without a calibration
    EXPECT_TRUE(EventsUntil([&] { return person.Done() || person.GaveUp(); }, 60000));
    EXPECT_TRUE(person.Done()) << "stuck at: " << person.Stuck();
    EXPECT_TRUE(EventsUntil([&] { return help.isVisible(); })) << "the help did not come back";
    ASSERT_TRUE(EventsUntil([&] { return help.windowHandle()->isExposed(); }));
    ClickCloseBox(help);
    EXPECT_TRUE(EventsUntil([&] { return !help.isVisible(); })) << "the close box did nothing";
}

} // namespace
} // namespace tonmark::test

int main(int argc, char** argv) {
    // The real X server of with_x_session.sh, whatever the caller's platform.
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "help_under_wm: no DISPLAY; run it under with_x_session.sh\n");
        return 1;
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
