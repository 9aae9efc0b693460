// Line art added over the moving patterns: an analog instrument over the
// flower and a DNA double helix over the plasma. Black everywhere else, so
// the pattern underneath shows through.
#include <string>
#include <vector>

#include "Lettering.h"
#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

constexpr float pi = 3.14159265f;
const Rgb lineColour = hex(0x70e8ff);

Canvas analogInstrument() {
    Canvas picture(320, 240);
    const Vec2 centre{160, 112};
    const float radius = 84;
    const float sweepStart = pi * 0.75f, sweep = pi * 1.5f;  // from lower left round to lower right
    const float needle = sweepStart + sweep * 0.68f;
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        // A faint grid for the whole frame.
        float gx = std::fabs(std::fmod(p.x, 20.0f) - 10.0f), gy = std::fabs(std::fmod(p.y, 20.0f) - 10.0f);
        float grid = std::max(coverage(9.5f - gx), coverage(9.5f - gy)) * 0.10f;
        Rgb colour = colours::green * grid;

        Vec2 rel = p - centre;
        float angle = std::atan2(rel.y, rel.x);
        float along = std::fmod(angle - sweepStart + 4 * pi, 2 * pi);
        bool onScale = along <= sweep;
        // Outer rim, an inner scale arc and the ticks between them.
        float d = sdRing(p, centre, radius, 2.0f);
        if (onScale) {
            d = std::min(d, sdRing(p, centre, radius - 12, 1.2f));
            float tickStep = sweep / 40;
            float nearest = std::round(along / tickStep) * tickStep;
            int tick = static_cast<int>(std::round(along / tickStep));
            float major = tick % 5 == 0 ? 1.0f : 0.0f;
            Vec2 dir{std::cos(sweepStart + nearest), std::sin(sweepStart + nearest)};
            float inner = radius - (major > 0 ? 22 : 17);
            d = std::min(d, sdSegment(p, centre + dir * inner, centre + dir * (radius - 12), major > 0 ? 2.0f : 1.0f));
        }
        // A red-line zone at the top of the scale, drawn as a thicker arc.
        if (along > sweep * 0.85f && along <= sweep) d = std::min(d, sdRing(p, centre, radius - 6, 5.0f));
        // The needle with its hub.
        Vec2 tip = centre + Vec2{std::cos(needle), std::sin(needle)} * (radius - 8);
        Vec2 tail = centre - Vec2{std::cos(needle), std::sin(needle)} * 14;
        float needleD = std::min(sdSegment(p, tail, tip, 2.2f), sdCircle(p, centre, 6));
        needleD = std::max(needleD, -sdCircle(p, centre, 2.5f));
        // A sine trace along the bottom.
        float trace = 214 + 10 * std::sin(p.x * 0.07f) * std::sin(p.x * 0.013f + 1);
        float traceD = std::fabs(p.y - trace) * 0.8f - 0.8f;
        float glow = std::exp(-std::max(std::min(d, traceD), 0.0f) / 3.0f) * 0.35f;
        colour = colour + lineColour * coverage(d) + colours::blue * glow;
        colour = colour + colours::paleGreen * coverage(traceD);
        colour = colour + colours::white * coverage(needleD) +
                 colours::cyan * (std::exp(-std::max(needleD, 0.0f) / 4) * 0.5f);
        pixel = colour;
    });
    // Numbers on the scale and a label on the dial.
    Font digits(fonts::sansBold, 9);
    for (int i = 0; i <= 8; ++i) {
        float a = sweepStart + sweep * i / 8;
        Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * (radius - 31);
        TextLine n = digits.render(std::to_string(i * 10));
        picture.stampAdd(n.mask, static_cast<int>(at.x) - n.advance / 2, static_cast<int>(at.y) - n.baseline / 2 - 1,
                         lineColour);
    }
    Font label(fonts::sansBold, 8);
    TextLine unit = label.render("SIGNAL  x1000", 1);
    picture.stampAdd(unit.mask, centred(unit, 160), 128, colours::green * 1.2f);
    return picture;
}

