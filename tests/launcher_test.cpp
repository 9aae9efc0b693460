// The launcher's procedure driven through the headless dialog backend, with
// the sound library's set-up calls recorded instead of made.
#include "shell/launcher.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/dialog/headless/windows_headless.h"
#include "shell/command_line.h"

namespace {

// The sound library as the launcher sees it: a list of devices that may
// depend on the output, and a log of the set-up calls in order.
struct FakeSound {
    std::vector<std::string> devices = {"Default device", "Speakers", "Headphones"};
    int devicesAfterOutputSet = -1;  // when >= 0, the device count once an output is chosen
    bool outputSet = false;
    int countQueries = 0;
    std::vector<std::string> calls;
};
FakeSound fake;

int fakeNumDrivers() {
    ++fake.countQueries;
    if (fake.outputSet && fake.devicesAfterOutputSet >= 0) return fake.devicesAfterOutputSet;
    return static_cast<int>(fake.devices.size());
}
const char* fakeDriverName(int driver) {
    if (driver < 0 || driver >= static_cast<int>(fake.devices.size())) return nullptr;
    return fake.devices[driver].c_str();
}
bool fakeSetOutput(int output) {
    fake.outputSet = true;
    fake.calls.push_back("output " + std::to_string(output));
    return true;
}
bool fakeSetDriver(int driver) {
    fake.calls.push_back("driver " + std::to_string(driver));
    return true;
}
bool fakeSetMixer(int mixer) {
    fake.calls.push_back("mixer " + std::to_string(mixer));
    return true;
}

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        selectDialogBackend(DialogBackend::Headless);
        clearHeadlessMessageBoxes();
        fake = FakeSound();
        launcherSound = {fakeNumDrivers, fakeDriverName, fakeSetOutput, fakeSetDriver, fakeSetMixer};
        LaunchSettings = LaunchSettingsType();
    }
    void TearDown() override { setHeadlessDialogScript(nullptr); }

    // Shows the launcher with `user` at it and returns the dialog's result.
    INT_PTR showLauncher(HeadlessDialogScript user) {
        setHeadlessDialogScript(std::move(user));
        return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, launcherProc, 0);
    }

    // Runs with one list's item chosen and everything else as it starts.
    std::vector<std::string> runChoosing(int list, int item) {
        EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                      dialog.choose(list, item);
                      dialog.click(IDOK);
                  }));
        return fake.calls;
    }

    // Runs with one list's selection set by message: an index past the end
    // (after one extra item is added) or -1 for none.
    std::vector<std::string> runSelecting(int list, int index) {
        EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                      SendDlgItemMessageA(dialog.handle(), list, CB_ADDSTRING, 0,
                                          reinterpret_cast<LPARAM>("Added later"));
                      SendDlgItemMessageA(dialog.handle(), list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
                      dialog.click(IDOK);
                  }));
        return fake.calls;
    }
};

using Calls = std::vector<std::string>;

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
    // Opening and quitting set nothing up.
    EXPECT_EQ(Calls{}, fake.calls);
    EXPECT_TRUE(LaunchSettings.fullscreen);
    EXPECT_EQ(0, LaunchSettings.mixRate);
}

TEST_F(LauncherTest, RunAtOnceGivesFullscreenDirectSoundFirstDeviceAutodetectAnd44100) {
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) { dialog.click(IDOK); }));
    EXPECT_EQ((Calls{"output 2", "driver 0", "mixer 0"}), fake.calls);
    EXPECT_TRUE(LaunchSettings.fullscreen);
    EXPECT_EQ(44100, LaunchSettings.mixRate);
}

TEST_F(LauncherTest, EnterRunsAndEscapeOrTheCloseBoxQuitWithoutTouchingAnything) {
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) { dialog.pressEnter(); }));
    EXPECT_EQ(44100, LaunchSettings.mixRate);

    for (auto quit : {&HeadlessDialog::pressEscape, &HeadlessDialog::closeWindow}) {
        SetUp();
        EXPECT_EQ(0, showLauncher([&](HeadlessDialog& dialog) {
                      dialog.click(IDC_FULLSCREEN);
                      dialog.choose(IDC_FREQUENCY, 3);
                      (dialog.*quit)();
                  }));
        EXPECT_EQ(Calls{}, fake.calls);
        EXPECT_TRUE(LaunchSettings.fullscreen);
        EXPECT_EQ(0, LaunchSettings.mixRate);
    }
}

TEST_F(LauncherTest, FullscreenBoxFollowsAndSetsTheSetting) {
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  dialog.click(IDC_FULLSCREEN);
                  dialog.click(IDOK);
              }));
    EXPECT_FALSE(LaunchSettings.fullscreen);

    // A second showing starts from the stored choice.
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  EXPECT_FALSE(dialog.isChecked(IDC_FULLSCREEN));
                  dialog.click(IDOK);
              }));
    EXPECT_FALSE(LaunchSettings.fullscreen);
}

TEST_F(LauncherTest, OutputChoicesMapToOutputTypesAndAnythingElseToNoSound) {
    const int expected[] = {2, 1, 0};
    for (int item = 0; item < 3; ++item) {
        SetUp();
        EXPECT_EQ("output " + std::to_string(expected[item]), runChoosing(IDC_OUTPUT, item).at(0)) << item;
    }
    for (int index : {3, -1}) {
        SetUp();
        EXPECT_EQ("output 0", runSelecting(IDC_OUTPUT, index).at(0)) << index;
    }
}

