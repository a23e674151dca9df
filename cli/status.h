#pragma once

#include <cstdint>
#include <string>

#include "engine/signal_player.h"

// What `play` shows: one status line on a terminal, a line per change otherwise.

enum class PlayState { Playing, Resting, Stopped };

// Prints the status to standard output: on a terminal one line, rewritten once a second and
// at every change, cut to the terminal's width as it is now; elsewhere a line per change.
// Once standard output has gone (a closed pipe) it prints nothing more.
class StatusLine {
  public:
    // The label names the player's generator and its settings.
    explicit StatusLine(const SignalPlayer& player);
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
