#include "play.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <stdexcept>

#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "status.h"
#include "stop_signals.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Set by the end notice on the playback thread, read by the main thread.
std::atomic<bool> playbackEnded{false};
std::atomic<PlaybackEnd> playbackEnd{PlaybackEnd::Stopped};

// The real device, watched: the player's output sounds while the device holds one of its
// blocks, also for the queued seconds after a rest has begun.
class WatchedDevice final : public OutputDevice {
  public:
    explicit WatchedDevice(OutputDevice& device) : device_(device) {}
    void prepare(BlockHeader& header) override { device_.prepare(header); }
    void unprepare(BlockHeader& header) override { device_.unprepare(header); }
    void queue(BlockHeader& header) override {
        blocks_[queued_++ % 2] = &header;  // the playback alternates its two blocks
        device_.queue(header);
    }
    void flush() override { device_.flush(); }
    bool available() const override { return device_.available(); }

    bool sounding() const {
        return std::any_of(std::begin(blocks_), std::end(blocks_), [](const auto& block) {
            const BlockHeader* header = block.load();
            return header != nullptr && (header->flags.load() & kBlockQueued) != 0;
        });
    }

  private:
    OutputDevice& device_;
    std::atomic<BlockHeader*> blocks_[2]{nullptr, nullptr};
    unsigned queued_ = 0;
};

// The device, opened with standard error silenced meanwhile: the audio libraries print
// their own noise there when no sound server answers, before the one message that matters.
OpenResult openQuietly() {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    dup2(null, STDERR_FILENO);
    OpenResult opened = openOutputDevice();
    dup2(saved, STDERR_FILENO);
    close(null);
    close(saved);
    return opened;
}

}  // namespace

int runPlay(const Arguments& arguments) {
    OpenResult opened = openQuietly();
    if (!opened.device) {
        throw std::runtime_error(opened.error);
    }
    SignalPlayer& player = SignalPlayer::instance;
    if (arguments.restEvery || arguments.restLength) {
        player.enableRests(arguments.restEvery, arguments.restLength);
    }
    WatchedDevice device(*opened.device);
    player.setDevice(&device);
    player.setEndNotice([](PlaybackEnd how) {
        playbackEnd = how;
        playbackEnded = true;
    });
    player.play();

    // The first blocks are queued at once, so it plays even if a rest follows immediately.
    StatusLine status(player);
    status.show(PlayState::Playing, 0, 0, 0);
    const SteadyClock::time_point started = SteadyClock::now();
    const auto msSince = [&](SteadyClock::time_point from) {
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - from)
                .count());
    };
    SteadyClock::time_point last = started;
    std::uint64_t playedMs = 0;
    bool stopping = false;
    while (!playbackEnded.load()) {
        // A stop signal cuts the wait short when it reaches this thread.
        const timespec poll{0, 50'000'000};
        nanosleep(&poll, nullptr);
        playedMs += device.sounding() && !stopping ? msSince(last) : 0;
        last = SteadyClock::now();
        const std::uint64_t totalMs = msSince(started);
        const auto duration = arguments.durationSeconds;
        if (!stopping && (stopSignal() != 0 || (duration && totalMs >= *duration * 1000ULL))) {
            stopping = player.stop();
        }
        // Once stopping, the loop may still leave a rest and queue one last block, which
        // the flush silences at once: no longer news to the user.
        if (!stopping && player.resting.load() != 0) {
            const std::uint64_t end =
                restEndSeconds(player.restReference.load(), player.restEveryMinutes.load(),
                               player.restLengthMinutes.load());
            const std::uint64_t now = player.clock().now();
            status.show(PlayState::Resting, now < end ? end - now : 0, playedMs, totalMs);
        } else if (!stopping) {
            status.show(PlayState::Playing, 0, playedMs, totalMs);
        }
    }
    status.show(PlayState::Stopped, 0, playedMs, msSince(started));
    player.setDevice(nullptr);
    if (playbackEnd.load() == PlaybackEnd::OutOfMemory) {
        throw std::runtime_error("not enough memory for the blocks of this signal");
    }
    return 0;
}