TEST_F(LauncherTest, MixerChoicesMapToMixersAndAnythingElseToAutodetect) {
    for (int item = 0; item < 4; ++item) {
        SetUp();
        EXPECT_EQ("mixer " + std::to_string(item), runChoosing(IDC_MIXER, item).back()) << item;
    }
    for (int index : {4, -1}) {
        SetUp();
        EXPECT_EQ("mixer 0", runSelecting(IDC_MIXER, index).back()) << index;
    }
}

TEST_F(LauncherTest, FrequencyChoicesSetTheRateAndAnythingElseLeavesItAlone) {
    const int expected[] = {44100, 22050, 11025, 8000};
    for (int item = 0; item < 4; ++item) {
        SetUp();
        runChoosing(IDC_FREQUENCY, item);
        EXPECT_EQ(expected[item], LaunchSettings.mixRate) << item;
    }
    for (int index : {4, -1}) {
        SetUp();
        LaunchSettings.mixRate = 22050;
        runSelecting(IDC_FREQUENCY, index);
        EXPECT_EQ(22050, LaunchSettings.mixRate) << index;
    }
}

TEST_F(LauncherTest, DeviceChoiceIsHandedOnOnlyWhenTheChosenOutputKnowsIt) {
    EXPECT_EQ((Calls{"output 2", "driver 2", "mixer 0"}), runChoosing(IDC_DEVICE, 2));

    SetUp();
    EXPECT_EQ((Calls{"output 2", "mixer 0"}), runSelecting(IDC_DEVICE, -1));

    // The output chosen on Run offers fewer devices than the default one.
    SetUp();
    fake.devicesAfterOutputSet = 1;
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  dialog.choose(IDC_OUTPUT, 2);
                  dialog.choose(IDC_DEVICE, 1);
                  dialog.click(IDOK);
              }));
    EXPECT_EQ((Calls{"output 0", "mixer 0"}), fake.calls);
}

TEST_F(LauncherTest, DeviceListIsFilledOnceAskingTheCountBeforeEachItem) {
    showLauncher([](HeadlessDialog& dialog) {
        EXPECT_EQ(4, fake.countQueries);  // three devices, then the one that ends the loop
        dialog.choose(IDC_OUTPUT, 1);     // choosing an output does not refill the list
        EXPECT_EQ(3u, dialog.items(IDC_DEVICE).size());
        dialog.click(IDCANCEL);
    });
    EXPECT_EQ(4, fake.countQueries);
}

TEST_F(LauncherTest, WithNoSoundDevicesTheListIsEmptyAndRunLeavesTheDriverAlone) {
    fake.devices.clear();
    EXPECT_EQ(1, showLauncher([](HeadlessDialog& dialog) {
                  EXPECT_TRUE(dialog.items(IDC_DEVICE).empty());
                  EXPECT_EQ(-1, dialog.selection(IDC_DEVICE));
                  dialog.click(IDOK);
              }));
    EXPECT_EQ((Calls{"output 2", "mixer 0"}), fake.calls);
    EXPECT_EQ(44100, LaunchSettings.mixRate);
}

TEST_F(LauncherTest, DeviceWithoutANameIsListedBlank) {
    fake.devices = {"Only device"};
    launcherSound.getNumDrivers = [] { return 2; };
    showLauncher([](HeadlessDialog& dialog) {
        EXPECT_EQ((std::vector<std::string>{"Only device", ""}), dialog.items(IDC_DEVICE));
        dialog.click(IDCANCEL);
    });
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
    EXPECT_EQ((Calls{"output 2", "driver 0", "mixer 0"}), fake.calls);
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
    EXPECT_EQ(Calls{}, fake.calls);
}

}  // namespace

namespace {

// The command line's choices open the dialog with them selected, and starting
// without the dialog sets up what Run in that dialog would.
TEST_F(LauncherTest, CommandLineChoicesPresetTheDialogAndStartingWithoutItSetsUpTheSame) {
    const std::vector<std::vector<std::string>> commandLines = {
        {}, {"--window", "--no-sound"}, {"--output", "1", "--mixer", "2", "--rate", "22050"}, {"--rate", "8000"}};
    for (std::vector<std::string> words : commandLines) {
        words.insert(words.begin(), "peekstun");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        CommandLine line;
        LaunchSettingsType chosen;
        ASSERT_EQ("", parseCommandLine(static_cast<int>(words.size()), argv.data(), line, chosen));

        SetUp();
        LaunchSettings = chosen;
        EXPECT_EQ(1, showLauncher([&](HeadlessDialog& dialog) {
                      EXPECT_EQ(chosen.fullscreen, dialog.isChecked(IDC_FULLSCREEN));
                      EXPECT_EQ(chosen.outputChoice, dialog.selection(IDC_OUTPUT));
                      EXPECT_EQ(chosen.mixerChoice, dialog.selection(IDC_MIXER));
                      EXPECT_EQ(chosen.frequencyChoice, dialog.selection(IDC_FREQUENCY));
                      dialog.click(IDOK);
                  }));
        const Calls fromDialog = fake.calls;
        const LaunchSettingsType afterDialog = LaunchSettings;

        SetUp();
        LaunchSettings = chosen;
        launchWithoutDialog();
        EXPECT_EQ(fromDialog, fake.calls) << words.size();
        EXPECT_EQ(afterDialog.fullscreen, LaunchSettings.fullscreen);
        EXPECT_EQ(afterDialog.mixRate, LaunchSettings.mixRate);
    }
}

}  // namespace
