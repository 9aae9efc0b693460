#include "shell/assets.h"

#include "shell/palettes.h"

using namespace show;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

const DynamicFormat indexedFormat() { return DynamicFormat(8); }

static_assert(int{kCopy} == cBitmap::MODE_COPY && int{kSeeThrough} == cBitmap::MODE_TRANSPARENT &&
                  int{kAdditive} == cBitmap::MODE_ADDITIVE,
              "the catalogue numbers its drawings as cBitmap does");

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
        pictures[which] =
            std::make_unique<cBitmap>(kWidth, kHeight, dataPath(which).c_str(), kPictures[which].drawing, frameFormat);
    };
    load(kLoading);
    load(kLoadingBlock);
    pictures[kLoading]->draw(frameSurface, 0, 0);
    presentFrame(frameSurface, console);
    for (int which = kScroller; which < kShellPictureCount; ++which) load(which);

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
    fadeA = std::make_unique<cFade>(kWidth, kHeight, dataPath(kAtReady).c_str());
    fadeB = std::make_unique<cFade>(kWidth, kHeight, dataPath(kBackAlley).c_str());
    progress();
    tunnel3D = std::make_unique<c3DTunnel>(dataPath(kTunnel3DTexture).c_str(), 255.0f);
    progress();
    tunnel2D = std::make_unique<c2DTunnel>(kWidth, kHeight, dataPath(kTunnel2DTexture).c_str(), 3000);
    progress();
    randomDots = std::make_unique<cRandomDots>(kWidth, kHeight, dataPath(kLamp).c_str());
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
