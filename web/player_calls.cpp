// The functions the page's script calls (Module._peekstun...): the player's
// commands posted to the playing show, taken between frames, and where the
// next show starts.
#include "web/player_calls.h"

#include <emscripten.h>

#include "shell/player_commands.h"

namespace {

double startSeconds = -1;
int startScene = 0;

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void peekstunTogglePause() { postPlayerCommand({PlayerCommand::Kind::TogglePause}); }

// A show time in seconds; past the end ends the show.
EMSCRIPTEN_KEEPALIVE void peekstunSeekTo(double seconds) { postPlayerCommand({PlayerCommand::Kind::SeekTo, seconds}); }

// The start of `scene`, 1 to 8.
EMSCRIPTEN_KEEPALIVE void peekstunGoToScene(int scene) {
    postPlayerCommand({PlayerCommand::Kind::GoToScene, 0, scene});
}

// The next Run starts at `seconds` when not negative, else at the start of
// `scene` (1 to 8; 0: the show's start).
EMSCRIPTEN_KEEPALIVE void peekstunStartAt(double seconds, int scene) {
    startSeconds = seconds;
    startScene = scene;
}

}  // extern "C"

LaunchChoices takePageStart(LaunchChoices choices) {
    choices.startSeconds = startSeconds;
    choices.startScene = startScene;
    startSeconds = -1;
    startScene = 0;
    return choices;
}
