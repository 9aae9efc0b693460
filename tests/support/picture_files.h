// Small picture files written by the tests themselves, and a temporary
// working directory holding data/gfx/ for effects that open fixed paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// The 18 header bytes of an uncompressed, top-down TGA picture of the given
// image type (1 colour-mapped, 2 true colour) without an image ID; a colour
// map's fields are left for the caller.
std::vector<uint8_t> tgaHeader(uint8_t imageType, int width, int height, uint8_t bitsPerPixel);

// Writes an uncompressed, top-down 32-bit true-colour TGA file. pixels holds
// width x height values 0x00RRGGBB, rows top to bottom.
void writeTga32(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);

// A picture of one colour.
void writeSolidTga32(const std::string& path, int width, int height, uint32_t colour);

// Creates a fresh directory with data/gfx/ inside and makes it the working
// directory; restores the previous one and removes the directory on
// destruction.
class TemporaryWorkingDirectory {
public:
    TemporaryWorkingDirectory();
    TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
    TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;
    ~TemporaryWorkingDirectory();

    // Path of a file under data/gfx/, relative to the working directory.
    static std::string gfx(const std::string& fileName) { return "data/gfx/" + fileName; }

private:
    std::string previous;
    std::string root;
};

}  // namespace test_support
