// peekstun-render as a user runs it: the frames and sound it writes, and its
// answer to bad options and a missing data tree.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kRender = PEEKSTUN_BUILD_DIR "/peekstun-render";

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kRender) || !fs::exists(PEEKSTUN_BUILD_DIR "/data/music/peekstun.xm"))
            GTEST_SKIP() << "the renderer or its data is not built";
        char pattern[] = "/tmp/peekstun-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Runs the tool with the build tree's data; returns its exit status.
    int render(const std::string& options) {
        std::string command = kRender + " --quiet --data " PEEKSTUN_BUILD_DIR " " + options + " 2>" + dir + "/stderr";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string errors() {
        std::string text;
        if (FILE* file = std::fopen((dir + "/stderr").c_str(), "r")) {
            char buffer[512];
            size_t read;
            while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
            std::fclose(file);
        }
        return text;
    }

    std::string dir;
};

}  // namespace

TEST_F(RenderTool, WritesTheAskedRangeAsFramesAndExactlyItsSound) {
    ASSERT_EQ(render("--fps 10 --from 0.5 --to 1.5 --png " + dir + "/frames --wav " + dir + "/sound.wav"), 0)
        << errors();
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/frames")) frames += entry.path().extension() == ".png";
    EXPECT_EQ(frames, 10);
    EXPECT_TRUE(fs::exists(dir + "/frames/frame000005.png"));
    EXPECT_TRUE(fs::exists(dir + "/frames/frame000014.png"));
    // One second of 16-bit stereo at 44100 Hz behind a 44-byte header.
    EXPECT_EQ(fs::file_size(dir + "/sound.wav"), 44u + 44100u * 4u);
    EXPECT_NE(errors().find("scene 1: frame 0"), std::string::npos) << errors();
}

TEST_F(RenderTool, WritesOneStillAndStopsThere) {
    ASSERT_EQ(render("--fps 10 --still 2 " + dir + "/still.png"), 0) << errors();
    EXPECT_GT(fs::file_size(dir + "/still.png"), 1000u);
    EXPECT_NE(errors().find("21 frames"), std::string::npos) << errors();
}

TEST_F(RenderTool, RefusesBadOptionsAndReportsMissingDataAsTheShowDoes) {
    EXPECT_EQ(render("--fps 0"), 2);
    EXPECT_EQ(render("--from 5 --to 1"), 2);
    EXPECT_EQ(render("--bogus"), 2);
    std::string command = kRender + " --quiet --data " + dir + " 2>" + dir + "/stderr";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(errors().find("SOUND: Can't load file"), std::string::npos) << errors();
}
