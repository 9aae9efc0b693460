#include "effects/cBinaryBg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        writeSolidTga32(TemporaryWorkingDirectory::gfx("binary_bg" + std::to_string(i + 1) + ".tga"), 1, kPictureHeight,
                        i + 1);
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
