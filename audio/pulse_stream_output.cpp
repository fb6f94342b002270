#include "audio/pulse_stream_output.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <pulse/pulseaudio.h>

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

// Everything the callbacks share with the user-interface thread. libpulse
// calls are made with the main loop's lock held; the fields below `m` are
// guarded by m, which is taken after (never before) the main loop's lock.
struct PulseStreamOutput::Impl {
    std::string server;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;

    std::mutex m;
    std::condition_variable changed;
    pa_context_state_t contextState = PA_CONTEXT_UNCONNECTED;
    pa_stream_state_t streamState = PA_STREAM_UNCONNECTED;
    bool looping = false;
    // The buffer being handed over: its bytes, how many of them went to the
    // server, and the stream's byte index where it begins and ends.
    std::string data;
    size_t offset = 0;
    int64_t written = 0; // bytes written to the stream since it was opened
    int64_t pulseStart = 0, pulseEnd = -1;
    bool pulsePending = false; // handed over, not yet heard to its end
    bool triggered = false;
    bool rendered = false; // the server played its last frame
    bool doneKnown = false;
    SteadyClock::time_point doneAt{};
    SteadyClock::time_point expectedEnd{};
    int64_t holes = 0;
    int64_t lastHoleIndex = -1;
    int64_t splitAt = -1; // bytes of the current pulse held back for a test
    // What the server last said, and when.
    bool queryOutstanding = false;
    SteadyClock::time_point querySent{}, lastAnswer{}, lastProgress{};
    int64_t lastReadIndex = -1;
    double sinkLatency = 0; // seconds

    void Notify() { changed.notify_all(); }

