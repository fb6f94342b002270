#pragma once
// How the parts of the sound output report: the volume controls of the card
// and of the sound server, the rules that put the calibration on them, and
// the watch of the server's output. They return a SoundStatus, never throw
// for the card's or the server's fault and never talk to the user; whoever
// shows it (a window, or a run through its services) takes Message().
//
// A failure says what failed, which control (in the user's words: "wave
// volume", "microphone mute") and the system's reason as it came from the
// card, the driver or the server.
#include <string>
#include <utility>

namespace tonmark {

enum class SoundFailure {
    None,
    ControlRefused,      // a control of the card (or the program's stream) kept its value
    ServerVolumeRefused, // the sound server's master volume could not be set
    OutputNotWatched,    // the sound server's output cannot be watched
};

struct [[nodiscard]] SoundStatus {
    SoundFailure failure = SoundFailure::None;
    std::string control; // ControlRefused: which control
    std::string reason;  // the system's reason; for OutputNotWatched a whole sentence

    bool Ok() const { return failure == SoundFailure::None; }

    static SoundStatus Success() { return {}; }
    // A control's own refusal; the rules above it name the control.
    static SoundStatus Refused(std::string reason) {
        return {SoundFailure::ControlRefused, {}, std::move(reason)};
    }
    static SoundStatus Failed(SoundFailure failure, std::string reason) {
        return {failure, {}, std::move(reason)};
    }
    // The same status with the control named.
    SoundStatus Of(std::string name) && {
        if (!Ok())
            control = std::move(name);
        return std::move(*this);
    }

    // The user's sentence for a failure; empty only for success.
    std::string Message() const {
        switch (failure) {
        case SoundFailure::None:
            return {};
        case SoundFailure::ControlRefused:
            return "The sound card's " + control + " could not be set: " + reason;
        case SoundFailure::ServerVolumeRefused:
            return "The master volume of the sound server could not be set.";
        case SoundFailure::OutputNotWatched:
            return reason;
        }
        return reason;
    }
};

} // namespace tonmark
