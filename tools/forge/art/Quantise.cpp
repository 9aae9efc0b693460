#include "Quantise.h"

#include <algorithm>
#include <cmath>

namespace {

// Channel weights for colour distance: the eye is most sensitive to green.
constexpr float weightR = 2, weightG = 4, weightB = 3;

struct Colour {
    float r, g, b;
    float count;
};

float distance(const Colour& a, float r, float g, float b) {
    float dr = a.r - r, dg = a.g - g, db = a.b - b;
    return weightR * dr * dr + weightG * dg * dg + weightB * db * db;
}

// Distinct colours of the picture on a 5-bit-per-channel grid, each the mean
// of the pixels falling in it, with pure black left out.
std::vector<Colour> histogram(const std::vector<uint8_t>& rgb) {
    std::vector<Colour> bins(32768, Colour{0, 0, 0, 0});
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        if (rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] == 0) continue;
        Colour& bin = bins[(rgb[i] >> 3) << 10 | (rgb[i + 1] >> 3) << 5 | (rgb[i + 2] >> 3)];
        bin.r += rgb[i];
        bin.g += rgb[i + 1];
        bin.b += rgb[i + 2];
        bin.count += 1;
    }
    std::vector<Colour> colours;
    for (const Colour& bin : bins)
        if (bin.count > 0) colours.push_back({bin.r / bin.count, bin.g / bin.count, bin.b / bin.count, bin.count});
    return colours;
}

float channel(const Colour& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

struct Cut {
    size_t begin, end;
    float error;  // weighted squared spread along its widest axis
    int axis;
};

Cut measure(const std::vector<Colour>& colours, size_t begin, size_t end) {
    Cut cut{begin, end, 0, 0};
    const float weights[3] = {weightR, weightG, weightB};
    for (int axis = 0; axis < 3; ++axis) {
        double sum = 0, sumSquares = 0, count = 0;
        for (size_t i = begin; i < end; ++i) {
            double v = channel(colours[i], axis);
            sum += v * colours[i].count;
            sumSquares += v * v * colours[i].count;
            count += colours[i].count;
        }
        float error = static_cast<float>((sumSquares - sum * sum / count) * weights[axis]);
        if (error > cut.error || axis == 0) {
            cut.error = error;
            cut.axis = axis;
        }
    }
    if (end - begin < 2) cut.error = 0;
    return cut;
}

std::vector<Colour> medianCut(std::vector<Colour> colours, int wanted) {
    std::vector<Cut> cuts{measure(colours, 0, colours.size())};
    while (static_cast<int>(cuts.size()) < wanted) {
        auto worst =
            std::max_element(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.error < b.error; });
        if (worst->error <= 0) break;
        Cut cut = *worst;
        int axis = cut.axis;
        std::sort(colours.begin() + cut.begin, colours.begin() + cut.end, [axis](const Colour& a, const Colour& b) {
            float ca = channel(a, axis), cb = channel(b, axis);
            if (ca != cb) return ca < cb;
            return a.r + a.g * 256 + a.b * 65536 < b.r + b.g * 256 + b.b * 65536;
        });
        double total = 0, half = 0;
        for (size_t i = cut.begin; i < cut.end; ++i) total += colours[i].count;
        size_t split = cut.begin + 1;
        for (size_t i = cut.begin; i < cut.end - 1; ++i) {
            half += colours[i].count;
            split = i + 1;
            if (half >= total / 2) break;
        }
        *worst = measure(colours, cut.begin, split);
        cuts.push_back(measure(colours, split, cut.end));
    }
    std::vector<Colour> palette;
    for (const Cut& cut : cuts) {
        Colour mean{0, 0, 0, 0};
        for (size_t i = cut.begin; i < cut.end; ++i) {
            mean.r += colours[i].r * colours[i].count;
            mean.g += colours[i].g * colours[i].count;
            mean.b += colours[i].b * colours[i].count;
            mean.count += colours[i].count;
        }
        palette.push_back({mean.r / mean.count, mean.g / mean.count, mean.b / mean.count, mean.count});
    }
    // A few k-means rounds move each palette colour to the mean of the colours nearest it.
    for (int round = 0; round < 4; ++round) {
        std::vector<Colour> sums(palette.size(), Colour{0, 0, 0, 0});
        for (const Colour& c : colours) {
            size_t best = 0;
            float bestDistance = distance(palette[0], c.r, c.g, c.b);
            for (size_t p = 1; p < palette.size(); ++p) {
                float d = distance(palette[p], c.r, c.g, c.b);
                if (d < bestDistance) bestDistance = d, best = p;
            }
            sums[best].r += c.r * c.count;
            sums[best].g += c.g * c.count;
            sums[best].b += c.b * c.count;
            sums[best].count += c.count;
        }
        for (size_t p = 0; p < palette.size(); ++p)
            if (sums[p].count > 0)
                palette[p] = {sums[p].r / sums[p].count, sums[p].g / sums[p].count, sums[p].b / sums[p].count,
                              sums[p].count};
    }
    return palette;
}

const int bayer8[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                          {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                          {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                          {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

}  // namespace

IndexedPicture quantise(const Canvas& picture, const QuantiseOptions& options) {
    std::vector<uint8_t> rgb = picture.toRgb8();
    int wanted = std::max(1, std::min(options.colours, 256) - 1);
    std::vector<Colour> colours = medianCut(histogram(rgb), wanted);

    IndexedPicture out;
    out.width = picture.width();
    out.height = picture.height();
    out.indices.resize(static_cast<size_t>(out.width) * out.height);
    std::vector<Colour> palette{{0, 0, 0, 0}};
    for (const Colour& c : colours) {
        Colour rounded{std::round(c.r), std::round(c.g), std::round(c.b), 0};
        palette.push_back(rounded);
    }
    for (size_t p = 0; p < palette.size(); ++p)
        out.palette[p] = static_cast<uint32_t>(palette[p].r) << 16 | static_cast<uint32_t>(palette[p].g) << 8 |
                         static_cast<uint32_t>(palette[p].b);

    // Undithered pixels of one colour always map alike, so remember the answers.
    std::vector<int16_t> nearestCache(options.dither > 0 ? 0 : 1 << 24, -1);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            size_t i = static_cast<size_t>(y) * out.width + x;
            uint8_t r8 = rgb[i * 3], g8 = rgb[i * 3 + 1], b8 = rgb[i * 3 + 2];
            if ((r8 | g8 | b8) == 0) {
                out.indices[i] = 0;
                continue;
            }
            uint32_t key = static_cast<uint32_t>(r8) << 16 | g8 << 8 | b8;
            if (!nearestCache.empty() && nearestCache[key] >= 0) {
                out.indices[i] = static_cast<uint8_t>(nearestCache[key]);
                continue;
            }
            float offset = options.dither > 0 ? (bayer8[y & 7][x & 7] + 0.5f) / 64.0f - 0.5f : 0.0f;
            float r = r8 + offset * options.dither, g = g8 + offset * options.dither, b = b8 + offset * options.dither;
            size_t best = 0;
            float bestDistance = distance(palette[0], r, g, b);
            for (size_t p = 1; p < palette.size(); ++p) {
                float d = distance(palette[p], r, g, b);
                if (d < bestDistance) bestDistance = d, best = p;
            }
            out.indices[i] = static_cast<uint8_t>(best);
            if (!nearestCache.empty()) nearestCache[key] = static_cast<int16_t>(best);
        }
    return out;
}
