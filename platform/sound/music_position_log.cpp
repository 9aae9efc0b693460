#include "platform/sound/music_position_log.h"

#include <limits>

void MusicPositionLog::reset(MusicPosition position) {
    std::lock_guard<std::mutex> lock(mutex);
    newest = 0;
    count = 1;
    entries[0] = {std::numeric_limits<int64_t>::min(), position};
    end = kNoEnd;
}

void MusicPositionLog::record(int64_t time, MusicPosition position) {
    std::lock_guard<std::mutex> lock(mutex);
    if (count > 0) {
        Entry& last = entries[newest];
        if (last.position == position) return;
        // A device whose clock runs a little fast may hand over a block that
        // starts before the previous one ends; keep the times in order.
        if (time < last.time) time = last.time;
    }
    newest = (newest + 1) % kCapacity;
    entries[newest] = {time, position};
    if (count < kCapacity) ++count;
}

MusicPosition MusicPositionLog::at(int64_t time) const {
    std::lock_guard<std::mutex> lock(mutex);
    if (count == 0) return {};
    size_t index = newest;
    for (size_t seen = 1; seen < count && entries[index].time > time; ++seen) {
        index = (index + kCapacity - 1) % kCapacity;
    }
    return entries[index].position;
}

void MusicPositionLog::recordEnd(int64_t time) {
    std::lock_guard<std::mutex> lock(mutex);
    end = time;
}

bool MusicPositionLog::endedBy(int64_t time) const {
    std::lock_guard<std::mutex> lock(mutex);
    return end != kNoEnd && time >= end;
}
