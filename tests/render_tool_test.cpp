// peekstun-render as a user runs it: the frames, sound and videos it writes,
// and its answer to bad options, times past the show's end, unwritable
// outputs, a failing ffmpeg and a missing data tree.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

    // The whole file's bytes; "" when it cannot be read.
    static std::string contents(const std::string& path) {
        std::string text;
        if (FILE* file = std::fopen(path.c_str(), "rb")) {
            char buffer[65536];
            size_t read;
            while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
            std::fclose(file);
        }
        return text;
    }

    // ffmpeg's decoding of `input` (with its input options) into the raw
    // format `output` names; "" when ffmpeg fails, its messages kept.
    std::string decoded(const std::string& input, const std::string& output) {
        const std::string path = dir + "/decoded";
        const std::string command =
            "ffmpeg -nostdin -loglevel error -y " + input + " " + output + " " + path + " 2>>" + dir + "/ffmpeg";
        if (std::system(command.c_str()) != 0) return "";
        return contents(path);
    }

    // A PNG's pixels as rows of RGB bytes, through netpbm; "" when it cannot be read.
    std::string pngPixels(const std::string& path, int& width, int& height) {
        const std::string ppm = dir + "/picture.ppm";
        if (std::system(("pngtopnm " + path + " >" + ppm + " 2>>" + dir + "/netpbm").c_str()) != 0) return "";
        const std::string file = contents(ppm);
        int maximum = 0;
        int headerEnd = 0;
        if (std::sscanf(file.c_str(), "P6 %d %d %d%n", &width, &height, &maximum, &headerEnd) != 3 || maximum != 255)
            return "";
        return file.substr(headerEnd + 1);
    }

    // The names in the test's directory, sorted.
    std::vector<std::string> entries() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir;
};

const std::string kRgb = "-f rawvideo -pix_fmt rgb24";

// Where a placed frame should hold the 320 x 240 picture.
struct VideoPlacementCheck {
    int width;
    int height;
    int factor;
    int x;
    int y;
    int pictureWidth;
    int pictureHeight;
};

bool hasFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

uint8_t byteAt(const std::string& rgb, int width, int x, int y, int channel) {
    return static_cast<uint8_t>(rgb[(static_cast<size_t>(y) * width + x) * 3 + channel]);
}

// Counts the pixels of a placed frame that are wrong: bars not black, or a
// picture pixel outside the range of the source pixels it is smoothed from
// (give or take one) after the nearest-pixel step. `source` is 320 x 240.
int misplacedPixels(const std::string& placed, const std::string& source, const VideoPlacementCheck& check) {
    // The two magnified pixels `at` falls between, as source coordinates.
    auto between = [&check](int at, int from, int to) {
        const int magnified = check.factor * from;
        const double position = (at + 0.5) * magnified / to - 0.5;
        const int low = std::clamp(static_cast<int>(std::floor(position)), 0, magnified - 1);
        return std::make_pair(low / check.factor, std::min(low + 1, magnified - 1) / check.factor);
    };
    int wrong = 0;
    for (int y = 0; y < check.height; ++y) {
        for (int x = 0; x < check.width; ++x) {
            const bool inside =
                x >= check.x && x < check.x + check.pictureWidth && y >= check.y && y < check.y + check.pictureHeight;
            for (int c = 0; c < 3; ++c) {
                const int value = byteAt(placed, check.width, x, y, c);
                if (!inside) {
                    wrong += value != 0;
                    continue;
                }
                const auto [left, right] = between(x - check.x, 320, check.pictureWidth);
                const auto [top, bottom] = between(y - check.y, 240, check.pictureHeight);
                const int corners[] = {byteAt(source, 320, left, top, c), byteAt(source, 320, right, top, c),
                                       byteAt(source, 320, left, bottom, c), byteAt(source, 320, right, bottom, c)};
                wrong += value < *std::min_element(corners, corners + 4) - 1 ||
                         value > *std::max_element(corners, corners + 4) + 1;
            }
        }
    }
    return wrong;
}

}  // namespace

