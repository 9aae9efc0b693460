// Two backgrounds with strong shapes: a figure at the ready before a huge
// moon, and a sword and a pen crossed over faint calligraphy.
#include <vector>

#include "Noise.h"
#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

constexpr float pi = 3.14159265f;

// ---- A figure at the ready ----

constexpr float groundLine = 150;

float figureDistance(Vec2 p) {
    float d = sdCircle(p, {160, 56}, 9);
    d = sdSmoothUnion(d, sdSegment(p, {160, 64}, {160, 72}, 9), 2);
    d = sdSmoothUnion(d, sdBox(p, {160, 88}, {14, 17}, 6), 3);
    d = sdSmoothUnion(d, sdBox(p, {160, 106}, {12, 7}, 4), 3);
    // Legs apart, knees bent, weight low.
    d = sdSmoothUnion(d, std::min(sdSegment(p, {154, 108}, {144, 132}, 13), sdSegment(p, {144, 132}, {139, 155}, 10)),
                      2);
    d = sdSmoothUnion(d, std::min(sdSegment(p, {166, 108}, {179, 131}, 13), sdSegment(p, {179, 131}, {184, 155}, 10)),
                      2);
    d = std::min(d, sdBox(p, {136, 156}, {7, 3}, 1.5f));
    d = std::min(d, sdBox(p, {188, 156}, {7, 3}, 1.5f));
    // Both hands on the hilt in front of the body.
    d = sdSmoothUnion(d, std::min(sdSegment(p, {148, 76}, {141, 93}, 9), sdSegment(p, {141, 93}, {158, 101}, 8)), 2);
    d = sdSmoothUnion(d, std::min(sdSegment(p, {172, 76}, {180, 92}, 9), sdSegment(p, {180, 92}, {165, 99}, 8)), 2);
    // The sword held up and across, ready to strike.
    Vec2 hilt{162, 100}, tip{214, 22};
    d = std::min(d, sdSegment(p, hilt + (hilt - tip) * 0.12f, hilt, 3.5f));
    d = std::min(d, sdSegment(p, hilt + Vec2{-9, -6}, hilt + Vec2{9, 6}, 3));
    d = std::min(d, sdSegment(p, hilt, tip, 3.4f));
    // A scarf caught by the wind.
    d = sdSmoothUnion(d, sdTriangle(p, {154, 66}, {128, 58}, {124, 71}), 1.5f);
    return d;
}

Canvas figureAtTheReady() {
    const Vec2 moon{160, 88};
    const float moonRadius = 80;
    Canvas picture(320, 240);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        Rgb colour;
        if (p.y < groundLine) {
            float t = p.y / groundLine;
            colour = mix(hex(0x000208), hex(0x0a2048), t * t);
        } else {
            // Dark ground, with the moon's light caught only near the horizon.
            float below = (p.y - groundLine) / (240 - groundLine);
            colour = mix(hex(0x04122a), hex(0x000104), std::sqrt(below));
            float streak = std::exp(-std::fabs(p.x - 160) / 28) * std::exp(-(p.y - groundLine) / 14);
            colour = colour + colours::cyan * (streak * 0.25f);
        }
        float m = sdCircle(p, moon, moonRadius);
        if (p.y < groundLine) {
            // The moon's face: mottled seas, brighter towards the middle.
            Vec2 rel = (p - moon) * (1 / moonRadius);
            float limb = std::sqrt(std::max(0.0f, 1 - dot(rel, rel)));
            float seas = fbm(p.x / 26, p.y / 26, 77, 5);
            Rgb face = mix(hex(0x4a90c8), hex(0xe8faff), smoothstep(0.3f, 0.7f, seas) * 0.6f + 0.4f * limb);
            colour = mix(colour, face, coverage(m));
            colour = colour + colours::cyan * (std::exp(-std::max(m, 0.0f) / 8) * 0.25f) +
                     colours::blue * (std::exp(-std::max(m, 0.0f) / 40) * 0.3f);
            // The moon sinks behind a far ridge along the horizon.
            float ridge = groundLine - 6 - 5 * fbm(p.x / 30, 0.5f, 91, 3) * 2;
            colour = mix(colour, hex(0x020a18), coverage(ridge - p.y));
        }
        // The figure in silhouette, lit along its edge by the moon behind it.
        float f = figureDistance(p);
        float rim = smoothstep(-2.5f, -0.3f, f) * coverage(f) * (p.y < groundLine + 4 ? 1.0f : 0.4f);
        colour = mix(colour, hex(0x01040a), coverage(f));
        colour = colour + colours::paleCyan * (rim * 0.75f);
        pixel = colour;
    });
    return picture;
}

