#include "audio/pulse_output_watch.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <pulse/pulseaudio.h>
#include <string>
#include <vector>

namespace tonmark {

namespace {

constexpr auto kAnswerTimeout = std::chrono::seconds(2);
constexpr const char* kServerStopped = "The sound server stopped.";
constexpr const char* kNoAnswer =
    "The sound server did not answer within 2 seconds, so the sound output cannot be watched.";
constexpr const char* kNoDefault = "The sound server has no default sound output to watch.";
constexpr const char* kNoLoop = "The sound output cannot be watched: libpulse could not start.";

struct SinkState {
    uint32_t index = PA_INVALID_INDEX;
    std::string name, description;
    std::string port, portDescription; // empty: the sink has no ports
    pa_cvolume volume{};
    bool muted = false;

    // As the desktop's sound settings name it.
    std::string Shown() const { return "\"" + (description.empty() ? name : description) + "\""; }
    std::string PortShown() const {
        return port.empty() ? "none"
                            : "\"" + (portDescription.empty() ? port : portDescription) + "\"";
    }
};

const SinkState* Find(const std::vector<SinkState>& sinks, const std::string& name) {
    for (const SinkState& s : sinks)
        if (s.name == name)
            return &s;
    return nullptr;
}

// Percent of the server's normal volume, one figure for all channels when
// they agree, else one per channel in the sink's channel order.
std::string Percent(const pa_cvolume& v) {
    const auto one = [](pa_volume_t x) {
        char text[32];
        const double p = static_cast<double>(x) * 100.0 / PA_VOLUME_NORM;
        if (std::fabs(p - std::round(p)) < 0.05)
            std::snprintf(text, sizeof text, "%.0f %%", p);
        else
            std::snprintf(text, sizeof text, "%.1f %%", p);
        return std::string(text);
    };
    if (v.channels == 0)
        return "none";
    if (pa_cvolume_channels_equal_to(&v, v.values[0]))
        return one(v.values[0]);
    std::string all;
    for (unsigned c = 0; c < v.channels; ++c)
        all += (c ? " / " : "") + one(v.values[c]);
    return all;
}

// The user's sentence for the first thing of the armed state that the server
// no longer has, most drastic first; empty when it still has all of it.
std::string Difference(const SinkState& armed, const std::string& defaultSink,
                       const std::vector<SinkState>& sinks) {
    const SinkState* now = Find(sinks, armed.name);
    if (!now)
        return "The sound output " + armed.Shown() + " was removed.";
    if (now->index != armed.index)
        return "The sound output " + armed.Shown() + " was removed and added again.";
    if (defaultSink != armed.name) {
        const SinkState* next = Find(sinks, defaultSink);
        if (!next)
            return "The sound output " + armed.Shown() + " is no longer the default output.";
        return "The default sound output changed from " + armed.Shown() + " to " + next->Shown() +
               ".";
    }
    if (now->port != armed.port)
        return "The output port of the sound output " + armed.Shown() + " changed from " +
               armed.PortShown() + " to " + now->PortShown() + ".";
    if (now->muted != armed.muted)
        return "The sound output " + armed.Shown() + (now->muted ? " was muted" : " was unmuted") +
               " by another program.";
    // Exact: the armed values are the server's own answer to the program's
    // set, so any difference at all is someone else's.
    if (!pa_cvolume_equal(&now->volume, &armed.volume)) {
        const std::string from = Percent(armed.volume), to = Percent(now->volume);
        return "The volume of the sound output " + armed.Shown() +
               " was changed by another program" +
               (from == to ? std::string() : " (from " + from + " to " + to + ")") + ".";
    }
    return {};
}

} // namespace

// One reading at a time is in flight on the watcher's connection, and the
// server answers a connection's requests in order, so a reading asked for
// after Arm's sees at least what Arm's saw. Every reading is tagged with the
// generation that asked for it; Arm and Disarm start a new generation, and a
// reading of an older one is dropped.
struct PulseOutputWatch::Impl {
    pa_threaded_mainloop* loop = nullptr;

