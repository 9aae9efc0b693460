// The title: the final scene's logo (chrome letters with a cyan rim over a
// horizon grid under stars), the small glowing letters of the shivering title
// word, and the word "FIGHT" set letter under letter.
#include <string>

#include "Lettering.h"
#include "Noise.h"
#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

constexpr float horizon = 142;

Canvas nightSkyWithGrid() {
    Canvas picture(320, 240);
    picture.forEach([](Vec2 p, Rgb& pixel) {
        if (p.y < horizon) {
            float t = p.y / horizon;
            pixel = mix(hex(0x00020a), hex(0x0a2250), t * t * t) + hex(0x0e4070) * std::exp((p.y - horizon) / 6);
            return;
        }
        // The floor: lines at equal steps of depth and of sideways position, in perspective.
        float below = p.y - horizon;
        float depth = 900.0f / below;
        float side = (p.x - 160) * depth / 300.0f;
        float pixelDepth = depth * depth / 900.0f;  // depth change across one pixel row
        float lineZ = std::fabs(std::fmod(depth + 1000, 8.0f) - 4.0f);
        float lineX = std::fabs(std::fmod(side + 1000.5f, 1.0f) - 0.5f);
        float across = clamp01(1.2f - lineZ / std::max(pixelDepth, 0.02f) * 0.9f);
        float along = clamp01(1.2f - lineX / std::max(depth / 300.0f, 0.002f));
        // Lines closer together than a few pixels fade out instead of shimmering.
        float fade = std::exp(-depth / 90.0f) * clamp01(1.5f - pixelDepth / 2.0f);
        Rgb ground = mix(hex(0x041028), hex(0x010308), clamp01(below / 98));
        pixel = ground + colours::cyan * (std::max(across, along) * fade * 0.8f) + hex(0x0e4070) * std::exp(-below / 5);
    });
    Random random(42);
    for (int i = 0; i < 140; ++i) {
        float x = random.between(0, 320), y = random.between(0, horizon - 12);
        float bright = random.uniform();
        bright = bright * bright * bright;
        picture.glow(
            {static_cast<int>(x) - 3, static_cast<int>(y) - 3, static_cast<int>(x) + 4, static_cast<int>(y) + 4},
            [&](Vec2 p) {
                return length(p - Vec2{x, y});
            },
            mix(colours::paleCyan, colours::white, bright) * (0.15f + bright), 0.5f + bright * 0.5f);
    }
    return picture;
}

// Chrome: a sky reflection above the middle of each letter, a dark band at
// the middle and a bright floor reflection below it.
Rgb chrome(float t) {
    if (t < 0.5f) return mix(hex(0x4a78b8), hex(0xf0f8ff), smoothstep(0.0f, 0.5f, t));
    if (t < 0.56f) return mix(hex(0x10203c), hex(0x183058), (t - 0.5f) / 0.06f);
    return mix(hex(0x183058), hex(0x9ce8ff), smoothstep(0.56f, 1.0f, t));
}

Canvas logo() {
    Canvas picture = nightSkyWithGrid();
    Font font(fonts::sansBold, 50);
    TextLine word = font.render("PEEKSTUN", -1);
    int x = centred(word, 160), baseline = 104;
    int top = textTop(word, baseline), capTop = baseline - font.capHeight();
    // A wide soft halo, then a dark drop shadow, then the cyan rim, then chrome.
    picture.stampAdd(word.mask.padded(24).blurred(8), x - 24, top - 24, colours::blue * 0.9f);
    picture.stamp(word.mask.padded(6).blurred(2), x - 6 + 3, top - 6 + 4, hex(0x000208), 0.9f);
    picture.stamp(word.mask.padded(4).dilated(2), x - 4, top - 4, colours::cyan);
    picture.stampWith(word.mask, x, top, [&](int, int y) {
        return chrome(clamp01(static_cast<float>(y - capTop) / static_cast<float>(baseline - capTop)));
    });
    // A thin rule and a line of small type under the logo.
    Font small(fonts::sansBold, 9);
    TextLine under = small.render("A SHOW IN COLD LIGHT", 4);
    glowingText(picture, under, centred(under, 160), 126, colours::paleCyan, colours::blue * 0.5f, 2);
    return picture;
}

// One small letter of the title word: white core, cyan glow, 12 x 16.
Canvas titleLetter(char letter) {
    Font font(fonts::sansBold, 13);
    TextLine line = font.render(std::string(1, letter));
    Canvas picture(12, 16);
    int x = 6 - line.mask.width() / 2, baseline = 13;
    Mask glow = line.mask.padded(4).blurred(1);
    picture.stampAdd(glow, x - 4, textTop(line, baseline) - 4, colours::cyan * 0.9f);
    picture.stamp(line.mask, x, textTop(line, baseline), colours::white);
    return picture;
}

Canvas fight() {
    const std::string word = "FIGHT";
    Font font(fonts::sansBold, 22);
    const int width = 28, pitch = 30;
    Canvas picture(width, pitch * static_cast<int>(word.size()) + 6);
    for (size_t i = 0; i < word.size(); ++i) {
        TextLine line = font.render(std::string(1, word[i]));
        int x = width / 2 - line.mask.width() / 2;
        glowingText(picture, line, x, 26 + pitch * static_cast<int>(i), colours::cyan, colours::blue * 1.1f, 2);
    }
    return picture;
}

}  // namespace

void paintTitle(const std::string& dataDir) {
    savePicture(dataDir, "gfx/peekstun.pcx", logo(), pcx24());
    // Each letter in a different true-colour layout; they all read the same.
    const std::string letters = "pekstun";
    const SaveFormat files[7] = {tga24(false), tga24(true), tga32(false),   tga32(true),
                                 tga16(false), tga16(true), tga8(false, 48)};
    for (size_t i = 0; i < letters.size(); ++i)
        savePicture(dataDir, std::string("gfx/") + letters[i] + ".tga",
                    titleLetter(static_cast<char>(letters[i] - 'a' + 'A')), files[i]);
    savePicture(dataDir, "gfx/fight.tga", fight(), tga32(false));
}
