// The real peekstun program on the X display, run from its dialog in a
// window with SDL's dummy audio driver: what the show window shows, how
// Escape ends the show, and how a missing data file ends the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/scoped_environment.h"
#include "support/x11_session.h"

namespace {

using namespace x11_session;
namespace fs = std::filesystem;

const std::string buildDir = PEEKSTUN_BUILD_DIR;
const std::string dataDir = buildDir + "/data";

constexpr int kFrameWidth = 320;
constexpr int kFrameHeight = 240;
// The progress blocks are drawn from this line down, over the loading picture.
constexpr int kProgressBarTop = 220;

// Two pixels alike but for the rounding of a scaled window.
bool near(const uint8_t* a, const uint8_t* b, int tolerance) {
    for (int channel = 0; channel < 3; ++channel) {
        if (std::abs(a[channel] - b[channel]) > tolerance) return false;
    }
    return true;
}

double fractionLit(const Picture& shot) {
    int lit = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const uint8_t* pixel = shot.at(x, y);
            if (std::max({pixel[0], pixel[1], pixel[2]}) > 16) ++lit;
        }
    }
    return static_cast<double>(lit) / (shot.width * shot.height);
}

bool isBlack(const Picture& shot) { return fractionLit(shot) < 0.01; }

// The loading picture, whatever number of progress blocks stand below it.
bool showsLoadingPicture(const Picture& shot, const Picture& loading) {
    int differing = 0;
    for (int y = 0; y < kProgressBarTop; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) differing += !near(shot.at(x, y), loading.at(x, y), 12);
    }
    return differing < kFrameWidth * kProgressBarTop / 100;
}

// Scene 1 adds the analog picture onto the flower: wherever the picture is
// bright, the frame is at least as bright in every channel.
double analogCoverage(const Picture& shot, const Picture& analog) {
    int bright = 0, covered = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const uint8_t* picture = analog.at(x, y);
            if (std::max({picture[0], picture[1], picture[2]}) <= 64) continue;
            ++bright;
            const uint8_t* pixel = shot.at(x, y);
            covered += pixel[0] + 12 >= picture[0] && pixel[1] + 12 >= picture[1] && pixel[2] + 12 >= picture[2];
        }
    }
    return bright ? static_cast<double>(covered) / bright : 0.0;
}

// A working directory whose data/ links to the build tree's data, less the
// files left out (paths under data/).
class DataTree {
public:
    explicit DataTree(const std::vector<std::string>& leftOut) {
        char pattern[] = "/tmp/peekstun-show-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        path = pattern;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dataDir)) {
            const fs::path relative = fs::relative(entry.path(), dataDir);
            const fs::path target = fs::path(path) / "data" / relative;
            if (entry.is_directory()) {
                fs::create_directories(target);
            } else if (std::find(leftOut.begin(), leftOut.end(), relative.string()) == leftOut.end()) {
                fs::create_directories(target.parent_path());
                fs::create_symlink(entry.path(), target);
            }
        }
    }
    DataTree(const DataTree&) = delete;
    DataTree& operator=(const DataTree&) = delete;
    ~DataTree() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
    std::string path;
};

class ShowWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string unavailable = unavailableReason();
        if (!unavailable.empty()) GTEST_SKIP() << unavailable;
        if (access((dataDir + "/music/peekstun.xm").c_str(), R_OK) != 0 ||
            access((dataDir + "/gfx/loading.pcx").c_str(), R_OK) != 0) {
            GTEST_SKIP() << "the show's data is not built yet";
        }
        if (!runCommand("sh -c 'command -v import && command -v convert'").ok)
            GTEST_SKIP() << "ImageMagick is not installed";
    }

    // Waits for the program's message box; "" when none appears.
    static std::string waitForMessageBox(Program& program, double seconds) {
        auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline && !program.hasExited()) {
            std::string box = messageBoxWindow();
            if (!box.empty()) return box;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return "";
    }

    // Presses Return in the message box until the program ends: a press that
    // comes before the box listens is lost.
    static bool dismissMessageBox(Program& program, const std::string& box) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            // Typed to the focused box: GTK takes no keys sent to a window.
            runCommand("xdotool windowfocus --sync " + box + " key Return");
            if (program.waitForExit(1)) return true;
        }
        return false;
    }

    // Chooses windowed output in the dialog and runs the show; returns the
    // dialog's window, or "" when that could not be done.
    static std::string runFromDialog(Program& program) {
        const std::string dialog = waitForWindow(program, "^Configuration$", 20);
        if (dialog.empty() || !pressKeys(dialog, "alt+f Return")) return "";
        return dialog;
    }
};

