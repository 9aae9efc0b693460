// A flat view down a tube: a table twice the output's size holds a (depth,
// angle) pair for every position around its centre; each frame looks at it
// through windows of the output's size and uses the summed entries as an
// index into a 256 x 256 32-bit texture. Three wandering windows summed give
// a moving interference of three tunnels.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "effects/cEffect.h"
#include "platform/display/DynamicArea.h"
#include "platform/display/DynamicSurface.h"

class c2DTunnel : public cEffect {
public:
    // Top-left corner of one output-sized window onto the table.
    struct WindowOrigin {
        int x;
        int y;
    };

    // outputWidth x outputHeight is the frame area drawn; the table is twice
    // that in each direction, which getWidth and getHeight report.
    c2DTunnel(int outputWidth, int outputHeight, const char* textureFileName, int depthScale);

    // Three windows: each pixel adds the texel of the summed entries plus a
    // depth scroll onto the frame (drawTripleAdditive) or becomes it
    // (drawTriple, whose offsets come from the window origins instead).
    int drawTripleAdditive(DynamicSurface& frame, float t);
    int drawTriple(DynamicSurface& frame, float t);
    // One window, at the origin given by setWindow.
    int drawSingle(DynamicSurface& frame, float t);
    int drawSingleAdditive(DynamicSurface& frame, float t);

    void setWindow(const DynamicArea& area);

    // The three window origins at time t.
    void windowOrigins(float t, WindowOrigin origins[3]) const;
    // Table entry at column i, row j; the centre is (outputWidth, outputHeight).
    uint32_t tableEntry(int i, int j) const;

private:
    int outputWidth() const { return width / 2; }
    void fillTable(int depthScale);
    // Throw unless every pixel written lies in the frame and every entry read
    // (an area-sized block from the given first position) in the table.
    void checkFrameAndArea(const DynamicSurface& frame) const;
    void checkWindow(int64_t firstColumn, int64_t firstRow) const;
    int drawThree(DynamicSurface& frame, float t, bool additive);
    int drawOne(DynamicSurface& frame, float t, bool additive);

    DynamicArea window;
    std::vector<uint16_t> tunnelTable;
    std::unique_ptr<DynamicSurface> texture;
};

// The table of an outputWidth x outputHeight tunnel: row j holds y =
// outputHeight - j, column i holds x = i - outputWidth. Built from half the
// rows; the direct version computes every entry on its own and gives the same.
std::vector<uint16_t> buildTunnelTable(int outputWidth, int outputHeight, int depthScale);
std::vector<uint16_t> buildTunnelTableDirect(int outputWidth, int outputHeight, int depthScale);