// ---- A sword and a pen, crossed ----

// Light from above and a little towards the viewer.
const float lightY = -0.7f, lightZ = 0.71f;

// Light on a round surface whose normal leans by `lean` (-1..1) across an axis
// lying along `axis` on the screen.
Rgb litRound(Vec2 axis, float lean, Rgb base, float shine) {
    Vec2 across{-axis.y, axis.x};
    lean = std::min(1.0f, std::max(-1.0f, lean));
    float nz = std::sqrt(std::max(0.0f, 1 - lean * lean));
    float diffuse = std::max(0.0f, across.y * lean * lightY + nz * lightZ);
    float specular = std::pow(diffuse, 28.0f);
    return base * (0.18f + 0.9f * diffuse) + colours::white * (specular * shine);
}

struct Shape {
    float distance;
    Rgb colour;
};

// Local coordinates along an object's axis: u from its start, v across.
struct Frame {
    Vec2 origin, axis;
    Vec2 local(Vec2 p) const { return {dot(p - origin, axis), dot(p - origin, Vec2{-axis.y, axis.x})}; }
};

Shape sword(Vec2 p) {
    const Frame frame{{46, 222}, Vec2{0.74f, -0.67f}};
    Vec2 q = frame.local(p);
    float brushed = valueNoise(q.x / 12, q.y * 1.5f, 3);
    Shape best{1e9f, {}};
    auto take = [&](float d, Rgb colour) {
        if (d < best.distance) best = {d, colour};
    };
    // Pommel, wrapped grip, crossguard and blade with a fuller.
    take(length(q) - 8, litRound(frame.axis, clamp01(std::fabs(q.y) / 8) * (q.y < 0 ? -1 : 1), hex(0x8ab0d8), 0.9f));
    float grip = sdBox(q, {26, 0}, {18, 4.5f}, 2);
    float wrap = 0.6f + 0.4f * std::sin((q.x + q.y) * 1.6f);
    take(grip, litRound(frame.axis, q.y / 4.5f, hex(0x1c2c50) * wrap, 0.3f));
    take(sdBox(q, {48, 0}, {3.5f, 26}, 2.5f), litRound(frame.axis, clamp01(std::fabs(q.y) / 26), hex(0x9cc4ec), 0.6f));
    float halfWidth = q.x < 250 ? 8 : std::max(0.0f, 8 * (290 - q.x) / 40);
    float blade = std::max(std::fabs(q.y) - halfWidth, std::max(52 - q.x, q.x - 290));
    // Two flat facets meet at the ridge: the upper one catches the light.
    float facet = q.y < 0 ? 0.9f : 0.35f;
    Rgb steel = mix(hex(0x3a5a88), hex(0xe0f4ff), facet) * (0.85f + 0.25f * brushed);
    if (std::fabs(q.y) < 1.5f && q.x < 230) steel = steel * 0.55f;
    take(blade, steel + colours::white * (std::exp(-std::fabs(q.y + 3) * 1.2f) * 0.3f));
    return best;
}

