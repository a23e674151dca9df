#include "play.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>

#include "engine/clock.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "stop_signals.h"
#include "ui/common/burn_in_status.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::duration_cast;
using std::chrono::seconds;

// Set by the end notice on the playback thread, read by the main thread.
std::atomic<std::optional<PlaybackEnd>> playbackEnd;

// NoOutput: playing on schedule while the sound server is away, so nothing is heard.
using PlayState = BurnInStatus::State;

// What `play` shows on standard output: on a terminal one line, rewritten once a second and
// at every change, cut to the terminal's width as it is now; elsewhere a line per change.
// Once standard output has gone (a closed pipe) it prints nothing more.
class StatusLine {
  public:
    // The label names the player's generator and its settings: "white noise", "pink noise",
    // "tone 1000 Hz", "sweep 0-2000 Hz, 2 s period".
    explicit StatusLine(const SignalPlayer& p)
        : label_(std::array{std::string("nothing"), std::string("white noise"),
                            std::string("pink noise"),
                            "tone " + std::to_string(p.toneFrequency.load()) + " Hz",
                            "sweep 0-" + std::to_string(p.sweepLimit.load()) + " Hz, " +
                                std::to_string(p.sweepSeconds.load()) + " s period"}
                     .at(static_cast<std::size_t>(p.generator.load()))) {}

    // "pink noise | resting, resumes in 0:29:10 | played 2:00:01 | total 2:00:50".
    void show(PlayState state, std::uint64_t resumeIn, SteadyClock::duration played,
              SteadyClock::duration total) {
        const std::uint64_t second = duration_cast<seconds>(total).count();
        if (gone_ || (state == last_ && !(terminal_ && second != lastSecond_))) {
            return;
        }
        const std::string what = state == PlayState::Playing ? "playing"
                                 : state == PlayState::Resting
                                     ? "resting, resumes in " + BurnInStatus::duration(resumeIn)
                                 : state == PlayState::NoOutput ? "no audio output"
                                                                : "stopped";
        std::string text = label_ + " | " + what + " | played " +
                           BurnInStatus::duration(duration_cast<seconds>(played).count()) +
                           " | total " + BurnInStatus::duration(second);
        winsize size{};
        if (terminal_ && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
            // One column short of the width: a full line would wrap on some terminals.
            text.resize(std::min<std::size_t>(text.size(), size.ws_col - 1U));
        }
        const char* format = !terminal_                    ? "%s\n"
                             : state == PlayState::Stopped ? "\r%s\x1b[K\n"
                                                           : "\r%s\x1b[K";
        gone_ = std::printf(format, text.c_str()) < 0 || std::fflush(stdout) != 0;
        last_ = state;
        lastSecond_ = second;
    }

  private:
    std::string label_;
    bool terminal_ = isatty(STDOUT_FILENO) != 0;
    bool gone_ = false;
    std::optional<PlayState> last_;  // none before the first line
    std::uint64_t lastSecond_ = 0;
};

// The real device, watched: the player's output sounds while the device holds one of its
// blocks, also for the queued seconds after a rest has begun. The device plays its blocks
// in order, so it holds one exactly while the last one queued has not been played.
class WatchedDevice final : public OutputDevice {
  public:
    explicit WatchedDevice(OutputDevice& device) : device_(device) {}
    void prepare(BlockHeader& header) override { device_.prepare(header); }
    void unprepare(BlockHeader& header) override { device_.unprepare(header); }
    void queue(BlockHeader& header) override {
        last_ = &header;
        device_.queue(header);
    }
    void flush() override { device_.flush(); }
    bool available() const override { return device_.available(); }

    bool sounding() const {
        const BlockHeader* header = last_.load();
        return header != nullptr && (header->flags.load() & kBlockQueued) != 0;
    }

  private:
    OutputDevice& device_;
    std::atomic<BlockHeader*> last_{nullptr};
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
    // A device still looking for its sound server is refused too: a burn-in started from a
    // script should fail where it can be seen.
    OpenResult opened = openQuietly();
    if (!opened.device || !opened.error.empty()) {
        throw std::runtime_error(opened.error);
    }
    SignalPlayer& player = SignalPlayer::instance;
    if (arguments.restEvery || arguments.restLength) {
        player.enableRests(arguments.restEvery, arguments.restLength);
    }
    WatchedDevice device(*opened.device);
    player.setDevice(&device);
    player.setEndNotice([](PlaybackEnd how) { playbackEnd = how; });
    player.play();

    // The first blocks are queued at once, so it plays even if a rest follows immediately.
    StatusLine status(player);
    const SteadyClock::time_point started = SteadyClock::now();
    SteadyClock::time_point last = started;
    SteadyClock::duration played{};
    const auto duration = seconds(arguments.durationSeconds.value_or(0));
    bool stopping = false;
    for (PlayState state = PlayState::Playing; !playbackEnd.load();) {
        // Once stopping, the loop may still leave a rest and queue one last block, which
        // the flush silences at once: no longer news to the user.
        if (!stopping) {
            const std::uint64_t now = player.clock().now();
            const std::uint64_t end =
                restEndSeconds(player.restReference.load(), player.restEveryMinutes.load(),
                               player.restLengthMinutes.load());
            status.show(state, now < end ? end - now : 0, played, last - started);
        }
        // A stop signal cuts the wait short when it reaches this thread.
        const timespec poll{0, 50'000'000};
        nanosleep(&poll, nullptr);
        const SteadyClock::time_point now = SteadyClock::now();
        played += device.sounding() && !stopping ? now - last : SteadyClock::duration{};
        last = now;
        if (!stopping &&
            (stopSignal() != 0 || (arguments.durationSeconds && now - started >= duration))) {
            stopping = player.stop();
        }
        state = player.resting.load() != 0 ? PlayState::Resting
                : player.outputAvailable() ? PlayState::Playing
                                           : PlayState::NoOutput;
    }
    status.show(PlayState::Stopped, 0, played, SteadyClock::now() - started);
    player.setDevice(nullptr);
    if (*playbackEnd.load() == PlaybackEnd::OutOfMemory) {
        throw std::runtime_error("not enough memory for the blocks of this signal");
    }
    return 0;
}
