// The launcher's procedure driven through the headless dialog backend: what
// the dialog shows and the choices it gives back.
#include "shell/launcher.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/dialog/headless/windows_headless.h"
#include "platform/display/DynamicError.h"
#include "shell/command_line.h"

namespace {

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        selectDialogBackend(DialogBackend::Headless);
        clearHeadlessMessageBoxes();
        contents = LauncherContents{LaunchChoices(), {"Default device", "Speakers", "Headphones"}};
    }
    void TearDown() override { setHeadlessDialogScript(nullptr); }

    // Shows the launcher with `contents` and `user` at it and returns the dialog's result.
    INT_PTR showLauncher(HeadlessDialogScript user) {
        setHeadlessDialogScript(std::move(user));
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, launcherProc,
                               reinterpret_cast<LPARAM>(&contents));
    }

    // Runs with one list's item chosen and everything else as it starts.
    LaunchChoices runChoosing(int list, int item) {
        EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                      dialog.choose(list, item);
                      dialog.click(IDOK);
                  }));
        return contents.choices;
    }

    // Runs with one list's selection set by message: an index past the end
    // (after one extra item is added) or -1 for none.
    LaunchChoices runSelecting(int list, int index) {
        EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                      SendDlgItemMessageA(dialog.handle(), list, CB_ADDSTRING, 0,
                                          reinterpret_cast<LPARAM>("Added later"));
                      SendDlgItemMessageA(dialog.handle(), list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                      dialog.click(IDOK);
                  }));
        return contents.choices;
    }

    LauncherContents contents;
};

TEST_F(LauncherTest, OpensWithFullscreenCheckedLoopGreyedAndFirstItemsSelected) {
    EXPECT_EQ(
        0, showLauncher([](HeadlessDialog& dialog) {
            EXPECT_TRUE(dialog.isChecked(IDC_FULLSCREEN));
            EXPECT_FALSE(dialog.isChecked(IDC_LOOP));
            EXPECT_FALSE(dialog.isEnabled(IDC_LOOP));
            dialog.click(IDC_LOOP);
            EXPECT_FALSE(dialog.isChecked(IDC_LOOP));

            EXPECT_EQ((std::vector<std::string>{"Direct Sound", "Windows Multimedia WaveOut", "No sound"}),
                      dialog.items(IDC_OUTPUT));
            EXPECT_EQ((std::vector<std::string>{"Default device", "Speakers", "Headphones"}), dialog.items(IDC_DEVICE));
            EXPECT_EQ((std::vector<std::string>{"Autodetect", "Standard Blend Mode Mixer",
                                                "Pentium Optimized MMX Mixer", "PPro/P2 Optimized MMX Mixer"}),
                      dialog.items(IDC_MIXER));
            EXPECT_EQ((std::vector<std::string>{"44100 Hz", "22050 Hz", "11025 Hz", "8000 Hz"}),
                      dialog.items(IDC_FREQUENCY));
            for (int list : {IDC_OUTPUT, IDC_DEVICE, IDC_MIXER, IDC_FREQUENCY}) {
                EXPECT_EQ(0, dialog.selection(list)) << "list " << list;
            }
            dialog.click(IDCANCEL);
        }));
    EXPECT_TRUE(contents.choices == LaunchChoices());
}

TEST_F(LauncherTest, RunAtOnceGivesFullscreenDirectSoundFirstDeviceAutodetectAnd44100) {
    contents.choices = {false, FSOUND_OUTPUT_OFFLINE, 7, 9, 1};  // all overwritten by Run
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  dialog.click(IDC_FULLSCREEN);
                  dialog.choose(IDC_OUTPUT, 0);
                  dialog.choose(IDC_DEVICE, 0);
                  dialog.choose(IDC_MIXER, 0);
                  dialog.choose(IDC_FREQUENCY, 0);
                  dialog.click(IDOK);
              }));
    const LaunchChoices expected{true, FSOUND_OUTPUT_DSOUND, 0, FSOUND_MIXER_AUTODETECT, 44100};
    EXPECT_TRUE(expected == contents.choices);

    SetUp();
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) { dialog.click(IDOK); }));
    EXPECT_TRUE(expected == contents.choices);
}

