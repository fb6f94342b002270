#include "audio/portaudio_output.h"

#include <alsa/asoundlib.h>
#include <cstring>
#include <portaudio.h>

#include "audio/alsa_mixer_platform.h"
#include "audio/tone_synthesis.h"

namespace tonmark {

// What the callback reads and writes. The UI thread publishes a buffer by
// writing data/length/loops and then `state` with release; the callback
// reads `state` with acquire. Positions are frames.
struct PortAudioOutput::Shared {
    enum State : int { Idle = 0, Playing = 1, Finished = 2 };
    const unsigned char* data = nullptr;
    int64_t frames = 0;
    uint64_t loopsLeft = 0; // plays still to start after the current one
    int64_t position = 0;
    std::atomic<int> state{Idle};
    std::atomic<int64_t> callbacks{0};
    // Stream time (seconds) at which the last frame of the buffer reaches the
    // output; 0 when the host reports no timing.
    std::atomic<double> endTime{0};
};

namespace {

int Callback(const void*, void* output, unsigned long frameCount,
             const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags, void* user) {
    auto* s = static_cast<PortAudioOutput::Shared*>(user);
    auto* out = static_cast<unsigned char*>(output);
    s->callbacks.fetch_add(1, std::memory_order_relaxed);
    unsigned long written = 0;
    if (s->state.load(std::memory_order_acquire) == PortAudioOutput::Shared::Playing) {
        while (written < frameCount) {
            const int64_t left = s->frames - s->position;
            if (left <= 0) {
                if (s->loopsLeft > 0) {
                    --s->loopsLeft;
                    s->position = 0;
                    if (s->frames == 0)
                        break;
                    continue;
                }
                break;
            }
            const auto n = static_cast<unsigned long>(
                std::min<int64_t>(left, static_cast<int64_t>(frameCount - written)));
            std::memcpy(out + written * kFrameBytes, s->data + s->position * kFrameBytes,
                        n * kFrameBytes);
            s->position += n;
            written += n;
        }
        if (s->position >= s->frames && s->loopsLeft == 0) {
            const double end =
                time && time->outputBufferDacTime > 0
                    ? time->outputBufferDacTime + static_cast<double>(written) / kSampleRate
                    : 0;
            s->endTime.store(end, std::memory_order_relaxed);
            s->state.store(PortAudioOutput::Shared::Finished, std::memory_order_release);
        }
    }
    if (written < frameCount)
        std::memset(out + written * kFrameBytes, 0, (frameCount - written) * kFrameBytes);
    return paContinue;
}

// "major.minor" of what drives the device: alsa-lib for ALSA devices,
// PortAudio itself for the others.
std::string VersionOf(const PaDeviceInfo* info) {
    const PaHostApiInfo* api = Pa_GetHostApiInfo(info->hostApi);
    if (api && api->type == paALSA) {
        const uint16_t w = AlsaLibraryVersionWord();
        return std::to_string(w >> 8) + "." + std::to_string(w & 0xFF);
    }
    const PaVersionInfo* v = Pa_GetVersionInfo();
    return std::to_string(v->versionMajor) + "." + std::to_string(v->versionMinor);
}

// Output-capable devices in PortAudio's order.
std::vector<PaDeviceIndex> OutputDevices() {
    std::vector<PaDeviceIndex> list;
    const int n = Pa_GetDeviceCount();
    for (int i = 0; i < n; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxOutputChannels >= 2)
            list.push_back(i);
    }
    return list;
}

} // namespace

PortAudioOutput::PortAudioOutput() : shared_(std::make_unique<Shared>()) {
    initialised_ = Pa_Initialize() == paNoError;
}

PortAudioOutput::~PortAudioOutput() {
    Close();
    if (initialised_)
        Pa_Terminate();
}

std::vector<std::string> PortAudioOutput::DeviceEntries() {
    std::vector<std::string> entries;
    if (!initialised_)
        return entries;
    for (PaDeviceIndex i : OutputDevices()) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        entries.push_back(std::string(info->name).substr(0, 32) + " Driver Version " +
                          VersionOf(info));
    }
    return entries;
}

