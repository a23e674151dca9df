#pragma once

#include <cstdint>

// What the listener hears of a burn-in, as the engine knows it.
enum class BurnInState : std::uint8_t {
    Idle,      // no playback yet since the program started
    Playing,   // a playback runs and its sound reaches the output
    Resting,   // a playback runs and is inside a rest period
    NoOutput,  // a playback runs on its schedule but the output is gone: nothing is heard
    Stopped,   // the last playback has ended
};

// The burn-in's tally: how long the current (or last) playback was heard, and what comes
// next. Front ends only word it.
struct BurnInReport {
    BurnInState state = BurnInState::Idle;
    // Sound heard at the output during the current or last playback, in milliseconds:
    // frames the device played while it had a way to the speakers. Time without output, a
    // stopped process, a suspend, rests and sound dropped by a flush never count.
    std::uint64_t heardMs = 0;
    // Calendar seconds: while playing with rests on, when the next rest starts; while
    // resting, when it ends; 0 otherwise.
    std::uint64_t nextRestChange = 0;

    std::uint64_t heardSeconds() const { return heardMs / 1000; }
};