TEST_F(ShowWindowTest, ShowsTheLoadingScreenThenSceneOneAndEscapeEndsItWithinASecond) {
    const Picture loading = readPicture(dataDir + "/gfx/loading.pcx");
    const Picture analog = readPicture(dataDir + "/gfx/analog.pcx");
    ASSERT_EQ(kFrameWidth, loading.width);
    ASSERT_EQ(kFrameWidth, analog.width);

    MappedWindowLog mapped;
    Program program(buildDir, "show_window_test_escape");
    const std::string dialog = runFromDialog(program);
    ASSERT_FALSE(dialog.empty()) << "no dialog";

    // The loading lasts a fraction of a second: the program runs in short
    // slices and is frozen while each picture is taken, so no screen it shows
    // for a whole slice can be missed.
    program.pause();
    auto step = [&](int milliseconds) {
        program.resume();
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        program.pause();
    };
    // Looked up afresh after every failed capture: a window that has gone
    // cannot be captured, however long one waits.
    auto showWindow = [&] {
        for (const std::string& window : visibleWindows(program)) {
            if (window != dialog) return window;
        }
        return std::string();
    };
    std::string show;
    Picture shot;
    auto deadline = Clock::now() + std::chrono::seconds(120);
    while (Clock::now() < deadline && !program.hasExited()) {
        step(20);
        if (show.empty() || shot.empty()) show = showWindow();
        if (show.empty()) continue;
        shot = captureWindow(show, buildDir + "/show_window_loading.png", kFrameWidth, kFrameHeight);
        if (!shot.empty() && !isBlack(shot)) break;
    }
    ASSERT_FALSE(show.empty()) << "no show window after Run";
    const Size size = windowSize(show);
    EXPECT_GE(size.width, kFrameWidth);
    EXPECT_GE(size.height, kFrameHeight);
    ASSERT_FALSE(shot.empty()) << "the show window could not be captured";
    ASSERT_TRUE(showsLoadingPicture(shot, loading))
        << "the first picture in the show window is not the loading screen: " << buildDir << "/show_window_loading.png";

    // Past the loading and the black frame of the show start, scene 1.
    deadline = Clock::now() + std::chrono::seconds(120);
    while (Clock::now() < deadline && !program.hasExited()) {
        step(100);
        shot = captureWindow(show, buildDir + "/show_window_scene1.png", kFrameWidth, kFrameHeight);
        if (!shot.empty() && !isBlack(shot) && !showsLoadingPicture(shot, loading)) break;
    }
    program.resume();
    ASSERT_FALSE(shot.empty());
    EXPECT_GT(fractionLit(shot), 0.5) << buildDir << "/show_window_scene1.png";
    EXPECT_GT(analogCoverage(shot, analog), 0.95)
        << "no analog picture in the first frame after loading: " << buildDir << "/show_window_scene1.png";

    ASSERT_TRUE(pressKeys(show, "Escape"));
    const auto pressed = Clock::now();
    ASSERT_TRUE(program.waitForExit(30)) << "the show did not end on Escape";
    const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
    RecordProperty("EscapeToExitMilliseconds", static_cast<int>(seconds * 1000));
    EXPECT_LT(seconds, 1.0) << "Escape took " << seconds << " s to end the program";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("", program.errors());

    // The show window appears once: no window flashes up and vanishes first.
    std::vector<std::string> shown = mapped.stop();
    shown.erase(std::remove(shown.begin(), shown.end(), dialog), shown.end());
    EXPECT_EQ(std::vector<std::string>{show}, shown);
}

TEST_F(ShowWindowTest, AMissingPictureIsReportedAfterTheShowWindowClosesAndTheProgramEndsWithZero) {
    DataTree tree({"gfx/n.tga"});
    ASSERT_FALSE(tree.path.empty());
    Program program(tree.path, "show_window_test_missing_picture");
    ASSERT_FALSE(runFromDialog(program).empty()) << "no dialog";

    const std::string box = waitForMessageBox(program, 60);
    ASSERT_FALSE(box.empty()) << "no message box";
    for (const std::string& window : visibleWindows(program)) {
        EXPECT_EQ(box, window) << "the show window stayed open behind the message";
    }
    ASSERT_TRUE(dismissMessageBox(program, box)) << "still running after the message was dismissed";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("Vorla error - File does not exist\n", program.errors());
}

