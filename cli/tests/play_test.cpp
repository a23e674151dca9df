// `play` end to end through the private PulseAudio's null sink "nullout": what it plays is
// recorded from the sink's monitor and examined.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "engine/output_device.h"
#include "subprocess.h"

namespace {

using namespace testing_cli;
using std::chrono::milliseconds;
using std::chrono::seconds;
using std::chrono::steady_clock;

constexpr std::size_t kRate = 44100;

bool soundServerRuns() {
    return std::getenv("PULSE_SERVER") != nullptr && std::system("pactl info >/dev/null 2>&1") == 0;
}

bool servicesRequired() {
    const char* required = std::getenv("VELLUMTONE_REQUIRE_SERVICES");
    return required != nullptr && std::string(required) == "1";
}

#define REQUIRE_SOUND_SERVER()                                                         \
    do {                                                                               \
        if (!soundServerRuns()) {                                                      \
            if (servicesRequired()) {                                                  \
                FAIL() << "no PulseAudio server (PULSE_SERVER) although the services " \
                          "are required";                                              \
            }                                                                          \
            GTEST_SKIP() << "no PulseAudio server; run through scripts/test.sh";       \
        }                                                                              \
    } while (false)

// parec on the null sink's monitor, writing the raw frames to a file.
class Recorder {
  public:
    explicit Recorder(const fs::path& file) : file_(file) {
        pid_ = fork();
        if (pid_ == 0) {
            if (!freopen(file.c_str(), "w", stdout)) {
                _exit(126);
            }
            execlp("parec", "parec", "-d", "nullout.monitor", "--raw", "--format=s16le",
                   "--rate=44100", "--channels=2", "--latency-msec=20", nullptr);
            _exit(127);
        }
    }
    ~Recorder() { stop(); }

    // An idle null sink drops what plays before its monitor delivers: wait for the data.
    bool waitUntilRecording() const {
        const auto deadline = steady_clock::now() + seconds(15);
        while (steady_clock::now() < deadline) {
            if (frames() > kRate / 10) {
                return true;
            }
            std::this_thread::sleep_for(milliseconds(10));
        }
        return false;
    }
    std::size_t frames() const {
        std::error_code ignored;
        const auto size = fs::file_size(file_, ignored);
        return ignored ? 0 : static_cast<std::size_t>(size / 4);
    }
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    // The left channel of everything recorded.
    std::vector<std::int16_t> left() const {
        const std::string bytes = readFile(file_);
        std::vector<std::int16_t> samples(bytes.size() / 4);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            std::memcpy(&samples[i], bytes.data() + 4 * i, 2);
        }
        return samples;
    }

  private:
    fs::path file_;
    pid_t pid_ = -1;
};

