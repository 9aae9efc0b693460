#include "picture_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "image/Image.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicSurface.h"

namespace {

const std::string& scratchPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("peekstun-fuzz-" + std::to_string(getpid()) + ".picture")).string();
    return path;
}

}  // namespace

void loadPictureBytes(const uint8_t* data, size_t size) {
    const std::string& path = scratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
    try {
        Image image(path.c_str());
        // The surface owns zeroed memory of its own; giant ones would only
        // measure the allocator.
        if (static_cast<long>(image.width()) * image.height() <= 1024 * 1024) {
            DynamicSurface surface(image.width(), image.height(), DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff));
            image.copy(surface);
        }
    } catch (const DynamicError&) {
    }
    std::remove(path.c_str());
}
