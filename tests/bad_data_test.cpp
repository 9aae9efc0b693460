// The show's own loading run against damaged copies of its data tree. Every
// one of the 55 files is in turn missing, empty, cut at half its length,
// marked as another format (the byte that names its format inverted), and
// replaced by the same picture in the other picture format. Each case either
// stops the show with the reader's or the sound layer's message on standard
// error and a clean return, or, when the data is still a valid picture, loads
// it as the same picture and runs the show.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "image/Image.h"
#include "platform/display/ptc.h"
#include "platform/sound/fmod.h"
#include "shell/show.h"
#include "shell/sync.h"
#include "support/image_fixtures.h"

namespace fs = std::filesystem;

namespace {

const fs::path kBuiltData = fs::path(PEEKSTUN_BUILD_DIR) / "data";
const std::string kSongFile = "data/music/peekstun.xm";

const char* const kFileMissing = "Vorla error - File does not exist";
const char* const kUnsupported = "Vorla - Unsupported file format";
const char* const kUnexpectedEnd = "Vorla error - Unexpected end of file";
const char* const kNoPalette = "Vorla error - no palette in 8-bit .PCX file";
const char* const kSongUnloadable = "SOUND: Can't load file";

enum class Kind { Pcx, Tga, Module };

Kind kindOf(const std::string& path) {
    const std::string extension = fs::path(path).extension().string();
    if (extension == ".pcx") return Kind::Pcx;
    if (extension == ".tga") return Kind::Tga;
    return Kind::Module;
}

// The data files relative to the directory that holds data/, sorted.
std::vector<std::string> dataFiles() {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(kBuiltData)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name[0] != '.') {
            files.push_back(fs::relative(entry.path(), kBuiltData.parent_path()).string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// A song that is over as soon as it is polled: a show whose loading succeeds
// draws one frame and shuts down.
class FinishedSong : public SongPosition {
public:
    int order() override { return 32; }
    int row() override { return 63; }
};

// How one run of the show ended.
struct ShowOutcome {
    bool completed;
    std::string errors;  // standard error
};

LaunchChoices offlineChoices() {
    LaunchChoices choices;
    choices.output = FSOUND_OUTPUT_OFFLINE;
    return choices;
}

// Runs the whole show, from sound start to shutdown, in the working directory
// on the offscreen console, by default with the offline sound output.
ShowOutcome runShowOffline(const LaunchChoices& choices = offlineChoices()) {
    FinishedSong finished;
    ShowConfig config;
    config.offscreen = true;
    config.fixedFrameTime = 1.0 / 60;
    config.songPosition = &finished;
    config.choices = choices;
    testing::internal::CaptureStderr();
    const bool completed = runShow(config);
    return {completed, testing::internal::GetCapturedStderr()};
}

// A copy of the built data tree in a scratch directory, which is the working
// directory for as long as the copy lives.
class DamagedTree {
public:
    DamagedTree() : previous(fs::current_path()) {
        fs::copy(kBuiltData, root.path("data"), fs::copy_options::recursive);
        fs::current_path(root.path(""));
    }
    ~DamagedTree() { fs::current_path(previous); }

    // Puts the original file back.
    void restore(const std::string& file) {
        fs::copy_file(kBuiltData.parent_path() / file, file, fs::copy_options::overwrite_existing);
    }

    std::string scratch(const std::string& name) const { return root.path(name); }

private:
    ScratchDir root;
    fs::path previous;
};

std::vector<uint8_t> cutAtHalf(std::vector<uint8_t> bytes) {
    bytes.resize(bytes.size() / 2);
    return bytes;
}

// The byte a reader recognises its format by (the PCX mark, the TGA image
// type, the first letter of the XM signature), inverted.
std::vector<uint8_t> withFormatByteInverted(std::vector<uint8_t> bytes, Kind kind) {
    const size_t offset = kind == Kind::Tga ? 2 : 0;
    bytes.at(offset) = static_cast<uint8_t>(~bytes.at(offset));
    return bytes;
}

// The same picture in the other format, converted by netpbm: indexed
// pictures stay indexed (with a palette), the others are 24-bit true colour.
bool convertToOtherFormat(const std::string& from, const std::string& to, Kind kind, bool indexed) {
    const std::string command = kind == Kind::Pcx
                                    ? "pcxtoppm '" + from + "' | pamtotga -norle " + (indexed ? "-cmap" : "-rgb")
                                    : "tgatoppm '" + from + "' | ppmtopcx " + (indexed ? "-8bit" : "-24bit");
    return runQuietly(command + " > '" + to + "'");
}

bool sameColours(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const int difference = static_cast<int>((a[i] >> shift) & 0xff) - static_cast<int>((b[i] >> shift) & 0xff);
            if (std::abs(difference) > tolerance) return false;
        }
    }
    return true;
}

// An XM header announcing 65535 instruments, followed by one instrument whose
// header and sample headers all have size 0, so that every instrument and
// every one of its 65535 samples lies on the same bytes.
std::vector<uint8_t> moduleOfSelfRepeatingInstruments() {
    std::vector<uint8_t> bytes(336 + 64, 0);
    const std::string signature = "Extended Module: ";
    std::copy(signature.begin(), signature.end(), bytes.begin());
    bytes[37] = 0x1a;
    auto put16 = [&](size_t at, unsigned value) {
        bytes[at] = value & 0xff;
        bytes[at + 1] = (value >> 8) & 0xff;
    };
    put16(58, 0x0104);        // version
    put16(60, 276);           // header size
    put16(64, 1);             // song length
    put16(68, 2);             // channels
    put16(72, 0xffff);        // instruments
    put16(336 + 27, 0xffff);  // samples of the instrument
    return bytes;
}

TEST(BadModule, InstrumentsThatRepeatThemselvesAreJudgedOnce) {
    ScratchDir scratch;
    const std::string path = scratch.path("repeating.xm");
    writeFile(path, moduleOfSelfRepeatingInstruments());
    // Judging this file once took billions of steps; the decoder refuses it.
    EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
}

class BadData : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ptc_error_set_message_box(0); }

    void SetUp() override {
        if (!fs::exists(kBuiltData / "music/peekstun.xm")) GTEST_SKIP() << "no data/ in the build tree";
        files = dataFiles();
    }

    // Runs the show with `file` damaged and checks that it stops with one of
    // `messages`, and with nothing else on standard error.
    void expectStop(DamagedTree& tree, const std::string& file, const std::set<std::string>& messages,
                    const std::string& damage) {
        const ShowOutcome outcome = runShowOffline();
        tree.restore(file);
        EXPECT_FALSE(outcome.completed) << file << " " << damage << ": the show ran";
        std::string line = outcome.errors;
        if (!line.empty() && line.back() == '\n') line.pop_back();
        EXPECT_TRUE(messages.count(line)) << file << " " << damage << ": reported \"" << outcome.errors << "\"";
    }

    std::vector<std::string> files;
};

