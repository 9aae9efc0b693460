// Errors: the message travels with every copy and is reported as one line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/display/DynamicError.h"
#include "platform/dialog/windows.h"
#include "support/x11_session.h"

namespace {

TEST(Error, TheMessageSurvivesCopiesAndAssignment) {
    const DynamicError original("SOUND: Unable to init");
    DynamicError copy(original);
    EXPECT_STREQ(copy.message(), "SOUND: Unable to init");
    DynamicError other(std::string("other"));
    other = original;
    other = other;
    EXPECT_STREQ(other.what(), "SOUND: Unable to init");
    EXPECT_STREQ(DynamicError(nullptr).message(), "");
}

TEST(Error, ReportWritesTheMessageAsOneLineToStandardError) {
    ptc_error_set_message_box(0);
    testing::internal::CaptureStderr();
    DynamicError("Vorla error - bad file\nsecond line").report();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Vorla error - bad file second line\n");
}

// The X window id of the message box, found by its title; 0 while none shows.
unsigned long messageBoxWindow() {
    FILE* pipe = popen("xwininfo -root -tree 2>/dev/null", "r");
    if (!pipe) return 0;
    unsigned long window = 0;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        if (std::strstr(line, "\"Error\"")) window = std::strtoul(line, nullptr, 16);
    }
    pclose(pipe);
    return window;
}

// Presses `key` in the message box until the report returns (a press sent
// before the box listens is lost); ends the test program if that never
// happens, rather than leaving the report waiting for ever.
void pressInMessageBoxUntil(const std::atomic<bool>& returned, const char* key) {
    for (int attempt = 0; attempt < 100 && !returned; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (const unsigned long window = messageBoxWindow()) {
            // Typed as on a keyboard, to the box given the focus: GTK takes
            // no keys sent to a window as events of its own.
            x11_session::runCommand("xdotool windowfocus --sync " + std::to_string(window) + " key " + key);
        }
    }
    if (returned) return;
    std::fprintf(stderr, "the message box never appeared or could not be dismissed with %s\n", key);
    std::_Exit(1);
}

// Takes a picture of the message box once it has shown for a moment, then
// presses Return in it until the box's caller has returned.
void pictureThenDismiss(const std::atomic<bool>& returned, const std::string& picture) {
    for (int attempt = 0; attempt < 100 && !returned; ++attempt) {
        if (messageBoxWindow() != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            x11_session::runCommand("import -window " + std::to_string(messageBoxWindow()) + " " + picture);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    pressInMessageBoxUntil(returned, "Return");
}

x11_session::Picture pictureOfBox(const std::function<void()>& showBox, const std::string& picture) {
    std::remove(picture.c_str());
    std::atomic<bool> returned{false};
    std::thread presser(pictureThenDismiss, std::cref(returned), picture);
    showBox();
    returned = true;
    presser.join();
    for (int wait = 0; wait < 100 && messageBoxWindow() != 0; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return x11_session::readPicture(picture);
}

bool boxesCanBeDriven() {
    const char* display = std::getenv("DISPLAY");
    return display && *display &&
           std::system(
               "command -v xdotool >/dev/null && command -v xwininfo >/dev/null && command -v import "
               ">/dev/null") == 0;
}

// The report's box is the one the launcher dialog's toolkit shows for an
// error, with the message as it is, and it leaves the process's locale alone.
TEST(Error, TheMessageBoxIsTheDialogToolkitsErrorBox) {
    if (!boxesCanBeDriven()) GTEST_SKIP() << "a DISPLAY, xdotool, xwininfo and ImageMagick are needed";
    setenv("LC_ALL", "C.UTF-8", 1);  // a user's locale the toolkit could adopt
    ptc_error_set_message_box(1);
    const std::string directory = PEEKSTUN_BUILD_DIR;
    testing::internal::CaptureStderr();
    const x11_session::Picture reported =
        pictureOfBox([] { DynamicError("SOUND: Unable to init").report(); }, directory + "/error_box_report.png");
    EXPECT_EQ("SOUND: Unable to init\n", testing::internal::GetCapturedStderr());
    const x11_session::Picture toolkits =
        pictureOfBox([] { MessageBoxA(nullptr, "SOUND: Unable to init", "Error", MB_OK | MB_ICONERROR); },
                     directory + "/error_box_toolkit.png");
    ptc_error_set_message_box(0);
    EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr)) << "showing the box changed the process's locale";

    ASSERT_FALSE(reported.empty()) << "no picture of the report's box";
    ASSERT_FALSE(toolkits.empty()) << "no picture of the toolkit's box";
    ASSERT_EQ(toolkits.width, reported.width) << "see " << directory << "/error_box_*.png";
    ASSERT_EQ(toolkits.height, reported.height) << "see " << directory << "/error_box_*.png";
    size_t differing = 0;
    for (size_t i = 0; i < reported.rgb.size(); i += 3) {
        differing += reported.rgb[i] != toolkits.rgb[i] || reported.rgb[i + 1] != toolkits.rgb[i + 1] ||
                     reported.rgb[i + 2] != toolkits.rgb[i + 2];
    }
    EXPECT_LE(differing, reported.rgb.size() / 3 / 100) << "see " << directory << "/error_box_*.png";
}

TEST(Error, TheMessageBoxIsDismissedByReturnOrEscape) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "DISPLAY is not set";
    if (std::system("command -v xdotool >/dev/null && command -v xwininfo >/dev/null") != 0) {
        GTEST_SKIP() << "xdotool and xwininfo are needed to press the button";
    }
    ptc_error_set_message_box(1);
    for (const char* key : {"Return", "Escape"}) {
        std::atomic<bool> returned{false};
        std::thread presser(pressInMessageBoxUntil, std::cref(returned), key);
        testing::internal::CaptureStderr();
        DynamicError("SOUND: Can't load file").report();
        const std::string written = testing::internal::GetCapturedStderr();
        returned = true;
        presser.join();
        EXPECT_EQ(written.substr(0, written.find('\n') + 1), "SOUND: Can't load file\n");
        for (int wait = 0; wait < 100 && messageBoxWindow() != 0; ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ptc_error_set_message_box(0);
}

}  // namespace