TEST_F(ShowWindowTest, AMissingSongIsReportedWithoutEverOpeningTheShowWindow) {
    DataTree tree({"music/peekstun.xm"});
    ASSERT_FALSE(tree.path.empty());
    // Nowhere else to find a song either, whatever this machine has installed.
    const ScopedEnvironment noDataDirectory("PEEKSTUN_DATA", tree.path + "/elsewhere");
    // The system's shared data stays listed: the dialog's toolkit reads its
    // pictures' types from there.
    if (access("/usr/share/peekstun/data/music/peekstun.xm", R_OK) == 0)
        GTEST_SKIP() << "the show is installed in /usr/share";
    const ScopedEnvironment noSharedData("XDG_DATA_DIRS", tree.path + "/shared:/usr/share");
    MappedWindowLog mapped;
    Program program(tree.path, "show_window_test_missing_song");
    const std::string dialog = runFromDialog(program);
    ASSERT_FALSE(dialog.empty()) << "no dialog";

    const std::string box = waitForMessageBox(program, 60);
    ASSERT_FALSE(box.empty()) << "no message box";
    ASSERT_TRUE(dismissMessageBox(program, box)) << "still running after the message was dismissed";
    const std::vector<std::string> shown = mapped.stop();
    auto wasShown = [&](const std::string& window) {
        return std::find(shown.begin(), shown.end(), window) != shown.end();
    };
    EXPECT_TRUE(wasShown(dialog) && wasShown(box)) << "the log of mapped windows missed the dialog or the message";
    std::string others;
    for (const std::string& window : shown) {
        if (window != dialog && window != box) others += " " + window;
    }
    EXPECT_EQ("", others) << "windows other than the dialog and the message were shown";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("SOUND: Can't load file\npeekstun: no data/music/peekstun.xm in " + fs::canonical(tree.path).string() +
                  "/data, " + tree.path + "/elsewhere/data, " + fs::path(buildDir).parent_path().string() +
                  "/share/peekstun/data, " + tree.path + "/shared/peekstun/data, /usr/share/peekstun/data\n",
              program.errors());
}

TEST_F(ShowWindowTest, AltEnterSwitchesToFullScreenAndBackWhileTheShowGoesOn) {
    Program program(buildDir, "show_window_test_alt_enter", {"--no-dialog", "--window", "--no-sound"});
    const std::string show = waitForWindow(program, "", 60);
    ASSERT_FALSE(show.empty()) << "no show window";
    const Size screen = screenSize();
    const Size windowed = windowSize(show);
    ASSERT_LT(windowed.width, screen.width);

    auto waitForSize = [&](Size wanted) {
        auto deadline = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < deadline) {
            const Size size = windowSize(show);
            if (size.width == wanted.width && size.height == wanted.height) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    ASSERT_TRUE(pressKeys(show, "alt+Return"));
    EXPECT_TRUE(waitForSize(screen)) << "Alt+Enter did not fill the screen";
    ASSERT_TRUE(pressKeys(show, "alt+Return"));
    EXPECT_TRUE(waitForSize(windowed)) << "a second Alt+Enter did not bring the window back";

    // Still drawing: two pictures a moment apart differ.
    const Picture first = captureWindow(show, buildDir + "/show_window_alt_enter_1.png", kFrameWidth, kFrameHeight);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Picture second = captureWindow(show, buildDir + "/show_window_alt_enter_2.png", kFrameWidth, kFrameHeight);
    ASSERT_FALSE(first.empty() || second.empty());
    EXPECT_NE(first.rgb, second.rgb) << "the show stopped drawing";
    EXPECT_FALSE(program.hasExited());

    ASSERT_TRUE(pressKeys(show, "Escape"));
    ASSERT_TRUE(program.waitForExit(30)) << "the show did not end on Escape";
    EXPECT_TRUE(program.exitedWithZero());
    EXPECT_EQ("", program.errors());
}

}  // namespace
