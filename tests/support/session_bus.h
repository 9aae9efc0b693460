// A session bus of the test's own (dbus-daemon), named by
// DBUS_SESSION_BUS_ADDRESS while the object lives, so that nothing a test
// starts reaches the user's desktop.
#pragma once

#include <sys/types.h>

#include <string>

class SessionBus {
public:
    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Why there is no bus (dbus-daemon missing, or it did not start), or "".
    const std::string& unavailableReason() const { return reason; }

private:
    std::string reason;
    std::string oldAddress;
    bool hadAddress = false;
    pid_t daemon = -1;
};
