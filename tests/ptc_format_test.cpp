// Pixel formats: what they report, and which descriptions are refused.
#include <gtest/gtest.h>

#include "platform/display/DynamicError.h"
#include "platform/display/DynamicFormat.h"

namespace {

TEST(Format, DirectFormatsReportTheirMasksAndBytes) {
    const DynamicFormat frame(32, 0xff0000, 0x00ff00, 0x0000ff);
    EXPECT_EQ(frame.bits(), 32);
    EXPECT_EQ(frame.bytes(), 4);
    EXPECT_TRUE(frame.direct());
    EXPECT_FALSE(frame.indexed());
    EXPECT_EQ(frame.r(), 0xff0000);
    EXPECT_EQ(frame.g(), 0x00ff00);
    EXPECT_EQ(frame.b(), 0x0000ff);
    EXPECT_EQ(frame.a(), 0);
    EXPECT_EQ(DynamicFormat(16, 0x7c00, 0x03e0, 0x001f).bytes(), 2);
    EXPECT_EQ(DynamicFormat(24, 0xff0000, 0x00ff00, 0x0000ff).bytes(), 3);
    EXPECT_EQ(DynamicFormat(32, 0xff0000, 0xff00, 0xff, int32_t(0xff000000)).a(), int32_t(0xff000000));
}

TEST(Format, IndexedAndEmptyFormats) {
    const DynamicFormat indexed(8);
    EXPECT_TRUE(indexed.indexed());
    EXPECT_FALSE(indexed.direct());
    EXPECT_EQ(indexed.bytes(), 1);
    const DynamicFormat empty;
    EXPECT_FALSE(empty.indexed());
    EXPECT_FALSE(empty.direct());
    EXPECT_EQ(empty.bits(), 0);
    EXPECT_EQ(empty.bytes(), 0);
}

TEST(Format, InconsistentDescriptionsAreRefused) {
    EXPECT_THROW(DynamicFormat(12, 0xf00, 0x0f0, 0x00f), DynamicError);           // no such width
    EXPECT_THROW(DynamicFormat(0, 0, 0, 0), DynamicError);                        // nothing at all
    EXPECT_THROW(DynamicFormat(16, 0xff0000, 0x00ff00, 0x0000ff), DynamicError);  // red beyond 16 bits
    EXPECT_THROW(DynamicFormat(32, 0xff0000, 0x0ff000, 0x0000ff), DynamicError);  // red and green overlap
    EXPECT_THROW(DynamicFormat(32, 0xf0f000, 0x000f00, 0x0000ff), DynamicError);  // red has a gap
    EXPECT_THROW(DynamicFormat(32, 0xff0000, 0, 0x0000ff), DynamicError);         // no green
    EXPECT_THROW(DynamicFormat(32, 0xff0000, 0xff00, 0xff, 0x80), DynamicError);  // alpha overlaps blue
    EXPECT_THROW(DynamicFormat(4), DynamicError);
    EXPECT_THROW(DynamicFormat(16), DynamicError);
    try {
        DynamicFormat(16, 0xff0000, 0x00ff00, 0x0000ff);
    } catch (const DynamicError& error) {
        EXPECT_NE(std::string(error.message()).find("0xff0000"), std::string::npos) << error.message();
    }
}

}  // namespace
