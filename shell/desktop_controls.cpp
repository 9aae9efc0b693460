#include "shell/desktop_controls.h"

#include <unistd.h>

#include <climits>
#include <cmath>
#include <string>

#include "platform/desktop/media_controls.h"
#include "shell/player_commands.h"
#include "show/identity.h"

namespace {

// The icon's largest picture, where the data was found: beside data/ in the
// build tree, or in the icon theme beside the installed share/peekstun.
std::string iconAddress() {
    const std::string picture = std::string("icons/hicolor/256x256/apps/") + show::kIconName + ".png";
    char directory[PATH_MAX];
    if (getcwd(directory, sizeof directory) == nullptr) return "";
    for (const std::string& candidate :
         {std::string(directory) + "/" + picture, std::string(directory) + "/../" + picture}) {
        char resolved[PATH_MAX];
        if (realpath(candidate.c_str(), resolved) != nullptr) return std::string("file://") + resolved;
    }
    return "";
}

// The one track as an object path under the desktop entry's id.
std::string trackPath() {
    std::string path = "/";
    for (const char c : std::string(show::kDesktopId)) path += c == '.' || c == '-' ? '/' : c;
    return path + "/show";
}

MediaIdentity identity() {
    MediaIdentity who;
    who.name = show::kAppName;
    who.desktopId = show::kDesktopId;
    who.busSuffix = show::kIconName;
    who.trackId = trackPath();
    who.title = show::kAppName;
    who.artist = show::kMaker;
    who.artUrl = iconAddress();
    return who;
}

void post(PlayerCommand::Kind kind) { postPlayerCommand(PlayerCommand{kind}); }

MediaCommands commands() {
    using Kind = PlayerCommand::Kind;
    MediaCommands what;
    what.play = [] { post(Kind::Resume); };
    what.pause = [] { post(Kind::Pause); };
    what.playPause = [] { post(Kind::TogglePause); };
    what.next = [] { post(Kind::NextScene); };
    what.previous = [] { post(Kind::PreviousScene); };
    what.quit = [] { post(Kind::Stop); };
    what.raise = [] { post(Kind::Raise); };
    what.seekBy = [](int64_t offsetUs) { postPlayerCommand(PlayerCommand{Kind::SeekBy, offsetUs / 1e6}); };
    what.seekTo = [](int64_t positionUs) { postPlayerCommand(PlayerCommand{Kind::SeekTo, positionUs / 1e6}); };
    what.setVolume = [](double volume) { postPlayerCommand(PlayerCommand{Kind::SetVolume, 0, 0, volume}); };
    return what;
}

// Muted, the desktop is told the show is silent.
MediaState stateNow() {
    const PlayerStatus status = latestPlayerStatus();
    MediaState state;
    state.status = !status.playing ? MediaState::Status::Stopped
                   : status.paused ? MediaState::Status::Paused
                                   : MediaState::Status::Playing;
    state.positionUs = std::llround(status.seconds * 1e6);
    state.lengthUs = std::llround(status.totalSeconds * 1e6);
    state.volume = status.volume < 0 ? -1 : status.muted ? 0 : status.volume;
    state.seeks = status.seeks;
    return state;
}

}  // namespace

DesktopControls::DesktopControls() : controls(openMediaControls(identity(), commands(), stateNow)) {}

DesktopControls::~DesktopControls() = default;
