// Figures of a playback on the real output device, recorded at the default sink's monitor
// with parec (latency 10 ms):
//
//   playback_figures --first-sound   for each signal (the sweep with the longest period), the
//                                    ms from Play to the first sound recorded, then the peak
//                                    resident memory of the whole program
//   playback_figures --pause-stop N  N times: a volume change, 300 ms later a Stop during the
//                                    pause that follows it; the ms from the Stop request to
//                                    the last sound recorded
//   playback_figures --rest          a tone with a 1-minute rest every minute, on the system
//                                    clock: how late the rest starts and ends at the sink
//                                    against the schedule (takes two minutes)
//
// Run it through bench/playback_figures.sh, which starts a private PulseAudio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "engine/testing/sound_capture.h"

namespace {

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

SignalPlayer& player = SignalPlayer::instance;

std::string defaultSinkMonitor() {
    std::string name = runProgram({"pactl", "get-default-sink"}).value_or("");
    return name.empty() ? name : name.substr(0, name.find('\n')) + ".monitor";
}

// Plays `kind` as the Play button does; the future is ready once the playback has ended.
std::future<void> play(GeneratorKind kind) {
    auto ended = std::make_shared<std::promise<void>>();
    player.setEndNotice([ended](PlaybackEnd) { ended->set_value(); });
    player.chooseGenerator(kind);
    player.play();
    return ended->get_future();
}

void stopAndWait(std::future<void>& ended) {
    player.stop();
    if (ended.wait_for(10s) != std::future_status::ready) {
        std::fprintf(stderr, "the playback did not end within 10 s\n");
        std::exit(1);
    }
}

// The program's peak resident memory, from the kernel's own count.
std::string peakResident() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return line.substr(6);
        }
    }
    return "?";
}

int firstSound() {
    const std::pair<const char*, GeneratorKind> signals[] = {
        {"white", GeneratorKind::WhiteNoise},
        {"pink", GeneratorKind::PinkNoise},
        {"tone", GeneratorKind::PureTone},
        {"sweep 3600 s", GeneratorKind::FrequencySweep}};
    player.setSweep(kMaxSweepSeconds, SignalPlayer::kDefaultSweepLimit);
    for (const auto& [name, kind] : signals) {
        SoundCapture capture;
        if (!capture.start(defaultSinkMonitor())) {
            std::fprintf(stderr, "parec did not start recording\n");
            return 1;
        }
        const auto pressed = Steady::now();
        auto ended = play(kind);
        if (!capture.waitForSound()) {
            std::fprintf(stderr, "no sound was recorded\n");
            return 1;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(Steady::now() - pressed).count();
        std::printf("%-13s Play to first sound: %.0f ms (polled every 20 ms)\n", name, ms);
        std::this_thread::sleep_for(2s);
        stopAndWait(ended);
    }
    std::printf("peak resident memory of the program:%s\n", peakResident().c_str());
    return 0;
}

int pauseStop(int runs) {
    std::vector<double> figures;
    for (int i = 0; i < runs; ++i) {
        SoundCapture capture;
        if (!capture.start(defaultSinkMonitor())) {
            return 1;
        }
        auto ended = play(GeneratorKind::PureTone);
        capture.waitForSound();
        std::this_thread::sleep_for(1500ms);
        player.setVolumePosition(10000 + static_cast<std::uint32_t>(i));
        std::this_thread::sleep_for(300ms);
        const std::size_t framesAtStop = capture.frames();
        stopAndWait(ended);
        capture.waitForMore(kSampleRate);
        const auto samples = capture.samples();
        std::size_t last = samples.size();
        while (last > 0 && samples[last - 1] == 0) {
            --last;
        }
        const double ms = (static_cast<double>(last / 2) - static_cast<double>(framesAtStop)) *
                          1000.0 / kSampleRate;
        std::printf("stop %d during the volume pause: sound until %.0f ms after the request\n",
                    i + 1, ms);
        figures.push_back(ms);
        player.setVolumePosition(SignalPlayer::kDefaultAmplitude / 2);
    }
    std::sort(figures.begin(), figures.end());
    std::printf("over %d stops: min %.0f ms, median %.0f ms, max %.0f ms\n", runs, figures.front(),
                figures[figures.size() / 2], figures.back());
    return 0;
}

std::uint64_t calendarMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int restTiming() {
    SoundCapture capture;
    if (!capture.start(defaultSinkMonitor())) {
        return 1;
    }
    player.enableRests(1, 1);
    auto ended = play(GeneratorKind::PureTone);
    capture.waitForSound();
    const std::uint64_t reference = player.restReference.load();
    while (player.resting.load() == 0) {
        std::this_thread::sleep_for(10ms);
    }
    while (player.resting.load() != 0) {
        std::this_thread::sleep_for(10ms);
    }
    capture.waitForMore(2 * kSampleRate);
    stopAndWait(ended);
    // Each frame's calendar time, counted back from the last one recorded.
    const std::uint64_t lastMs = calendarMs();
    const auto samples = capture.samples();
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    const auto atMs = [&](std::int64_t frame) {
        return static_cast<double>(lastMs) -
               static_cast<double>(frames - frame) * 1000 / kSampleRate;
    };
    std::int64_t gapFrom = 0;
    std::int64_t gapTo = 0;
    for (std::int64_t f = 0, lastLoud = -1; f < frames; ++f) {
        if (samples[2 * f] != 0) {
            if (lastLoud >= 0 && f - lastLoud > gapTo - gapFrom) {
                gapFrom = lastLoud;
                gapTo = f;
            }
            lastLoud = f;
        }
    }
    const double due = static_cast<double>(reference + 60) * 1000;
    std::printf("rest at the sink: starts %.2f s late, ends %.2f s late (%.1f s of silence)\n",
                (atMs(gapFrom) - due) / 1000, (atMs(gapTo) - due - 60'000) / 1000,
                (atMs(gapTo) - atMs(gapFrom)) / 1000);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "--first-sound" && mode != "--pause-stop" && mode != "--rest") {
        std::fprintf(stderr,
                     "usage: playback_figures --first-sound | --pause-stop RUNS | --rest\n");
        return 2;
    }
    OpenResult opened = openOutputDevice();
    if (!opened.device) {
        std::fprintf(stderr, "%s\n", opened.error.c_str());
        return 1;
    }
    player.setDevice(opened.device.get());
    const int rc = mode == "--first-sound" ? firstSound()
                   : mode == "--rest"      ? restTiming()
                                           : pauseStop(argc > 2 ? std::atoi(argv[2]) : 5);
    player.setDevice(nullptr);
    player.setEndNotice(nullptr);
    return rc;
}
