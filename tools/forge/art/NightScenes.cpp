// Two night pieces: an electric discharge between two electrodes, and a
// narrow alley in one-point perspective, wet, with one lit window and a sign.
#include <vector>

#include "Font.h"
#include "Noise.h"
#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

// ---- The big spark ----

// A jagged path from a to b bowing sideways by `bow`, by midpoint displacement.
std::vector<Vec2> lightningPath(Vec2 a, Vec2 b, float bow, float roughness, Random& random) {
    std::vector<Vec2> points{a, b};
    Vec2 across = rotate((b - a) * (1 / length(b - a)), 1.5707963f);
    // The bow first, as a gentle arc.
    std::vector<Vec2> arc;
    for (int i = 0; i <= 8; ++i) {
        float t = i / 8.0f;
        arc.push_back(a + (b - a) * t + across * (bow * 4 * t * (1 - t)));
    }
    points = arc;
    float spread = roughness;
    for (int level = 0; level < 4; ++level) {
        std::vector<Vec2> finer;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            finer.push_back(points[i]);
            Vec2 mid = (points[i] + points[i + 1]) * 0.5f;
            finer.push_back(mid + across * random.between(-spread, spread));
        }
        finer.push_back(points.back());
        points = finer;
        spread *= 0.55f;
    }
    return points;
}

float pathDistance(Vec2 p, const std::vector<Vec2>& path) {
    float d = 1e9f;
    for (size_t i = 0; i + 1 < path.size(); ++i) d = std::min(d, sdSegment(p, path[i], path[i + 1], 0));
    return d;
}

Canvas bigSpark() {
    const Vec2 left{28, 122}, right{292, 122};
    Random random(2024);
    // Two arcs that bow around the middle, which stays dark, and a few short branches.
    std::vector<std::vector<Vec2>> arcs{lightningPath(left, right, 78, 16, random),
                                        lightningPath(left, right, -64, 13, random)};
    std::vector<std::vector<Vec2>> branches;
    for (const auto& arc : arcs)
        for (int b = 0; b < 5; ++b) {
            Vec2 from = arc[4 + random.below(static_cast<int>(arc.size()) - 8)];
            Vec2 to = from + Vec2{random.between(-30, 30), random.between(-30, 30)};
            branches.push_back(lightningPath(from, to, random.between(-8, 8), 6, random));
        }
    Canvas picture(320, 240);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        float vignette = std::exp(-length(p - Vec2{160, 120}) / 170);
        Rgb colour = mix(hex(0x000106), hex(0x06143a), vignette * vignette);
        float d = 1e9f;
        for (const auto& arc : arcs) d = std::min(d, pathDistance(p, arc));
        float branch = 1e9f;
        for (const auto& b : branches) branch = std::min(branch, pathDistance(p, b));
        // White-hot core, orange fringe, wide blue afterglow.
        colour = colour + colours::white * std::exp(-d / 0.9f) + colours::sparkOrange * (std::exp(-d / 4.0f) * 1.2f) +
                 colours::blue * (std::exp(-d / 16.0f) * 0.45f);
        colour = colour + colours::white * (std::exp(-branch / 0.6f) * 0.7f) +
                 colours::sparkOrange * (std::exp(-branch / 2.0f) * 0.35f);
        // The electrodes: polished spheres on rods, lit by their own discharge.
        for (Vec2 e : {left, right}) {
            float rod = sdBox(p, {e.x, e.y + 60}, {4, 60}, 1);
            float ball = sdCircle(p, e, 14);
            float shape = std::min(rod, ball);
            Vec2 rel = (p - e) * (1 / 14.0f);
            float face = std::sqrt(std::max(0.0f, 1 - dot(rel, rel)));
            float towards = clamp01(0.5f + 0.5f * (e.x < 160 ? rel.x : -rel.x));
            Rgb metal =
                ball < rod ? hex(0x1c2c48) * (0.3f + face) + colours::paleCyan * (std::pow(towards * face, 6.0f) * 0.9f)
                           : hex(0x101828) * (0.6f + 0.4f * std::fabs(std::sin((p.x - e.x) * 0.35f)));
            colour = mix(colour, metal, coverage(shape));
            colour = colour + colours::sparkOrange * (std::exp(-std::max(ball, 0.0f) / 4) * 0.25f);
        }
        pixel = colour;
    });
    return picture;
}

// ---- The back alley ----

constexpr float focal = 150;
const Vec2 vanishing{160, 108};

// Screen point of a point in the alley: x across (walls at -1 and 1), y down
// (ground at 0.9), z away from the viewer.
Vec2 project(float x, float y, float z) { return vanishing + Vec2{x / z, y / z} * focal; }

