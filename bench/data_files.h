// The show's picture and texture files under data/ in the working directory.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct DataFiles {
    std::vector<std::string> pictures;  // every file of data/gfx and data/textures
    double bytes = 0;                   // their total size
};

// Listed once; empty when there is no data/ here.
const DataFiles& dataFiles();

}  // namespace bench
