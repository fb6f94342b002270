#include "audio/portaudio_output.h"

#include <alsa/asoundlib.h>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <pa_linux_alsa.h>
#include <poll.h>
#include <portaudio.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

#include "audio/alsa_volume.h"
#include "audio/tone_synthesis.h"

namespace tonmark {

// What the callback reads and writes. The UI thread publishes a buffer by
// writing data/frames/loopsLeft/startFrame and then `state` with release; the
// callback reads `state` with acquire and owns the other plain fields until
// it stores Finished. Positions and frame numbers count frames.
struct PortAudioOutput::Shared {
    enum State : int { Idle = 0, Playing = 1, Finished = 2 };
    const unsigned char* data = nullptr;
    int64_t frames = 0;
    uint64_t loopsLeft = 0; // plays still to start after the current one
    int64_t position = 0;
    int64_t startFrame = -1; // stream frame of the buffer's first frame; -1 = at once
    int64_t streamFrame = 0; // frames handed to the device so far; callback only
    std::atomic<int> state{Idle};
    std::atomic<int64_t> callbacks{0};
    std::atomic<int64_t> underflows{0};
    // Stream frame just after the last frame of the last finished pulse.
    std::atomic<int64_t> endFrame{-1};
    // Stream time (s) at which that frame reaches the output; 0 when the host
    // reports no timing.
    std::atomic<double> endTime{0};
    // Signalled by the callback when a pulse finishes, so the waiting UI
    // thread wakes at once.
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    ~Shared() {
        if (wakeFd >= 0)
            close(wakeFd);
    }
};

struct PortAudioOutput::Library {
    std::timed_mutex lock;

    // PortAudio's initialisation probes every ALSA device and a JACK server
    // and takes tens of milliseconds, or a minute when a sound server it
    // connects to has stopped. It runs on its own thread while the program
    // builds its windows; callers wait for it until kInitLimit after it
    // began, and no longer once that has passed.
    Library()
        : state_(std::make_shared<InitState>()),
          deadline_(std::chrono::steady_clock::now() + kInitLimit) {
        std::thread([state = state_] {
            const bool ok = Init(*state);
            std::lock_guard g(state->m);
            state->finished = true;
            state->ok = ok;
            state->done.notify_all();
        }).detach();
        // Gives the process its stderr back at the deadline even when nobody
        // asks for PortAudio meanwhile.
        std::thread([state = state_, deadline = deadline_] {
            std::unique_lock g(state->m);
            state->done.wait_until(g, deadline, [&state] { return state->finished; });
            state->RestoreStderr();
        }).detach();
    }
    ~Library() {
        std::lock_guard g(state_->m);
        // An initialisation still under way is left to end with the process.
        if (state_->finished && state_->ok)
            Pa_Terminate();
    }
    // Whether PortAudio is ready.
    bool Initialised() {
        std::unique_lock g(state_->m);
        state_->done.wait_until(g, deadline_, [this] { return state_->finished; });
        if (!state_->finished)
            state_->RestoreStderr(); // the program's own messages must be seen
        return state_->finished && state_->ok;
    }
    bool Finished() {
        std::lock_guard g(state_->m);
        return state_->finished;
    }

  private:
    struct InitState {
        std::mutex m;
        std::condition_variable done;
        bool finished = false, ok = false;
        int savedStderr = -1; // while stderr goes to /dev/null
        // With m held.
        void RestoreStderr() {
            if (savedStderr < 0)
                return;
            dup2(savedStderr, STDERR_FILENO);
            close(savedStderr);
            savedStderr = -1;
        }
    };

