// The generators, members of SignalPlayer: each fills one block from the player's settings.
#include "signal_player.h"

#include <algorithm>
#include <cmath>

#include "random_source.h"
#include "signal_format.h"

namespace {

// Converts to an integer rounding toward zero and keeps the low 16 bits, as a 16-bit sample.
inline std::int16_t truncateToSample(double value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::int32_t>(value)));
}

inline void putFrame(std::int16_t* frames, std::uint32_t index, std::int16_t sample) {
    const std::size_t left = 2 * static_cast<std::size_t>(index);
    frames[left] = sample;
    frames[left + 1] = sample;
}

void putSilence(std::int16_t* frames, std::uint32_t frameCount) {
    std::fill_n(frames, 2 * static_cast<std::size_t>(frameCount), std::int16_t{0});
}

}  // namespace

// The amplitude is read once per sample: a slider move is heard from the very next sample.
// The frame index n runs as a double, as the formulas use it. The noise loops draw from a
// local copy of the random state, stored back after the block: kept in a register, it does
// not go through memory on every draw (that store and reload took 40 % of white noise's time).

void SignalPlayer::fillWhiteNoise(std::int16_t* frames, std::uint32_t frameCount) const {
    std::uint32_t random = loadRandomState();
    for (std::uint32_t i = 0; i < frameCount; ++i) {
        const std::uint32_t a = amplitude.load(std::memory_order_relaxed);
        std::int32_t sample = 0;
        if (a != 0) {
            const std::uint32_t r = stepRandom(random);
            sample = static_cast<std::int32_t>((2 * r) % a) - static_cast<std::int32_t>(a >> 1);
        }
        putFrame(frames, i, static_cast<std::int16_t>(static_cast<std::uint16_t>(sample)));
    }
    storeRandomState(random);
}

void SignalPlayer::fillPinkNoise(std::int16_t* frames, std::uint32_t frameCount, double& y) const {
    // One-pole low-pass filter over uniform noise scaled to 0..1.
    double state = y;
    std::uint32_t random = loadRandomState();
    for (std::uint32_t i = 0; i < frameCount; ++i) {
        const double r = static_cast<double>(stepRandom(random));
        state = (r * kUnitScale) * 0.0625 + state * 0.9375;
        const std::uint32_t a = amplitude.load(std::memory_order_relaxed);
        const double value = static_cast<double>(a) * state - static_cast<double>(a >> 1);
        putFrame(frames, i, truncateToSample(value));
    }
    y = state;
    storeRandomState(random);
}

void SignalPlayer::fillPureTone(std::int16_t* frames, std::uint32_t frameCount) const {
    const double f = static_cast<double>(toneFrequency.load());
    double n = 0.0;
    const double end = static_cast<double>(frameCount);
    // n counts in double, as the formulas do.
    // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
    for (std::uint32_t i = 0; n < end; ++i, n += 1.0) {
        const double s = std::sin((n * kPhaseStep) * f);
        const std::uint32_t a = amplitude.load(std::memory_order_relaxed);
        putFrame(frames, i, truncateToSample(s * static_cast<double>(a) * 0.5));
    }
}

void SignalPlayer::fillSweep(std::int16_t* frames, std::uint32_t frameCount,
                             std::uint32_t sweepSeconds, std::uint32_t offset,
                             std::optional<std::uint32_t> limitOfBlock) const {
    if (sweepSeconds == 0) {
        // No period to sweep over: silence rather than a division by zero.
        putSilence(frames, frameCount);
        return;
    }
    const double limit = static_cast<double>(limitOfBlock.value_or(sweepLimit.load()));
    const double s = static_cast<double>(sweepSeconds);
    // n counts from the piece's place in the block; every count is exact in a double.
    double n = static_cast<double>(offset);
    const double end = n + static_cast<double>(frameCount);
    // n counts in double, as the formulas do.
    // NOLINTNEXTLINE(clang-analyzer-security.FloatLoopCounter)
    for (std::uint32_t i = 0; n < end; ++i, n += 1.0) {
        const double phase = std::sin((n * kPhaseStep) / s) * s * limit;
        const double v = std::sin(phase);
        const std::uint32_t a = amplitude.load(std::memory_order_relaxed);
        putFrame(frames, i, truncateToSample(v * static_cast<double>(a) * 0.5));
    }
}

void SignalPlayer::fillBlock(GeneratorKind kind, std::int16_t* frames, std::uint32_t frameCount,
                             double& pinkState, std::uint32_t sweepSeconds, std::uint32_t offset,
                             std::optional<std::uint32_t> limit) const {
    switch (kind) {
        case GeneratorKind::WhiteNoise:
            fillWhiteNoise(frames, frameCount);
            break;
        case GeneratorKind::PinkNoise:
            fillPinkNoise(frames, frameCount, pinkState);
            break;
        case GeneratorKind::PureTone:
            fillPureTone(frames, frameCount);
            break;
        case GeneratorKind::FrequencySweep:
            fillSweep(frames, frameCount, sweepSeconds, offset, limit);
            break;
        case GeneratorKind::None:
            // Nothing chosen: a block is still fully written, with silence.
            putSilence(frames, frameCount);
            break;
    }
}