    // Main loop thread, or the user-interface thread with the main loop locked.
    void WriteMore() {
        if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY)
            return;
        for (;;) {
            size_t limit;
            {
                std::lock_guard g(m);
                if (data.empty())
                    return;
                if (offset >= data.size()) {
                    if (!looping)
                        break;
                    offset = 0;
                }
                limit = splitAt >= 0 ? static_cast<size_t>(splitAt) : data.size();
                if (offset >= limit)
                    break;
            }
            const size_t room = pa_stream_writable_size(stream);
            if (room == 0 || room == static_cast<size_t>(-1))
                return;
            size_t n;
            const unsigned char* from;
            {
                std::lock_guard g(m);
                n = std::min(room, limit - offset) / kFrame * kFrame;
                from = reinterpret_cast<const unsigned char*>(data.data()) + offset;
            }
            if (n == 0)
                return;
            // No free callback: libpulse copies the bytes.
            if (pa_stream_write(stream, from, n, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            std::lock_guard g(m);
            offset += n;
            written += static_cast<int64_t>(n);
        }
        // A pulse starts only once the server holds all of it.
        bool start = false;
        {
            std::lock_guard g(m);
            if (!looping && pulsePending && !triggered && offset >= data.size()) {
                triggered = start = true;
                const double seconds = static_cast<double>(data.size()) / kFrame / kSampleRate;
                expectedEnd = SteadyClock::now() +
                              std::chrono::duration_cast<SteadyClock::duration>(
                                  std::chrono::duration<double>(seconds)) +
                              kSinkLatency;
            }
        }
        if (start)
            Trigger();
    }

    void Trigger() {
        if (pa_operation* op = pa_stream_trigger(stream, nullptr, nullptr))
            pa_operation_unref(op);
    }

    void QueryTiming() {
        if (pa_operation* op = pa_stream_update_timing_info(stream, TimingCb, this)) {
            pa_operation_unref(op);
            std::lock_guard g(m);
            queryOutstanding = true;
            querySent = SteadyClock::now();
        }
    }

    static void ContextStateCb(pa_context* c, void* u) {
        auto* self = static_cast<Impl*>(u);
        std::lock_guard g(self->m);
        self->contextState = pa_context_get_state(c);
        self->Notify();
    }

    static void StreamStateCb(pa_stream* s, void* u) {
        auto* self = static_cast<Impl*>(u);
        std::lock_guard g(self->m);
        self->streamState = pa_stream_get_state(s);
        self->Notify();
    }

    static void WriteCb(pa_stream*, size_t, void* u) { static_cast<Impl*>(u)->WriteMore(); }

    static void UnderflowCb(pa_stream* s, void* u) {
        auto* self = static_cast<Impl*>(u);
        const int64_t index = pa_stream_get_underflow_index(s);
        bool retrigger = false, ended = false;
        {
            std::lock_guard g(self->m);
            if (self->looping) {
                ++self->holes;
            } else if (self->pulsePending && self->triggered) {
                // Older servers do not say where: then only an underflow
                // before everything was written can be told from the end.
                const int64_t at = index >= 0 ? index
                                              : (self->offset >= self->data.size() ? self->pulseEnd
                                                                                   : self->written);
                if (at >= self->pulseEnd) {
                    ended = !self->rendered;
                    self->rendered = true;
                } else if (at != self->lastHoleIndex) {
                    ++self->holes;
                    self->lastHoleIndex = at;
                    // The server waits for a full buffer again after running
                    // dry; what is there must go on at once.
                    retrigger = self->written > at;
                }
            }
            self->Notify();
        }
        if (retrigger)
            self->Trigger();
        if (ended)
            self->QueryTiming(); // how long the sink still needs to play it
    }

    static void TimingCb(pa_stream* s, int success, void* u) {
        auto* self = static_cast<Impl*>(u);
        const pa_timing_info* ti = success ? pa_stream_get_timing_info(s) : nullptr;
        const auto now = SteadyClock::now();
        std::lock_guard g(self->m);
        self->queryOutstanding = false;
        self->lastAnswer = now;
        if (ti) {
            if (ti->read_index != self->lastReadIndex) {
                self->lastReadIndex = ti->read_index;
                self->lastProgress = now;
            }
            self->sinkLatency = static_cast<double>(ti->sink_usec) / 1e6;
            if (self->rendered && !self->doneKnown) {
                self->doneKnown = true;
                self->doneAt = now + std::chrono::microseconds(ti->sink_usec);
            }
        } else if (self->rendered && !self->doneKnown) {
            self->doneKnown = true;
            self->doneAt = now + kSinkLatency;
        }
        self->Notify();
    }

    static void SplitTimerCb(pa_mainloop_api* api, pa_time_event* e, const struct timeval*,
                             void* u) {
        auto* self = static_cast<Impl*>(u);
        api->time_free(e);
        {
            std::lock_guard g(self->m);
            self->splitAt = -1;
        }
        self->WriteMore();
        self->Trigger();
    }

    // With the main loop unlocked: a fresh context when there is none or the
    // last one failed; then waits for it up to the deadline.
    bool Connect(SteadyClock::time_point deadline) {
        pa_threaded_mainloop_lock(loop);
        bool fresh = !context;
        if (context) {
            const auto s = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(s)) {
                pa_context_disconnect(context);
                pa_context_unref(context);
                context = nullptr;
                fresh = true;
            }
        }
        if (fresh) {
            pa_proplist* props = pa_proplist_new();
            pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Tonmark");
            pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "Tonmark");
            context =
                pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Tonmark", props);
            pa_proplist_free(props);
            {
                std::lock_guard g(m);
                contextState = PA_CONTEXT_UNCONNECTED;
            }
            if (context) {
                pa_context_set_state_callback(context, ContextStateCb, this);
                if (pa_context_connect(context, server.empty() ? nullptr : server.c_str(),
                                       PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
                    std::lock_guard g(m);
                    contextState = PA_CONTEXT_FAILED;
                }
            }
        }
        pa_threaded_mainloop_unlock(loop);
        if (!context)
            return false;
        std::unique_lock g(m);
        changed.wait_until(g, deadline, [this] {
            return contextState == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(contextState);
        });
        return contextState == PA_CONTEXT_READY;
    }
};

PulseStreamOutput::PulseStreamOutput(const std::string& server) : impl_(std::make_unique<Impl>()) {
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
        // however much the stream holds. An explicit volume at 100 %, and no
        // moving: a volume the server remembered from elsewhere, or another
        // output the stream was moved to, would not be the calibrated one.
        pa_cvolume volume;
        pa_cvolume_set(&volume, 2, PA_VOLUME_NORM);
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
