#include "support/picture_files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "support/image_fixtures.h"

namespace test_support {

std::vector<uint8_t> tgaHeader(uint8_t imageType, int width, int height, uint8_t bitsPerPixel) {
    std::vector<uint8_t> bytes(18, 0);
    bytes[2] = imageType;
    bytes[12] = static_cast<uint8_t>(width & 0xff);
    bytes[13] = static_cast<uint8_t>(width >> 8);
    bytes[14] = static_cast<uint8_t>(height & 0xff);
    bytes[15] = static_cast<uint8_t>(height >> 8);
    bytes[16] = bitsPerPixel;
    bytes[17] = 0x20;  // top-left origin
    return bytes;
}

void writeTga32(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    if (pixels.size() != static_cast<size_t>(width) * height) throw std::invalid_argument("pixel count");
    std::vector<uint8_t> bytes = tgaHeader(2, width, height, 32);  // uncompressed true colour
    for (uint32_t pixel : pixels) {
        bytes.push_back(static_cast<uint8_t>(pixel));
        bytes.push_back(static_cast<uint8_t>(pixel >> 8));
        bytes.push_back(static_cast<uint8_t>(pixel >> 16));
        bytes.push_back(0);
    }
    writeFile(path, bytes);
}

void writeSolidTga32(const std::string& path, int width, int height, uint32_t colour) {
    writeTga32(path, width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour));
}

TemporaryWorkingDirectory::TemporaryWorkingDirectory() : previous(std::filesystem::current_path().string()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "peekstun-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary directory");
    root = pattern;
    std::filesystem::create_directories(std::filesystem::path(root) / "data" / "gfx");
    std::filesystem::current_path(root);
}

TemporaryWorkingDirectory::~TemporaryWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(root, ignored);
}

}  // namespace test_support
