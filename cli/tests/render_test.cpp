// `render` end to end: its samples against the engine's own generators, the file formats,
// and what a replaced, failed or interrupted render leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include "arguments.h"
#include "engine/random_source.h"
#include "engine/signal_format.h"
#include "engine/signal_player.h"
#include "subprocess.h"

namespace {

using namespace testing_cli;
using testing::HasSubstr;

// What a playback of these settings plays from `seed`: the engine's blocks, one after another,
// the pink filter's state carried, until `seconds` are there.
std::vector<std::int16_t> engineFrames(std::vector<std::string> signal, std::uint32_t seed,
                                       std::uint32_t seconds) {
    signal.insert(signal.begin(), "render");
    signal.insert(signal.end(), {"--seconds", "1", "-o", "-"});
    std::vector<const char*> argv{"vellumtone-cli"};
    for (const auto& word : signal) {
        argv.push_back(word.c_str());
    }
    SignalPlayer& player = SignalPlayer::instance;
    parseArguments(static_cast<int>(argv.size()), argv.data());
    const GeneratorKind kind = player.generator;
    const std::uint32_t period =
        kind == GeneratorKind::FrequencySweep ? player.sweepSeconds.load() : 1;
    const std::size_t blockSamples = std::size_t{period} * 44100 * 2;
    std::vector<std::int16_t> frames((seconds + period - 1) / period * blockSamples);
    seedRandom(seed);
    double pinkState = 0.0;
    for (std::size_t at = 0; at < frames.size(); at += blockSamples) {
        player.fillBlock(kind, &frames[at], period * 44100, pinkState, period);
    }
    return frames;
}

std::vector<std::int16_t> decode(const fs::path& path, bool raw) {
    SF_INFO info{0, 44100, 2, raw ? SF_FORMAT_RAW | SF_FORMAT_PCM_16 : 0, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.channels, 2);
    // A FLAC file from a pipe does not know its length: read to the end.
    std::vector<std::int16_t> frames;
    std::vector<std::int16_t> chunk(std::size_t{44100} * 2);
    for (sf_count_t n = 0; (n = sf_readf_short(file, chunk.data(), 44100)) > 0;) {
        frames.insert(frames.end(), chunk.begin(), chunk.begin() + n * 2);
    }
    sf_close(file);
    return frames;
}

struct Case {
    std::vector<std::string> signal;
    std::uint32_t seed, seconds;
    std::string output, format;  // "-": standard output, into a pipe
};

TEST(Render, GivesTheEnginesSamplesInEveryFormat) {
    TempFolder folder;
    for (const Case& c : std::vector<Case>{
             {{"white"}, 1700000000, 2, "a.wav", "wav"},
             {{"pink", "--volume", "100"}, 99, 3, "a.flac", "flac"},
             {{"tone", "--frequency", "440", "--amplitude", "65534"}, 0, 2, "a.raw", "raw"},
             {{"sweep", "--period", "2", "--amplitude", "777"}, 5, 3, "-", "wav"},
             {{"sweep"}, 5, 3, "-", "flac"},
         }) {
        std::string command = "$cli render";
        for (const auto& word : c.signal) {
            command += " " + word;
        }
        command += " --seconds " + std::to_string(c.seconds) + " --seed " + std::to_string(c.seed) +
                   " --format " + c.format + " -o " + c.output +
                   (c.output == "-" ? " | cat >p" : "");
        SCOPED_TRACE(command);
        const Ran ran = folder.sh(command);
        ASSERT_EQ(ran.code, 0) << ran.err;
        EXPECT_EQ(decode(folder / (c.output == "-" ? "p" : c.output), c.format == "raw"),
                  engineFrames(c.signal, c.seed, c.seconds));
    }
}

TEST(Render, ReplacingAFileKeepsItsModeAndWritesThroughLinks) {
    TempFolder folder;
    const Ran ran = folder.sh(
        "echo old >private.raw && chmod 600 private.raw && ln -s target.raw dangling.raw &&\n"
        "for f in private.raw dangling.raw new.raw; do $cli render tone --seconds 1 -o $f; done");
    ASSERT_EQ(ran.code, 0) << ran.err;
    const auto mode = [&](const char* name) { return fs::status(folder / name).permissions(); };
    EXPECT_EQ(mode("private.raw"), fs::perms::owner_read | fs::perms::owner_write);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(mode("new.raw"), static_cast<fs::perms>(0666 & ~mask));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.raw"));
    EXPECT_EQ(fs::file_size(folder / "target.raw"), 44100U * 4);
    EXPECT_THAT(folder.entries(), testing::UnorderedElementsAre("private.raw", "dangling.raw",
                                                                "target.raw", "new.raw"));
}

TEST(Render, RefusesAudioToATerminalHoweverItIsNamed) {
    TempFolder folder;
    for (const char* output : {"-", "/dev/stdout", "/dev/tty"}) {
        // script(1) gives the program a terminal and passes on its exit code.
        EXPECT_EQ(folder
                      .sh(std::string("script -qec \"$cli render white --seconds 1 --format raw "
                                      "-o ") +
                          output + "\" /dev/null")
                      .code,
                  kUsageError)
            << output;
    }
}

struct Failure {
    std::string command;
    int exitCode;
    std::string mentions;
};

TEST(Render, FailuresSayWhyAndLeaveNothing) {
    TempFolder folder;
    for (const Failure& f : std::vector<Failure>{
             {"$cli render white --seconds 1 -o no/x.wav", 1, "No such file or directory"},
             {"ulimit -f 900; $cli render white --seconds 9 -o x.wav", 1, "File too large"},
             {"ulimit -f 900; $cli render white --seconds 9 -o x.flac", 1, "File too large"},
             {"$cli render white --seconds 1 -o /dev/full --format flac", 1, "No space left"},
             {"$cli render white --seconds 24348 -o x.wav", 2, "too long for a WAV"},
         }) {
        SCOPED_TRACE(f.command);
        const Ran ran = folder.sh(f.command);
        EXPECT_EQ(ran.code, f.exitCode);
        EXPECT_THAT(ran.err, testing::StartsWith("vellumtone-cli: "));
        EXPECT_THAT(ran.err, HasSubstr(f.mentions));
        EXPECT_THAT(folder.entries(), testing::IsEmpty());
    }
}

TEST(Render, InterruptedRenderLeavesNothingAndDiesOfTheSignal) {
    TempFolder folder;
    // Minute-long sweep blocks take a while to fill: the signal comes in the middle. (A
    // background job of sh ignores SIGINT, and so does the program then.)
    EXPECT_EQ(folder
                  .sh("$cli render sweep --period 60 --seconds 3000 -o long.raw & sleep 0.3\n"
                      "kill -TERM $!; wait $!")
                  .code,
              128 + SIGTERM);
    EXPECT_THAT(folder.entries(), testing::IsEmpty());
}

}  // namespace
