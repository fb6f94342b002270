// Tonmark: the composition root. The only place that chooses the real back
// ends; everything else receives them.
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>

#include "app/platform_helpers.h"
#include "audio/alsa_volume.h"
#include "audio/pulse_endpoint_volume.h"
#include "audio/pulse_output_watch.h"
#include "audio/routed_wave_output.h"
#include "ui/error_handler.h"
#include "ui/help_viewer.h"
#include "ui/program_windows.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_saver_hold.h"
#include "ui/splash.h"

using namespace tonmark;

int Run(int argc, char** argv);

int main(int argc, char** argv) {
    // A file-size limit must come back to a save as a failed write (the old
    // file then stays), not kill the program.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Tonmark: out of memory; the program ends\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tonmark: %s; the program ends\n", e.what());
    }
    return 1;
}

int Run(int argc, char** argv) {
    QElapsedTimer started;
    started.start();
    // First, so that the sound system starts while the windows are built.
    // The program's own stream volume: its streams play at it, and on the
    // sound server's own control it is the wave volume.
    auto waveVolume = std::make_shared<OwnStreamVolume>();
    auto waveOutput = std::make_unique<RoutedWaveOutput>(waveVolume);
    TonmarkApplication app(argc, argv);
    // SIGTERM, SIGINT and SIGHUP close the program as the close box does; one
    // that comes before the main window exists ends the start-up.
    TfrmMain* mainWindow = nullptr;
    bool closeRequested = false;
    CloseOnSignals closeOnSignals(
        [&] {
            closeRequested = true;
            if (mainWindow)
                mainWindow->RequestClose();
        },
        std::chrono::milliseconds(900));
    QuietAlsaErrors();

    if (!std::getenv("TONMARK_NO_SPLASH")) {
        TfrmSplash splash;
        splash.Run([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); },
                   [] { QApplication::processEvents(); });
    }
    QElapsedTimer creation;
    creation.start();
    QApplication::setApplicationName(QStringLiteral("Tonmark"));

    HelpViewer help;
    QtDialogs dialogs(&help);
    QtFileDialogs files;
    SystemClock clock;
    SdlJoystickReader joystick;
    ProcessLauncher launcher;

    Program program;
    // The application reports to the program's reporter while the program lives.
    app.SetErrorReporter(&program.errors);
    struct ForgetReporter {
        TonmarkApplication& app;
        ~ForgetReporter() { app.SetErrorReporter(nullptr); }
    } forgetReporter{app};
    program.dialogs = &dialogs;
    program.files = &files;
    program.clock = &clock;
    program.joystick = &joystick;
    program.launcher = &launcher;
    // An installed program sets up a new user's settings as the installer would.
    const std::string storePath = SettingsStore::DefaultPath();
    SetUpNewUserSettings(QCoreApplication::applicationDirPath(), storePath);
    program.store = std::make_unique<SettingsStore>(storePath);
    program.waveOutput = std::move(waveOutput);
    // Core-audio mode: decided once, by whether a sound server answers now.
    auto endpoint = std::make_unique<PulseEndpointVolume>();
    const bool coreAudioMode = endpoint->Connected();
    program.outputLevels = std::make_unique<OutputLevelControl>(
        std::make_unique<AlsaVolumeDevices>(), std::move(waveVolume),
        coreAudioMode ? std::move(endpoint) : nullptr);
    if (coreAudioMode)
        program.outputWatch = std::make_unique<PulseOutputWatch>();

    ScreenSaverHold screenSaver([&program] {
        return !program.state.StopRequested && program.settings.DisableScreenSaverDuringTest;
    });
    const ProgramWindows windows(program, &help, std::vector<std::string>(argv + 1, argv + argc),
                                 [&mainWindow](TfrmMain& main) { mainWindow = &main; });
    if (closeRequested)
        return 0;

    if (std::getenv("TONMARK_QUIT_WHEN_SHOWN")) {
        QApplication::processEvents();
        std::fprintf(stderr, "main window shown %lld ms after start (%lld ms after the splash)\n",
                     static_cast<long long>(started.elapsed()),
                     static_cast<long long>(creation.elapsed()));
        return 0;
    }
    return QApplication::exec();
}
