// The desktop's media controls: its media-key daemon, the media widget of its
// top bar or tray, playerctl, a phone paired with it. They see the playing
// show as a player, read its state and send it commands. The backend reads
// the show's state itself, often enough that a change reaches the desktop
// within a few hundredths of a second, and tells the desktop what changed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// What the desktop may ask. The calls come on a thread of the backend's own:
// each must only hand its command over to the show's player, which carries it
// out between frames.
struct MediaCommands {
    std::function<void()> play;
    std::function<void()> pause;
    std::function<void()> playPause;
    std::function<void()> next;      // the next scene's start
    std::function<void()> previous;  // the previous scene's start, as Page Up
    std::function<void()> quit;      // ends the show as Escape does
    std::function<void()> raise;     // brings the show's window forward
    std::function<void(int64_t offsetUs)> seekBy;
    std::function<void(int64_t positionUs)> seekTo;
    std::function<void(double volume)> setVolume;
};

struct MediaState {
    enum class Status { Playing, Paused, Stopped };
    Status status = Status::Stopped;
    int64_t positionUs = 0;  // of the moment on screen when published
    int64_t lengthUs = 0;
    double volume = 1;   // -1: the output has none
    uint64_t seeks = 0;  // counts jumps: each new count is announced with the position
};

// How the show names itself.
struct MediaIdentity {
    std::string name;       // "Peekstun"
    std::string desktopId;  // the desktop entry's file name less .desktop
    std::string busSuffix;  // the player's own part of its bus name
    std::string trackId;    // an object path naming the one track
    std::string title;
    std::string artist;
    std::string artUrl;  // the icon, as a file:// address; "" for none
};

// The state now, safe to call from any thread. The position is carried on
// by the clock when the desktop asks for it between two readings.
using MediaStateSource = std::function<MediaState()>;

// Serves the desktop while it lives; gone from the desktop's controls when
// destroyed.
class MediaControls {
public:
    virtual ~MediaControls() = default;
};

// The controls, on the desktop's session bus. nullptr where there is no
// session bus; where there is one that cannot be reached, the reason is told
// on standard error and the show goes on without them.
std::unique_ptr<MediaControls> openMediaControls(const MediaIdentity& identity, MediaCommands commands,
                                                 MediaStateSource state);