// The last frame louder than `threshold`, or -1.
long lastLoud(const std::vector<std::int16_t>& samples, int threshold) {
    for (std::size_t i = samples.size(); i-- > 0;) {
        if (std::abs(samples[i]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

long firstLoud(const std::vector<std::int16_t>& samples, int threshold) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::size_t risingZeroCrossings(const std::vector<std::int16_t>& samples, std::size_t from,
                                std::size_t count) {
    std::size_t crossings = 0;
    for (std::size_t i = from + 1; i < from + count; ++i) {
        crossings += samples[i - 1] < 0 && samples[i] >= 0 ? 1 : 0;
    }
    return crossings;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

const ChildOptions kThroughPulseAudio{{{"SDL_AUDIODRIVER", "pulseaudio"}}, std::nullopt};

TEST(Play, ToneIsHeardAndCtrlCSilencesItAndExitsZero) {
    REQUIRE_SOUND_SERVER();
    TempFolder folder;
    Recorder recorder(folder / "capture.raw");
    ASSERT_TRUE(recorder.waitUntilRecording()) << "parec delivered nothing";

    Child player({"play", "tone", "--frequency", "440"}, folder.path(), kThroughPulseAudio);
    // Wait until a second and a half of the tone has been recorded.
    const auto deadline = steady_clock::now() + seconds(20);
    long heardFrom = -1;
    while (steady_clock::now() < deadline) {
        heardFrom = firstLoud(recorder.left(), 1000);
        if (heardFrom >= 0 &&
            recorder.frames() > static_cast<std::size_t>(heardFrom) + 3 * kRate / 2) {
            break;
        }
        std::this_thread::sleep_for(milliseconds(50));
    }
    ASSERT_GE(heardFrom, 0) << "the tone never reached the sink";
    const std::size_t atSignal = recorder.frames();
    player.signal(SIGINT);
    const Finished run = player.wait(seconds(20));
    std::this_thread::sleep_for(milliseconds(800));
    recorder.stop();

    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::int16_t> samples = recorder.left();
    // One second of steady tone, well after its start: 440 rising zero crossings.
    ASSERT_GE(samples.size(), static_cast<std::size_t>(heardFrom) + kRate + kRate / 4);
    const std::size_t crossings = risingZeroCrossings(samples, heardFrom + kRate / 4, kRate);
    EXPECT_GE(crossings, 439U);
    EXPECT_LE(crossings, 441U);

    // Without the stop, the two queued one-second blocks would go on sounding; the stop
    // flushes them. The recording's position at the signal is only approximate, hence
    // the generous margin.
    const long last = lastLoud(samples, 0);
    ASSERT_GE(last, 0);
    const double afterSignalMs =
        (static_cast<double>(last) - static_cast<double>(atSignal)) * 1000.0 / kRate;
    std::printf("sound after SIGINT, as recorded: about %.0f ms\n", afterSignalMs);
    EXPECT_LT(afterSignalMs, 500.0);
    EXPECT_GT(samples.size() - static_cast<std::size_t>(last), kRate / 4) << "silent at the end";

    const std::vector<std::string> status = lines(run.out);
    ASSERT_GE(status.size(), 2U) << run.out;
    EXPECT_EQ(status.front(), "tone 440 Hz | playing | played 0:00:00 | total 0:00:00");
    EXPECT_EQ(status.back().rfind("tone 440 Hz | stopped | played 0:00:", 0), 0U) << status.back();
}

TEST(Play, DurationEndsItByItself) {
    REQUIRE_SOUND_SERVER();
    TempFolder folder;
    const auto started = steady_clock::now();
    Child player({"play", "white", "--duration", "2s"}, folder.path(), kThroughPulseAudio);
    const Finished run = player.wait(seconds(30));
    const auto elapsed = steady_clock::now() - started;
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GE(elapsed, seconds(2));
    const std::vector<std::string> status = lines(run.out);
    ASSERT_EQ(status.size(), 2U) << run.out;
    EXPECT_EQ(status[0], "white noise | playing | played 0:00:00 | total 0:00:00");
    EXPECT_EQ(status[1], "white noise | stopped | played 0:00:02 | total 0:00:02");
}

// Rests every 0 minutes: a rest starts about a second in, and the output falls silent once
// the queued blocks have played.
TEST(Play, RestSilencesTheOutputAndIsReported) {
    REQUIRE_SOUND_SERVER();
    TempFolder folder;
    Recorder recorder(folder / "capture.raw");
    ASSERT_TRUE(recorder.waitUntilRecording()) << "parec delivered nothing";
    Child player({"play", "pink", "--rest-every", "0", "--rest-length", "1", "--duration", "9"},
                 folder.path(), kThroughPulseAudio);
    const Finished run = player.wait(seconds(30));
    recorder.stop();
    EXPECT_EQ(run.exitCode, 0) << run.err;

    const std::vector<std::string> status = lines(run.out);
    ASSERT_EQ(status.size(), 3U) << run.out;
    EXPECT_EQ(status[0], "pink noise | playing | played 0:00:00 | total 0:00:00");
    EXPECT_EQ(status[1].rfind("pink noise | resting, resumes in 0:00:5", 0), 0U) << status[1];
    EXPECT_EQ(status[2].rfind("pink noise | stopped | played 0:00:0", 0), 0U) << status[2];
    EXPECT_NE(status[2].find("| total 0:00:09"), std::string::npos) << status[2];

    const std::vector<std::int16_t> samples = recorder.left();
    const long first = firstLoud(samples, 0);
    const long last = lastLoud(samples, 0);
    ASSERT_GE(first, 0) << "nothing was played before the rest";
    EXPECT_GT(samples.size() - static_cast<std::size_t>(last), kRate) << "the rest is silent";
}

TEST(Play, WithoutASoundServerPrintsTheDevicesMessage) {
    TempFolder folder;
    const ChildOptions noServer{
        {{"PULSE_SERVER", "unix:/nonexistent"}, {"SDL_AUDIODRIVER", "pulseaudio"}}, std::nullopt};
    const Finished run = runCli({"play", "white"}, folder.path(), noServer);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, std::string(deviceErrorText(DeviceError::NoDriver)) + "\n");
    EXPECT_EQ(run.out, "");
}

}  // namespace
