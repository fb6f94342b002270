#include "audio/pulse_endpoint_volume.h"

#include <algorithm>
#include <cmath>
#include <pulse/pulseaudio.h>
#include <string>

namespace tonmark {

namespace {
constexpr int kTimeoutMs = 2000;
}

// A private main loop run only while a call waits for its answer.
struct PulseEndpointVolume::Impl {
    pa_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    bool ready = false;

    Impl() {
        loop = pa_mainloop_new();
        if (!loop)
            return;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Tonmark");
        context = pa_context_new_with_proplist(pa_mainloop_get_api(loop), "Tonmark", props);
        pa_proplist_free(props);
        if (!context || pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return;
        ready = RunUntil([this] {
                    const auto s = pa_context_get_state(context);
                    return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
                }) &&
                pa_context_get_state(context) == PA_CONTEXT_READY;
    }

    ~Impl() {
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop)
            pa_mainloop_free(loop);
    }

    // Runs the loop until done() holds, checking it after every dispatch, so
    // the wait ends as soon as the answer is in; the deadline only bounds a
    // server that does not answer.
    template <class Done> bool RunUntil(Done done) {
        const pa_usec_t deadline = pa_rtclock_now() + kTimeoutMs * 1000ULL;
        while (!done()) {
            const pa_usec_t now = pa_rtclock_now();
            if (now >= deadline)
                return false;
            if (pa_mainloop_prepare(loop, static_cast<int>(deadline - now)) < 0 ||
                pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
                return false;
        }
        return true;
    }

    bool Wait(pa_operation* op) {
        if (!op)
            return false;
        const bool ok =
            RunUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        pa_operation_unref(op);
        return ok;
    }

    std::string DefaultSink() {
        std::string name;
        auto cb = [](pa_context*, const pa_server_info* i, void* u) {
            if (i && i->default_sink_name)
                *static_cast<std::string*>(u) = i->default_sink_name;
        };
        Wait(pa_context_get_server_info(context, cb, &name));
        return name;
    }

    struct SinkState {
        bool found = false;
        pa_cvolume volume{};
    };

    SinkState Sink(const std::string& name) {
        SinkState st;
        auto cb = [](pa_context*, const pa_sink_info* i, int eol, void* u) {
            if (eol || !i)
                return;
            auto* s = static_cast<SinkState*>(u);
            s->found = true;
            s->volume = i->volume;
        };
        Wait(pa_context_get_sink_info_by_name(context, name.c_str(), cb, &st));
        return st;
    }
};

PulseEndpointVolume::PulseEndpointVolume() : impl_(std::make_unique<Impl>()) {}
PulseEndpointVolume::~PulseEndpointVolume() = default;

bool PulseEndpointVolume::Connected() const {
    return impl_->ready;
}

int32_t PulseEndpointVolume::Maxvalue() const {
    return static_cast<int32_t>(PA_VOLUME_NORM);
}

uint32_t PulseEndpointVolume::Steps() const {
    return PA_VOLUME_NORM;
}

uint32_t PulseEndpointVolume::Channels() const {
    if (!impl_->ready)
        return 0;
    return impl_->Sink(impl_->DefaultSink()).volume.channels;
}

namespace {
SoundStatus ServerFailure(const char* reason) {
    return SoundStatus::Failed(SoundFailure::ServerVolumeRefused, reason);
}
constexpr const char* kNoServer = "the sound server does not answer";
constexpr const char* kNoSink = "the sound server has no default output";
} // namespace

SoundStatus PulseEndpointVolume::Set(int32_t left, int32_t) {
    if (!impl_->ready)
        return ServerFailure(kNoServer);
    const std::string sink = impl_->DefaultSink();
    const auto st = impl_->Sink(sink);
    if (!st.found)
        return ServerFailure(kNoSink);
    pa_cvolume cv = st.volume;
    pa_cvolume_set(&cv, st.volume.channels,
                   static_cast<pa_volume_t>(std::clamp<int64_t>(left, 0, PA_VOLUME_NORM)));
    bool ok = false;
    auto cb = [](pa_context*, int success, void* u) { *static_cast<bool*>(u) = success != 0; };
    if (!impl_->Wait(
            pa_context_set_sink_volume_by_name(impl_->context, sink.c_str(), &cv, cb, &ok)))
        return ServerFailure(kNoServer);
    return ok ? SoundStatus::Success() : ServerFailure("the sound server refused the volume");
}

SoundStatus PulseEndpointVolume::Get(Levels& levels) {
    if (!impl_->ready)
        return ServerFailure(kNoServer);
    const auto st = impl_->Sink(impl_->DefaultSink());
    if (!st.found || st.volume.channels == 0)
        return ServerFailure(kNoSink);
    const auto first = static_cast<int32_t>(std::min<pa_volume_t>(st.volume.values[0], INT32_MAX));
    levels = {first, first};
    return SoundStatus::Success();
}

} // namespace tonmark
