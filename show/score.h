// The song's shape and the rows on which the show's pictures pulse. The data
// tool puts a kick or a snare on each of those rows so that every pulse is
// heard; the show magnifies its background on them.
#pragma once

namespace show {

constexpr int kSongOrders = 32;
constexpr int kRowsPerOrder = 64;

// The rows of one order that pulse, ascending.
struct BeatRows {
    int count;
    int rows[12];

    constexpr const int* begin() const { return rows; }
    constexpr const int* end() const { return rows + count; }
};

inline constexpr BeatRows kNoBeat{0, {}};
// The groove opens with the first kick a sixteenth late.
inline constexpr BeatRows kStutter{12, {1, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57}};
inline constexpr BeatRows kBroken{10, {9, 17, 21, 25, 33, 35, 42, 50, 52, 57}};
inline constexpr BeatRows kRegular{12, {0, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57}};
inline constexpr BeatRows kLateEntry{10, {9, 17, 21, 25, 33, 35, 41, 49, 51, 57}};

// Orders 7-17 and 23-30 pulse; the rest of the song does not.
inline constexpr const BeatRows* kBeats[kSongOrders] = {
    &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kStutter,
    &kStutter, &kStutter, &kBroken,  &kRegular, &kRegular, &kRegular, &kRegular, &kLateEntry,
    &kRegular, &kRegular, &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kNoBeat,  &kRegular,
    &kRegular, &kRegular, &kRegular, &kRegular, &kRegular, &kRegular, &kRegular, &kNoBeat,
};

// The rows that pulse in `order`; none outside the song.
constexpr const BeatRows& beatRows(int order) { return order >= 0 && order < kSongOrders ? *kBeats[order] : kNoBeat; }

// True when the pictures pulse on this order and row; positions outside the
// song never pulse.
constexpr bool isBeatRow(int order, int row) {
    for (int marked : beatRows(order))
        if (marked == row) return true;
    return false;
}

namespace detail {
constexpr bool rowsAscendWithinAnOrder() {
    for (const BeatRows* beat : kBeats)
        for (int i = 0; i < beat->count; ++i)
            if (beat->rows[i] < 0 || beat->rows[i] >= kRowsPerOrder || (i > 0 && beat->rows[i] <= beat->rows[i - 1]))
                return false;
    return true;
}
}  // namespace detail
static_assert(detail::rowsAscendWithinAnOrder(), "every order's beat rows ascend within 0..63");

}  // namespace show
