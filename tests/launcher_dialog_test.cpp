// The real "Configuration" dialog of the peekstun program, driven on the X
// display with xdotool as a user would. Skipped without a display, without
// xdotool, or before the program is built.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const std::string buildDir = PEEKSTUN_BUILD_DIR;
const std::string programPath = buildDir + "/peekstun";

// A shell command's exit success and standard output.
struct CommandResult {
    bool ok;
    std::string output;
};

// Each command is given a time limit: a stray "windowfocus --sync" must not
// outlive its test and type into a later window that reuses its id.
CommandResult runCommand(const std::string& command) {
    FILE* pipe = popen(("timeout 20 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return {false, ""};
    std::string output;
    char buffer[256];
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

// The program under test, started in `directory`; killed if a test leaves it
// running.
class Program {
public:
    explicit Program(const std::string& directory) : errorPath(buildDir + "/launcher_dialog_test.stderr") {
        child = fork();
        if (child == 0) {
            int errors = open(errorPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            if (errors >= 0) dup2(errors, STDERR_FILENO);
            if (chdir(directory.c_str()) != 0) _exit(127);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            execl(programPath.c_str(), programPath.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (child > 0 && !exited) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }

    pid_t pid() const { return child; }

    // Polls until the program exits or `seconds` pass; `whileWaiting` runs on
    // every poll.
    template <typename Check>
    bool waitForExit(double seconds, Check whileWaiting) {
        auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            if (waitpid(child, &status, WNOHANG) == child) {
                exited = true;
                return true;
            }
            whileWaiting();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    bool waitForExit(double seconds) {
        return waitForExit(seconds, [] {});
    }
    bool exitedWithZero() const { return exited && WIFEXITED(status) && WEXITSTATUS(status) == 0; }
    // What the program wrote on standard error: nothing, when all goes well.
    std::string errors() const { return runCommand("cat " + errorPath).output; }

private:
    std::string errorPath;
    pid_t child = -1;
    bool exited = false;
    int status = 0;
};

// The program's visible windows, optionally only those whose name matches.
std::vector<std::string> visibleWindows(const Program& program, const std::string& name = "") {
    std::string command = "xdotool search --all --onlyvisible --pid " + std::to_string(program.pid());
    // The show's window has no name xdotool can match: any window has a class.
    command += name.empty() ? " --classname ''" : " --name '" + name + "'";
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

// Without a window manager keyboard focus follows the pointer, so the window
// is given the focus explicitly, in the same command as the keys.
void pressKeys(const std::string& window, const std::string& keys) {
    runCommand("xdotool windowfocus --sync " + window + " key " + keys);
}

struct Size {
    int width = 0, height = 0;
};

Size windowSize(const std::string& window) {
    Size size;
    for (const std::string& line : lines(runCommand("xwininfo -id " + window).output)) {
        std::sscanf(line.c_str(), " Width: %d", &size.width);
        std::sscanf(line.c_str(), " Height: %d", &size.height);
    }
    return size;
}

// Several of these tests share one display: each holds the display while it
// types, so no test's keys land in another's window.
class DisplayLock {
public:
    DisplayLock() : file(open((buildDir + "/launcher_dialog_test.lock").c_str(), O_CREAT | O_RDWR, 0644)) {
        if (file >= 0) flock(file, LOCK_EX);
    }
    ~DisplayLock() {
        if (file >= 0) close(file);
    }

private:
    int file;
};

// An empty working directory: quitting must touch no file.
class EmptyDirectory {
public:
    EmptyDirectory() {
        char pattern[] = "/tmp/peekstun-launcher-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made != nullptr) path = made;
    }
    ~EmptyDirectory() {
        if (!path.empty()) rmdir(path.c_str());
    }
    std::string path;
};

class LauncherDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (display == nullptr || *display == '\0') GTEST_SKIP() << "no DISPLAY";
        if (access(programPath.c_str(), X_OK) != 0) GTEST_SKIP() << programPath << " is not built yet";
        if (!runCommand("xdotool getdisplaygeometry").ok) GTEST_SKIP() << "xdotool cannot reach the display";
    }
};

TEST_F(LauncherDialogTest, AppearsTitledConfigurationInTheTemplateProportions) {
    DisplayLock lock;
    EmptyDirectory directory;
    Program program(directory.path);
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty()) << "no window named \"Configuration\"";

    // 200 x 165 dialog units: 50 average character widths by 20.6 line
    // heights, about 1.3 for a sans font whose characters are 7 by 13 pixels.
    double expected = (200.0 * 7.0 / 4.0) / (165.0 * 13.0 / 8.0);
    Size size = windowSize(dialog);
    EXPECT_GT(size.width, 200);
    EXPECT_NEAR(static_cast<double>(size.width) / size.height, expected, 0.2) << size.width << "x" << size.height;

    std::string screenshot = buildDir + "/launcher_dialog.png";
    std::remove(screenshot.c_str());
    ASSERT_TRUE(runCommand("import -window " + dialog + " " + screenshot).ok);
    // A drawn dialog has text and frames: far more than a few flat colours.
    int colours = std::atoi(runCommand("identify -format %k " + screenshot).output.c_str());
    EXPECT_GT(colours, 16) << "the dialog looks blank in " << screenshot;

    pressKeys(dialog, "Escape");
    EXPECT_TRUE(program.waitForExit(10));
}

TEST_F(LauncherDialogTest, EscapeQuitsWithStatusZeroAndNoShowWindow) {
    DisplayLock lock;
    EmptyDirectory directory;
    Program program(directory.path);
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());

    pressKeys(dialog, "Escape");
    std::vector<std::string> otherWindows;
    ASSERT_TRUE(program.waitForExit(10, [&] {
        for (const std::string& window : visibleWindows(program)) {
            if (window != dialog) otherWindows.push_back(window);
        }
    })) << "still running after Escape";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_TRUE(otherWindows.empty()) << "a window other than the dialog appeared";
    EXPECT_EQ("", program.errors());
}

TEST_F(LauncherDialogTest, AboutBoxOpensAndClosesAndTheDialogStays) {
    DisplayLock lock;
    EmptyDirectory directory;
    Program program(directory.path);
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());

    for (int time = 0; time < 2; ++time) {
        pressKeys(dialog, "alt+a");
        std::string about = waitForWindow(program, "^About Peekstun$", 10);
        ASSERT_FALSE(about.empty()) << "no About box, time " << time;
        if (time == 0) runCommand("import -window root " + buildDir + "/launcher_about.png");
        pressKeys(about, "Return");
        EXPECT_TRUE(waitForWindowGone(program, about, 10)) << "the About box stayed open";
        EXPECT_FALSE(visibleWindows(program, "^Configuration$").empty()) << "the dialog went with the About box";
    }

    pressKeys(dialog, "Escape");
    ASSERT_TRUE(program.waitForExit(10));
    EXPECT_TRUE(program.exitedWithZero());
}

TEST_F(LauncherDialogTest, EnterRunsTheShowInAWindowUntilEscape) {
    if (access((buildDir + "/data/music/peekstun.xm").c_str(), R_OK) != 0) {
        GTEST_SKIP() << "the show's data is not built yet";
    }
    DisplayLock lock;
    Program program(buildDir);
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());

    // Windowed, then Enter with the focus away from every push button.
    pressKeys(dialog, "alt+f Return");
    ASSERT_TRUE(waitForWindowGone(program, dialog, 10)) << "Enter left the dialog open";

    std::string show = waitForWindow(program, "", 60);
    ASSERT_FALSE(show.empty()) << "no show window after Run";
    Size size = windowSize(show);
    int screenWidth = 0, screenHeight = 0;
    std::sscanf(runCommand("xdotool getdisplaygeometry").output.c_str(), "%d %d", &screenWidth, &screenHeight);
    EXPECT_LT(size.width, screenWidth) << "windowed output filled the screen";
    // At least the frame's size: not a message box reporting a failure.
    EXPECT_GE(size.width, 320);
    EXPECT_GE(size.height, 240);

    pressKeys(show, "Escape");
    ASSERT_TRUE(program.waitForExit(30)) << "the show did not end on Escape";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("", program.errors());
}

}  // namespace
