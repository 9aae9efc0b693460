// The offscreen console: presenting, reading the frame back, and the key queue.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/display/DynamicConsole.h"
#include "platform/display/DynamicError.h"
#include "platform/display/DynamicSurface.h"

namespace {

const DynamicFormat& frameFormat() {
    static const DynamicFormat format(32, 0xff0000, 0x00ff00, 0x0000ff);
    return format;
}

void openOffscreen(DynamicConsole& console, int width = 320, int height = 240) {
    EXPECT_EQ(console.option("offscreen output"), 1);
    console.open("test", width, height, frameFormat());
}

void paint(DynamicSurface& surface, uint32_t colour) {
    auto* pixels = static_cast<uint32_t*>(surface.lock());
    for (int i = 0; i < surface.width() * surface.height(); ++i) pixels[i] = colour;
    surface.unlock();
}

TEST(OffscreenConsole, PresentsOnlyWhatWasCopiedBeforeTheUpdate) {
    DynamicConsole console;
    openOffscreen(console);
    EXPECT_EQ(console.width(), 320);
    EXPECT_EQ(console.height(), 240);
    EXPECT_EQ(console.window(), nullptr);
    EXPECT_EQ(console.frame()[0], 0u);

    DynamicSurface frame(320, 240, frameFormat());
    paint(frame, 0x336699);
    frame.copy(console);
    EXPECT_EQ(console.frame()[0], 0u) << "copied but not yet presented";
    console.update();
    EXPECT_EQ(console.frame()[0], 0x336699u);
    EXPECT_EQ(console.frame()[320 * 240 - 1], 0x336699u);

    paint(frame, 0x010203);
    frame.copy(console);
    EXPECT_EQ(console.frame()[0], 0x336699u);
    console.update();
    EXPECT_EQ(console.frame()[0], 0x010203u);

    // Updates with nothing copied in between show the last frame again.
    console.update();
    console.update();
    EXPECT_EQ(console.frame()[0], 0x010203u);
    paint(frame, 0x040506);
    frame.copy(console);
    console.update();
    EXPECT_EQ(console.frame()[320 * 240 - 1], 0x040506u);
}

TEST(OffscreenConsole, ConvertsAndScalesWhatIsCopiedIn) {
    DynamicConsole console;
    openOffscreen(console, 4, 2);
    DynamicSurface small(2, 1, DynamicFormat(16, 0x7c00, 0x03e0, 0x001f));
    auto* pixels = static_cast<uint16_t*>(small.lock());
    pixels[0] = 0x7c00;
    pixels[1] = 0x001f;
    small.unlock();
    small.copy(console);
    console.update();
    const std::vector<uint32_t> shown(console.frame(), console.frame() + 8);
    EXPECT_EQ(shown,
              (std::vector<uint32_t>{0xff0000, 0xff0000, 0x0000ff, 0x0000ff, 0xff0000, 0xff0000, 0x0000ff, 0x0000ff}));
}

TEST(OffscreenConsole, KeysAreReadInOrderAndDrainCompletely) {
    DynamicConsole console;
    openOffscreen(console);
    EXPECT_FALSE(console.key());
    ptc_console_queue_key(console.get(), 'a');
    ptc_console_queue_key(console.get(), 27);
    ptc_console_queue_key(console.get(), ' ');
    std::vector<int> codes;
    while (console.key()) {
        DynamicKey key;
        console.read(key);
        codes.push_back(key.code());
    }
    EXPECT_EQ(codes, (std::vector<int>{'a', 27, ' '}));
    DynamicKey none;
    EXPECT_THROW(console.read(none), DynamicError) << "nobody can type into an offscreen console";
}

TEST(OffscreenConsole, RefusesUseBeforeOpeningAndBadSizes) {
    DynamicConsole console;
    DynamicSurface frame(320, 240, frameFormat());
    EXPECT_THROW(frame.copy(console), DynamicError);
    EXPECT_THROW(console.update(), DynamicError);
    EXPECT_THROW(console.frame(), DynamicError);
    console.option("offscreen output");
    EXPECT_THROW(console.open("test", 0, 240, frameFormat()), DynamicError);
    EXPECT_THROW(console.open("test", 320, -240, frameFormat()), DynamicError);
    EXPECT_THROW(console.open("test", 320, 240, DynamicFormat()), DynamicError);
    console.open("test", 320, 240, frameFormat());
    EXPECT_THROW(console.open("test", 320, 240, frameFormat()), DynamicError);
}

TEST(OffscreenConsole, TheLastFrameStaysReadableAfterClosing) {
    DynamicConsole console;
    openOffscreen(console);
    DynamicSurface frame(320, 240, frameFormat());
    paint(frame, 0xabcdef);
    frame.copy(console);
    console.update();
    console.close();
    EXPECT_EQ(console.frame()[100], 0xabcdefu);
    EXPECT_THROW(console.update(), DynamicError);
    EXPECT_THROW(frame.copy(console), DynamicError);
}

}  // namespace
