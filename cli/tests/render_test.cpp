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
    std::string output;  // "pipe": a FIFO the test reads; "-": standard output to a file
    std::string format;
};

TEST(Render, GivesTheEnginesSamplesInEveryFormat) {
    TempFolder folder;
    ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
    for (const Case& c : std::vector<Case>{
             {{"white"}, 1700000000, 2, "a.wav", "wav"},
             {{"pink", "--volume", "100"}, 99, 3, "a.flac", "flac"},
             {{"tone", "--frequency", "440", "--amplitude", "65534"}, 0, 2, "-", "raw"},
             {{"sweep", "--period", "2", "--amplitude", "777"}, 5, 3, "pipe", "wav"},
             {{"sweep"}, 5, 3, "pipe", "flac"},
         }) {
        SCOPED_TRACE(testing::PrintToString(c.signal) + " to " + c.output + " as " + c.format);
        std::vector<std::string> words{"render"};
        words.insert(words.end(), c.signal.begin(), c.signal.end());
        const std::string out = c.output == "-" ? "-" : (folder / c.output).string();
        words.insert(words.end(), {"--seconds", std::to_string(c.seconds), "--seed",
                                   std::to_string(c.seed), "-o", out, "--format", c.format});
        Child child(words, folder.path);
        const std::string piped = c.output == "pipe" ? readFile(out) : "";
        const Finished run = child.wait();
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const fs::path written = folder / ("written." + c.format);
        std::ofstream(written, std::ios::binary) << (c.output == "pipe" ? piped : run.out);
        const fs::path file = c.output == "-" || c.output == "pipe" ? written : fs::path(out);
        EXPECT_EQ(decode(file, c.format == "raw"), engineFrames(c.signal, c.seed, c.seconds));
    }
}

TEST(Render, ReplacingAFileKeepsItsModeAndWritesThroughLinks) {
    TempFolder folder;
    std::ofstream(folder / "private.raw") << "old";
    fs::permissions(folder / "private.raw", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.raw", folder / "dangling.raw");
    for (const char* name : {"private.raw", "dangling.raw", "new.raw"}) {
        const Finished run = runCli(
            {"render", "tone", "--seconds", "1", "-o", (folder / name).string()}, folder.path);
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    const auto mode = [&](const char* name) { return fs::status(folder / name).permissions(); };
    EXPECT_EQ(mode("private.raw"), fs::perms::owner_read | fs::perms::owner_write);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(mode("new.raw"), static_cast<fs::perms>(0666 & ~mask));
    EXPECT_TRUE(fs::is_symlink(folder / "dangling.raw"));
    EXPECT_EQ(fs::file_size(folder / "target.raw"), 44100U * 4);
    EXPECT_THAT(folder.entries(),
                testing::UnorderedElementsAre("private.raw", "dangling.raw", "target.raw",
                                              "new.raw", ".stdout", ".stderr"));
}

TEST(Render, RefusesAudioToATerminalHoweverItIsNamed) {
    for (const char* output : {"-", "/dev/stdout", "/dev/tty"}) {
        // script(1) gives the program a terminal and passes on its exit code.
        const std::string command = std::string("script -qec '") + VELLUMTONE_CLI_PATH +
                                    " render white --seconds 1 --format raw -o " + output +
                                    "' /dev/null >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), kUsageError) << output;
    }
}

struct Failure {
    std::vector<std::string> tail;
    int exitCode;
    std::string mentions;
};

TEST(Render, FailuresSayWhyAndLeaveNothing) {
    TempFolder folder;
    ChildOptions small;
    small.fileSizeLimit = 500'000;  // less than three seconds of frames
    for (const Failure& f : std::vector<Failure>{
             {{"10", "-o", (folder / "no" / "x.wav").string()}, 1, "No such file or directory"},
             {{"10", "-o", (folder / "x.wav").string()}, 1, "File too large"},
             {{"10", "-o", (folder / "x.flac").string()}, 1, "File too large"},
             {{"10", "-o", "/dev/full", "--format", "flac"}, 1, "No space left on device"},
             {{"24348", "-o", (folder / "x.wav").string()}, 2, "too long for a WAV"},
         }) {
        std::vector<std::string> words{"render", "white", "--seconds"};
        words.insert(words.end(), f.tail.begin(), f.tail.end());
        SCOPED_TRACE(testing::PrintToString(words));
        const Finished run = runCli(words, folder.path, small);
        EXPECT_EQ(run.exitCode, f.exitCode);
        EXPECT_THAT(run.err, testing::StartsWith("vellumtone-cli: "));
        EXPECT_THAT(run.err, HasSubstr(f.mentions));
        EXPECT_THAT(folder.entries(), testing::UnorderedElementsAre(".stdout", ".stderr"));
    }
}

TEST(Render, InterruptedRenderLeavesNothingAndDiesOfTheSignal) {
    TempFolder folder;
    // Minute-long sweep blocks take a while to fill: the signal comes in the middle.
    Child child({"render", "sweep", "--period", "60", "--seconds", "3000", "-o",
                 (folder / "long.raw").string()},
                folder.path);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    child.signal(SIGINT);
    EXPECT_EQ(child.wait().signal, SIGINT);
    EXPECT_THAT(folder.entries(), testing::UnorderedElementsAre(".stdout", ".stderr"));
}

}  // namespace
