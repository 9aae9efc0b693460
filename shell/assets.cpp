#include "shell/assets.h"

#include "shell/palettes.h"

namespace {

struct PictureFile {
    const char* path;
    int mode;  // 0 opaque, 1 black transparent, 2 additive
};

const PictureFile kPictureFiles[kPictureCount] = {
    {"data/gfx/loading.pcx", 0},    {"data/gfx/loading_block.tga", 0}, {"data/gfx/scroller.pcx", 2},
    {"data/gfx/at-ready.pcx", 0},   {"data/gfx/swrdpen.pcx", 0},       {"data/gfx/big_spark.pcx", 0},
    {"data/gfx/analog.pcx", 2},     {"data/gfx/genetic.pcx", 2},       {"data/gfx/peekstun.pcx", 0},
    {"data/gfx/credits.tga", 1},    {"data/gfx/greets.pcx", 1},        {"data/gfx/fight.tga", 2},
    {"data/gfx/p.tga", 2},          {"data/gfx/e.tga", 2},             {"data/gfx/k.tga", 2},
    {"data/gfx/s.tga", 2},          {"data/gfx/t.tga", 2},             {"data/gfx/u.tga", 2},
    {"data/gfx/n.tga", 2},          {"data/gfx/0.tga", 2},             {"data/gfx/1.tga", 2},
    {"data/gfx/2.tga", 2},          {"data/gfx/3.tga", 2},             {"data/gfx/5.tga", 2},
    {"data/gfx/7.tga", 2},          {"data/gfx/col.tga", 2},           {"data/gfx/linecircle.tga", 2},
    {"data/gfx/filmstrip.pcx", 1},
};

constexpr int kWidth = 320;
constexpr int kHeight = 240;

const DynamicFormat indexedFormat() { return DynamicFormat(8); }

}  // namespace

void presentFrame(DynamicSurface& frame, DynamicConsole& console) {
    frame.copy(console);
    console.update();
}

ShowAssets::ShowAssets(DynamicConsole& console, const DynamicFormat& frameFormat)
    : frameSurface(kWidth, kHeight, frameFormat),
      background(kWidth, kHeight, frameFormat),
      flowerCanvas(kWidth, kHeight, indexedFormat()),
      plasmaCanvas(kWidth, kHeight, indexedFormat()) {
    makePlasmaPalette(plasmaPalette);
    plasmaCanvas.setPalette(plasmaPalette);
    makeFlowerPalette(flowerPalette);
    flowerCanvas.setPalette(flowerPalette);

    auto load = [&](int which) {
        pictures[which] = std::make_unique<cBitmap>(kWidth, kHeight, kPictureFiles[which].path,
                                                    kPictureFiles[which].mode, frameFormat);
    };
    load(kLoading);
    load(kLoadingBlock);
    pictures[kLoading]->draw(frameSurface, 0, 0);
    presentFrame(frameSurface, console);
    for (int which = kScroller; which < kPictureCount; ++which) load(which);

    // Ten progress blocks, each shown before its piece of work.
    int blockX = 50;
    auto progress = [&]() {
        pictures[kLoadingBlock]->draw(frameSurface, blockX, 220);
        presentFrame(frameSurface, console);
        blockX += 10;
    };
    progress();
    computeCurveTables(tables);
    progress();
    staticNoise = std::make_unique<cStatic>(kWidth, kHeight, 30, 40, 5);
    progress();
    matrixWriter = std::make_unique<cMatrixWriter>(kWidth, kHeight);
    fadeA = std::make_unique<cFade>(kWidth, kHeight, "data/gfx/at-ready.pcx");
    fadeB = std::make_unique<cFade>(kWidth, kHeight, "data/gfx/us-backalley2.pcx");
    progress();
    tunnel3D = std::make_unique<c3DTunnel>("data/textures/a076.pcx", 255.0f);
    progress();
    tunnel2D = std::make_unique<c2DTunnel>(kWidth, kHeight, "data/textures/a018.pcx", 3000);
    progress();
    randomDots = std::make_unique<cRandomDots>(kWidth, kHeight, "data/gfx/circle.tga");
    progress();
    binaryBg = std::make_unique<cBinaryBg>(kWidth, kHeight);
    progress();
    plasma = std::make_unique<cPlasma>(kWidth, kHeight, tables.plasma);
    plasma->setSpeeds(8.6f, 8.3f);
    plasma->setSteps(0.8f, 0.2f, 0.4f, 0.5f);
    progress();
    flower = std::make_unique<cFlower>(kWidth, kHeight, 1.0f, 0.3f, 18, 13);
    progress();
}

ShowAssets::~ShowAssets() = default;

void ShowAssets::deletePictures() {
    for (auto& picture : pictures) picture.reset();
}
