// peekstun-forge as a user runs it: its answer to bad options and unwritable
// places, and the summary line of the contact sheet it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string kForge = PEEKSTUN_BUILD_DIR "/peekstun-forge";

class ForgeTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/peekstun-forge-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs the tool with the arguments; returns its exit status and keeps
    // what it printed on standard error.
    int forge(const std::string& arguments) {
        const std::string command = kForge + " " + arguments + " 2>" + dir + "/stderr";
        const int status = std::system(command.c_str());
        errors.clear();
        if (FILE* file = std::fopen((dir + "/stderr").c_str(), "r")) {
            for (int c; (c = std::fgetc(file)) != EOF;) errors += static_cast<char>(c);
            std::fclose(file);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The last line printed, after the progress of the stages that ran.
    std::string lastLine() const {
        std::string text = errors;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text.substr(text.rfind('\n') + 1);  // from the start when there is no other line
    }

    std::string dir;
    std::string errors;
};

}  // namespace

TEST_F(ForgeTool, IsBuiltBesideTheShow) { EXPECT_TRUE(fs::exists(kForge)); }

TEST_F(ForgeTool, RefusesBadArgumentsWithOneLineSayingWhy) {
    struct Case {
        std::string arguments;
        std::string problem;
    };
    for (const Case& c : {
             Case{"", "no data directory given"},
             Case{"--bogus " + dir, "unknown option --bogus"},
             Case{dir + " --sheet", "--sheet needs a file name"},
             Case{dir + " other", "unexpected argument other (the data directory is " + dir + ")"},
         }) {
        EXPECT_EQ(forge(c.arguments), 2) << c.arguments;
        EXPECT_EQ(errors, "peekstun-forge: " + c.problem + "\nTry 'peekstun-forge --help' for the options.\n");
    }
}

TEST_F(ForgeTool, NamesTheFileAndTheReasonWhenItCannotWrite) {
    std::fclose(std::fopen((dir + "/file").c_str(), "w"));
    EXPECT_EQ(forge(dir + "/file/data"), 1);
    EXPECT_EQ(lastLine(), "peekstun-forge: cannot create directory " + dir + "/file/data/music: Not a directory");

    EXPECT_EQ(forge("--sheet " + dir + "/missing/sheet.png " + dir + "/data"), 1);
    EXPECT_EQ(lastLine(), "peekstun-forge: cannot create " + dir + "/missing/sheet.png: No such file or directory");
}

TEST_F(ForgeTool, ReportsTheSizeOfTheContactSheetItWrote) {
    const std::string sheet = dir + "/sheet.png";
    ASSERT_EQ(forge("--sheet " + sheet + " " + dir + "/data"), 0) << errors;
    const size_t size = fs::file_size(sheet);
    EXPECT_GT(size, 1000u);
    EXPECT_NE(errors.find(" " + std::to_string(size) + " bytes  contact sheet of 54 pictures"), std::string::npos)
        << errors;
}
