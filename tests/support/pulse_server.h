// A sound server of the test's own: PulseAudio with one null sink (named
// "null", its monitor "null.monitor"), reachable only through a socket in a
// fresh directory that PULSE_SERVER names while the object lives. The sink
// plays in real time and passes 16-bit stereo at 44100 Hz through unchanged.
#pragma once

#include <sys/types.h>

#include <string>

class PulseServer {
public:
    PulseServer();
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // Why there is no server (pulseaudio not installed, or it did not come
    // up), or "" when there is one.
    const std::string& unavailableReason() const { return reason; }
    // The value PULSE_SERVER has for it.
    const std::string& address() const { return serverAddress; }

private:
    std::string directory;
    std::string serverAddress;
    std::string oldAddress;
    bool hadAddress = false;
    std::string reason;
    pid_t child = -1;
};
