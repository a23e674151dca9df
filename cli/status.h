#pragma once

#include <cstdint>
#include <string>

#include "engine/signal_player.h"

// What `play` shows: one status line on a terminal, a line per change otherwise.

enum class PlayState { Playing, Resting, Stopped };

// H:MM:SS, hours growing as needed.
std::string formatClock(std::uint64_t seconds);

// "white noise", "pink noise", "tone 1000 Hz", "sweep 0-2000 Hz, 2 s period".
std::string generatorLabel(const SignalPlayer& player);

// "pink noise | resting, resumes in 0:29:10 | played 2:00:01 | total 2:00:50".
// resumeInSeconds is shown only while resting.
std::string statusText(const std::string& label, PlayState state, std::uint64_t resumeInSeconds,
                       std::uint64_t playedSeconds, std::uint64_t totalSeconds);

// Prints the status to standard output: on a terminal one line, rewritten once a second and
// at every change, cut to the terminal's width as it is now; elsewhere a line per change.
// Once standard output has gone (a closed pipe) it prints nothing more.
class StatusLine {
  public:
    explicit StatusLine(std::string label);
    void show(PlayState state, std::uint64_t resumeIn, std::uint64_t playedMs,
              std::uint64_t totalMs);

  private:
    std::string label_;
    bool terminal_;
    bool gone_ = false;
    bool shown_ = false;
    PlayState lastState_ = PlayState::Playing;
    std::uint64_t lastSecond_ = 0;
};
