#include "shell/song_rows.h"

#include <algorithm>
#include <iterator>

SongRows::Start SongRows::rowAt(int64_t frame) const {
    if (starts.empty()) return {0, 0, 0};
    auto after = std::upper_bound(starts.begin(), starts.end(), frame,
                                  [](int64_t f, const Start& start) { return f < start.frame; });
    return after == starts.begin() ? starts.front() : *std::prev(after);
}

int64_t SongRows::startOf(int order, int row) const {
    for (const Start& start : starts)
        if (start.order == order && start.row == row) return start.frame;
    return -1;
}
