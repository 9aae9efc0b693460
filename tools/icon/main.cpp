// peekstun-icon DIR: writes the program's icon into DIR, laid out as an icon
// theme's directory: DIR/NxN/apps/peekstun.png for each of the hicolor theme's
// usual sizes, and DIR/scalable/apps/peekstun.svg.
// peekstun-icon --web DIR: the web page's icons, DIR/icon-192.png,
// DIR/icon-512.png, and DIR/icon-maskable-512.png, the tile within the
// middle 60 % of an opaque square, so a home screen's round or squircle mask
// never cuts into it (the mask keeps at least the middle 80 % circle).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "icon_svg.h"
#include "platform/display/icon.h"
#include "png_writer.h"

namespace {

constexpr int themeSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

std::filesystem::path appsDirectory(const std::filesystem::path& theme, const std::string& sizeName) {
    std::filesystem::path directory = theme / sizeName / "apps";
    std::filesystem::create_directories(directory);
    return directory;
}

void writeIcons(const std::filesystem::path& theme) {
    for (int size : themeSizes) {
        std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
        writePng((appsDirectory(theme, sizeName) / "peekstun.png").string(), paintMainIcon(size).data(), size, size,
                 true, 9);
    }
    std::filesystem::path svgPath = appsDirectory(theme, "scalable") / "peekstun.svg";
    std::ofstream svg(svgPath, std::ios::binary);
    svg << mainIconSvg();
    if (!svg.flush()) throw std::runtime_error("cannot write " + svgPath.string());
}

// The page's background, behind the maskable icon's tile.
constexpr uint32_t kMaskableBackground = 0xff000000;

void writeWebIcons(const std::filesystem::path& directory) {
    std::filesystem::create_directories(directory);
    for (int size : {192, 512}) {
        writePng((directory / ("icon-" + std::to_string(size) + ".png")).string(), paintMainIcon(size).data(), size,
                 size, true, 9);
    }
    constexpr int size = 512;
    constexpr int tileSize = size * 6 / 10;
    constexpr int offset = (size - tileSize) / 2;
    const std::vector<uint32_t> tile = paintMainIcon(tileSize);
    std::vector<uint32_t> pixels(size * size, kMaskableBackground);
    for (int y = 0; y < tileSize; ++y) {
        for (int x = 0; x < tileSize; ++x) {
            // Straight alpha over the opaque background.
            const uint32_t over = tile[y * tileSize + x];
            const uint32_t under = kMaskableBackground;
            const uint32_t alpha = over >> 24;
            uint32_t mixed = 0xff000000;
            for (int shift = 0; shift < 24; shift += 8) {
                const uint32_t o = (over >> shift) & 0xff;
                const uint32_t u = (under >> shift) & 0xff;
                mixed |= ((o * alpha + u * (255 - alpha) + 127) / 255) << shift;
            }
            pixels[(y + offset) * size + x + offset] = mixed;
        }
    }
    writePng((directory / "icon-maskable-512.png").string(), pixels.data(), size, size, false, 9);
}

}  // namespace

int main(int argc, char** argv) {
    const bool web = argc == 3 && std::string(argv[1]) == "--web";
    if ((argc != 2 && !web) || (!web && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: peekstun-icon DIR | peekstun-icon --web DIR\n");
        return 2;
    }
    try {
        if (web) {
            writeWebIcons(argv[2]);
        } else {
            writeIcons(argv[1]);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-icon: %s\n", error.what());
        return 1;
    }
    return 0;
}
