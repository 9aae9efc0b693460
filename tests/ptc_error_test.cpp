// Errors: the message travels with every copy and is reported as one line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/DynamicError.h"

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
            const std::string command =
                "xdotool key --window " + std::to_string(window) + " " + key + " >/dev/null 2>&1";
            (void)std::system(command.c_str());
        }
    }
    if (returned) return;
    std::fprintf(stderr, "the message box never appeared or could not be dismissed with %s\n", key);
    std::_Exit(1);
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
