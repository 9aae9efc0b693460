#include "support/pulse_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/sound/pulse/pulse_output.h"

namespace {

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

}  // namespace

PulseServer::PulseServer() {
    const std::string program = findProgram("pulseaudio");
    if (program.empty()) {
        reason = "pulseaudio is not installed";
        return;
    }
    char pattern[] = "/tmp/peekstun-pulse-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        reason = "cannot make a directory for the server";
        return;
    }
    directory = pattern;
    serverAddress = "unix:" + directory + "/native";
    const std::string log = directory + "/log";

    // Everything the server keeps (its runtime files, its cookie, its state)
    // goes into the directory; -n leaves out the user's configuration, and
    // the socket takes anyone, so the test needs no cookie.
    const std::vector<std::string> arguments = {
        program,
        "-n",
        "--daemonize=no",
        "--system=no",
        "--use-pid-file=no",
        "--exit-idle-time=-1",
        "--log-target=stderr",
        "-L",
        "module-null-sink sink_name=null rate=44100 channels=2",
        "-L",
        "module-native-protocol-unix auth-anonymous=1 socket=" + directory + "/native"};
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    child = fork();
    if (child == 0) {
        const int errors = open(log.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (errors >= 0) {
            dup2(errors, STDOUT_FILENO);
            dup2(errors, STDERR_FILENO);
        }
        setenv("HOME", directory.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", directory.c_str(), 1);
        setenv("XDG_CONFIG_HOME", directory.c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", directory.c_str(), 1);
        setenv("PULSE_STATE_PATH", directory.c_str(), 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (child < 0) {
        reason = "cannot start pulseaudio";
        return;
    }

    if (const char* old = std::getenv("PULSE_SERVER")) {
        hadAddress = true;
        oldAddress = old;
    }
    setenv("PULSE_SERVER", serverAddress.c_str(), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!pulseServerRunning()) {
        if (waitpid(child, nullptr, WNOHANG) == child) {
            child = -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (child < 0 || !pulseServerRunning()) {
        std::ifstream file(log);
        std::stringstream text;
        text << file.rdbuf();
        reason = "pulseaudio did not come up: " + text.str();
    }
}

PulseServer::~PulseServer() {
    if (child > 0) {
        kill(child, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (waitpid(child, nullptr, WNOHANG) != child) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (!serverAddress.empty()) {
        if (hadAddress) {
            setenv("PULSE_SERVER", oldAddress.c_str(), 1);
        } else {
            unsetenv("PULSE_SERVER");
        }
    }
    if (!directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
}
