// What the page's script asks of the player: the moment the next show starts
// at (an address's #t= or #scene=), kept until that show takes it.
#pragma once

#include "shell/launch_choices.h"

// The start the page asked for, once: later calls give the show's start.
LaunchChoices takePageStart(LaunchChoices choices);
