#include "data_files.h"

#include <algorithm>
#include <filesystem>

namespace bench {

const DataFiles& dataFiles() {
    static const DataFiles files = [] {
        DataFiles found;
        for (const char* folder : {"data/gfx", "data/textures"}) {
            std::error_code missing;
            for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
                if (!entry.is_regular_file()) continue;
                found.pictures.push_back(entry.path().string());
                found.bytes += static_cast<double>(entry.file_size());
            }
        }
        std::sort(found.pictures.begin(), found.pictures.end());
        return found;
    }();
    return files;
}

}  // namespace bench
