// The inside of a textured cylinder seen from a camera on its axis that flies
// along it and, after a run-in, turns about all three axes. Rays are cast only
// at a 41 x 31 lattice (one every 8 pixels); inside each 8 x 8 block the
// texture coordinates and the brightness are interpolated in fixed point and
// the texel's colour is scaled by that brightness.
// Always covers 320 x 240 pixels from the frame's top-left corner.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/TunnelSample.h"
#include "platform/display/DynamicSurface.h"

class c3DTunnel {
public:
    static constexpr int kLatticeColumns = 41;
    static constexpr int kLatticeRows = 31;

    // Not ready; draws nothing.
    c3DTunnel();
    // Loads the texture, which must be 256 x 256 and indexed, as colours. A
    // texture of any other size or format leaves the effect not
    // ready; a file that cannot be read throws the image library's error.
    c3DTunnel(const char* textureFileName, float radius);
    c3DTunnel(const c3DTunnel&) = delete;
    c3DTunnel& operator=(const c3DTunnel&) = delete;
    ~c3DTunnel();

    // Moves the camera for a time step dt. Returns 0 when not ready.
    int update(float dt);
    // Adds the tunnel onto a 32-bit frame of at least 320 x 240, each channel
    // saturating, or (draw) writes it over the frame. Return 0 when not ready
    // or when a surface cannot be locked.
    int drawAdditive(DynamicSurface& frame);
    int draw(DynamicSurface& frame);

    int isReady() const { return ready; }

    // Where the camera is: all a replay needs to restore.
    struct Progress {
        float angles[3];
        float travel;
    };
    Progress progress() const { return {{angles[0], angles[1], angles[2]}, travel}; }
    void resume(const Progress& p) {
        for (int axis = 0; axis < 3; ++axis) angles[axis] = p.angles[axis];
        travel = p.travel;
    }

    // Camera rotation about X (0), Y (1) or Z (2), in radians.
    float getAngle(int axis) const;
    float getTravel() const { return travel; }
    // The lattice of the last draw.
    const TunnelSample& sample(int column, int row) const;
    // Colour of palette index at brightness level (128 is the colour itself).
    uint32_t shadeColour(int index, int level) const;

private:
    void castWallHits();
    void castLattice();
    int fillBlocks(DynamicSurface& frame, bool additive);

    float angles[3] = {0.0f, 0.0f, 0.0f};
    float radius = 0.0f;
    float travel = 0.0f;
    TunnelSample grid[kLatticeColumns * kLatticeRows] = {};
    // Where each lattice ray meets the wall, coordinate by coordinate, a
    // lattice column at a time padded to a multiple of four rays (the pad
    // repeats the column's last ray); cast for the angles in castAngles.
    static constexpr int kPaddedRows = 32;
    float hitX[kLatticeColumns * kPaddedRows] = {};
    float hitY[kLatticeColumns * kPaddedRows] = {};
    float hitZ[kLatticeColumns * kPaddedRows] = {};
    int32_t hitAngles[kLatticeColumns * kPaddedRows] = {};  // their angular coordinates
    float castAngles[3] = {0.0f, 0.0f, 0.0f};
    bool hitsCast = false;
    // The palette with its top bytes cleared, and the texture as those colours.
    uint32_t colours[256] = {};
    std::unique_ptr<uint32_t[]> texelColours;
    int32_t ready = 0;
};
