// peekstun-forge DIR: writes the show's data tree (music and pictures) under DIR.
// peekstun-forge --sheet FILE.png DIR: also writes a contact sheet of the pictures.
#include <cstdio>
#include <exception>
#include <string>

#include "forge.h"

namespace {

const char* const kUsage =
    "usage: peekstun-forge [--sheet FILE.png] DIR\n"
    "  writes the show's music and pictures under DIR/music, DIR/gfx and DIR/textures\n"
    "  --sheet FILE.png    also write a labelled contact sheet of the pictures\n";

// One line saying what is wrong, then where to look.
int refuse(const std::string& problem) {
    std::fprintf(stderr, "peekstun-forge: %s\nTry 'peekstun-forge --help' for the options.\n", problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sheet;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (argument == "--sheet") {
            if (i + 1 >= argc) return refuse("--sheet needs a file name");
            sheet = argv[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return refuse("unknown option " + argument);
        } else if (!dir.empty()) {
            return refuse("unexpected argument " + argument + " (the data directory is " + dir + ")");
        } else {
            dir = argument;
        }
    }
    if (dir.empty()) return refuse("no data directory given");
    try {
        forgeMusic(dir);
        forgePictures(dir);
        if (!sheet.empty()) forgeContactSheet(dir, sheet);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "peekstun-forge: %s\n", error.what());
        return 1;
    }
    return 0;
}
