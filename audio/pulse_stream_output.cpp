#include "audio/pulse_stream_output.h"

#include <algorithm>

#include "audio/pulse_stream_impl.h"
#include "audio/tone_synthesis.h"

namespace tonmark {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr size_t kFrame = kFrameBytes;
// The server's own ceiling for one stream's buffer (4 MiB, about 23.8 s).
constexpr uint32_t kPulseBufferBytes = 4u * 1024u * 1024u / kFrame * kFrame;
// A looping tone keeps half a second queued: enough against a busy machine,
// and a stop cuts it at once anyway.
constexpr uint32_t kLoopBufferBytes = kSampleRate / 2 * kFrame;
// How often the user-interface thread asks the server how far it has played
// while a pulse sounds.
constexpr auto kQueryInterval = std::chrono::milliseconds(100);

uint32_t BytesOf(std::chrono::milliseconds ms) {
    return static_cast<uint32_t>(kSampleRate * ms.count() / 1000) * kFrame;
}

} // namespace

PulseStreamOutput::PulseStreamOutput(std::shared_ptr<OwnStreamVolume> volume,
                                     const std::string& server)
    : volume_(std::move(volume)), impl_(std::make_unique<Impl>()) {
    if (volume_)
        volume_->Attach(this);
    impl_->server = server;
    impl_->loop = pa_threaded_mainloop_new();
    if (!impl_->loop || pa_threaded_mainloop_start(impl_->loop) < 0) {
        if (impl_->loop)
            pa_threaded_mainloop_free(impl_->loop);
        impl_->loop = nullptr;
        return;
    }
    // Begins the connection without waiting for it: a server that is stopped
    // must not hold up the program's start.
    impl_->Connect(SteadyClock::now());
}

PulseStreamOutput::~PulseStreamOutput() {
    if (volume_)
        volume_->Detach(this);
    Close(false);
    if (!impl_->loop)
        return;
    pa_threaded_mainloop_lock(impl_->loop);
    if (impl_->context) {
        pa_context_disconnect(impl_->context);
        pa_context_unref(impl_->context);
        impl_->context = nullptr;
    }
    pa_threaded_mainloop_unlock(impl_->loop);
    pa_threaded_mainloop_stop(impl_->loop);
    pa_threaded_mainloop_free(impl_->loop);
}

bool PulseStreamOutput::WaitConnected(std::chrono::milliseconds timeout) {
    // A connection that failed (the server went away and may be back) is
    // tried afresh.
    return impl_->loop && impl_->Connect(SteadyClock::now() + timeout);
}

bool PulseStreamOutput::ConnectionFailed() const {
    if (!impl_->loop)
        return true;
    std::lock_guard g(impl_->m);
    return !PA_CONTEXT_IS_GOOD(impl_->contextState);
}

std::vector<std::string> PulseStreamOutput::DeviceEntries() {
    if (!WaitConnected(kConnectLimit))
        return {};
    pa_threaded_mainloop_lock(impl_->loop);
    const uint32_t version = pa_context_get_server_protocol_version(impl_->context);
    pa_threaded_mainloop_unlock(impl_->loop);
    return {"Sound server default output Driver Version " + std::to_string(version)};
}

int64_t PulseStreamOutput::Underflows() const {
    std::lock_guard g(impl_->m);
    return impl_->holes;
}

double PulseStreamOutput::ReportedLatency() const {
    std::lock_guard g(impl_->m);
    return impl_->sinkLatency;
}

