// The loading picture and the block its progress bar is built of.
#include "Font.h"
#include "Painters.h"
#include "PictureFile.h"
#include "ShowColours.h"

namespace {

// The bar grows from x 50 to 150 on the line y 220, in blocks 12 high.
constexpr float barLeft = 50, barRight = 150, barTop = 220, barBottom = 232;

Canvas loadingScreen() {
    Canvas picture(320, 240);
    Font font(fonts::sansBold, 13);
    TextLine word = font.render("LOADING", 5);
    int x = 160 - word.advance / 2, y = 200 - word.baseline;
    picture.stampAdd(word.mask.padded(4).blurred(2), x - 4, y - 4, colours::blue * 0.9f);
    picture.stamp(word.mask, x, y, colours::cyan);

    // A thin frame two pixels clear of where the blocks will land.
    auto frame = [](Vec2 p) {
        Vec2 centre{(barLeft + barRight) / 2, (barTop + barBottom) / 2};
        Vec2 half{(barRight - barLeft) / 2 + 3, (barBottom - barTop) / 2 + 3};
        return std::fabs(sdBox(p, centre, half, 1.5f)) - 0.5f;
    };
    picture.fill({40, 210, 160, 242}, frame, colours::blue * 1.2f);
    return picture;
}

Canvas progressBlock() {
    Canvas block(9, 12, hex(0x18a8e0));
    for (int x = 0; x < 9; ++x) {
        block.at(x, 0) = hex(0xc0f4ff);
        block.at(x, 1) = hex(0x60d8ff);
        block.at(x, 11) = hex(0x0c6498);
    }
    return block;
}

}  // namespace

void paintLoadingScreen(const std::string& dataDir) {
    savePicture(dataDir, "gfx/loading.pcx", loadingScreen(), pcx8(64));
    savePicture(dataDir, "gfx/loading_block.tga", progressBlock(), tga24(true));
}
