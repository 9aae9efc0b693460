// Where the show looks for its data, in order, and what it says when no place
// holds the song.
#include "shell/data_location.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A scratch directory as the working directory, with places that may hold a song.
class DataLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("peekstun-data-" + std::to_string(getpid()));
        fs::create_directories(root / "work");
        previous = fs::current_path();
        fs::current_path(root / "work");
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(root);
    }
    // Puts a song under `directory`/data.
    std::string withSong(const std::string& directory) {
        const fs::path music = root / directory / "data" / "music";
        fs::create_directories(music);
        std::ofstream(music / "peekstun.xm") << "song";
        return (root / directory).string();
    }
    std::string place(const std::string& directory) { return (root / directory).string(); }

    fs::path root;
    fs::path previous;
};

TEST_F(DataLocationTest, TakesTheFirstPlaceHoldingTheSongInTheShowsOrder) {
    const std::string program = place("prefix/bin");
    fs::create_directories(program);
    const std::string installed = withSong("prefix/share/peekstun");
    const std::string xdg = withSong("xdg2/peekstun");
    const std::string xdgList = place("xdg1") + ":" + place("xdg2");

    // Nothing in the working directory and no variable: the installed data.
    EXPECT_EQ(installed, searchShowData(program, nullptr, xdgList.c_str()).found);
    // The variable comes before the installed data...
    const std::string variable = withSong("mine");
    EXPECT_EQ(variable, searchShowData(program, variable.c_str(), xdgList.c_str()).found);
    // ...and the working directory before everything.
    withSong("work");
    EXPECT_EQ(".", searchShowData(program, variable.c_str(), xdgList.c_str()).found);
    // With no program directory known, the data directories follow the variable.
    fs::remove_all(root / "work" / "data");
    EXPECT_EQ(xdg, searchShowData("", nullptr, xdgList.c_str()).found);
}

TEST_F(DataLocationTest, ADataDirectoryWithoutTheSongDoesNotCount) {
    fs::create_directories(root / "work" / "data" / "gfx");
    const std::string variable = withSong("mine");
    EXPECT_EQ(variable, searchShowData("", variable.c_str(), "").found);
}

TEST_F(DataLocationTest, NamesEveryPlaceSearchedWhenNoneHoldsTheSong) {
    const std::string list = "::" + place("a") + "::" + place("b") + ":";
    const DataSearch search = searchShowData(place("prefix/bin"), place("mine").c_str(), list.c_str());
    EXPECT_EQ("", search.found);
    const std::string work = fs::canonical(root / "work").string();
    EXPECT_EQ("no data/music/peekstun.xm in " + work + "/data, " + place("mine") + "/data, " +
                  place("prefix/share/peekstun") + "/data, " + place("a") + "/peekstun/data, " + place("b") +
                  "/peekstun/data",
              describeSearchedPlaces(search));
    // Unset or empty, the data directories are the freedesktop defaults.
    const DataSearch defaults = searchShowData("", "", nullptr);
    ASSERT_EQ(3u, defaults.searched.size());
    EXPECT_EQ("/usr/local/share/peekstun/data", defaults.searched[1]);
    EXPECT_EQ("/usr/share/peekstun/data", defaults.searched[2]);
}

}  // namespace
