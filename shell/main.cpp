// peekstun: the launcher dialog, then the show. Every way out returns 0.
#include <cstdio>
#include <cstring>

#include "platform/DynamicError.h"
#include "platform/windows.h"
#include "shell/launcher.h"
#include "shell/show.h"

int main() {
    INT_PTR choice;
    try {
        choice = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, launcherProc, 0);
    } catch (const DynamicError& error) {
        // Without a display there is nothing to show a dialog on: say so in one line.
        std::fprintf(stderr, "peekstun: %s\n", error.message());
        return 0;
    }
    if (choice == 0) return 0;

    ShowConfig config;
    config.fullscreen = LaunchSettings.fullscreen;
    config.mixRate = LaunchSettings.mixRate;
    runShow(config);
    return 0;
}
