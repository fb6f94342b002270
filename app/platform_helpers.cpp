#include "app/platform_helpers.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <SDL2/SDL.h>

namespace tonmark {

SdlJoystickReader::SdlJoystickReader() {
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
