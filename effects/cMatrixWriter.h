// Thirty-two stripes of binary digits falling down the frame, each at its own
// speed, drawn additively over whatever the frame holds.
#pragma once

#include <array>
#include <memory>

#include "effects/cBitmap.h"
#include "effects/cEffect.h"
#include "effects/cMatrixColumn.h"
#include "platform/display/DynamicSurface.h"
#include "show/catalogue.h"

class cMatrixWriter : public cEffect {
public:
    static constexpr int kStripeCount = show::kStripeCount;
    static constexpr int kColumnCount = 32;

    // Loads the stripe pictures (show/catalogue.h) and places the columns.
    cMatrixWriter(int width, int height);
    ~cMatrixWriter() override;

    // Draws every column, then moves it on to time t; columns in index order.
    // Returns 0 when not ready, else 1.
    int draw(DynamicSurface& target, float t);

    // What draw changes, without drawing.
    void skipDraw(float t);

    using Progress = std::array<cMatrixColumn::Progress, kColumnCount>;
    Progress progress() const;
    void resume(const Progress& saved);

    cMatrixColumn& column(int index) { return *columns[index]; }

private:
    std::array<std::unique_ptr<cBitmap>, kStripeCount> stripes;
    // Declared after the stripes they point at, so destroyed before them.
    std::array<std::unique_ptr<cMatrixColumn>, kColumnCount> columns;
};
