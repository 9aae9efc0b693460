// peekstun: the launcher dialog, then the show. Every way out of the show
// returns 0; a bad command line returns 2.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/display/DynamicError.h"
#include "platform/dialog/windows.h"
#include "shell/command_line.h"
#include "shell/data_location.h"
#include "shell/launcher.h"
#include "shell/show.h"

int main(int argc, char** argv) {
    CommandLine line;
    const std::string wrong = parseCommandLine(argc, argv, line, LaunchSettings);
    if (!wrong.empty()) {
        std::fprintf(stderr, "peekstun: %s (see peekstun --help)\n", wrong.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(commandLineHelp, stdout);
        return 0;
    }
    if (line.version) {
        std::printf("peekstun %s\n", PEEKSTUN_VERSION);
        return 0;
    }

    if (line.noDialog) {
        launchWithoutDialog();
    } else {
        INT_PTR choice;
        try {
            choice = DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, launcherProc, 0);
        } catch (const DynamicError& error) {
            // Without a display there is nothing to show a dialog on: say so in one line.
            std::fprintf(stderr, "peekstun: %s\n", error.message());
            return 0;
        }
        if (choice == 0) return 0;
    }

    // The show reads its files by paths relative to the directory that holds data/.
    const DataSearch data = findShowData();
    if (!data.found.empty() && chdir(data.found.c_str()) != 0) {
        std::fprintf(stderr, "peekstun: cannot enter %s: %s\n", data.found.c_str(), std::strerror(errno));
        return 0;
    }

    ShowConfig config;
    config.fullscreen = LaunchSettings.fullscreen;
    config.mixRate = LaunchSettings.mixRate;
    if (!runShow(config) && data.found.empty()) {
        std::fprintf(stderr, "peekstun: %s\n", describeSearchedPlaces(data).c_str());
    }
    return 0;
}
