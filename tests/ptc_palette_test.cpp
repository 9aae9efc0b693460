// Palettes: loading, editing under a lock, and travelling with surfaces.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/display/DynamicPalette.h"
#include "platform/display/DynamicSurface.h"

namespace {

uint32_t copiedColour(const DynamicPalette& palette, uint8_t index) {
    DynamicSurface canvas(1, 1, DynamicFormat(8));
    canvas.setPalette(palette);
    *static_cast<uint8_t*>(canvas.lock()) = index;
    canvas.unlock();
    DynamicSurface frame(1, 1, DynamicFormat(32, 0xff0000, 0x00ff00, 0x0000ff));
    canvas.copy(frame);
    const uint32_t colour = *static_cast<uint32_t*>(frame.lock());
    frame.unlock();
    return colour;
}

TEST(Palette, StartsBlackAndLoadsAllEntries) {
    DynamicPalette palette;
    const int32_t* entries = palette.lock();
    for (int i = 0; i < 256; ++i) ASSERT_EQ(entries[i], 0) << i;
    palette.unlock();

    std::vector<int32_t> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[i] = i * 0x010101;
    palette.load(ramp.data());
    EXPECT_EQ(palette.lock()[255], 0xffffff);
    palette.unlock();
    EXPECT_EQ(copiedColour(palette, 128), 0x808080u);
}

TEST(Palette, EntriesEditedUnderALockAreUsedAfterUnlock) {
    DynamicPalette palette;
    int32_t* entries = palette.lock();
    entries[42] = 0x123456;
    palette.unlock();
    EXPECT_EQ(copiedColour(palette, 42), 0x123456u);
}

TEST(Palette, AnUnmatchedUnlockIsAnError) {
    DynamicPalette palette;
    EXPECT_THROW(palette.unlock(), DynamicError);
    palette.lock();
    palette.lock();
    palette.unlock();
    palette.unlock();
    EXPECT_THROW(palette.unlock(), DynamicError);
}

TEST(Palette, SurfacesKeepTheirOwnCopy) {
    std::vector<int32_t> colours(256, 0x111111);
    DynamicPalette palette(colours.data());
    DynamicSurface canvas(1, 1, DynamicFormat(8));
    canvas.setPalette(palette);
    palette.lock()[0] = 0x222222;
    palette.unlock();

    DynamicPalette fromSurface;
    canvas.palette(fromSurface);
    EXPECT_EQ(fromSurface.lock()[0], 0x111111);
    fromSurface.unlock();

    DynamicPalette copy(palette);
    palette.lock()[0] = 0x333333;
    palette.unlock();
    EXPECT_EQ(copy.lock()[0], 0x222222);
    copy.unlock();
}

TEST(Palette, LoadingIgnoresTheTopByteAndRefusesNoData) {
    std::vector<int32_t> colours(256, int32_t(0xff102030));
    DynamicPalette palette(colours.data());
    EXPECT_EQ(copiedColour(palette, 9), 0x102030u);
    EXPECT_THROW(palette.load(nullptr), DynamicError);
}

}  // namespace
