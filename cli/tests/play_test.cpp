// `play` end to end: through the private PulseAudio's null sink "nullout" once, recorded from
// its monitor; the rest through SDL's dummy driver, which needs no sound server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "subprocess.h"

namespace {

using namespace testing_cli;
using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;
using testing::ElementsAre;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The left channel recorded so far, by parec writing raw frames to `file`.
std::vector<std::int16_t> samples(const fs::path& file) {
    const std::string bytes = readFile(file);
    std::vector<std::int16_t> left(bytes.size() / 4);
    for (std::size_t i = 0; i < left.size(); ++i) {
        std::memcpy(&left[i], bytes.data() + 4 * i, 2);
    }
    return left;
}

TEST(Play, ThroughTheSoundServerUntilCtrlC) {
    if (std::getenv("PULSE_SERVER") == nullptr || std::system("pactl info >/dev/null 2>&1") != 0) {
        if (std::getenv("VELLUMTONE_REQUIRE_SERVICES") != nullptr) {
            FAIL() << "no PulseAudio server although the services are required";
        }
        GTEST_SKIP() << "no PulseAudio server; run through scripts/test.sh";
    }
    TempFolder folder;
    const fs::path capture = folder / "capture.raw";
    const std::string parec =
        "exec parec -d nullout.monitor --raw --format=s16le --rate=44100 "
        "--channels=2 --latency-msec=20 > " +
        capture.string();
    const pid_t recorder = fork();
    if (recorder == 0) {
        execl("/bin/sh", "sh", "-c", parec.c_str(), nullptr);
        _exit(127);
    }
    // An idle null sink drops what plays before its monitor delivers: wait for the data.
    const auto deadline = steady_clock::now() + seconds(20);
    while (samples(capture).size() < 4410 && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    Child player({"play", "tone"}, folder.path,
                 {{{"SDL_AUDIODRIVER", "pulseaudio"}}, {}, false, -1});
    const auto loud = [](std::int16_t sample) { return std::abs(sample) > 1000; };
    for (auto heard = samples(capture);
         std::none_of(heard.begin(), heard.end(), loud) && steady_clock::now() < deadline;
         heard = samples(capture)) {
        std::this_thread::sleep_for(milliseconds(50));
    }
    const std::size_t atSignal = samples(capture).size();
    player.signal(SIGINT);
    const Finished run = player.wait(seconds(20));
    std::this_thread::sleep_for(milliseconds(800));
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);

    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::int16_t> heard = samples(capture);
    ASSERT_TRUE(std::any_of(heard.begin(), heard.end(), loud)) << "the tone never reached the sink";
    // Without the stop's flush the two queued blocks would sound for up to two seconds.
    const auto last = std::find_if(heard.rbegin(), heard.rend(), loud).base();
    EXPECT_LT(last - heard.begin(), static_cast<long>(atSignal) + 44100 / 2);
    EXPECT_THAT(lines(run.out), testing::Contains(testing::StartsWith("tone 1000 Hz | stopped")));
}

// A duration ends it; a hang-up inherited as ignored (nohup) stays ignored; a closed
// standard output neither kills it nor ends it.
TEST(Play, PlaysItsDurationThroughHangUpAndAClosedPipe) {
    TempFolder folder;
    for (const bool nohup : {false, true}) {
        ChildOptions options = kQuietOutput;
        options.ignoreHangUp = nohup;
        Child player({"play", "white", "--duration", "2"}, folder.path, options);
        while (nohup && player.outSoFar().empty()) {
            std::this_thread::sleep_for(milliseconds(5));
        }
        player.signal(nohup ? SIGHUP : 0);
        const Finished run = player.wait();
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(lines(run.out),
                    ElementsAre("white noise | playing | played 0:00:00 | total 0:00:00",
                                "white noise | stopped | played 0:00:02 | total 0:00:02"));
    }
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    ChildOptions closedPipe = kQuietOutput;
    closedPipe.stdoutFd = pipeEnds[1];
    const auto started = steady_clock::now();
    const Finished run = runCli({"play", "white", "--duration", "2"}, folder.path, closedPipe);
    close(pipeEnds[1]);
    EXPECT_EQ(run.signal, 0) << "not killed by SIGPIPE";
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GE(steady_clock::now() - started, seconds(2)) << "played to the end";
}

TEST(Play, StatusLineFitsANarrowTerminal) {
    const std::string command = "stty cols 30; SDL_AUDIODRIVER=dummy PULSE_SERVER=unix:/none " +
                                std::string(VELLUMTONE_CLI_PATH) + " play white --duration 2";
    FILE* out = popen(("script -qec '" + command + "' /dev/null").c_str(), "r");
    std::string text;
    for (int c = 0; (c = std::fgetc(out)) != EOF;) {
        text += c == '\r' || c == '\n' ? '\n' : static_cast<char>(c);
    }
    EXPECT_EQ(pclose(out), 0);
    for (std::string line : lines(text)) {
        line = line.substr(0, line.find("\x1b[K"));
        EXPECT_LE(line.size(), 29U) << line;
    }
    EXPECT_THAT(text, testing::HasSubstr("white noise | stopped | pla"));
}

TEST(Play, WithoutAnyOutputSaysSoInOneLine) {
    TempFolder folder;
    const Finished run = runCli(
        {"play", "white"}, folder.path,
        {{{"PULSE_SERVER", "unix:/nonexistent"}, {"SDL_AUDIODRIVER", "alsa"}}, {}, false, -1});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(lines(run.err), ElementsAre(testing::StartsWith("vellumtone-cli: ")));
    EXPECT_EQ(run.out, "");
}

}  // namespace
