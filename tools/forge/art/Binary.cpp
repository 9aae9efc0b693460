// Binary digits: the falling stripes of 0 and 1 (a 6 x 8 pixel font), green
// fading to dark towards the top, and the narrow columns of dots and dashes
// that make up the band of data.
#include <string>

#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

// 5 x 7 glyphs inside a 6 x 8 cell, one row per byte, high bit on the left.
const uint8_t glyphZero[7] = {0x70, 0x88, 0x98, 0xa8, 0xc8, 0x88, 0x70};
const uint8_t glyphOne[7] = {0x20, 0x60, 0x20, 0x20, 0x20, 0x20, 0x70};

struct StripeLook {
    int length;  // pixels
    int width;   // 8, or 7 for the narrow one
    float brightness;
    uint64_t seed;
};

Canvas digitStripe(const StripeLook& look) {
    Canvas picture(look.width, look.length);
    Random random(look.seed);
    int cells = look.length / 8;
    int top = look.length - cells * 8;  // any spare rows stay dark at the top
    for (int cell = 0; cell < cells; ++cell) {
        const uint8_t* glyph = random.below(2) ? glyphOne : glyphZero;
        // Position 0 at the top; the lowest digit, leading the fall, is brightest.
        float t = (cell + 1.0f) / cells;
        float fade = t * t * look.brightness;
        bool leader = cell == cells - 1;
        Rgb colour =
            leader ? mix(colours::paleGreen, colours::white, 0.5f) : mix(colours::darkGreen, colours::green, t);
        colour = colour * (leader ? look.brightness : 0.35f + fade);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (glyph[row] & (0x80 >> col)) picture.at(1 + col, top + cell * 8 + row) = colour;
    }
    return picture;
}

// One column of the data band: sparse dots and dashes, each its own shade.
Canvas dataColumn(uint64_t seed) {
    const int width = 4, height = 238;
    Canvas picture(width, height);
    Random random(seed);
    float density = random.between(0.25f, 0.6f);
    for (int y = 1; y < height - 1;) {
        if (random.uniform() > density) {
            y += 2;
            continue;
        }
        float shade = random.between(0.35f, 1.0f);
        Rgb colour = mix(hex(0x0c3a44), hex(0x1a6a5a), random.uniform()) * shade;
        if (random.below(12) == 0) colour = hex(0x38a0a0) * shade;  // an occasional bright bit
        int kind = random.below(4);
        int x = random.below(3);
        int length = kind == 0 ? 1 : kind == 1 ? 2 : 3 + random.below(5);
        bool wide = kind == 3;
        for (int dy = 0; dy < length && y + dy < height; ++dy) {
            picture.at(x, y + dy) = colour;
            if (wide) picture.at(x + 1, y + dy) = colour * 0.7f;
        }
        y += length + 1 + random.below(3);
    }
    return picture;
}

}  // namespace

void paintBinary(const std::string& dataDir) {
    const StripeLook stripes[6] = {{96, 8, 0.9f, 11},  {152, 8, 1.0f, 12}, {120, 7, 0.8f, 13},
                                   {200, 8, 0.7f, 14}, {64, 8, 1.0f, 15},  {176, 8, 0.85f, 16}};
    const SaveFormat stripeFiles[6] = {tga32(true), pcx8(32), pcx24(), pcx8(32), pcx24(), tga24(false)};
    const char* stripeNames[6] = {"gfx/binary_stripe1.tga", "gfx/binary_stripe2.pcx", "gfx/binary_stripe3.pcx",
                                  "gfx/binary_stripe4.pcx", "gfx/binary_stripe5.pcx", "gfx/binary_stripe6.tga"};
    for (int i = 0; i < 6; ++i) savePicture(dataDir, stripeNames[i], digitStripe(stripes[i]), stripeFiles[i]);

    for (int i = 1; i <= 16; ++i)
        savePicture(dataDir, "gfx/binary_bg" + std::to_string(i) + ".tga", dataColumn(100 + i), tga16(i % 2 == 0));
}
