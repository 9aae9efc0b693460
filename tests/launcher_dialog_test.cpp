// The real "Configuration" dialog of the peekstun program, driven on the X
// display with xdotool as a user would. Skipped without a display, without
// xdotool, or before the program is built.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/x11_session.h"

namespace {

using namespace x11_session;

const std::string buildDir = PEEKSTUN_BUILD_DIR;

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

// A window manager (openbox) on the test's display while this object lives;
// `running` is false when none could be started.
class WindowManager {
public:
    WindowManager() {
        if (!runCommand("sh -c 'command -v openbox'").ok) return;
        manager = fork();
        if (manager == 0) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
            execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            _exit(127);
        }
        // It manages the display once it names its check window on the root.
        for (int wait = 0; wait < 100 && manager > 0; ++wait) {
            if (runCommand("xprop -root _NET_SUPPORTING_WM_CHECK").output.find("window id") != std::string::npos) {
                running = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    ~WindowManager() {
        if (manager <= 0) return;
        kill(manager, SIGTERM);
        waitpid(manager, nullptr, 0);
        runCommand("xprop -root -remove _NET_SUPPORTING_WM_CHECK");
    }
    bool running = false;

private:
    pid_t manager = -1;
};

// The middle of a window's inside (without any frame), on the screen.
struct Middle {
    double x = 0, y = 0;
};
Middle middleOf(const std::string& window) {
    int left = 0, top = 0, width = 0, height = 0;
    for (const std::string& line : lines(runCommand("xwininfo -id " + window).output)) {
        std::sscanf(line.c_str(), " Absolute upper-left X: %d", &left);
        std::sscanf(line.c_str(), " Absolute upper-left Y: %d", &top);
        std::sscanf(line.c_str(), " Width: %d", &width);
        std::sscanf(line.c_str(), " Height: %d", &height);
    }
    return {left + width / 2.0, top + height / 2.0};
}

// The functions and decorations a window asks of the window manager in its
// Motif hints; -1 for each when it asks nothing.
struct MotifHints {
    long functions = -1, decorations = -1;
};
MotifHints motifHints(const std::string& window) {
    // "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = 0x3, 0x24, 0x1a, 0x0, 0x0"
    std::string text = runCommand("xprop -id " + window + " _MOTIF_WM_HINTS").output;
    size_t values = text.find(" = ");
    MotifHints hints;
    if (values == std::string::npos) return hints;
    std::istringstream fields(text.substr(values + 3));
    long flags = 0, functions = 0, decorations = 0;
    char comma;
    fields >> std::hex >> flags >> comma >> functions >> comma >> decorations;
    if (flags & 1) hints.functions = functions;
    if (flags & 2) hints.decorations = decorations;
    return hints;
}

// A window that keeps its size asks for a move and a close box and nothing
// else: no resizing, minimising or maximising, no buttons or handles for them.
// It draws its own title bar with a close box only, so it asks for no frame:
// some window managers (openbox) put minimise and maximise buttons on every
// frame they draw.
void expectFixedSize(const std::string& window, const std::string& name) {
    constexpr long functionAll = 0x1, resize = 0x2, minimise = 0x8, maximise = 0x10;
    MotifHints hints = motifHints(window);
    ASSERT_NE(-1, hints.functions) << name << " does not say what the window manager may do with it";
    EXPECT_EQ(0, hints.functions & (functionAll | resize | minimise | maximise)) << name << ": " << hints.functions;
    ASSERT_NE(-1, hints.decorations) << name << " does not say which buttons its frame has";
    EXPECT_EQ(0, hints.decorations) << name << " asks for a frame: " << hints.decorations;
    std::string actions = runCommand("xprop -id " + window + " _NET_WM_ALLOWED_ACTIONS").output;
    for (const char* action :
         {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
        EXPECT_EQ(std::string::npos, actions.find(action)) << name << " allows " << action;
    }
}

void expectCentredOn(const std::string& box, const std::string& owner) {
    Middle inner = middleOf(box), outer = middleOf(owner);
    EXPECT_NEAR(outer.x, inner.x, 2.0) << "the About box is not centred across the dialog";
    EXPECT_NEAR(outer.y, inner.y, 2.0) << "the About box is not centred down the dialog";
}

class LauncherDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string unavailable = unavailableReason();
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    }
};

TEST_F(LauncherDialogTest, AppearsTitledConfigurationInTheTemplateProportionsInTheMiddleOfTheScreen) {
    EmptyDirectory directory;
    Program program(directory.path, "launcher_dialog_test");
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty()) << "no window named \"Configuration\"";

