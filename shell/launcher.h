// The launcher: the "Configuration" dialog's procedure and the choices it
// leaves for the start-up.
#pragma once

#include "platform/dialog/windows.h"

struct LaunchSettingsType {
    bool fullscreen = true;
    int mixRate = 0;  // Hz; set by Run
    // The items the output, mixer and frequency lists open with (the command
    // line can choose others); 0 is each list's first.
    int outputChoice = 0;
    int mixerChoice = 0;
    int frequencyChoice = 0;
};
extern LaunchSettingsType LaunchSettings;

// The sound library's set-up calls the launcher makes, as a table so tests
// can watch them; it holds the FSOUND_* functions.
struct LauncherSound {
    int (*getNumDrivers)();
    const char* (*getDriverName)(int driver);
    bool (*setOutput)(int output);
    bool (*setDriver)(int driver);
    bool (*setMixer)(int mixer);
};
extern LauncherSound launcherSound;

// Control ids of dialog 108.
enum {
    IDC_FULLSCREEN = 101,
    IDC_LOOP = 102,
    IDC_OUTPUT = 103,
    IDC_DEVICE = 104,
    IDC_MIXER = 105,
    IDC_FREQUENCY = 106,
    IDC_ABOUT = 107,
};

// The text of the About box.
extern const char* const launcherAboutText;

// Fills the dialog on WM_INITDIALOG; on WM_COMMAND, Run (IDOK) hands the
// sound choices to the sound library, stores the rest in LaunchSettings and
// ends the dialog with 1, Quit (IDCANCEL) ends it with 0, About shows the
// About box. Returns 0 for every other message.
INT_PTR launcherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What Run does, without the dialog: the choices in LaunchSettings and the
// first device go to the sound library, and the rate to LaunchSettings.
void launchWithoutDialog();
