// peekstun-icon DIR: writes the program's icon into DIR, laid out as an icon
// theme's directory: DIR/NxN/apps/peekstun.png for each of the hicolor theme's
// usual sizes, and DIR/scalable/apps/peekstun.svg.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: peekstun-icon DIR\n");
        return 2;
    }
    try {
        writeIcons(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-icon: %s\n", error.what());
        return 1;
    }
    return 0;
}
