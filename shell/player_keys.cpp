#include "shell/player_keys.h"

#include "platform/display/DynamicKey.h"
#include "shell/timeline.h"

namespace {

constexpr double kSeekStepSeconds = 5.0;
constexpr double kVolumeStep = 0.05;

}  // namespace

std::optional<PlayerCommand> commandForKey(int code) {
    using Kind = PlayerCommand::Kind;
    switch (code) {
        case kKeyEscape:
            return PlayerCommand{Kind::Stop};
        case kKeySpace:
            return PlayerCommand{Kind::TogglePause};
        case kKeyLeft:
            return PlayerCommand{Kind::SeekBy, -kSeekStepSeconds};
        case kKeyRight:
            return PlayerCommand{Kind::SeekBy, kSeekStepSeconds};
        case kKeyPageUp:
            return PlayerCommand{Kind::PreviousScene};
        case kKeyPageDown:
            return PlayerCommand{Kind::NextScene};
        case kKeyHome:
            return PlayerCommand{Kind::SeekTo, 0};
        case kKeyPeriod:
            return PlayerCommand{Kind::Step};
        case kKeyUp:
        case kKeyVolumeUp:
            return PlayerCommand{Kind::ChangeVolume, 0, 0, kVolumeStep};
        case kKeyDown:
        case kKeyVolumeDown:
            return PlayerCommand{Kind::ChangeVolume, 0, 0, -kVolumeStep};
        case 'm':
        case kKeyMute:
            return PlayerCommand{Kind::ToggleMute};
        case kKeyMediaPlayPause:
            return PlayerCommand{Kind::TogglePause};
        case kKeyMediaStop:
            return PlayerCommand{Kind::Stop};
        case kKeyMediaNext:
            return PlayerCommand{Kind::NextScene};
        case kKeyMediaPrevious:
            return PlayerCommand{Kind::PreviousScene};
        default:
            if (code >= '1' && code < '1' + kSceneCount) return PlayerCommand{Kind::GoToScene, 0, code - '0'};
            return std::nullopt;
    }
}
