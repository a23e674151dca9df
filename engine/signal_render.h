#pragma once

#include <cstdint>
#include <functional>

#include "engine/signal_player.h"

// A render is a real playback of the chosen generator: the player's loop seeds the random
// source, fills block A, then B, then A again, carrying the pink filter's state, exactly as
// when it plays. Only its clock and its device are its own: the clock stands still at the
// seed second, and the device hands every queued block to a function and completes it at
// once, so the loop runs as fast as it can fill blocks.

// Receives the frames (interleaved, 16-bit stereo) in order; false ends the render.
using RenderWrite = std::function<bool(const std::int16_t* frames, std::uint64_t count)>;

// The frames a render of `seconds` gives: whole blocks (a second, or the sweep period) of
// the chosen generator until the seconds are there.
std::uint64_t renderFrames(std::uint64_t seconds);

// Renders `frames` frames (as renderFrames() gives them) into `write` on the calling thread
// while nothing else plays, and tells how the playback ended. With rests off and no volume
// change the loop never sleeps.
PlaybackEnd renderSignal(std::uint32_t seedSecond, std::uint64_t frames, const RenderWrite& write);
