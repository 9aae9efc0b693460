// Everything the timeline draws with: the working surfaces and palettes, the
// shell's pictures (show/catalogue.h), the curve tables and the ten effects, made behind the loading
// screen before the music starts.
#pragma once

#include <array>
#include <memory>

#include "effects/c2DTunnel.h"
#include "effects/c3DTunnel.h"
#include "effects/cBinaryBg.h"
#include "effects/cBitmap.h"
#include "effects/cFade.h"
#include "effects/cFlower.h"
#include "effects/cMatrixWriter.h"
#include "effects/cPlasma.h"
#include "effects/cRandomDots.h"
#include "effects/cStatic.h"
#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicFormat.h"
#include "platform/display/DynamicPalette.h"
#include "platform/display/DynamicSurface.h"
#include "shell/tables.h"
#include "show/catalogue.h"

// Copies the frame to the console and shows it.
void presentFrame(DynamicSurface& frame, DynamicConsole& console);

class ShowAssets {
public:
    // Shows the loading screen on the console while it loads and builds.
    ShowAssets(DynamicConsole& console, const DynamicFormat& frameFormat);
    ~ShowAssets();

    cBitmap& picture(show::Picture which) { return *pictures[which]; }
    // Deletes the pictures in load order, as the shutdown does.
    void deletePictures();

    DynamicSurface frameSurface;
    DynamicSurface background;
    DynamicSurface flowerCanvas;
    DynamicSurface plasmaCanvas;
    DynamicPalette plasmaPalette;
    DynamicPalette flowerPalette;
    std::array<std::unique_ptr<cBitmap>, show::kShellPictureCount> pictures;
    CurveTables tables;
    std::unique_ptr<cStatic> staticNoise;
    std::unique_ptr<cMatrixWriter> matrixWriter;
    std::unique_ptr<cFade> fadeA;
    std::unique_ptr<cFade> fadeB;
    std::unique_ptr<c3DTunnel> tunnel3D;
    std::unique_ptr<c2DTunnel> tunnel2D;
    std::unique_ptr<cRandomDots> randomDots;
    std::unique_ptr<cBinaryBg> binaryBg;
    std::unique_ptr<cPlasma> plasma;
    std::unique_ptr<cFlower> flower;
};
