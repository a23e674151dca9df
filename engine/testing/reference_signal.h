#pragma once
// The generators and their random source written out again from the formulas, in other words
// and other arithmetic than the engine's, for every test that checks samples: generated,
// written to a file, or heard at a sink.

#include <cstdint>
#include <vector>

#include "engine/signal_player.h"

// The random source in 64-bit arithmetic with an explicit modulus.
class ReferenceRandom {
  public:
    explicit ReferenceRandom(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = (state_ * 214013 + 2531011) % 4294967296;
        return static_cast<int>(state_ / 65536 % 32768);
    }

  private:
    std::uint64_t state_;
};

// Rounds toward zero and keeps the low 16 bits, as a signed sample.
int truncatedSample(double value);

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

// The next `count` samples (one channel) of a block, continuing the pink filter state `y`
// and the random source.
std::vector<int> reference(const ReferenceSettings& s, double& y, ReferenceRandom& random,
                           std::uint32_t count);

// The same samples on both channels.
std::vector<std::int16_t> stereo(const std::vector<int>& mono);

// A playback's first `frames` frames or a little more, in whole blocks on both channels: seeded
// with s.seed, the pink filter from 0, both carried on from block to block.
std::vector<std::int16_t> referencePlayback(const ReferenceSettings& s, std::size_t frames);
