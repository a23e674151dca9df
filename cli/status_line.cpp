#include "status_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "engine/clock.h"
#include "engine/signal_player.h"
#include "ui/common/burn_in_status.h"

namespace {

// In local time: "14:32" within a day, "Thu 10 Dec 18:05" later.
std::string clockTime(std::uint64_t second, std::uint64_t now, const char* format = nullptr) {
    const auto when = static_cast<std::time_t>(second);
    std::tm local{};
    char text[32];
    std::strftime(text, sizeof text,
                  format != nullptr      ? format
                  : second < now + 86400 ? "%H:%M"
                                         : "%a %d %b %H:%M",
                  localtime_r(&when, &local));
    return text;
}

// When `leftMs` more will have been heard, playing on from `now` with the player's rests.
std::uint64_t expectedEnd(const BurnInReport& report, std::uint64_t leftMs, std::uint64_t now,
                          const SignalPlayer& player) {
    std::uint64_t left = (leftMs + 999) / 1000;
    const std::uint64_t every = player.restEveryMinutes * 60ULL;
    const std::uint64_t rest = player.restLengthMinutes * 60ULL;
    const bool resting = report.state == BurnInState::Resting;
    const std::uint64_t before = resting ? 0 : report.nextRestChange - now;
    if (report.nextRestChange <= now || every == 0 || left <= before) {
        return now + left;  // no rest comes first
    }
    // From the end of the coming (or current) rest on, each period played costs a rest.
    left -= before;
    return report.nextRestChange + (resting ? 0 : rest) + left + (left - 1) / every * rest;
}

}  // namespace

StatusLine::StatusLine(const SignalPlayer& p, bool quiet, bool journal, std::uint64_t targetMs,
                       std::uint32_t durationSeconds)
    : player_(p),
      label_(std::array{std::string("nothing"), std::string("white noise"),
                        std::string("pink noise"),
                        "tone " + std::to_string(p.toneFrequency.load()) + " Hz",
                        "sweep 0-" + std::to_string(p.sweepLimit.load()) + " Hz, " +
                            std::to_string(p.sweepSeconds.load()) + " s period"}
                 .at(static_cast<std::size_t>(p.generator.load()))),
      terminal_(isatty(STDOUT_FILENO) != 0 && std::getenv("TERM") != nullptr &&
                std::string(std::getenv("TERM")) != "dumb"),
      journal_(journal),
      targetMs_(targetMs),
      durationEnd_(durationSeconds != 0 ? p.clock().now() + durationSeconds : 0),
      quiet_(quiet) {}

// " | Playing 2:00:01, rest at 14:32 | total 12:00:05 of 100:00:00, ends Thu 10 Dec 18:05 |
// 0:05:00 left, ends 14:37", after the label.
std::string StatusLine::text(const BurnInReport& report, std::uint64_t totalMs) const {
    const std::uint64_t now = player_.clock().now();
    const bool running = report.state != BurnInState::Stopped;
    std::string text = " | " + BurnInStatus::format(report);
    if (report.state == BurnInState::Playing && report.nextRestChange != 0) {
        text += ", rest at " + clockTime(report.nextRestChange, now);
    }
    if (journal_ || targetMs_ != 0) {
        text += " | total " + BurnInStatus::duration(totalMs / 1000);
    }
    if (targetMs_ != 0) {
        const std::uint64_t leftMs = targetMs_ - std::min(totalMs, targetMs_);
        text += " of " + BurnInStatus::duration(targetMs_ / 1000) +
                (running && leftMs > 0
                     ? ", ends " + clockTime(expectedEnd(report, leftMs, now, player_), now)
                     : "");
    }
    if (durationEnd_ != 0 && running) {
        text += " | " + BurnInStatus::duration(durationEnd_ - std::min(now, durationEnd_)) +
                " left, ends " + clockTime(durationEnd_, now);
    }
    return text;
}

void StatusLine::show(const BurnInReport& report, std::uint64_t totalMs) {
    if (quiet_ || report.state == BurnInState::Idle || last_ == BurnInState::Stopped ||
        (!terminal_ && report.state == last_)) {
        return;
    }
    last_ = report.state;
    const std::string rest = text(report, totalMs);
    std::string line = label_ + rest;
    if (!terminal_) {
        line = clockTime(player_.clock().now(), 0, "%Y-%m-%d %H:%M:%S ") + line + "\n";
    } else {
        // One column short of the width (80 where the terminal does not tell): a full line
        // would wrap on some terminals. The label gives way first, so that the times stay;
        // spaces, not an escape code, wipe what is left of a longer line before.
        winsize size{};
        const bool told = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1;
        const std::size_t width = told ? size.ws_col - 1U : 79;
        if (line.size() > width) {
            line = rest.size() < width ? label_.substr(0, width - rest.size()) + rest
                                       : rest.substr(3, width);
        }
        line.resize(width, ' ');
        line = "\r" + line + (report.state == BurnInState::Stopped ? "\n" : "");
    }
    quiet_ = std::fputs(line.c_str(), stdout) < 0 || std::fflush(stdout) != 0;
}