TEST_F(BadData, TheIntactTreeHoldsFiftyFiveFilesAndRunsTheShow) {
    EXPECT_EQ(files.size(), 55u);
    DamagedTree tree;
    const ShowOutcome outcome = runShowOffline();
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.errors, "");
}

// Choices the sound layer refuses stop the show with their message; a device
// the chosen output does not list leaves the output's own.
TEST_F(BadData, SoundChoicesTheSoundLayerRefusesStopTheShow) {
    DamagedTree tree;
    struct Case {
        void (*change)(LaunchChoices&);
        const char* errors;
    };
    const Case cases[] = {
        {[](LaunchChoices& c) { c.output = 7; }, "SOUND: Unable to choose the output\n"},
        {[](LaunchChoices& c) { c.mixer = 9; }, "SOUND: Unable to choose the mixer\n"},
        {[](LaunchChoices& c) { c.mixRate = 1000; }, "SOUND: Unable to init\n"},
        {[](LaunchChoices& c) { c.driver = 5; }, ""},
    };
    for (const Case& each : cases) {
        LaunchChoices choices = offlineChoices();
        each.change(choices);
        const ShowOutcome outcome = runShowOffline(choices);
        EXPECT_EQ(outcome.errors, each.errors);
        EXPECT_EQ(outcome.completed, outcome.errors.empty());
    }
}

