#include "effects/cMatrixWriter.h"

#include <gtest/gtest.h>

#include <vector>

#include "effects/showRandom.h"
#include "platform/display/DynamicError.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using namespace test_support;

namespace {

constexpr int kStripeWidth = 3;
constexpr int kStripeHeight = 40;

// Stripe i is solid blue i + 1, so a pixel's value tells which stripes
// covered it (the files hold TGA data whatever their names say: readers are
// chosen by content).
void writeStripes() {
    for (int i = 0; i < show::kStripeCount; ++i) {
        writeSolidTga32(show::dataPath(show::kFirstStripe + i), kStripeWidth, kStripeHeight, i + 1);
    }
}

// The stripe each column shows.
const int kStripeOfColumn[32] = {1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3,
                                 3, 3, 5, 5, 5, 5, 5, 5, 0, 0, 0, 0, 4, 4, 4, 4};

}  // namespace

class MatrixWriter : public ::testing::Test {
protected:
    TemporaryWorkingDirectory directory;
};

TEST_F(MatrixWriter, PlacesItsColumnsFromTheGeneratorInIndexOrder) {
    writeStripes();
    showRandReset();
    cMatrixWriter writer(320, 240);
    EXPECT_EQ(writer.isReady(), 1);
    showRandReset();
    for (int i = 0; i < 32; ++i) {
        const int x = showRand() % 320;
        const int speed = showRand() % 3 + 3;
        EXPECT_EQ(writer.column(i).getX(), x) << i;
        EXPECT_EQ(writer.column(i).getSpeed(), speed) << i;
        EXPECT_EQ(writer.column(i).getY(), 240 - kStripeHeight) << i;
    }
}

TEST_F(MatrixWriter, DrawsEachColumnsStripeAdditivelyBeforeMovingIt) {
    writeStripes();
    cMatrixWriter writer(320, 240);
    auto frame = makeSurface(320, 240, directFormat());

    std::vector<uint32_t> expected(320 * 240, 0);
    for (int i = 0; i < 32; ++i) {
        const int left = writer.column(i).getX();
        for (int y = 240 - kStripeHeight; y < 240; ++y) {
            for (int x = left; x < left + kStripeWidth && x < 320; ++x) expected[y * 320 + x] += kStripeOfColumn[i] + 1;
        }
    }
    EXPECT_EQ(writer.draw(*frame, 0.05f), 1);
    EXPECT_EQ(readPixels32(*frame), expected);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(writer.column(i).getY(), 240 - kStripeHeight) << i;

    // Three steps of at most 5 pixels keep every stripe below 240.
    writer.draw(*frame, 0.35f);
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(writer.column(i).getY(), 240 - kStripeHeight + 3 * writer.column(i).getSpeed()) << i;
    }
}

TEST_F(MatrixWriter, AMissingStripeFailsTheConstruction) {
    writeStripes();
    std::remove(show::dataPath(show::kFirstStripe + 5).c_str());
    EXPECT_THROW(cMatrixWriter(320, 240), DynamicError);
}