Shape pen(Vec2 p) {
    const Frame frame{{284, 218}, Vec2{-0.76f, -0.65f}};
    Vec2 q = frame.local(p);
    Shape best{1e9f, {}};
    auto take = [&](float d, Rgb colour) {
        if (d < best.distance) best = {d, colour};
    };
    // Lacquered barrel with a metal band, a tapering section, a steel nib.
    take(sdBox(q, {80, 0}, {80, 9}, 8.5f), litRound(frame.axis, q.y / 9, hex(0x0c1a3a), 1.0f));
    take(sdBox(q, {122, 0}, {4, 9.6f}, 1), litRound(frame.axis, q.y / 9.6f, hex(0xa8d0f0), 0.8f));
    float taper = 9 - (q.x - 160) * 0.12f;
    take(std::max(std::fabs(q.y) - taper, std::max(160 - q.x, q.x - 190)),
         litRound(frame.axis, q.y / std::max(taper, 1.0f), hex(0x14284a), 0.7f));
    float nib = sdTriangle(q, {186, -8}, {186, 8}, {236, 0});
    Rgb steel = mix(hex(0x5078a8), hex(0xdcf0ff), q.y < 0 ? 0.85f : 0.4f);
    if (std::fabs(q.y) < 0.6f && q.x > 206) steel = hex(0x04080c);  // the slit
    if (length(q - Vec2{204, 0}) < 1.8f) steel = hex(0x04080c);     // the breather hole
    take(nib, steel);
    return best;
}

Canvas swordAndPen() {
    // Calligraphy strokes made with a broad nib: width follows the stroke's direction.
    struct Stroke {
        std::vector<Vec2> points;
    };
    std::vector<Stroke> strokes;
    Random random(19);
    for (int s = 0; s < 9; ++s) {
        Stroke stroke;
        Vec2 at{random.between(-20, 300), random.between(10, 230)};
        float heading = random.between(-0.6f, 0.6f), turn = random.between(-0.09f, 0.09f);
        for (int i = 0; i < 70; ++i) {
            stroke.points.push_back(at);
            heading += turn + 0.12f * std::sin(i * 0.21f + s);
            at = at + Vec2{std::cos(heading), std::sin(heading)} * 3;
        }
        strokes.push_back(stroke);
    }
    Canvas ink(320, 240);
    for (const Stroke& stroke : strokes)
        for (size_t i = 0; i + 1 < stroke.points.size(); ++i) {
            Vec2 a = stroke.points[i], b = stroke.points[i + 1];
            Vec2 dir = (b - a) * (1 / std::max(length(b - a), 1e-3f));
            float width = 1 + 5 * std::fabs(dir.x * 0.7f - dir.y * 0.7f);
            Box box{static_cast<int>(a.x) - 8, static_cast<int>(a.y) - 8, static_cast<int>(a.x) + 9,
                    static_cast<int>(a.y) + 9};
            ink.forEach(box,
                        [&](Vec2 p, Rgb& pixel) { pixel.r = std::max(pixel.r, coverage(sdSegment(p, a, b, width))); });
        }

    Canvas picture(320, 240);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        float glow = std::exp(-length(p - Vec2{160, 90}) / 150);
        float cloth = fbm(p.x / 40, p.y / 40, 61, 4);
        Rgb colour = mix(hex(0x01040e), hex(0x0c2458), glow) * (0.8f + 0.4f * cloth);
        colour = colour + hex(0x1c4c88) * (ink.at(static_cast<int>(p.x), static_cast<int>(p.y)).r * 0.22f);
        // Soft shadows below and right of both objects.
        Vec2 shadowAt = p - Vec2{7, 9};
        float shadow = std::min(sword(shadowAt).distance, pen(shadowAt).distance);
        colour = colour * (1 - 0.6f * smoothstep(6.0f, -4.0f, shadow));
        Shape under = pen(p), over = sword(p);
        colour = mix(colour, under.colour, coverage(under.distance));
        colour = mix(colour, over.colour, coverage(over.distance));
        pixel = colour;
    });
    return picture;
}

}  // namespace

void paintFigureScenes(const std::string& dataDir) {
    savePicture(dataDir, "gfx/at-ready.pcx", figureAtTheReady(), pcx8(256, 10));
    savePicture(dataDir, "gfx/swrdpen.pcx", swordAndPen(), pcx24());
}