bool PortAudioOutput::Open(int device) {
    Close();
    failure_.clear();
    if (!initialised_) {
        failure_ = "The sound system could not be started.";
        return false;
    }
    PaDeviceIndex index = paNoDevice;
    if (device == -1) {
        index = Pa_GetDefaultOutputDevice();
    } else {
        const auto list = OutputDevices();
        if (device >= 0 && device < static_cast<int>(list.size()))
            index = list[device];
    }
    if (index == paNoDevice) {
        failure_ = "The sound output device is not available.";
        return false;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = 2;
    params.sampleFormat = paInt16;
    params.suggestedLatency = info ? info->defaultLowOutputLatency : 0.05;
    shared_->state.store(Shared::Idle, std::memory_order_release);
    shared_->callbacks.store(0);
    shared_->endTime.store(0);
    lastCallbacks_ = -1;
    PaStream* stream = nullptr;
    PaError err = Pa_OpenStream(&stream, nullptr, &params, kSampleRate,
                                paFramesPerBufferUnspecified, paClipOff, Callback, shared_.get());
    if (err == paNoError) {
        err = Pa_StartStream(stream);
        if (err != paNoError)
            Pa_CloseStream(stream);
    }
    if (err != paNoError) {
        failure_ =
            std::string("The sound output device could not be opened: ") + Pa_GetErrorText(err);
        return false;
    }
    stream_ = stream;
    return true;
}

void PortAudioOutput::Close() {
    if (stream_) {
        auto* stream = static_cast<PaStream*>(stream_);
        Pa_AbortStream(stream); // stops at once, also a looping tone
        Pa_CloseStream(stream);
        stream_ = nullptr;
    }
    shared_->state.store(Shared::Idle, std::memory_order_release);
    header_.flags &= ~WaveHeader::kDone;
}

bool PortAudioOutput::OpenPulseOutput(int device) {
    return Open(device);
}

void PortAudioOutput::PlayPulseBuffer(std::string_view buffer) {
    header_ = WaveHeader{reinterpret_cast<const unsigned char*>(buffer.data()),
                         static_cast<uint32_t>(buffer.size()), 0, 1, 0};
    if (!stream_)
        return;
    // The callback is between buffers (Idle or Finished), so it does not read
    // these fields until `state` says Playing.
    Shared& s = *shared_;
    s.data = header_.data;
    s.frames = static_cast<int64_t>(buffer.size() / kFrameBytes);
    s.loopsLeft = 0;
    s.position = 0;
    s.endTime.store(0, std::memory_order_relaxed);
    s.state.store(Shared::Playing, std::memory_order_release);
}

void PortAudioOutput::CheckStream() {
    if (!stream_ || !failure_.empty())
        return;
    const PaError active = Pa_IsStreamActive(static_cast<PaStream*>(stream_));
    if (active != 1) {
        failure_ = "The sound output device stopped working.";
        return;
    }
    // A stream whose host has gone may stay "active" without ever asking for
    // data again: two seconds without a callback count as a failure.
    const int64_t calls = shared_->callbacks.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    if (calls != lastCallbacks_) {
        lastCallbacks_ = calls;
        lastProgress_ = now;
    } else if (now - lastProgress_ > std::chrono::seconds(2)) {
        failure_ = "The sound output device stopped responding.";
    }
}

bool PortAudioOutput::IsPulseDone() {
    if (header_.flags & WaveHeader::kDone)
        return true;
    CheckStream();
    if (!stream_ || !failure_.empty())
        return false;
    if (shared_->state.load(std::memory_order_acquire) != Shared::Finished)
        return false;
    // Consumed by the stream; done once the last frame has left the output.
    const double end = shared_->endTime.load(std::memory_order_relaxed);
    const double now = Pa_GetStreamTime(static_cast<PaStream*>(stream_));
    if (end > 0 && now > 0 && now < end)
        return false;
    header_.flags |= WaveHeader::kDone;
    return true;
}

void PortAudioOutput::ClosePulseOutput() {
    Close();
}

bool PortAudioOutput::PreparePlay(int device, std::string_view buffer, int loops) {
    header_ = WaveHeader{reinterpret_cast<const unsigned char*>(buffer.data()),
                         static_cast<uint32_t>(buffer.size()),
                         loops == 1 ? 0u : (WaveHeader::kBeginLoop | WaveHeader::kEndLoop),
                         static_cast<uint32_t>(loops), 0};
    return Open(device);
}

void PortAudioOutput::StartPlay() {
    if (!stream_)
        return;
    Shared& s = *shared_;
    s.data = header_.data;
    s.frames = header_.bufferLength / kFrameBytes;
    s.loopsLeft = header_.loops > 0 ? header_.loops - 1 : 0;
    s.position = 0;
    s.state.store(Shared::Playing, std::memory_order_release);
}

void PortAudioOutput::FinishPlay() {
    Close();
}

} // namespace tonmark
