#include "icon_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The painter works in [-1, 1] on both axes, y pointing down; the document is
// 256 units square.
constexpr float side = 256.0f;

float place(float coordinate) { return (coordinate + 1.0f) * side / 2.0f; }
float length(float distance) { return distance * side / 2.0f; }

std::string number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string colour(float r, float g, float b) {
    auto byte = [](float v) { return static_cast<int>(std::lround(std::min(std::max(v, 0.0f), 1.0f) * 255.0f)); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(r), byte(g), byte(b));
    return text;
}

// A circle of the tunnel: the painter measures a point's radius from a centre
// that drifts with the point's distance from the middle, which on a circle of
// that radius is about the radius itself.
std::string tunnelCircle(float radius) {
    float drift = 1.0f - radius;
    float x = place(0.10f * drift), y = place(-0.08f * drift), r = length(radius);
    std::string arc = " A" + number(r) + " " + number(r) + " 0 1 0 ";
    return "M" + number(x + r) + " " + number(y) + arc + number(x - r) + " " + number(y) + arc + number(x + r) + " " +
           number(y) + " Z";
}

// One band of a tunnel ring between two radii, faded towards the middle as
// the painter fades it.
std::string ringBand(float inner, float outer, const std::string& fill, float opacity) {
    float fade = std::min(1.0f, (inner + outer) / 2.0f * 1.6f);
    return "    <path d=\"" + tunnelCircle(outer) + " " + tunnelCircle(inner) + "\" fill=\"" + fill +
           "\" fill-opacity=\"" + number(opacity * fade) + "\"/>\n";
}

// The almond between two parabolas through (-0.62, +-edge) and
// (0.62, +-edge) whose apexes are at +-apex: a quadratic curve each.
std::string almond(float edge, float apex) {
    float control = 2.0f * apex - edge;
    return "M" + number(place(-0.62f)) + " " + number(place(-edge)) + " Q" + number(place(0.0f)) + " " +
           number(place(-control)) + " " + number(place(0.62f)) + " " + number(place(-edge)) + " L" +
           number(place(0.62f)) + " " + number(place(edge)) + " Q" + number(place(0.0f)) + " " +
           number(place(control)) + " " + number(place(-0.62f)) + " " + number(place(edge)) + " Z";
}

}  // namespace

std::string mainIconSvg() {
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
        "  <defs>\n";
    // The tile: deep violet, lighter towards the top, a rounded square.
    svg += "    <linearGradient id=\"tile\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"256\">\n";
    svg += "      <stop offset=\"0\" stop-color=\"" + colour(0.26f, 0.05f, 0.42f) + "\"/>\n";
    svg += "      <stop offset=\"1\" stop-color=\"" + colour(0.16f, 0.05f, 0.30f) + "\"/>\n";
    svg += "    </linearGradient>\n";
    std::string tileShape = "x=\"" + number(place(-0.94f)) + "\" y=\"" + number(place(-0.94f)) + "\" width=\"" +
                            number(length(1.88f)) + "\" height=\"" + number(length(1.88f)) + "\" rx=\"" +
                            number(length(0.24f)) + "\"";
    svg += "    <clipPath id=\"inside\"><rect " + tileShape + "/></clipPath>\n";
    // The iris lightens towards its rim.
    svg += "    <radialGradient id=\"iris\" gradientUnits=\"userSpaceOnUse\" cx=\"128\" cy=\"128\" r=\"" +
           number(length(0.27f)) + "\">\n";
    svg += "      <stop offset=\"0\" stop-color=\"" + colour(0.06f, 0.55f, 0.62f) + "\"/>\n";
    svg += "      <stop offset=\"1\" stop-color=\"" + colour(0.06f + 0.5f * 0.27f, 0.55f, 0.62f) + "\"/>\n";
    svg += "    </radialGradient>\n";
    svg += "  </defs>\n";
    svg += "  <rect " + tileShape + " fill=\"url(#tile)\"/>\n";

    // The tunnel: ring n lies at depths n to n + 1, depth being 2.4 / radius;
    // its first 45 % is strong, the rest faint; teal and magenta alternate.
    // Rings far enough in to hide behind the eye are left out.
    svg += "  <g clip-path=\"url(#inside)\" fill-rule=\"evenodd\">\n";
    for (int ring = 1; ring <= 12; ++ring) {
        std::string fill = ring % 2 == 0 ? colour(0.05f, 0.80f, 0.78f) : colour(0.92f, 0.20f, 0.66f);
        float outer = 2.4f / ring, middle = 2.4f / (ring + 0.45f), inner = 2.4f / (ring + 1);
        svg += ringBand(middle, outer, fill, 0.85f);
        svg += ringBand(inner, middle, fill, 0.25f);
    }
    svg += "  </g>\n";

    // The eye: a dark outline, the white almond, the iris, the pupil and one
    // highlight.
    svg +=
        "  <path d=\"" + almond(0.36f * 0.12f, 0.36f * 1.12f) + "\" fill=\"" + colour(0.03f, 0.01f, 0.08f) + "\"/>\n";
    svg += "  <path d=\"" + almond(0.0f, 0.36f) + "\" fill=\"" + colour(0.97f, 0.96f, 0.92f) + "\"/>\n";
    svg += "  <circle cx=\"128\" cy=\"128\" r=\"" + number(length(0.27f)) + "\" fill=\"url(#iris)\"/>\n";
    svg += "  <circle cx=\"128\" cy=\"128\" r=\"" + number(length(0.12f)) + "\" fill=\"" + colour(0.02f, 0.02f, 0.04f) +
           "\"/>\n";
    svg += "  <circle cx=\"" + number(place(-0.08f)) + "\" cy=\"" + number(place(-0.09f)) + "\" r=\"" +
           number(length(0.05f)) + "\" fill=\"#ffffff\" fill-opacity=\"0.95\"/>\n";
    svg += "</svg>\n";
    return svg;
}
