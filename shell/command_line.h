// The show's command line: options that preset the "Configuration" dialog's
// choices, or start the show without it.
#pragma once

#include <string>

#include "shell/launcher.h"

struct CommandLine {
    bool help = false;
    bool version = false;
    bool noDialog = false;
};

// Reads the options into `line` and the dialog's starting choices into
// `settings`. Returns "" when all are good, else one line saying what is wrong.
std::string parseCommandLine(int argc, char** argv, CommandLine& line, LaunchSettingsType& settings);

// The --help text.
extern const char* const commandLineHelp;
