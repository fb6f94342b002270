#include "ui/looping_tone.h"

#include "audio/tone_synthesis.h"

namespace tonmark {

LoopingTone::LoopingTone(Program& program, QObject* parent) : QObject(parent), p_(program) {
    watch_.setInterval(250);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
}

bool LoopingTone::Start(int32_t hz, double level, int leftOn, int rightOn) {
    Stop();
    if (!p_.waveOutput) {
        Failed("The sound output device is not available.");
        return false;
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
    sounding_ = false;
}

void LoopingTone::Watch() {
    if (!sounding_ || !p_.waveOutput)
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
