// The whole show rendered offline at 10 frames per second: its scenes start on
// the right orders, it ends on the last row, no frame is black, and the frames
// at fixed times match their recorded checksums.
//
// After an intended change to what the show draws, refresh the checksums with
//   PEEKSTUN_UPDATE_GOLDEN=1 build/tests/golden_frames_test
// and commit tests/golden/frames.txt with the change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "shell/frame_checksum.h"
#include "shell/offline_show.h"

namespace {

constexpr int kFps = 10;
const char* const kGoldenFile = PEEKSTUN_SOURCE_DIR "/tests/golden/frames.txt";

// One or more frames in every scene, by time in seconds.
const double kCheckedTimes[] = {0.0,   5.0,   20.0,  30.0,  50.0,  60.0,  80.0,  100.0, 115.0, 125.0,
                                145.0, 160.0, 175.0, 190.0, 205.0, 225.0, 236.0, 240.0, 245.0};

class GoldenRun : public OfflineShow {
public:
    GoldenRun() : OfflineShow(kFps) {
        for (double time : kCheckedTimes) wanted.insert({static_cast<long>(time * kFps + 0.5), 0});
    }

    void sceneStarted(int scene, int order) override { starts.push_back({scene, order}); }

    std::map<long, uint64_t> wanted;
    std::vector<std::pair<int, int>> starts;
    long blackFrames = 0;

private:
    void frameRendered(DynamicSurface& frame, const FrameInfo&, const int16_t*, size_t) override {
        const uint32_t* pixels = static_cast<const uint32_t*>(frame.lock());
        bool black = true;
        for (int i = 0; i < 320 * 240 && black; ++i) black = pixels[i] == 0;
        // The show's very first frame is drawn from a blank start, so every frame counts.
        if (black) ++blackFrames;
        auto found = wanted.find(frameCount());
        if (found != wanted.end()) found->second = frameChecksum(pixels, 320 * 240);
        frame.unlock();
    }
};

std::map<long, uint64_t> readGolden() {
    std::map<long, uint64_t> golden;
    std::ifstream in(kGoldenFile);
    long frame;
    std::string hex;
    while (in >> frame >> hex) golden[frame] = std::stoull(hex, nullptr, 16);
    return golden;
}

void writeGolden(const std::map<long, uint64_t>& frames) {
    std::filesystem::create_directories(std::filesystem::path(kGoldenFile).parent_path());
    std::ofstream out(kGoldenFile);
    for (const auto& [frame, sum] : frames) {
        std::ostringstream hex;
        hex << std::hex << sum;
        out << frame << " " << hex.str() << "\n";
    }
}

}  // namespace

TEST(GoldenFrames, WholeShowMatchesItsRecordedFrames) {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(PEEKSTUN_BUILD_DIR);
    if (!std::filesystem::exists("data/music/peekstun.xm")) GTEST_SKIP() << "no data/ in the build tree";

    GoldenRun run;
    bool completed = run.run();
    std::filesystem::current_path(previous);
    ASSERT_TRUE(completed);

    EXPECT_EQ(run.starts,
              (std::vector<std::pair<int, int>>{{1, 0}, {2, 3}, {3, 7}, {4, 14}, {5, 18}, {6, 22}, {7, 26}, {8, 31}}));
    // Row 63 of order 31 begins at 245.64 s: the frame whose sound reaches it is the last.
    EXPECT_EQ(run.frameCount(), 2457);
    EXPECT_EQ(run.blackFrames, 0);

    if (std::getenv("PEEKSTUN_UPDATE_GOLDEN")) {
        writeGolden(run.wanted);
        GTEST_SKIP() << "recorded " << run.wanted.size() << " checksums in " << kGoldenFile;
    }
    std::map<long, uint64_t> golden = readGolden();
    ASSERT_FALSE(golden.empty()) << "no checksums in " << kGoldenFile;
    for (const auto& [frame, sum] : run.wanted) {
        EXPECT_EQ(sum, golden[frame]) << "frame " << frame << " (" << static_cast<double>(frame) / kFps << " s)";
    }
}
