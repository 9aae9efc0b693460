#include "shell/player_commands.h"

#include <deque>
#include <mutex>

namespace {

std::mutex commandsMutex;
std::deque<PlayerCommand> pending;

}  // namespace

void postPlayerCommand(const PlayerCommand& command) {
    std::lock_guard<std::mutex> lock(commandsMutex);
    pending.push_back(command);
}

std::optional<PlayerCommand> takePlayerCommand() {
    std::lock_guard<std::mutex> lock(commandsMutex);
    if (pending.empty()) return std::nullopt;
    PlayerCommand command = pending.front();
    pending.pop_front();
    return command;
}

namespace {

std::mutex statusMutex;
PlayerStatus published;

}  // namespace

void publishPlayerStatus(const PlayerStatus& status) {
    std::lock_guard<std::mutex> lock(statusMutex);
    published = status;
}

PlayerStatus latestPlayerStatus() {
    std::lock_guard<std::mutex> lock(statusMutex);
    return published;
}
