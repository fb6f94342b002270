#include "app/platform_helpers.h"

#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QStringList>
#include <SDL2/SDL.h>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "storage/settings_store.h"
#include "ui/help_viewer.h"

namespace tonmark {

bool RunsInstalled(const QString& programFolder) {
    return HelpFolderBeside(programFolder) != programFolder + "/help";
}

void SetUpNewUserSettings(const QString& programFolder, const std::string& storePath) {
    if (!RunsInstalled(programFolder))
        return;
    bool created = false;
    (void)CreateInstallationStore(storePath, created);
}

SdlJoystickReader::SdlJoystickReader() {
    // SDL would otherwise take SIGINT and SIGTERM for itself and the program
    // would no longer end on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    ready_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
}

SdlJoystickReader::~SdlJoystickReader() {
    if (joystick_)
        SDL_JoystickClose(static_cast<SDL_Joystick*>(joystick_));
    if (ready_)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool SdlJoystickReader::AnyButtonDown() {
    if (!ready_)
        return false;
    SDL_JoystickUpdate();
    auto* js = static_cast<SDL_Joystick*>(joystick_);
    if (js && !SDL_JoystickGetAttached(js)) {
        SDL_JoystickClose(js);
        joystick_ = js = nullptr;
    }
    if (!js) {
        if (SDL_NumJoysticks() < 1)
            return false;
        joystick_ = js = SDL_JoystickOpen(0);
        if (!js)
            return false;
    }
    const int buttons = SDL_JoystickNumButtons(js);
    for (int b = 0; b < buttons; ++b)
        if (SDL_JoystickGetButton(js, b))
            return true;
    return false;
}

namespace {
int signalPipe[2] = {-1, -1}; // written by the handler, read on the UI thread
// Written by the handler (1) and by the end of the object (0), read by the
// watchdog thread.
int watchdogPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto r = write(signalPipe[1], &byte, 1);
    [[maybe_unused]] const auto w = write(watchdogPipe[1], &byte, 1);
}

// Waits for a signal, then for the program to end within limitMs; a program
// that cannot (its user-interface thread waits for a sound server that does
// not answer) ends here. Nothing is saved on exit, and a save under way
// replaces its file atomically or not at all, so nothing is lost.
void Watchdog(int limitMs) {
    char byte = 0;
    if (read(watchdogPipe[0], &byte, 1) != 1 || byte == 0)
        return;
    pollfd p{watchdogPipe[0], POLLIN, 0};
    for (;;) {
        if (poll(&p, 1, limitMs) <= 0) {
            static const char msg[] = "Tonmark: the program did not close in time; it ends now\n";
            [[maybe_unused]] const auto r = write(STDERR_FILENO, msg, sizeof msg - 1);
            _exit(0);
        }
        if (read(watchdogPipe[0], &byte, 1) != 1 || byte == 0)
            return;
    }
}
} // namespace

CloseOnSignals::CloseOnSignals(std::function<void()> onSignal, std::chrono::milliseconds endWithin)
    : onSignal_(std::move(onSignal)) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    if (endWithin.count() > 0 && pipe2(watchdogPipe, O_CLOEXEC) == 0)
        watchdog_ = std::thread(Watchdog, static_cast<int>(endWithin.count()));
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    notifier_ = notifier;
    QObject::connect(notifier, &QSocketNotifier::activated, [this] {
        char buf[16];
        while (read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        if (onSignal_)
            onSignal_();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
}

CloseOnSignals::~CloseOnSignals() {
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_DFL);
    if (watchdog_.joinable()) {
        const char done = 0;
        [[maybe_unused]] const auto r = write(watchdogPipe[1], &done, 1);
        watchdog_.join();
    }
    for (int& fd : watchdogPipe)
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    delete static_cast<QSocketNotifier*>(notifier_);
    for (int& fd : signalPipe)
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
}

bool ProcessLauncher::StartFirst(const std::vector<std::string>& candidates) {
    for (const std::string& c : candidates) {
        QStringList parts = QString::fromStdString(c).split(' ', Qt::SkipEmptyParts);
        if (parts.isEmpty())
            continue;
        const QString program = QStandardPaths::findExecutable(parts.takeFirst());
        if (!program.isEmpty() && QProcess::startDetached(program, parts))
            return true;
    }
    return false;
}

} // namespace tonmark
