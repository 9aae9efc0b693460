#include "shell/palettes.h"

#include <cstdint>
#include <initializer_list>

#include "effects/showRandom.h"

namespace {

int noise() { return showRand() % 16; }

int32_t rgb(int red, int green, int blue) { return red * 65536 + green * 256 + blue; }

}  // namespace

void makePlasmaPalette(DynamicPalette& palette) {
    int32_t* entries = palette.lock();
    for (int k = 0; k < 32; ++k) {
        for (int index : {2 * k, 223 - 2 * k, 2 * k + 1, 222 - 2 * k}) {
            int green = 4 * k + noise();
            int red = noise();
            entries[index] = rgb(red, green, 8 * k);
        }
    }
    for (int m = 0; m < 24; ++m) {
        for (int index : {64 + 2 * m, 159 - 2 * m, 65 + 2 * m, 158 - 2 * m}) {
            int green = 128 + 4 * m + noise();
            int red = 8 * m + noise();
            entries[index] = rgb(red, green, 255);
        }
    }
    for (int index = 224; index < 256; ++index) entries[index] = 0;
    palette.unlock();
}

void makeFlowerPalette(DynamicPalette& palette) {
    int32_t* entries = palette.lock();
    for (int j = 0; j < 64; ++j) {
        int g = j < 32 ? 4 * j : 128 - 4 * (j - 32);
        int shift = noise() + 1;
        int green = g + noise();
        int red = noise();
        int blue = (g << shift) % 256;  // zero once the shift reaches 8
        entries[j] = rgb(red, green, blue);
    }
    for (int index = 64; index < 256; ++index) entries[index] = 0;
    palette.unlock();
}
