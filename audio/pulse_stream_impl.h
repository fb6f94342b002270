#pragma once
// The state a PulseStreamOutput shares with libpulse's thread, for the files
// that implement it (pulse_stream_output.cpp, pulse_stream_volume.cpp) and no
// others.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pulse/pulseaudio.h>
#include <string>

#include "audio/pulse_stream_output.h"
#include "audio/tone_synthesis.h"

namespace tonmark {

// Everything the callbacks share with the user-interface thread. libpulse
// calls are made with the main loop's lock held; the fields below `m` are
// guarded by m, which is taken after (never before) the main loop's lock.
struct PulseStreamOutput::Impl {
    using SteadyClock = std::chrono::steady_clock;
    static constexpr size_t kFrame = kFrameBytes;

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
    // The server's answer to the last change of the stream volume.
    enum class VolumeAnswer { Waiting, Taken, Refused } volumeAnswer = VolumeAnswer::Taken;

    void Notify() { changed.notify_all(); }

    // The program's stream volume as the server takes it (pulse_stream_volume.cpp).
    static pa_cvolume CVolumeOf(const OwnStreamVolume::Levels& levels);
    static void VolumeCb(pa_context*, int success, void* u);

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

} // namespace tonmark
