#pragma once
// The generators and their random source written out again from the formulas, in other words
// and other arithmetic than the engine's, for every test that checks samples: generated,
// written to a file, or heard at a sink.

#include <cstdint>
#include <vector>

#include "engine/signal_player.h"

struct ReferenceSettings {
    GeneratorKind kind = GeneratorKind::WhiteNoise;
    std::uint16_t amplitude = 40000;
    std::uint32_t toneFrequency = 1000;
    std::uint32_t sweepLimit = 2000;
    std::uint32_t sweepSeconds = 2;
    std::uint32_t seed = 1;
};

// Frames in one block of the signal: one second, or S seconds for the sweep.
std::uint32_t framesOf(const ReferenceSettings& s);

// The next `count` frames of a block, the same sample on both channels, continuing the pink
// filter state `y` and the random source's `state`.
std::vector<std::int16_t> reference(const ReferenceSettings& s, double& y, std::uint64_t& state,
                                    std::uint32_t count);

// A playback's first `frames` frames or a little more, in whole blocks: seeded with s.seed,
// the pink filter from 0, both carried on from block to block.
std::vector<std::int16_t> referencePlayback(const ReferenceSettings& s, std::size_t frames);