Canvas backAlley() {
    const float wallX = 1.0f, groundY = 0.9f, roofY = -2.2f, farZ = 14;
    const float windowZ0 = 3.2f, windowZ1 = 4.0f, windowY0 = -1.1f, windowY1 = -0.5f;
    const Vec2 signAt = project(-wallX, -0.9f, 2.6f);

    // Colour seen along the ray through screen point p, and how wet the ground is there.
    struct Seen {
        Rgb colour;
        float puddle;
    };
    auto scene = [&](Vec2 p) {
        Vec2 d = (p - vanishing) * (1 / focal);
        float tWall = std::fabs(d.x) > 1e-4f ? wallX / std::fabs(d.x) : 1e9f;
        float tGround = d.y > 1e-4f ? groundY / d.y : 1e9f;
        float t = std::min(tWall, tGround);
        Rgb colour;
        float puddle = 0;
        float y = d.y * t;
        if (t > farZ || (t == tWall && y < roofY)) {
            // Sky above the rooftops and the glow of the street beyond.
            float far = std::exp(-length(p - vanishing) / 40);
            colour = mix(hex(0x01030a), hex(0x0a2650), far) + colours::cyan * (far * far * 0.25f);
        } else if (t == tWall) {
            // Bricks: rows of 0.12, courses offset by half a brick.
            float z = t, row = std::floor(y / 0.12f);
            float brickZ = z / 0.3f + (static_cast<int>(row) % 2) * 0.5f;
            float mortar = std::min(std::fabs(y / 0.12f - row - 0.5f), std::fabs(brickZ - std::floor(brickZ) - 0.5f));
            float grime = fbm(z * 2, y * 3, d.x < 0 ? 3 : 4, 4);
            Rgb brick = mix(hex(0x0c1a30), hex(0x1c3454), grime) * (mortar > 0.43f ? 0.4f : 1.0f);
            colour = brick;
            bool rightWall = d.x > 0;
            if (rightWall && z > windowZ0 && z < windowZ1 && y > windowY0 && y < windowY1) {
                // The one lit window, with cross bars.
                bool bar = std::fabs(z - (windowZ0 + windowZ1) / 2) < 0.03f ||
                           std::fabs(y - (windowY0 + windowY1) / 2) < 0.03f;
                colour =
                    bar ? hex(0x10202c) : mix(hex(0xb8f8e0), hex(0x60d8c0), (y - windowY0) / (windowY1 - windowY0));
            }
            // Light pooled around the window and the sign.
            float windowLight =
                std::exp(-(std::fabs(z - 3.6f) + std::fabs(y + 0.8f)) * 1.6f) * (rightWall ? 0.5f : 0.15f);
            float signLight = std::exp(-(std::fabs(z - 2.6f) + std::fabs(y + 0.9f)) * 2.0f) * (rightWall ? 0.1f : 0.7f);
            colour = colour + hex(0x60d8c0) * windowLight + colours::cyan * signLight;
            colour = colour * (0.35f + 0.65f * std::exp(-z / 6));
        } else {
            float z = t, x = d.x * t;
            puddle = smoothstep(0.45f, 0.6f, fbm(x * 2.5f, z * 1.2f, 8, 4));
            Rgb ground = mix(hex(0x060c16), hex(0x0c1624), fbm(x * 8, z * 4, 9, 3));
            colour = ground * (0.5f + 0.5f * std::exp(-z / 5)) * (1 - 0.5f * puddle);
        }
        // Haze thickens with distance.
        float haze = 1 - std::exp(-t / 9);
        return Seen{mix(colour, hex(0x061834), std::min(haze, 1.0f) * 0.6f), puddle};
    };

    Canvas picture(320, 240);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        Seen seen = scene(p);
        // Wet ground: the alley mirrored in the puddles.
        if (seen.puddle > 0)
            seen.colour = seen.colour + scene({p.x, 2 * vanishing.y - p.y}).colour * (0.55f * seen.puddle);
        pixel = seen.colour;
    });

    // The fire escape on the right wall: platforms and a zig-zag of ladders.
    auto line = [&](Vec2 a, Vec2 b, float width, Rgb colour) {
        Box box{static_cast<int>(std::min(a.x, b.x)) - 3, static_cast<int>(std::min(a.y, b.y)) - 3,
                static_cast<int>(std::max(a.x, b.x)) + 4, static_cast<int>(std::max(a.y, b.y)) + 4};
        picture.fill(
            box, [&](Vec2 q) { return sdSegment(q, a, b, width); }, colour);
    };
    const Rgb iron = hex(0x02050a), ironLit = hex(0x1a4050);
    for (float y : {-1.5f, -0.3f}) {
        float x0 = wallX, x1 = wallX - 0.28f, z0 = 1.6f, z1 = 3.0f;
        line(project(x1, y, z0), project(x1, y, z1), 2.2f, iron);
        line(project(x0, y, z0), project(x1, y, z0), 2.0f, iron);
        line(project(x0, y, z1), project(x1, y, z1), 1.5f, iron);
        line(project(x1, y - 0.25f, z0), project(x1, y - 0.25f, z1), 1.0f, ironLit);
        for (float z = z0; z <= z1 + 0.01f; z += 0.35f) line(project(x1, y, z), project(x1, y - 0.25f, z), 1.0f, iron);
    }
    line(project(wallX - 0.14f, -0.3f, 1.7f), project(wallX - 0.14f, -1.5f, 2.9f), 2.0f, iron);
    line(project(wallX - 0.14f, 0.9f, 1.9f), project(wallX - 0.14f, -0.3f, 2.9f), 1.6f, iron);

    // The neon sign on the left wall, glowing cyan.
    Font font(fonts::sansCondensedBold, 15);
    TextLine word = font.render("NIGHT", 1);
    int x = static_cast<int>(signAt.x) + 8, baseline = static_cast<int>(signAt.y);
    Mask tube = word.mask.padded(12);
    picture.stampAdd(tube.blurred(5), x - 12, baseline - word.baseline - 12, colours::cyan * 0.9f);
    picture.fill(
        {x - 4, baseline - word.baseline - 5, x + word.advance + 4, baseline + 5},
        [&](Vec2 q) {
            return std::fabs(sdBox(q, {x + word.advance / 2.0f, baseline - word.baseline / 2.0f},
                                   {word.advance / 2.0f + 3, word.baseline / 2.0f + 4}, 3)) -
                   0.6f;
        },
        colours::cyan * 0.8f);
    picture.stamp(word.mask, x, baseline - word.baseline, colours::paleCyan);
    return picture;
}

}  // namespace

void paintNightScenes(const std::string& dataDir) {
    savePicture(dataDir, "gfx/big_spark.pcx", bigSpark(), pcx24());
    savePicture(dataDir, "gfx/us-backalley2.pcx", backAlley(), pcx8(256, 8));
}
