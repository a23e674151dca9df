#include "status.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "ui/common/burn_in_status.h"

namespace {

// "white noise", "pink noise", "tone 1000 Hz", "sweep 0-2000 Hz, 2 s period".
std::string generatorLabel(const SignalPlayer& player) {
    const std::string labels[] = {"nothing", "white noise", "pink noise",
                                  "tone " + std::to_string(player.toneFrequency.load()) + " Hz",
                                  "sweep 0-" + std::to_string(player.sweepLimit.load()) + " Hz, " +
                                      std::to_string(player.sweepSeconds.load()) + " s period"};
    return labels[static_cast<std::size_t>(player.generator.load())];
}

// "pink noise | resting, resumes in 0:29:10 | played 2:00:01 | total 2:00:50".
std::string statusText(const std::string& label, PlayState state, std::uint64_t resumeInSeconds,
                       std::uint64_t playedSeconds, std::uint64_t totalSeconds) {
    const std::string what = state == PlayState::Playing ? "playing"
                             : state == PlayState::Resting
                                 ? "resting, resumes in " + BurnInStatus::duration(resumeInSeconds)
                             : state == PlayState::NoOutput ? "no audio output"
                                                            : "stopped";
    return label + " | " + what + " | played " + BurnInStatus::duration(playedSeconds) +
           " | total " + BurnInStatus::duration(totalSeconds);
}

}  // namespace

StatusLine::StatusLine(const SignalPlayer& player)
    : label_(generatorLabel(player)), terminal_(isatty(STDOUT_FILENO) != 0) {}

void StatusLine::show(PlayState state, std::uint64_t resumeIn, std::uint64_t playedMs,
                      std::uint64_t totalMs) {
    const std::uint64_t second = totalMs / 1000;
    if (gone_ || (shown_ && state == lastState_ && !(terminal_ && second != lastSecond_))) {
        return;
    }
    std::string text = statusText(label_, state, resumeIn, playedMs / 1000, second);
    winsize size{};
    if (terminal_ && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        // One column short of the width: a full line would wrap on some terminals.
        text.resize(std::min<std::size_t>(text.size(), size.ws_col - 1U));
    }
    const char* format = !terminal_                    ? "%s\n"
                         : state == PlayState::Stopped ? "\r%s\x1b[K\n"
                                                       : "\r%s\x1b[K";
    gone_ = std::printf(format, text.c_str()) < 0 || std::fflush(stdout) != 0;
    shown_ = true;
    lastState_ = state;
    lastSecond_ = second;
}
