// `render` end to end: its samples against the reference generators, the file formats, and
// what a replaced, failed or interrupted render leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <tuple>

#include "engine/testing/reference_signal.h"
#include "subprocess.h"

namespace {

using namespace testing_cli;
using testing::HasSubstr;
using K = GeneratorKind;

// What a playback of these settings plays: whole blocks, the pink filter's state and the
// random source carried on, until `seconds` are there; both channels alike.
std::vector<short> expected(const ReferenceSettings& s, std::uint32_t seconds) {
    double y = 0.0;
    ReferenceRandom random(s.seed);
    std::vector<short> frames;
    while (frames.size() < std::size_t{seconds} * 44100 * 2) {
        for (const int sample : reference(s, y, random, framesOf(s))) {
            frames.insert(frames.end(), 2, static_cast<short>(sample));
        }
    }
    return frames;
}

// The frames of a file as libsndfile reads them (raw files as 16-bit stereo).
std::vector<short> decode(const fs::path& path, int format) {
    SF_INFO info{0, 44100, 2, format, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> frames(static_cast<std::size_t>(info.frames) * 2);
    EXPECT_EQ(sf_readf_short(file, frames.data(), info.frames), info.frames) << sf_strerror(file);
    sf_close(file);
    return frames;
}

// The WAV file libsndfile writes for these frames.
std::string wavOf(const std::vector<short>& frames, const fs::path& path) {
    SF_INFO info{0, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    sf_writef_short(file, frames.data(), static_cast<sf_count_t>(frames.size() / 2));
    sf_close(file);
    return readFile(path);
}

TEST(Render, GivesTheReferenceSamplesInEveryFormat) {
    // The settings, the command ("-o -" goes into a pipe) and its seconds.
    for (const auto& [settings, tail, seconds] :
         std::vector<std::tuple<ReferenceSettings, std::string, std::uint32_t>>{
             {{.kind = K::WhiteNoise, .seed = 1700000000}, "white --seed 1700000000 -o a.wav", 2},
             {{.kind = K::PinkNoise, .amplitude = 65534, .seed = 99},
              "pink --volume 100 --seed 99 -o a.flac",
              3},
             {{.kind = K::PureTone, .amplitude = 65534, .toneFrequency = 440, .seed = 0},
              "tone --frequency 440 --amplitude 65534 --seed 0 -o a.raw",
              2},
             {{.kind = K::FrequencySweep, .amplitude = 777, .seed = 5},
              "sweep --period 2 --amplitude 777 --seed 5 --format wav -o - | cat >a.wav",
              3},
             {{.kind = K::FrequencySweep, .seed = 5},
              "sweep --seed 5 --format flac -o - >a.flac",
              3},
         }) {
        const std::string command = "$cli render --seconds " + std::to_string(seconds) + " " + tail;
        SCOPED_TRACE(command);
        const TempFolder folder;
        const Ran ran = folder.sh(command);
        ASSERT_EQ(ran.code, 0) << ran.err;
        const std::string name = folder.entries().at(0);
        const std::vector<short> frames = expected(settings, seconds);
        if (name == "a.wav") {
            // Byte for byte the file libsndfile writes: every header field is checked.
            EXPECT_TRUE(readFile(folder / name) == wavOf(frames, folder / "b.wav"));
        }
        const int raw = SF_FORMAT_RAW | SF_FORMAT_PCM_16;
        EXPECT_TRUE(decode(folder / name, name == "a.raw" ? raw : 0) == frames);
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

// script(1) gives the program a terminal and passes on its exit code. (A background job of
// sh ignores SIGINT, and so does the program then: SIGTERM interrupts.)
TEST(Render, FailuresSayWhyAndLeaveNothing) {
    TempFolder folder;
    const std::string onATerminal = "script -qec \"$cli render white --seconds 1 --format raw -o ";
    // The command, its exit code and what it says (empty: nothing).
    for (const auto& [command, exitCode, mentions] :
         std::vector<std::tuple<std::string, int, std::string>>{
             {"$cli render white --seconds 1 -o no/x.wav", 1, "No such file or directory"},
             {"ulimit -f 900; $cli render white --seconds 9 -o x.wav", 1, "File too large"},
             {"ulimit -f 900; $cli render white --seconds 9 -o x.flac", 1, "File too large"},
             {"$cli render white --seconds 1 -o /dev/full --format flac", 1, "No space left"},
             {"$cli render white --seconds 24348 -o x.wav", 2, "too long for a WAV"},
             {onATerminal + "-\" /dev/null", 2, ""},
             {onATerminal + "/dev/stdout\" /dev/null", 2, ""},
             {onATerminal + "/dev/tty\" /dev/null", 2, ""},
             {"$cli render sweep --period 60 --seconds 3000 -o x.raw & sleep 0.3; kill -TERM $!; "
              "wait $!",
              128 + SIGTERM, ""},
         }) {
        SCOPED_TRACE(command);
        const Ran ran = folder.sh(command);
        EXPECT_EQ(ran.code, exitCode);
        if (!mentions.empty()) {
            EXPECT_THAT(ran.err, testing::StartsWith("vellumtone-cli: "));
            EXPECT_THAT(ran.err, HasSubstr(mentions));
        }
        EXPECT_THAT(folder.entries(), testing::IsEmpty());
    }
}

}  // namespace