TEST_F(BadData, AMissingFileStopsTheShowWithItsMessage) {
    DamagedTree tree;
    for (const std::string& file : files) {
        fs::remove(file);
        expectStop(tree, file, {kindOf(file) == Kind::Module ? kSongUnloadable : kFileMissing}, "missing");
    }
}

TEST_F(BadData, AnEmptyFileStopsTheShowAsUnsupported) {
    DamagedTree tree;
    for (const std::string& file : files) {
        writeFile(file, {});
        expectStop(tree, file, {kindOf(file) == Kind::Module ? kSongUnloadable : kUnsupported}, "empty");
    }
}

TEST_F(BadData, AFileCutAtHalfStopsTheShowAtItsEnd) {
    DamagedTree tree;
    for (const std::string& file : files) {
        writeFile(file, cutAtHalf(readFile(file)));
        std::set<std::string> expected;
        switch (kindOf(file)) {
            // An 8-bit PCX file has lost its palette, which closes the file;
            // a 24-bit one runs out of pixel data.
            case Kind::Pcx:
                expected = {kNoPalette, kUnexpectedEnd};
                break;
            case Kind::Tga:
                expected = {kUnexpectedEnd};
                break;
            case Kind::Module:
                expected = {kSongUnloadable};
                break;
        }
        expectStop(tree, file, expected, "cut at half");
    }
}

TEST_F(BadData, AFileWhoseFormatByteIsInvertedIsRefused) {
    DamagedTree tree;
    for (const std::string& file : files) {
        const Kind kind = kindOf(file);
        writeFile(file, withFormatByteInverted(readFile(file), kind));
        if (kind == Kind::Module) {
            expectStop(tree, file, {kSongUnloadable}, "with its signature damaged");
            continue;
        }
        if (kind == Kind::Tga) {
            expectStop(tree, file, {kUnsupported}, "with its image type inverted");
            continue;
        }
        // A PCX file without its mark is judged as TGA by its third byte,
        // which in PCX is the encoding, 1: the TGA reader must then refuse
        // what the rest of the PCX header describes.
        const ShowOutcome outcome = runShowOffline();
        tree.restore(file);
        EXPECT_FALSE(outcome.completed) << file << " without its PCX mark ran the show";
        EXPECT_EQ(outcome.errors.rfind("Vorla", 0), 0u) << file << ": reported \"" << outcome.errors << "\"";
    }
}

TEST_F(BadData, APictureInTheOtherFormatLoadsAsTheSamePicture) {
    for (const char* tool : {"pcxtoppm", "pamtotga", "tgatoppm", "ppmtopcx"}) {
        if (!toolAvailable(tool)) GTEST_SKIP() << "netpbm's " << tool << " is not installed";
    }
    DamagedTree tree;
    for (const std::string& file : files) {
        const Kind kind = kindOf(file);
        if (kind == Kind::Module) continue;
        const bool indexed = Image(file.c_str()).format().bits() == 8;
        const std::string converted = tree.scratch("converted");
        ASSERT_TRUE(convertToOtherFormat(file, converted, kind, indexed)) << file;
        // The reader is chosen by content, so the name keeps its extension.
        fs::copy_file(converted, file, fs::copy_options::overwrite_existing);
        const ShowOutcome outcome = runShowOffline();
        EXPECT_TRUE(outcome.completed) << file << " in the other format: \"" << outcome.errors << "\"";
        EXPECT_EQ(outcome.errors, "") << file;

        Image replaced(file.c_str());
        tree.restore(file);
        Image original(file.c_str());
        ASSERT_EQ(replaced.width(), original.width()) << file;
        ASSERT_EQ(replaced.height(), original.height()) << file;
        EXPECT_EQ(replaced.format().bits() == 8, original.format().bits() == 8) << file;
        // 5-bit channels are widened to 8 bits by the converter's rule, not ours.
        const int tolerance = original.format().bits() == 16 ? 8 : 0;
        EXPECT_TRUE(sameColours(coloursOf(replaced), coloursOf(original), tolerance)) << file << " changed its colours";
    }
}

