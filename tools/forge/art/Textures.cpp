// The tunnels' textures, 256 x 256 and seamless in both directions: metal
// panels with glowing circuit lines for the 3D tunnel, soft clouds crossed by
// faint rings for the 2D tunnel.
#include <vector>

#include "Noise.h"
#include "Painters.h"
#include "PictureFile.h"
#include "Random.h"
#include "ShowColours.h"

namespace {

constexpr int size = 256;
constexpr int panel = 64;  // a whole number of panels fits, so the tiling repeats cleanly

// Circuit lines inside one panel: axis-aligned runs kept away from its edges,
// so their glow never reaches across a seam.
struct Run {
    Vec2 a, b;
};

std::vector<Run> circuitFor(int panelX, int panelY) {
    Random random(static_cast<uint64_t>(panelY * 4 + panelX + 31));
    std::vector<Run> runs;
    int count = 1 + random.below(3);
    for (int i = 0; i < count; ++i) {
        Vec2 at{static_cast<float>(12 + random.below(5) * 8), static_cast<float>(12 + random.below(5) * 8)};
        for (int leg = 0; leg < 3; ++leg) {
            Vec2 next = at;
            float step = static_cast<float>(8 * (1 + random.below(3))) * (random.below(2) ? 1 : -1);
            if (leg % 2 == 0)
                next.x = std::min(52.0f, std::max(12.0f, at.x + step));
            else
                next.y = std::min(52.0f, std::max(12.0f, at.y + step));
            runs.push_back({at, next});
            at = next;
        }
    }
    return runs;
}

Canvas metalPanels() {
    std::vector<std::vector<Run>> circuits;
    for (int py = 0; py < size / panel; ++py)
        for (int px = 0; px < size / panel; ++px) circuits.push_back(circuitFor(px, py));
    Canvas picture(size, size);
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        int px = static_cast<int>(p.x) / panel, py = static_cast<int>(p.y) / panel;
        Vec2 local{p.x - px * panel, p.y - py * panel};
        // Grime and brushed streaks, both repeating with the texture.
        float grime = fbm(p.x / 32, p.y / 32, 5, 5, 0.55f, size / 32);
        float streak = valueNoise(p.x / 2, p.y / 48, 9, size / 2);
        Rgb metal = mix(hex(0x0a1a30), hex(0x22406a), grime) * (0.85f + 0.3f * streak);
        // Bevelled panel edges: lit from the upper left.
        float edge = std::min(std::min(local.x, local.y), std::min(panel - local.x, panel - local.y));
        if (edge < 3) metal = (local.x < 3 || local.y < 3) ? metal * 1.6f : metal * 0.45f;
        if (edge < 1) metal = hex(0x02060c);
        // Rivets near each corner.
        for (Vec2 corner :
             {Vec2{7, 7}, Vec2{panel - 7.0f, 7}, Vec2{7, panel - 7.0f}, Vec2{panel - 7.0f, panel - 7.0f}}) {
            float d = sdCircle(local, corner, 2.2f);
            float lit = clamp01(0.5f - dot(local - corner, {0.6f, 0.6f}) / 2.2f);
            metal = mix(metal, mix(hex(0x101c2c), hex(0x8cb4dc), lit), coverage(d));
        }
        // Glowing lines with a bright pad at each end.
        float d = 1e9f;
        for (const Run& run : circuits[py * (size / panel) + px]) {
            d = std::min(d, sdSegment(local, run.a, run.b, 1.6f));
            d = std::min(d, sdCircle(local, run.b, 2.0f));
        }
        Rgb light = colours::cyan * coverage(d) + colours::blue * (0.6f * std::exp(-std::max(d, 0.0f) / 2.5f));
        pixel = metal + light;
    });
    return picture;
}

Canvas cloudRings() {
    Canvas picture(size, size);
    picture.forEach([](Vec2 p, Rgb& pixel) {
        float cloud = fbm(p.x / 64, p.y / 64, 21, 5, 0.5f, size / 64);
        // Rows are the tunnel's depth: gentle bands give rings flowing past.
        float rings = 0.5f + 0.5f * std::sin(p.y * (6.2831853f * 4 / size) + cloud * 5);
        rings = rings * rings * rings;  // narrow bright rings, dark between them
        float v = clamp01(cloud * cloud * 1.8f * (0.3f + 0.7f * rings) + 0.35f * rings * cloud);
        Rgb colour = mix(hex(0x000614), hex(0x0c3c70), v);
        colour = colour + hex(0x10587a) * smoothstep(0.45f, 0.9f, v);
        pixel = colour * 0.9f;
    });
    return picture;
}

}  // namespace

void paintTextures(const std::string& dataDir) {
    savePicture(dataDir, "textures/a076.pcx", metalPanels(), pcx8(256, 6));
    savePicture(dataDir, "textures/a018.pcx", cloudRings(), pcx24());
}
