// The sum-of-cosines plasma: every pixel of the area gets the byte sum of four
// lookups into one 256-entry table, two phases moving along the row and two
// down the column. It produces palette indices, and can also use them as a
// mask that reveals one picture over another up to a level.
#pragma once

#include <cstdint>
#include <vector>

#include "effects/cEffect.h"
#include "platform/display/DynamicSurface.h"

// Fills table[0..255] with amplitude cos(i pi/128) + 32 cos(i pi/64) +
// 8 cos(i pi/32), summed in double precision and stored as floats.
void fillPlasmaTable(float* table, double amplitude);

class cPlasma : public cEffect {
public:
    // The table is read, not copied: it must outlive the effect.
    cPlasma(int width, int height, const float* table);

    void setSpeeds(float s1, float s3);
    void setSteps(float x1, float x2, float y1, float y2);
    void setPhases(float p1, float p2, float p3, float p4);

    // Adds elapsed to the accumulator and performs one animation step per
    // whole unit in it; each step draws four values from the show's generator.
    void update(float elapsed);

    // Writes one index per pixel of the area into an 8-bit surface of at
    // least width x height. Returns 0 when not ready.
    int draw(DynamicSurface& indices);

    // Within the area, copies each picture pixel whose plasma index is at most
    // level onto target. Both are 32-bit surfaces of at least width x height.
    int drawReveal(DynamicSurface& target, DynamicSurface& picture, uint8_t level);

    // Where the animation is: all a replay needs to restore.
    struct Progress {
        float accumulator, phase1, phase2, phase3, phase4;
    };
    Progress progress() const { return {accumulator, phase1, phase2, phase3, phase4}; }
    void resume(const Progress& p) {
        accumulator = p.accumulator;
        phase1 = p.phase1;
        phase2 = p.phase2;
        phase3 = p.phase3;
        phase4 = p.phase4;
    }

    float getAccumulator() const { return accumulator; }
    // Phase 1 to 4.
    float getPhase(int which) const;

private:
    // Fills the area of a buffer addressed as rows of width bytes.
    void computeIndices(uint8_t* out);
    void checkArea() const;
    void checkSurface(const DynamicSurface& surface, int bytesPerPixel, const char* role) const;

    const float* table;
    float accumulator = 0.0f;
    float phase1 = 0.0f;
    float phase2 = 0.0f;
    float phase3 = 0.0f;
    float phase4 = 0.0f;
    float stepX1 = 0.0f;
    float stepX2 = 0.0f;
    float stepY1 = 0.0f;
    float stepY2 = 0.0f;
    float speed1 = 0.0f;
    float speed3 = 0.0f;
    // The sum of the two row lookups for each column of the area.
    std::vector<float> columnSums;
    // The reveal's index mask, kept between calls.
    std::vector<uint8_t> revealIndices;
};
