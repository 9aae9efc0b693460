// The show's command line: what each option chooses, what a bad one says,
// and the real program's answers.
#include "shell/command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct Parsed {
    std::string wrong;
    CommandLine line;
    LaunchChoices choices;
};

Parsed parse(std::initializer_list<const char*> options) {
    std::vector<std::string> words = {"peekstun"};
    words.insert(words.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    Parsed parsed;
    parsed.wrong = parseCommandLine(static_cast<int>(words.size()), argv.data(), parsed.line, parsed.choices);
    return parsed;
}

TEST(CommandLine, NoOptionsLeaveTheDialogsOwnDefaults) {
    const Parsed parsed = parse({});
    EXPECT_EQ("", parsed.wrong);
    EXPECT_FALSE(parsed.line.noDialog || parsed.line.help || parsed.line.version);
    EXPECT_TRUE(parsed.choices == LaunchChoices());
}

TEST(CommandLine, EachOptionMakesItsChoice) {
    Parsed parsed = parse({"--window", "--output", "1", "--mixer=3", "--rate", "11025", "--no-dialog"});
    EXPECT_EQ("", parsed.wrong);
    EXPECT_FALSE(parsed.choices.fullscreen);
    EXPECT_EQ(FSOUND_OUTPUT_WINMM, parsed.choices.output);
    EXPECT_EQ(FSOUND_MIXER_MMXP6, parsed.choices.mixer);
    EXPECT_EQ(11025, parsed.choices.mixRate);
    EXPECT_TRUE(parsed.line.noDialog);

    parsed = parse({"--window", "--fullscreen", "--no-sound", "--rate", "8000"});
    EXPECT_TRUE(parsed.choices.fullscreen);
    EXPECT_EQ(FSOUND_OUTPUT_NOSOUND, parsed.choices.output);
    EXPECT_EQ(8000, parsed.choices.mixRate);
    EXPECT_EQ(FSOUND_OUTPUT_DSOUND, parse({"--output", "0"}).choices.output);
    EXPECT_EQ(FSOUND_OUTPUT_NOSOUND, parse({"--output", "2"}).choices.output);
    EXPECT_TRUE(parse({"--help"}).line.help);
    EXPECT_TRUE(parse({"--version"}).line.version);
}

TEST(CommandLine, AMomentOrASceneToStartAt) {
    EXPECT_EQ(167.5, parse({"--at", "167.5"}).choices.startSeconds);
    EXPECT_EQ(167.5, parse({"--at=2:47.5"}).choices.startSeconds);
    EXPECT_EQ(0.0, parse({"--at", "0"}).choices.startSeconds);
    Parsed parsed = parse({"--at", "20", "--scene", "6"});
    EXPECT_EQ(6, parsed.choices.startScene);
    EXPECT_LT(parsed.choices.startSeconds, 0);
    parsed = parse({"--scene", "6", "--at", "20"});
    EXPECT_EQ(0, parsed.choices.startScene);
    EXPECT_EQ(20.0, parsed.choices.startSeconds);
    for (const char* bad : {"-1", "1:60", "x", "2:", "nan", "inf", ""}) {
        EXPECT_EQ(std::string("--at ") + bad + ": the moment is seconds (167.5) or minutes and seconds (2:47.5)",
                  parse({"--at", bad}).wrong);
    }
    for (const char* bad : {"0", "9", "one"}) {
        EXPECT_EQ(std::string("--scene ") + bad + ": the scene is 1 to 8", parse({"--scene", bad}).wrong);
    }
}

TEST(CommandLine, ABadOptionIsNamedInOneLine) {
    const struct {
        std::initializer_list<const char*> options;
        const char* message;
    } cases[] = {
        {{"--rate", "9000"}, "--rate 9000: the rate is 44100, 22050, 11025 or 8000"},
        {{"--rate", "44100x"}, "--rate 44100x: the rate is 44100, 22050, 11025 or 8000"},
        {{"--output", "3"}, "--output 3: the output is 0, 1 or 2"},
        {{"--output", "-1"}, "--output -1: the output is 0, 1 or 2"},
        {{"--mixer", "two"}, "--mixer two: the mixer is 0 to 3"},
        {{"--mixer"}, "--mixer needs a value"},
        {{"--colour"}, "unknown option --colour"},
        {{"-x"}, "unknown option -x"},
        {{"show.xm"}, "unexpected argument show.xm"},
    };
    for (const auto& bad : cases) EXPECT_EQ(bad.message, parse(bad.options).wrong);
}

// Standard output, standard error and the exit status of the built program.
struct ProgramRun {
    std::string output;
    int status;
};

ProgramRun runProgram(const std::string& arguments) {
    FILE* pipe = popen((PEEKSTUN_BUILD_DIR "/peekstun " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return {"", -1};
    ProgramRun run;
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CommandLine, TheProgramAnswersVersionAndHelpAndRefusesBadOptionsWithStatusTwo) {
    EXPECT_EQ(std::string("peekstun ") + PEEKSTUN_VERSION + "\n", runProgram("--version").output);
    const ProgramRun help = runProgram("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(commandLineHelp, help.output);
    const ProgramRun bad = runProgram("--rate 9000");
    EXPECT_EQ(2, bad.status);
    EXPECT_EQ("peekstun: --rate 9000: the rate is 44100, 22050, 11025 or 8000 (see peekstun --help)\n", bad.output);
}

}  // namespace
