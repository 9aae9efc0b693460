// The keys of the show's window and of the page, each bound to a player
// command: the keys do nothing by themselves.
#pragma once

#include <optional>

#include "shell/player_commands.h"

// The command `code` (a DynamicKey code) is bound to; none for other keys.
std::optional<PlayerCommand> commandForKey(int code);
