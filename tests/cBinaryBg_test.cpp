#include "effects/cBinaryBg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/cBitmap.h"
#include "effects/showRandom.h"
#include "support/effect_surfaces.h"
#include "support/picture_files.h"

using namespace test_support;

namespace {

constexpr int kPictureHeight = 3;

// Picture i is one pixel wide and solid blue i + 1, so each drawn column
// names its picture.
void writePictures() {
    for (int i = 0; i < 16; ++i) {
        writeSolidTga32(show::dataPath(show::kFirstBinaryColumn + i), 1, kPictureHeight, i + 1);
    }
}

std::vector<int> cellsOf(const cBinaryBg& background) {
    std::vector<int> cells;
    for (int i = 0; i < cBinaryBg::kCellCount; ++i) cells.push_back(background.cell(i));
    return cells;
}

}  // namespace

class BinaryBackground : public ::testing::Test {
protected:
    void SetUp() override { writePictures(); }
    TemporaryWorkingDirectory directory;
};

TEST_F(BinaryBackground, ChoosesTheCellsFromTheGeneratorLeftToRight) {
    showRandReset();
    cBinaryBg background(320, 240);
    showRandReset();
    for (int i = 0; i < 81; ++i) EXPECT_EQ(background.cell(i), showRand() % 16) << i;
}

TEST_F(BinaryBackground, DrawsEveryFourthColumnFromOneMinusTheOffset) {
    cBinaryBg background(320, 240);
    for (const float t : {0.5f, 2.5f}) {
        auto frame = makeSurface(320, 240, directFormat());
        const auto cells = cellsOf(background);
        EXPECT_EQ(background.draw(*frame, t), 1);
        const int start = 1 - background.getOffset();
        const auto drawn = readPixels32(*frame);
        std::vector<uint32_t> expected(320 * 240, 0);
        for (int i = 0; i < 81; ++i) {
            const int x = start + 4 * i;
            if (x < 0 || x >= 320) continue;
            for (int y = 1; y < 1 + kPictureHeight; ++y) expected[y * 320 + x] = cells[i] + 1;
        }
        EXPECT_EQ(drawn, expected) << t;
    }
}

TEST_F(BinaryBackground, ShiftsOnceWhenTheWholePartChangesAfterDrawing) {
    cBinaryBg background(320, 240);
    auto frame = makeSurface(320, 240, directFormat());
    const auto initial = cellsOf(background);

    background.draw(*frame, 0.9f);
    EXPECT_EQ(cellsOf(background), initial);
    EXPECT_EQ(background.getOffset(), 0);

    // The frame at 1.2 still shows the old cells, one pixel further left.
    showRandReset(5);
    const int entering = showRand() % 16;
    showRandReset(5);
    frame->clear();
    background.draw(*frame, 1.2f);
    EXPECT_EQ(background.getOffset(), 1);
    EXPECT_EQ(readPixels32(*frame)[1 * 320 + 0], static_cast<uint32_t>(initial[0] + 1));
    std::vector<int> shifted(initial.begin() + 1, initial.end());
    shifted.push_back(entering);
    EXPECT_EQ(cellsOf(background), shifted);

    background.draw(*frame, 1.7f);
    EXPECT_EQ(cellsOf(background), shifted);
}

TEST_F(BinaryBackground, AJumpOfSixteenWholeUnitsDoesNotShift) {
    cBinaryBg background(320, 240);
    auto frame = makeSurface(320, 240, directFormat());
    background.draw(*frame, 1.0f);
    const auto afterOne = cellsOf(background);
    background.draw(*frame, 17.0f);
    EXPECT_EQ(cellsOf(background), afterOne);
}

TEST(BinaryBackgroundBand, AddsAsEachPictureDrawnAtItsPlaceWhereverTheTargetEnds) {
    // Pictures a pitch wide, as the show's are: dark, bright and saturating
    // pixels, each picture its own.
    TemporaryWorkingDirectory directory;
    constexpr int kHeight = 5;
    for (int i = 0; i < 16; ++i) {
        std::vector<uint32_t> pixels(4 * kHeight);
        for (size_t p = 0; p < pixels.size(); ++p) pixels[p] = (p + i) % 3 == 0 ? 0 : 0x00f03010u * (i + 1) + p;
        writeTga32(show::dataPath(show::kFirstBinaryColumn + i), 4, kHeight, pixels);
    }
    const DynamicFormat format = directFormat();
    for (const auto& size : {std::pair<int, int>{320, 240}, {301, 4}, {400, 250}}) {
        showRandReset();
        cBinaryBg background(320, 240);
        std::vector<std::unique_ptr<cBitmap>> pictures;
        for (int i = 0; i < 16; ++i) {
            const std::string name = show::dataPath(show::kFirstBinaryColumn + i);
            pictures.push_back(std::make_unique<cBitmap>(320, 240, name.c_str(), cBitmap::MODE_ADDITIVE, format));
        }
        std::vector<uint32_t> start(size.first * size.second);
        for (size_t p = 0; p < start.size(); ++p) start[p] = 0x9a402010u * static_cast<uint32_t>(p + 1);
        for (const float t : {0.0f, 1.3f, 2.6f, 3.9f, 4.2f}) {
            auto band = makeSurface(size.first, size.second, format);
            auto reference = makeSurface(size.first, size.second, format);
            writePixels32(*band, start);
            writePixels32(*reference, start);
            for (int i = 0; i < 81; ++i)
                pictures[background.cell(i)]->draw(*reference, 1 - (truncateAndMask(t, 3)) + 4 * i, 1);
            background.draw(*band, t);
            ASSERT_EQ(readPixels32(*band), readPixels32(*reference))
                << size.first << " x " << size.second << ", t " << t;
        }
    }
}