bool PulseStreamOutput::Open(bool looping) {
    Close(false);
    failure_.clear();
    Impl& d = *impl_;
    if (!d.loop) {
        failure_ = "The sound system could not be started.";
        return false;
    }
    const auto deadline = SteadyClock::now() + kConnectLimit;
    if (!d.Connect(deadline)) {
        std::lock_guard g(d.m);
        failure_ = PA_CONTEXT_IS_GOOD(d.contextState)
                       ? "The sound server is not responding."
                       : "The sound output device is not available: no sound server answered.";
        return false;
    }
    pa_threaded_mainloop_lock(d.loop);
    const pa_sample_spec format{PA_SAMPLE_S16LE, kSampleRate, 2};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_MEDIA_NAME, looping ? "Calibration tone" : "Test pulses");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "production");
    d.stream = pa_stream_new_with_proplist(d.context, "Tonmark", &format, &map, props);
    pa_proplist_free(props);
    {
        std::lock_guard g(d.m);
        d.streamState = PA_STREAM_UNCONNECTED;
        d.looping = looping;
        d.data.clear();
        d.offset = 0;
        d.written = 0;
        d.pulsePending = d.triggered = d.rendered = d.doneKnown = false;
        d.pulseEnd = -1;
        d.holes = 0;
        d.lastHoleIndex = -1;
        d.splitAt = -1;
        d.queryOutstanding = false;
        d.lastReadIndex = -1;
        d.lastAnswer = d.lastProgress = SteadyClock::now();
    }
    bool connected = false;
    if (d.stream) {
        pa_stream_set_state_callback(d.stream, Impl::StreamStateCb, &d);
        pa_stream_set_write_callback(d.stream, Impl::WriteCb, &d);
        pa_stream_set_underflow_callback(d.stream, Impl::UnderflowCb, &d);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = looping ? kLoopBufferBytes : kPulseBufferBytes;
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = BytesOf(kSinkLatency);
        attr.fragsize = static_cast<uint32_t>(-1);
        // Early requests make the server keep only minreq in the sink, so the
        // sound reaches the headphones kSinkLatency after it was played
        // however much the stream holds. An explicit volume, the program's
        // own stream volume from the first sample on (100 % without one),
        // and no moving: a volume the server remembered from elsewhere, or
        // another output the stream was moved to, would not be the
        // calibrated one.
        const pa_cvolume volume =
            Impl::CVolumeOf(volume_ ? volume_->Current() : OwnStreamVolume::kFull);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_EARLY_REQUESTS | PA_STREAM_DONT_MOVE | PA_STREAM_START_UNMUTED);
        connected =
            pa_stream_connect_playback(d.stream, nullptr, &attr, flags, &volume, nullptr) >= 0;
    }
    pa_threaded_mainloop_unlock(d.loop);
    if (connected) {
        std::unique_lock g(d.m);
        d.changed.wait_until(g, deadline, [&d] {
            return d.streamState == PA_STREAM_READY || !PA_STREAM_IS_GOOD(d.streamState);
        });
        connected = d.streamState == PA_STREAM_READY;
        if (!connected)
            failure_ = PA_STREAM_IS_GOOD(d.streamState)
                           ? "The sound output device is not responding."
                           : "The sound output device could not be opened.";
    } else {
        failure_ = "The sound output device could not be opened.";
    }
    if (!connected) {
        Close(false);
        return false;
    }
    return true;
}

void PulseStreamOutput::Close(bool) {
    header_.flags &= ~WaveHeader::kDone;
    Impl& d = *impl_;
    if (!d.loop)
        return;
    pa_threaded_mainloop_lock(d.loop);
    if (d.stream) {
        // Disconnecting stops the stream at once and never waits for the
        // server, also one that has stopped answering.
        pa_stream_set_state_callback(d.stream, nullptr, nullptr);
        pa_stream_set_write_callback(d.stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(d.stream, nullptr, nullptr);
        pa_stream_disconnect(d.stream);
        pa_stream_unref(d.stream);
        d.stream = nullptr;
    }
    {
        std::lock_guard g(d.m);
        d.data.clear();
        d.pulsePending = false;
        d.streamState = PA_STREAM_UNCONNECTED;
    }
    pa_threaded_mainloop_unlock(d.loop);
}

bool PulseStreamOutput::OpenPulseOutput(int) {
    return Open(false);
}

void PulseStreamOutput::PlayPulseBuffer(std::string_view buffer) {
    header_ = WaveHeader{reinterpret_cast<const unsigned char*>(buffer.data()),
                         static_cast<uint32_t>(buffer.size()), 0, 1, 0};
    Impl& d = *impl_;
    if (!d.stream || !failure_.empty())
        return;
    const int gap = splitGapMs_.exchange(0);
    pa_threaded_mainloop_lock(d.loop);
    {
        std::lock_guard g(d.m);
        d.data.assign(buffer.data(), buffer.size() / kFrame * kFrame);
        d.offset = 0;
        d.pulseStart = d.written;
        d.pulseEnd = d.written + static_cast<int64_t>(d.data.size());
        d.pulsePending = true;
        d.triggered = d.rendered = d.doneKnown = false;
        d.lastHoleIndex = -1;
        d.splitAt = gap > 0 ? static_cast<int64_t>(d.data.size() / 2 / kFrame * kFrame) : -1;
        d.lastProgress = SteadyClock::now();
    }
    d.WriteMore();
    if (gap > 0) {
        // The first half plays alone; the rest follows after the gap.
        d.Trigger();
        {
            std::lock_guard g(d.m);
            d.triggered = true;
            d.expectedEnd =
                SteadyClock::now() + std::chrono::milliseconds(gap) +
                std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(
                    static_cast<double>(d.data.size()) / kFrame / kSampleRate));
        }
        pa_context_rttime_new(d.context, pa_rtclock_now() + static_cast<pa_usec_t>(gap) * 1000,
                              Impl::SplitTimerCb, &d);
    }
    if (d.data.empty()) {
        std::lock_guard g(d.m);
        d.rendered = d.doneKnown = true;
        d.doneAt = SteadyClock::now();
    }
    pa_threaded_mainloop_unlock(d.loop);
}

