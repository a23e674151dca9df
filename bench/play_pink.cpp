// Plays pink noise through the real output device, for the CPU and stop-latency benchmarks.
//
//   play_pink SECONDS          plays for SECONDS, then stops and waits for the end notice
//   play_pink --stop-latency N measures N times how long after a stop request the sound
//                              ends, recording its own stream with parec
//   play_pink --idle SECONDS   only keeps the device open, as the program does between
//                              playbacks
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/sound_capture.h"

namespace {

using namespace std::chrono_literals;

SignalPlayer& player = SignalPlayer::instance;

// Starts a pink-noise playback as the Play button does; the returned future is ready once
// the playback has ended.
std::future<PlaybackEnd> play() {
    auto ended = std::make_shared<std::promise<PlaybackEnd>>();
    player.setEndNotice([ended](PlaybackEnd how) { ended->set_value(how); });
    player.chooseGenerator(GeneratorKind::PinkNoise);
    player.play();
    return ended->get_future();
}

// What the Stop button does.
void requestStop() {
    player.stop();
}

bool waitForEnd(std::future<PlaybackEnd>& ended) {
    if (ended.wait_for(10s) != std::future_status::ready) {
        std::fprintf(stderr, "the playback did not end within 10 s\n");
        return false;
    }
    return true;
}

int playFor(double seconds) {
    auto ended = play();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const auto wall = std::chrono::system_clock::now().time_since_epoch();
    std::printf("stop_request_unix_ns=%lld\n",
                static_cast<long long>(std::chrono::nanoseconds(wall).count()));
    std::fflush(stdout);
    requestStop();
    return waitForEnd(ended) ? 0 : 1;
}

// The monitor source of the server's default sink, such as "nullout.monitor"; empty when
// no server answers.
std::string defaultSinkMonitor() {
    std::string name = runProgram({"pactl", "get-default-sink"}).value_or("");
    return name.empty() ? name : name.substr(0, name.find('\n')) + ".monitor";
}

// One stop: plays until the capture hears sound, a little longer, then stops. Returns the
// milliseconds from the stop request until the last sound was recorded at the default
// sink's monitor (nothing else plays there), or nothing when the measurement failed. The
// monitor records in real time: the frames that follow the ones recorded at the request
// tell how long the sound went on after it, give or take parec's latency (10 ms).
std::optional<double> measureStop() {
    SoundCapture capture;
    if (!capture.start(defaultSinkMonitor())) {
        std::fprintf(stderr, "parec did not start recording\n");
        return std::nullopt;
    }
    auto ended = play();
    // Wait until the noise is heard, then play on for a random-ish part of a block so that
    // the stops fall at different points of the device's buffer.
    if (!capture.waitForSound()) {
        std::fprintf(stderr, "no sound was recorded\n");
        requestStop();
        waitForEnd(ended);
        return std::nullopt;
    }
    std::this_thread::sleep_for(1000ms + std::chrono::milliseconds(std::rand() % 1000));
    const std::size_t framesAtStop = capture.frames();
    requestStop();
    if (!waitForEnd(ended)) {
        return std::nullopt;
    }
    capture.waitForMore(kSampleRate / 2);

    const auto samples = capture.samples();
    std::size_t last = samples.size();
    while (last > 0 && samples[last - 1] == 0) {
        --last;
    }
    if (last == 0) {
        return std::nullopt;
    }
    const std::size_t lastFrame = (last - 1) / 2;
    return static_cast<double>(lastFrame + 1) * 1000.0 / kSampleRate -
           static_cast<double>(framesAtStop) * 1000.0 / kSampleRate;
}

int stopLatency(int runs) {
    std::srand(static_cast<unsigned>(getpid()));
    std::vector<double> figures;
    for (int i = 0; i < runs; ++i) {
        const std::optional<double> ms = measureStop();
        if (!ms) {
            return 1;
        }
        std::printf("stop %d: %.1f ms\n", i + 1, *ms);
        std::fflush(stdout);
        figures.push_back(*ms);
    }
    std::sort(figures.begin(), figures.end());
    std::printf("stop latency over %d stops: min %.1f ms, median %.1f ms, max %.1f ms\n", runs,
                figures.front(), figures[figures.size() / 2], figures.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: play_pink SECONDS | --stop-latency RUNS | --idle SECONDS\n");
        return 2;
    }
    OpenResult opened = openOutputDevice();
    if (!opened.device) {
        std::fprintf(stderr, "%s\n", opened.error.c_str());
        return 1;
    }
    player.setDevice(opened.device.get());
    const std::string mode = argv[1];
    int rc = 0;
    if (mode == "--idle") {
        std::this_thread::sleep_for(
            std::chrono::duration<double>(argc > 2 ? std::atof(argv[2]) : 10));
    } else if (mode == "--stop-latency") {
        rc = stopLatency(argc > 2 ? std::atoi(argv[2]) : 10);
    } else {
        rc = playFor(std::atof(argv[1]));
    }
    player.setDevice(nullptr);
    player.setEndNotice(nullptr);
    return rc;
}
