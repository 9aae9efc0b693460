// Helpers for the image library's tests: scratch directories, source pictures
// written as PPM, external writers run in a shell, and the decoded pixels of
// an Image turned back into colours for comparison.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Image;

// A picture of 8-bit red, green, blue samples, rows top to bottom.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    uint32_t at(int x, int y) const;  // 0x00RRGGBB
};

// A picture of exactly `colours` distinct colours (at most 256) when colours
// is nonzero; otherwise a gradient of far more than 256 colours.
RgbPicture makePicture(int width, int height, int colours);

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir();

    std::string path(const std::string& name) const;

private:
    std::string root;
};

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

void writePpm(const std::string& path, const RgbPicture& picture);
// Reads a binary PPM with a maximum sample value of 255.
RgbPicture readPpm(const std::string& path);

// True when the program can be found on the search path.
bool toolAvailable(const std::string& program);
// Runs a shell command, its output discarded; returns true on exit status 0.
bool runQuietly(const std::string& command);

// Each decoded pixel as 0x00RRGGBB, read from the image's own pixel array by
// its format: indexed through its palette, 16-bit 5-5-5 widened to 8 bits,
// 24- and 32-bit as blue, green, red.
std::vector<uint32_t> coloursOf(const Image& image);

// The image's pixel array as bytes.
std::vector<uint8_t> pixelsOf(const Image& image);

// Loads the file through Image and compares every pixel with the source
// picture, each channel allowed to differ by at most `tolerance`.
void expectSamePicture(const std::string& path, const RgbPicture& source, int bytesPerPixel, int tolerance = 0);

// The message of the DynamicError the call throws, or "" when it throws none.
std::string errorFrom(const std::function<void()>& call);
