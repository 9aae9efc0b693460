#include "BeatGrid.h"

#include <algorithm>

namespace music {

const std::vector<int>& beatRows(int order) {
    static const std::vector<int> none;
    // The groove opens with the first kick a sixteenth late.
    static const std::vector<int> stutter{1, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57};
    static const std::vector<int> broken{9, 17, 21, 25, 33, 35, 42, 50, 52, 57};
    static const std::vector<int> regular{0, 3, 9, 17, 21, 25, 33, 35, 41, 49, 51, 57};
    static const std::vector<int> lateEntry{9, 17, 21, 25, 33, 35, 41, 49, 51, 57};
    if (order >= 7 && order <= 9) return stutter;
    if (order == 10) return broken;
    if (order == 15) return lateEntry;
    if ((order >= 11 && order <= 17) || (order >= 23 && order <= 30)) return regular;
    return none;
}

bool isBeatRow(int order, int row) {
    const std::vector<int>& rows = beatRows(order);
    return std::binary_search(rows.begin(), rows.end(), row);
}

}  // namespace music