    // Guarded by the main loop's lock, which its thread holds while it runs
    // the callbacks below.
    pa_context* context = nullptr;
    uint64_t generation = 0;
    bool armed = false;        // comparing readings with `snapshot`
    bool wantSnapshot = false; // an Arm waits for the next reading of its generation
    bool reading = false;      // a reading is in flight
    bool again = false;        // an event came while it was: read once more
    struct Reading {
        uint64_t generation = 0;
        bool snapshot = false;
        std::string defaultSink;
        std::vector<SinkState> sinks;
    } current;
    SinkState snapshot;

    // Guarded by `mutex`: what the user-interface thread reads. Taken inside
    // the loop's lock, never the other way round.
    mutable std::mutex mutex;
    std::condition_variable answered;
    std::string change;
    enum class ArmState { Idle, Waiting, Done, Failed } armState = ArmState::Idle;
    std::string armFailure;

    Impl() {
        loop = pa_threaded_mainloop_new();
        if (!loop)
            return;
        pa_threaded_mainloop_set_name(loop, "tonmark-watch");
        Connect(); // before the thread runs, so no lock yet
        if (pa_threaded_mainloop_start(loop) < 0) {
            DropContext();
            pa_threaded_mainloop_free(loop);
            loop = nullptr;
        }
    }

    ~Impl() {
        if (!loop)
            return;
        pa_threaded_mainloop_stop(loop); // joins the thread: no callback runs after this
        DropContext();
        pa_threaded_mainloop_free(loop);
    }

