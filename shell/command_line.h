// The show's command line: options that preset the "Configuration" dialog's
// choices, or start the show without it.
#pragma once

#include <string>

#include "shell/launch_choices.h"

struct CommandLine {
    bool help = false;
    bool version = false;
    bool noDialog = false;
};

// Reads the options into `line` and the choices they make into `choices`
// (those of the dialog's first showing, or of the show without it). Returns ""
// when all are good, else one line saying what is wrong.
std::string parseCommandLine(int argc, char** argv, CommandLine& line, LaunchChoices& choices);

// The --help text.
extern const char* const commandLineHelp;
