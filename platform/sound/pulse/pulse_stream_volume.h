// The volume and mute of one playback stream on the sound server, the very
// figures the desktop's mixer shows for it: set from the show, changed by
// anyone, and read back at any time without waiting for the server.
#pragma once

#include <pulse/pulseaudio.h>

#include <mutex>

#include "platform/sound/pulse/pulse_connection.h"

class PulseStreamVolume {
public:
    // With the connection's lock held, for a stream that is ready: reads the
    // volume the server gave it (one it kept from an earlier run, or its
    // default) and follows every later change.
    PulseStreamVolume(const PulseConnection& connection, pa_stream* stream);
    // With the connection's lock held: stops following.
    ~PulseStreamVolume();
    PulseStreamVolume(const PulseStreamVolume&) = delete;
    PulseStreamVolume& operator=(const PulseStreamVolume&) = delete;

    // With the connection's lock held. `volume` 1 is the server's full volume.
    void set(double volume, bool muted);
    // The last figures known, from any thread.
    void read(double& volume, bool& muted) const;

private:
    static void onEvent(pa_context*, pa_subscription_event_type_t type, uint32_t index, void* self);
    static void onInfo(pa_context*, const pa_sink_input_info* info, int last, void* self);
    void requestInfo();
    void dropRequest();

    const PulseConnection& connection;
    const uint32_t streamIndex;
    pa_operation* pendingInfo = nullptr;  // with the lock held

    mutable std::mutex figuresMutex;
    double volume = 1;
    bool muted = false;
};
