#include "shell/sync.h"

#include <array>
#include <initializer_list>

#include "platform/sound/fmod.h"

namespace {

constexpr int kOrders = 32;
constexpr int kRows = 64;

using BeatTable = std::array<int32_t, kOrders * kRows>;

BeatTable makeBeatTable() {
    const std::initializer_list<int> groove = {1, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57};
    const std::initializer_list<int> order10 = {9, 17, 21, 25, 33, 35, 42, 50, 52, 57};
    const std::initializer_list<int> straight = {0, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57};
    const std::initializer_list<int> order15 = {9, 17, 21, 25, 33, 35, 41, 49, 51, 57};

    BeatTable table{};
    auto mark = [&table](int first, int last, std::initializer_list<int> rows) {
        for (int order = first; order <= last; ++order)
            for (int row : rows) table[order * kRows + row] = 1;
    };
    mark(7, 9, groove);
    mark(10, 10, order10);
    mark(11, 14, straight);
    mark(15, 15, order15);
    mark(16, 17, straight);
    mark(23, 30, straight);
    return table;
}

const BeatTable beatTable = makeBeatTable();

}  // namespace

const DynamicArea fullArea(0, 0, 320, 240);
const DynamicArea zoomArea(10, 10, 310, 230);

void PlayingSongPosition::play() { FMUSIC_PlaySong(song); }
int PlayingSongPosition::order() { return FMUSIC_GetOrder(song); }
int PlayingSongPosition::row() { return FMUSIC_GetRow(song); }
bool PlayingSongPosition::finished() { return FMUSIC_IsFinished(song); }

bool isBeatRow(int order, int row) {
    if (order < 0 || order >= kOrders || row < 0 || row >= kRows) return false;
    return beatTable[order * kRows + row] != 0;
}

const DynamicArea& beatArea(SongPosition& position) {
    int order = position.order();
    int row = position.row();
    return isBeatRow(order, row) ? zoomArea : fullArea;
}
