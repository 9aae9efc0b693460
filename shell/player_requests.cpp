#include "shell/player_requests.h"

#include <deque>
#include <mutex>

namespace {

std::mutex requestsMutex;
std::deque<PlayerRequest> pending;

}  // namespace

void postPlayerRequest(const PlayerRequest& request) {
    std::lock_guard<std::mutex> lock(requestsMutex);
    pending.push_back(request);
}

bool takePlayerRequest(PlayerRequest& request) {
    std::lock_guard<std::mutex> lock(requestsMutex);
    if (pending.empty()) return false;
    request = pending.front();
    pending.pop_front();
    return true;
}
