#include "support/session_bus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

SessionBus::SessionBus() {
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "cannot make a pipe";
        return;
    }
    daemon = fork();
    if (daemon == 0) {
        dup2(fds[1], STDOUT_FILENO);
        // Its complaints about a lower file limit are no concern of a test.
        const int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The daemon prints its address once it listens.
    std::string address;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') address += c;
    close(fds[0]);
    if (address.empty()) {
        reason = "dbus-daemon did not start (is it installed?)";
        return;
    }
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        hadAddress = true;
        oldAddress = old;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

SessionBus::~SessionBus() {
    if (hadAddress) {
        setenv("DBUS_SESSION_BUS_ADDRESS", oldAddress.c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    if (daemon > 0) {
        kill(daemon, SIGTERM);
        waitpid(daemon, nullptr, 0);
    }
}
