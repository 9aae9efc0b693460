#include "shell/sync.h"

#include <gtest/gtest.h>

#include "shell/tables.h"
#include "show/score.h"

namespace {

class FixedPosition : public SongPosition {
public:
    FixedPosition(int order, int row) : order_(order), row_(row) {}
    int order() override { return order_; }
    int row() override { return row_; }

private:
    int order_;
    int row_;
};

}  // namespace

TEST(BeatRows, PositionsOutsideTheSongNeverPulse) {
    EXPECT_FALSE(show::isBeatRow(show::kSongOrders, 0));
    EXPECT_FALSE(show::isBeatRow(7, show::kRowsPerOrder));
    EXPECT_FALSE(show::isBeatRow(-1, 1));
    EXPECT_FALSE(show::isBeatRow(7, -63));  // would alias order 6 row 1 if indexed blindly
}

TEST(BeatArea, MagnifiesTheInnerPictureOnTheScoresBeatRows) {
    for (int order = -1; order <= show::kSongOrders; ++order)
        for (int row = 0; row < show::kRowsPerOrder; ++row) {
            FixedPosition position(order, row);
            EXPECT_EQ(&beatArea(position), show::isBeatRow(order, row) ? &zoomArea : &fullArea) << order << ":" << row;
        }
    EXPECT_EQ(zoomArea.width(), 300);
    EXPECT_EQ(zoomArea.height(), 220);
    EXPECT_EQ(zoomArea.left(), 10);
    EXPECT_EQ(fullArea.right(), 320);
}

TEST(CurveTables, WrapSmoothlyAndStayInRange) {
    CurveTables tables;
    computeCurveTables(tables);
    EXPECT_FLOAT_EQ(tables.plasma[0], 95.0f);
    EXPECT_FLOAT_EQ(tables.curveX1[0], 44.0f);
    EXPECT_FLOAT_EQ(tables.curveX2[0], 8.0f);
    EXPECT_FLOAT_EQ(tables.curveX3[0], 32.0f);
    for (int i = 0; i < 256; ++i) {
        // The curve tables repeat every 64 entries.
        EXPECT_NEAR(tables.curveX1[i], tables.curveX1[(i + 64) % 256], 1e-4);
        EXPECT_NEAR(tables.curveX3[i], tables.curveX3[(i + 64) % 256], 1e-4);
        EXPECT_LE(std::abs(tables.plasma[i]), 95.0f);
    }
    // Wrapping from 255 back to 0 is a small step, not a seam.
    EXPECT_LT(std::abs(tables.plasma[255] - tables.plasma[0]), 1.0f);
}
