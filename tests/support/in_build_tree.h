// A test run inside the build tree, where the show finds data/: skipped when
// the data tool has not painted it, and the working directory given back
// afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

template <class Base = ::testing::Test>
class InBuildTree : public Base {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(PEEKSTUN_BUILD_DIR);
        if (!std::filesystem::exists("data/music/peekstun.xm")) GTEST_SKIP() << "no data/ in the build tree";
    }
    void TearDown() override { std::filesystem::current_path(previous); }

private:
    std::filesystem::path previous;
};
