// Areas: edges as given, sizes never negative and never overflowing.
#include <gtest/gtest.h>

#include <climits>

#include "platform/DynamicArea.h"

namespace {

TEST(Area, ReportsItsEdgesAndSize) {
    const DynamicArea inner(10, 10, 310, 230);
    EXPECT_EQ(inner.left(), 10);
    EXPECT_EQ(inner.top(), 10);
    EXPECT_EQ(inner.right(), 310);
    EXPECT_EQ(inner.bottom(), 230);
    EXPECT_EQ(inner.width(), 300);
    EXPECT_EQ(inner.height(), 220);
    EXPECT_EQ(DynamicArea().width(), 0);
}

TEST(Area, ReversedAreasAreEmptyAndHugeOnesDoNotOverflow) {
    const DynamicArea reversed(50, 40, 10, 5);
    EXPECT_EQ(reversed.width(), 0);
    EXPECT_EQ(reversed.height(), 0);
    EXPECT_EQ(reversed.left(), 50);
    const DynamicArea huge(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(huge.width(), INT_MAX);
    EXPECT_EQ(huge.height(), INT_MAX);
}

TEST(Area, AssignmentCopiesTheRectangle) {
    DynamicArea source(0, 0, 320, 240);
    const DynamicArea zoom(10, 10, 310, 230);
    source = zoom;
    EXPECT_EQ(source.left(), 10);
    EXPECT_EQ(source.width(), 300);
    const DynamicArea copy(source);
    source = DynamicArea(1, 2, 3, 4);
    EXPECT_EQ(copy.bottom(), 230);
}

}  // namespace