    // Under the loop's lock (or before its thread started).
    void Connect() {
        DropContext();
        reading = again = false;
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Tonmark");
        context =
            pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), "Tonmark", props);
        pa_proplist_free(props);
        if (!context)
            return;
        pa_context_set_state_callback(context, &Impl::OnState, this);
        pa_context_set_subscribe_callback(context, &Impl::OnEvent, this);
        // A failure here has already passed through OnState as FAILED.
        pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    }

    void DropContext() {
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_set_subscribe_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    void FinishArm(ArmState state, const std::string& failure) {
        std::lock_guard lock(mutex);
        if (armState != ArmState::Waiting)
            return;
        armState = state;
        armFailure = failure;
        answered.notify_all();
    }

    static void OnState(pa_context* c, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        if (c != self->context)
            return;
        const pa_context_state_t state = pa_context_get_state(c);
        if (state == PA_CONTEXT_READY) {
            if (pa_operation* op = pa_context_subscribe(
                    c,
                    static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                        PA_SUBSCRIPTION_MASK_SERVER),
                    nullptr, nullptr))
                pa_operation_unref(op);
            // Asked after the subscription, so no change after this reading
            // goes without an event.
            if (self->wantSnapshot && !self->reading)
                self->StartReading();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            self->Lost(pa_strerror(pa_context_errno(c)));
        }
    }

    void Lost(const std::string& why) {
        reading = again = false;
        if (wantSnapshot) {
            wantSnapshot = false;
            FinishArm(ArmState::Failed, "The sound server could not be reached (" + why +
                                            "), so the sound output cannot be watched.");
        }
        if (armed) {
            armed = false;
            std::lock_guard lock(mutex);
            change = kServerStopped;
        }
    }

    static void OnEvent(pa_context* c, pa_subscription_event_type_t, uint32_t, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        if (c != self->context || (!self->armed && !self->wantSnapshot))
            return;
        if (self->reading)
            self->again = true;
        else if (self->armed)
            self->StartReading();
    }

    void StartReading() {
        current = Reading{generation, wantSnapshot, {}, {}};
        pa_operation* server = pa_context_get_server_info(context, &Impl::OnServer, this);
        pa_operation* sinks = pa_context_get_sink_info_list(context, &Impl::OnSink, this);
        reading = server && sinks;
        if (server)
            pa_operation_unref(server);
        if (sinks)
            pa_operation_unref(sinks);
        // Refused only by a connection on its way down; OnState follows.
        if (!reading)
            ReadingFailed();
    }

    // libpulse gave up on a reading (its own reply timeout, or the
    // connection failing); a comparison waits for the next event.
    void ReadingFailed() {
        reading = false;
        if (!wantSnapshot)
            return;
        wantSnapshot = false;
        FinishArm(ArmState::Failed, std::string("The sound server could not be asked (") +
                                        pa_strerror(pa_context_errno(context)) +
                                        "), so the sound output cannot be watched.");
    }

    static void OnServer(pa_context* c, const pa_server_info* i, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        if (c != self->context)
            return;
        self->current.defaultSink = i && i->default_sink_name ? i->default_sink_name : "";
    }

    static void OnSink(pa_context* c, const pa_sink_info* i, int eol, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        if (c != self->context)
            return;
        if (eol < 0) {
            self->ReadingFailed();
            return;
        }
        if (eol > 0) {
            self->Finish();
            return;
        }
        if (!i)
            return;
        SinkState s;
        s.index = i->index;
        s.name = i->name ? i->name : "";
        s.description = i->description ? i->description : "";
        if (i->active_port) {
            s.port = i->active_port->name ? i->active_port->name : "";
            s.portDescription = i->active_port->description ? i->active_port->description : "";
        }
        s.volume = i->volume;
        s.muted = i->mute != 0;
        self->current.sinks.push_back(std::move(s));
    }

    void Finish() {
        reading = false;
        const bool fresh = current.generation == generation;
        if (fresh && current.snapshot && wantSnapshot)
            TakeSnapshot();
        else if (fresh && !current.snapshot && armed)
            Compare();
        if (wantSnapshot || (armed && again)) {
            again = false;
            StartReading();
        }
    }

    void TakeSnapshot() {
        wantSnapshot = false;
        const SinkState* s = Find(current.sinks, current.defaultSink);
        if (!s) {
            FinishArm(ArmState::Failed, kNoDefault);
            return;
        }
        snapshot = *s;
        armed = true;
        FinishArm(ArmState::Done, {});
    }

    void Compare() {
        std::string what = Difference(snapshot, current.defaultSink, current.sinks);
        if (what.empty())
            return;
        armed = false; // reported; it stays so until the next Arm
        std::lock_guard lock(mutex);
        change = std::move(what);
    }

    SoundStatus Arm() {
        if (!loop)
            return SoundStatus::Failed(SoundFailure::OutputNotWatched, kNoLoop);
        const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
        pa_threaded_mainloop_lock(loop);
        ++generation;
        armed = false;
        wantSnapshot = true;
        {
            std::lock_guard lock(mutex);
            change.clear();
            armState = ArmState::Waiting;
            armFailure.clear();
        }
        if (!context || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
            Connect(); // the server went away before: try it afresh
        if (!context)
            FinishArm(ArmState::Failed, kNoAnswer);
        else if (pa_context_get_state(context) == PA_CONTEXT_READY && !reading)
            StartReading();
        // Otherwise OnState (connecting) or Finish (a reading in flight)
        // starts the reading.
        pa_threaded_mainloop_unlock(loop);

        {
            std::unique_lock lock(mutex);
            answered.wait_until(lock, deadline, [this] { return armState != ArmState::Waiting; });
            if (armState != ArmState::Waiting)
                return TakeArmResult();
        }
        // No answer in time. With wantSnapshot cleared no callback touches
        // armState any more, and an answer that comes later is dropped.
        pa_threaded_mainloop_lock(loop);
        wantSnapshot = false;
        SoundStatus result;
        {
            std::lock_guard lock(mutex);
            if (armState == ArmState::Waiting) {
                armState = ArmState::Failed;
                armFailure = kNoAnswer;
            }
            result = TakeArmResult();
        }
        pa_threaded_mainloop_unlock(loop);
        return result;
    }

    // Under `mutex`, once the Arm's answer is in.
    SoundStatus TakeArmResult() {
        const bool done = armState == ArmState::Done;
        armState = ArmState::Idle;
        return done ? SoundStatus::Success()
                    : SoundStatus::Failed(SoundFailure::OutputNotWatched, armFailure);
    }

    void Disarm() {
        if (!loop)
            return;
        pa_threaded_mainloop_lock(loop);
        ++generation;
        armed = false;
        wantSnapshot = false;
        {
            std::lock_guard lock(mutex);
            change.clear();
        }
        pa_threaded_mainloop_unlock(loop);
    }
};

PulseOutputWatch::PulseOutputWatch() : impl_(std::make_unique<Impl>()) {}
PulseOutputWatch::~PulseOutputWatch() = default;

SoundStatus PulseOutputWatch::Arm() {
    return impl_->Arm();
}

std::string PulseOutputWatch::Change() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->change;
}

void PulseOutputWatch::Disarm() {
    impl_->Disarm();
}

} // namespace tonmark
