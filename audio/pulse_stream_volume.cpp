// The program's own stream volume on the stream that is open: the sink-input
// volume, changed while it plays and waited for.
#include "audio/pulse_stream_impl.h"

namespace tonmark {

// The stream volume as the server takes it: the linear factor of each
// channel on the server's own (cubic) scale, left then right.
pa_cvolume PulseStreamOutput::Impl::CVolumeOf(const OwnStreamVolume::Levels& levels) {
    pa_cvolume v;
    pa_cvolume_init(&v);
    v.channels = 2;
    v.values[0] = pa_sw_volume_from_linear(OwnStreamVolume::Amplitude(levels.left));
    v.values[1] = pa_sw_volume_from_linear(OwnStreamVolume::Amplitude(levels.right));
    return v;
}

void PulseStreamOutput::Impl::VolumeCb(pa_context*, int success, void* u) {
    auto* self = static_cast<Impl*>(u);
    std::lock_guard g(self->m);
    self->volumeAnswer = success ? VolumeAnswer::Taken : VolumeAnswer::Refused;
    self->Notify();
}

bool PulseStreamOutput::ApplyStreamVolume(const OwnStreamVolume::Levels& levels) {
    Impl& d = *impl_;
    if (!d.loop)
        return true;
    pa_threaded_mainloop_lock(d.loop);
    // Without a stream the next one connects at the new volume.
    if (!d.stream || pa_stream_get_state(d.stream) != PA_STREAM_READY) {
        pa_threaded_mainloop_unlock(d.loop);
        return true;
    }
    const pa_cvolume volume = Impl::CVolumeOf(levels);
    {
        std::lock_guard g(d.m);
        d.volumeAnswer = Impl::VolumeAnswer::Waiting;
    }
    pa_operation* op = pa_context_set_sink_input_volume(d.context, pa_stream_get_index(d.stream),
                                                        &volume, Impl::VolumeCb, &d);
    pa_threaded_mainloop_unlock(d.loop);
    if (!op)
        return false;
    bool taken;
    {
        std::unique_lock g(d.m);
        d.changed.wait_until(g, Impl::SteadyClock::now() + kConnectLimit, [&d] {
            return d.volumeAnswer != Impl::VolumeAnswer::Waiting ||
                   !PA_CONTEXT_IS_GOOD(d.contextState);
        });
        taken = d.volumeAnswer == Impl::VolumeAnswer::Taken;
    }
    pa_threaded_mainloop_lock(d.loop);
    // An answer that comes after the wait must find nobody waiting for it.
    if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    pa_threaded_mainloop_unlock(d.loop);
    return taken;
}

} // namespace tonmark
