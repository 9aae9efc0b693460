// The launcher: the "Configuration" dialog's procedure and the choices it
// gives the show.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dialog/windows.h"
#include "shell/launch_choices.h"

// What the dialog shows: the choices it opens with, where Run leaves the
// user's, and the sound devices it lists.
struct LauncherContents {
    LaunchChoices choices;
    std::vector<std::string> devices;
};

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

// The playback devices of the sound library's current output, in its order;
// one without a name is listed blank.
std::vector<std::string> soundDevices();

// WM_INITDIALOG's parameter points to the LauncherContents, which must outlive
// the dialog; the dialog opens showing them. On WM_COMMAND, Run (IDOK) leaves
// the choices made in the contents and ends the dialog with 1, Quit (IDCANCEL)
// ends it with 0 and changes nothing, About shows the About box. Returns 0
// for every other message.
INT_PTR launcherProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the dialog opening with `choices` and the devices of the sound
// library's default output (no output is chosen before the show). The user's
// choices on Run, nothing on Quit. Throws DynamicError when no dialog can be
// shown.
std::optional<LaunchChoices> runLauncher(const LaunchChoices& choices);