TEST_F(LauncherTest, EnterRunsAndEscapeOrTheCloseBoxQuitWithoutTouchingAnything) {
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  dialog.choose(IDC_FREQUENCY, 1);
                  dialog.pressEnter();
              }));
    EXPECT_EQ(22050, contents.choices.mixRate);

    for (auto quit : {&HeadlessDialog::pressEscape, &HeadlessDialog::closeWindow}) {
        SetUp();
        EXPECT_EQ(0, showLauncher([&](HeadlessDialog& dialog) {
                      dialog.click(IDC_FULLSCREEN);
                      dialog.choose(IDC_FREQUENCY, 3);
                      (dialog.*quit)();
                  }));
        EXPECT_TRUE(contents.choices == LaunchChoices());
    }
}

TEST_F(LauncherTest, ASecondShowingOpensWithTheChoicesOfTheFirst) {
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  dialog.click(IDC_FULLSCREEN);
                  dialog.choose(IDC_OUTPUT, 1);
                  dialog.choose(IDC_DEVICE, 2);
                  dialog.choose(IDC_MIXER, 3);
                  dialog.choose(IDC_FREQUENCY, 2);
                  dialog.click(IDOK);
              }));
    const LaunchChoices first = contents.choices;
    EXPECT_TRUE((LaunchChoices{false, FSOUND_OUTPUT_WINMM, 2, FSOUND_MIXER_MMXP6, 11025}) == first);

    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  EXPECT_FALSE(dialog.isChecked(IDC_FULLSCREEN));
                  EXPECT_EQ(1, dialog.selection(IDC_OUTPUT));
                  EXPECT_EQ(2, dialog.selection(IDC_DEVICE));
                  EXPECT_EQ(3, dialog.selection(IDC_MIXER));
                  EXPECT_EQ(2, dialog.selection(IDC_FREQUENCY));
                  dialog.click(IDOK);
              }));
    EXPECT_TRUE(first == contents.choices);
}

TEST_F(LauncherTest, OutputChoicesMapToOutputTypesAndAnythingElseToNoSound) {
    const int expected[] = {FSOUND_OUTPUT_DSOUND, FSOUND_OUTPUT_WINMM, FSOUND_OUTPUT_NOSOUND};
    for (int item = 0; item < 3; ++item) {
        SetUp();
        EXPECT_EQ(expected[item], runChoosing(IDC_OUTPUT, item).output) << item;
    }
    for (int index : {3, -1}) {
        SetUp();
        EXPECT_EQ(FSOUND_OUTPUT_NOSOUND, runSelecting(IDC_OUTPUT, index).output) << index;
    }
}

TEST_F(LauncherTest, MixerChoicesMapToMixersAndAnythingElseToAutodetect) {
    for (int item = 0; item < 4; ++item) {
        SetUp();
        EXPECT_EQ(item, runChoosing(IDC_MIXER, item).mixer) << item;
    }
    for (int index : {4, -1}) {
        SetUp();
        EXPECT_EQ(FSOUND_MIXER_AUTODETECT, runSelecting(IDC_MIXER, index).mixer) << index;
    }
}

TEST_F(LauncherTest, FrequencyChoicesSetTheRateAndAnythingElseLeavesItAlone) {
    const int expected[] = {44100, 22050, 11025, 8000};
    for (int item = 0; item < 4; ++item) {
        SetUp();
        EXPECT_EQ(expected[item], runChoosing(IDC_FREQUENCY, item).mixRate) << item;
    }
    for (int index : {4, -1}) {
        SetUp();
        contents.choices.mixRate = 22050;
        EXPECT_EQ(22050, runSelecting(IDC_FREQUENCY, index).mixRate) << index;
    }
}

