// peekstun-forge DIR: writes the show's data tree (music and pictures) under DIR.
// peekstun-forge --sheet FILE.png DIR: also writes a contact sheet of the pictures.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "forge.h"

static int usage() {
    std::fprintf(stderr, "usage: peekstun-forge [--sheet FILE.png] DIR\n");
    return 2;
}

int main(int argc, char** argv) {
    std::string sheet;
    std::string dir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc) {
            sheet = argv[++i];
        } else if (argv[i][0] == '-' || !dir.empty()) {
            return usage();
        } else {
            dir = argv[i];
        }
    }
    if (dir.empty()) return usage();
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
