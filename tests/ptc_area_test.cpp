// Areas: sizes never negative and never overflowing.
#include <gtest/gtest.h>

#include <climits>

#include "platform/display/DynamicArea.h"

namespace {

TEST(Area, ReversedAreasAreEmptyAndHugeOnesDoNotOverflow) {
    const DynamicArea reversed(50, 40, 10, 5);
    EXPECT_EQ(reversed.width(), 0);
    EXPECT_EQ(reversed.height(), 0);
    EXPECT_EQ(reversed.left(), 50);
    const DynamicArea huge(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(huge.width(), INT_MAX);
    EXPECT_EQ(huge.height(), INT_MAX);
}

}  // namespace
