#include "support/x11_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace x11_session {

namespace {

const std::string buildDir = PEEKSTUN_BUILD_DIR;

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

// Binary PPM (P6, maximum 255), as ImageMagick writes it.
Picture parsePpm(const std::string& data) {
    std::istringstream stream(data);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    stream >> magic >> width >> height >> maximum;
    if (magic != "P6" || width <= 0 || height <= 0 || maximum != 255) return {};
    stream.get();  // the one whitespace byte before the pixels
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(static_cast<size_t>(width) * height * 3);
    stream.read(reinterpret_cast<char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    if (static_cast<size_t>(stream.gcount()) != picture.rgb.size()) return {};
    return picture;
}

}  // namespace

std::string programPath() { return buildDir + "/peekstun"; }

std::string unavailableReason() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return "no DISPLAY";
    if (access(programPath().c_str(), X_OK) != 0) return programPath() + " is not built yet";
    if (!runCommand("xdotool getdisplaygeometry").ok) return "xdotool cannot reach the display";
    return "";
}

// Each command is given a time limit: a stray "windowfocus --sync" must not
// outlive its test and type into a later window that reuses its id.
CommandResult runCommand(const std::string& command) {
    FILE* pipe = popen(("timeout 20 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return {false, ""};
    std::string output;
    char buffer[4096];
    while (size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
    int status = pclose(pipe);
    return {status == 0, output};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty()) result.push_back(line);
    }
    return result;
}

Program::Program(const std::string& directory, const std::string& name, const std::vector<std::string>& arguments)
    : errorPath(buildDir + "/" + name + ".stderr") {
    const std::string program = programPath();
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    child = fork();
    if (child == 0) {
        // A group of its own, so that the helpers it forks (the message box
        // runs in one) are frozen and ended with it.
        setpgid(0, 0);
        int errors = open(errorPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (errors >= 0) dup2(errors, STDERR_FILENO);
        if (chdir(directory.c_str()) != 0) _exit(127);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (child > 0) setpgid(child, child);  // also here: whichever runs first
}

Program::~Program() {
    if (child <= 0) return;
    kill(-child, SIGKILL);
    if (!exited) waitpid(child, nullptr, 0);
}

bool Program::hasExited() {
    if (!exited && child > 0 && waitpid(child, &status, WNOHANG) == child) exited = true;
    return exited;
}

bool Program::waitForExit(double seconds, const std::function<void()>& whileWaiting) {
    auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        if (hasExited()) return true;
        whileWaiting();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return hasExited();
}

bool Program::exitedWithZero() const { return exited && WIFEXITED(status) && WEXITSTATUS(status) == 0; }

std::string Program::errors() const { return runCommand("cat " + quoted(errorPath)).output; }

void Program::pause() {
    if (child > 0 && !exited) kill(-child, SIGSTOP);
}

void Program::resume() {
    if (child > 0 && !exited) kill(-child, SIGCONT);
}

std::vector<std::string> visibleWindows(const Program& program, const std::string& name) {
    std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(program.pid());
    // The show's window has no name xdotool can match: any window has a class.
    command += name.empty() ? " --classname ''" : " --name " + quoted(name);
    return lines(runCommand(command).output);
}

std::string waitForWindow(const Program& program, const std::string& name, double seconds) {
    auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        std::vector<std::string> found = visibleWindows(program, name);
        if (!found.empty()) return found.front();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

bool waitForWindowGone(const Program& program, const std::string& window, double seconds) {
    auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        bool present = false;
        for (const std::string& shown : visibleWindows(program)) present = present || shown == window;
        if (!present) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

std::string messageBoxWindow() {
    for (const std::string& line : lines(runCommand("xwininfo -root -tree").output)) {
        if (line.find("\"Error\"") == std::string::npos) continue;
        // xdotool takes window ids in decimal.
        return std::to_string(std::strtoul(line.c_str(), nullptr, 16));
    }
    return "";
}

// Without a window manager keyboard focus follows the pointer, so the window
// is given the focus explicitly, in the same command as the keys.
bool pressKeys(const std::string& window, const std::string& keys) {
    // A failed command sent no key (it could not connect, or the window
    // never took the focus), so it is safe to try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (runCommand("xdotool windowfocus --sync " + window + " key " + keys).ok) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

Size windowSize(const std::string& window) {
    Size size;
    for (int attempt = 0; attempt < 5 && size.width == 0; ++attempt) {
        for (const std::string& line : lines(runCommand("xwininfo -id " + window).output)) {
            std::sscanf(line.c_str(), " Width: %d", &size.width);
            std::sscanf(line.c_str(), " Height: %d", &size.height);
        }
    }
    return size;
}

Size screenSize() {
    Size size;
    std::sscanf(runCommand("xdotool getdisplaygeometry").output.c_str(), "%d %d", &size.width, &size.height);
    return size;
}

Picture readPicture(const std::string& path, int width, int height) {
    std::string resample;
    if (width > 0 && height > 0) resample = " -sample " + std::to_string(width) + "x" + std::to_string(height) + "!";
    CommandResult result = runCommand("convert " + quoted(path) + resample + " -depth 8 ppm:-");
    return result.ok ? parsePpm(result.output) : Picture{};
}

Picture captureWindow(const std::string& window, const std::string& savedAs, int width, int height) {
    std::remove(savedAs.c_str());
    if (!runCommand("import -window " + window + " " + quoted(savedAs)).ok) return {};
    return readPicture(savedAs, width, height);
}

MappedWindowLog::MappedWindowLog() : logPath(buildDir + "/mapped_windows_" + std::to_string(getpid()) + ".log") {
    // A window mapped before xev watches would go unseen: it watches once it
    // reports a change to a property of the root window. One that could not
    // connect is started again.
    for (int wait = 0; wait < 200; ++wait) {
        if (recorder <= 0 || waitpid(recorder, nullptr, WNOHANG) == recorder) startRecorder();
        runCommand("xprop -root -f PEEKSTUN_TEST_PROBE 8s -set PEEKSTUN_TEST_PROBE watching");
        if (runCommand("cat " + quoted(logPath)).output.find("PEEKSTUN_TEST_PROBE") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void MappedWindowLog::startRecorder() {
    recorder = fork();
    if (recorder == 0) {
        int log = open(logPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (log >= 0) dup2(log, STDOUT_FILENO);
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        // Line buffered, so that nothing is lost when it is stopped.
        execlp("stdbuf", "stdbuf", "-oL", "xev", "-root", "-event", "substructure", "-event", "property",
               static_cast<char*>(nullptr));
        _exit(127);
    }
}

MappedWindowLog::~MappedWindowLog() { stop(); }

std::vector<std::string> MappedWindowLog::stop() {
    if (recorder > 0) {
        kill(recorder, SIGTERM);
        waitpid(recorder, nullptr, 0);
        recorder = -1;
    }
    // "MapNotify event, ..." is followed by "    event 0x..., window 0x..., ...".
    std::vector<std::string> windows;
    bool mapping = false;
    for (const std::string& line : lines(runCommand("cat " + quoted(logPath)).output)) {
        size_t window = line.find(" window 0x");
        if (mapping && line.rfind("    event", 0) == 0 && window != std::string::npos) {
            windows.push_back(std::to_string(std::strtoul(line.c_str() + window + 8, nullptr, 16)));
        }
        mapping = line.rfind("MapNotify", 0) == 0;
    }
    std::remove(logPath.c_str());
    return windows;
}

namespace {

// Starts Xvfb on a display number it chooses itself and reports on a pipe;
// returns the server's process id, or -1.
pid_t startVirtualServer(std::string& name) {
    int numberPipe[2];
    if (pipe2(numberPipe, O_CLOEXEC) != 0) return -1;
    pid_t server = fork();
    if (server == 0) {
        dup2(numberPipe[1], 3);  // dup2 clears close-on-exec on the copy
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) dup2(quiet, STDERR_FILENO);
        // -noreset: otherwise the server resets each time its last client
        // leaves, and a program connecting just then is turned away.
        execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(numberPipe[1]);
    std::string number;
    pollfd readable{numberPipe[0], POLLIN, 0};
    char digit;
    // The number comes once the server accepts connections.
    while (server > 0 && poll(&readable, 1, 20000) == 1 && read(numberPipe[0], &digit, 1) == 1 && digit != '\n') {
        number += digit;
    }
    close(numberPipe[0]);
    if (server > 0 && number.empty()) {
        kill(server, SIGKILL);
        waitpid(server, nullptr, 0);
        return -1;
    }
    name = ":" + number;
    return server;
}

}  // namespace

VirtualDisplay::VirtualDisplay() {
    // Nothing the tests start may reach the user's session, by X or Wayland.
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    std::string name;
    server = startVirtualServer(name);
    if (server <= 0) {
        unsetenv("DISPLAY");
        return;
    }
    setenv("DISPLAY", name.c_str(), 1);
    // The programs of the test start once the server takes connections.
    for (int attempt = 0; attempt < 50 && !runCommand("xprop -root").ok; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

VirtualDisplay::~VirtualDisplay() {
    if (server <= 0) return;
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    unsetenv("DISPLAY");
}

}  // namespace x11_session
