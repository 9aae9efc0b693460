// A connection to the sound server on a libpulse thread of its own: the
// server named by the environment (PULSE_SERVER) or the user's, never one
// started for us. Everything touching the context or its streams runs either
// on that thread (in callbacks) or with its lock held.
#pragma once

#include <pulse/pulseaudio.h>

#include <functional>
#include <string>

class PulseConnection {
public:
    // Connects, or throws DynamicError with libpulse's reason; a server that
    // does not answer within `timeoutUs` counts as none.
    explicit PulseConnection(pa_usec_t timeoutUs);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Holds the connection's lock for as long as it lives.
    class Lock {
    public:
        explicit Lock(const PulseConnection& connection) : loop(connection.loop) { pa_threaded_mainloop_lock(loop); }
        ~Lock() { pa_threaded_mainloop_unlock(loop); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop;
    };

    pa_context* context() const { return pulseContext; }
    pa_threaded_mainloop* mainloop() const { return loop; }

    // With the lock held: sleeps until `done()` or `timeoutUs` passes or the
    // connection fails; returns whether `done()` holds. Callbacks that change
    // what `done` looks at must call wake().
    bool waitUntil(const std::function<bool()>& done, pa_usec_t timeoutUs) const;
    // With the lock held: waits (up to `timeoutUs`) for `operation` to finish
    // and releases it; returns whether it finished. nullptr (an operation
    // that could not be sent) returns false.
    bool finish(pa_operation* operation, pa_usec_t timeoutUs) const;
    // Wakes whoever waits in waitUntil (from callbacks on the loop's thread).
    void wake() const { pa_threaded_mainloop_signal(loop, 0); }

    // "<what>: <libpulse's reason for the last failure>".
    std::string failure(const char* what) const;

private:
    void release();

    pa_threaded_mainloop* loop = nullptr;
    pa_context* pulseContext = nullptr;
};
