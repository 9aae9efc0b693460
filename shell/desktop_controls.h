// The show in the desktop's media controls while it plays: their commands
// are posted as the player's own, the same the keys and the page give, and
// what they show is the player's published state.
#pragma once

#include <memory>

class MediaControls;

class DesktopControls {
public:
    // Offers the show to the desktop's controls, where it has any.
    DesktopControls();
    // Takes it away again.
    ~DesktopControls();
    DesktopControls(const DesktopControls&) = delete;
    DesktopControls& operator=(const DesktopControls&) = delete;

private:
    std::unique_ptr<MediaControls> controls;
};