Canvas doubleHelix() {
    Canvas picture(320, 240);
    // The axis runs from lower left to upper right.
    const Vec2 start{-20, 250}, end{340, -10};
    const Vec2 axis = (end - start) * (1 / length(end - start));
    const Vec2 across{-axis.y, axis.x};
    const float total = length(end - start), amplitude = 30, turn = 120;
    const int steps = 360;
    struct Point {
        Vec2 at;
        float depth;  // 1 in front, -1 behind
    };
    std::vector<Point> strands[2];
    for (int i = 0; i <= steps; ++i) {
        float s = total * i / steps;
        for (int k = 0; k < 2; ++k) {
            float phase = s / turn * 2 * pi + k * pi;
            strands[k].push_back({start + axis * s + across * (amplitude * std::sin(phase)), std::cos(phase)});
        }
    }
    Canvas light(320, 240);
    // Rungs first, so the strands pass over their ends.
    Random random(5);
    Font letters(fonts::sansBold, 8);
    const char bases[4] = {'A', 'T', 'C', 'G'};
    for (int i = 6; i < steps; i += 10) {
        const Point& a = strands[0][i];
        const Point& b = strands[1][i];
        float depth = 0.5f + 0.25f * (a.depth + b.depth);
        Box box{static_cast<int>(std::min(a.at.x, b.at.x)) - 4, static_cast<int>(std::min(a.at.y, b.at.y)) - 4,
                static_cast<int>(std::max(a.at.x, b.at.x)) + 5, static_cast<int>(std::max(a.at.y, b.at.y)) + 5};
        light.fill(
            box, [&](Vec2 p) { return sdSegment(p, a.at, b.at, 1.5f); }, colours::green * (0.45f + 0.4f * depth));
        int pair = random.below(4);
        // The base letter sits just outside the strand in front.
        const Point& front = a.depth > b.depth ? a : b;
        Vec2 out = front.at +
                   (front.at - (a.at + b.at) * 0.5f) * (9 / std::max(length(front.at - (a.at + b.at) * 0.5f), 1.0f));
        TextLine t = letters.render(std::string(1, bases[pair]));
        light.stampAdd(t.mask, static_cast<int>(out.x) - t.advance / 2, static_cast<int>(out.y) - t.baseline / 2,
                       colours::paleGreen * 0.8f);
    }
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < steps; ++i) {
            const Point& a = strands[k][i];
            const Point& b = strands[k][i + 1];
            float bright = 0.35f + 0.65f * (0.5f + 0.5f * a.depth);
            float width = 2.0f + 1.5f * (0.5f + 0.5f * a.depth);
            Box box{static_cast<int>(std::min(a.at.x, b.at.x)) - 10, static_cast<int>(std::min(a.at.y, b.at.y)) - 10,
                    static_cast<int>(std::max(a.at.x, b.at.x)) + 11, static_cast<int>(std::max(a.at.y, b.at.y)) + 11};
            light.forEach(box, [&](Vec2 p, Rgb& pixel) {
                float d = sdSegment(p, a.at, b.at, width);
                Rgb c = mix(colours::blue, colours::paleCyan, coverage(d + 0.8f)) * (coverage(d) * bright);
                Rgb g = colours::blue * (std::exp(-std::max(d, 0.0f) / 3.5f) * 0.06f * bright);
                pixel = Rgb{std::max(pixel.r, c.r), std::max(pixel.g, c.g), std::max(pixel.b, c.b)} + g;
            });
        }
    picture.add(light);
    return picture;
}

}  // namespace

void paintOverlays(const std::string& dataDir) {
    savePicture(dataDir, "gfx/analog.pcx", analogInstrument(), pcx8(128));
    savePicture(dataDir, "gfx/genetic.pcx", doubleHelix(), pcx8(128));
}
