// Seeking the offline show: the frames after a seek to a scene's start or to
// any moment equal those of the show played from its start, at two frame
// rates; pause, resume and stepping through keys on the offscreen console.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "platform/display/DynamicKey.h"
#include "platform/display/ptc.h"
#include "shell/frame_checksum.h"
#include "shell/offline_show.h"
#include "shell/player_commands.h"
#include "support/in_build_tree.h"

namespace {

constexpr int kFramesAfterSeek = 2;

uint64_t checksum(DynamicSurface& frame) {
    const auto* pixels = static_cast<const uint32_t*>(frame.lock());
    const uint64_t sum = frameChecksum(pixels, 320 * 240);
    frame.unlock();
    return sum;
}

// Records the checksums of chosen frames, by their frame number.
class Recording : public OfflineShow {
public:
    explicit Recording(int fps) : OfflineShow(fps) {}

    void sceneStarted(int, int) override { sceneStarts.push_back(frameCount()); }

    std::map<long, uint64_t> sums;
    std::vector<long> sceneStarts;

protected:
    void frameRendered(DynamicSurface& frame, const FrameInfo&, const int16_t*, size_t) override {
        sums[frameCount()] = checksum(frame);
        afterFrame(frameCount());
    }
    virtual void afterFrame(long) {}
};

// Goes to each target in turn through the player's posted commands, keeping the
// frames that follow each.
class Seeking : public Recording {
public:
    Seeking(int fps, std::vector<long> targets) : Recording(fps), targets(std::move(targets)) {}

    bool wantsMoreFrames() override { return next <= targets.size(); }
    std::vector<long> landed;  // the frame each seek went on from

private:
    void frameSought(long frame) override {
        landed.push_back(frame);
        left = kFramesAfterSeek;
    }
    void afterFrame(long) override {
        if (--left > 0) return;
        if (next < targets.size()) postPlayerCommand({PlayerCommand::Kind::SeekTo, double(targets[next]) / fps()});
        ++next;
    }

    std::vector<long> targets;
    size_t next = 0;
    int left = 1;
};

class ShowSeeking : public InBuildTree<::testing::TestWithParam<int>> {};

TEST_P(ShowSeeking, FramesAfterASeekAreThoseOfTheShowFromItsStart) {
    const int fps = GetParam();
    Recording reference(fps);
    ASSERT_TRUE(reference.run());
    const long frames = reference.frameCount();
    ASSERT_EQ(reference.sceneStarts.size(), 8u);

    // Every scene's start, 30 moments, and back to the very start.
    std::vector<long> targets(reference.sceneStarts.begin(), reference.sceneStarts.end());
    std::mt19937 random(fps);
    for (int i = 0; i < 30; ++i) targets.push_back(std::uniform_int_distribution<long>(1, frames - 3)(random));
    targets.push_back(0);

    Seeking seeking(fps, targets);
    ASSERT_TRUE(seeking.run());
    ASSERT_EQ(seeking.landed, targets);
    for (long target : targets) {
        for (long f = target; f < target + kFramesAfterSeek; ++f) {
            ASSERT_TRUE(seeking.sums.count(f)) << "frame " << f;
            EXPECT_EQ(seeking.sums[f], reference.sums[f]) << "frame " << f << " after a seek to " << target;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FrameRates, ShowSeeking, ::testing::Values(60, 25));

}  // namespace
