// The tables the show computes at start-up from the math library's atan2,
// sin and cos, as checksums that must come out the same on every machine:
// the 2D tunnel's angle and depth table, the flower map and the curve tables.
// Math libraries differ in the last bit of some results (glibc picks other
// code on x86-64 processors without FMA, aarch64 and musl compile their own);
// the tables truncate or round those results, and none of their entries lies
// close enough to a step for that bit to move it: these values came out the
// same from glibc with and without its FMA code, from aarch64's glibc and from
// musl. A failure here names the table before any frame shows it.
#include "shell/tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effects/c2DTunnel.h"
#include "effects/cFlower.h"

namespace {

uint64_t checksum(const void* data, size_t size) {
    uint64_t hash = 1469598103934665603ull;  // FNV-1a
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

TEST(StartupTables, AreTheSameOnEveryMachine) {
    // The sizes and parameters the show's scenes build them with.
    const std::vector<uint16_t> tunnel = buildTunnelTable(320, 240, 3000);
    EXPECT_EQ(checksum(tunnel.data(), tunnel.size() * sizeof(uint16_t)), 0x9d46159619f41d99ull) << "2D tunnel";

    std::vector<uint8_t> flower(640 * 480);
    fillFlowerMap(flower.data(), 640, 480, 1.0f, 0.3f, 18, 13);
    EXPECT_EQ(checksum(flower.data(), flower.size()), 0x73a644ad1ef18fb5ull) << "flower map";

    CurveTables curves;
    computeCurveTables(curves);
    EXPECT_EQ(checksum(curves.plasma, sizeof curves.plasma), 0x2afdae0a550b6c84ull) << "plasma";
    EXPECT_EQ(checksum(curves.curveX1, sizeof curves.curveX1), 0x20f29e52b9c0b533ull) << "first ring";
    EXPECT_EQ(checksum(curves.curveX2, sizeof curves.curveX2), 0xe10500bd4d870cc3ull) << "second ring";
    EXPECT_EQ(checksum(curves.curveX3, sizeof curves.curveX3), 0xf2889de0a0dba002ull) << "third ring";
}
