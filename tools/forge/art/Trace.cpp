// Line art for the rings scene and the lamp panel: a circuit trace with rings
// strung along it, and one soft round lamp.
#include <vector>

#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

Canvas circuitTrace() {
    const int width = 440, height = 48;
    const float line = 24;
    struct Ring {
        float x, radius;
        bool filled;
    };
    std::vector<Ring> rings;
    Random random(7);
    for (float x = 18; x < width - 20;) {
        float radius = random.between(5, 14);
        rings.push_back({x, radius, random.below(3) == 0});
        x += radius + random.between(22, 70);
    }
    auto distance = [&](Vec2 p) {
        float d = sdSegment(p, {2, line}, {width - 2.0f, line}, 1.5f);
        for (const Ring& ring : rings) {
            float ringD = ring.filled ? sdCircle(p, {ring.x, line}, ring.radius - 1)
                                      : sdRing(p, {ring.x, line}, ring.radius, 2.0f);
            // The line stops at a ring's rim instead of crossing it.
            if (!ring.filled) d = std::max(d, -sdCircle(p, {ring.x, line}, ring.radius));
            d = std::min(d, ringD);
        }
        return d;
    };
    Canvas picture(width, height);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        float d = distance(p);
        float glow = std::exp(-std::max(d, 0.0f) / 3.0f) * 0.45f;
        pixel =
            colours::cyan * (coverage(d) * 0.9f) + colours::blue * glow + colours::white * coverage(d + 0.6f) * 0.35f;
    });
    // Small hollow dots where the trace would branch.
    for (const Ring& ring : rings)
        if (ring.radius < 8)
            picture.fill(
                {0, 0, width, height},
                [&](Vec2 p) {
                    return sdRing(p, {ring.x, line - 14}, 2, 1);
                },
                colours::cyan * 0.6f);
    return picture;
}

Canvas lamp() {
    Canvas picture(11, 11);
    picture.forEach([](Vec2 p, Rgb& pixel) {
        float r = length(p - Vec2{5.5f, 5.5f});
        float body = smoothstep(5.5f, 3.5f, r);
        float core = std::exp(-r * r / 4.0f);
        pixel = colours::cyan * (body * 0.55f) + colours::paleCyan * (core * 0.8f);
    });
    return picture;
}

}  // namespace

void paintTrace(const std::string& dataDir) {
    savePicture(dataDir, "gfx/linecircle.tga", circuitTrace(), tga24(true));
    savePicture(dataDir, "gfx/circle.tga", lamp(), tga32(false));
}