TEST_F(RenderTool, WritesTheAskedRangeAsFramesAndExactlyItsSound) {
    ASSERT_EQ(render("--fps 10 --from 0.5 --to 1.5 --png " + dir + "/frames --wav " + dir + "/sound.wav", ""), 0)
        << errors();
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(dir + "/frames")) frames += entry.path().extension() == ".png";
    EXPECT_EQ(frames, 10);
    EXPECT_TRUE(fs::exists(dir + "/frames/frame000005.png"));
    EXPECT_TRUE(fs::exists(dir + "/frames/frame000014.png"));
    // One second of 16-bit stereo at 44100 Hz behind a 44-byte header.
    EXPECT_EQ(fs::file_size(dir + "/sound.wav"), 44u + 44100u * 4u);
    // The frames before 0.5 s were replayed, not rendered: the scene listed is the one the seek landed in.
    EXPECT_EQ(errors().find("scene 1: frame 0,"), std::string::npos) << errors();
    EXPECT_NE(errors().find("scene 1: frame 5, 0.500 s, sought"), std::string::npos) << errors();
}

TEST_F(RenderTool, WritesOneStillAndStopsThere) {
    ASSERT_EQ(render("--fps 10 --still 2 " + dir + "/still.png", ""), 0) << errors();
    EXPECT_GT(fs::file_size(dir + "/still.png"), 1000u);
    EXPECT_NE(errors().find("21 frames"), std::string::npos) << errors();
    ASSERT_EQ(render("--fps 10 --still 2 " + dir + "/still.png"), 0) << errors();
    EXPECT_EQ(errors(), "") << "--quiet prints nothing but errors";
}

// --scale and --size shape stills and PNG frames as they shape the video. In
// 1920x1080 the picture is 1440x1080 between bars of 240: magnified four
// times by nearest pixel, then smoothed.
TEST_F(RenderTool, StillsAndFramesTakeTheScaleAndSizeOfTheVideo) {
    ASSERT_EQ(render("--fps 10 --still 2 " + dir + "/plain.png"), 0) << errors();
    ASSERT_EQ(render("--fps 10 --scale 2 --still 2 " + dir + "/doubled.png"), 0) << errors();
    ASSERT_EQ(
        render("--fps 10 --size 1920x1080 --still 2 " + dir + "/full.png --from 2 --to 2.1 --png " + dir + "/frames"),
        0)
        << errors();
    int width = 0;
    int height = 0;
    const std::string plain = pngPixels(dir + "/plain.png", width, height);
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 240);

    const std::string doubled = pngPixels(dir + "/doubled.png", width, height);
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    EXPECT_EQ(misplacedPixels(doubled, plain, {640, 480, 2, 0, 0, 640, 480}), 0);
    int notBlocks = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            for (int c = 0; c < 3; ++c)
                notBlocks += byteAt(doubled, 640, x, y, c) != byteAt(plain, 320, x / 2, y / 2, c);
        }
    }
    EXPECT_EQ(notBlocks, 0);

    const std::string full = pngPixels(dir + "/full.png", width, height);
    ASSERT_EQ(width, 1920);
    ASSERT_EQ(height, 1080);
    EXPECT_EQ(misplacedPixels(full, plain, {1920, 1080, 4, 240, 0, 1440, 1080}), 0);
    // A PNG frame of the range holds the still of the same moment.
    EXPECT_TRUE(pngPixels(dir + "/frames/frame000020.png", width, height) == full);
}

std::string sizeProblem(const std::string& size) {
    return "--size " + size + ": the size is WIDTHxHEIGHT in even numbers of pixels up to 8192, such as 1920x1080";
}

