// The rows on which the show's pictures pulse. The drums put a kick or a
// snare on each of them, so that every pulse is heard.
#pragma once

#include <vector>

namespace music {

// The marked rows of an order, ascending; empty for orders without a beat.
const std::vector<int>& beatRows(int order);

bool isBeatRow(int order, int row);

}  // namespace music