TEST_F(LauncherTest, DeviceChoiceIsItsIndexAndNoneIsMinusOne) {
    EXPECT_EQ(2, runChoosing(IDC_DEVICE, 2).driver);
    SetUp();
    EXPECT_EQ(-1, runSelecting(IDC_DEVICE, -1).driver);

    // Without devices the list is empty and nothing is chosen.
    SetUp();
    contents.devices.clear();
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  EXPECT_TRUE(dialog.items(IDC_DEVICE).empty());
                  EXPECT_EQ(-1, dialog.selection(IDC_DEVICE));
                  dialog.click(IDOK);
              }));
    EXPECT_EQ(-1, contents.choices.driver);
}

TEST_F(LauncherTest, AboutCanBeShownAnyNumberOfTimesAndTheDialogStaysOpen) {
    HWND shownOn = nullptr;
    EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                  shownOn = dialog.handle();
                  for (int i = 0; i < 3; ++i) dialog.click(IDC_ABOUT);
                  EXPECT_FALSE(dialog.hasEnded());
                  dialog.click(IDOK);
              }));
    ASSERT_EQ(3u, headlessMessageBoxes().size());
    for (const HeadlessMessageBox& box : headlessMessageBoxes()) {
        EXPECT_EQ(shownOn, box.owner);
        EXPECT_EQ("About Peekstun", box.caption);
        EXPECT_EQ(MB_OK | MB_ICONINFORMATION, box.type);
        EXPECT_EQ(launcherAboutText, box.text);
    }
    EXPECT_TRUE(LaunchChoices() == contents.choices);
}

TEST_F(LauncherTest, AboutTextHasTitleCreditsEmptyLineAndMotto) {
    std::istringstream text(launcherAboutText);
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Quillmere - Peekstun", lines[0]);
    EXPECT_EQ(0u, lines[1].rfind("by ", 0));
    for (const char* role : {"(code)", "(graphics)", "(music)", "(design)"}) {
        EXPECT_NE(std::string::npos, lines[1].find(role)) << role;
    }
    EXPECT_EQ("", lines[2]);
    EXPECT_EQ("It's amazing what you can do with 3 effects and lots of good gfx", lines[3]);
}

TEST_F(LauncherTest, OtherMessagesAndNotificationsAreIgnored) {
    EXPECT_EQ(0, showLauncher([](HeadlessDialog& dialog) {
                  EXPECT_EQ(0, launcherProc(dialog.handle(), 0x0200, 0, 0));
                  dialog.choose(IDC_MIXER, 2);  // sends a selection-change notification
                  dialog.click(IDC_FULLSCREEN);
                  EXPECT_FALSE(dialog.hasEnded());
                  dialog.click(IDCANCEL);
              }));
    EXPECT_TRUE(LaunchChoices() == contents.choices);
}

}  // namespace

namespace {

// The launcher as the program shows it: the sound library's devices, and the
// command line's choices preset; Run unchanged gives them back, Quit nothing.
TEST_F(LauncherTest, RunLauncherListsTheSoundDevicesAndOpensWithTheCommandLinesChoices) {
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
    EXPECT_EQ(std::vector<std::string>{"No sound"}, soundDevices());

    const std::vector<std::vector<std::string>> commandLines = {
        {}, {"--window", "--no-sound"}, {"--output", "1", "--mixer", "2", "--rate", "22050"}, {"--rate", "8000"}};
    for (std::vector<std::string> words : commandLines) {
        words.insert(words.begin(), "peekstun");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        CommandLine line;
        LaunchChoices chosen;
        ASSERT_EQ("", parseCommandLine(static_cast<int>(words.size()), argv.data(), line, chosen));

        setHeadlessDialogScript([&](HeadlessDialog& dialog) {
            EXPECT_EQ(std::vector<std::string>{"No sound"}, dialog.items(IDC_DEVICE));
            EXPECT_EQ(chosen.fullscreen, dialog.isChecked(IDC_FULLSCREEN));
            dialog.click(IDOK);
        });
        const std::optional<LaunchChoices> ran = runLauncher(chosen);
        ASSERT_TRUE(ran.has_value());
        EXPECT_TRUE(chosen == *ran) << words.size();
    }

    setHeadlessDialogScript([](HeadlessDialog& dialog) { dialog.pressEscape(); });
    EXPECT_FALSE(runLauncher(LaunchChoices()).has_value());
}

}  // namespace
