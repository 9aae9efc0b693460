// peekstun-render as a user runs it: the frames and sound it writes, and its
// answer to bad options, times past the show's end, unwritable outputs and a
// missing data tree.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kRenderProgram = PEEKSTUN_BUILD_DIR "/peekstun-render";
// Under an emulator when the tests are cross-built.
const std::string kRender = PEEKSTUN_TARGET_RUNNER + kRenderProgram;

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kRenderProgram) || !fs::exists(PEEKSTUN_BUILD_DIR "/data/music/peekstun.xm"))
            GTEST_SKIP() << "the renderer or its data is not built";
        char pattern[] = "/tmp/peekstun-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Runs the tool with the build tree's data; returns its exit status.
    int render(const std::string& options, const std::string& quiet = "--quiet") {
        std::string command =
            kRender + " " + quiet + " --data " PEEKSTUN_BUILD_DIR " " + options + " 2>" + dir + "/stderr";
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
    struct Case {
        const char* options;
        const char* problem;
    };
    for (const Case& c : {
             Case{"--fps 0", "--fps 0: the frame rate is a whole number from 1 to 1000"},
             Case{"--fps -5", "--fps -5: the frame rate is a whole number from 1 to 1000"},
             Case{"--fps abc", "--fps abc: the frame rate is a whole number from 1 to 1000"},
             Case{"--scale 0", "--scale 0: the scale is a whole number from 1 to 16"},
             Case{"--from nan", "--from nan: the time is a number of seconds, 0 or more"},
             Case{"--from 20 --to 10", "--from 20 s is not before --to 10 s"},
             Case{"--from 12.5 --to 12.5", "--from 12.5 s is not before --to 12.5 s"},
             Case{"--bogus", "unknown option --bogus"},
             Case{"--quiet=1", "--quiet takes no value"},
             Case{"--fps", "--fps needs a value"},
             Case{"--still 5", "--still needs a time and a file name"},
             Case{"stray", "unexpected argument stray"},
         }) {
        EXPECT_EQ(render(c.options), 2) << c.options;
        EXPECT_EQ(errors(),
                  std::string("peekstun-render: ") + c.problem + "\nTry 'peekstun-render --help' for the options.\n");
    }
    std::string command = kRender + " --quiet --data " + dir + " 2>" + dir + "/stderr";
    int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(errors().find("SOUND: Can't load file"), std::string::npos) << errors();
}

TEST_F(RenderTool, RefusesTimesPastTheEndOfTheShowAndLeavesNoFiles) {
    const std::string pastTheEnd = " is past the end of the show (";
    EXPECT_EQ(render("--fps 10 --from 999 --wav " + dir + "/sound.wav --png " + dir + "/frames/all"), 2);
    EXPECT_EQ(errors().rfind("peekstun-render: --from 999 s" + pastTheEnd, 0), 0u) << errors();
    EXPECT_EQ(errors().find('\n'), errors().size() - 1) << errors();
    EXPECT_FALSE(fs::exists(dir + "/sound.wav"));
    EXPECT_FALSE(fs::exists(dir + "/frames"));

    EXPECT_EQ(render("--fps 10 --still 999.5 " + dir + "/still.png"), 2);
    EXPECT_EQ(errors().rfind("peekstun-render: --still 999.5 s" + pastTheEnd, 0), 0u) << errors();
    EXPECT_FALSE(fs::exists(dir + "/still.png"));
}

TEST_F(RenderTool, NamesTheFileAndTheReasonWhenAnOutputCannotBeWritten) {
    std::fclose(std::fopen((dir + "/file").c_str(), "w"));
    struct Case {
        std::string options;
        std::string message;
    };
    std::vector<Case> cases{
        {"--wav " + dir + "/missing/sound.wav",
         "cannot create " + dir + "/missing/sound.wav: No such file or directory"},
        {"--video " + dir + "/missing/show.mkv",
         "cannot create " + dir + "/missing/show.mkv: No such file or directory"},
        {"--still 1 " + dir + "/missing/still.png",
         "cannot create " + dir + "/missing/still.png: No such file or directory"},
        {"--png " + dir + "/file/frames", "cannot create directory " + dir + "/file/frames: Not a directory"},
    };
    if (fs::exists("/dev/full"))
        cases.push_back({"--to 1 --wav /dev/full", "cannot write /dev/full: No space left on device"});
    for (const Case& c : cases) {
        if (c.options.rfind("--video", 0) == 0 && std::system("ffmpeg -version >/dev/null 2>&1") != 0) continue;
        EXPECT_EQ(render("--fps 10 " + c.options), 1) << c.options;
        EXPECT_EQ(errors(), "peekstun-render: " + c.message + "\n");
    }
}

TEST_F(RenderTool, DrawsTheProgressBarOnlyOnATerminalAndNeverBesideAnError) {
    ASSERT_EQ(render("--fps 10 --to 6 --wav " + dir + "/sound.wav", ""), 0) << errors();
    EXPECT_EQ(errors().find_first_of("[\r\033"), std::string::npos) << errors();

    if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "script is not installed";
    // script gives the tool a terminal and copies what it prints to ours.
    const std::string command = "script -qec \"" + kRender + " --data " PEEKSTUN_BUILD_DIR " --fps 10 --still 999 " +
                                dir + "/still.png\" /dev/null > " + dir + "/terminal";
    std::system(command.c_str());
    std::string shown;
    if (FILE* file = std::fopen((dir + "/terminal").c_str(), "r")) {
        for (int c; (c = std::fgetc(file)) != EOF;) shown += static_cast<char>(c);
        std::fclose(file);
    }
    EXPECT_NE(shown.find("] "), std::string::npos) << shown;
    const size_t error = shown.find("peekstun-render: --still 999 s is past the end");
    ASSERT_NE(error, std::string::npos) << shown;
    EXPECT_EQ(shown[error - 1], '\n') << shown;
}

TEST_F(RenderTool, WithoutDataHereFindsItAsTheShowDoesOrNamesThePlacesSearched) {
    const std::string still = dir + "/still.png";
    const std::string elsewhere = "cd " + dir + " && PEEKSTUN_DATA=";
    const std::string tail =
        " XDG_DATA_DIRS=" + dir + "/shared " + kRender + " --quiet --still 1 " + still + " 2>" + dir + "/stderr";
    int status = std::system((elsewhere + PEEKSTUN_BUILD_DIR + tail).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0) << errors();
    EXPECT_TRUE(fs::exists(still));

    status = std::system((elsewhere + dir + "/none" + tail).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(errors().find("SOUND: Can't load file\n"), std::string::npos) << errors();
    EXPECT_NE(errors().find("peekstun-render: no data/music/peekstun.xm in " + fs::canonical(dir).string() + "/data, " +
                            dir + "/none/data, "),
              std::string::npos)
        << errors();
}
