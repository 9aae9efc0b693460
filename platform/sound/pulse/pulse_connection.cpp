#include "platform/sound/pulse/pulse_connection.h"

#include "platform/display/DynamicError.h"
#include "platform/sound/pulse/pulse_stream_identity.h"

namespace {

void wakeOnStateChange(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

bool contextEnded(pa_context* context) { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context)); }

}  // namespace

PulseConnection::PulseConnection(pa_usec_t timeoutUs) {
    loop = pa_threaded_mainloop_new();
    if (loop == nullptr) throw DynamicError("PulseAudio: cannot make a main loop");
    pulseContext = newNamedContext(pa_threaded_mainloop_get_api(loop));
    if (pulseContext == nullptr) {
        pa_threaded_mainloop_free(loop);
        throw DynamicError("PulseAudio: cannot make a context");
    }
    pa_context_set_state_callback(pulseContext, wakeOnStateChange, loop);
    std::string error;
    {
        Lock lock(*this);
        if (pa_context_connect(pulseContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            error = failure("PulseAudio: cannot connect to the sound server");
        } else if (pa_threaded_mainloop_start(loop) < 0) {
            error = "PulseAudio: cannot start the main loop thread";
        } else if (!waitUntil([this] { return pa_context_get_state(pulseContext) == PA_CONTEXT_READY; }, timeoutUs)) {
            error = contextEnded(pulseContext) ? failure("PulseAudio: cannot connect to the sound server")
                                               : "PulseAudio: the sound server does not answer";
        }
    }
    if (!error.empty()) {
        release();
        throw DynamicError(error);
    }
}

PulseConnection::~PulseConnection() { release(); }

void PulseConnection::release() {
    if (pulseContext != nullptr) {
        {
            Lock lock(*this);
            pa_context_set_state_callback(pulseContext, nullptr, nullptr);
            pa_context_disconnect(pulseContext);
            pa_context_unref(pulseContext);
        }
        pulseContext = nullptr;
    }
    if (loop != nullptr) {
        // Stopping a loop that never started returns at once.
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }
}

namespace {

struct Deadline {
    pa_threaded_mainloop* loop;
    bool passed = false;
};

void deadlinePassed(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* deadline = static_cast<Deadline*>(userdata);
    deadline->passed = true;
    pa_threaded_mainloop_signal(deadline->loop, 0);
}

}  // namespace

bool PulseConnection::waitUntil(const std::function<bool()>& done, pa_usec_t timeoutUs) const {
    Deadline deadline{loop};
    pa_time_event* timer = pa_context_rttime_new(pulseContext, pa_rtclock_now() + timeoutUs, deadlinePassed, &deadline);
    // A connection that failed wakes us through its state callback.
    while (!done() && !deadline.passed && !contextEnded(pulseContext)) pa_threaded_mainloop_wait(loop);
    if (timer != nullptr) pa_threaded_mainloop_get_api(loop)->time_free(timer);
    return done();
}

namespace {

void wakeOnDone(pa_operation*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

}  // namespace

bool PulseConnection::finish(pa_operation* operation, pa_usec_t timeoutUs) const {
    if (operation == nullptr) return false;
    pa_operation_set_state_callback(operation, wakeOnDone, loop);
    waitUntil([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }, timeoutUs);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    pa_operation_unref(operation);
    return done;
}

std::string PulseConnection::failure(const char* what) const {
    return std::string(what) + ": " + pa_strerror(pa_context_errno(pulseContext));
}
