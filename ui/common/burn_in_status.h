#pragma once

#include <cstdint>
#include <string>

#include "engine/burn_in_report.h"

// The one line that tells how a burn-in is going: whether it plays, rests or has stopped,
// and for how long it has played. Both desktop front ends show it; it knows no toolkit.
class BurnInStatus {
  public:
    using State = BurnInState;

    // A playback starts at calendar second `now`; the playing time starts from zero.
    void start(std::uint64_t now);
    // Called about once a second while the playback runs, and when it ends: the time since
    // the last call counts as played when the output was playing all along.
    void update(std::uint64_t now, State state, std::uint64_t restEnd = 0);

    State state() const { return state_; }
    std::uint64_t playedSeconds() const { return played_; }
    std::string text() const;

    // "Playing 2:13:05", "Resting until 14:32 (2:13:05 played)", "Stopped after 2:13:05",
    // "No audio output (2:13:05 played)", or nothing before the first playback. `restEnd` is
    // in calendar seconds and shown as the local clock time.
    static std::string format(State state, std::uint64_t playedSeconds, std::uint64_t restEnd);
    // The engine's report as the line shows it.
    static std::string format(const BurnInReport& report);
    // H:MM:SS, the hours as many as it takes.
    static std::string duration(std::uint64_t seconds);

  private:
    State state_ = State::Idle;
    std::uint64_t played_ = 0;
    std::uint64_t last_ = 0;
    std::uint64_t restEnd_ = 0;
};
