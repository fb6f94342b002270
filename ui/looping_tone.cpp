#include "ui/looping_tone.h"

#include "audio/tone_synthesis.h"

namespace tonmark {

namespace {
constexpr const char* kToneStopped = " The tone was stopped.";
}

LoopingTone::LoopingTone(Program& program, QObject* parent) : QObject(parent), p_(program) {
    // The output watch's answer is a flag; looking every 50 ms stops a tone
    // that another program made louder before it has sounded much longer.
    watch_.setInterval(50);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
}

bool LoopingTone::Start(int32_t hz, double level, int leftOn, int rightOn) {
    Stop();
    if (!p_.waveOutput) {
        Failed("The sound output device is not available.");
        return false;
    }
    // Before any sound: the volume the window has just set is the one to keep.
    if (p_.outputWatch) {
        if (const SoundStatus armed = p_.outputWatch->Arm(); !armed.Ok()) {
            Failed(armed.Message());
            return false;
        }
        watching_ = true;
    }
    buffer_.clear();
    CreateSound(hz, level, 1.0, 0.0, buffer_, true, leftOn, rightOn);
    if (!p_.waveOutput->PreparePlay(p_.settings.WaveOutDevice, buffer_, -1)) {
        const std::string why = p_.waveOutput->Failure();
        p_.waveOutput->FinishPlay();
        Failed(why.empty() ? "The sound output device could not be opened." : why);
        return false;
    }
    p_.waveOutput->StartPlay();
    sounding_ = true;
    watch_.start();
    return true;
}

void LoopingTone::Stop() {
    watch_.stop();
    if (sounding_ && p_.waveOutput)
        p_.waveOutput->FinishPlay();
    // Only a watch of its own: the hearing test's run arms the same one.
    if (watching_ && p_.outputWatch)
        p_.outputWatch->Disarm();
    watching_ = sounding_ = false;
}

SoundStatus LoopingTone::SetMasterSetting(int32_t setting) {
    if (!p_.outputLevels)
        return SoundStatus::Success();
    SoundStatus set = p_.outputLevels->SetSetting(Slider::Master, setting);
    // After the set has returned, the server holds the new volume: armed now,
    // its notice of this set compares equal, however late it comes.
    if (watching_ && p_.outputWatch)
        if (const SoundStatus armed = p_.outputWatch->Arm(); !armed.Ok())
            Failed(armed.Message() + kToneStopped);
    return set;
}

void LoopingTone::Watch() {
    if (!sounding_)
        return;
    if (p_.outputWatch)
        if (const std::string change = p_.outputWatch->Change(); !change.empty()) {
            Failed(change + kToneStopped);
            return;
        }
    if (!p_.waveOutput)
        return;
    p_.waveOutput->IsPulseDone(); // looks at the stream
    const std::string failure = p_.waveOutput->Failure();
    if (failure.empty())
        return;
    Failed(failure);
}

void LoopingTone::Failed(const std::string& reason) {
    Stop();
    if (onStopped)
        onStopped();
    if (p_.dialogs)
        p_.dialogs->ShowMessage(reason);
}

} // namespace tonmark
