// A strip of film for the last scene: sprocket holes (pure black, so they
// are see-through) and frames holding tiny stills of the earlier scenes.
#include <functional>
#include <vector>

#include "Noise.h"
#include "Painters.h"
#include "PictureFile.h"
#include "ShowColours.h"

namespace {

constexpr int stripWidth = 899, stripHeight = 64;  // an odd width on purpose: it exercises the 24-bit reader
constexpr int framePitch = 90, frameWidth = 78, frameHeight = 40, frameTop = 12;

using Still = std::function<Rgb(float u, float v)>;  // u, v from 0 to 1 across the frame

Rgb plasmaColour(float t) {
    float s = 0.5f - 0.5f * std::cos(t * 6.2831853f);
    return s < 0.5f ? mix(colours::black, colours::blue, s * 2) : mix(colours::blue, colours::paleCyan, s * 2 - 1);
}

const std::vector<Still>& stills() {
    static const std::vector<Still> list = {
        // The flower's petal rings.
        [](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 1.1f;
            float r = std::sqrt(x * x + y * y), a = std::atan2(y, x);
            float ring = 0.5f + 0.5f * std::sin(r * 28 + 2 * std::cos(a * 9));
            return mix(colours::darkGreen * 0.3f, colours::paleGreen, ring * ring);
        },
        // Down the tunnel.
        [](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.5f) * 1.1f;
            float r = std::sqrt(x * x + y * y) + 0.02f;
            float band = 0.5f + 0.5f * std::sin(3.0f / r + std::atan2(y, x) * 4);
            return mix(colours::deepBlue, colours::cyan, band) * std::min(1.0f, r * 1.6f);
        },
        // Plasma.
        [](float u, float v) {
            float t = std::sin(u * 9) + std::sin(v * 7 + u * 3) + std::sin((u + v) * 5);
            return plasmaColour(t * 0.3f);
        },
        // The moon and the figure.
        [](float u, float v) {
            float x = (u - 0.5f) * 2, y = (v - 0.45f) * 1.1f;
            bool figure = std::fabs(x) < 0.07f && v > 0.25f && v < 0.85f;
            Rgb sky = mix(hex(0x020818), hex(0x0a2048), v);
            if (v > 0.8f) return hex(0x020610);
            if (figure) return hex(0x01030a);
            return x * x + y * y < 0.25f ? colours::paleCyan : sky;
        },
        // The alley.
        [](float u, float v) {
            float x = std::fabs(u - 0.5f) * 2, y = v - 0.45f;
            if (x > 0.15f + std::fabs(y) * 0.2f && std::fabs(y) < x * 0.9f) return hex(0x0c1c34);
            if (y > 0) return hex(0x050a14);
            return u > 0.7f && u < 0.78f && v > 0.2f && v < 0.35f ? hex(0x90f0d0) : hex(0x02060e);
        },
        // The spark.
        [](float u, float v) {
            float arc = std::fabs(v - 0.5f + 0.25f * std::sin(u * 3.14159f) + 0.06f * std::sin(u * 40));
            return hex(0x020818) + colours::white * std::exp(-arc * 60) + colours::blue * std::exp(-arc * 8);
        },
        // The title over its grid.
        [](float u, float v) {
            if (v > 0.6f) {
                float depth = 1 / (v - 0.55f);
                bool line =
                    std::fmod(depth, 2.0f) < 0.3f || std::fabs(std::fmod((u - 0.5f) * depth + 50, 1.0f) - 0.5f) > 0.42f;
                return line ? colours::cyan * 0.8f : hex(0x020818);
            }
            bool letters = v > 0.25f && v < 0.45f && u > 0.12f && u < 0.88f && std::fmod(u * 8, 1.0f) > 0.25f;
            return letters ? colours::paleCyan : hex(0x01030c);
        },
    };
    return list;
}

}  // namespace

void paintFilmstrip(const std::string& dataDir) {
    const Rgb filmBase = hex(0x0a0e16);
    Canvas picture(stripWidth, stripHeight, filmBase);
    const std::vector<Still>& frames = stills();
    picture.forEach([&](Vec2 p, Rgb& pixel) {
        // Sprocket holes along both edges.
        float hx = std::fmod(p.x, 15.0f) - 7.5f;
        float hole =
            std::min(sdBox({hx, p.y}, {0, 5}, {3.5f, 2.5f}, 1.2f), sdBox({hx, p.y}, {0, 59}, {3.5f, 2.5f}, 1.2f));
        Rgb colour = filmBase * (0.9f + 0.2f * valueNoise(p.x / 3, p.y / 3, 12));
        int index = static_cast<int>(p.x) / framePitch;
        float fx = p.x - index * framePitch - (framePitch - frameWidth) / 2.0f;
        float fy = p.y - frameTop;
        if (fx >= 0 && fx < frameWidth && fy >= 0 && fy < frameHeight) {
            Rgb still = frames[index % frames.size()](fx / frameWidth, fy / frameHeight);
            // Rounded frame corners and a little vignette, like a projected frame.
            float edge =
                sdBox({fx, fy}, {frameWidth / 2.0f, frameHeight / 2.0f}, {frameWidth / 2.0f, frameHeight / 2.0f}, 3);
            colour = mix(colour, still * (0.75f + 0.25f * smoothstep(0.0f, -10.0f, edge)), coverage(edge));
        }
        colour = mix(colour, colours::black, coverage(hole));
        // Anything not a hole must stay visible: pure black is see-through when drawn.
        if (coverage(hole) < 0.5f)
            colour = {std::max(colour.r, 0.012f), std::max(colour.g, 0.012f), std::max(colour.b, 0.02f)};
        pixel = colour;
    });
    savePicture(dataDir, "gfx/filmstrip.pcx", picture, pcx24());
}
