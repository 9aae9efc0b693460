#include "shell/player_keys.h"

#include "platform/display/DynamicKey.h"
#include "shell/timeline.h"

namespace {

constexpr double kSeekStepSeconds = 5.0;

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
        default:
            if (code >= '1' && code < '1' + kSceneCount) return PlayerCommand{Kind::GoToScene, 0, code - '0'};
            return std::nullopt;
    }
}
