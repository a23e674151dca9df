#include "play.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "status.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// How often the main thread looks at signals, the duration and the player's state. A stop
// signal itself is taken the moment it arrives.
constexpr long kPollNanoseconds = 50'000'000;

// Set by the end notice on the playback thread, read by the main thread.
std::atomic<bool> playbackEnded{false};
std::atomic<PlaybackEnd> playbackEnd{PlaybackEnd::Stopped};

// What the desktop program's Stop button does; the playback flushes the device, frees its
// blocks and sends the end notice.
void requestStop() {
    SignalPlayer::instance.stop();
}

std::uint64_t millisecondsBetween(SteadyClock::time_point from, SteadyClock::time_point to) {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

class StatusPrinter {
  public:
    StatusPrinter(std::string label, bool terminal)
        : label_(std::move(label)), terminal_(terminal) {}

    // On a terminal the line is rewritten once a second and at every change of state;
    // elsewhere a line is printed only when the state changes.
    void show(PlayState state, std::uint64_t resumeIn, std::uint64_t playedMs,
              std::uint64_t totalMs) {
        const std::uint64_t second = totalMs / 1000;
        const bool changed = !shown_ || state != lastState_;
        if (!changed && !(terminal_ && second != lastSecond_)) {
            return;
        }
        const std::string text = statusText(label_, state, resumeIn, playedMs / 1000, second);
        if (terminal_) {
            std::printf("\r%s\x1b[K%s", text.c_str(), state == PlayState::Stopped ? "\n" : "");
        } else {
            std::printf("%s\n", text.c_str());
        }
        std::fflush(stdout);
        shown_ = true;
        lastState_ = state;
        lastSecond_ = second;
    }

  private:
    std::string label_;
    bool terminal_;
    bool shown_ = false;
    PlayState lastState_ = PlayState::Playing;
    std::uint64_t lastSecond_ = 0;
};

}  // namespace

int runPlay(const Arguments& arguments) {
    // The stop signals are blocked before any other thread starts (SDL's audio thread, the
    // playback), so every thread inherits the mask and they reach only sigtimedwait below:
    // no handler runs, nothing async-signal-unsafe can happen.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    OpenResult opened = openOutputDevice();
    if (!opened.device) {
        std::fprintf(stderr, "%s\n", opened.error.c_str());
        return 1;
    }

    SignalPlayer& player = SignalPlayer::instance;
    const SignalSettings& signal = arguments.signal;
    applySignalSettings(player, signal);
    player.setDevice(opened.device.get());
    player.setEndNotice([](PlaybackEnd how) {
        playbackEnd = how;
        playbackEnded = true;
    });
    const PlaySettings& play = arguments.play;
    if (play.restEnabled) {
        player.enableRests(play.restEveryMinutes, play.restLengthMinutes);
    }
    player.play();

    // The first blocks are queued at once, so it plays even if a rest follows immediately.
    StatusPrinter status(generatorLabel(signal), isatty(STDOUT_FILENO) != 0);
    status.show(PlayState::Playing, 0, 0, 0);
    const SteadyClock::time_point started = SteadyClock::now();
    SteadyClock::time_point last = started;
    std::uint64_t playedMs = 0;
    bool stopSent = false;
    while (!playbackEnded.load()) {
        const timespec poll{0, kPollNanoseconds};
        if (sigtimedwait(&stopSignals, nullptr, &poll) > 0 && !stopSent) {
            requestStop();
            stopSent = true;
        }
        const SteadyClock::time_point now = SteadyClock::now();
        const bool resting = player.resting.load() != 0;
        if (!resting && !stopSent) {
            playedMs += millisecondsBetween(last, now);
        }
        last = now;
        const std::uint64_t totalMs = millisecondsBetween(started, now);
        if (play.durationSeconds && totalMs >= *play.durationSeconds * 1000 && !stopSent) {
            requestStop();
            stopSent = true;
        }
        const std::uint64_t resumeIn =
            resting ? secondsUntilRestEnds(player.clock().now(), player.restReference.load(),
                                           player.restEveryMinutes.load(),
                                           player.restLengthMinutes.load())
                    : 0;
        // Once stopping, the loop may still leave a rest and queue one last block, which
        // the flush silences at once: no longer news to the user.
        if (!stopSent) {
            status.show(resting ? PlayState::Resting : PlayState::Playing, resumeIn, playedMs,
                        totalMs);
        }
    }
    status.show(PlayState::Stopped, 0, playedMs, millisecondsBetween(started, last));

    player.setDevice(nullptr);
    opened.device.reset();
    if (playbackEnd.load() == PlaybackEnd::OutOfMemory) {
        std::fprintf(stderr, "vellumtone-cli: not enough memory for the blocks of this signal\n");
        return 1;
    }
    return 0;
}
