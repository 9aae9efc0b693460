// peekstun: the launcher dialog, then the show. Every way out of the show
// returns 0; a bad command line returns 2.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/display/DynamicError.h"
#include "shell/command_line.h"
#include "shell/data_location.h"
#include "shell/launcher.h"
#include "shell/show.h"

int main(int argc, char** argv) {
    CommandLine line;
    LaunchChoices choices;
    const std::string wrong = parseCommandLine(argc, argv, line, choices);
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

    if (!line.noDialog) {
        std::optional<LaunchChoices> chosen;
        try {
            chosen = runLauncher(choices);
        } catch (const DynamicError& error) {
            // Without a display there is nothing to show a dialog on: say so in one line.
            std::fprintf(stderr, "peekstun: %s\n", error.message());
            return 0;
        }
        if (!chosen) return 0;
        choices = *chosen;
    }

    // The show reads its files by paths relative to the directory that holds data/.
    const DataSearch data = findShowData();
    if (!data.found.empty() && chdir(data.found.c_str()) != 0) {
        std::fprintf(stderr, "peekstun: cannot enter %s: %s\n", data.found.c_str(), std::strerror(errno));
        return 0;
    }

    ShowConfig config;
    config.choices = choices;
    if (!runShow(config) && data.found.empty()) {
        std::fprintf(stderr, "peekstun: %s\n", describeSearchedPlaces(data).c_str());
    }
    return 0;
}
