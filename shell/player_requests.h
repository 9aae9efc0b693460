// Requests to the playing show from controls outside its console (the page's
// scrubber and taps), taken by the show between frames in the order posted.
#pragma once

struct PlayerRequest {
    enum class Kind { TogglePause, SeekTo };
    Kind kind = Kind::TogglePause;
    double seconds = 0;  // SeekTo: the show time to go to
};

void postPlayerRequest(const PlayerRequest& request);
// The oldest request not yet taken; false when there is none.
bool takePlayerRequest(PlayerRequest& request);
