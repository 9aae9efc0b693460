#include "shell/sync.h"

#include <gtest/gtest.h>

#include "shell/tables.h"

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

TEST(BeatTable, MarksTheGrooveRowsOfOrderSeven) {
    EXPECT_TRUE(isBeatRow(7, 1));
    EXPECT_FALSE(isBeatRow(7, 2));
    EXPECT_FALSE(isBeatRow(7, 0));
    EXPECT_TRUE(isBeatRow(11, 0));
    EXPECT_TRUE(isBeatRow(10, 42));
    EXPECT_FALSE(isBeatRow(10, 41));
    EXPECT_FALSE(isBeatRow(15, 0));
    EXPECT_TRUE(isBeatRow(30, 57));
}

TEST(BeatTable, QuietOrdersNeverPulse) {
    for (int order : {0, 1, 2, 3, 4, 5, 6, 18, 19, 20, 21, 22, 31})
        for (int row = 0; row < 64; ++row) EXPECT_FALSE(isBeatRow(order, row)) << order << ":" << row;
}

TEST(BeatTable, CountsTwelveBeatsInEveryGrooveOrder) {
    for (int order = 0; order < 32; ++order) {
        int beats = 0;
        for (int row = 0; row < 64; ++row) beats += isBeatRow(order, row);
        int expected = (order >= 7 && order <= 17 && order != 10 && order != 15) || (order >= 23 && order <= 30) ? 12
                       : (order == 10 || order == 15)                                                       ? 10
                                                                                                            : 0;
        EXPECT_EQ(beats, expected) << order;
    }
}

TEST(BeatTable, PositionsOutsideTheTableAreUnmarked) {
    EXPECT_FALSE(isBeatRow(32, 0));
    EXPECT_FALSE(isBeatRow(7, 64));
    EXPECT_FALSE(isBeatRow(-1, 1));
    EXPECT_FALSE(isBeatRow(7, -63));  // would alias order 6 row 1 if indexed blindly
}

TEST(BeatArea, MagnifiesTheInnerPictureOnMarkedRows) {
    FixedPosition beat(7, 1), plain(7, 2), outside(40, 1);
    EXPECT_EQ(&beatArea(beat), &zoomArea);
    EXPECT_EQ(&beatArea(plain), &fullArea);
    EXPECT_EQ(&beatArea(outside), &fullArea);
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
