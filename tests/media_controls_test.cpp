// The real peekstun program on a virtual display and a session bus of the
// test's own, driven through the desktop's media controls with playerctl:
// each command leaves the show as the same key would (the same moment, the
// same picture), the desktop hears of each change (Seeked, PlaybackStatus,
// Volume), and Stop ends the show and takes the player off the bus.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "support/session_bus.h"
#include "support/x11_session.h"

namespace {

using namespace x11_session;

const std::string buildDir = PEEKSTUN_BUILD_DIR;

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string playerctl(const std::string& arguments) {
    return trimmed(runCommand("playerctl --player=peekstun " + arguments).output);
}

bool waitFor(const std::function<bool()>& done, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// What the bus carries to and from the player, as `gdbus monitor` prints it.
class SignalLog {
public:
    SignalLog() : path(buildDir + "/media_controls_signals_" + std::to_string(getpid()) + ".log") {
        monitor = fork();
        if (monitor == 0) {
            FILE* log = std::fopen(path.c_str(), "w");
            if (log) dup2(fileno(log), STDOUT_FILENO);
            execlp("stdbuf", "stdbuf", "-oL", "gdbus", "monitor", "--session", "--dest",
                   "org.mpris.MediaPlayer2.peekstun", static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~SignalLog() {
        if (monitor > 0) {
            kill(monitor, SIGTERM);
            waitpid(monitor, nullptr, 0);
        }
    }
    std::string text() const {
        std::ifstream file(path);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }
    // True once `what` appears after the first `from` characters.
    bool shows(const std::string& what, size_t from, double seconds = 5) const {
        return waitFor([&] { return text().find(what, from) != std::string::npos; }, seconds);
    }

private:
    std::string path;
    pid_t monitor = -1;
};

class MediaControlsTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string reason = unavailableReason();
        if (!reason.empty()) GTEST_SKIP() << reason;
        if (!bus.unavailableReason().empty()) GTEST_SKIP() << bus.unavailableReason();
        if (!runCommand("sh -c 'command -v playerctl && command -v gdbus'").ok) {
            GTEST_SKIP() << "playerctl or gdbus is not installed";
        }
    }

    // The moment playerctl reports, once it has settled on `expected` or
    // after a few seconds.
    static std::string positionOnceSettled(const std::string& expected) {
        std::string position;
        waitFor([&] { return (position = playerctl("position")) == expected; }, 5);
        return position;
    }

    SessionBus bus;
};

TEST_F(MediaControlsTest, CommandsActAsTheKeysAndTheDesktopHearsOfEachChange) {
    Program show(buildDir, "media_controls_show", {"--no-dialog", "--window"});
    const std::string window = waitForWindow(show, "Peekstun", 30);
    ASSERT_FALSE(window.empty()) << show.errors();
    ASSERT_TRUE(waitFor([] { return playerctl("status") == "Playing"; }, 60)) << show.errors();
    SignalLog signals;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the monitor is listening

    size_t mark = signals.text().size();
    EXPECT_EQ(playerctl("play-pause"), "");
    EXPECT_TRUE(waitFor([] { return playerctl("status") == "Paused"; }, 5));
    EXPECT_TRUE(signals.shows("'PlaybackStatus': <'Paused'>", mark)) << signals.text();

    mark = signals.text().size();
    playerctl("position 30");
    EXPECT_EQ(positionOnceSettled("30.000000"), "30.000000");
    EXPECT_TRUE(signals.shows("Seeked (int64 30000000,)", mark)) << signals.text();
    mark = signals.text().size();
    playerctl("position 5+");
    EXPECT_EQ(positionOnceSettled("35.000000"), "35.000000");
    EXPECT_TRUE(signals.shows("Seeked (int64 35000000,)", mark)) << signals.text();

    // Next from 35 s, then the same from the keys: the same moment and the
    // very same picture (paused, with the bar over it).
    playerctl("next");
    const std::string nextScene = positionOnceSettled("53.766667");
    EXPECT_NE(nextScene, "35.000000");
    const Picture byControls = captureWindow(window, buildDir + "/media_controls_next.png", 0, 0);
    ASSERT_TRUE(pressKeys(window, "Home Right Right Right Right Right Right Right"));
    EXPECT_EQ(positionOnceSettled("35.000000"), "35.000000");
    ASSERT_TRUE(pressKeys(window, "Next"));
    EXPECT_EQ(positionOnceSettled(nextScene), nextScene);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Picture byKeys = captureWindow(window, buildDir + "/media_controls_next_keys.png", 0, 0);
    ASSERT_FALSE(byControls.empty());
    EXPECT_TRUE(byControls.rgb == byKeys.rgb) << "the frames after Next and Page Down differ";

    // Previous at a scene's start goes to the scene before, as Page Up.
    playerctl("previous");
    const std::string previousScene = positionOnceSettled("23.050000");
    ASSERT_TRUE(pressKeys(window, "3 Prior"));
    EXPECT_EQ(positionOnceSettled(previousScene), previousScene);

    const std::string metadata = playerctl("metadata --format '{{mpris:trackid}}|{{xesam:title}}|{{xesam:artist}}'");
    EXPECT_EQ(metadata, "'/org/quillmere/peekstun/show'|Peekstun|Quillmere");
    EXPECT_GT(std::stoll("0" + playerctl("metadata mpris:length")), 200000000);

    // The volume, from the controls and from the keys; muted reads as 0.
    mark = signals.text().size();
    playerctl("volume 0.5");
    EXPECT_TRUE(waitFor([] { return playerctl("volume") == "0.500000"; }, 5));
    EXPECT_TRUE(signals.shows("'Volume': <0.5>", mark)) << signals.text();
    ASSERT_TRUE(pressKeys(window, "Up"));
    EXPECT_TRUE(waitFor([] { return playerctl("volume") == "0.550000"; }, 5)) << playerctl("volume");
    ASSERT_TRUE(pressKeys(window, "m"));
    EXPECT_TRUE(waitFor([] { return playerctl("volume") == "0.000000"; }, 5)) << playerctl("volume");
    ASSERT_TRUE(pressKeys(window, "m"));
    EXPECT_TRUE(waitFor([] { return playerctl("volume") == "0.550000"; }, 5)) << playerctl("volume");

    // The keyboard's media key plays and pauses.
    ASSERT_TRUE(pressKeys(window, "XF86AudioPlay"));
    EXPECT_TRUE(waitFor([] { return playerctl("status") == "Playing"; }, 5));

    playerctl("stop");
    EXPECT_TRUE(show.waitForExit(10)) << "Stop did not end the show";
    EXPECT_TRUE(show.exitedWithZero());
    EXPECT_EQ(runCommand("playerctl --list-all 2>&1").output.find("peekstun"), std::string::npos);
}

}  // namespace
