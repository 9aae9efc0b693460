// The real "Configuration" dialog of the peekstun program, driven on the X
// display with xdotool as a user would. Skipped without a display, without
// xdotool, or before the program is built.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
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

class LauncherDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string unavailable = unavailableReason();
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
    }
};

TEST_F(LauncherDialogTest, AppearsTitledConfigurationInTheTemplateProportions) {
    EmptyDirectory directory;
    Program program(directory.path, "launcher_dialog_test");
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
