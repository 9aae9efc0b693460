#include "platform/sound/song_row_table.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

int64_t framesOf(double seconds, int rate) { return std::llround(seconds * rate); }

}  // namespace

SongRowTable::SongRowTable(SongDecoder& decoder, int rate) : rate_(rate) {
    // The decoder's times are counted in frames of the rate it last mixed at.
    int16_t scratch[2];
    decoder.read(rate, 1, scratch);
    length_ = framesOf(decoder.lengthSeconds(), rate);

    const int orders = decoder.orderCount();
    starts.resize(static_cast<size_t>(std::max(orders, 0)));
    std::vector<int64_t> orderStart(starts.size(), -1);
    for (int order = 0; order < orders; ++order) {
        starts[order].assign(static_cast<size_t>(decoder.rowCount(order)), -1);
        if (!starts[order].empty()) {
            const double seconds = decoder.seekSeconds(order, 0);
            if (seconds >= 0) orderStart[order] = framesOf(seconds, rate);
        }
    }
    for (int order = 0; order < orders; ++order) {
        if (orderStart[order] < 0) continue;
        // Where it ends when the next order follows it.
        int64_t end = length_;
        for (int next = order + 1; next < orders; ++next) {
            if (orderStart[next] >= 0) {
                end = orderStart[next];
                break;
            }
        }
        measureOrder(decoder, order, static_cast<int>(starts[order].size()), orderStart[order], end);
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.frame < b.frame; });
}

SongRowTable::SongRowTable(int rate, int64_t length, std::vector<Row> played)
    : rate_(rate), length_(length), rows(std::move(played)) {
    for (const Row& row : rows) {
        const auto order = static_cast<size_t>(row.position.order);
        if (row.position.order < 0 || row.position.row < 0) continue;
        if (starts.size() <= order) starts.resize(order + 1);
        if (starts[order].size() <= static_cast<size_t>(row.position.row))
            starts[order].resize(row.position.row + 1, -1);
        starts[order][row.position.row] = row.frame;
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.frame < b.frame; });
}

void SongRowTable::measureOrder(SongDecoder& decoder, int order, int rowCount, int64_t start, int64_t end) {
    std::vector<int64_t>& rowStarts = starts[order];
    bool even = end > start && (end - start) % rowCount == 0;
    for (int row = 1; row < rowCount && even; ++row) even = !decoder.rowChangesTiming(order, row);
    int64_t previous = -1;
    for (int row = 0; row < rowCount; ++row) {
        if (even) {
            rowStarts[row] = start + (end - start) / rowCount * row;
        } else if (row == 0) {
            rowStarts[row] = start;
        } else {
            // The decoder answers for a row cut off by a break with where it
            // would go instead: a row not inside its order never plays.
            const double seconds = decoder.seekSeconds(order, row);
            const int64_t frame = seconds >= 0 ? framesOf(seconds, rate_) : -1;
            rowStarts[row] = frame > previous && frame < end ? frame : -1;
        }
        if (rowStarts[row] < 0) continue;
        previous = rowStarts[row];
        rows.push_back({rowStarts[row], {order, row}});
    }
}

int64_t SongRowTable::startFrame(int order, int row) const {
    if (order < 0 || static_cast<size_t>(order) >= starts.size()) return -1;
    if (row < 0 || static_cast<size_t>(row) >= starts[order].size()) return -1;
    return starts[order][row];
}

MusicPosition SongRowTable::rowAt(int64_t frame) const {
    if (rows.empty()) return {};
    auto after = std::upper_bound(rows.begin(), rows.end(), frame, [](int64_t f, const Row& r) { return f < r.frame; });
    if (after == rows.begin()) return rows.front().position;
    return std::prev(after)->position;
}