TEST_F(RenderTool, RefusesBadOptionsAndReportsMissingDataAsTheShowDoes) {
    EXPECT_EQ(render("--fps 0"), 2);
    EXPECT_EQ(render("--from 5 --to 1"), 2);
    EXPECT_EQ(render("--bogus"), 2);
    struct Case {
        const char* options;
        std::string problem;
    };
    for (const Case& c : {
             Case{"--fps 0", "--fps 0: the frame rate is a whole number from 1 to 1000"},
             Case{"--fps -5", "--fps -5: the frame rate is a whole number from 1 to 1000"},
             Case{"--fps abc", "--fps abc: the frame rate is a whole number from 1 to 1000"},
             Case{"--scale 0", "--scale 0: the scale is a whole number from 1 to 16"},
             Case{"--size 1920", sizeProblem("1920")},
             Case{"--size 701x500", sizeProblem("701x500")},
             Case{"--size 0x0", sizeProblem("0x0")},
             Case{"--size 9000x4000", sizeProblem("9000x4000")},
             Case{"--scale 2 --size 640x480", "--scale and --size cannot be used together"},
             Case{"--quality best", "--quality best: the quality is share or archive"},
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
        // Frames are written on other threads; the failure still ends the run.
        {"--png " + dir + "/blocked", "cannot create " + dir + "/blocked/frame000003.png: Is a directory"},
    };
    fs::create_directories(dir + "/blocked/frame000003.png");
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

TEST_F(RenderTool, LosslessVideoHoldsExactlyTheFramesAndTheSoundWritten) {
    if (!hasFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    // Seconds at the show's own rate, so ffmpeg lags behind the renderer at
    // the end, with 2.6 s of sound ending in an almost whole block of ffmpeg's.
    ASSERT_EQ(
        render("--from 1 --to 3.6 --png " + dir + "/frames --wav " + dir + "/sound.wav --video " + dir + "/show.mkv"),
        0)
        << errors();
    const std::string frames = decoded("-start_number 60 -i " + dir + "/frames/frame%06d.png", kRgb);
    ASSERT_EQ(frames.size(), 156u * 320 * 240 * 3) << contents(dir + "/ffmpeg");
    EXPECT_TRUE(decoded("-i " + dir + "/show.mkv", "-map 0:v " + kRgb) == frames);
    const std::string sound = contents(dir + "/sound.wav").substr(44);
    EXPECT_TRUE(decoded("-i " + dir + "/show.mkv", "-map 0:a -f s16le") == sound);
    // Only the finished video is left beside the other outputs.
    EXPECT_EQ(entries(), (std::vector<std::string>{"decoded", "ffmpeg", "frames", "show.mkv", "sound.wav", "stderr"}));
}

// --size 700x500 fits the 320x240 picture as 666x500 between bars of 17 and
// 17 pixels: doubled by nearest pixel to 640x480, then smoothed to 666x500.
// --size 700x480 needs the doubling alone. The PNG frames written beside the
// video are the video's frames.
TEST_F(RenderTool, SizedVideoPlacesThePictureAsTheFullScreenDoes) {
    if (!hasFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_EQ(render("--fps 10 --still 2 " + dir + "/plain.png"), 0) << errors();
    ASSERT_EQ(
        render("--fps 10 --from 2 --to 2.1 --png " + dir + "/smooth --video " + dir + "/smooth.mkv --size 700x500"), 0)
        << errors();
    ASSERT_EQ(render("--fps 10 --from 2 --to 2.1 --png " + dir + "/exact --video " + dir + "/exact.mkv --size 700x480"),
              0)
        << errors();
    int width = 0;
    int height = 0;
    const std::string source = pngPixels(dir + "/plain.png", width, height);
    ASSERT_EQ(source.size(), 320u * 240 * 3);

    const std::string exact = decoded("-i " + dir + "/exact.mkv", kRgb);
    ASSERT_EQ(exact.size(), 700u * 480 * 3) << contents(dir + "/ffmpeg");
    int wrong = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 700; ++x) {
            for (int c = 0; c < 3; ++c) {
                const bool inside = x >= 30 && x < 670;
                wrong += byteAt(exact, 700, x, y, c) != (inside ? byteAt(source, 320, (x - 30) / 2, y / 2, c) : 0);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(pngPixels(dir + "/exact/frame000020.png", width, height) == exact);

    const std::string smooth = decoded("-i " + dir + "/smooth.mkv", kRgb);
    ASSERT_EQ(smooth.size(), 700u * 500 * 3);
    EXPECT_EQ(misplacedPixels(smooth, source, {700, 500, 2, 17, 0, 666, 500}), 0);
    EXPECT_TRUE(pngPixels(dir + "/smooth/frame000020.png", width, height) == smooth);
}

TEST_F(RenderTool, ReportsAFailingFfmpegAndLeavesNoVideoBehind) {
    if (!hasFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    // ffmpeg knows no container by this name and stops at once.
    EXPECT_EQ(render("--fps 10 --to 2 --video " + dir + "/show.unknown"), 1);
    EXPECT_NE(errors().find("peekstun-render: ffmpeg "), std::string::npos) << errors();
    EXPECT_EQ(entries(), std::vector<std::string>{"stderr"});
}
