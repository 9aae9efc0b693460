#include "effects/cMatrixColumn.h"

#include <gtest/gtest.h>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"

using namespace test_support;

namespace {

constexpr int kStripeHeight = 10;

}  // namespace

TEST(MatrixColumn, StartsOnTheBottomEdgeAtARandomColumnAndSpeed) {
    cBitmap picture(320, 240, cBitmap::MODE_ADDITIVE, 2, kStripeHeight, directFormat());
    for (int seed : {1, 7, 99}) {
        showRandReset(seed);
        cMatrixColumn column(320, 240, &picture);
        EXPECT_GE(column.getX(), 0);
        EXPECT_LT(column.getX(), 320);
        EXPECT_GE(column.getSpeed(), 3);
        EXPECT_LE(column.getSpeed(), 5);
        EXPECT_EQ(column.getY(), 240 - kStripeHeight);
    }
}

TEST(MatrixColumn, WrapsOnlyOnceStrictlyBelowTheArea) {
    cBitmap picture(320, 240, cBitmap::MODE_ADDITIVE, 2, kStripeHeight, directFormat());
    showRandReset(7);
    cMatrixColumn column(320, 240, &picture);
    const int speed = column.getSpeed();

    // Reaching exactly the area's height does not wrap.
    column.moveTo(100, 240 - speed);
    column.update(0.1f);
    EXPECT_EQ(column.getY(), 240);
    EXPECT_EQ(column.getX(), 100);

    // One more step passes it: the stripe re-enters above the top edge at a
    // new random column, at its own speed.
    column.update(0.2f);
    EXPECT_EQ(column.getY(), -kStripeHeight);
    EXPECT_GE(column.getX(), 0);
    EXPECT_LT(column.getX(), 320);
    EXPECT_EQ(column.getSpeed(), speed);
}

TEST(MatrixColumn, NeverOverflowsInAVeryTallArea) {
    cBitmap picture(320, 240, cBitmap::MODE_ADDITIVE, 2, kStripeHeight, directFormat());
    cMatrixColumn column(320, INT32_MAX, &picture);
    column.moveTo(0, INT32_MAX - 1);
    column.update(0.1f);
    EXPECT_EQ(column.getY(), -kStripeHeight);
}

TEST(MatrixColumn, RefusesAnAreaWithoutColumns) {
    cBitmap picture(320, 240, cBitmap::MODE_ADDITIVE, 2, kStripeHeight, directFormat());
    EXPECT_THROW(cMatrixColumn(0, 240, &picture), DynamicError);
}