void PulseStreamOutput::Check() {
    Impl& d = *impl_;
    if (!d.stream || !failure_.empty())
        return;
    bool query = false;
    {
        std::lock_guard g(d.m);
        const auto now = SteadyClock::now();
        if (!PA_CONTEXT_IS_GOOD(d.contextState)) {
            failure_ = "The sound output device stopped working: the sound server has gone.";
        } else if (!PA_STREAM_IS_GOOD(d.streamState)) {
            failure_ = "The sound output device stopped working.";
        } else if (d.pulsePending && !d.doneKnown) {
            const auto silent = now - d.lastAnswer;
            if (d.triggered && now > d.expectedEnd && d.queryOutstanding &&
                now - d.querySent > kSilenceLimit)
                failure_ = "The sound output device stopped responding.";
            else if (now - d.lastProgress > kStallLimit && silent < kSilenceLimit)
                failure_ = "The sound output device stopped playing.";
            query = !d.queryOutstanding && now - d.lastAnswer >= kQueryInterval;
        }
    }
    if (query) {
        pa_threaded_mainloop_lock(d.loop);
        if (d.stream)
            d.QueryTiming();
        pa_threaded_mainloop_unlock(d.loop);
    }
}

bool PulseStreamOutput::IsPulseDone() {
    if (header_.flags & WaveHeader::kDone)
        return true;
    Check();
    if (!impl_->stream || !failure_.empty())
        return false;
    std::lock_guard g(impl_->m);
    if (!impl_->pulsePending || !impl_->doneKnown || SteadyClock::now() < impl_->doneAt)
        return false;
    impl_->pulsePending = false;
    header_.flags |= WaveHeader::kDone;
    return true;
}

bool PulseStreamOutput::WaitPulseDone(int timeoutMs) {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (IsPulseDone())
            return true;
        if (!impl_->stream || !failure_.empty())
            return false;
        const auto now = SteadyClock::now();
        if (now >= deadline)
            return false;
        // Wake for the server's news, the moment the pulse is heard, or the
        // next look at the server's progress, whichever comes first.
        auto until = std::min(deadline, now + std::chrono::milliseconds(20));
        std::unique_lock g(impl_->m);
        if (impl_->doneKnown)
            until = std::min(until, impl_->doneAt);
        impl_->changed.wait_until(g, until);
    }
}

void PulseStreamOutput::ClosePulseOutput() {
    // A pulse is done only when it was heard, so nothing is cut here.
    Close(false);
}

bool PulseStreamOutput::PreparePlay(int, std::string_view buffer, int loops) {
    const WaveHeader header{reinterpret_cast<const unsigned char*>(buffer.data()),
                            static_cast<uint32_t>(buffer.size()),
                            loops == 1 ? 0u : (WaveHeader::kBeginLoop | WaveHeader::kEndLoop),
                            static_cast<uint32_t>(loops), 0};
    const bool ok = Open(loops != 1);
    header_ = header;
    return ok;
}

void PulseStreamOutput::StartPlay() {
    Impl& d = *impl_;
    if (!d.stream)
        return;
    pa_threaded_mainloop_lock(d.loop);
    {
        std::lock_guard g(d.m);
        d.data.assign(reinterpret_cast<const char*>(header_.data),
                      header_.bufferLength / kFrame * kFrame);
        d.offset = 0;
        d.pulseStart = d.written;
        d.pulseEnd = d.written + static_cast<int64_t>(d.data.size());
        // A single play is a pulse without a listener; a loop plays until
        // FinishPlay.
        d.pulsePending = !d.looping;
        d.triggered = d.rendered = d.doneKnown = false;
    }
    d.WriteMore();
    d.Trigger();
    pa_threaded_mainloop_unlock(d.loop);
}

void PulseStreamOutput::FinishPlay() {
    Close(false);
}

} // namespace tonmark
