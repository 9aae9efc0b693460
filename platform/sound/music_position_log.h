// The song positions a player has mixed, each with the time at which it is
// heard, and the time its end is heard, so that another thread can ask which
// position is being heard now and whether the song is over.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <mutex>

struct MusicPosition {
    int order = 0;
    int row = 0;
};

inline bool operator==(const MusicPosition& a, const MusicPosition& b) { return a.order == b.order && a.row == b.row; }
inline bool operator!=(const MusicPosition& a, const MusicPosition& b) { return !(a == b); }

// The mixing thread records each change of position with the time its first
// sample is heard; a reader picks the newest entry whose time has come. Times
// are in the output's own unit (nanoseconds of the steady clock for a live
// output, frames for offline mixing). A short lock guards the ring: entries
// arrive about once per row, so neither side ever waits long. The ring holds
// every entry not yet heard as long as the mixing runs at most 1.25 s ahead
// and rows last 1.25 ms or more: a song at any tempo trackers allow, mixed
// ahead offline in blocks of up to a second.
class MusicPositionLog {
public:
    // Forgets every entry and the end: `position` holds from the beginning of
    // time.
    void reset(MusicPosition position);
    // `position` holds from `time` on. Times must not decrease from one call to
    // the next; an entry equal to the newest one is not stored again.
    void record(int64_t time, MusicPosition position);
    // The position heard at `time`: the newest entry not later than `time`, or
    // the oldest kept entry when every kept one is later.
    MusicPosition at(int64_t time) const;
    // Nothing of the song is heard from `time` on.
    void recordEnd(int64_t time);
    // True when an end was recorded and `time` has reached it.
    bool endedBy(int64_t time) const;

private:
    struct Entry {
        int64_t time;
        MusicPosition position;
    };
    static constexpr size_t kCapacity = 1024;
    static constexpr int64_t kNoEnd = std::numeric_limits<int64_t>::max();

    mutable std::mutex mutex;
    std::array<Entry, kCapacity> entries{};
    size_t newest = 0;  // index of the newest entry
    size_t count = 0;
    int64_t end = kNoEnd;  // the time the song ends, kNoEnd while it plays on
};
