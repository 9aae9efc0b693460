// Concentric rings bent into petals, as palette indices: a map twice the
// output's size holds distance plus an angular wave (modulo 256) for every
// position around its centre; each frame writes the byte sum of three
// wandering output-sized windows onto the map into an 8-bit target.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"

class cFlower : public cEffect {
public:
    struct WindowOrigin {
        int x;
        int y;
    };

    cFlower(int width, int height, float weight1, float weight2, int petals1, int petals2);

    // Writes the area of an 8-bit target. Returns 0 when not ready.
    int draw(DynamicSurface& target, float t);

    // The three window origins for a target of the given size at time t.
    static void windowOrigins(int targetWidth, int targetHeight, float t, WindowOrigin origins[3]);
    // Map value at (x, y) from the map's centre, y growing downwards.
    uint8_t mapValue(int x, int y);

private:
    void fillMap(float weight1, float weight2, int petals1, int petals2);

    int32_t mapWidth;
    int32_t mapHeight;
    std::unique_ptr<DynamicSurface> flowerMap;
};

// The map itself, rows of mapWidth bytes from y = -(mapHeight / 2) down,
// columns from x = -(mapWidth / 2). Built from the rows y >= 0 and their
// mirror images; the direct version computes every byte on its own and gives
// the same.
void fillFlowerMap(uint8_t* out, int mapWidth, int mapHeight, float weight1, float weight2, int petals1, int petals2);
void fillFlowerMapDirect(uint8_t* out, int mapWidth, int mapHeight, float weight1, float weight2, int petals1,
                         int petals2);