TEST_F(BadData, ASongReplacedByAPictureIsNotLoaded) {
    DamagedTree tree;
    fs::copy_file("data/gfx/loading.pcx", kSongFile, fs::copy_options::overwrite_existing);
    expectStop(tree, kSongFile, {kSongUnloadable}, "replaced by a PCX picture");
    fs::copy_file("data/gfx/loading_block.tga", kSongFile, fs::copy_options::overwrite_existing);
    expectStop(tree, kSongFile, {kSongUnloadable}, "replaced by a TGA picture");
}

// The real program, started in the damaged tree: Run in the launcher
// (windowed), then the report's message box is answered. What it wrote on
// standard error, and whether it exited with status 0 within the time limit.
struct ProgramOutcome {
    bool exitedWithZero = false;
    std::string errors;
};

std::string commandOutput(const std::string& command) {
    FILE* pipe = popen(("timeout 20 " + command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return "";
    std::string output;
    char buffer[256];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    pclose(pipe);
    return output;
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = fs::exists(path) ? readFile(path) : std::vector<uint8_t>();
    return std::string(bytes.begin(), bytes.end());
}

std::string firstWindow(const std::string& search) {
    const std::string found = commandOutput("xdotool search --onlyvisible " + search);
    return found.substr(0, found.find('\n'));
}

// The error report's message box, found by its title in the window tree
// (xdotool's name search does not see it); 0 when none is shown.
unsigned long messageBoxWindow() {
    const std::string tree = commandOutput("xwininfo -root -tree");
    const size_t title = tree.find("\"Error\":");
    if (title == std::string::npos) return 0;
    const size_t line = tree.rfind('\n', title);
    return std::strtoul(tree.c_str() + (line == std::string::npos ? 0 : line + 1), nullptr, 16);
}

ProgramOutcome runRealProgram(const std::string& directory) {
    const std::string program = std::string(PEEKSTUN_BUILD_DIR) + "/peekstun";
    const std::string errorFile = directory + "/stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        // A group of its own, so that a program that never ends is stopped
        // together with any helper process it started.
        setpgid(0, 0);
        const int errors = open(errorFile.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (errors >= 0) dup2(errors, STDERR_FILENO);
        if (chdir(directory.c_str()) != 0) _exit(127);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ProgramOutcome outcome;
    bool launched = false;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(child, &status, WNOHANG) == child) {
            outcome.exitedWithZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            outcome.errors = readText(errorFile);
            return outcome;
        }
        if (!launched) {
            const std::string dialog = firstWindow("--pid " + std::to_string(child) + " --name '^Configuration$'");
            if (!dialog.empty()) {
                // Windowed, then Run.
                commandOutput("xdotool windowfocus --sync " + dialog + " key alt+f Return");
                launched = true;
            }
        } else {
            if (const unsigned long box = messageBoxWindow()) {
                // Typed to the focused box: GTK takes no keys sent to a window.
                commandOutput("xdotool windowfocus --sync " + std::to_string(box) + " key Return");
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    kill(-child, SIGKILL);
    waitpid(child, nullptr, 0);
    outcome.errors = readText(errorFile);
    return outcome;
}

TEST_F(BadData, TheRealProgramReportsDamageAndExitsWithZero) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
    if (access(PEEKSTUN_BUILD_DIR "/peekstun", X_OK) != 0) GTEST_SKIP() << "peekstun is not built yet";
    if (!toolAvailable("xdotool") || !toolAvailable("xwininfo")) GTEST_SKIP() << "xdotool and xwininfo are needed";

    struct Case {
        std::string file;
        bool cut;  // cut at half, else missing
        std::string message;
    };
    const Case cases[] = {
        {kSongFile, false, kSongUnloadable},
        {"data/gfx/n.tga", false, kFileMissing},
        {"data/gfx/credits.tga", true, kUnexpectedEnd},
    };
    DamagedTree tree;
    for (const Case& damaged : cases) {
        if (damaged.cut) {
            writeFile(damaged.file, cutAtHalf(readFile(damaged.file)));
        } else {
            fs::remove(damaged.file);
        }
        const ProgramOutcome outcome = runRealProgram(fs::current_path().string());
        tree.restore(damaged.file);
        EXPECT_TRUE(outcome.exitedWithZero) << damaged.file;
        EXPECT_NE(outcome.errors.find(damaged.message + "\n"), std::string::npos)
            << damaged.file << ": \"" << outcome.errors << "\"";
    }
}

}  // namespace
