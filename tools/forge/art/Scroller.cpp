// The scroll text: one long line of large letters, cyan at the foot rising
// to white at the top, on black so it adds onto the tunnel scene.
#include "Lettering.h"
#include "Painters.h"
#include "PictureFile.h"
#include "ShowColours.h"

namespace {

const char* const message =
    "WELCOME TO PEEKSTUN ...  everything on this screen is drawn in software, pixel by pixel, into a frame of "
    "320 x 240 ...  the music is a tracker module: samples and patterns, and every scene keeps time with it ...  "
    "and every picture you see was painted by code: no hand-placed pixels, only distances, noise and light ...  "
    "thanks for watching, and see you at the end!";

}  // namespace

void paintScroller(const std::string& dataDir) {
    Font font(fonts::monoBold, 32);
    TextLine line = font.render(message);
    const int height = 48, baseline = 37, margin = 8;
    Canvas picture(line.advance + 2 * margin, height);
    int top = textTop(line, baseline);
    Mask glow = line.mask.padded(6).blurred(2);
    picture.stampAdd(glow, margin - 6, top - 6, colours::blue * 0.8f);
    // The gradient follows the letters' height: cyan at the baseline, white at the cap line.
    int capTop = baseline - font.capHeight();
    picture.stampWith(line.mask, margin, top, [&](int, int y) {
        float t = clamp01(static_cast<float>(baseline - y) / static_cast<float>(baseline - capTop));
        return mix(colours::cyan, colours::white, t);
    });
    savePicture(dataDir, "gfx/scroller.pcx", picture, pcx8(64));
}