    // 200 x 165 dialog units: 50 average character widths by 20.6 line
    // heights, 350 by 268 pixels for a sans font whose characters are 7 by 13,
    // and the dialog's own title bar above them.
    Size size = windowSize(dialog);
    EXPECT_NEAR(size.width, 200.0 * 7.0 / 4.0, 70.0) << size.width << "x" << size.height;
    EXPECT_GT(size.height, 165.0 * 13.0 / 8.0 * 0.8) << size.width << "x" << size.height;
    EXPECT_LT(size.height, 165.0 * 13.0 / 8.0 * 1.2 + 80) << size.width << "x" << size.height;
    // It opens in the middle of the screen.
    const Middle middle = middleOf(dialog);
    const Size screen = screenSize();
    EXPECT_NEAR(screen.width / 2.0, middle.x, 2.0);
    EXPECT_NEAR(screen.height / 2.0, middle.y, 2.0);

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
    EmptyDirectory directory;
    Program program(directory.path, "launcher_dialog_test");
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
    EmptyDirectory directory;
    Program program(directory.path, "launcher_dialog_test");
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());

    for (int time = 0; time < 2; ++time) {
        pressKeys(dialog, "alt+a");
        std::string about = waitForWindow(program, "^About Peekstun$", 10);
        ASSERT_FALSE(about.empty()) << "no About box, time " << time;
        if (time == 0) {
            runCommand("import -window root " + buildDir + "/launcher_about.png");
            expectCentredOn(about, dialog);
        }
        pressKeys(about, "Return");
        EXPECT_TRUE(waitForWindowGone(program, about, 10)) << "the About box stayed open";
        EXPECT_FALSE(visibleWindows(program, "^Configuration$").empty()) << "the dialog went with the About box";
    }

    pressKeys(dialog, "Escape");
    ASSERT_TRUE(program.waitForExit(10));
    EXPECT_TRUE(program.exitedWithZero());
}

TEST_F(LauncherDialogTest, UnderAWindowManagerTheDialogAndAboutBoxKeepTheirSizeAndTheBoxOpensCentred) {
    WindowManager manager;
    if (!manager.running) GTEST_SKIP() << "openbox is needed to manage the windows";
    EmptyDirectory directory;
    Program program(directory.path, "launcher_dialog_test");
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());
    expectFixedSize(dialog, "the dialog");

    pressKeys(dialog, "alt+a");
    std::string about = waitForWindow(program, "^About Peekstun$", 10);
    ASSERT_FALSE(about.empty()) << "no About box";
    runCommand("import -window root " + buildDir + "/launcher_about_managed.png");
    expectCentredOn(about, dialog);
    expectFixedSize(about, "the About box");

    pressKeys(about, "Return");
    EXPECT_TRUE(waitForWindowGone(program, about, 10)) << "the About box stayed open";
    pressKeys(dialog, "Escape");
    ASSERT_TRUE(program.waitForExit(10));
    EXPECT_TRUE(program.exitedWithZero());
}

TEST_F(LauncherDialogTest, EnterRunsTheShowInAWindowUntilEscape) {
    if (access((buildDir + "/data/music/peekstun.xm").c_str(), R_OK) != 0) {
        GTEST_SKIP() << "the show's data is not built yet";
    }
    Program program(buildDir, "launcher_dialog_test");
    std::string dialog = waitForWindow(program, "^Configuration$", 20);
    ASSERT_FALSE(dialog.empty());

    // Windowed, then Enter with the focus away from every push button.
    pressKeys(dialog, "alt+f Return");
    ASSERT_TRUE(waitForWindowGone(program, dialog, 10)) << "Enter left the dialog open";

    std::string show = waitForWindow(program, "", 60);
    ASSERT_FALSE(show.empty()) << "no show window after Run";
    Size size = windowSize(show);
    EXPECT_LT(size.width, screenSize().width) << "windowed output filled the screen";
    // At least the frame's size: not a message box reporting a failure.
    EXPECT_GE(size.width, 320);
    EXPECT_GE(size.height, 240);

    pressKeys(show, "Escape");
    ASSERT_TRUE(program.waitForExit(30)) << "the show did not end on Escape";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("", program.errors());
}

}  // namespace
