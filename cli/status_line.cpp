#include "status_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#include "engine/clock.h"
#include "engine/signal_player.h"
#include "ui/common/burn_in_status.h"

namespace {

// In local time: "14:32" within a day, "Thu 10 Dec 18:05" later.
std::string clockTime(std::uint64_t second, std::uint64_t now) {
    return BurnInStatus::localTime(second, second < now + 86400 ? "%H:%M" : "%a %d %b %H:%M");
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
        text +=
            " of " + BurnInStatus::duration(targetMs_ / 1000) +
            (running && leftMs > 0 ? ", ends " + clockTime(player_.expectedEnd(report, leftMs), now)
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
        line = BurnInStatus::localTime(player_.clock().now(), "%Y-%m-%d %H:%M:%S ") + line + "\n";
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