    static bool Init(InitState& state) {
        // ALSA periods as small as the callback: PortAudio would otherwise
        // take four periods for the whole latency and call back eight times
        // in a burst every 23 ms, so a pulse handed over just after the
        // previous one ended would wait for the next burst.
        PaAlsa_SetNumPeriods(static_cast<int>(
            std::ceil(kOutputLatency * kSampleRate / static_cast<double>(kCallbackFrames))));
        // Probing for a JACK server that is not there makes libjack print a
        // dozen lines on stderr; they say nothing about the devices we use.
        // The redirection is undone when the probe ends, or by a caller that
        // gave up waiting for it: a probe that hangs must not swallow the
        // program's own messages.
        {
            std::lock_guard g(state.m);
            fflush(stderr);
            const int saved = dup(STDERR_FILENO);
            const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
            if (saved >= 0 && null >= 0) {
                dup2(null, STDERR_FILENO);
                state.savedStderr = saved;
            } else if (saved >= 0) {
                close(saved);
            }
            if (null >= 0)
                close(null);
        }
        const bool ok = Pa_Initialize() == paNoError;
        std::lock_guard g(state.m);
        state.RestoreStderr();
        return ok;
    }

    std::shared_ptr<InitState> state_;
    std::chrono::steady_clock::time_point deadline_;
};

namespace {

int Callback(const void*, void* output, unsigned long frameCount,
             const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags status, void* user) {
    auto* s = static_cast<PortAudioOutput::Shared*>(user);
    auto* out = static_cast<unsigned char*>(output);
    s->callbacks.fetch_add(1, std::memory_order_relaxed);
    if (status & paOutputUnderflow)
        s->underflows.fetch_add(1, std::memory_order_relaxed);
    unsigned long written = 0;
    if (s->state.load(std::memory_order_acquire) == PortAudioOutput::Shared::Playing) {
        if (s->position == 0 && s->startFrame > s->streamFrame) {
            // Silence up to the frame the pulse is scheduled for.
            const auto lead = static_cast<unsigned long>(
                std::min<int64_t>(s->startFrame - s->streamFrame, frameCount));
            std::memset(out, 0, lead * kFrameBytes);
            written = lead;
        }
        bool started = written < frameCount;
        while (started && written < frameCount) {
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
        if (started && s->position >= s->frames && s->loopsLeft == 0) {
            s->endFrame.store(s->streamFrame + static_cast<int64_t>(written),
                              std::memory_order_relaxed);
            s->endTime.store(time && time->outputBufferDacTime > 0
                                 ? time->outputBufferDacTime +
                                       static_cast<double>(written) / kSampleRate
                                 : 0,
                             std::memory_order_relaxed);
            s->state.store(PortAudioOutput::Shared::Finished, std::memory_order_release);
            const uint64_t one = 1;
            [[maybe_unused]] const auto r = write(s->wakeFd, &one, sizeof one);
        }
    }
    if (written < frameCount)
        std::memset(out + written * kFrameBytes, 0, (frameCount - written) * kFrameBytes);
    s->streamFrame += static_cast<int64_t>(frameCount);
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

// PortAudio's index of the program's device number (-1: the default).
PaDeviceIndex IndexOf(int device) {
    if (device == -1)
        return Pa_GetDefaultOutputDevice();
    const auto list = OutputDevices();
    return device >= 0 && device < static_cast<int>(list.size()) ? list[static_cast<size_t>(device)]
                                                                 : paNoDevice;
}

} // namespace

PortAudioOutput::PortAudioOutput()
    : library_(std::make_shared<Library>()), shared_(std::make_shared<Shared>()) {}

PortAudioOutput::~PortAudioOutput() {
    Close(false);
}

bool PortAudioOutput::SoundSystemAnswered() {
    library_->Initialised();
    return library_->Finished();
}

std::string PortAudioOutput::DeviceName(int device) {
    if (!library_->Initialised())
        return {};
    const PaDeviceIndex index = IndexOf(device);
    const PaDeviceInfo* info = index == paNoDevice ? nullptr : Pa_GetDeviceInfo(index);
    return info ? std::string(info->name) : std::string();
}

std::vector<std::string> PortAudioOutput::DeviceEntries() {
    std::vector<std::string> entries;
    if (!library_->Initialised())
        return entries;
    for (PaDeviceIndex i : OutputDevices()) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        entries.push_back(std::string(info->name).substr(0, 32) + " Driver Version " +
                          VersionOf(info));
    }
    return entries;
}

int64_t PortAudioOutput::Underflows() const {
    return shared_->underflows.load(std::memory_order_relaxed);
}

bool PortAudioOutput::Open(int device) {
    Close(false);
    failure_.clear();
    if (!library_->Initialised()) {
        failure_ = library_->Finished() ? "The sound system could not be started."
                                        : "The sound system did not answer.";
        return false;
    }
    std::unique_lock lock(library_->lock, std::defer_lock);
    if (!lock.try_lock_for(kCloseLimit)) {
        failure_ = "The sound output device is not responding.";
        return false;
    }
    const PaDeviceIndex index = IndexOf(device);
    if (index == paNoDevice) {
        failure_ = "The sound output device is not available.";
        return false;
    }
    const PaDeviceInfo* info = Pa_GetDeviceInfo(index);
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = 2;
    params.sampleFormat = paInt16;
    params.suggestedLatency =
        info ? std::max(info->defaultHighOutputLatency, kOutputLatency) : kOutputLatency;
    // A fresh record per stream: a stream whose close was abandoned may still
    // call back into its own.
    shared_ = std::make_shared<Shared>();
    finishSeen_ = false;
    if (shared_->wakeFd < 0) {
        failure_ = std::string("The sound output could not be prepared: ") + std::strerror(errno);
        return false;
    }
    lastCallbacks_ = -1;
    PaStream* stream = nullptr;
    PaError err = Pa_OpenStream(&stream, nullptr, &params, kSampleRate, kCallbackFrames, paClipOff,
                                Callback, shared_.get());
    if (err == paNoError) {
        // The callback's thread at realtime priority where the system grants
        // it: a busy machine then cannot starve it. Refused quietly elsewhere.
        if (const PaHostApiInfo* api = info ? Pa_GetHostApiInfo(info->hostApi) : nullptr;
            api && api->type == paALSA)
            PaAlsa_EnableRealtimeScheduling(stream, 1);
        err = Pa_StartStream(stream);
        if (err != paNoError)
            Pa_CloseStream(stream);
    }
    if (err != paNoError) {
        failure_ =
            std::string("The sound output device could not be opened: ") + Pa_GetErrorText(err);
        return false;
    }
    if (const PaStreamInfo* si = Pa_GetStreamInfo(stream))
        openedLatency_ = si->outputLatency;
    stream_ = stream;
    return true;
}

void PortAudioOutput::Close(bool drain) {
    header_.flags &= ~WaveHeader::kDone;
    if (!stream_)
        return;
    auto* stream = static_cast<PaStream*>(stream_);
    stream_ = nullptr;
    if (drain && failure_.empty()) {
        // The device still holds up to kOutputLatency of sound; stopping the
        // stream would cut it, so wait until its last frame has played.
        const double end = shared_->endTime.load(std::memory_order_relaxed);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (end > 0 && std::chrono::steady_clock::now() < limit) {
            const double now = Pa_GetStreamTime(stream);
            if (now <= 0 || now >= end)
                break;
            std::this_thread::sleep_for(std::chrono::duration<double>(end - now));
        }
    }
    // A stopped (not killed) sound server can hold an abort for a minute; the
    // close runs on its own thread, and after kCloseLimit the program goes on
    // without it. The thread keeps the library and the callback's record
    // alive until the sound system lets go.
    auto finished = std::make_shared<std::promise<void>>();
    auto future = finished->get_future();
    std::thread([library = library_, shared = shared_, stream, finished]() mutable {
        {
            std::lock_guard lock(library->lock);
            Pa_AbortStream(stream); // stops at once, also a looping tone
            Pa_CloseStream(stream);
        }
        // Let go before saying so: the last owner of the library terminates
        // PortAudio, and that must not race a new object's initialisation.
        shared.reset();
        library.reset();
        finished->set_value();
    }).detach();
    if (future.wait_for(kCloseLimit) != std::future_status::ready && failure_.empty())
        failure_ = "The sound output device is not responding.";
    shared_->state.store(Shared::Idle, std::memory_order_release);
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
    const int64_t end = s.endFrame.load(std::memory_order_relaxed);
    s.data = header_.data;
    s.frames = static_cast<int64_t>(buffer.size() / kFrameBytes);
    s.loopsLeft = 0;
    s.position = 0;
    s.startFrame = end >= 0 ? end + kGuardFrames : -1;
    finishSeen_ = false;
    expectedEnd_ = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(static_cast<double>(s.frames) / kSampleRate +
                                                     openedLatency_));
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
    // data again.
    const int64_t calls = shared_->callbacks.load(std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now();
    if (calls != lastCallbacks_) {
        lastCallbacks_ = calls;
        lastProgress_ = now;
    } else if (now - lastProgress_ > kStallLimit ||
               (header_.loops == 1 && now > expectedEnd_ && now - lastProgress_ > kOverdueSilence &&
                !(header_.flags & WaveHeader::kDone))) {
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
    // The stream has taken the last frame; the listener hears it when the
    // device has played what it still holds.
    const auto now = std::chrono::steady_clock::now();
    if (!finishSeen_) {
        finishSeen_ = true;
        finishedAt_ = now;
    }
    const double heardAt = shared_->endTime.load(std::memory_order_relaxed);
    if (heardAt > 0) {
        const double streamNow = Pa_GetStreamTime(static_cast<PaStream*>(stream_));
        if (streamNow > 0 && streamNow < heardAt)
            return false;
    } else if (now - finishedAt_ < std::chrono::duration<double>(openedLatency_)) {
        return false;
    }
    header_.flags |= WaveHeader::kDone;
    return true;
}

bool PortAudioOutput::WaitPulseDone(int timeoutMs) {
    using std::chrono::steady_clock;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (IsPulseDone())
            return true;
        if (!stream_ || !failure_.empty())
            return false;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - steady_clock::now());
        if (left.count() <= 0)
            return false;
        // Once the stream has taken the pulse, what is left is the device's
        // own latency: look again in small steps.
        const int step = finishSeen_ ? 2 : static_cast<int>(left.count());
        pollfd p{shared_->wakeFd, POLLIN, 0};
        if (poll(&p, 1, std::min(step, static_cast<int>(left.count()))) > 0) {
            uint64_t count = 0;
            [[maybe_unused]] const auto r = read(shared_->wakeFd, &count, sizeof count);
        }
    }
}

void PortAudioOutput::ClosePulseOutput() {
    // After a finished pulse the device still holds the end of its period;
    // it plays out. A pulse cut short by a stop ends at once.
    Close(stream_ && shared_->state.load(std::memory_order_acquire) == Shared::Finished);
}

bool PortAudioOutput::PreparePlay(int device, std::string_view buffer, int loops) {
    const WaveHeader header{reinterpret_cast<const unsigned char*>(buffer.data()),
                            static_cast<uint32_t>(buffer.size()),
                            loops == 1 ? 0u : (WaveHeader::kBeginLoop | WaveHeader::kEndLoop),
                            static_cast<uint32_t>(loops), 0};
    const bool ok = Open(device);
    header_ = header;
    return ok;
}

void PortAudioOutput::StartPlay() {
    if (!stream_)
        return;
    Shared& s = *shared_;
    s.data = header_.data;
    s.frames = header_.bufferLength / kFrameBytes;
    s.loopsLeft = header_.loops > 0 ? header_.loops - 1 : 0;
    s.position = 0;
    s.startFrame = -1;
    s.state.store(Shared::Playing, std::memory_order_release);
}

void PortAudioOutput::FinishPlay() {
    Close(false);
}

} // namespace tonmark
