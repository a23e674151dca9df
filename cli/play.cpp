#include "play.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "engine/linux/pulse_sink_list.h"
#include "engine/output_device.h"
#include "engine/signal_player.h"
#include "journal.h"
#include "status_line.h"
#include "stop_signals.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Set by the end notice on the playback thread, read by the main thread.
std::atomic<std::optional<PlaybackEnd>> playbackEnd;

// A journal is saved at least this often, so that a power cut loses at most this much.
constexpr auto kSaveEvery = std::chrono::seconds(60);

std::vector<OutputSink> sinks() {
    auto listed = listOutputSinks();
    if (!listed) {
        throw std::runtime_error(kNoSoundServer);
    }
    return *listed;
}

// The device; one still looking for its sound server is refused too: a burn-in started from
// a script should fail where it can be seen.
std::unique_ptr<OutputDevice> openDevice(const std::string& sink) {
    const auto named = [&](const OutputSink& s) { return s.name == sink; };
    if (!sink.empty() && std::ranges::none_of(sinks(), named)) {
        throw std::runtime_error("no output named " + quoteValue(sink) +
                                 " (vellumtone-cli play --device list shows them)");
    }
    OpenResult opened = openOutputDevice(sink);
    if (!opened.device || !opened.error.empty()) {
        throw std::runtime_error(opened.device ? opened.reason : opened.error);
    }
    return std::move(opened.device);
}

}  // namespace

int listDevices() {
    for (const OutputSink& sink : sinks()) {
        std::printf("%s%s\t%s\n", sink.isDefault ? "* " : "  ", sink.name.c_str(),
                    sink.description.c_str());
    }
    return 0;
}

int runPlay(const Arguments& arguments) {
    std::optional<Journal> journal;
    if (!arguments.journal.empty()) {
        journal.emplace(arguments.journal);
    }
    const std::uint64_t startMs = journal ? journal->startMs() : 0;
    const std::uint64_t targetMs = arguments.targetSeconds.value_or(0) * std::uint64_t{1000};
    const std::uint32_t duration = arguments.durationSeconds.value_or(0);  // 0: none, as targetMs
    SignalPlayer& player = SignalPlayer::instance;
    StatusLine status(player, arguments.quiet, journal.has_value(), targetMs, duration);
    if (targetMs != 0 && startMs >= targetMs) {
        // Nothing left to play: said as a playback that stopped before it began.
        status.show({.state = BurnInState::Stopped}, startMs);
        return 0;
    }
    const std::unique_ptr<OutputDevice> device = openDevice(arguments.device);
    if (arguments.restEvery || arguments.restLength) {
        player.enableRests(arguments.restEvery, arguments.restLength);
    }
    player.setDevice(device.get());
    player.setEndNotice([](PlaybackEnd how) {
        playbackEnd = how;
        wake();
    });
    player.setChangeNotice(&wake);
    SteadyClock::time_point saved = SteadyClock::now();
    const auto end = saved + std::chrono::seconds(duration);
    player.play();
    bool stopping = false;
    bool saveFailed = false;
    BurnInState last = BurnInState::Idle;
    for (;;) {
        BurnInReport report = player.burnIn();
        const std::uint64_t totalMs = startMs + report.heardMs;
        const SteadyClock::time_point now = SteadyClock::now();
        const bool ended = playbackEnd.load().has_value();
        report.state = ended ? BurnInState::Stopped : report.state;
        const bool due = (duration != 0 && now >= end) || (targetMs != 0 && totalMs >= targetMs);
        if (!ended && !stopping && (stopSignal() != 0 || due)) {
            stopping = player.stop();  // false only before the playback has begun: tried again
        }
        // Saved at every change of state (the first is the start, the last the end) and once a
        // minute.
        if (report.state != last || now - saved >= kSaveEvery) {
            saveFailed = journal && !journal->save(totalMs);
            saved = now;
        }
        last = report.state;
        status.show(report, totalMs);
        if (ended) {
            break;
        }
        // Woken by the engine's change notices and the stop signals; else once a second, when
        // the status line on a terminal is refreshed, an output lost or back is seen (the
        // engine announces neither) and the minute's save comes due; sooner when the end may.
        auto wait = milliseconds(1000);
        if (duration != 0 && !due) {
            wait = std::min(wait, std::chrono::ceil<milliseconds>(end - now));
        }
        if (targetMs != 0 && !due && report.state == BurnInState::Playing) {
            wait = std::min(wait, milliseconds(targetMs - totalMs));
        }
        waitForWake(wait);
    }
    player.setDevice(nullptr);
    if (playbackEnd.load() == PlaybackEnd::OutOfMemory) {
        throw std::runtime_error("not enough memory for the blocks of this signal");
    }
    return saveFailed ? 1 : 0;
}
