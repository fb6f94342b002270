#pragma once
// The program's own playback streams as the sound server sees them (its sink
// inputs of application "Tonmark"), read through libpulse: volume per channel
// on the server's scale, mute, media name. Every wait has a 2 s deadline.
#include <pulse/pulseaudio.h>
#include <string>
#include <vector>

namespace tonmark::test {

struct ProgramSinkInput {
    std::string media;
    std::vector<pa_volume_t> volume; // per channel
    bool muted = false;
};

// Empty when the server does not answer.
inline std::vector<ProgramSinkInput> ProgramSinkInputs() {
    std::vector<ProgramSinkInput> found;
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tonmark test reader");
    const pa_usec_t deadline = pa_rtclock_now() + 2000000;
    const auto runUntil = [&](auto done) {
        while (!done()) {
            const pa_usec_t now = pa_rtclock_now();
            if (now >= deadline ||
                pa_mainloop_prepare(loop, static_cast<int>(deadline - now)) < 0 ||
                pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
                return false;
        }
        return true;
    };
    struct Reading {
        std::vector<ProgramSinkInput>* found;
        bool done = false;
    } reading{&found};
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 && runUntil([&] {
            const auto s = pa_context_get_state(context);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        }) &&
        pa_context_get_state(context) == PA_CONTEXT_READY) {
        const auto cb = [](pa_context*, const pa_sink_input_info* i, int eol, void* u) {
            auto* r = static_cast<Reading*>(u);
            if (eol || !i) {
                r->done = true;
                return;
            }
            const char* app = pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_NAME);
            if (!app || std::string(app) != "Tonmark")
                return;
            ProgramSinkInput in;
            const char* media = pa_proplist_gets(i->proplist, PA_PROP_MEDIA_NAME);
            in.media = media ? media : "";
            in.volume.assign(i->volume.values, i->volume.values + i->volume.channels);
            in.muted = i->mute != 0;
            r->found->push_back(in);
        };
        if (pa_operation* op = pa_context_get_sink_input_info_list(context, cb, &reading)) {
            runUntil([&] { return reading.done; });
            pa_operation_unref(op);
        }
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return reading.done ? found : std::vector<ProgramSinkInput>{};
}

} // namespace tonmark::test
