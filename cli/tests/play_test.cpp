// `play` end to end: through the private PulseAudio's default sink once, recorded from its
// monitor; the rest through SDL's dummy driver, which needs no sound server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/testing/test_services.h"
#include "subprocess.h"

namespace {

using namespace testing_cli;
using testing::ContainsRegex;
using testing::HasSubstr;
using testing::MatchesRegex;
using testing::Not;

TEST(Play, ThroughTheSoundServerUntilStopped) {
    const char* server = std::getenv("PULSE_SERVER");
    SKIP_OR_FAIL_UNLESS(server && runProgram({"pactl", "info"}), "PulseAudio");
    TempFolder folder;
    // An idle null sink drops what plays before its monitor delivers: wait for the data.
    // SIGTERM, as the stop signal: a background job of sh ignores SIGINT.
    const Ran ran = folder.sh(
        "export PULSE_SERVER=" + std::string(server) +
        " SDL_AUDIODRIVER=pulseaudio\n"
        "parec -d $(pactl get-default-sink).monitor --raw --format=s16le --rate=44100 --channels=2 "
        ">capture & "
        "rec=$!\n"
        "until [ $(stat -c %s capture) -gt 17640 ]; do sleep 0.01; done\n"
        "$cli play tone & sleep 3; stat -c %s capture >at; kill -TERM $!; wait $!; echo $? >code\n"
        "sleep 0.8; kill $rec");
    EXPECT_EQ(readFile(folder / "code"), "0\n") << ran.err;
    const std::string bytes = readFile(folder / "capture");
    std::vector<std::int16_t> heard(bytes.size() / 2);  // both channels, interleaved
    std::memcpy(heard.data(), bytes.data(), heard.size() * 2);
    const auto loud = [](std::int16_t sample) { return std::abs(sample) > 1000; };
    ASSERT_TRUE(std::any_of(heard.begin(), heard.end(), loud)) << "the tone never reached the sink";
    // Without the stop's flush the two queued blocks would sound for up to two seconds.
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud).base();
    EXPECT_LT(last - heard.begin(), std::stol(readFile(folder / "at")) / 2 + 44100);
    EXPECT_THAT(ran.out, HasSubstr("\ntone 1000 Hz | stopped"));
}

// A duration ends it; a hang-up inherited as ignored (nohup) stays ignored; a closed
// standard output neither kills it nor ends it.
TEST(Play, PlaysItsDurationThroughHangUpAndAClosedPipe) {
    TempFolder folder;
    const Ran ran =
        folder.sh("trap '' HUP; $cli play white --duration 2 & sleep 0.5; kill -HUP $!; wait $!");
    EXPECT_EQ(ran.code, 0) << ran.err;
    // A loaded machine may leave the dummy device short of blocks.
    EXPECT_THAT(ran.out,
                MatchesRegex("white noise \\| playing \\| played 0:00:00 \\| total 0:00:00\n"
                             "white noise \\| stopped \\| played 0:00:0[12] \\| total 0:00:02\n"));
    const auto started = std::chrono::steady_clock::now();
    const Ran piped = folder.sh("{ $cli play white --duration 2; echo $? >&2; } | true");
    EXPECT_EQ(piped.err, "0\n") << "not killed by SIGPIPE";
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

TEST(Play, StatusLineFitsANarrowTerminalAndNoOutputIsOneLine) {
    TempFolder folder;
    const std::string text =
        folder.sh("script -qec \"stty cols 30; $cli play white --duration 2\" /dev/null").out;
    // Each line, rewritten after a carriage return, ends before the erase to its end.
    EXPECT_THAT(text, Not(ContainsRegex("[^\r\n\x1b]{30}")));
    EXPECT_THAT(text, HasSubstr("white noise | stopped | pla"));
    // Without any output: one line, prefixed, with none of the audio library's noise.
    const Ran ran = folder.sh("SDL_AUDIODRIVER=alsa $cli play white");
    EXPECT_EQ(ran.code, 1);
    EXPECT_THAT(ran.err, MatchesRegex("vellumtone-cli: [^\n]*\n"));
}

}  // namespace
